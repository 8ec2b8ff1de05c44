#include "bookkeeping/export/CsvExportLogik.h"
#include "tests/bookkeeping/export/Fixture.h"

#include <cstring>
#include <vector>

namespace {

struct ExportLogikTest : ExportTest {
  CsvExportErgebnis exportieren(rt::Day von, rt::Day bis, const std::function<void(rt::Day)>& pause = {}) {
    return CsvExportieren(exportDatei(), von, bis, pause);
  }
};

}  // namespace

TEST_F(ExportLogikTest, TheWorkedExampleByteForByte) {
  konto("0004", "Bürobedarf");
  buchung(1, "0004", tag(2024, 3, 5), 2, 23.80, 20.00, 3.80, 2, "Druckerpapier; Toner");
  ASSERT_EQ(kKopf.size(), 149u);
  EXPECT_EQ(CSV_KOPFZEILE, kKopf);

  const CsvExportErgebnis e = exportieren(tag(2024, 3, 5), tag(2024, 3, 5));
  EXPECT_EQ(e.anzahl, 1);
  EXPECT_EQ(e.fehler, 0);
  EXPECT_EQ(dateiInhalt(exportDatei()),
            kKopf + "0004;B\xFCrobedarf;05.03.2024;Druckerpapier  Toner;;      -23,80;      -20,00;       -3,80;2;19,00;\r\n");

  // The same booking as income without a VAT key.
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  BUCHUNG.ART = 1;
  BUCHUNG.MWSTSATZ = 0;
  ASSERT_EQ(BUCHUNGDATEI.put(), 0);
  exportieren(tag(2024, 3, 5), tag(2024, 3, 5));
  EXPECT_EQ(dateiInhalt(exportDatei()),
            kKopf + "0004;B\xFCrobedarf;05.03.2024;Druckerpapier  Toner;;       23,80;       20,00;        3,80;1;;\r\n");
}

TEST_F(ExportLogikTest, SignsRatesAndMissingAccounts) {
  konto("0004", "Bürobedarf");
  konto("0007", "USt-Vorauszahlung", 3);
  konto("0010", "Erlöse", 1);
  const rt::Day t = tag(2026, 1, 2);
  buchung(1, "0007", t, 3, 123456.5, 123456.5, 0, 1, "USt Q4");
  buchung(2, "0010", t, 1, 107, 100, 7, 3, "Honorar", "Zeile 2");
  buchung(3, "0099", t, 2, -5, -5, 0, 6, "Gutschrift");  // deleted account, a key beyond 5
  buchung(4, "0010", t, 0, 1, 1, 0, 0, "Art 0");
  PARA.MWST_3 = 7.5;  // the rate set now, not the one of the booking's day
  exportieren(t, t);
  EXPECT_EQ(dateiInhalt(exportDatei()),
            kKopf + cp("0007;USt-Vorauszahlung;02.01.2026;USt Q4;; -123.456,50; -123.456,50;        0,00;3; 0,00;\r\n"
                       "0010;Erlöse;02.01.2026;Honorar;Zeile 2;      107,00;      100,00;        7,00;1; 7,50;\r\n"
                       "0099;*** Konto nicht mehr existent ***;02.01.2026;Gutschrift;;        5,00;        5,00;"
                       "        0,00;2;;\r\n"
                       "0010;Erlöse;02.01.2026;Art 0;;       -1,00;       -1,00;        0,00;0;;\r\n"));
}

TEST_F(ExportLogikTest, ARangeWithoutBookingsGivesTheHeaderAlone) {
  konto("0004", "Bürobedarf");
  einfach(1, tag(2026, 1, 1));
  einfach(2, tag(2026, 1, 5));
  const CsvExportErgebnis e = exportieren(tag(2026, 1, 2), tag(2026, 1, 4));
  EXPECT_EQ(e.anzahl, 0);
  EXPECT_EQ(dateiInhalt(exportDatei()), kKopf);
}

// What other threads do with the files and buffers while the export pauses: their own walk, a Get,
// bookings added and deleted ahead of the export and behind it, their buffers left as they like.
TEST_F(ExportLogikTest, OtherThreadsBetweenThePausesNeitherDerailTheWalkNorSeeItsBuffers) {
  konto("0004", "Bürobedarf");
  konto("0005", "Porto");
  const rt::Day erster = tag(2025, 1, 1);
  const int n = 2 * CSV_PAUSE_NACH + 500;
  viele(n, erster, 10);
  const rt::Day letzter = erster + n / 10;

  BUCHUNG_T merkBuchung{};
  KONTO_T merkKonto{};
  auto fremdeBuffer = [&](int runde) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = 900000 + runde;
    BUCHUNG.TEXT[0] = "vom Buchungsformular";
    KONTODATEI.clear();
    KONTO.NR = "0005";
    KONTO.NAME = "in Bearbeitung";
    merkBuchung = BUCHUNG;
    merkKonto = KONTO;
  };
  fremdeBuffer(0);
  std::vector<int> ohne;  // bookings deleted ahead of the export
  int pausen = 0;
  const CsvExportErgebnis e = exportieren(erster, letzter, [&](rt::Day datum) {
    ++pausen;
    EXPECT_EQ(std::memcmp(&BUCHUNG, &merkBuchung, sizeof BUCHUNG), 0);
    EXPECT_EQ(std::memcmp(&KONTO, &merkKonto, sizeof KONTO), 0);
    // Another walk, by number from the start.
    BUCHUNG.NR = 0;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
    for (int i = 0; i < 3; ++i) BUCHUNGDATEI.next();
    KONTO.NR = "0005";
    EXPECT_EQ(KONTODATEI.get(KONTO_KEYNR), 0);
    // A booking behind the export's place, one ahead on the same day, one deleted ahead.
    buchung(n + 2 * pausen, "0005", erster, 1, 1, 1, 0, 0, "zu spät");
    buchung(n + 2 * pausen + 1, "0004", datum, 1, 10, 10, 0, 0, ("B" + std::to_string(n + 2 * pausen + 1)).c_str());
    const int weg = (datum - erster) * 10 + 15;
    BUCHUNG.NR = weg;
    ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
    ASSERT_EQ(BUCHUNGDATEI.remove(), 0);
    ohne.push_back(weg);
    fremdeBuffer(pausen);
  });
  EXPECT_GE(pausen, 2);  // and more when the machine is slow: a pause at least every CSV_PAUSE_MS
  EXPECT_EQ(e.fehler, 0);
  EXPECT_EQ(std::memcmp(&BUCHUNG, &merkBuchung, sizeof BUCHUNG), 0);
  EXPECT_EQ(std::memcmp(&KONTO, &merkKonto, sizeof KONTO), 0);

  // Every booking of the range as the file holds it now, except those added behind the export.
  std::string erwartet = kKopf;
  int zeilen = 0;
  BUCHUNGDATEI.clear();
  BUCHUNG.DATUM = rt::dateOf(erster);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.next() == 0) {
    if (BUCHUNG.KONTO == "0005") continue;
    erwartet += einfacheZeile(BUCHUNG.NR, rt::dayNumber(BUCHUNG.DATUM));
    ++zeilen;
  }
  EXPECT_EQ(zeilen, n - 2 + 2);
  EXPECT_EQ(e.anzahl, zeilen);
  EXPECT_EQ(dateiInhalt(exportDatei()), erwartet);
}

TEST_F(ExportLogikTest, TheDefaultRangeRunsFromTheFirstToTheLastBooking) {
  rt::DATE von{1, 1, 2000}, bis{1, 1, 2000};
  CsvZeitraumVorbelegen(von, bis);
  EXPECT_EQ(rt::dayNumber(von), 0);
  EXPECT_EQ(rt::dayNumber(bis), 0);
  konto("0004", "Bürobedarf");
  einfach(1, tag(2026, 5, 1));
  einfach(2, tag(2024, 2, 29));
  einfach(3, rt::kLatestDay);
  einfach(4, rt::kLatestDay + 1);
  BUCHUNG.NR = 77;
  CsvZeitraumVorbelegen(von, bis);
  EXPECT_EQ(rt::dayNumber(von), tag(2024, 2, 29));
  EXPECT_EQ(rt::dayNumber(bis), rt::kLatestDay);
  EXPECT_EQ(+BUCHUNG.NR, 77);  // the shared buffer is given back
}
