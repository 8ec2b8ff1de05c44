#include "bookkeeping/proc/Druckvorschau.h"

#include <gtest/gtest.h>

using namespace vorschau;

TEST(VorschauLogikTest, ResizeRules) {
  struct Case {
    const char* name;
    int view, w, h;
    int toW, toH;
    bool standard;
    bool layout;
  };
  const Case cases[] = {
      {"normal view made wider", 280, 300, 313, 280, 313, false, false},
      {"normal view made narrower and lower", 280, 250, 200, 280, 200, false, false},
      {"normal view made higher", 280, 280, 400, 280, 313, false, false},
      {"normal view made lower", 280, 280, 312, 280, 313, false, false},
      {"normal view as it is", 280, 280, 313, 280, 313, true, true},
      {"magnified view made narrower", 490, 280, 313, 490, 313, false, false},
      {"magnified view below the least height", 490, 490, 209, 490, 210, true, false},
      {"magnified view at the least height", 490, 490, 210, 490, 210, true, true},
      {"magnified view made higher", 490, 490, 650, 490, 650, true, true},
      {"magnified view as low as the normal one", 490, 490, 313, 490, 313, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Groessenregel g = GroesseGeaendert(c.view, c.w, c.h);
    EXPECT_EQ(g.breite, c.toW);
    EXPECT_EQ(g.hoehe, c.toH);
    EXPECT_EQ(g.standard, c.standard);
    EXPECT_EQ(g.anordnung.has_value(), c.layout);
  }
}

TEST(VorschauLogikTest, LayoutFollowsTheSize) {
  const Anordnung lupe = *GroesseGeaendert(490, 490, 650).anordnung;
  EXPECT_EQ(lupe.boxBreite, 422);
  EXPECT_EQ(lupe.boxHoehe, 650);
  EXPECT_EQ(lupe.bildBreite, 420);
  EXPECT_EQ(lupe.bildHoehe, 650);
  EXPECT_EQ(lupe.blaetternX, 442);
  EXPECT_EQ(lupe.knopfX, 436);
  // Only the sizes and the buttons' places follow; the rest stays as the view set it.
  EXPECT_EQ(lupe.boxY, -1);
  EXPECT_EQ(lupe.rollbalken, -1);
  EXPECT_EQ(lupe.zoomBreite, -1);

  // The switch to the magnified view and the size rules agree, so that the view's own resize event
  // changes nothing.
  const Anordnung zoom = Lupenansicht(500);
  const Anordnung regel = *GroesseGeaendert(490, 490, 500).anordnung;
  EXPECT_EQ(zoom.boxBreite, regel.boxBreite);
  EXPECT_EQ(zoom.bildBreite, regel.bildBreite);
  EXPECT_EQ(zoom.boxHoehe, regel.boxHoehe);
  EXPECT_EQ(zoom.blaetternX, regel.blaetternX);
  EXPECT_EQ(zoom.knopfX, regel.knopfX);

  // The normal view keeps its frame inside the window when a resize event comes at 280 x 313.
  const Anordnung normal = Normalansicht();
  const Anordnung normalRegel = *GroesseGeaendert(280, 280, 313).anordnung;
  EXPECT_EQ(normalRegel.boxHoehe, normal.boxHoehe);
  EXPECT_EQ(normalRegel.bildHoehe, normal.bildHoehe);
  EXPECT_LE(normal.boxY + normal.boxHoehe, kNormalHoehe);
  EXPECT_EQ(normalRegel.blaetternX, normal.blaetternX);
  EXPECT_EQ(normalRegel.knopfX, normal.knopfX);
}

TEST(VorschauLogikTest, PageStepsNeverWrap) {
  struct Case {
    std::size_t page;
    int step;
    std::size_t pages;
    std::size_t to;
  };
  const Case cases[] = {
      {1, -1, 3, 1}, {1, +1, 3, 2}, {2, -1, 3, 1}, {2, +1, 3, 3}, {3, +1, 3, 3}, {3, -1, 3, 2},
      {1, -1, 1, 1}, {1, +1, 1, 1},
      {1, -1, 0, 1}, {1, +1, 0, 1},  // no pages: nothing moves
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << " step " << c.step << " of " << c.pages);
    EXPECT_EQ(Blaettern(c.page, c.step, c.pages), c.to);
  }
}

TEST(VorschauLogikTest, TerminalSwitch) {
  EXPECT_TRUE(OhneHintergrund(u"/Terminal"));
  EXPECT_TRUE(OhneHintergrund(u"/1Ordner /Terminal"));
  EXPECT_FALSE(OhneHintergrund(u""));
  EXPECT_FALSE(OhneHintergrund(u"/1Ordner"));
}
