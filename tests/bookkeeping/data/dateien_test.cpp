// The three data files with their records and keys: round trips, the walks the program builds,
// the account keys, the encryption of "Buchung.dat" and the share modes between processes.

#include "bookkeeping/data/Dateien.h"
#include "runtime/isam/Errors.h"
#include "runtime/text/Collation.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

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
  BUCHUNG.BRUTTO = -1234.56;
  BUCHUNG.NETTO = -1037.445378151261;
  BUCHUNG.MWST = 1e-300;
  BUCHUNG.ART = 2;
  BUCHUNG.MWSTSATZ = 5;
  BUCHUNG.EXTRA[0] = 0xFF;
  BUCHUNG.EXTRA[199] = 1;
  const BUCHUNG_T buchung = BUCHUNG;
  ASSERT_EQ(BUCHUNGDATEI.add(), kNoError);
  BUCHUNGDATEI.clear();
  EXPECT_TRUE(BUCHUNG.DATUM.isZero());
  EXPECT_EQ(BUCHUNG.BRUTTO, 0.0);
  EXPECT_TRUE(BUCHUNG.TEXT[1].isBlank());
  EXPECT_EQ(BUCHUNG.KONTOTEXT.raw(), std::string(20, ' '));
  EXPECT_EQ(BUCHUNG.EXTRA[0], 0);
  BUCHUNG.NR = 2147483000;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), kNoError);
  EXPECT_TRUE(sameBytes(BUCHUNG, buchung));

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
    while (BUCHUNGDATEI.next() == kNoError) out.push_back(BUCHUNG.NR);
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
           out.push_back(BUCHUNG.NR);
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
