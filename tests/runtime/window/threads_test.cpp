// Logical threads in coroutines: each thread waits only for its own windows.

#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace rt::win;
using testing_support::settle;

namespace {

WindowDef plainDef(const char* label) {
  WindowDef d;
  d.label = label;
  d.caption = label;
  d.w = 120;
  d.h = 60;
  d.controls = {
      {.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 40, .w = 40, .h = 14},
      {.field = 2, .label = "?FILTER", .kind = Kind::Entry, .picture = "@S20", .x = 10, .y = 10, .w = 80,
       .attrs = A_Immediate},
  };
  return d;
}

// A modal question: the calling thread waits in `run` until OK is pressed.
void ask(const char* label, std::vector<std::string>& log) {
  Window w(plainDef(label));
  w.open();
  w.giveFocus(1);
  w.run([](Window&, const Event& e) { return e.code == EV_Accepted && e.field == 1 ? Pass::Leave : Pass::Default; });
  w.close();
  log.push_back(std::string(label) + " answered");
}

// Waits (bounded) until `done` holds, letting timers fire.
bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 3000) QTest::qWait(5);
  return done();
}

void answer(const char* label) {
  Window* w = findWindow(label);
  ASSERT_TRUE(w) << label;
  QTest::keyClick(w->widget(1), Qt::Key_Return);
  settle();
}

struct ThreadsTest : ::testing::Test {
  void TearDown() override {
    setOpenHook(nullptr);
    settle();
  }
};

}  // namespace

TEST_F(ThreadsTest, TwoThreadsMessagesAnsweredInEitherOrderLetEachGoOnAtOnce) {
  for (const bool firstFirst : {true, false}) {
    SCOPED_TRACE(firstFirst ? "first answered first" : "second answered first");
    std::vector<std::string> log;
    // Each thread has a window of its own that asks when its button is pressed.
    Window one(plainDef("ONE")), two(plainDef("TWO"));
    const auto asker = [&log](const char* question) {
      return [&log, question](Window&, const Event& e) {
        if (e.code == EV_Accepted && e.field == 1) ask(question, log);
        return Pass::Default;
      };
    };
    const int t1 = start([&] {
      one.open();
      one.attach(asker("Q1"));
    });
    const int t2 = start([&] {
      two.open();
      two.attach(asker("Q2"));
    });
    settle();
    QTest::mouseClick(one.widget(1), Qt::LeftButton);
    settle();
    QTest::mouseClick(two.widget(1), Qt::LeftButton);
    settle();
    ASSERT_TRUE(findWindow("Q1"));
    ASSERT_TRUE(findWindow("Q2"));
    EXPECT_FALSE(one.takesInput());
    EXPECT_FALSE(two.takesInput());

    const char* first = firstFirst ? "Q1" : "Q2";
    const char* second = firstFirst ? "Q2" : "Q1";
    answer(first);
    // The answered thread goes on at once and its question is gone; the other still waits.
    EXPECT_EQ(log, std::vector<std::string>{std::string(first) + " answered"});
    EXPECT_FALSE(findWindow(first));
    EXPECT_TRUE(findWindow(second));
    EXPECT_EQ((firstFirst ? one : two).takesInput(), true);
    EXPECT_EQ((firstFirst ? two : one).takesInput(), false);

    answer(second);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_FALSE(findWindow(second));
    EXPECT_TRUE(one.takesInput());
    EXPECT_TRUE(two.takesInput());
    one.close();
    two.close();
    settle();
    EXPECT_FALSE(threadExists(t1));
    EXPECT_FALSE(threadExists(t2));
  }
}

TEST_F(ThreadsTest, AFrameDialogClosedWhileAnotherThreadsMessageIsOpenClosesAtOnce) {
  WindowDef fd;
  fd.label = "FRAME";
  fd.caption = "Rahmen";
  fd.kind = WindowKind::Frame;
  fd.w = 300;
  fd.h = 200;
  fd.controls = {
      {.field = -1, .label = "?MENU", .kind = Kind::Menu, .text = "&Datei"},
      {.field = -2, .label = "?DIALOG", .kind = Kind::MenuItem, .text = "&Einstellungen"},
  };
  Window frame(fd);
  frame.open();
  std::vector<std::string> log;
  int commands = 0;
  frame.attach([&](Window&, const Event& e) {
    if (e.code == EV_Accepted && e.field == -2) {
      ++commands;
      if (commands == 1) ask("SETTINGS", log);  // a modal run on the frame's thread
    }
    return Pass::Default;
  });
  Window form(plainDef("FORM"));
  start([&] {
    form.open();
    form.attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) ask("MESSAGE", log);
      return Pass::Default;
    });
  });
  settle();
  frame.action(-2)->trigger();
  settle();
  ASSERT_TRUE(findWindow("SETTINGS"));
  EXPECT_FALSE(frame.takesInput());
  QTest::mouseClick(form.widget(1), Qt::LeftButton);
  settle();
  ASSERT_TRUE(findWindow("MESSAGE"));

  // The frame's dialog is answered first although the form's message opened after it.
  answer("SETTINGS");
  EXPECT_EQ(log, std::vector<std::string>{"SETTINGS answered"});
  EXPECT_FALSE(findWindow("SETTINGS"));
  EXPECT_TRUE(frame.takesInput());
  frame.action(-2)->trigger();
  settle();
  EXPECT_EQ(commands, 2);
  EXPECT_TRUE(findWindow("MESSAGE"));

  answer("MESSAGE");
  EXPECT_EQ(log, (std::vector<std::string>{"SETTINGS answered", "MESSAGE answered"}));
  frame.close();
  settle();
  EXPECT_FALSE(form.isOpen());
}

TEST_F(ThreadsTest, ATimedNoticeReachesItsThreadWhileAnotherThreadsMessageIsOpen) {
  // A form thread, a notice on a thread of its own whose timer posts to the form, and a message of
  // a third thread that stays open throughout.
  std::vector<std::string> log;
  int saved = 0;
  Window form(plainDef("FORM"));
  const int formThread = start([&] {
    form.open();
    form.attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 1) ++saved;
      return Pass::Default;
    });
  });
  Window other(plainDef("OTHER"));
  start([&] {
    other.open();
    other.attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) ask("MESSAGE", log);
      return Pass::Default;
    });
  });
  settle();
  QTest::mouseClick(other.widget(1), Qt::LeftButton);
  settle();
  ASSERT_TRUE(findWindow("MESSAGE"));

  auto notice = std::make_unique<Window>(plainDef("NOTICE"));
  start([&] {
    notice->open();
    notice->setTimer(1);
    notice->attach([&, formThread](Window& w, const Event& e) {
      if (e.code != EV_Timer) return Pass::Default;
      post(EV_User + 1, formThread);
      w.close();
      return Pass::Leave;
    });
  });
  EXPECT_TRUE(waitFor([&] { return saved == 1; }));
  EXPECT_FALSE(notice->isOpen());
  EXPECT_TRUE(findWindow("MESSAGE"));
  EXPECT_TRUE(log.empty());
  answer("MESSAGE");
  EXPECT_EQ(saved, 1);
  form.close();
  other.close();
}

TEST_F(ThreadsTest, AFillStopsWhenAKeyPressIsWaitingAndYieldsLetOthersWork) {
  Window list(plainDef("LIST"));
  int rows = 0, rowsAtStop = -1, otherHandled = 0, handledDuringWalk = 0;
  Window other(plainDef("OTHER"));
  const int otherThread = start([&] {
    other.open();
    other.attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 2) ++otherHandled;
      return Pass::Default;
    });
  });
  start([&] {
    list.open();
    list.attach([&](Window& w, const Event& e) {
      if (e.code == EV_User + 1) {
        // A fill that stops as soon as the user types.
        for (rows = 0; rows < 1000; ++rows)
          if (keyPressWaiting()) break;
        rowsAtStop = rows;
      }
      if (e.code == EV_User + 3) {
        // A long walk that yields on purpose: the other thread works meanwhile.
        post(EV_User + 2, otherThread);
        for (int i = 0; i < 5; ++i) yieldThread();
        handledDuringWalk = otherHandled;
      }
      (void)w;
      return Pass::Default;
    });
  });
  settle();
  list.giveFocus(2);
  settle();
  // Without a key press the fill reads to its end.
  post(EV_User + 1, list.thread());
  settle();
  EXPECT_EQ(rowsAtStop, 1000);

  // A key typed while the fill runs stops it.
  post(EV_User + 1, list.thread());
  QTimer::singleShot(0, [&] { QTest::keyClick(list.widget(2), Qt::Key_M); });
  settle();
  EXPECT_LT(rowsAtStop, 1000);
  EXPECT_EQ(list.text(2), "m");

  post(EV_User + 3, list.thread());
  settle();
  EXPECT_EQ(handledDuringWalk, 1);
  list.close();
  other.close();
}

TEST_F(ThreadsTest, AStandardDialogWaitsInItsThreadWithoutANestedLoop) {
  Window owner(plainDef("OWNER")), other(plainDef("OTHER"));
  QPointer<QDialog> dialog;
  int result = -1, otherHandled = 0;
  start([&] {
    owner.open();
    owner.attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) {
        dialog = new QDialog;
        result = runDialog(dialog);
      }
      return Pass::Default;
    });
  });
  const int otherThread = start([&] {
    other.open();
    other.attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 1) ++otherHandled;
      return Pass::Default;
    });
  });
  settle();
  QTest::mouseClick(owner.widget(1), Qt::LeftButton);
  settle();
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(owner.takesInput());
  post(EV_User + 1, otherThread);
  settle();
  EXPECT_EQ(otherHandled, 1);
  EXPECT_EQ(result, -1);
  dialog->accept();
  settle();
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(dialog) << "the runtime deletes the dialog once its wait has ended";
  EXPECT_TRUE(owner.takesInput());
  owner.close();
  other.close();
}

TEST_F(ThreadsTest, ALongWalkOnItsOwnThreadPausesWhileTheUserTypesElsewhereAndKeepsItsPlace) {
  Window main(plainDef("MAIN")), export_(plainDef("EXPORT"));
  main.open();
  main.attach([](Window&, const Event&) { return Pass::Default; });
  std::vector<int> order;
  int walked = 0, typedDuringWalk = 0;
  bool walking = false;
  start([&] {
    export_.open();
    export_.attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 1) {
        // The walk keeps its place in its own variables across every pause.
        walking = true;
        for (int row = 1; row <= 50; ++row) {
          walked = row;
          if (row % 10 == 0) yieldThread();
        }
        walking = false;
        order.push_back(1);
      }
      if (e.code == EV_Accepted && e.field == 1) order.push_back(2);  // its own button waits for the walk
      return Pass::Default;
    });
  });
  settle();
  main.giveFocus(2);
  settle();
  // While the walk pauses, the user types into the main window and presses the export's button.
  post(EV_User + 1, export_.thread());
  QTimer::singleShot(0, [&] {
    if (walking) {
      QTest::keyClicks(main.widget(2), "abc");
      typedDuringWalk = static_cast<QLineEdit*>(main.widget(2))->text().size();
      QTest::mouseClick(export_.widget(1), Qt::LeftButton);
    }
  });
  settle();
  EXPECT_EQ(walked, 50);
  EXPECT_EQ(typedDuringWalk, 3);
  EXPECT_EQ(main.text(2), "abc");
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  export_.close();
  main.close();
}
