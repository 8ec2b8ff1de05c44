#pragma once
// Lets the logical threads of the window runtime settle: for the tests and for the tools that drive
// the program's windows offscreen (benchmarks, the manual's pictures).

namespace testing_support {

// Processes events until no logical thread has work left (for at most `maxMs`). Called inside a
// logical thread, it lets the other threads and the screen have their turn once.
void settle(int maxMs = 2000);

}  // namespace testing_support
