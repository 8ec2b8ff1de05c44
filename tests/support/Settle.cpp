#include "tests/support/Settle.h"

#include "runtime/window/Threads.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace testing_support {

void settle(int maxMs) {
  if (rt::win::inLogicalThread()) {
    rt::win::yieldThread();
    return;
  }
  QElapsedTimer clock;
  clock.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (rt::win::threadsHaveWork() && clock.elapsed() < maxMs);
  QCoreApplication::processEvents();
}

}  // namespace testing_support
