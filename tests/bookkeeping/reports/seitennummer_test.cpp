// The page numbers of the evaluations and of the chart of accounts keep clear of the word "Seite"
// for every number of pages that a report reaches.

#include "bookkeeping/accounts/Kontenrahmen.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/reports/Auswertung.h"
#include "runtime/report/Report.h"
#include "runtime/report/TextMeasure.h"

#include <gtest/gtest.h>

using rt::report::DrawItem;
using rt::report::PageImage;
using rt::report::Report;

namespace {

TEST(SeitennummerTest, NumbersUpToFiveDigitsStandABlankAndAHalfFromSeite) {
  AUSWERTUNG_T lauf;
  Report kontenrahmen(P19_REPKONTEN);
  struct Fall {
    Report* bericht;
    const char* band;
  };
  for (const Fall& f : {Fall{&lauf.P40_REP, "?KOPF"}, Fall{&kontenrahmen, "?DETAIL"}}) {
    SCOPED_TRACE(f.band);
    Report& bericht = *f.bericht;
    rt::report::PageQueue seiten;
    bericht.open(seiten);
    for (int i = 1; i <= 12000; ++i) {
      bericht.print(f.band);
      bericht.pageBreak();
    }
    for (int nummer : {1, 9, 99, 999, 1126, 9999, 11999}) {
      SCOPED_TRACE(nummer);
      const PageImage* seite = bericht.page(nummer);
      ASSERT_TRUE(seite);
      const DrawItem *wort = nullptr, *zahl = nullptr;
      for (const DrawItem& d : seite->items) {
        if (d.kind != DrawItem::Kind::Text) continue;
        if (seite->text(d) == u"Seite") wort = &d;
        if (seite->text(d) == QString::number(nummer)) zahl = &d;
      }
      ASSERT_TRUE(wort && zahl);
      const double blank = rt::report::TextMeasure::of(seite->font, wort->size, false).width(u" ");
      EXPECT_GE(zahl->x - (wort->x + wort->w), 1.5 * blank - 0.01);
      EXPECT_NEAR(zahl->y, wort->y, 1.5);  // on one line (a smaller number on the same baseline)
      EXPECT_LE(zahl->x + zahl->w, 194.01);  // within the title box
    }
    bericht.close();
  }
}

}  // namespace
