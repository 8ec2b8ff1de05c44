#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>

using namespace rt::win;
using testing_support::settle;

namespace {

rt::String<20> g_text;
rt::DATE g_date;
std::uint8_t g_check = 0;

WindowDef formDef() {
  WindowDef d;
  d.label = "TESTFORM";
  d.caption = "Test";
  d.x = 10;
  d.y = 10;
  d.w = 200;
  d.h = 100;
  d.controls = {
      {.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 80, .w = 40, .h = 12},
      {.field = 2, .label = "?TEXT", .kind = Kind::Entry, .picture = "@S20", .x = 10, .y = 10, .w = 80,
       .bound = Bound(g_text)},
      {.field = 3, .label = "?DATE", .kind = Kind::Entry, .picture = "@D06.B", .x = 10, .y = 30, .w = 60,
       .bound = Bound(g_date)},
      {.field = 4, .label = "?CHECK", .kind = Kind::CheckBox, .text = "Merken", .x = 10, .y = 50,
       .bound = Bound(g_check)},
  };
  return d;
}

WindowDef askDef() {
  WindowDef d;
  d.label = "ASK";
  d.w = 100;
  d.h = 40;
  d.controls = {{.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 10, .w = 40, .h = 12}};
  return d;
}

WindowDef frameDef() {
  WindowDef fd;
  fd.label = "FRAME";
  fd.caption = "Rahmen";
  fd.kind = WindowKind::Frame;
  fd.w = 373;
  fd.h = 251;
  fd.toolbarHeight = 30;
  fd.controls = {
      {.field = -1, .label = "?MENU", .kind = Kind::Menu, .text = "&Datei"},
      {.field = -2, .label = "?EINS", .kind = Kind::MenuItem, .text = "&Eins"},
      {.field = -3, .label = "?ZWEI", .kind = Kind::MenuItem, .text = "Zwei"},
      {.field = 1, .label = "?KNOPF", .kind = Kind::Button, .text = "K", .x = 2, .y = 2, .w = 16, .h = 12,
       .tip = "Knopf", .key = KEY_Alt | 'D'},
      {.field = 2, .label = "?HAKEN", .kind = Kind::CheckBox, .text = "Jan", .x = 20, .y = 2, .w = 12, .h = 8,
       .bound = Bound(g_check)},
  };
  return fd;
}

struct WindowTest : ::testing::Test {
  std::vector<Event> events;
  void SetUp() override {
    g_text.clear();
    g_date = {};
    g_check = 0;
    clearKeyAliases();
  }
  void TearDown() override {
    setOpenHook(nullptr);
    setInvalidInputHandler(nullptr);
    clearKeyAliases();
    settle();
  }
  Window::Handler recorder(Pass onClose = Pass::Default) {
    return [this, onClose](Window&, const Event& e) {
      events.push_back(e);
      return e.code == EV_CloseWindow ? onClose : Pass::Default;
    };
  }
  bool saw(int code, int field = 0) const {
    for (const Event& e : events)
      if (e.code == code && e.field == field) return true;
    return false;
  }
};

}  // namespace

TEST_F(WindowTest, LeavingAChangedEntryWritesItsVariableBeforeTheAcceptedEvent) {
  Window w(formDef());
  w.open();
  std::string seenInHandler;
  w.attach([&](Window&, const Event& e) {
    events.push_back(e);
    if (e.code == EV_Accepted && e.field == 2) seenInHandler = g_text.utf8();
    return Pass::Default;
  });
  settle();
  w.giveFocus(2);
  settle();
  QTest::keyClicks(w.widget(2), "Miete");
  QTest::keyClick(w.widget(2), Qt::Key_Tab);
  settle();
  EXPECT_EQ(seenInHandler, "Miete");
  EXPECT_TRUE(saw(EV_OpenWindow));
  EXPECT_TRUE(saw(EV_Selected, 2));
  EXPECT_TRUE(saw(EV_Selected, 3));
  EXPECT_EQ(w.focusField(), 3);

  // Leaving without a change raises nothing; marking as changed raises it again.
  events.clear();
  w.giveFocus(2);
  settle();
  w.giveFocus(3);
  settle();
  EXPECT_FALSE(saw(EV_Accepted, 2));
  w.markChanged(3);
  w.giveFocus(2);
  settle();
  EXPECT_TRUE(saw(EV_Accepted, 3));
  w.close();
}

TEST_F(WindowTest, ARejectedDateKeepsTheFocusAndTheVariable) {
  g_date = rt::dateOf(rt::dayNumber(2024, 3, 5));
  Window w(formDef());
  w.open();
  w.attach(recorder());
  QString rejected;
  setInvalidInputHandler([&](Window&, int field, const QString& typed) {
    rejected = QString::number(field) + ":" + typed;
  });
  settle();
  EXPECT_EQ(w.text(3), "05.03.2024");
  w.giveFocus(3);
  settle();
  auto* e = static_cast<QLineEdit*>(w.widget(3));
  e->selectAll();
  QTest::keyClicks(e, "31.02.2024");
  QTest::keyClick(e, Qt::Key_Tab);
  settle();
  EXPECT_EQ(rejected, "3:31.02.2024");
  EXPECT_EQ(rt::dayNumber(g_date), rt::dayNumber(2024, 3, 5));
  EXPECT_FALSE(saw(EV_Accepted, 3));
  EXPECT_EQ(w.focusField(), 3);

  e->selectAll();
  QTest::keyClicks(e, "1.4.24");
  QTest::keyClick(e, Qt::Key_Tab);
  settle();
  EXPECT_EQ(rt::dayNumber(g_date), rt::dayNumber(2024, 4, 1));
  EXPECT_EQ(w.text(3), "01.04.2024");
  EXPECT_TRUE(saw(EV_Accepted, 3));
  w.close();
}

TEST_F(WindowTest, ThePassEndsDecideWhetherACloseRequestCloses) {
  Window refusing(formDef());
  refusing.open();
  refusing.attach(recorder(Pass::NoDefault));
  postField(EV_CloseWindow, 0, refusing.thread());
  settle();
  EXPECT_TRUE(refusing.isOpen());
  EXPECT_TRUE(saw(EV_CloseWindow));

  // A close box click arrives as a close request too.
  refusing.topWidget()->close();
  settle();
  EXPECT_TRUE(refusing.isOpen());
  refusing.close();

  Window closing(formDef());
  closing.open();
  closing.attach(recorder(Pass::Default));
  closing.topWidget()->close();
  settle();
  EXPECT_FALSE(closing.isOpen());

  Window leaving(formDef());
  leaving.open();
  leaving.attach([](Window&, const Event& e) { return e.code == EV_Accepted ? Pass::Leave : Pass::Default; });
  settle();
  static_cast<QPushButton*>(leaving.widget(1))->click();
  settle();
  EXPECT_FALSE(leaving.isOpen());
}

TEST_F(WindowTest, AModalRunWaitsWhileOtherThreadsKeepWorking) {
  // Thread A asks with a modal window; while it waits, thread B receives and handles a post.
  int handledByB = 0;
  auto windowB = std::make_unique<Window>(formDef());
  const int threadB = start([&] {
    windowB->open();
    windowB->attach([&](Window&, const Event& e) {
      if (e.code == EV_User + 1) ++handledByB;
      return Pass::Default;
    });
  });

  std::vector<std::string> order;
  auto windowA = std::make_unique<Window>(formDef());
  const int threadA = start([&] {
    windowA->open();
    windowA->attach([&](Window& self, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) {
        order.push_back("ask");
        Window ask(askDef());
        ask.open();
        ask.setDeferUserEvents(true);
        EXPECT_FALSE(self.takesInput());
        ask.run([&](Window&, const Event& ev) {
          if (ev.code == EV_Accepted) return Pass::Leave;
          return Pass::Default;
        });
        ask.close();
        order.push_back("answered");
      }
      if (e.code == EV_User + 2) order.push_back("user event");
      return Pass::Default;
    });
  });
  ASSERT_NE(threadA, threadB);

  setOpenHook([&](Window& w) {
    if (w.label() != "ASK") return;
    // While A waits: B works, and A's own user event waits until the question is answered.
    post(EV_User + 1, threadB);
    post(EV_User + 2, threadA);
  });
  settle();
  QTest::mouseClick(windowA->widget(1), Qt::LeftButton);
  settle();
  Window* ask = findWindow("ASK");
  ASSERT_TRUE(ask);
  EXPECT_EQ(handledByB, 1);
  EXPECT_EQ(order, std::vector<std::string>{"ask"});
  QTest::keyClick(ask->widget(1), Qt::Key_Return);
  settle();
  EXPECT_EQ(order, (std::vector<std::string>{"ask", "answered", "user event"}));
  EXPECT_TRUE(windowA->takesInput());
  windowA->close();
  windowB->close();
  EXPECT_FALSE(threadExists(threadA));
  EXPECT_FALSE(threadExists(threadB));
}

TEST_F(WindowTest, APostToThreadZeroReachesThePostingThread) {
  std::vector<int> got1, got2;
  Window w1(formDef()), w2(formDef());
  const int t1 = start([&] {
    w1.open();
    w1.attach([&](Window&, const Event& e) {
      if (e.code == EV_OpenWindow) post(EV_User + 7, 0);
      if (e.code >= EV_User) got1.push_back(e.code);
      return Pass::Default;
    });
  });
  start([&] {
    w2.open();
    w2.attach([&](Window&, const Event& e) {
      if (e.code >= EV_User) got2.push_back(e.code);
      return Pass::Default;
    });
  });
  settle();
  EXPECT_EQ(got1, std::vector<int>{EV_User + 7});
  EXPECT_TRUE(got2.empty());
  EXPECT_EQ(currentThread(), 1);
  (void)t1;
  w1.close();
  w2.close();
}

TEST_F(WindowTest, KeyAliasesAndAlertKeys) {
  Window w(formDef());
  w.open();
  w.attach(recorder());
  settle();
  w.giveFocus(2);
  settle();
  // Without an alias Enter stays in the entry; with Enter → Tab it moves on; Up → Shift+Tab goes back.
  QTest::keyClick(w.widget(2), Qt::Key_Return);
  settle();
  EXPECT_EQ(w.focusField(), 2);
  setKeyAlias(VK_Enter, VK_Tab);
  setKeyAlias(VK_Up, VK_ShiftTab);
  QTest::keyClick(w.widget(2), Qt::Key_Return);
  settle();
  EXPECT_EQ(w.focusField(), 3);
  QTest::keyClick(w.widget(3), Qt::Key_Up);
  settle();
  EXPECT_EQ(w.focusField(), 2);

  w.addAlertKey(VK_F2);
  QTest::keyClick(w.widget(2), Qt::Key_F2);
  settle();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().code, EV_AlertKey);
  EXPECT_EQ(events.back().key, VK_F2);
  w.close();
}

TEST_F(WindowTest, PlacesAndSizesReadBackInDialogUnits) {
  Window w(formDef());
  w.open();
  w.attach(recorder());
  for (QRect r : {QRect(10, 12, 200, 100), QRect(295, 6, 176, 156), QRect(3, 169, 472, 66)}) {
    w.setPosition(r);
    EXPECT_EQ(w.position(), r);
  }
  // A place above or beside the screen's work area keeps the title bar within the user's reach;
  // the size stays.
  const QRect area = w.topWidget()->screen()->availableGeometry();
  for (QRect r : {QRect(-50, -50, 200, 100), QRect(5000, 4000, 176, 156)}) {
    SCOPED_TRACE(r.x());
    w.setPosition(r);
    const QRect frame = w.topWidget()->frameGeometry(), inner = w.topWidget()->geometry();
    EXPECT_GE(frame.top(), area.top());
    EXPECT_GE(frame.left(), area.left());
    EXPECT_LE(inner.top(), area.bottom() - 50);
    EXPECT_LE(inner.left(), area.right() - 50);
    EXPECT_EQ(w.position().size(), r.size());
  }
  w.setControlPosition(2, 12, 14, 61, 11);
  EXPECT_EQ(w.controlPosition(2), QRect(12, 14, 61, 11));
  settle();
  EXPECT_TRUE(saw(EV_Sized));
  w.close();
}

TEST_F(WindowTest, AFrameHasMenusAToolbarAndMdiWindowsOnOtherThreads) {
  const WindowDef fd = frameDef();
  Window frame(fd);
  frame.open();
  frame.attach(recorder());
  settle();
  ASSERT_TRUE(frame.action(-2));
  frame.action(-2)->trigger();
  static_cast<QPushButton*>(frame.widget(1))->click();
  settle();
  EXPECT_TRUE(saw(EV_Accepted, -2));
  EXPECT_TRUE(saw(EV_Accepted, 1));
  frame.hide(-3, -2);
  EXPECT_TRUE(frame.isHidden(-2));
  EXPECT_TRUE(frame.isHidden(-3));
  frame.show(-2);
  EXPECT_FALSE(frame.isHidden(-2));
  frame.setText(-2, "&Anders");
  EXPECT_EQ(frame.text(-2), "&Anders");
  EXPECT_EQ(frame.controlPosition(2), QRect(20, 2, 12, 8));

  // An MDI child on another thread opens inside the frame; places, sizes and the maximized state
  // read back in dialog units, also negative ones and for the frame.
  Window child(formDef());
  std::vector<int> childEvents;
  start([&] {
    child.open();
    child.attach([&](Window&, const Event& e) {
      childEvents.push_back(e.code);
      return e.code == EV_CloseWindow ? Pass::NoDefault : Pass::Default;
    });
  });
  Window mdiChild([] {
    WindowDef d = formDef();
    d.kind = WindowKind::MdiChild;
    return d;
  }());
  start([&] {
    mdiChild.open();
    mdiChild.attach([&](Window&, const Event& e) {
      childEvents.push_back(e.code);
      return e.code == EV_CloseWindow ? Pass::NoDefault : Pass::Default;
    });
  });
  settle();
  EXPECT_TRUE(frame.topWidget()->isAncestorOf(mdiChild.topWidget()));
  for (QRect r : {QRect(295, -6, 176, 156), QRect(-1, 169, 472, 66), QRect(-1, -6, 288, 156)}) {
    mdiChild.setPosition(r);
    EXPECT_EQ(mdiChild.position(), r);
  }
  frame.setPosition(5, 12, 480, 300);
  EXPECT_EQ(frame.position(), QRect(5, 12, 480, 300));
  frame.setMaximized(true);
  EXPECT_TRUE(frame.isMaximized());
  frame.setMaximized(false);
  EXPECT_FALSE(frame.isMaximized());
  EXPECT_EQ(frame.position(), QRect(5, 12, 480, 300));
  mdiChild.setMaximized(true);
  EXPECT_TRUE(mdiChild.isMaximized());
  mdiChild.setPosition(10, 10, 100, 50);
  EXPECT_FALSE(mdiChild.isMaximized());

  // A modal window of the frame's thread stops its menu and toolbar, not its MDI windows.
  Window ask(askDef());
  ask.open();
  EXPECT_FALSE(frame.takesInput());
  EXPECT_FALSE(frame.widget(1)->isEnabled());
  EXPECT_TRUE(mdiChild.takesInput());
  EXPECT_TRUE(mdiChild.widget(2)->isEnabled());
  ask.close();
  EXPECT_TRUE(frame.takesInput());

  // Closing the frame hands its MDI windows the close-down request; they close with it.
  frame.close();
  settle();
  EXPECT_FALSE(mdiChild.isOpen());
  EXPECT_NE(std::find(childEvents.begin(), childEvents.end(), EV_CloseDown), childEvents.end());
  child.close();
}

TEST_F(WindowTest, EnterInAnEntryPressesTheDefaultButtonAfterTheEntryTookItsText) {
  WindowDef d = formDef();
  d.controls.push_back({.field = 5, .label = "?SPEICHERN", .kind = Kind::Button, .text = "Speichern", .x = 60,
                        .y = 80, .w = 50, .h = 12, .attrs = A_Default});
  Window w(d);
  w.open();
  std::string textAtPress;
  w.attach([&](Window& win, const Event& e) {
    events.push_back(e);
    if (e.code == EV_Accepted && e.field == 5) textAtPress = g_text.clip().toStdString();
    (void)win;
    return Pass::Default;
  });
  settle();
  testing_support::clickOn(w.widget(2));
  QTest::keyClicks(w.widget(2), "Miete");
  QTest::keyClick(w.widget(2), Qt::Key_Return);
  settle();
  // The entry's accepted event comes first, with its variable set; then the default button's.
  ASSERT_TRUE(saw(EV_Accepted, 5));
  EXPECT_EQ(textAtPress, "Miete");
  auto at = [&](int field) {
    return std::find_if(events.begin(), events.end(), [&](const Event& e) { return e.code == EV_Accepted && e.field == field; });
  };
  EXPECT_LT(at(2), at(5));
  EXPECT_FALSE(saw(EV_Accepted, 1));
  EXPECT_EQ(w.focusField(), 2);

  // A date the entry rejects keeps the focus there, and the button stays up.
  setInvalidInputHandler([](Window&, int, const QString&) {});
  events.clear();
  testing_support::clickOn(w.widget(3));
  QTest::keyClicks(w.widget(3), "31.02.");
  QTest::keyClick(w.widget(3), Qt::Key_Return);
  settle();
  EXPECT_FALSE(saw(EV_Accepted, 5));
  EXPECT_EQ(w.focusField(), 3);
  QTest::keyClick(w.widget(3), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(w.widget(3), "01.03.2024");

  // Enter as the key alias of Tab moves on and presses nothing.
  setKeyAlias(VK_Enter, VK_Tab);
  events.clear();
  QTest::keyClick(w.widget(3), Qt::Key_Return);
  settle();
  EXPECT_EQ(w.focusField(), 4);
  EXPECT_TRUE(saw(EV_Accepted, 3));
  EXPECT_FALSE(saw(EV_Accepted, 5));
  clearKeyAliases();

  // A disabled default button is not pressed.
  w.disable(5);
  events.clear();
  testing_support::clickOn(w.widget(2));
  QTest::keyClick(w.widget(2), Qt::Key_Return);
  settle();
  EXPECT_FALSE(saw(EV_Accepted, 5));
  w.close();
}

TEST_F(WindowTest, MouseButtonsAsAlertKeys) {
  WindowDef d = formDef();
  d.controls.push_back({.field = 6, .label = "?HINWEIS", .kind = Kind::Prompt, .text = "Hinweis", .x = 100, .y = 10});
  Window w(d);
  w.open();
  w.attach(recorder());
  settle();
  // Without the alert keys a click presses the button.
  QTest::mouseClick(w.widget(1), Qt::LeftButton);
  settle();
  EXPECT_TRUE(saw(EV_Accepted, 1));
  w.addAlertKey(kKeyMouseLeft);
  w.addAlertKey(kKeyMouseRight);
  const struct {
    QWidget* target;
    Qt::MouseButton button;
    int key;
  } cases[] = {
      {w.widget(6), Qt::LeftButton, kKeyMouseLeft},
      {w.widget(1), Qt::LeftButton, kKeyMouseLeft},  // on a button too: it is not pressed
      {w.widget(2), Qt::RightButton, kKeyMouseRight},
      {w.topWidget(), Qt::RightButton, kKeyMouseRight},
  };
  for (const auto& c : cases) {
    events.clear();
    // Through the screen window, as a user's click comes.
    QWindow* screen = c.target->window()->windowHandle();
    QTest::mouseClick(screen, c.button, {}, screen->mapFromGlobal(c.target->mapToGlobal(c.target->rect().center())));
    settle();
    ASSERT_EQ(events.size(), 1u) << c.target->objectName().toStdString();
    EXPECT_EQ(events[0].code, EV_AlertKey);
    EXPECT_EQ(events[0].key, c.key);
    EXPECT_NE(w.focusField(), 2);  // the entry under the pointer took no focus
  }
  // The middle button is no alert key.
  events.clear();
  QTest::mouseClick(w.widget(6), Qt::MiddleButton);
  settle();
  EXPECT_TRUE(events.empty());
  w.close();
}

TEST_F(WindowTest, APlainWindowOfTheFrameStandsInTheFramesClientCoordinatesAboveIt) {
  Window frame(frameDef());
  frame.open();
  frame.setPosition(40, 30, 480, 280);
  frame.attach(recorder());
  WindowDef form = formDef();
  form.kind = WindowKind::MdiChild;
  form.x = -1;
  form.y = -6;
  Window child(form);
  child.open();
  child.attach(recorder());
  settle();
  // A notice over the form, at the form's X + 100, Y + 26, as a form places its notice.
  const QRect f = child.position();
  Window notice(askDef());
  notice.open();
  notice.setPosition(f.x() + 100, f.y() + 26, 100, 40);
  notice.attach(recorder());
  settle();
  EXPECT_EQ(notice.position().topLeft(), QPoint(f.x() + 100, f.y() + 26));
  const QPoint formOnScreen = child.topWidget()->mapToGlobal(QPoint(0, 0));
  const QPoint offset(static_cast<int>(std::lround(100 * child.dialogUnit().width())),
                      static_cast<int>(std::lround(26 * child.dialogUnit().height())));
  EXPECT_LE((notice.topWidget()->geometry().topLeft() - (formOnScreen + offset)).manhattanLength(), 2);
  // It is owned by the frame, so it stays above it.
  EXPECT_EQ(notice.topWidget()->window()->parentWidget(), frame.topWidget());
  notice.close();

  // Its place in the table is in the same coordinates.
  WindowDef placed = askDef();
  placed.x = 50;
  placed.y = 20;
  Window at(placed);
  at.open();
  EXPECT_EQ(at.position().topLeft(), QPoint(50, 20));
  at.close();
  child.close();
  frame.close();
  settle();
}

TEST_F(WindowTest, AWindowKeptOnTopStaysShown) {
  Window w(askDef());
  w.open();
  w.attach(recorder());
  w.keepOnTop();
  settle();
  EXPECT_TRUE(w.topWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w.topWidget()->isVisible());  // a changed flag alone would hide it
  w.close();
}
