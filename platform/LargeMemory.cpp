#include "platform/LargeMemory.h"

#include <cstdlib>
#include <sys/mman.h>

namespace platform {

void LargeBlockFree::operator()(char* block) const { std::free(block); }

LargeBlock allocateLargeBlock() {
  auto* block = static_cast<char*>(std::aligned_alloc(kLargePage, kLargePage));
  // Only advice: without huge pages the block is used as it is.
  if (block) ::madvise(block, kLargePage, MADV_HUGEPAGE);
  return LargeBlock(block);
}

}  // namespace platform
