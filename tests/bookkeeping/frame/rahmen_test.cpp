#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;
using testing_support::TempFolder;

namespace {

rt::DATE datum(int y, int m, int d) { return rt::dateOf(rt::dayNumber(y, m, d)); }

std::vector<std::uint8_t> flags() {
  return {QUARTAL_1, QUARTAL_2, QUARTAL_3, QUARTAL_4, MONAT_1, MONAT_2,  MONAT_3,  MONAT_4,   MONAT_5,
          MONAT_6,   MONAT_7,   MONAT_8,   MONAT_9,   MONAT_10, MONAT_11, MONAT_12, GESAMTJAHR};
}

// The field of the one flag that is 1 (flags are in field order), or 0 when not exactly one is.
int chosenField() {
  const auto f = flags();
  int chosen = 0, count = 0;
  for (int i = 0; i < 17; ++i)
    if (f[i]) ++count, chosen = FELD_QUARTAL_1 + i;
  return count == 1 ? chosen : 0;
}

// The visible highlight panel, or 0 for none.
int shownPanel() {
  int shown = 0;
  for (int f = FELD_QUARTAL1; f <= FELD_GESAMTJAHR_; ++f)
    if (!WinMain.isHidden(f)) shown = shown ? -1 : f;
  return shown;
}

struct RahmenTest : ::testing::Test {
  TempFolder folder;
  std::vector<std::pair<int, QString>> formats;  // the list formats the frame set
  void SetUp() override {
    PARA = PARA_T{};
    PARAPFAD = folder.file("Para.dat");
    THREADANZEIGE = 0;
    EINGABEJAHR = 0;
    UebersichtListenformatSetzen = [this](int liste, const rt::String<80>& f) { formats.emplace_back(liste, f.clip()); };
  }
  void TearDown() override {
    for (Window* w : {&WinBuchung, &WinAnzeige, &WinSummen, &WinMain}) w->close();
    settle();
    UebersichtListenformatSetzen = nullptr;
    THREADANZEIGE = 0;
    PARA = PARA_T{};
  }
  void openFrame(rt::DATE von, rt::DATE bis) {
    PARA.VONSUMMENDATUM = von;
    PARA.BISSUMMENDATUM = bis;
    RahmenOeffnen();
    WinMain.attach(RahmenEreignis);
    settle();
  }
  void click(int field) {
    static_cast<QAbstractButton*>(WinMain.widget(field))->click();
    settle();
  }
  // The work windows, each on a thread of its own as at start-up.
  void openWorkWindows() {
    for (Window* w : {&WinBuchung, &WinSummen, &WinAnzeige})
      start([w] {
        w->open();
        w->attach([](Window&, const Event& e) { return e.code == EV_CloseWindow ? Pass::NoDefault : Pass::Default; });
      });
    settle();
  }
};

}  // namespace

TEST_F(RahmenTest, PeriodCommandsSetTheirPeriodFlagAndPanel) {
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  struct Case {
    int year, field;
    rt::DATE von, bis;
    int panel;
  };
  const Case cases[] = {
      {2024, FELD_MONAT_1 + 1, datum(2024, 2, 1), datum(2024, 2, 29), 0},
      {2023, FELD_MONAT_1 + 1, datum(2023, 2, 1), datum(2023, 2, 28), 0},
      {2023, FELD_MONAT_1 + 11, datum(2023, 12, 1), datum(2023, 12, 31), 0},
      {2023, FELD_QUARTAL_1 + 3, datum(2023, 10, 1), datum(2023, 12, 31), FELD_QUARTAL1 + 3},
      {2024, FELD_QUARTAL_1, datum(2024, 1, 1), datum(2024, 3, 31), FELD_QUARTAL1},
      {2022, FELD_GESAMTJAHR, datum(2022, 1, 1), datum(2022, 12, 31), FELD_GESAMTJAHR_},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << " field " << c.field);
    EINGABEJAHR = static_cast<std::int16_t>(c.year);
    click(c.field);
    EXPECT_EQ(PARA.VONSUMMENDATUM, c.von);
    EXPECT_EQ(PARA.BISSUMMENDATUM, c.bis);
    EXPECT_EQ(chosenField(), c.field);
    EXPECT_TRUE(static_cast<QCheckBox*>(WinMain.widget(c.field))->isChecked());
    EXPECT_EQ(shownPanel(), c.panel);
    // Stored at once.
    PARA = PARA_T{};
    ParameterLaden();
    EXPECT_EQ(PARA.VONSUMMENDATUM, c.von);
    EXPECT_EQ(PARA.BISSUMMENDATUM, c.bis);
  }
}

TEST_F(RahmenTest, TheChosenMonthAgainAndAYearChangeSaveAndRebuildTheLists) {
  int rebuilds = 0;
  WindowDef def;
  def.label = "UEBERSICHT";
  def.w = 50;
  def.h = 20;
  Window overview(def);
  THREADANZEIGE = start([&] {
    overview.open();
    overview.attach([&](Window&, const Event& e) {
      if (e.code == EVENT_ListenNeu) ++rebuilds;
      return Pass::Default;
    });
  });
  openFrame(datum(2023, 3, 1), datum(2023, 3, 31));
  EXPECT_EQ(EINGABEJAHR, 2023);
  ASSERT_EQ(chosenField(), FELD_MONAT_1 + 2);

  // The box of the chosen month: stays checked, is saved again, the lists are rebuilt again.
  click(FELD_MONAT_1 + 2);
  EXPECT_EQ(rebuilds, 1);
  QFile::remove(PARAPFAD.clip());
  click(FELD_MONAT_1 + 2);
  EXPECT_EQ(rebuilds, 2);
  EXPECT_TRUE(static_cast<QCheckBox*>(WinMain.widget(FELD_MONAT_1 + 2))->isChecked());
  EXPECT_EQ(chosenField(), FELD_MONAT_1 + 2);
  ASSERT_TRUE(QFile::exists(PARAPFAD.clip()));
  PARA = PARA_T{};
  ParameterLaden();
  EXPECT_EQ(PARA.VONSUMMENDATUM, datum(2023, 3, 1));

  // The year spin re-applies the chosen month to the new year.
  static_cast<QSpinBox*>(WinMain.widget(FELD_EINGABEJAHR))->setValue(2024);
  settle();
  EXPECT_EQ(EINGABEJAHR, 2024);
  EXPECT_EQ(PARA.VONSUMMENDATUM, datum(2024, 3, 1));
  EXPECT_EQ(PARA.BISSUMMENDATUM, datum(2024, 3, 31));
  EXPECT_EQ(chosenField(), FELD_MONAT_1 + 2);
  EXPECT_TRUE(static_cast<QCheckBox*>(WinMain.widget(FELD_MONAT_1 + 2))->isChecked());
  EXPECT_EQ(rebuilds, 3);

  // A chosen quarter wins on a year change, too.
  click(FELD_QUARTAL_1 + 1);
  static_cast<QSpinBox*>(WinMain.widget(FELD_EINGABEJAHR))->setValue(2025);
  settle();
  EXPECT_EQ(PARA.VONSUMMENDATUM, datum(2025, 4, 1));
  EXPECT_EQ(PARA.BISSUMMENDATUM, datum(2025, 6, 30));
  EXPECT_EQ(shownPanel(), FELD_QUARTAL1 + 1);
  overview.close();
}

TEST_F(RahmenTest, TheStoredPeriodShowsAsMonthQuarterOrYear) {
  struct Case {
    const char* name;
    rt::DATE von, bis;
    int field, panel;
  };
  const Case cases[] = {
      {"31 days: a month", datum(2024, 5, 1), datum(2024, 6, 1), FELD_MONAT_1 + 4, 0},
      {"the current month", datum(2026, 7, 1), datum(2026, 7, 31), FELD_MONAT_1 + 6, 0},
      {"100 days: a quarter", datum(2024, 7, 1), datum(2024, 10, 9), FELD_QUARTAL_1 + 2, FELD_QUARTAL1 + 2},
      {"101 days: the year", datum(2024, 7, 1), datum(2024, 10, 10), FELD_GESAMTJAHR, FELD_GESAMTJAHR_},
      {"a whole year", datum(2024, 1, 1), datum(2024, 12, 31), FELD_GESAMTJAHR, FELD_GESAMTJAHR_},
      {"a quarter-long period from December", datum(2024, 12, 1), datum(2025, 2, 28), FELD_QUARTAL_1 + 3,
       FELD_QUARTAL1 + 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    openFrame(c.von, c.bis);
    EXPECT_EQ(chosenField(), c.field);
    EXPECT_TRUE(static_cast<QCheckBox*>(WinMain.widget(c.field))->isChecked());
    EXPECT_EQ(shownPanel(), c.panel);
    WinMain.close();
  }
}

TEST_F(RahmenTest, ArrangementsPlaceTheWorkWindowsAndResetTheListFormats) {
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  openWorkWindows();
  struct Case {
    QRect overview, sums, booking;
  };
  const Case cases[] = {
      {{295, -6, 176, 156}, {-1, 169, 472, 66}, {-1, -6, 288, 156}},
      {{295, -6, 176, 241}, {-1, 169, 288, 66}, {-1, -6, 288, 156}},
      {{295, 79, 176, 156}, {-1, -6, 472, 66}, {-1, 79, 288, 156}},
      {{295, -6, 176, 241}, {-1, -6, 288, 66}, {-1, 79, 288, 156}},
  };
  for (int n = 4; n >= 1; --n) {
    SCOPED_TRACE(n);
    const Case& c = cases[n - 1];
    for (auto& f : PARA.LISTENFORMAT) f = "12LM~x~";
    formats.clear();
    click(FELD_ANZEIGESTANDARD1 + n - 1);
    EXPECT_EQ(WinAnzeige.position(), c.overview);
    EXPECT_EQ(WinSummen.position(), c.sums);
    EXPECT_EQ(WinBuchung.position(), c.booking);
    for (auto& f : PARA.LISTENFORMAT) EXPECT_EQ(f.clip(), STANDARDLISTENFORMAT);
    ASSERT_EQ(formats.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(formats[i].first, i + 1);
      EXPECT_EQ(formats[i].second, STANDARDLISTENFORMAT);
    }
  }
  // Only the open windows are placed.
  WinSummen.close();
  click(FELD_ANZEIGESTANDARD1 + 1);
  EXPECT_EQ(WinAnzeige.position(), QRect(295, -6, 176, 241));
  EXPECT_FALSE(WinSummen.isOpen());
}

TEST_F(RahmenTest, TheCloseBoxStoresTheLayoutAndBeendenDoesNot) {
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  openWorkWindows();
  WinAnzeige.setPosition(290, 3, 170, 150);
  WinBuchung.setPosition(-1, -6, 280, 140);
  WinSummen.setPosition(-2, 160, 400, 60);
  WinMain.setPosition(20, 30, 500, 320);
  settle();

  // "&Beenden" leaves the loop and keeps the stored layout.
  for (int i = 1; i <= 17; ++i) PARA.FENSTERDATEN.setzeWert(i, 7);
  QTimer::singleShot(0, [] { WinMain.action(FELD_BEENDEN)->trigger(); });
  RahmenSchleife();
  EXPECT_TRUE(WinMain.isOpen());
  for (int i = 1; i <= 17; ++i) EXPECT_EQ(PARA.FENSTERDATEN.wert(i), 7) << i;

  // The close box stores the layout, then the frame closes and with it the work windows.
  QTimer::singleShot(0, [] { WinMain.topWidget()->close(); });
  RahmenSchleife();
  EXPECT_FALSE(WinMain.isOpen());
  EXPECT_FALSE(WinBuchung.isOpen());
  const int expected[17] = {290, 3, 170, 150, -1, -6, 280, 140, -2, 160, 400, 60, 20, 30, 500, 320, 0};
  for (int i = 1; i <= 17; ++i) EXPECT_EQ(PARA.FENSTERDATEN.wert(i), expected[i - 1]) << i;

  // Windows that are not open count as 0; the maximized flag is taken.
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  WinMain.setMaximized(true);
  QTimer::singleShot(0, [] { WinMain.topWidget()->close(); });
  RahmenSchleife();
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(PARA.FENSTERDATEN.wert(i), 0) << i;
  EXPECT_EQ(PARA.FENSTERDATEN.wert(17), 1);
}

TEST_F(RahmenTest, MyTavikAppliesTheSavedSchemeOrSaysThereIsNone) {
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  openWorkWindows();
  click(FELD_ANZEIGESTANDARD1);
  formats.clear();
  {
    MessageAnswers answers;
    click(FELD_MYTAVIK);
    EXPECT_EQ(answers.texts(), QStringList{"Es ist noch kein Fensterschema \"MyTavik\" abgespeichert! | "
                                           "(Anlegen unter \"Einstellungen)"});
  }
  EXPECT_EQ(WinAnzeige.position(), QRect(295, -6, 176, 156));
  EXPECT_TRUE(formats.empty());

  const int scheme[15] = {200, 10, 150, 120, 0, 0, 190, 130, 5, 140, 300, 50, 420, 300, 0};
  for (int i = 1; i <= 15; ++i) PARA.SCHEMADATEN.setzeWert(i, scheme[i - 1]);
  PARA.SCHEMAFORMAT[0] = "40LM|~Datum~@D06.@";
  PARA.SCHEMAFORMAT[2] = "50LM|~Text~";
  for (auto& f : PARA.LISTENFORMAT) f = "unverändert";
  WinMain.setPosition(12, 14, 380, 260);
  WinMain.setMaximized(true);
  click(FELD_MYTAVIK);
  EXPECT_EQ(WinAnzeige.position(), QRect(200, 10, 150, 120));
  EXPECT_EQ(WinBuchung.position(), QRect(0, 0, 190, 130));
  EXPECT_EQ(WinSummen.position(), QRect(5, 140, 300, 50));
  EXPECT_FALSE(WinMain.isMaximized());
  EXPECT_EQ(WinMain.position(), QRect(12, 14, 420, 300));
  ASSERT_EQ(formats.size(), 3u);
  EXPECT_EQ(formats[0].second, "40LM|~Datum~@D06.@");
  EXPECT_EQ(formats[1].second, STANDARDLISTENFORMAT);  // a blank format leaves no list without columns
  EXPECT_EQ(formats[2].second, "50LM|~Text~");
  for (auto& f : PARA.LISTENFORMAT) EXPECT_EQ(f.clip(), "unverändert");

  PARA.SCHEMADATEN.setzeWert(15, 1);
  click(FELD_MYTAVIK);
  EXPECT_TRUE(WinMain.isMaximized());
}

TEST_F(RahmenTest, StandardSizeRestoresAMaximizedFrame) {
  openFrame(datum(2024, 1, 1), datum(2024, 1, 31));
  WinMain.setPosition(30, 40, 500, 400);
  WinMain.setMaximized(true);
  settle();
  click(FELD_STANDARDGROESSE);
  EXPECT_FALSE(WinMain.isMaximized());
  EXPECT_EQ(WinMain.position(), QRect(30, 40, 373, 251));
}
