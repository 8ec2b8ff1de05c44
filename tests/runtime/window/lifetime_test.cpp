// The runtime owns the life of its windows and dialogs: a dialog whose window goes ends its wait as
// cancelled, a window frees itself only after its handler, the program's end lets every suspended
// thread unwind, and an exception on a thread ends in a message instead of the process.

#include "runtime/window/Dialogs.h"
#include "runtime/window/Internal.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace rt::win;
using testing_support::settle;

namespace {

WindowDef frameDef() {
  WindowDef d;
  d.label = "FRAME";
  d.caption = "Rahmen";
  d.kind = WindowKind::Frame;
  d.w = 400;
  d.h = 300;
  return d;
}

WindowDef windowDef(const char* label, WindowKind kind = WindowKind::MdiChild) {
  WindowDef d;
  d.label = label;
  d.caption = label;
  d.kind = kind;
  d.w = 120;
  d.h = 60;
  d.controls = {{.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 40, .w = 40, .h = 14}};
  return d;
}

// A window on a thread of its own that does `work` when its button is pressed, and frees itself when
// it is closed down; the log says what happened in which order.
int workWindow(const char* label, std::vector<std::string>& log, std::function<void()> work) {
  return start([label, &log, work] {
    auto* w = new Window(windowDef(label));
    w->open();
    w->attach([label, &log, work](Window& win, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) work();
      if (e.code == EV_CloseDown) {
        log.push_back(std::string(label) + " closed down");
        win.release();
      }
      return Pass::Default;
    });
  });
}

// A message window of the calling thread, waited for until it is answered or closed.
void message(std::vector<std::string>& log) {
  Window w(windowDef("MESSAGE", WindowKind::Plain));
  w.open();
  w.run([](Window&, const Event& e) { return e.code == EV_Accepted ? Pass::Leave : Pass::Default; });
  w.close();
  log.push_back("message ended");
}

struct LifetimeTest : ::testing::Test {
  void TearDown() override {
    endThreads();
    settle();
  }
};

}  // namespace

TEST_F(LifetimeTest, ClosingTheFrameEndsTheDialogsAndMessagesOfOtherThreadsAndTheirThreads) {
  Window frame(frameDef());
  frame.open();
  frame.attach([](Window&, const Event&) { return Pass::Default; });
  std::vector<std::string> log;
  QString folder = "not answered";
  int printResult = -1;
  const int exporting = workWindow("EXPORT", log, [&] {
    folder = chooseFolder("Ordner wählen", QDir::tempPath());
    log.push_back("folder ended");
  });
  const int asking = workWindow("FORM", log, [&] { message(log); });
  const int printing = workWindow("PRINT", log, [&] {
    QPrinter printer;
    printResult = runDialog(new QPrintDialog(&printer, topWindow(currentThread())->topWidget()));
    log.push_back("print ended");
  });
  settle();
  for (const char* label : {"EXPORT", "FORM", "PRINT"}) {
    ASSERT_TRUE(findWindow(label)) << label;
    testing_support::clickOn(findWindow(label)->widget(1));
  }
  QPointer<QFileDialog> folderDialog = testing_support::shown<QFileDialog>();
  QPointer<QPrintDialog> printDialog = testing_support::shown<QPrintDialog>();
  ASSERT_TRUE(folderDialog);
  ASSERT_TRUE(printDialog);
  ASSERT_TRUE(findWindow("MESSAGE"));
  EXPECT_TRUE(log.empty());

  // The user closes the frame; the event loop then goes on (the windows' widgets are deleted).
  frame.topWidget()->close();
  settle();
  QTest::qWait(20);
  settle();

  EXPECT_FALSE(frame.isOpen());
  EXPECT_FALSE(folderDialog);
  EXPECT_FALSE(printDialog);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(printResult, QDialog::Rejected);
  // Each wait ended, as cancelled, before its window heard of the close-down.
  EXPECT_EQ(log, (std::vector<std::string>{"message ended", "print ended", "PRINT closed down", "FORM closed down",
                                           "folder ended", "EXPORT closed down"}));
  for (int thread : {exporting, asking, printing}) EXPECT_FALSE(threadExists(thread)) << thread;
  for (const char* label : {"EXPORT", "FORM", "PRINT", "MESSAGE"}) EXPECT_FALSE(findWindow(label)) << label;
}

TEST_F(LifetimeTest, AWindowReleasedInItsHandlerGoesOnlyAfterTheHandler) {
  std::weak_ptr<bool> token;
  QString labelAfterRelease;
  bool goneDuringHandler = true;
  start([&] {
    auto* w = new Window(windowDef("NOTICE", WindowKind::Plain));
    w->open();
    token = w->impl()->token;
    w->attach([&](Window& win, const Event& e) {
      if (e.code != EV_Accepted) return Pass::Default;
      win.release();
      labelAfterRelease = win.label();  // still there until the pass has ended
      goneDuringHandler = token.expired();
      return Pass::Leave;
    });
  });
  settle();
  ASSERT_FALSE(token.expired());
  testing_support::clickOn(findWindow("NOTICE")->widget(1));
  EXPECT_EQ(labelAfterRelease, "NOTICE");
  EXPECT_FALSE(goneDuringHandler);
  EXPECT_TRUE(token.expired());
  EXPECT_FALSE(findWindow("NOTICE"));
}

TEST_F(LifetimeTest, AtTheProgramsEndSuspendedThreadsGoOnAndTheirStacksUnwind) {
  // Each thread waits with an object on its stack that says when it is destroyed.
  struct Unwound {
    std::vector<std::string>& log;
    const char* name;
    ~Unwound() { log.push_back(name); }
  };
  std::vector<std::string> log;
  const int asking = start([&] {
    Unwound u{log, "message thread"};
    message(log);
  });
  int dialogResult = -1;
  const int waiting = start([&] {
    Unwound u{log, "dialog thread"};
    dialogResult = runDialog(new QDialog);
  });
  const int serving = start([] {
    auto* w = new Window(windowDef("SERVING", WindowKind::Plain));
    w->open();
    w->attach([](Window& win, const Event& e) {
      if (e.code == EV_CloseDown) win.release();
      return Pass::Default;
    });
  });
  settle();
  ASSERT_TRUE(findWindow("MESSAGE"));
  ASSERT_TRUE(testing_support::shown<QDialog>());
  EXPECT_TRUE(log.empty());

  endThreads();
  EXPECT_EQ(log, (std::vector<std::string>{"message ended", "message thread", "dialog thread"}));
  EXPECT_EQ(dialogResult, QDialog::Rejected);
  for (int thread : {asking, waiting, serving}) EXPECT_FALSE(threadExists(thread)) << thread;
  EXPECT_FALSE(findWindow("MESSAGE"));
  EXPECT_FALSE(findWindow("SERVING"));
  settle();
  EXPECT_FALSE(testing_support::shown<QDialog>());
}

TEST_F(LifetimeTest, AnExceptionOnAThreadEndsInAGermanMessageAndTheWindowsClose) {
  struct Case {
    const char* name;
    bool onFrameThread;
  };
  for (const Case c : {Case{"work thread", false}, Case{"frame thread", true}}) {
    SCOPED_TRACE(c.name);
    Window frame(frameDef());
    frame.open();
    frame.attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 1) throw std::runtime_error("Probe");
      return Pass::Default;
    });
    std::vector<std::string> log;
    Window failingWindow(windowDef("FAILING"));
    const int failing = start([&] {
      failingWindow.open();
      failingWindow.attach([&](Window&, const Event& e) {
        if (e.code == EV_Accepted && e.field == 1) throw std::runtime_error("Probe");
        if (e.code == EV_CloseDown) log.push_back("FAILING closed down");
        return Pass::Default;
      });
    });
    const int other = workWindow("OTHER", log, [] {});
    settle();
    if (c.onFrameThread)
      post(EV_User + 1, frame.thread());
    else
      testing_support::clickOn(findWindow("FAILING")->widget(1));
    settle();

    QMessageBox* box = testing_support::shown<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Ein unerwarteter Fehler ist aufgetreten. Das Programm wird beendet.");
    EXPECT_EQ(box->informativeText(), "Fehler: Probe");
    EXPECT_TRUE(frame.isOpen());  // until the message is answered
    QTest::keyClick(box, Qt::Key_Return);
    settle();

    EXPECT_FALSE(frame.isOpen());
    EXPECT_FALSE(findWindow("FAILING"));
    EXPECT_FALSE(findWindow("OTHER"));
    EXPECT_FALSE(threadExists(failing));
    EXPECT_FALSE(threadExists(other));
    // The windows of the thread that failed hear of nothing more.
    if (c.onFrameThread)
      EXPECT_EQ(log, (std::vector<std::string>{"OTHER closed down", "FAILING closed down"}));
    else
      EXPECT_EQ(log, (std::vector<std::string>{"OTHER closed down"}));
  }
  // The main thread serves its windows again afterwards.
  Window again(windowDef("AGAIN", WindowKind::Plain));
  again.open();
  int handled = 0;
  again.attach([&](Window&, const Event& e) {
    if (e.code == EV_User + 2) ++handled;
    return Pass::Default;
  });
  post(EV_User + 2, again.thread());
  settle();
  EXPECT_EQ(handled, 1);
  again.close();
}
