#pragma once
// One small set of accounts and bookings of 2024 for every evaluation, with the cases that matter:
// income with VAT key 0, keys 4 and 5 with the same rate, an expense of a deleted account (0042),
// an account left out in the marking list (4500), bookings on the first and the last day and two on
// one date added out of number order, a VAT prepayment, amounts of half a cent, bookings just
// outside the year, and a September whose sums come to exactly 0. The expected figures are summed
// here in whole cents, apart from the program.

#include "../booking/Fixture.h"
#include "Seiten.h"
#include "bookkeeping/reports/Auswertung.h"
#include "bookkeeping/reports/Markierliste.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <cmath>
#include <functional>
#include <vector>

struct Posten {
  int nr;
  int jahr, monat, tag;
  const char* konto;
  int art, schluessel;
  double brutto, netto, mwst;
  const char* text1;
  const char* text2 = "";
};

inline const std::vector<Posten> kPosten = {
    {13, 2023, 12, 31, "8400", 1, 2, 1000.00, 840.34, 159.66, "Vorjahr"},
    {1, 2024, 1, 1, "8400", 1, 2, 119.00, 100.00, 19.00, "Rechnung 1"},
    {12, 2024, 3, 15, "8400", 1, 2, 59.50, 50.00, 9.50, "Rechnung 12", "Kunde Müller"},
    {2, 2024, 3, 15, "8400", 1, 2, 23.80, 20.00, 3.80, "Rechnung 2"},
    {3, 2024, 2, 10, "8300", 1, 3, 10.70, 10.00, 0.70, "Buchverkauf"},
    {4, 2024, 5, 5, "8100", 1, 0, 500.00, 500.00, 0, "Zuschuss"},
    {5, 2024, 5, 6, "8100", 1, 4, 20.00, 20.00, 0, "Export A"},
    {6, 2024, 5, 7, "8100", 1, 5, 30.00, 30.00, 0, "Export B"},
    {7, 2024, 1, 20, "4400", 2, 2, 23.80, 20.00, 3.80, "Papier"},
    {8, 2024, 12, 31, "4400", 2, 2, 11.90, 10.00, 1.90, "Toner", "zweite Zeile"},
    {9, 2024, 7, 7, "4500", 2, 2, 47.60, 40.00, 7.60, "Bahnfahrt"},
    {10, 2024, 8, 8, "0042", 2, 2, 5.35, 5.00, 0.35, "Alte Rechnung"},
    {11, 2024, 4, 10, "1780", 3, 0, 100.00, 100.00, 0, "USt Q1"},
    {18, 2024, 6, 21, "4400", 2, 1, 0.005, 0.005, 0, "Porto A"},
    {19, 2024, 6, 21, "4400", 2, 1, 0.005, 0.005, 0, "Porto B"},
    {15, 2024, 9, 2, "8400", 1, 2, 0.30, 0.00, 0.30, "Cent A"},
    {16, 2024, 9, 3, "4400", 2, 2, 0.10, 0.00, 0.10, "Cent B"},
    {17, 2024, 9, 4, "4400", 2, 2, 0.20, 0.00, 0.20, "Cent C"},
    {14, 2025, 1, 1, "4400", 2, 2, 1000.00, 840.34, 159.66, "Folgejahr"},
};

// Whole cents, half a cent away from zero.
inline long long cents(double betrag) { return std::llround(betrag * 100 + (betrag < 0 ? -1e-7 : 1e-7)); }

// "1.234,56", "-0,35"
inline QString geld(long long c) {
  const bool minus = c < 0;
  c = std::llabs(c);
  QString ganz = QString::number(c / 100);
  for (int i = ganz.size() - 3; i > 0; i -= 3) ganz.insert(i, '.');
  return (minus ? "-" : "") + ganz + "," + QString::number(c % 100).rightJustified(2, '0');
}

inline QString datum(const Posten& p) { return QDate(p.jahr, p.monat, p.tag).toString("dd.MM.yyyy"); }
inline int tagesNummer(const Posten& p) { return rt::dayNumber(p.jahr, p.monat, p.tag); }

// The postings of a range in the order of the file's date key (date, then number).
inline std::vector<Posten> imBereich(rt::Day von, rt::Day bis, const std::function<bool(const Posten&)>& wahl,
                                     const std::vector<Posten>& aus = kPosten) {
  std::vector<Posten> out;
  for (const Posten& p : aus)
    if (tagesNummer(p) >= von && tagesNummer(p) <= bis && wahl(p)) out.push_back(p);
  std::sort(out.begin(), out.end(), [](const Posten& a, const Posten& b) {
    return tagesNummer(a) != tagesNummer(b) ? tagesNummer(a) < tagesNummer(b) : a.nr < b.nr;
  });
  return out;
}

// Signed sums in cents: income +, everything else -.
struct Summe {
  long long brutto = 0, netto = 0, mwst = 0;
  void add(const Posten& p) {
    const int s = p.art == 1 ? 1 : -1;
    brutto += s * cents(p.brutto);
    netto += s * cents(p.netto);
    mwst += s * cents(p.mwst);
  }
};

// A data folder for printing: the PDF printer in a folder of its own, the address of the header.
struct DruckTest : DataFolderTest {
  testing_support::TempFolder dokumente;
  testing_support::MessageAnswers antworten;  // "Der Ausdruck wurde als PDF-Datei gespeichert"
  std::vector<seiten::Seite> bilder;         // the pages as the preview got them

  void SetUp() override {
    DataFolderTest::SetUp();
    qputenv("TAVIK_PRINTER_PDF", "1");
    qputenv("TAVIK_FOLDER_PERSONAL", dokumente.path().toUtf8());
    PARA.MWST_4 = 0;
    PARA.MWST_5 = 0;
    PARA.BUCHUNGSART = 1;
    PARA.ZEILENABHEBEN = 0;
    PARA.NAME = "Erika Muster";
    PARA.STRASSE = "Hauptstr. 1";
    PARA.PLZORT = "12345 Musterstadt";
    NURSUMMEN = EXTRASEITE = AUSGABENAUFSCHLUESSELN = 0;
  }
  void TearDown() override {
    VorschauSetzen({});
    qunsetenv("TAVIK_FOLDER_PERSONAL");
    DataFolderTest::TearDown();
  }

  static void buchen(const std::vector<Posten>& posten) {
    for (const Posten& p : posten) {
      BUCHUNGDATEI.clear();
      BUCHUNG.NR = p.nr;
      BUCHUNG.KONTO = p.konto;
      BUCHUNG.DATUM = rt::dateOf(tagesNummer(p));
      BUCHUNG.TEXT[0] = p.text1;
      BUCHUNG.TEXT[1] = p.text2;
      BUCHUNG.BRUTTO = euro(p.brutto);
      BUCHUNG.NETTO = euro(p.netto);
      BUCHUNG.MWST = euro(p.mwst);
      BUCHUNG.ART = static_cast<std::uint8_t>(p.art);
      BUCHUNG.MWSTSATZ = static_cast<std::uint8_t>(p.schluessel);
      ASSERT_EQ(BUCHUNGDATEI.add(), 0);
    }
  }

  static void jahr(int j) {
    VOND1 = VOND2 = rt::dateOf(rt::yearStart(j));
    BISD1 = BISD2 = rt::dateOf(rt::yearEnd(j));
    VOND3 = rt::dateOf(rt::quarterStart(j, 1));
    BISD3 = rt::dateOf(rt::quarterEnd(j, 1));
  }

  // Builds the evaluation of `seite`; the preview asks for printing. Returns the pages of the PDF
  // file (or, with `pdf` false, of the page images) and keeps the page images' lines in `bilder`.
  std::vector<seiten::Seite> erstellen(int seite, bool pdf = true) {
    GEWAEHLTESEITE = static_cast<std::uint8_t>(seite);
    VorschauSetzen([this, pdf](rt::report::Report& r) {
      std::vector<const rt::report::PageImage*> images;
      for (const auto& row : SEITENQUEUE.rows()) images.push_back(rt::report::pageImage(row.SEITE.clip()));
      bilder = seiten::ausBildern(images);
      if (pdf) r.printOnClose();
      return std::uint8_t(pdf ? 1 : 0);
    });
    AuswertungErstellen();
    if (!pdf) return bilder;
    const QString datei = seiten::neuestePdf(dokumente.path());
    if (datei.isEmpty()) return {};
    auto pages = seiten::ausPdf(datei);
    // TAVIK_KEEP_PDF=folder keeps the printouts there, to look at them.
    if (qEnvironmentVariableIsSet("TAVIK_KEEP_PDF"))
      QFile::copy(datei, qEnvironmentVariable("TAVIK_KEEP_PDF") + "/" + QString::number(seite) + "-" +
                             QString::number(QDir(qEnvironmentVariable("TAVIK_KEEP_PDF")).count()) + ".pdf");
    QFile::remove(datei);
    return pages;
  }

  // The detail lines of a posting as the report shows them.
  static QStringList detail(const Posten& p, bool mitMwst = true, const QString& text1 = {}) {
    QStringList zeile{datum(p), text1.isEmpty() ? QString(p.text1) : text1, geld(cents(p.brutto))};
    if (mitMwst) zeile << geld(cents(p.netto)) << geld(cents(p.mwst));
    QStringList out{zeile.join(" | ")};
    if (*p.text2) out << p.text2;
    return out;
  }
  static QString summe(const QString& text, const Summe& s, bool mitMwst = true) {
    return text + " | " + geld(s.brutto) + (mitMwst ? " | " + geld(s.netto) + " | " + geld(s.mwst) : "");
  }
  // A section: its heading, its postings and its sum line; nothing when it has no posting.
  static QStringList abschnitt(const QString& kopf, const QString& fuss, const std::vector<Posten>& posten,
                               Summe* gesamt = nullptr, bool mitMwst = true) {
    if (posten.empty()) return {};
    QStringList out{kopf};
    Summe s;
    for (const Posten& p : posten) {
      out << detail(p, mitMwst, QString(p.konto) == "0042" && kopf.contains("ohne") ? "*Kto 0042* " + QString(p.text1) : "");
      s.add(p);
      if (gesamt) gesamt->add(p);
    }
    out << summe(fuss, s, mitMwst);
    return out;
  }
  static QStringList kopf(const QString& titel, int seite, bool mitMwst = true) {
    QStringList out{"Erika Muster, Hauptstr. 1, 12345 Musterstadt", titel + " | Seite | " + QString::number(seite)};
    if (mitMwst) out << "Brutto | Netto | MwSt";
    return out;
  }
};

// The evaluations' set of accounts and bookings, with 4500 left out in the marking list.
struct AuswertungTest : DruckTest {
  void SetUp() override {
    DruckTest::SetUp();
    account("1780", "UST", 3, "USt-Vorauszahlung", 0);
    account("4400", "BUE", 2, "Bürobedarf", 2);
    account("4500", "REI", 2, "Reisekosten", 2);
    account("4600", "POR", 2, "Porto", 0);
    account("8100", "EF", 1, "Erlöse steuerfrei", 0);
    account("8300", "E7", 1, "Erlöse 7 %", 3);
    account("8400", "E19", 1, "Erlöse 19 %", 2);
    buchen(kPosten);
    MarkierlisteFuellen();
    for (const MARKIERQUEUE_T& z : MARKIERQUEUE.rows())
      if (z.NR == "4500") KontoDemarkieren(*MARKIERQUEUE.get(&z - MARKIERQUEUE.rows().data() + 1));
    jahr(2024);
  }
};

