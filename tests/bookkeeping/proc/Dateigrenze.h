#pragma once
// While it lives, this process can write no file beyond `bytes`: a write past it fails as on a full
// disk (EFBIG, with the signal it raises ignored).

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

class Dateigrenze {
 public:
  explicit Dateigrenze(rlim_t bytes) {
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &vorher_), 0);
    signal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit grenze = vorher_;
    grenze.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &grenze), 0);
  }
  ~Dateigrenze() {
    setrlimit(RLIMIT_FSIZE, &vorher_);
    std::signal(SIGXFSZ, signal_);
  }
  Dateigrenze(const Dateigrenze&) = delete;
  Dateigrenze& operator=(const Dateigrenze&) = delete;

 private:
  rlimit vorher_{};
  void (*signal_)(int) = nullptr;
};
