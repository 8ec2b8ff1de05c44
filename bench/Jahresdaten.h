#pragma once
// The data the benchmarks that drive the whole program work on: a year (2026) of bookings in
// scattered date order (the order of the date key hops all over the file), 5 income accounts, 50
// expense accounts and a VAT account; every third booking income (VAT keys 1 to 5 in turn), one in
// 20 a VAT prepayment, the others expenses over the 50 accounts; December as the period.
//
// Making a million bookings takes a while, so the files are made once and kept below
// /tmp/tavik-bench-fixtures (or $TAVIK_BENCH_FIXTURES) for later runs; a benchmark works on a copy.

#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/text/Collation.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdio>
#include <string>

namespace jahresdaten {

constexpr int kJahr = 2026;
constexpr int kAusgabenKonten = 50;

inline QString datenordner(const QString& appdata) { return appdata + "/Dolmix/Tavik/"; }

// The booking with index i (0-based) of the fixture, in BUCHUNG.
inline void buchung(int i) {
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = i + 1;
  BUCHUNG.DATUM = rt::dateOf(rt::yearStart(kJahr) + static_cast<int>((i * 7919LL) % 365));
  BUCHUNG.TEXT[0] = "Rechnung " + std::to_string(i) + " Bürobedarf";
  BUCHUNG.TEXT[1] = i % 7 ? "" : "Lieferant Schmidt & Söhne GmbH";
  BUCHUNG.BRUTTO = rt::Cents(11900 + i % 1000 * 100);
  BUCHUNG.NETTO = rt::netOf(BUCHUNG.BRUTTO, 19);
  BUCHUNG.MWST = BUCHUNG.BRUTTO - BUCHUNG.NETTO;
  if (i % 20 == 19) {
    BUCHUNG.ART = 3;
    BUCHUNG.KONTO = "1780";
  } else if (i % 3 == 0) {
    BUCHUNG.ART = 1;
    BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(1 + i / 3 % 5);
    BUCHUNG.KONTO = std::to_string(8100 + i / 3 % 5);
  } else {
    BUCHUNG.ART = 2;
    BUCHUNG.MWSTSATZ = 2;
    BUCHUNG.KONTO = std::to_string(4000 + i % kAusgabenKonten);
  }
}

inline bool anlegen(const QString& appdata, int buchungen) {
  const QString daten = datenordner(appdata);
  QDir().mkpath(daten);
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  KONTOPFAD = daten + "Konto.dat";
  BUCHUNGPFAD = daten + "Buchung.dat";
  PARAPFAD = daten + "Para.dat";
  if (KONTODATEI.create() || KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  const auto konto = [](int nr, int art, const std::string& name, int mwst) {
    KONTODATEI.clear();
    KONTO.NR = std::to_string(nr);
    KONTO.ART = static_cast<std::uint8_t>(art);
    KONTO.NAME = name;
    KONTO.MWST = static_cast<std::int16_t>(mwst);
    return KONTODATEI.add() == 0;
  };
  bool ok = konto(1780, 3, "USt-Vorauszahlung", 0);
  for (int k = 0; k < kAusgabenKonten; ++k) ok = ok && konto(4000 + k, 2, "Ausgabenkonto " + std::to_string(k), 2);
  for (int k = 0; k < 5; ++k) ok = ok && konto(8100 + k, 1, "Erlöse " + std::to_string(k), 1 + k);
  KONTODATEI.close();
  if (!ok || BUCHUNGDATEI.create() || BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return false;
  BUCHUNGDATEI.begin();
  for (int i = 0; i < buchungen && ok; ++i) {
    buchung(i);
    ok = BUCHUNGDATEI.add() == 0;
  }
  BUCHUNGDATEI.commit();
  BUCHUNGDATEI.close();
  ParameterLaden();
  PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(kJahr, 12, 1));
  PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(kJahr, 12, 31));
  ParameterSpeichern();
  PARA = PARA_T{};
  return ok;
}

// The kept data folder (appdata with Dolmix/Tavik below it) with `buchungen` bookings; "" when it
// cannot be made.
inline QString vorrat(int buchungen) {
  const QString wurzel = qEnvironmentVariableIsEmpty("TAVIK_BENCH_FIXTURES")
                             ? QStringLiteral("/tmp/tavik-bench-fixtures")
                             : qEnvironmentVariable("TAVIK_BENCH_FIXTURES");
  const QString ziel = wurzel + "/jahr-" + QString::number(buchungen);
  if (QFile::exists(ziel + "/fertig")) return ziel;
  std::fprintf(stderr, "making %d bookings in %s (kept for later runs)\n", buchungen, qPrintable(ziel));
  QDir(ziel).removeRecursively();
  const QString werk = ziel + ".werk";
  QDir(werk).removeRecursively();
  if (!anlegen(werk, buchungen) || !QDir().rename(werk, ziel)) return {};
  QFile fertig(ziel + "/fertig");
  return fertig.open(QIODevice::WriteOnly) ? ziel : QString();
}

// A copy of the kept data in `appdata`, for a run of the program that may change its files.
inline bool kopieren(const QString& vorrat, const QString& appdata) {
  QDir().mkpath(datenordner(appdata));
  for (const char* datei : {"Konto.dat", "Buchung.dat", "Para.dat"}) {
    QFile::remove(datenordner(appdata) + datei);
    if (!QFile::copy(datenordner(vorrat) + datei, datenordner(appdata) + datei)) return false;
  }
  return true;
}

}  // namespace jahresdaten
