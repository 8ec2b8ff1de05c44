// A freelancer's year as a tax advisor reads it: fees with 19 % and 7 %, office, car and telephone
// costs, two VAT prepayments; the profit/loss statement with the expenses by account and the VAT
// pre-return of the fourth quarter, printed to PDF. The sums below are worked out by hand.

#include "Bestand.h"

#include <QFontMetricsF>
#include <QImage>

namespace {

const std::vector<Posten> kJahr = {
    {1, 2024, 1, 31, "8400", 1, 2, 2380.00, 2000.00, 380.00, "ReNr 2024-01", "Webdesign Bäckerei Schmidt"},
    {2, 2024, 3, 28, "8400", 1, 2, 1190.00, 1000.00, 190.00, "ReNr 2024-02", "Beratung Müller GmbH"},
    {3, 2024, 6, 14, "8400", 1, 2, 595.00, 500.00, 95.00, "ReNr 2024-03", "Wartung Onlineshop Kurz"},
    {4, 2024, 9, 30, "8400", 1, 2, 4760.00, 4000.00, 760.00, "ReNr 2024-05", "Relaunch Onlineshop Kurz"},
    {5, 2024, 11, 29, "8400", 1, 2, 1785.00, 1500.00, 285.00, "ReNr 2024-06", "Schulung Stadtwerke"},
    {6, 2024, 5, 10, "8300", 1, 3, 535.00, 500.00, 35.00, "ReNr 2024-04", "Fachartikel Verlag Rheinblick"},
    {7, 2024, 12, 13, "8300", 1, 3, 214.00, 200.00, 14.00, "ReNr 2024-07", "Bildrechte Fotos"},
    {8, 2024, 1, 15, "4930", 2, 2, 23.80, 20.00, 3.80, "Druckerpapier"},
    {9, 2024, 4, 3, "4930", 2, 2, 89.25, 75.00, 14.25, "Toner"},
    {10, 2024, 8, 20, "4930", 2, 2, 297.50, 250.00, 47.50, "Bürostuhl", "Möbel Meier"},
    {11, 2024, 2, 12, "4530", 2, 2, 71.40, 60.00, 11.40, "Tanken"},
    {12, 2024, 5, 22, "4530", 2, 2, 357.00, 300.00, 57.00, "Inspektion", "Autohaus Berg"},
    {13, 2024, 10, 8, "4530", 2, 2, 83.30, 70.00, 13.30, "Tanken"},
    {14, 2024, 1, 2, "4530", 2, 1, 412.00, 412.00, 0.00, "Kfz-Versicherung 2024"},
    {15, 2024, 3, 5, "4920", 2, 2, 47.60, 40.00, 7.60, "Telefon und Internet", "Februar"},
    {16, 2024, 7, 5, "4920", 2, 2, 47.60, 40.00, 7.60, "Telefon und Internet", "Juni"},
    {17, 2024, 11, 5, "4920", 2, 2, 47.60, 40.00, 7.60, "Telefon und Internet", "Oktober"},
    {18, 2024, 4, 10, "1780", 3, 0, 550.00, 550.00, 0.00, "USt-Vorauszahlung", "1. Quartal 2024"},
    {19, 2024, 7, 10, "1780", 3, 0, 120.00, 120.00, 0.00, "USt-Vorauszahlung", "2. Quartal 2024"},
};

struct FreiberuflerTest : DruckTest {
  void SetUp() override {
    DruckTest::SetUp();
    PARA.MWST_1 = 0;
    PARA.MWST_2 = 19;
    PARA.MWST_3 = 7;
    PARA.ZEILENABHEBEN = 1;
    account("1780", "UST", 3, "USt-Vorauszahlung", 0);
    account("4530", "KFZ", 2, "Kfz-Kosten", 2);
    account("4920", "TEL", 2, "Telefon", 2);
    account("4930", "BUE", 2, "Bürobedarf", 2);
    account("8300", "H7", 1, "Honorare 7 %", 3);
    account("8400", "H19", 1, "Honorare 19 %", 2);
    buchen(kJahr);
    MarkierlisteFuellen();
    jahr(2024);
    VOND3 = rt::dateOf(rt::quarterStart(2024, 4));
    BISD3 = rt::dateOf(rt::quarterEnd(2024, 4));
  }
  static std::vector<Posten> desKontos(const char* konto) {
    return imBereich(rt::dayNumber(2024, 1, 1), rt::dayNumber(2024, 12, 31),
                     [konto](const Posten& p) { return QString(p.konto) == konto; }, kJahr);
  }
};

// Texts that stand one above the other keep clear of each other: the lowest point of the upper one
// (its descenders) lies above the top of the capitals of the lower one. Returns the pairs that touch.
QStringList beruehrendeZeilen(const rt::report::PageImage& seite) {
  QImage punkte(1, 1, QImage::Format_RGB32);  // one pixel per point
  punkte.setDotsPerMeterX(qRound(72 / 0.0254));
  punkte.setDotsPerMeterY(qRound(72 / 0.0254));
  const auto metrik = [&](const rt::report::DrawItem& i) {
    QFont f(seite.font);
    f.setBold(i.style & rt::report::DrawItem::Bold);
    f.setPointSizeF(i.size);
    return QFontMetricsF(f, &punkte);
  };
  constexpr double mm = 25.4 / 72;
  QStringList out;
  for (const auto& a : seite.items)
    for (const auto& b : seite.items) {
      if (a.kind != rt::report::DrawItem::Kind::Text || b.kind != rt::report::DrawItem::Kind::Text) continue;
      if (b.y <= a.y || b.x >= a.x + a.w || a.x >= b.x + b.w) continue;
      const QFontMetricsF ma = metrik(a), mb = metrik(b);
      const double unten = a.y + (ma.ascent() + ma.descent()) * mm;
      const double oben = b.y + (mb.ascent() - mb.capHeight()) * mm;
      if (unten > oben) out << seite.text(a).toString() + " / " + seite.text(b).toString();
    }
  return out;
}

TEST_F(FreiberuflerTest, DieZeilenEinerBuchungBeruehrenSichNicht) {
  AUSGABENAUFSCHLUESSELN = 1;
  GEWAEHLTESEITE = 1;
  int seiten = 0;
  VorschauSetzen([&seiten](rt::report::Report&) {
    for (const auto& row : SEITENQUEUE.rows()) {
      const rt::report::PageImage* bild = rt::report::pageImage(row.SEITE.clip());
      if (!bild) continue;
      ++seiten;
      EXPECT_EQ(beruehrendeZeilen(*bild), QStringList()) << "Seite " << bild->number;
    }
    return std::uint8_t(0);
  });
  AuswertungErstellen();
  EXPECT_EQ(seiten, 2);
}

TEST_F(FreiberuflerTest, GewinnVerlustMitAufgeschluesseltenAusgaben) {
  AUSGABENAUFSCHLUESSELN = 1;
  const auto pdf = erstellen(1);
  ASSERT_EQ(pdf.size(), 2u);
  EXPECT_EQ(bilder, pdf);
  const QString titel = "Gewinn/Verlust Ermittlung 01.01.2024-31.12.2024";
  Summe gesamt;
  const QStringList seite1 =
      kopf(titel, 1) +
      abschnitt("Eingänge mit 19,00 % MwSt", "Summe Eingänge mit 19,00 % MwSt", desKontos("8400"), &gesamt) +
      abschnitt("Eingänge mit | 7,00 % MwSt", "Summe Eingänge mit | 7,00 % MwSt", desKontos("8300"), &gesamt);
  const QStringList seite2 =
      kopf(titel, 2) + abschnitt("Ausgaben Kfz-Kosten (4530)", "Summe Kfz-Kosten (4530)", desKontos("4530"), &gesamt) +
      abschnitt("Ausgaben Telefon (4920)", "Summe Telefon (4920)", desKontos("4920"), &gesamt) +
      abschnitt("Ausgaben Bürobedarf (4930)", "Summe Bürobedarf (4930)", desKontos("4930"), &gesamt) +
      abschnitt("USt-Vorauszahlung", "Summe USt-Vorauszahlung", desKontos("1780"), &gesamt) +
      QStringList{"Gesamtsumme Gewinn | 9.311,95"};
  EXPECT_EQ(pdf[0], seite1);
  EXPECT_EQ(pdf[1], seite2);
  // By hand: 10.710,00 + 749,00 fees, less 923,70 car, 142,80 telephone, 410,55 office, 670,00 VAT paid.
  EXPECT_TRUE(pdf[0].contains("Summe Eingänge mit 19,00 % MwSt | 10.710,00 | 9.000,00 | 1.710,00"));
  EXPECT_TRUE(pdf[1].contains("Summe Kfz-Kosten (4530) | -923,70 | -842,00 | -81,70"));
  EXPECT_EQ(gesamt.brutto, 931195);
}

TEST_F(FreiberuflerTest, UStVoranmeldungDesViertenQuartals) {
  const auto pdf = erstellen(3);
  ASSERT_EQ(pdf.size(), 2u);
  EXPECT_EQ(bilder, pdf);
  const QString titel = "USt-Voranmeldungsdaten 01.10.2024-31.12.2024";
  const auto q4 = [](int art, int schluessel) {
    return imBereich(rt::dayNumber(2024, 10, 1), rt::dayNumber(2024, 12, 31), [=](const Posten& p) {
      return p.art == art && (schluessel == 0 || p.schluessel == schluessel);
    }, kJahr);
  };
  EXPECT_EQ(pdf[0], kopf(titel, 1) +
                        abschnitt("Eingänge mit 19,00 % MwSt", "Summe Eingänge mit 19,00 % MwSt", q4(1, 2)) +
                        abschnitt("Eingänge mit | 7,00 % MwSt", "Summe Eingänge mit | 7,00 % MwSt", q4(1, 3)));
  // By hand: 285,00 + 14,00 VAT on the fees, less 13,30 + 7,60 input VAT.
  EXPECT_EQ(pdf[1], kopf(titel, 2) + abschnitt("Ausgaben", "Summe Ausgaben", q4(2, 0)) +
                        QStringList{"Summe USt-Zahlung | 278,10"});
  EXPECT_FALSE(pdf[1].join("\n").contains("USt-Vorauszahlung"));
}

}  // namespace
