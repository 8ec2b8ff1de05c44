#pragma once
// The running process.

namespace platform {

// Ends the process at once with `code`: no window is closed and nothing is saved.
[[noreturn]] void endProcess(int code);

}  // namespace platform
