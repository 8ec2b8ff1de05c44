#pragma once
// The export over a temporary data folder: accounts and bookings straight into the files, the
// documents folder in a temporary folder, and the bytes of the files written.

#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Collation.h"
#include "runtime/text/Cp1252.h"
#include "runtime/text/Picture.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>

// The header line as the file must begin, 149 bytes.
inline const std::string kKopf =
    "Konto-Nr;Konto Name;Buchungsdatum;Buchungstext 1;Buchungstext 2;Bruttowert;Nettowert;MwStwert;"
    "Buchungsart (1=Eingang / 2=Ausgang / 3=USt);MwStsatz;\r\n";

inline std::string dateiInhalt(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll().toStdString();
}

inline void dateiSchreiben(const QString& path, const std::string& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

inline rt::Day tag(int y, int m, int d) { return rt::dayNumber(y, m, d); }

struct ExportTest : ::testing::Test {
  testing_support::TempFolder daten, dokumente;

  void SetUp() override {
    rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
    qputenv("TAVIK_FOLDER_PERSONAL", QDir::toNativeSeparators(dokumente.path()).toUtf8());
    KONTOPFAD = daten.file("Konto.dat");
    BUCHUNGPFAD = daten.file("Buchung.dat");
    ASSERT_EQ(KONTODATEI.create(), 0);
    ASSERT_EQ(BUCHUNGDATEI.create(), 0);
    dateienOeffnen();
    PARA = PARA_T{};
    PARA.MWST_1 = 0;
    PARA.MWST_2 = 19;
    PARA.MWST_3 = 7;
  }
  void TearDown() override {
    KONTODATEI.close();
    BUCHUNGDATEI.close();
    qunsetenv("TAVIK_FOLDER_PERSONAL");
    PARA = PARA_T{};
    rt::Collation::reset();
  }
  static void dateienOeffnen() {
    ASSERT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
    ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  }
  static void konto(const char* nr, const char* name, int art = 2) {
    KONTODATEI.clear();
    KONTO.NR = nr;
    KONTO.NAME = name;
    KONTO.ART = static_cast<std::uint8_t>(art);
    ASSERT_EQ(KONTODATEI.add(), 0);
  }
  static void buchung(int nr, const char* konto, rt::Day tag, int art, double brutto, double netto, double mwst,
                      int satz, const char* text1, const char* text2 = "") {
    BUCHUNGDATEI.clear();
    BUCHUNG.NR = nr;
    BUCHUNG.KONTO = konto;
    BUCHUNG.DATUM = rt::dateOf(tag);
    BUCHUNG.ART = static_cast<std::uint8_t>(art);
    BUCHUNG.BRUTTO = rt::Cents::fromReal(brutto);
    BUCHUNG.NETTO = rt::Cents::fromReal(netto);
    BUCHUNG.MWST = rt::Cents::fromReal(mwst);
    BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(satz);
    BUCHUNG.TEXT[0] = text1;
    BUCHUNG.TEXT[1] = text2;
    ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  }
  // A simple line: booking `nr` of account 0004 on `tag`, 10,00 gross, kind 1, no VAT key.
  static void einfach(int nr, rt::Day t) { buchung(nr, "0004", t, 1, 10, 10, 0, 0, ("B" + std::to_string(nr)).c_str()); }
  static std::string einfacheZeile(int nr, rt::Day t) {
    return rt::utf8ToCp1252("0004;Bürobedarf;" + rt::formatDate(t).toStdString() + ";B" + std::to_string(nr) +
                            ";;       10,00;       10,00;        0,00;1;;\r\n");
  }
  // Simple bookings 1..n, `proTag` a day from `erster` on, added in one transaction.
  static void viele(int n, rt::Day erster, int proTag) {
    sqlite3_exec(BUCHUNGDATEI.connection(), "BEGIN", nullptr, nullptr, nullptr);
    for (int nr = 1; nr <= n; ++nr) einfach(nr, erster + nr / proTag);
    sqlite3_exec(BUCHUNGDATEI.connection(), "COMMIT", nullptr, nullptr, nullptr);
  }
  QString exportDatei() const { return dokumente.file("Tavik.csv"); }
};

inline std::string cp(const std::string& utf8) { return rt::utf8ToCp1252(utf8); }
