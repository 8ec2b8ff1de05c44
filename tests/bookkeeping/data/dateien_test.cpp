// The three data files with their records and keys: round trips, the walks the program builds,
// the account keys, the encryption of "Buchung.dat" and the share modes between processes.

#include "bookkeeping/data/Dateien.h"
#include "runtime/isam/Errors.h"
#include "runtime/text/Collation.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace rt::isam;
using testing_support::TempFolder;

namespace {

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct DateienTest : ::testing::Test {
  TempFolder folder;

  void SetUp() override {
    ASSERT_TRUE(rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs));
    KONTOPFAD = folder.file("Konto.dat");
    BUCHUNGPFAD = folder.file("Buchung.dat");
    PARAPFAD = folder.file("Para.dat");
    for (DataFile* f : {&KONTODATEI, &BUCHUNGDATEI, &PARADATEI}) ASSERT_EQ(f->create(), kNoError);
    ASSERT_EQ(KONTODATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
    ASSERT_EQ(BUCHUNGDATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  }
  void TearDown() override {
    for (DataFile* f : {&KONTODATEI, &BUCHUNGDATEI, &PARADATEI}) f->close();
    rt::Collation::reset();
  }

  void buchung(int nr, rt::Day day, const char* konto = "1200") {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.DATUM = rt::dateOf(day);
    BUCHUNG.KONTO = konto;
    ASSERT_EQ(BUCHUNGDATEI.add(), kNoError) << nr;
  }
  void konto(const char* nr, const char* code, const char* name) {
    KONTODATEI.clear();
    KONTO.NR = nr;
    KONTO.SHORTCUT = code;
    KONTO.NAME = name;
    ASSERT_EQ(KONTODATEI.add(), kNoError) << nr;
  }
  std::vector<std::string> kontenNach(rt::isam::Key key) {
    std::vector<std::string> out;
    KONTODATEI.clear();
    KONTODATEI.set(key);
    while (KONTODATEI.next() == kNoError) out.push_back(KONTO.NR.utf8() + " " + KONTO.NAME.utf8());
    return out;
  }
};

template <typename T>
bool sameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

TEST_F(DateienTest, EveryFieldSurvivesTheFileAndClearBlanksTextsAndZeroesTheRest) {
  const KONTO_T leer{};  // what Clear must give: texts blank, everything else zero

  KONTO.INTERN[0] = 1;
  KONTO.INTERN[1] = 0xFE;
  KONTO.NR = "4000";
  KONTO.SHORTCUT = "BÜRO";
  KONTO.ART = 2;
  KONTO.NAME = "Bürobedarf & Porto (ä, ß, €)";
  KONTO.MWST = -3;
  KONTO.TEXTVORGABE[0] = "Papier #";
  KONTO.TEXTVORGABE[1] = " führendes Blank";
  for (int i = 0; i < 500; ++i) KONTO.EXTRA[i] = static_cast<std::uint8_t>(i * 7);
  const KONTO_T konto = KONTO;
  ASSERT_EQ(KONTODATEI.add(), kNoError);
  ASSERT_EQ(KONTODATEI.clear(), kNoError);
  EXPECT_TRUE(sameBytes(KONTO, leer));
  KONTO.NR = "4000";
  ASSERT_EQ(KONTODATEI.get(KONTO_KEYNR), kNoError);
  EXPECT_TRUE(sameBytes(KONTO, konto));
  EXPECT_EQ(KONTO.NAME.clip(), QString("Bürobedarf & Porto (ä, ß, €)"));

  BUCHUNG.INTERN[1] = 9;
  BUCHUNG.NR = 2147483000;
  BUCHUNG.KONTO = "4000";
  BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2024, 2, 29));
  BUCHUNG.TEXT[0] = "Rechnung Nr. 17";
  BUCHUNG.TEXT[1] = "Änderung";
  BUCHUNG.BRUTTO = rt::Cents::fromReal(-1234.56);
  BUCHUNG.NETTO = rt::Cents::fromReal(-1037.445378151261);
  BUCHUNG.MWST = rt::Cents::fromReal(1e-300);
  BUCHUNG.ART = 2;
  BUCHUNG.MWSTSATZ = 5;
  BUCHUNG.EXTRA[0] = 0xFF;
  BUCHUNG.EXTRA[199] = 1;
  const BUCHUNG_T buchung = BUCHUNG;
  ASSERT_EQ(BUCHUNGDATEI.add(), kNoError);
  BUCHUNGDATEI.clear();
  EXPECT_TRUE(BUCHUNG.DATUM.isZero());
  EXPECT_EQ(BUCHUNG.BRUTTO, rt::Cents());
  EXPECT_TRUE(BUCHUNG.TEXT[1].isBlank());
  EXPECT_EQ(BUCHUNG.KONTOTEXT.raw(), std::string(20, ' '));
  EXPECT_EQ(BUCHUNG.EXTRA[0], 0);
  BUCHUNG.NR = 2147483000;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), kNoError);
  EXPECT_TRUE(sameBytes(BUCHUNG, buchung));
  // The amounts stand in the file as the REAL values that files have always held.
  sqlite3_stmt* zeile = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(BUCHUNGDATEI.connection(),
                               "SELECT typeof(BRUTTO), BRUTTO, NETTO, MWST FROM BUCHUNG WHERE NR = 2147483000", -1,
                               &zeile, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(zeile), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(zeile, 0)), "real");
  EXPECT_EQ(sqlite3_column_double(zeile, 1), -1234.56);
  EXPECT_EQ(sqlite3_column_double(zeile, 2), -1037.45);
  EXPECT_EQ(sqlite3_column_double(zeile, 3), 0.0);
  sqlite3_finalize(zeile);

  ASSERT_EQ(PARADATEI.open(AccessMode::ReadWriteDenyNone), kNoError);
  PARAREC.NR = -77;
  PARAREC.INHALT = "Musterstraße 1";
  const PARAREC_T para = PARAREC;
  ASSERT_EQ(PARADATEI.add(), kNoError);
  PARADATEI.clear();
  EXPECT_EQ(PARAREC.NR, 0);
  PARAREC.NR = -77;
  ASSERT_EQ(PARADATEI.get(PARA_KEYNR), kNoError);
  EXPECT_TRUE(sameBytes(PARAREC, para));
}

TEST_F(DateienTest, WalksOverTheBookings) {
  const rt::Day d = rt::dayNumber(2025, 3, 1);
  // Booking numbers and days out of order; several bookings share a day.
  const std::vector<std::pair<int, rt::Day>> added = {{5, d + 1},  {2, d + 1}, {9, d},
                                                      {1, d + 2},  {7, d + 1}, {3, d},
                                                      {4, d + 30}, {8, d + 3}, {6, d + 1}};
  for (const auto& [nr, day] : added) buchung(nr, day, nr % 2 ? "8400" : "1200");

  auto toTheEnd = [] {
    std::vector<int> out;
    while (BUCHUNGDATEI.next() == kNoError) out.push_back(+BUCHUNG.NR);
    return out;
  };
  struct Case {
    const char* walk;
    std::function<std::vector<int>()> run;
    std::vector<int> expected;
  } cases[] = {
      {"date range d+1 .. d+3",
       [&] {
         std::vector<int> out;
         BUCHUNGDATEI.clear();
         BUCHUNG.NR = 0;
         BUCHUNG.DATUM = rt::dateOf(d + 1);
         BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
         while (BUCHUNGDATEI.next() == kNoError && rt::dayNumber(BUCHUNG.DATUM) <= d + 3)
           out.push_back(+BUCHUNG.NR);
         return out;
       },
       {2, 5, 6, 7, 1, 8}},
      {"latest by number",
       [&] {
         BUCHUNG.NR = INT32_MAX;
         BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
         return BUCHUNGDATEI.previous() == kNoError ? std::vector<int>{BUCHUNG.NR}
                                                    : std::vector<int>{};
       },
       {9}},
      {"latest by date",
       [&] {
         BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
         BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
         return BUCHUNGDATEI.previous() == kNoError ? std::vector<int>{BUCHUNG.NR}
                                                    : std::vector<int>{};
       },
       {4}},
      {"earliest by date",
       [&] {
         BUCHUNG.DATUM = rt::dateOf(0);
         BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
         return BUCHUNGDATEI.next() == kNoError ? std::vector<int>{BUCHUNG.NR} : std::vector<int>{};
       },
       {3}},
      {"whole date order",
       [&] {
         BUCHUNGDATEI.clear();
         BUCHUNGDATEI.set(BUCHUNG_KEYDATUM);
         return toTheEnd();
       },
       {3, 9, 2, 5, 6, 7, 1, 8, 4}},
      {"whole account order",
       [&] {
         BUCHUNGDATEI.clear();
         BUCHUNGDATEI.setToValue(BUCHUNG_KEYKONTO);
         return toTheEnd();
       },
       {2, 6, 8, 4, 9, 3, 5, 7, 1}},
      {"whole number order",
       [&] {
         BUCHUNGDATEI.set(BUCHUNG_KEYNR);
         return toTheEnd();
       },
       {1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.walk);
    EXPECT_EQ(c.run(), c.expected);
  }
}

TEST_F(DateienTest, AnEmptyBookingFileHasNoLatestOrEarliestBooking) {
  BUCHUNG.NR = INT32_MAX;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYNR);
  EXPECT_EQ(BUCHUNGDATEI.previous(), kRecordNotAvailable);
  BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  EXPECT_EQ(BUCHUNGDATEI.previous(), kRecordNotAvailable);
  BUCHUNG.DATUM = rt::dateOf(0);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  EXPECT_EQ(BUCHUNGDATEI.next(), kRecordNotAvailable);
}

TEST_F(DateienTest, AccountKeysIgnoreCaseAllowDuplicateCodesAndRefuseDuplicateNumbers) {
  konto("4100", "BÜRO", "Miete");
  konto("4000", "BÜRO", "Bürobedarf");
  konto("1200", "ÄRZ", "Bank");

  struct Case {
    const char* typed;
    const char* found;  // "" when none
  } codes[] = {{"büro", "4100"}, {"BÜRO", "4100"}, {"Büro ", "4100"},
               {"ärz", "1200"},  {"arz", ""},      {"bür", ""}};
  for (const auto& c : codes) {
    SCOPED_TRACE(c.typed);
    KONTODATEI.clear();
    KONTO.SHORTCUT = c.typed;
    const int code = KONTODATEI.get(KONTO_KEYSHORTCUT);
    if (*c.found) {
      ASSERT_EQ(code, kNoError);
      EXPECT_EQ(KONTO.NR.utf8(), c.found);
    } else {
      EXPECT_EQ(code, kRecordNotFound);
    }
  }

  const auto vorher = kontenNach(KONTO_KEYNR);
  KONTODATEI.clear();
  KONTO.NR = "4000";
  KONTO.NAME = "Doppelt";
  EXPECT_EQ(KONTODATEI.add(), kDuplicateKey);
  KONTO.NR = "4100";
  ASSERT_EQ(KONTODATEI.get(KONTO_KEYNR), kNoError);
  KONTO.NR = "4000";
  KONTO.NAME = "Umbenannt";
  EXPECT_EQ(KONTODATEI.put(), kDuplicateKey);
  EXPECT_EQ(kontenNach(KONTO_KEYNR), vorher);
  EXPECT_EQ(vorher, (std::vector<std::string>{"1200 Bank", "4000 Bürobedarf", "4100 Miete"}));
}

TEST_F(DateienTest, AccountNamesFollowTheGermanOrder) {
  const char* names[] = {"Zinsen", "Ärzte", "Übertrag", "bank",  "Öl",    "Auto",
                         "Steuer", "Bank",  "Ofen",     "ärger", "Umsatz"};
  int nr = 1000;
  for (const char* n : names) konto(std::to_string(nr++).c_str(), "", n);
  std::vector<std::string> order;
  for (const auto& s : kontenNach(KONTO_KEYNAME)) order.push_back(s.substr(5));
  EXPECT_EQ(order, (std::vector<std::string>{"Auto", "ärger", "Ärzte", "bank", "Bank", "Ofen", "Öl",
                                             "Steuer", "Umsatz", "Übertrag", "Zinsen"}));
}

TEST_F(DateienTest, TheBookingFileIsEncryptedUnderTheOwnerPassword) {
  const char* texte[] = {"Geheime Miete Januar", "Zahnarzt Schmidt", "Büromöbel"};
  for (int i = 0; i < 3; ++i) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = i + 1;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2025, 1, 10 + i));
    BUCHUNG.KONTO = "8400";
    BUCHUNG.TEXT[0] = texte[i];
    BUCHUNG.TEXT[1] = "Konto 8400";
    ASSERT_EQ(BUCHUNGDATEI.add(), kNoError);
  }
  konto("4000", "BÜRO", "Bürobedarf");
  BUCHUNGDATEI.close();
  KONTODATEI.close();

  const QByteArray gespeichert = bytesOf(folder.file("Buchung.dat"));
  ASSERT_FALSE(gespeichert.isEmpty());
  for (const char* t : texte) {
    EXPECT_FALSE(gespeichert.contains(t)) << t;
    EXPECT_FALSE(gespeichert.contains(rt::utf8ToCp1252(t).c_str())) << t;
  }
  EXPECT_FALSE(gespeichert.contains("Konto 8400"));
  EXPECT_FALSE(gespeichert.contains("BUCHUNG"));  // not even the table's name
  EXPECT_TRUE(bytesOf(folder.file("Konto.dat")).contains("Bürobedarf"));  // no password: plain

  DataFile ohneSchluessel(BUCHUNG_AUFBAU, &BUCHUNG, BUCHUNGPFAD);
  DataFile andererSchluessel(BUCHUNG_AUFBAU, &BUCHUNG, BUCHUNGPFAD, "0123456789abcdef");
  EXPECT_EQ(ohneSchluessel.open(AccessMode::ReadWriteDenyWrite), kInvalidDataFile);
  EXPECT_EQ(andererSchluessel.open(AccessMode::ReadWriteDenyWrite), kInvalidDataFile);
  EXPECT_EQ(bytesOf(folder.file("Buchung.dat")), gespeichert);

  ASSERT_EQ(BUCHUNGDATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  BUCHUNG.NR = 2;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), kNoError);
  EXPECT_EQ(BUCHUNG.TEXT[0].utf8(), "Zahnarzt Schmidt");
}

// Start values as the account list writes them (a filter followed by chr(0), the filter followed by
// chr(255), a blank field): each key compares them as the blank-padded field, so a blank field sorts
// before every text and chr(0) before the blank.
TEST_F(DateienTest, TextKeysCompareAsBlankPaddedFields) {
  konto("0005", "K", "Kasse");
  konto("0010", "T", "Telefon");
  konto("0050", "", "Bank");
  konto("4100", "", "");
  int nr = 0;
  for (const char* k : {"0005", "", "0010"}) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = ++nr;
    BUCHUNG.KONTO = k;
    BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2025, 1, 1));
    ASSERT_EQ(BUCHUNGDATEI.add(), kNoError);
  }
  const std::string nul(1, '\0'), ff(1, '\xFF');
  struct Case {
    rt::isam::Key key;
    std::string start;
    std::vector<std::string> forward;  // the walk from the start value to the end
    std::string backward;              // the record one Previous reads; "" for none
  } cases[] = {
      {KONTO_KEYSHORTCUT, nul, {"0050", "4100", "0005", "0010"}, ""},
      {KONTO_KEYSHORTCUT, "", {"0050", "4100", "0005", "0010"}, "4100"},
      {KONTO_KEYSHORTCUT, "k" + nul, {"0005", "0010"}, "4100"},
      {KONTO_KEYSHORTCUT, "K" + ff + ff, {"0010"}, "0005"},
      {KONTO_KEYSHORTCUT, ff, {}, "0010"},
      {KONTO_KEYNR, nul, {"0005", "0010", "0050", "4100"}, ""},
      {KONTO_KEYNR, "0005" + nul, {"0005", "0010", "0050", "4100"}, ""},
      {KONTO_KEYNR, "0005" + ff + ff, {"0010", "0050", "4100"}, "0005"},
      {KONTO_KEYNR, "5" + nul, {}, "4100"},
      {KONTO_KEYNAME, nul, {"4100", "0050", "0005", "0010"}, ""},
      {KONTO_KEYNAME, "", {"4100", "0050", "0005", "0010"}, "4100"},
      {KONTO_KEYNAME, "KASSE" + nul, {"0005", "0010"}, "0050"},
      {KONTO_KEYNAME, ff, {}, "0010"},
      {BUCHUNG_KEYKONTO, nul, {"2", "1", "3"}, ""},
      {BUCHUNG_KEYKONTO, "", {"2", "1", "3"}, ""},  // the blank account, but from day 0 on
      {BUCHUNG_KEYKONTO, "0005" + nul, {"1", "3"}, "2"},
      {BUCHUNG_KEYKONTO, ff, {}, "3"},
  };
  const auto nrOf = [](rt::isam::Key key) {
    return key.record == &KONTO_AUFBAU ? KONTO.NR.utf8() : std::to_string(BUCHUNG.NR);
  };
  for (const auto& c : cases) {
    DataFile& file = c.key.record == &KONTO_AUFBAU ? KONTODATEI : BUCHUNGDATEI;
    const char* keyName = c.key.record->keys[c.key.index].name;
    SCOPED_TRACE(std::string(keyName) + " from \"" + rt::fromCp1252(c.start).toStdString() + "\"");
    auto setStart = [&] {
      file.clear();
      if (c.key.index == KONTO_KEYNR.index && c.key.record == &KONTO_AUFBAU)
        KONTO.NR.assignBytes(c.start);
      else if (c.key.index == KONTO_KEYSHORTCUT.index && c.key.record == &KONTO_AUFBAU)
        KONTO.SHORTCUT.assignBytes(c.start);
      else if (c.key.record == &KONTO_AUFBAU)
        KONTO.NAME.assignBytes(c.start);
      else
        BUCHUNG.KONTO.assignBytes(c.start);
      file.setToValue(c.key);
    };
    setStart();
    std::vector<std::string> forward;
    while (file.next() == kNoError) forward.push_back(nrOf(c.key));
    EXPECT_EQ(file.error(), kRecordNotAvailable);
    EXPECT_EQ(forward, c.forward);
    setStart();
    EXPECT_EQ(file.previous() == kNoError ? nrOf(c.key) : "", c.backward);
  }
}

// A file whose sort forms were made by the earlier layout (trailing blanks left off), or under
// another collation, walks in the order of the fields once it is opened again.
TEST_F(DateienTest, AnOlderFileGetsItsSortFormsAgainWhenOpened) {
  konto("0005", "K", "Kasse");
  konto("0050", "", "Bank");
  konto("4100", "", "Ärzte");
  auto codeOrder = [&] {
    std::vector<std::string> out;
    KONTODATEI.clear();
    KONTO.SHORTCUT.assignBytes(std::string(1, '\0'));
    KONTODATEI.setToValue(KONTO_KEYSHORTCUT);
    while (KONTODATEI.next() == kNoError) out.push_back(KONTO.NR.utf8());
    return out;
  };
  const auto expected = codeOrder();
  ASSERT_EQ(expected, (std::vector<std::string>{"0050", "4100", "0005"}));
  const auto names = kontenNach(KONTO_KEYNAME);

  // What the earlier layout stored: the weights of the text without its trailing blanks.
  sqlite3* db = KONTODATEI.connection();
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE KONTO SET KEY_NR = CAST(rtrim(KEY_NR) AS BLOB), KEY_SHORTCUT = "
                         "CAST(rtrim(KEY_SHORTCUT) AS BLOB), KEY_NAME = CAST(rtrim(KEY_NAME) AS BLOB);"
                         " PRAGMA user_version = 0",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_NE(codeOrder(), expected);  // the stale forms do walk wrongly
  KONTODATEI.close();
  ASSERT_EQ(KONTODATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(codeOrder(), expected);
  EXPECT_EQ(kontenNach(KONTO_KEYNAME), names);

  // Opened under byte order, "Ä" sorts after "Z"; back under the German order it sorts first again.
  KONTODATEI.close();
  rt::Collation::reset();
  ASSERT_EQ(KONTODATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(kontenNach(KONTO_KEYNAME).front(), "0050 Bank");
  KONTODATEI.close();
  ASSERT_TRUE(rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs));
  ASSERT_EQ(KONTODATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(kontenNach(KONTO_KEYNAME), names);
  EXPECT_EQ(names.front(), "4100 Ärzte");
}

// A real booking file of about 180 KB with one changed byte in the middle: every walk that meets
// the damaged page ends with a failure of the file, not with the end of the file; the program names
// the file and the code once and writes nothing more to it, also after reopening it.
TEST_F(DateienTest, ADamagedPageOfTheBookingFileIsAFailureNeverTheEnd) {
  const rt::Day tag = rt::dayNumber(2025, 1, 1);
  ASSERT_EQ(BUCHUNGDATEI.begin(), kNoError);
  for (int nr = 1; nr <= 480; ++nr) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.DATUM = rt::dateOf(tag + nr % 365);
    BUCHUNG.KONTO = "4000";
    BUCHUNG.TEXT[0] = "Buchung " + std::to_string(nr);
    BUCHUNG.BRUTTO = rt::Cents::fromReal(nr);
    ASSERT_EQ(BUCHUNGDATEI.add(), kNoError);
  }
  ASSERT_EQ(BUCHUNGDATEI.commit(), kNoError);
  BUCHUNGDATEI.close();
  QByteArray bytes = bytesOf(folder.file("Buchung.dat"));
  ASSERT_GT(bytes.size(), 60000);
  const int mitte = 4096 + 2048;  // the table's first page, behind the file's header page
  bytes[mitte] = static_cast<char>(bytes[mitte] ^ 0x01);
  {
    QFile f(folder.file("Buchung.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  testing_support::MessageAnswers answers;
  ASSERT_EQ(BUCHUNGDATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  struct Walk {
    const char* what;
    rt::isam::Key key;
    bool forward;
  } walks[] = {{"by date forward", BUCHUNG_KEYDATUM, true},
               {"by date backward", BUCHUNG_KEYDATUM, false},
               {"by number forward", BUCHUNG_KEYNR, true},
               {"by number backward", BUCHUNG_KEYNR, false}};
  int failure = 0;
  for (const auto& w : walks) {
    SCOPED_TRACE(w.what);
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = w.forward ? 0 : INT32_MAX;
    BUCHUNG.DATUM = rt::dateOf(w.forward ? 0 : rt::kLatestDay);
    BUCHUNGDATEI.setToValue(w.key);
    int read = 0;
    while ((w.forward ? BUCHUNGDATEI.next() : BUCHUNGDATEI.previous()) == kNoError) ++read;
    EXPECT_LT(read, 480);
    EXPECT_NE(BUCHUNGDATEI.error(), kRecordNotAvailable);
    EXPECT_NE(BUCHUNGDATEI.error(), kNoError);
    failure = BUCHUNGDATEI.error();
  }
  EXPECT_EQ(BUCHUNGDATEI.failure(), failure);
  ASSERT_EQ(answers.texts(),
            QStringList{"Die Datei \"Buchung.dat\" ist beschädigt - Fehlercode " +
                        QString::number(failure) +
                        " | Bis zum Programmende wird nichts mehr in sie geschrieben."});

  const QByteArray vorher = bytesOf(folder.file("Buchung.dat"));
  auto schreiben = [&] {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = 1000;
    BUCHUNG.DATUM = rt::dateOf(tag);
    EXPECT_EQ(BUCHUNGDATEI.add(), failure);
    BUCHUNG.NR = 1;
    if (BUCHUNGDATEI.get(BUCHUNG_KEYNR) == kNoError) {
      EXPECT_EQ(BUCHUNGDATEI.put(), failure);
      EXPECT_EQ(BUCHUNGDATEI.remove(), failure);
    }
  };
  schreiben();
  BUCHUNGDATEI.close();
  ASSERT_EQ(BUCHUNGDATEI.open(AccessMode::ReadWriteDenyWrite), kNoError);
  schreiben();
  BUCHUNGDATEI.close();
  EXPECT_EQ(bytesOf(folder.file("Buchung.dat")), vorher);
  EXPECT_EQ(answers.texts().size(), 1);  // once
}

// "Konto.dat" and "Para.dat" carry no page authentication: a damaged page is found when they are
// opened, and the Open gives the file's code.
TEST_F(DateienTest, DamagedAccountAndParameterFilesAreRefusedAtOpen) {
  ASSERT_EQ(KONTODATEI.begin(), kNoError);
  for (int nr = 1000; nr < 1400; ++nr)
    konto(std::to_string(nr).c_str(), "X", ("Konto Nummer " + std::to_string(nr)).c_str());
  ASSERT_EQ(KONTODATEI.commit(), kNoError);
  KONTODATEI.close();
  ASSERT_EQ(PARADATEI.open(AccessMode::ReadWriteDenyNone), kNoError);
  ASSERT_EQ(PARADATEI.begin(), kNoError);
  for (int nr = 1; nr <= 700; ++nr) {
    PARAREC.NR = static_cast<std::int16_t>(nr);
    PARAREC.INHALT = "Wert " + std::to_string(nr);
    ASSERT_EQ(PARADATEI.add(), kNoError);
  }
  ASSERT_EQ(PARADATEI.commit(), kNoError);
  PARADATEI.close();

  struct Case {
    const char* name;
    DataFile& file;
    AccessMode mode;
  } cases[] = {{"Konto.dat", KONTODATEI, AccessMode::ReadWriteDenyWrite},
               {"Para.dat", PARADATEI, AccessMode::ReadWriteDenyNone}};
  testing_support::MessageAnswers answers;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = folder.file(c.name);
    QByteArray bytes = bytesOf(path);
    ASSERT_GT(bytes.size(), 8 * 4096);
    // Four bytes at the head of a page in the middle of the file.
    const int page = static_cast<int>(bytes.size() / 4096 / 2) * 4096;
    for (int i = 0; i < 4; ++i) bytes[page + i] = static_cast<char>(bytes[page + i] ^ 0x5A);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    EXPECT_EQ(c.file.open(c.mode), kInvalidDataFile);
    EXPECT_FALSE(c.file.isOpen());
    EXPECT_EQ(bytesOf(path), bytes);
  }
  EXPECT_TRUE(answers.texts().isEmpty());  // the callers of Open say what it means
}

// Opens one of the three files (args: "konto", "buchung" or "para", its path, the access mode
// 0 denied writing, 1 denied nothing, 2 denied all) and ends with the code of the Open.
int dateiOeffnen(const QStringList& args) {
  DataFile* file = &KONTODATEI;
  KONTOPFAD = args.value(1);
  if (args.value(0) == "buchung") {
    file = &BUCHUNGDATEI;
    BUCHUNGPFAD = args.value(1);
  } else if (args.value(0) == "para") {
    file = &PARADATEI;
    PARAPFAD = args.value(1);
  }
  const int code = file->open(static_cast<AccessMode>(args.value(2).toInt()));
  file->close();
  return code;
}
TAVIK_CHILD_MODE("dateien-oeffnen", dateiOeffnen);

TEST_F(DateienTest, ShareModesBetweenProcesses) {
  constexpr auto kDenyWrite = AccessMode::ReadWriteDenyWrite;
  constexpr auto kDenyNone = AccessMode::ReadWriteDenyNone;
  constexpr auto kDenyAll = AccessMode::ReadWriteDenyAll;
  struct Case {
    const char* file;
    DataFile* held;
    AccessMode mine, theirs;
    int expected;
  } cases[] = {
      {"konto", &KONTODATEI, kDenyWrite, kDenyWrite, kAccessDenied},  // a second instance
      {"buchung", &BUCHUNGDATEI, kDenyWrite, kDenyWrite, kAccessDenied},
      {"konto", &KONTODATEI, kDenyWrite, kDenyNone, kAccessDenied},
      {"para", &PARADATEI, kDenyNone, kDenyNone, kNoError},  // two at once
      {"para", &PARADATEI, kDenyAll, kDenyNone, kAccessDenied},
      {"para", &PARADATEI, kDenyNone, kDenyAll, kAccessDenied},
      {"konto", nullptr, kDenyWrite, kDenyWrite, kNoError},  // nobody holds it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(static_cast<int>(c.mine)) + "/" +
                 std::to_string(static_cast<int>(c.theirs)));
    for (DataFile* f : {&KONTODATEI, &BUCHUNGDATEI, &PARADATEI}) f->close();
    if (c.held) {
      ASSERT_EQ(c.held->open(c.mine), kNoError);
    }
    const QString path = folder.file(c.file == std::string("konto")     ? "Konto.dat"
                                     : c.file == std::string("buchung") ? "Buchung.dat"
                                                                        : "Para.dat");
    QProcess child;
    child.start(testing_support::selfPath(), {"--child=dateien-oeffnen", c.file, path,
                                              QString::number(static_cast<int>(c.theirs))});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitCode(), c.expected);
    if (c.held) {
      EXPECT_TRUE(c.held->isOpen());
    }
  }
}

}  // namespace
