#include "bookkeeping/export/CsvExportLogik.h"
#include "tests/bookkeeping/export/Fixture.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct ExportLogikTest : ExportTest {
  CsvExportErgebnis exportieren(rt::Day von, rt::Day bis, const std::function<void(rt::Day)>& pause = {}) {
    return CsvExportieren(exportDatei(), von, bis, pause);
  }
  // What another thread does in the export's pause number `pause` at `datum`, over the simple
  // bookings 1..n from `erster` on: a booking behind the export's place (of account 0005), one ahead
  // on the same day, one deleted ahead. Gives the number of the deleted one.
  static int ringsumAendern(int n, rt::Day erster, rt::Day datum, int pause) {
    buchung(n + 2 * pause, "0005", erster, 1, 1, 1, 0, 0, "zu spät");
    buchung(n + 2 * pause + 1, "0004", datum, 1, 10, 10, 0, 0, ("B" + std::to_string(n + 2 * pause + 1)).c_str());
    const int weg = (datum - erster) * 10 + 15;
    BUCHUNG.NR = weg;
    EXPECT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
    EXPECT_EQ(BUCHUNGDATEI.remove(), 0);
    return weg;
  }
  // The file as it must be after such pauses: every booking from `erster` on as the file holds it
  // now, except those added behind the export; `zeilen` counts them.
  static std::string ohneDieDahinter(rt::Day erster, int& zeilen) {
    std::string erwartet = kKopf;
    zeilen = 0;
    BUCHUNGDATEI.clear();
    BUCHUNG.DATUM = rt::dateOf(erster);
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
    while (BUCHUNGDATEI.next() == 0) {
      if (BUCHUNG.KONTO == "0005") continue;
      erwartet += einfacheZeile(BUCHUNG.NR, rt::dayNumber(BUCHUNG.DATUM));
      ++zeilen;
    }
    return erwartet;
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

namespace {

// A field as the writer's filter makes it, written out here from its rules: trailing blanks go, the
// separator and every byte outside 20h..7Fh but ÄÖÜéßäöü², 0Bh and 0Ch become blanks.
std::string gefiltert(std::string_view wert) {
  while (!wert.empty() && wert.back() == ' ') wert.remove_suffix(1);
  std::string aus;
  for (const char z : wert) {
    const auto c = static_cast<unsigned char>(z);
    const bool passt = (c >= 0x20 && c <= 0x7F && c != ';') ||
                       std::string_view("\xC4\xD6\xDC\xE9\xDF\xE4\xF6\xFC\xB2\x0B\x0C").find(z) != std::string_view::npos;
    aus += passt ? z : ' ';
  }
  return aus + ";";
}

}  // namespace

// Enough bookings for the range to be read in several stretches, stored in another order than their
// dates', with every kind of field: amounts negative, zero, at the width's limits and beyond it,
// texts with umlauts, quotes, separators, line breaks, control bytes, letters the filter drops and
// blanks around them, both text lines, missing accounts, every kind and VAT key. The file holds
// the lines of a walk along the dates, byte for byte, with the bookings stored ahead of it during
// its pauses.
TEST_F(ExportLogikTest, AMixedYearReadInStretchesGivesTheWalksLinesByteForByte) {
  konto("0004", "Bürobedarf");
  konto("0010", "Erlöse; Zinsen", 1);
  konto("0020", "Müller \"GmbH\" & Söhne");
  konto("0030", "  Größe 2² ");
  const char* const konten[] = {"0004", "0010", "0020", "0030", "0099", "10", "0004 "};
  const std::string texte[] = {"",
                               "Druckerpapier; Toner",
                               "\"Zitat\" mit ;; zwei",
                               "Zeile\r\nbruch\tund Tab",
                               "Caf\xE9 \xE0 la carte \xC7",
                               "  vorn und hinten  ",
                               "\x0B\x0C\x01\x7F\x80\xFF",
                               "\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xB2",
                               std::string(50, 'x')};
  const std::int64_t betraege[] = {0, 1, -1, 99, -100, 2380, -2380, 12345678, -12345678, 99999999,
                                   -99999999, 999999999, -999999999, 1000000000, -100000000000LL};
  PARA.MWST_1 = 0;
  PARA.MWST_4 = 16;
  PARA.MWST_5 = 5.5;
  const int n = 3 * 8192 + 777;
  const rt::Day erster = tag(2025, 1, 1);
  std::mt19937 zufall(23);
  sqlite3_exec(BUCHUNGDATEI.connection(), "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < n; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = 1 + static_cast<std::int32_t>((static_cast<std::uint32_t>(i) * 7919u) % 1000003u);
    BUCHUNG.KONTO.assignBytes(konten[zufall() % std::size(konten)]);
    BUCHUNG.DATUM = rt::dateOf(erster + static_cast<rt::Day>(zufall() % 365));
    BUCHUNG.TEXT[0].assignBytes(texte[zufall() % std::size(texte)]);
    BUCHUNG.TEXT[1].assignBytes(zufall() % 3 ? "" : texte[zufall() % std::size(texte)]);
    BUCHUNG.BRUTTO = rt::Cents(betraege[zufall() % std::size(betraege)]);
    BUCHUNG.NETTO = rt::Cents(betraege[zufall() % std::size(betraege)]);
    BUCHUNG.MWST = rt::Cents(static_cast<std::int64_t>(zufall() % 2000000) - 1000000);
    BUCHUNG.ART = static_cast<std::uint8_t>(zufall() % 5);
    BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(zufall() % 8);
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  sqlite3_exec(BUCHUNGDATEI.connection(), "COMMIT", nullptr, nullptr, nullptr);
  const rt::Day letzter = erster + 300;  // the bookings of the year's last days stay out

  // Bookings stored during the pauses on the last day, after every other: ahead of the export
  // whenever it pauses, while it reads or while it writes.
  int pausen = 0;
  const CsvExportErgebnis e = exportieren(erster + 1, letzter, [&](rt::Day) {
    ++pausen;
    const BUCHUNG_T gemerkt = BUCHUNG;
    buchung(2000000 + pausen, "0010", letzter, 1, 1.5, 1.5, 0, 2, "während des Exports");
    BUCHUNG = gemerkt;
  });
  ASSERT_EQ(e.fehler, 0);
  EXPECT_GE(pausen, 8);

  std::string erwartet = kKopf;
  int zeilen = 0;
  const rt::Picture satz("@N5`2");
  BUCHUNGDATEI.clear();
  BUCHUNG.DATUM = rt::dateOf(erster + 1);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.next() == 0 && rt::dayNumber(BUCHUNG.DATUM) <= letzter) {
    const BUCHUNG_T b = BUCHUNG;
    KONTO.NR = b.KONTO;
    const bool konto = KONTODATEI.get(KONTO_KEYNR) == 0 && KONTO.NR == b.KONTO;
    const int vorzeichen = b.ART == 1 ? 1 : -1;
    erwartet += gefiltert(b.KONTO.raw()) + gefiltert(konto ? KONTO.NAME.raw() : "*** Konto nicht mehr existent ***") +
                gefiltert(rt::formatDate(rt::dayNumber(b.DATUM)).toStdString()) + gefiltert(b.TEXT[0].raw()) +
                gefiltert(b.TEXT[1].raw());
    for (const rt::Cents betrag : {b.BRUTTO, b.NETTO, b.MWST})
      erwartet += gefiltert(rt::formatAmount(rt::Cents(vorzeichen * betrag.cents())).toStdString());
    erwartet += std::to_string(b.ART) + ";";
    erwartet += gefiltert(b.MWSTSATZ >= 1 && b.MWSTSATZ <= 5 ? satz.format(MwstSatz(b.MWSTSATZ)).toStdString() : "");
    erwartet += "\r\n";
    ++zeilen;
  }
  ASSERT_GT(zeilen, 2 * 8192);
  EXPECT_EQ(e.anzahl, zeilen);
  const std::string ist = dateiInhalt(exportDatei());
  const auto [a, b] = std::mismatch(ist.begin(), ist.end(), erwartet.begin(), erwartet.end());
  EXPECT_TRUE(a == ist.end() && b == erwartet.end())
      << "from byte " << (a - ist.begin()) << ":\n"
      << ist.substr(static_cast<std::size_t>(a - ist.begin()), 300) << "\nexpected:\n"
      << erwartet.substr(static_cast<std::size_t>(b - erwartet.begin()), 300);
}

// A damaged page among the range's bookings: the export stops with the code of the failed read,
// the file is named as damaged once, and no export file is left, as when a walk meets the page.
TEST_F(ExportLogikTest, ADamagedPageEndsTheExportWithItsCodeAndLeavesNoFile) {
  konto("0004", "Bürobedarf");
  viele(3000, tag(2025, 1, 1), 10);
  BUCHUNGDATEI.close();
  QFile datei(daten.file("Buchung.dat"));
  ASSERT_TRUE(datei.open(QIODevice::ReadWrite));
  QByteArray bytes = datei.readAll();
  ASSERT_GT(bytes.size(), 40 * 4096);
  const qsizetype stelle = bytes.size() / 4096 / 2 * 4096 + 1000;
  bytes[stelle] = static_cast<char>(bytes[stelle] ^ 0x10);
  ASSERT_TRUE(datei.seek(0));
  ASSERT_EQ(datei.write(bytes), bytes.size());
  datei.close();
  ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);

  testing_support::MessageAnswers antworten;
  const CsvExportErgebnis e = exportieren(tag(2025, 1, 1), tag(2026, 1, 1));
  EXPECT_NE(e.fehler, 0);
  EXPECT_EQ(BUCHUNGDATEI.failure(), e.fehler);
  ASSERT_EQ(antworten.texts().size(), 1);
  EXPECT_TRUE(antworten.texts().front().startsWith("Die Datei \"Buchung.dat\" ist beschädigt")) << antworten.texts().front().toStdString();
  EXPECT_FALSE(QFile::exists(exportDatei()));
  EXPECT_TRUE(QDir(dokumente.path()).entryList(QDir::Files).isEmpty());
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
    ohne.push_back(ringsumAendern(n, erster, datum, pausen));
    fremdeBuffer(pausen);
  });
  EXPECT_GE(pausen, 2);  // and more when the machine is slow: a pause at least every CSV_PAUSE_MS
  EXPECT_EQ(e.fehler, 0);
  EXPECT_EQ(std::memcmp(&BUCHUNG, &merkBuchung, sizeof BUCHUNG), 0);
  EXPECT_EQ(std::memcmp(&KONTO, &merkKonto, sizeof KONTO), 0);

  // Every booking of the range as the file holds it now, except those added behind the export.
  int zeilen = 0;
  const std::string erwartet = ohneDieDahinter(erster, zeilen);
  EXPECT_EQ(zeilen, n - 2 + 2);
  EXPECT_EQ(e.anzahl, zeilen);
  EXPECT_EQ(dateiInhalt(exportDatei()), erwartet);
}

// The file closed and opened again during a pause, so that what changed meanwhile is not known:
// the export goes on from the booking it wrote last, with what the file holds then.
TEST_F(ExportLogikTest, AFileOpenedAgainDuringAPauseIsReadOnFromTheExportsPlace) {
  konto("0004", "Bürobedarf");
  konto("0005", "Porto");
  const rt::Day erster = tag(2025, 1, 1);
  const int n = 2 * CSV_PAUSE_NACH + 500;
  viele(n, erster, 10);
  std::vector<int> weg;
  int pausen = 0;
  const CsvExportErgebnis e = exportieren(erster, erster + n / 10, [&](rt::Day datum) {
    ++pausen;
    weg.push_back(ringsumAendern(n, erster, datum, pausen));
    BUCHUNGDATEI.close();
    ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  });
  EXPECT_GE(pausen, 2);
  EXPECT_EQ(e.fehler, 0);
  int zeilen = 0;
  const std::string erwartet = ohneDieDahinter(erster, zeilen);
  EXPECT_EQ(zeilen, n + pausen - static_cast<int>(weg.size()));
  EXPECT_EQ(e.anzahl, zeilen);
  EXPECT_TRUE(dateiInhalt(exportDatei()) == erwartet) << "the file differs";
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
