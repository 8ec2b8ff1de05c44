#pragma once
// Open "Konto.dat" and "Buchung.dat" in a temporary folder, the German collation and a fixed today.

#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Collation.h"
#include "runtime/text/Picture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

namespace rt {
// Amounts in test messages as the program shows them.
inline void PrintTo(Cents betrag, std::ostream* os) { *os << formatAmount(betrag).trimmed().toStdString(); }
}  // namespace rt

// An amount written in euros: euro(59.5) is 59,50.
inline rt::Cents euro(double betrag) { return rt::Cents::fromReal(betrag); }

struct DataFolderTest : ::testing::Test {
  testing_support::TempFolder folder;

  void SetUp() override {
    rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
    rt::setTodayForTesting(rt::dayNumber(2026, 3, 5));
    KONTOPFAD = folder.file("Konto.dat");
    BUCHUNGPFAD = folder.file("Buchung.dat");
    PARAPFAD = folder.file("Para.dat");
    KONTODATEI.create();
    BUCHUNGDATEI.create();
    ASSERT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
    ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
    PARA = PARA_T{};
    PARA.MWST_2 = 19;
    PARA.MWST_3 = 7;
  }
  void TearDown() override {
    KONTODATEI.close();
    BUCHUNGDATEI.close();
    rt::setTodayForTesting(0);
    rt::Collation::reset();
  }

  // The booking form's entry variables as at program start.
  static void resetEntry() {
    CODE.clear();
    KONTOMWST = 0;
    DATUMMERKEN = 0;
    MERKDATUM = {};
    LETZTEBUCHUNG.clear();
    BUCHUNGSUCHEN = 0;
    SUCHQUEUE.clear();
  }

  void account(const char* nr, const char* code, int art, const char* name, int mwst, const char* text1 = "") {
    KONTODATEI.clear();
    KONTO.NR = nr;
    KONTO.SHORTCUT = code;
    KONTO.ART = static_cast<std::uint8_t>(art);
    KONTO.NAME = name;
    KONTO.MWST = static_cast<std::int16_t>(mwst);
    KONTO.TEXTVORGABE[0] = text1;
    ASSERT_EQ(KONTODATEI.add(), 0);
  }
  // Adds a booking straight to the file.
  void booking(int nr, rt::Day day, int art, double gross, const char* text1 = "", const char* text2 = "",
               double net = 0, double vat = 0) {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.DATUM = rt::dateOf(day);
    BUCHUNG.ART = static_cast<std::uint8_t>(art);
    BUCHUNG.BRUTTO = euro(gross);
    BUCHUNG.NETTO = euro(net);
    BUCHUNG.MWST = euro(vat);
    BUCHUNG.TEXT[0] = text1;
    BUCHUNG.TEXT[1] = text2;
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
};
