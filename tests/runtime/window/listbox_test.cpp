#include "runtime/text/Picture.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QHeaderView>
#include <QTest>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <vector>

using namespace rt::win;
using testing_support::settle;

namespace {
const QString kStandard = "33LM|~Datum~@D06.@95LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~";
constexpr char kAmounts[] = "33LM|~Datum~@D06.@80LM|~Text~30RM|@N-12`2@~Betrag~";
const QString kPick = "50LM|~Konto-Name~20CM~Code~20CM|~Nr~@N04@|0LM~~8LM~~";
}  // namespace

TEST(ListFormatTest, ColumnsOfTheFormats) {
  const auto f = ListFormat::parse(kStandard);
  ASSERT_TRUE(f);
  ASSERT_EQ(f->columns().size(), 5u);
  struct Want {
    int width;
    Qt::Alignment align;
    bool resizable, divider;
    const char* header;
    const char* picture;
  };
  const Want want[] = {{33, Qt::AlignLeft, true, true, "Datum", "@D06."},
                       {95, Qt::AlignLeft, true, true, "Text", ""},
                       {30, Qt::AlignRight, true, true, "Betrag", "@N-12`2"},
                       {0, Qt::AlignLeft, true, false, "", ""},
                       {8, Qt::AlignLeft, true, false, "", ""}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const ListColumn& c = f->columns()[i];
    EXPECT_EQ(c.width, want[i].width);
    EXPECT_EQ(c.align, want[i].align);
    EXPECT_EQ(c.resizable, want[i].resizable);
    EXPECT_EQ(c.divider, want[i].divider);
    EXPECT_EQ(c.header, want[i].header);
    EXPECT_EQ(c.picture, want[i].picture);
  }
  EXPECT_EQ(f->text(), kStandard);

  const auto p = ListFormat::parse(kPick);
  ASSERT_TRUE(p);
  ASSERT_EQ(p->columns().size(), 5u);
  EXPECT_EQ(p->columns()[1].align, Qt::AlignHCenter);
  EXPECT_EQ(p->columns()[2].picture, "@N04");
  EXPECT_EQ(p->text(), kPick);

  // A width with one decimal, as a list gives back a dragged column.
  const auto d = ListFormat::parse("36.7LM|~Datum~@D06.@95.3LM|~Text~");
  ASSERT_TRUE(d);
  EXPECT_DOUBLE_EQ(d->columns()[0].width, 36.7);
  EXPECT_DOUBLE_EQ(d->columns()[1].width, 95.3);
  EXPECT_EQ(d->text(), "36.7LM|~Datum~@D06.@95.3LM|~Text~");

  for (const char* bad : {"", "   ", "LM|~x~", "33LM|~Datum", "33LM@D06.", "33Q", "33.LM"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ListFormat::parse(bad));
  }
}

TEST(ListBoxTest, ShowsAQueueThroughItsFormatAndReportsResizedWidths) {
  QWidget parent;
  ListBox list(&parent, dluX());
  list.resize(600, 300);
  const int rows = 100000;
  list.setSource({[] { return rows; },
                  [](int row, int col) -> QVariant {
                    switch (col) {
                      case 0: return 46000 + row;  // a day number
                      case 1: return QString("Zeile %1").arg(row);
                      case 2: return -1234.5 * row;
                      default: return row;
                    }
                  },
                  {},
                  {}});
  ASSERT_TRUE(list.setFormat(kStandard));
  EXPECT_EQ(list.model()->rowCount(), rows);
  EXPECT_TRUE(list.header()->isSectionHidden(3));
  EXPECT_EQ(list.model()->index(0, 0).data().toString(), rt::formatDate(46001));
  EXPECT_EQ(list.model()->index(1, 2).data().toString(), "-2.469,00");
  EXPECT_EQ(list.model()->index(rows - 1, 1).data().toString(), "Zeile 100000");

  bool resized = false;
  list.onColumnResized = [&] { resized = true; };
  list.header()->resizeSection(1, static_cast<int>(120 * dluX()));
  EXPECT_TRUE(resized);
  // The format gives back every column as the list shows it (the date and the amount as wide as
  // their values need), the rest of the text as it was; applied again, it shows them the same.
  const QString after = list.format();
  const auto parsed = ListFormat::parse(after);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->columns()[1].width, 120);
  EXPECT_EQ(QString(after).remove(QRegularExpression("[0-9.]+(?=[LRC])")),
            QString(kStandard).remove(QRegularExpression("[0-9.]+(?=[LRC])")));
  EXPECT_LE(after.size(), 80);
  std::vector<int> widths;
  for (int i = 0; i < 5; ++i) widths.push_back(list.header()->sectionSize(i));
  ASSERT_TRUE(list.setFormat(kStandard));
  ASSERT_TRUE(list.setFormat(after));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.header()->sectionSize(i), widths[i]) << i;
  EXPECT_EQ(list.format(), after);

  // A blank format keeps the columns; the standard one puts them back.
  EXPECT_FALSE(list.setFormat("  "));
  EXPECT_EQ(list.format(), after);
  ASSERT_TRUE(list.setFormat(kStandard));
  EXPECT_EQ(list.format(), kStandard);

  list.selectRow(5);
  EXPECT_EQ(list.selectedRow(), 5);
}

TEST(ListBoxTest, NumbersShowWholeAndTheListShowsWholeRows) {
  const std::vector<double> amounts = {11900.0, -1234567.89, 59.5, 9999999.99, 400.0, 1.0, 2.0, 3.0, 4.0, 5.0};
  for (int fontSize : {8, 10}) {
    WindowDef d;
    d.label = "LISTE";
    d.caption = "Liste";
    d.w = 200;
    d.h = 120;
    d.controls = {{.field = 1, .label = "?LISTE", .kind = Kind::List, .text = kAmounts,
                   .x = 3, .y = 3, .w = 150, .h = 36, .fontSize = fontSize}};
    Window w(d);
    w.open();
    w.attach([](Window&, const Event&) { return Pass::Default; });
    w.setListSource(1, {[&] { return static_cast<int>(amounts.size()); },
                        [&](int row, int col) -> QVariant {
                          if (col == 1) return QString("Miete");
                          return col == 0 ? QVariant(rt::dayNumber(2026, 12, 28)) : QVariant(amounts[row - 1]);
                        }});
    settle();
    ListBox* list = w.list(1);
    // Every amount and date shows whole in its column, in the list's font.
    const QFontMetrics fm(list->font());
    for (int row = 0; row < static_cast<int>(amounts.size()); ++row) {
      for (int col : {0, 2}) {
        const QModelIndex i = list->model()->index(row, col);
        const QString shown = i.data().toString();
        EXPECT_GE(list->columnWidth(col), fm.horizontalAdvance(shown) + 4) << shown.toStdString() << " " << fontSize;
      }
    }
    EXPECT_EQ(list->model()->index(3, 2).data().toString(), "9.999.999,99");
    // The format keeps its own widths; the room the amounts need comes from the text column, so
    // that the columns together are no wider than the format made them.
    EXPECT_EQ(w.listFormat(1), kAmounts);
    const double unit = w.dialogUnit().width();
    const int textWidth = static_cast<int>(std::lround(80 * unit));
    EXPECT_TRUE(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2) <= std::lround(143 * unit) + 1 ||
                list->columnWidth(1) == textWidth - textWidth / 2);
    EXPECT_GE(list->columnWidth(1), textWidth - textWidth / 2);

    // Dragging the amount column's edge to the left stops at its widest value.
    QHeaderView* head = list->header();
    const int amountWidth = list->columnWidth(2);
    const int edge = head->sectionViewportPosition(2) + amountWidth - 1;
    const int mid = head->height() / 2;
    QTest::mousePress(head->viewport(), Qt::LeftButton, {}, QPoint(edge, mid));
    QTest::mouseMove(head->viewport(), QPoint(edge - 30, mid));
    QTest::mouseRelease(head->viewport(), Qt::LeftButton, {}, QPoint(edge - 30, mid));
    settle();
    EXPECT_EQ(list->columnWidth(2), amountWidth);
    EXPECT_EQ(w.listFormat(1), kAmounts);

    // Moving down through the rows with the keys: the current row always shows whole, and no row
    // is cut at the bottom.
    testing_support::clickOn(list->viewport());
    list->selectRow(1);
    for (int n = 0; n < static_cast<int>(amounts.size()); ++n) {
      QTest::keyClick(list, Qt::Key_Down);
      settle();
      const QRect current = list->visualRect(list->currentIndex());
      EXPECT_LE(current.bottom(), list->viewport()->rect().bottom()) << n;
      EXPECT_GE(current.top(), 0) << n;
      const QModelIndex below = list->indexAt(QPoint(1, list->viewport()->height() - 1));
      if (below.isValid()) EXPECT_LE(list->visualRect(below).bottom(), list->viewport()->rect().bottom());
    }
    EXPECT_EQ(w.listSelection(1), static_cast<int>(amounts.size()));
    EXPECT_EQ(list->viewport()->height() % list->visualRect(list->currentIndex()).height(), 0);
    if (fontSize == 8) EXPECT_GE(list->viewport()->height() / list->visualRect(list->currentIndex()).height(), 2);
    w.close();
  }
}

TEST(ListBoxTest, ASingleClickIsAnAcceptedEventOnlyWhereTheWindowAsksForIt) {
  for (const bool clicks : {false, true}) {
    SCOPED_TRACE(clicks ? "single clicks accepted" : "double clicks only");
    WindowDef d;
    d.label = "LISTE";
    d.caption = "Liste";
    d.w = 200;
    d.h = 120;
    d.controls = {{.field = 1, .label = "?LISTE", .kind = Kind::List, .text = "80L~Name~", .x = 3, .y = 3,
                   .w = 150, .h = 100}};
    Window w(d);
    std::vector<int> keys;
    w.open();
    w.attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted && e.field == 1) keys.push_back(e.key);
      return Pass::Default;
    });
    w.setListSource(1, {[] { return 3; }, [](int row, int) -> QVariant { return QString("Zeile %1").arg(row); }});
    if (clicks) w.acceptOnClick(1);
    settle();
    ListBox* list = w.list(1);
    const QPoint second = list->visualRect(list->model()->index(1, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    settle();
    EXPECT_EQ(w.listSelection(1), 2);
    EXPECT_EQ(keys, clicks ? std::vector<int>{kKeyMouseLeft} : std::vector<int>{});
    w.close();
  }
}
