#include "runtime/text/Picture.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Window.h"

#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

using namespace rt::win;

namespace {
const QString kStandard = "33LM|~Datum~@D06.@95LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~";
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

  for (const char* bad : {"", "   ", "LM|~x~", "33LM|~Datum", "33LM@D06.", "33Q"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ListFormat::parse(bad));
  }
}

TEST(ListBoxTest, ShowsAQueueThroughItsFormatAndReportsResizedWidths) {
  QWidget parent;
  ListBox list(&parent);
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
  const QString after = list.format();
  EXPECT_EQ(after, "33LM|~Datum~@D06.@120LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~");
  EXPECT_LE(after.size(), 80);

  // A blank format keeps the columns; the standard one puts them back.
  EXPECT_FALSE(list.setFormat("  "));
  EXPECT_EQ(list.format(), after);
  ASSERT_TRUE(list.setFormat(kStandard));
  EXPECT_EQ(list.format(), kStandard);

  list.selectRow(5);
  EXPECT_EQ(list.selectedRow(), 5);
}
