#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/common/Queues.h"
#include "tests/bookkeeping/booking/Fixture.h"

using rt::isam::AccessMode;

namespace {

struct BookingLogicTest : DataFolderTest {
  void SetUp() override {
    DataFolderTest::SetUp();
    resetEntry();
    EingabeDatenLeeren();
  }

  // Enters a booking on the account `code` and stores it; returns its number.
  int book(const char* code, double gross, const char* text = "", rt::Day day = rt::dayNumber(2026, 3, 1)) {
    EingabeDatenLeeren();
    CODE = code;
    EXPECT_EQ(KontoNachschlagen(), Suche::Gefunden);
    KontoUebernehmen(0);
    BUCHUNGEINGABE.DATUM = rt::dateOf(day);
    BUCHUNGEINGABE.BRUTTO = euro(gross);
    if (*text) BUCHUNGEINGABE.TEXT[0] = text;
    NettoMwstBerechnen();
    EXPECT_EQ(BuchungSpeichern(), Speichern::Gespeichert);
    return BUCHUNG.NR;
  }
  std::vector<int> numbers() {
    std::vector<int> out;
    BUCHUNGDATEI.clear();
    BUCHUNGDATEI.set(BUCHUNG_KEYNR);
    while (BUCHUNGDATEI.next() == 0) out.push_back(+BUCHUNG.NR);
    return out;
  }
  QStringList pickList() {
    QStringList out;
    for (const auto& z : KONTOQUEUE.rows()) out << z.NR.clip();
    return out;
  }
};

}  // namespace

TEST_F(BookingLogicTest, NetAndVatFromTheGrossAmount) {
  struct Case {
    double gross;
    int key;
    double net, vat;
  };
  const Case cases[] = {{119, 2, 100, 19},   {100, 2, 84.03, 15.97}, {10, 3, 9.35, 0.65},
                        {50, 3, 46.73, 3.27}, {-119, 2, -100, -19},  {80, 1, 80, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gross);
    KONTOMWST = static_cast<std::int16_t>(c.key);
    BUCHUNGEINGABE.BRUTTO = euro(c.gross);
    NettoMwstBerechnen();
    EXPECT_EQ(BUCHUNGEINGABE.NETTO, euro(c.net));
    EXPECT_EQ(BUCHUNGEINGABE.MWST, euro(c.vat));
  }
  // VAT key 0 leaves both as they were.
  KONTOMWST = 0;
  BUCHUNGEINGABE.NETTO = euro(1.5);
  BUCHUNGEINGABE.MWST = euro(2.5);
  BUCHUNGEINGABE.BRUTTO = euro(119);
  NettoMwstBerechnen();
  EXPECT_EQ(BUCHUNGEINGABE.NETTO, euro(1.5));
  EXPECT_EQ(BUCHUNGEINGABE.MWST, euro(2.5));
  // The two questions subtract.
  BUCHUNGEINGABE.NETTO = euro(100.01);
  MwstAusNetto();
  EXPECT_EQ(BUCHUNGEINGABE.MWST, rt::Cents(1899));
  BUCHUNGEINGABE.MWST = euro(18);
  NettoAusMwst();
  EXPECT_EQ(BUCHUNGEINGABE.NETTO, euro(101));
}

TEST_F(BookingLogicTest, ThePickListAndTheLookup) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  account("0012", "", 2, "Porto", 2);
  account("1200", "Kl", 2, "Kleinteile", 2);
  account("4100", "", 2, "Arbeitszimmer", 1);
  account("8000", "E", 1, "Eingang", 2);
  struct Case {
    const char* code;
    QStringList list;
  };
  const Case cases[] = {
      {"", {"1200", "4000", "8000", "0012", "4100"}},  // with a code first, then without
      {"12", {"1200"}},
      {"0", {"0012"}},
      {"K", {"1200", "4000"}},
      {"Kl", {"1200"}},
      {"k", {}},  // the list compares exactly
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    CODE = c.code;
    AuswahlListeFuellen();
    EXPECT_EQ(pickList(), c.list);
  }
  struct Lookup {
    const char* code;
    Suche result;
    const char* nr;
  };
  for (const Lookup l : {Lookup{"12", Suche::NichtGefunden, ""}, Lookup{"0012", Suche::Gefunden, "0012"},
                         Lookup{"k", Suche::Gefunden, "4000"}, Lookup{"e", Suche::Gefunden, "8000"},
                         Lookup{"", Suche::KeineSuche, ""}, Lookup{"X", Suche::NichtGefunden, ""}}) {
    SCOPED_TRACE(l.code);
    CODE = l.code;
    EXPECT_EQ(KontoNachschlagen(), l.result);
    if (l.result == Suche::Gefunden) { EXPECT_EQ(KONTO.NR.clip(), l.nr); }
  }
}

TEST_F(BookingLogicTest, TakeOverAndClearing) {
  account("8000", "E", 1, "Eingang von Kundinnen und Kunden", 2, "ReNr #");
  CODE = "E";
  ASSERT_EQ(KontoNachschlagen(), Suche::Gefunden);
  EXPECT_EQ(KontoUebernehmen(0), 1);
  EXPECT_EQ(KONTOMWST, 2);
  EXPECT_EQ(KONTONAME_.clip(), "Eingang von Kundinne");
  EXPECT_EQ(BUCHUNGEINGABE.KONTO.clip(), "8000");
  EXPECT_EQ(BUCHUNGEINGABE.TEXT[0].clip(), "ReNr #");

  // With the edit mark the loaded key and texts stay.
  KONTOMWST = 3;
  BUCHUNGEINGABE.TEXT[0] = "Rechnung 17";
  KontoUebernehmen(1);
  EXPECT_EQ(KONTOMWST, 3);
  EXPECT_EQ(BUCHUNGEINGABE.TEXT[0].clip(), "Rechnung 17");

  EingabeDatenLeeren();
  EXPECT_TRUE(CODE.isBlank());
  EXPECT_TRUE(BUCHUNGEINGABE.KONTO.isBlank());
  EXPECT_EQ(rt::dayNumber(BUCHUNGEINGABE.DATUM), rt::today());
  EXPECT_EQ(KONTOMWST, 3);  // not reset
  DATUMMERKEN = 1;
  MERKDATUM = rt::dateOf(rt::dayNumber(2026, 2, 14));
  EingabeDatenLeeren();
  EXPECT_EQ(BUCHUNGEINGABE.DATUM, MERKDATUM);
}

TEST_F(BookingLogicTest, NumberingAndTheStore) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  EXPECT_EQ(book("K", 119, "Büromaterial"), 1);
  EXPECT_EQ(LETZTEBUCHUNG.clip(), "Letzte Eingabe:      119,00 / Büromaterial");
  EXPECT_EQ(book("K", 10, "Ein sehr langer Buchungstext über dreißig Zeichen"), 2);
  EXPECT_EQ(LETZTEBUCHUNG.clip(), "Letzte Eingabe:       10,00 / Ein sehr langer Buch");
  EXPECT_EQ(book("K", 20), 3);

  // The stored record: net, VAT, key and kind; the entry is cleared afterwards.
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.NETTO, euro(100));
  EXPECT_EQ(BUCHUNG.MWST, euro(19));
  EXPECT_EQ(BUCHUNG.MWSTSATZ, 2);
  EXPECT_EQ(BUCHUNG.ART, 2);
  EXPECT_EQ(BUCHUNG.KONTO.clip(), "4000");
  EXPECT_TRUE(CODE.isBlank());

  // Freed numbers are not reused unless they were the highest.
  BUCHUNG.NR = 2;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  BUCHUNGDATEI.remove();
  EXPECT_EQ(book("K", 5), 4);
  BUCHUNG.NR = 4;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  BUCHUNGDATEI.remove();
  EXPECT_EQ(book("K", 5), 4);
  EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4}));

  // A date of 0 stores nothing and leaves the entry.
  CODE = "K";
  BUCHUNGEINGABE.DATUM = {};
  BUCHUNGEINGABE.BRUTTO = euro(7);
  EXPECT_EQ(BuchungSpeichern(), Speichern::NichtGespeichert);
  EXPECT_EQ(CODE.clip(), "K");
  EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(7));
  EXPECT_EQ(numbers().size(), 3u);
}

TEST_F(BookingLogicTest, ASearchModeStoreAppendsToTheResults) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  BUCHUNGSUCHEN = 1;
  book("K", 50, "Tanken", rt::dayNumber(2025, 1, 2));
  ASSERT_EQ(SUCHQUEUE.records(), 1u);
  EXPECT_EQ(SUCHQUEUE.get(1)->TEXT.full().left(9), "Tanken   ");
  EXPECT_EQ(SUCHQUEUE.get(1)->BETRAG, euro(50));
  EXPECT_EQ(rt::dayNumber(SUCHQUEUE.get(1)->DATUM), rt::dayNumber(2025, 1, 2));
  BUCHUNGSUCHEN = 0;
  book("K", 60);
  EXPECT_EQ(SUCHQUEUE.records(), 1u);
}

TEST_F(BookingLogicTest, LoadForEditing) {
  account("4000", "K", 2, "Kfz-Kosten", 2, "Tanken");
  account("4010", "T", 2, "Telefon", 2);
  book("K", 119, "Werkstatt");
  const int telefon = book("T", 30);

  // Gone from the file: nothing happens.
  GEWAEHLTEBUCHUNG = 99;
  EingabeDatenLeeren();
  EXPECT_EQ(BuchungLadenFuerBearbeitung(), Laden::NichtsGeladen);
  EXPECT_TRUE(CODE.isBlank());

  // Its account gone: the booking stays in the file.
  KONTO.NR = "4010";
  ASSERT_EQ(KONTODATEI.get(KONTO_KEYNR), 0);
  KONTODATEI.remove();
  GEWAEHLTEBUCHUNG = telefon;
  EXPECT_EQ(BuchungLadenFuerBearbeitung(), Laden::KontoFehlt);
  EXPECT_EQ(CODE.clip(), "4010");
  EXPECT_EQ(numbers().size(), 2u);

  // Loaded: out of the file while it is edited; the loaded key and texts stay on take-over.
  EingabeDatenLeeren();
  GEWAEHLTEBUCHUNG = 1;
  KONTOMWST = 0;
  EXPECT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
  EXPECT_EQ(numbers(), std::vector<int>{2});
  EXPECT_EQ(CODE.clip(), "4000");
  EXPECT_EQ(KONTOMWST, 2);
  ASSERT_EQ(KontoNachschlagen(), Suche::Gefunden);
  KontoUebernehmen(1);
  EXPECT_EQ(BUCHUNGEINGABE.TEXT[0].clip(), "Werkstatt");
  EXPECT_EQ(BuchungSpeichern(), Speichern::Gespeichert);
  EXPECT_EQ(+BUCHUNG.NR, 3);
  EXPECT_EQ(numbers(), (std::vector<int>{2, 3}));

  // Loading the highest booking and storing it again keeps its number; clearing instead deletes it.
  GEWAEHLTEBUCHUNG = 3;
  ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
  EXPECT_EQ(BuchungSpeichern(), Speichern::Gespeichert);
  EXPECT_EQ(+BUCHUNG.NR, 3);
  GEWAEHLTEBUCHUNG = 3;
  ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
  EingabeDatenLeeren();
  EXPECT_EQ(numbers(), std::vector<int>{2});
}

TEST_F(BookingLogicTest, ABookingThatCannotLeaveTheFileIsNotLoaded) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  book("K", 10, "Tanken");
  GEWAEHLTEBUCHUNG = 1;
  BUCHUNGDATEI.failNextWrite(90);
  EXPECT_EQ(BuchungLadenFuerBearbeitung(), Laden::Fehlgeschlagen);
  EXPECT_EQ(BuchungSpeichernFehler(), 90);
  EXPECT_EQ(numbers(), std::vector<int>{1});
  EXPECT_TRUE(CODE.isBlank());
  EXPECT_TRUE(BUCHUNGEINGABE.KONTO.isBlank());
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Tanken");
}

TEST_F(BookingLogicTest, NoNumberAfterTheHighestOne) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 2147483647;
  BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2026, 5, 5));
  ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  CODE = "K";
  BUCHUNGEINGABE.DATUM = rt::dateOf(rt::dayNumber(2026, 5, 6));
  BUCHUNGEINGABE.BRUTTO = euro(7);
  EXPECT_EQ(BuchungSpeichern(), Speichern::KeineNummerFrei);
  EXPECT_EQ(numbers(), std::vector<int>{2147483647});
  EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(7));  // the entry stays for the user
}

TEST_F(BookingLogicTest, AFailedStoreKeepsTheEntry) {
  account("4000", "K", 2, "Kfz-Kosten", 2);
  book("K", 10);
  GEWAEHLTEBUCHUNG = 1;
  ASSERT_EQ(BuchungLadenFuerBearbeitung(), Laden::Geladen);
  BUCHUNGDATEI.close();  // the file can no longer take it
  EXPECT_EQ(BuchungSpeichern(), Speichern::Fehlgeschlagen);
  EXPECT_NE(BuchungSpeichernFehler(), 0);
  EXPECT_EQ(CODE.clip(), "4000");
  EXPECT_EQ(BUCHUNGEINGABE.BRUTTO, euro(10));
  ASSERT_EQ(BUCHUNGDATEI.open(AccessMode::ReadWriteDenyWrite), 0);
  EXPECT_EQ(BuchungSpeichern(), Speichern::Gespeichert);
  EXPECT_EQ(numbers(), std::vector<int>{1});
}
