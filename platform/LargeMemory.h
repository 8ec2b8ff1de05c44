#pragma once
// Memory for large buffers that are filled once, such as lines made by several reading threads:
// the system is asked to back it with huge pages, since touching fresh memory for the first time
// costs much more page by page.

#include <cstddef>
#include <memory>

namespace platform {

inline constexpr std::size_t kLargePage = std::size_t{2} << 20;

struct LargeBlockFree {
  void operator()(char* block) const;
};
using LargeBlock = std::unique_ptr<char, LargeBlockFree>;

// A block of kLargePage bytes, aligned to them; empty when there is no memory.
LargeBlock allocateLargeBlock();

}  // namespace platform
