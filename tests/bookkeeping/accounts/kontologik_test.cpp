#include "bookkeeping/accounts/KontoLogik.h"
#include "tests/bookkeeping/accounts/KontenFixture.h"

namespace {

struct Fill {
  int order;
  const char* filter;
  const char* expected;
};

void setFilter(const Fill& f) {
  KONTONAME.clear();
  KONTOSHORTCUT.clear();
  KONTONR.clear();
  KONTENSORTIERUNG = static_cast<std::uint8_t>(f.order);
  if (f.order == 1) KONTONAME = f.filter;
  if (f.order == 2) KONTONR = f.filter;
  if (f.order == 3) KONTOSHORTCUT = f.filter;
}

}  // namespace

// Filters match a prefix of the field, in any case and with the collation's umlauts, in key order;
// accounts of one name follow each other in the order the file keeps them.
TEST_F(KontenTest, AFillListsTheAccountsWhoseFieldBeginsWithTheFilter) {
  chart();
  const Fill fills[] = {
      {1, "m", "4000 5000 4400"},
      {1, "MI", "4000 5000"},
      {1, "mö", "4400"},
      {1, "ä", "4999"},
      {1, "Ä", "4999"},
      {1, "x", ""},
      {2, "4", "4000 4400 4999"},
      {2, "5", "5000"},
      {2, "00", "0000 0005"},
      {2, "", "0000 0005 1780 4000 4400 4999 5000 8400"},
      {3, "k", "0005 4400 4000"},
      {3, "kas", "4400"},
      {3, "Q", ""},
  };
  for (const Fill& f : fills) {
    setFilter(f);
    KontenListeFuellen();
    EXPECT_EQ(rows(), f.expected) << "order " << f.order << " filter " << f.filter;
  }
  // The filter variable itself is upper-cased.
  EXPECT_EQ(KONTOSHORTCUT.clip(), "Q");
  setFilter({1, "möbel", ""});
  KontenListeFuellen();
  EXPECT_EQ(KONTONAME.clip(), "MÖBEL");
}

// These two need the text keys to compare blank-padded: a filter that is the whole field, and a
// walk that starts at a blank code.
TEST_F(KontenTest, AFilterThatIsTheWholeFieldListsItAndTheCodeOrderEndsWithTheAccountsWithoutACode) {
  chart();
  setFilter({2, "0005", ""});
  KontenListeFuellen();
  EXPECT_EQ(rows(), "0005");
  setFilter({1, "miete", ""});
  KontenListeFuellen();
  EXPECT_EQ(rows(), "4000 5000");
  setFilter({3, "", ""});
  KontenListeFuellen();
  EXPECT_EQ(rows(), "8400 0005 4400 4000 5000 0000 1780 4999");
}

TEST_F(KontenTest, AFillStopsWhenAKeyPressIsWaiting) {
  chart();
  for (int order : {1, 2, 3}) {
    setFilter({order, order == 3 ? "k" : "", ""});
    int asked = 0;
    KontenListeFuellen([&] { return ++asked > 2; });
    EXPECT_EQ(KONTOQUEUE.records(), 2u) << "order " << order;
    // The code order's second pass stops at once too.
    EXPECT_EQ(asked, order == 3 ? 4 : 3);
  }
}

TEST_F(KontenTest, TheChecksReportTheFirstMissingPartInTheirOrder) {
  struct Case {
    const char* name;
    const char* nr;
    int art;
    int mwst;
    KontoFehler expected;
  };
  const Case cases[] = {
      {"", "", 0, 0, KontoFehler::Name},       {"Bank", "", 0, 0, KontoFehler::Nr},
      {"Bank", "12", 0, 0, KontoFehler::Art},  {"Bank", "12", 1, 0, KontoFehler::Mwst},
      {"Bank", "12", 2, 0, KontoFehler::Mwst}, {"USt", "12", 3, 0, KontoFehler::Keiner},
      {"Bank", "0", 1, 2, KontoFehler::Keiner},
  };
  for (const Case& c : cases) {
    KONTO_T k{};
    KONTODATEI.clear();
    k = KONTO;
    k.NAME = c.name;
    k.NR = c.nr;
    k.ART = static_cast<std::uint8_t>(c.art);
    k.MWST = static_cast<std::int16_t>(c.mwst);
    EXPECT_EQ(KontoPruefen(k), c.expected) << c.name << "/" << c.nr << "/" << c.art << "/" << c.mwst;
  }
}

TEST_F(KontenTest, ASaveWritesFourDigitsAndRefusesADuplicateNumber) {
  chart();
  KONTODATEI.clear();
  KONTO_T neu = KONTO;
  neu.NAME = "Porto";
  neu.NR = "7";
  neu.ART = 2;
  neu.MWST = 1;
  ASSERT_EQ(KontoSpeichern(0, neu, neu.NR), KontoSichern::Gespeichert);
  EXPECT_EQ(neu.NR.clip(), "0007");
  ASSERT_TRUE(readAccount("0007"));
  EXPECT_EQ(KONTO.NAME.clip(), "Porto");

  // Added once more, and an existing account changed to that number: both refused, nothing written.
  neu.NAME = "Porto 2";
  EXPECT_EQ(KontoSpeichern(0, neu, neu.NR), KontoSichern::NrVorhanden);
  ASSERT_TRUE(readAccount("4000"));
  KONTO_T miete = KONTO;
  miete.NR = "7";
  EXPECT_EQ(KontoSpeichern(4000, miete, "4000"), KontoSichern::NrVorhanden);
  EXPECT_EQ(fileNumbers(), "0000 0005 0007 1780 4000 4400 4999 5000 8400");
  ASSERT_TRUE(readAccount("0007"));
  EXPECT_EQ(KONTO.NAME.clip(), "Porto");
}

// The account is rewritten under its new number and its list row with it, also when another window
// has read an account in the meantime; its bookings keep the old number.
TEST_F(KontenTest, ARewriteHitsTheAccountThatWasReadAndItsRow) {
  chart();
  booking(1, rt::dayNumber(2026, 3, 1), 2, 500, "Miete März");
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  BUCHUNG.KONTO = "4000";
  ASSERT_EQ(BUCHUNGDATEI.put(), 0);

  KONTENSORTIERUNG = 1;
  KONTONAME = "m";
  KontenListeFuellen();
  ASSERT_NE(KontoZeileLesen(1), nullptr);
  ASSERT_TRUE(readAccount("4000"));
  KONTO_T miete = KONTO;
  ASSERT_TRUE(readAccount("8400"));  // another window reads an account
  miete.NR = "4100";
  miete.NAME = "Miete Büro";
  ASSERT_EQ(KontoSpeichern(4000, miete, "4000"), KontoSichern::Gespeichert);

  EXPECT_EQ(fileNumbers(), "0000 0005 1780 4100 4400 4999 5000 8400");
  ASSERT_TRUE(readAccount("8400"));
  EXPECT_EQ(KONTO.NAME.clip(), "Erlöse");
  EXPECT_EQ(KONTOQUEUE.get(1)->NAME.clip(), "Miete Büro");
  EXPECT_EQ(KONTOQUEUE.get(1)->NR.clip(), "4100");
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.KONTO.clip(), "4000");
}

TEST_F(KontenTest, AWriteTheFileRefusesIsReportedAsFailed) {
  chart();
  ASSERT_TRUE(readAccount("4000"));
  KONTO_T miete = KONTO;
  miete.NAME = "Miete neu";
  KONTODATEI.failNextWrite(rt::isam::kOtherError);
  EXPECT_EQ(KontoSpeichern(4000, miete, "4000"), KontoSichern::Fehlgeschlagen);
  EXPECT_EQ(KontoSpeichernFehler(), rt::isam::kOtherError);
  ASSERT_TRUE(readAccount("4000"));
  EXPECT_EQ(KONTO.NAME.clip(), "Miete");
}
