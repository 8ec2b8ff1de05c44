// Control kinds and window behaviour as a user meets them: dialog units of the window's font, tab
// sheets, regions, progress bars, page views, option groups, removal; entries that keep leading
// blanks, a rejected entry told once, Esc and the frame, the MDI area's scroll bars.

#include "runtime/window/Keys.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Resources.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace rt::win;
using testing_support::settle;

namespace {

rt::String<20> g_name;
rt::DATE g_date;
std::int32_t g_progress = 0;
std::uint8_t g_choice = 2;

void typeText(QWidget* w, const QString& text) {
  for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

WindowDef entryDef() {
  WindowDef d;
  d.label = "ENTRY";
  d.caption = "Eingabe";
  d.w = 200;
  d.h = 80;
  d.controls = {
      {.field = 1, .label = "?NAME", .kind = Kind::Entry, .picture = "@S20", .x = 10, .y = 10, .w = 80,
       .bound = Bound(g_name)},
      {.field = 2, .label = "?DATUM", .kind = Kind::Entry, .picture = "@D06.B", .x = 10, .y = 30, .w = 60,
       .bound = Bound(g_date)},
      {.field = 3, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 55, .w = 40, .h = 14},
  };
  return d;
}

WindowDef messageDef() {
  WindowDef d;
  d.label = "MSG";
  d.w = 100;
  d.h = 40;
  d.controls = {{.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 10, .w = 40, .h = 14}};
  return d;
}

WindowDef frameDef(int w, int h, int toolbarHeight, std::vector<ControlDef> controls) {
  WindowDef d;
  d.label = "FRAME";
  d.caption = "Rahmen";
  d.kind = WindowKind::Frame;
  d.w = w;
  d.h = h;
  d.toolbarHeight = toolbarHeight;
  d.controls = std::move(controls);
  return d;
}

struct ControlsTest : ::testing::Test {
  void SetUp() override {
    g_name.clear();
    g_date = {};
    g_progress = 0;
    g_choice = 2;
  }
  void TearDown() override {
    setInvalidInputHandler(nullptr);
    clearKeyAliases();
    settle();
  }
  static Pass plain(Window&, const Event&) { return Pass::Default; }
  std::vector<Event> events;
  void record(Window& w) {
    w.attach([this](Window&, const Event& e) {
      events.push_back(e);
      return Pass::Default;
    });
  }
  bool saw(int code, int field) const {
    return std::any_of(events.begin(), events.end(), [&](const Event& e) { return e.code == code && e.field == field; });
  }
};

}  // namespace

TEST_F(ControlsTest, DialogUnitsComeFromTheWindowsOwnFont) {
  WindowDef small = entryDef(), large = entryDef();
  large.fontSize = 10;
  large.controls.push_back({.field = 4, .label = "?MARK", .kind = Kind::Button, .text = "Alle &Konten markieren",
                            .x = 100, .y = 10, .w = 60, .h = 25});
  large.controls.push_back({.field = 5, .label = "?LIST", .kind = Kind::List, .text = "50L~Konto-Name~", .x = 10,
                            .y = 40, .w = 80, .h = 30});
  small.controls.push_back(large.controls[4]);
  Window a(small), b(large);
  a.open();
  b.open();
  EXPECT_GT(b.dialogUnit().width(), a.dialogUnit().width());
  EXPECT_GT(b.dialogUnit().height(), a.dialogUnit().height());
  EXPECT_EQ(a.dialogUnit().width(), dluX());
  // The button's text fits the 60 by 25 units of its 10-point window, on two lines as the platform
  // wraps it; the program still reads its own text.
  auto* button = static_cast<QPushButton*>(b.widget(4));
  const QFontMetrics fm = button->fontMetrics();
  const QStringList lines = button->text().split('\n');
  EXPECT_EQ(lines.size(), 2);
  for (const QString& line : lines) EXPECT_LE(fm.horizontalAdvance(QString(line).remove('&')) + 6, button->width()) << line.toStdString();
  EXPECT_GE(button->height(), 2 * fm.height() + 4);
  EXPECT_EQ(b.text(4), "Alle &Konten markieren");
  EXPECT_EQ(b.controlPosition(4), QRect(100, 10, 60, 25));
  // The list measures its columns in the same units.
  EXPECT_GT(b.list(5)->columnWidth(0), a.list(5)->columnWidth(0));
  EXPECT_EQ(b.list(5)->columnWidth(0), static_cast<int>(std::lround(50 * b.dialogUnit().width())));
  a.close();
  b.close();
}

TEST_F(ControlsTest, AnEntryKeepsLeadingBlanksOfAText) {
  Window w(entryDef());
  w.open();
  w.attach(plain);
  settle();
  w.giveFocus(1);
  settle();
  QTest::keyClick(w.widget(1), Qt::Key_Space);
  typeText(w.widget(1), "müller");
  QTest::keyClick(w.widget(1), Qt::Key_Tab);
  settle();
  EXPECT_EQ(g_name.clip(), QString(" müller"));
  w.showVariables();
  EXPECT_EQ(w.text(1), " müller");
  // Taking the line again (as a confirm key does) keeps it as shown.
  w.giveFocus(1);
  settle();
  ASSERT_TRUE(w.takeEdit(1));
  EXPECT_EQ(g_name.clip(), QString(" müller"));
  w.close();
}

TEST_F(ControlsTest, ARejectedEntryIsToldOnceAndEnterOnTheMessageDoesNotReachIt) {
  Window w(entryDef());
  w.open();
  w.attach(plain);
  int told = 0;
  // The program's message: a modal window on the entry's thread, without the key aliases meanwhile.
  setInvalidInputHandler([&](Window&, int, const QString&) {
    ++told;
    clearKeyAliases();
    Window m(messageDef());
    m.open();
    m.giveFocus(1);
    m.run([](Window&, const Event& e) { return e.code == EV_Accepted ? Pass::Leave : Pass::Default; });
    m.close();
    setKeyAlias(VK_Enter, VK_Tab);
  });
  setKeyAlias(VK_Enter, VK_Tab);
  settle();
  w.giveFocus(2);
  settle();
  typeText(w.widget(2), "31.02.2026");
  QTest::keyClick(w.widget(2), Qt::Key_Return);  // Enter moves on, as Tab
  settle();
  ASSERT_EQ(told, 1);
  Window* m = findWindow("MSG");
  ASSERT_TRUE(m);
  // Enter answers the message; held down, it repeats into the entry below, which must not take it.
  QTest::keyPress(m->widget(1), Qt::Key_Return);
  settle();
  EXPECT_FALSE(findWindow("MSG"));
  EXPECT_EQ(w.focusField(), 2);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
  QApplication::sendEvent(w.widget(2), &repeat);
  QTest::keyRelease(w.widget(2), Qt::Key_Return);
  settle();
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(findWindow("MSG"));
  EXPECT_EQ(w.focusField(), 2);
  EXPECT_EQ(w.text(2), "31.02.2026");

  // Leaving it again is a new attempt, told again; a valid date then goes through.
  QTest::keyClick(w.widget(2), Qt::Key_Tab);
  settle();
  EXPECT_EQ(told, 2);
  ASSERT_TRUE(findWindow("MSG"));
  QTest::keyClick(findWindow("MSG")->widget(1), Qt::Key_Return);
  settle();
  EXPECT_EQ(told, 2);
  static_cast<QLineEdit*>(w.widget(2))->selectAll();
  QTest::keyClicks(w.widget(2), "1.3.26");
  QTest::keyClick(w.widget(2), Qt::Key_Tab);
  settle();
  EXPECT_EQ(told, 2);
  EXPECT_EQ(rt::dayNumber(g_date), rt::dayNumber(2026, 3, 1));
  w.close();
}

TEST_F(ControlsTest, EscClosesDialogsAndMdiWindowsButNotTheFrame) {
  Window frame(frameDef(200, 120, 20, {{.field = 1, .label = "?KNOPF", .kind = Kind::Button, .text = "K", .x = 2,
                                         .y = 2, .w = 16, .h = 12}}));
  frame.open();
  std::vector<int> frameEvents, childEvents;
  frame.attach([&](Window&, const Event& e) {
    frameEvents.push_back(e.code);
    return Pass::Default;
  });
  WindowDef cd = entryDef();
  cd.kind = WindowKind::MdiChild;
  cd.x = 260;  // beyond the frame's area
  cd.y = 150;
  Window child(cd);
  start([&] {
    child.open();
    child.attach([&](Window&, const Event& e) {
      childEvents.push_back(e.code);
      return e.code == EV_CloseWindow ? Pass::NoDefault : Pass::Default;
    });
  });
  settle();
  frame.widget(1)->setFocus();
  QTest::keyClick(frame.widget(1), Qt::Key_Escape);
  settle();
  EXPECT_TRUE(frame.isOpen());
  EXPECT_EQ(std::count(frameEvents.begin(), frameEvents.end(), EV_CloseWindow), 0);

  child.giveFocus(1);
  settle();
  QTest::keyClick(child.widget(1), Qt::Key_Escape);
  settle();
  EXPECT_EQ(std::count(childEvents.begin(), childEvents.end(), EV_CloseWindow), 1);

  // The work window lies beyond the frame's area: the area scrolls to it.
  auto* mdi = frame.topWidget()->findChild<QMdiArea*>("mdiarea");
  ASSERT_TRUE(mdi);
  settle();
  EXPECT_GT(mdi->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(mdi->verticalScrollBar()->maximum(), 0);
  frame.close();
  settle();
}

TEST_F(ControlsTest, ATabSheetShowsThePageOfItsCurrentTab) {
  WindowDef d;
  d.label = "SHEET";
  d.caption = "Drucken";
  d.w = 280;
  d.h = 200;
  d.fontSize = 10;
  d.controls = {
      {.field = 1, .label = "?SEITE", .kind = Kind::Sheet, .x = 10, .y = 20, .w = 260, .h = 170},
      {.field = 2, .label = "?GEWINN", .kind = Kind::Tab, .text = "&Gewinn / Verlust", .tip = "Gewinn",
       .fill = QColor(208, 224, 208)},
      {.field = 3, .label = "?A", .kind = Kind::CheckBox, .text = "Ausgaben aufschlüsseln", .x = 20, .y = 90},
      {.field = 4, .label = "?KONTEN", .kind = Kind::Tab, .text = "Nach Konten &aufschlüsseln",
       .fill = QColor(208, 208, 216)},
      {.field = 5, .label = "?B", .kind = Kind::CheckBox, .text = "Extra Seite", .x = 20, .y = 90},
      {.field = 6, .label = "?UST", .kind = Kind::Tab, .text = "&USt Voranmeldung", .fill = QColor(216, 216, 192)},
      {.field = 7, .label = "?C", .kind = Kind::Entry, .picture = "@D06.B", .x = 40, .y = 48},
      {.kind = Kind::End},
      {.field = 8, .label = "?NURSUMMEN", .kind = Kind::CheckBox, .text = "Nur Summen", .x = 20, .y = 100},
  };
  Window w(d);
  w.open();
  record(w);
  settle();
  auto* sheet = static_cast<QTabWidget*>(w.widget(1));
  EXPECT_EQ(w.currentTab(1), 2);
  EXPECT_TRUE(w.widget(3)->isVisible());
  EXPECT_FALSE(w.widget(5)->isVisible());
  EXPECT_TRUE(w.widget(8)->isVisible());
  EXPECT_FALSE(w.isHidden(5));  // not hidden by the program, only by its tab
  // Positions stay in the window's units, also on a page.
  EXPECT_EQ(w.controlPosition(7), QRect(40, 48, w.controlPosition(7).width(), w.controlPosition(7).height()));

  // The user clicks the second tab.
  QTabBar* bar = sheet->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  settle();
  EXPECT_EQ(w.currentTab(1), 4);
  EXPECT_FALSE(w.widget(3)->isVisible());
  EXPECT_TRUE(w.widget(5)->isVisible());
  EXPECT_TRUE(saw(EV_NewSelection, 1));

  // Retitled, recoloured, hidden controls stay hidden on their tab; a removed tab takes its page along.
  w.setText(2, "Ausgaben auflisten");
  EXPECT_EQ(w.text(2), "Ausgaben auflisten");
  EXPECT_EQ(bar->tabText(0), "Ausgaben auflisten");
  w.setFill(2, QColor(232, 208, 208));
  EXPECT_EQ(w.fill(2), QColor(232, 208, 208));
  w.hide(5);
  w.selectTab(1, 2);
  w.selectTab(1, 4);
  EXPECT_FALSE(w.widget(5)->isVisible());
  w.show(5);
  EXPECT_TRUE(w.widget(5)->isVisible());
  w.remove(6);
  EXPECT_EQ(sheet->count(), 2);
  EXPECT_FALSE(w.has(6));
  EXPECT_FALSE(w.has(7));
  w.setText(7, "x");  // nothing happens
  w.hide(7);
  EXPECT_EQ(w.text(7), "");
  EXPECT_TRUE(w.has(8));

  const QImage shot = w.topWidget()->grab().toImage();
  shot.save(QString(::testing::TempDir().c_str()) + "sheet.png");
  w.close();
}

TEST_F(ControlsTest, RegionsProgressPagesOptionsAndSingleCoordinates) {
  int painted = 0;
  QRect paintedPage;
  WindowDef d;
  d.label = "KINDS";
  d.caption = "Arten";
  d.w = 300;
  d.h = 200;
  d.controls = {
      {.field = 1, .label = "?REGION", .kind = Kind::Region, .x = 10, .y = 10, .w = 100, .h = 8,
       .tip = "Sortieren", .cursor = Qt::UpArrowCursor},
      {.field = 2, .label = "?FORTSCHRITT", .kind = Kind::Progress, .x = 10, .y = 30, .w = 100, .h = 8,
       .bound = Bound(g_progress), .low = 0, .high = 50},
      {.field = 3, .label = "?SEITE", .kind = Kind::PageView, .x = 150, .y = 10, .w = 105, .h = 100, .attrs = A_VScroll},
      {.field = 4, .label = "?WAHL", .kind = Kind::OptionGroup, .text = "Ausgabe", .x = 10, .y = 50, .w = 100, .h = 50,
       .bound = Bound(g_choice)},
      {.field = 5, .label = "?EINS", .kind = Kind::Option, .text = "Drucker", .x = 15, .y = 62, .value = 1},
      {.field = 6, .label = "?ZWEI", .kind = Kind::Option, .text = "Datei", .x = 15, .y = 75, .value = 2},
      {.field = 7, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 150, .w = 40, .h = 14},
  };
  Window w(d);
  w.open();
  record(w);
  settle();
  // A click on the region is its accepted event; it shows its tip and pointer.
  QTest::mouseClick(w.widget(1), Qt::LeftButton);
  settle();
  EXPECT_TRUE(saw(EV_Accepted, 1));
  EXPECT_EQ(w.widget(1)->toolTip(), "Sortieren");
  EXPECT_EQ(w.widget(1)->cursor().shape(), Qt::UpArrowCursor);

  g_progress = 25;
  w.showVariables(2);
  EXPECT_EQ(static_cast<QProgressBar*>(w.widget(2))->value(), 25);

  // The page view paints through the program's painter, as wide as the view and scrollable.
  w.setPagePainter(3, [&](QPainter& p, const QRect& page) {
    ++painted;
    paintedPage = page;
    p.fillRect(page.adjusted(10, 10, -10, -10), Qt::blue);
  });
  w.showVariables(3);
  const QImage page = w.widget(3)->grab().toImage();
  EXPECT_GT(painted, 0);
  EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() / 2), QColor(Qt::blue));
  auto* view = static_cast<QScrollArea*>(w.widget(3));
  EXPECT_GT(paintedPage.height(), view->viewport()->height());
  EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
  w.setVerticalScrollBar(3, false);
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);

  // The option group has its heading; selecting it reaches its chosen option.
  EXPECT_EQ(w.text(4), "Ausgabe");
  EXPECT_TRUE(static_cast<QRadioButton*>(w.widget(6))->isChecked());
  w.giveFocus(4);
  settle();
  EXPECT_EQ(w.focusField(), 4);
  EXPECT_EQ(QApplication::focusWidget(), w.widget(6));

  // One coordinate at a time.
  w.setControlX(7, 60);
  w.setControlWidth(7, 50);
  w.setControlY(7, 160);
  w.setControlHeight(7, 20);
  EXPECT_EQ(w.controlPosition(7), QRect(60, 160, 50, 20));

  // Removed controls are gone for good.
  w.remove(5, 7);
  EXPECT_FALSE(w.has(7));
  w.setControlX(7, 10);
  w.enable(7);
  EXPECT_EQ(w.controlPosition(7), QRect());

  setWaitCursor(true);
  ASSERT_TRUE(QApplication::overrideCursor());
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  setWaitCursor(false);
  EXPECT_FALSE(QApplication::overrideCursor());
  w.close();
}

TEST_F(ControlsTest, AListDrawsColoursPerRowAndColumnAlsoWhenSelected) {
  WindowDef d;
  d.label = "MARK";
  d.w = 150;
  d.h = 120;
  d.controls = {{.field = 1, .label = "?NR", .kind = Kind::List, .text = "50L~Konto-Name~20C~Nr~", .x = 5, .y = 5,
                 .w = 81, .h = 100, .fill = QColor(224, 224, 232)}};
  Window w(d);
  w.open();
  w.attach(plain);
  ListSource s;
  s.count = [] { return 3; };
  s.cell = [](int row, int col) -> QVariant { return col == 0 ? QString("Konto %1").arg(row) : QVariant(row); };
  const auto text = [](int row, int) { return row == 2 ? QColor(128, 128, 128) : QColor(0, 0, 255); };
  const auto back = [](int, int col) { return col == 0 ? QColor(224, 224, 232) : QColor(200, 255, 200); };
  s.foreground = text;
  s.background = back;
  s.selectedForeground = text;
  s.selectedBackground = back;
  w.setListSource(1, s);
  w.selectListRow(1, 1);
  settle();
  ListBox* list = w.list(1);
  const QImage shot = list->viewport()->grab().toImage();
  for (int row = 1; row <= 2; ++row) {
    SCOPED_TRACE(row);
    const QRect name = list->visualRect(list->model()->index(row - 1, 0));
    const QRect nr = list->visualRect(list->model()->index(row - 1, 1));
    // Row 1 is selected and looks like an unselected one.
    EXPECT_EQ(shot.pixelColor(name.right() - 6, name.center().y()), QColor(224, 224, 232));
    EXPECT_EQ(shot.pixelColor(nr.left() + 3, nr.top() + 3), QColor(200, 255, 200));
  }
  EXPECT_EQ(list->model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 128));
  w.close();
}

TEST_F(ControlsTest, AControlsOwnTypeKeepsItsPlaceInTheWindowsUnits) {
  WindowDef d = entryDef();
  d.controls.push_back({.field = 10, .label = "?INFO", .kind = Kind::Display, .picture = "@S20", .x = 100, .y = 10,
                        .bound = Bound(g_name), .fontSize = 14});
  d.controls.push_back({.field = 11, .label = "?FETT", .kind = Kind::Prompt, .text = "Dokumente", .x = 100,
                        .y = 30, .attrs = A_Bold | A_Italic, .fontSize = 10});
  d.controls.push_back({.field = 12, .label = "?GROSS", .kind = Kind::Prompt, .text = "Gespeichert", .x = 100,
                        .y = 45, .w = 90, .h = 20, .attrs = A_Large});
  d.controls.push_back({.field = 13, .label = "?PLAIN", .kind = Kind::Prompt, .text = "Dokumente", .x = 100,
                        .y = 70});
  d.controls[0].fontSize = 12;  // the entry for the name
  d.controls[0].attrs = A_Bold;
  Window w(d);
  w.open();
  record(w);
  settle();
  const QFont window = w.topWidget()->font();
  EXPECT_EQ(w.widget(10)->font().pointSize(), 14);
  EXPECT_FALSE(w.widget(10)->font().bold());
  EXPECT_EQ(w.widget(11)->font().pointSize(), 10);
  EXPECT_TRUE(w.widget(11)->font().bold());
  EXPECT_TRUE(w.widget(11)->font().italic());
  EXPECT_EQ(w.widget(12)->font().pointSize(), 2 * window.pointSize());
  EXPECT_TRUE(w.widget(12)->font().bold());
  EXPECT_EQ(w.widget(13)->font(), window);
  // The places stay in the window's dialog units, which its own font decides.
  EXPECT_EQ(w.dialogUnit().width(), dluX());
  EXPECT_EQ(w.controlPosition(12), QRect(100, 45, 90, 20));
  EXPECT_EQ(w.controlPosition(1).topLeft(), QPoint(10, 10));
  EXPECT_EQ(w.controlPosition(11).topLeft(), QPoint(100, 30));
  // A text without a width shows whole in its own type.
  auto* bold = static_cast<QLabel*>(w.widget(11));
  EXPECT_GE(bold->width(), QFontMetrics(bold->font()).horizontalAdvance("Dokumente"));
  EXPECT_GT(bold->width(), w.widget(13)->width());

  // What the user types into the bold entry shows there in its type.
  testing_support::clickOn(w.widget(1));
  QTest::keyClicks(w.widget(1), "Miete");
  QTest::keyClick(w.widget(1), Qt::Key_Tab);
  settle();
  EXPECT_EQ(g_name.clip(), "Miete");
  EXPECT_TRUE(w.widget(1)->font().bold());
  EXPECT_EQ(w.widget(1)->font().pointSize(), 12);
  w.showVariables();
  EXPECT_EQ(w.text(10), "Miete");
  w.close();
}

TEST_F(ControlsTest, ABoxWithATitleAndAnImageScaledToItsControl) {
  WindowDef d = entryDef();
  d.controls.insert(d.controls.begin(), {.field = 20, .label = "?ZEITRAUM", .kind = Kind::Box, .text = "Zeitraum",
                                         .x = 5, .y = 5, .w = 100, .h = 45, .fill = QColor(232, 240, 244)});
  d.controls.push_back({.field = 21, .label = "?RAHMEN", .kind = Kind::Box, .x = 120, .y = 5, .w = 60, .h = 30});
  d.controls.push_back({.field = 22, .label = "?BILD", .kind = Kind::Image, .x = 120, .y = 40, .w = 40, .h = 30,
                        .attrs = A_Scaled, .icon = "Pfeil.ico"});
  d.controls.push_back({.field = 23, .label = "?BILD2", .kind = Kind::Image, .x = 160, .y = 40, .w = 40, .h = 30,
                        .icon = "Pfeil.ico"});
  Window w(d);
  w.open();
  record(w);
  settle();
  auto* box = qobject_cast<QGroupBox*>(w.widget(20));
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title(), "Zeitraum");
  EXPECT_EQ(w.text(20), "Zeitraum");
  w.setText(20, "Zeitraum des Exports");
  EXPECT_EQ(box->title(), "Zeitraum des Exports");
  EXPECT_EQ(w.fill(20), QColor(232, 240, 244));
  EXPECT_EQ(w.controlPosition(20), QRect(5, 5, 100, 45));
  EXPECT_FALSE(qobject_cast<QGroupBox*>(w.widget(21)));
  // The box lies behind the entries in it: a click on the name entry reaches it.
  testing_support::clickOn(w.widget(1));
  QTest::keyClicks(w.widget(1), "Bank");
  QTest::keyClick(w.widget(1), Qt::Key_Tab);
  settle();
  EXPECT_EQ(g_name.clip(), "Bank");

  // The scaled picture fills its control; the other shows at its own size.
  const QPixmap pm = resourcePixmap("Pfeil.ico");
  ASSERT_FALSE(pm.isNull());
  ASSERT_GT(w.widget(22)->width(), pm.width() + 4);
  const QColor background = w.topWidget()->palette().color(QPalette::Window);
  // The part of a control that the picture covers.
  const auto drawn = [&](QWidget* c) {
    const QImage img = c->grab().toImage();
    QRect r;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixelColor(x, y) != background) r |= QRect(x, y, 1, 1);
    return r;
  };
  const QRect scaled = drawn(w.widget(22)), plain = drawn(w.widget(23));
  EXPECT_GT(scaled.right(), pm.width() + 2);
  EXPECT_GT(scaled.bottom(), pm.height() + 2);
  EXPECT_LE(plain.right(), pm.width());
  w.close();
}

TEST_F(ControlsTest, TheFramesToolbarShowsWholeTextsTogglesWithoutTicksAndAUsableYearSpin) {
  static std::uint8_t month = 0, quarter = 0;
  static std::int32_t year = 2024;
  Window w(frameDef(373, 251, 30, {
      {.field = 1, .label = "?MONAT_1", .kind = Kind::CheckBox, .text = "Jan", .x = 2, .y = 16, .w = 12, .h = 8,
       .bound = Bound(month)},
      {.field = 2, .label = "?QUARTAL_1", .kind = Kind::CheckBox, .text = "&1. Quartal", .x = 6, .y = 6, .w = 31,
       .h = 8, .bound = Bound(quarter), .attrs = A_Button},
      {.field = 3, .label = "?GESAMTJAHR", .kind = Kind::CheckBox, .text = "Gesamt-&Jahr", .x = 160, .y = 6,
       .w = 37, .h = 8},
      {.field = 4, .label = "?EINGABEJAHR", .kind = Kind::Spin, .picture = "@n4", .x = 160, .y = 16, .w = 37, .h = 8,
       .bound = Bound(year), .low = 1900, .high = 2099},
      {.field = 5, .label = "?MYTAVIK", .kind = Kind::Button, .text = "myTavik", .x = 215, .y = 2, .w = 16, .h = 10,
       .attrs = A_Skip},
  }));
  w.open();
  record(w);
  settle();

  // A toggle shows no tick: without its text it is blank. Its text shows whole.
  auto* jan = static_cast<QCheckBox*>(w.widget(1));
  const QFontMetrics janMetrics(jan->font());
  EXPECT_LE(janMetrics.horizontalAdvance("Jan"), jan->width());
  w.setText(1, "");
  const QImage blank = jan->grab().toImage();
  const QColor background = blank.pixelColor(blank.width() / 2, blank.height() / 2);
  int marks = 0;
  for (int y = 0; y < blank.height(); ++y)
    for (int x = 0; x < blank.width(); ++x) marks += blank.pixelColor(x, y) != background;
  EXPECT_EQ(marks, 0);
  w.setText(1, "Jan");
  auto* whole = static_cast<QCheckBox*>(w.widget(3));
  EXPECT_LE(QFontMetrics(whole->font()).horizontalAdvance("Gesamt-Jahr"), whole->width());
  // A check box drawn as a button is a toggle button, without any tick.
  EXPECT_TRUE(qobject_cast<QPushButton*>(w.widget(2)));
  testing_support::clickOn(w.widget(2));
  settle();
  EXPECT_EQ(quarter, 1);

  // The year shows its four digits, and a click on the up arrow counts it on.
  auto* spin = static_cast<QSpinBox*>(w.widget(4));
  EXPECT_EQ(spin->text(), "2024");
  QStyleOptionSpinBox opt;
  opt.initFrom(spin);
  opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxEditField;
  opt.frame = true;
  const QRect up = spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, spin);
  const QRect field = spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxEditField, spin);
  const QFontMetrics digits(spin->font());
  EXPECT_GE(field.height(), digits.height());
  EXPECT_GE(field.width(), digits.horizontalAdvance("2024"));
  EXPECT_GE(up.height(), 5);
  EXPECT_GE(up.width(), 6);
  QTest::mouseClick(spin, Qt::LeftButton, {}, up.center());
  settle();
  EXPECT_EQ(year, 2025);
  EXPECT_TRUE(saw(EV_NewSelection, 4));

  // A button shows its whole text, in smaller type where its place is small.
  auto* button = static_cast<QPushButton*>(w.widget(5));
  EXPECT_EQ(w.text(5), "myTavik");
  EXPECT_EQ(button->text(), "myTavik");
  EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance("myTavik"), button->width() - 2);
  EXPECT_GE(QFontInfo(button->font()).pixelSize(), 6);
  QTest::mouseClick(button, Qt::LeftButton);
  settle();
  EXPECT_TRUE(saw(EV_Accepted, 5));
  w.close();
}
