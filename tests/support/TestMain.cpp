// Entry of every test program: headless Qt, no real home folder, then either a child mode or the
// tests.

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

namespace {

void setIfUnset(const char* name, const std::string& value) {
  if (!std::getenv(name)) setenv(name, value.c_str(), 1);
}

// Points HOME and the XDG locations into one temporary folder, so that nothing a test does can reach
// the real user's files, menus or desktop.
void redirectHome() {
  static QTemporaryDir dir(QDir::tempPath() + "/tavik-test-home-XXXXXX");
  if (!dir.isValid()) return;
  const std::string h = dir.path().toStdString();
  setenv("HOME", h.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (h + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
  setenv("XDG_CACHE_HOME", (h + "/.cache").c_str(), 1);
  setenv("XDG_DESKTOP_DIR", (h + "/Desktop").c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (h + "/Documents").c_str(), 1);
  setIfUnset("XDG_RUNTIME_DIR", h + "/runtime");
  QDir().mkpath(QString::fromStdString(std::getenv("XDG_RUNTIME_DIR")));
  QFile::setPermissions(QString::fromStdString(std::getenv("XDG_RUNTIME_DIR")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

int main(int argc, char** argv) {
  setIfUnset("QT_QPA_PLATFORM", "offscreen");
  // A child keeps the environment its parent test gave it.
  const bool child = argc >= 2 && std::string(argv[1]).rfind("--child=", 0) == 0;
  if (!child) redirectHome();

  QApplication app(argc, argv);
  bool asked = false;
  const int code = testing_support::runChildModeIfAsked(argc, argv, &asked);
  if (asked) return code;

  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
