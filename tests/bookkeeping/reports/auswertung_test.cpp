#include "Bestand.h"

#include <QFile>
#include <cstring>

namespace {

const auto alle = [](const Posten&) { return true; };
rt::Day jan1() { return rt::dayNumber(2024, 1, 1); }
rt::Day dez31() { return rt::dayNumber(2024, 12, 31); }

// The heading of the income of a rate as a reader finds it (a one-digit rate stands after two blanks).
QString eingaenge(const char* vor, double satz) {
  return QString(vor) + (satz < 10 ? " mit | " : " mit ") + QString::number(satz, 'f', 2).replace('.', ',') + " % MwSt";
}

std::vector<Posten> einnahmen(rt::Day von, rt::Day bis, int schluessel) {
  return imBereich(von, bis, [schluessel](const Posten& p) { return p.art == 1 && p.schluessel == schluessel; });
}
std::vector<Posten> derArt(rt::Day von, rt::Day bis, int art) {
  return imBereich(von, bis, [art](const Posten& p) { return p.art == art; });
}
std::vector<Posten> desKontos(int art, const char* konto) {
  return imBereich(jan1(), dez31(), [=](const Posten& p) { return p.art == art && std::strcmp(p.konto, konto) == 0; });
}

// Income of keys 1 to 5 with their rates (keys 4 and 5 both 0 %).
QStringList einnahmenSeite(rt::Day von, rt::Day bis, Summe& gesamt) {
  QStringList out;
  const double satz[] = {0, 0, 19, 7, 0, 0};
  for (int s = 1; s <= 5; ++s)
    out << AuswertungTest::abschnitt(eingaenge("Eingänge", satz[s]), eingaenge("Summe Eingänge", satz[s]),
                                     einnahmen(von, bis, s), &gesamt);
  return out;
}

QString ergebnis(const Summe& s) { return (s.brutto >= 0 ? "Gesamtsumme Gewinn | " : "Gesamtsumme Verlust | ") + geld(s.brutto); }

using AuswertungTestF = AuswertungTest;

TEST_F(AuswertungTestF, GewinnVerlustListetEinnahmenJeSchluesselAusgabenUndVorauszahlungen) {
  const auto pdf = erstellen(1);
  const QString titel = "Gewinn/Verlust Ermittlung 01.01.2024-31.12.2024";
  Summe gesamt;
  const QStringList seite1 = kopf(titel, 1) + einnahmenSeite(jan1(), dez31(), gesamt);
  QStringList seite2 = kopf(titel, 2);
  seite2 << abschnitt("Ausgaben", "Summe Ausgaben", derArt(jan1(), dez31(), 2), &gesamt)
         << abschnitt("USt-Vorauszahlung", "Summe USt-Vorauszahlung", derArt(jan1(), dez31(), 3), &gesamt)
         << ergebnis(gesamt);
  ASSERT_EQ(pdf.size(), 2u);
  EXPECT_EQ(pdf[0], seite1);
  EXPECT_EQ(pdf[1], seite2);
  EXPECT_EQ(bilder, pdf);  // the preview's pages are the printed ones
  // Income with key 0 and the bookings outside the year are in no section; the two half cents are
  // two cents.
  EXPECT_EQ(gesamt.brutto, 26330 - 8897 - 10000);
  EXPECT_FALSE(pdf[0].join("\n").contains("Zuschuss"));
  EXPECT_TRUE(pdf[1].contains("21.06.2024 | Porto A | 0,01 | 0,01 | 0,00"));
}

TEST_F(AuswertungTestF, AufgeschluesselteAusgabenStehenJeKontoUndOhneGueltigesKontoJeEinmal) {
  AUSGABENAUFSCHLUESSELN = 1;
  const auto pdf = erstellen(1);
  const QString titel = "Gewinn/Verlust Ermittlung 01.01.2024-31.12.2024";
  Summe gesamt;
  einnahmenSeite(jan1(), dez31(), gesamt);
  QStringList seite2 = kopf(titel, 2);
  // Every account of the list in number order, the one left out for the evaluation by account too.
  seite2 << abschnitt("Ausgaben Bürobedarf (4400)", "Summe Bürobedarf (4400)", desKontos(2, "4400"), &gesamt)
         << abschnitt("Ausgaben Reisekosten (4500)", "Summe Reisekosten (4500)", desKontos(2, "4500"), &gesamt)
         << abschnitt("Ausgaben *ohne gültiges Konto*", "Summe *ohne gültiges Konto*", desKontos(2, "0042"), &gesamt)
         << abschnitt("USt-Vorauszahlung", "Summe USt-Vorauszahlung", derArt(jan1(), dez31(), 3), &gesamt)
         << ergebnis(gesamt);
  ASSERT_EQ(pdf.size(), 2u);
  EXPECT_EQ(pdf[1], seite2);
  EXPECT_TRUE(pdf[1].contains("08.08.2024 | *Kto 0042* Alte Rechnung | 5,35 | 5,00 | 0,35"));
  EXPECT_EQ(gesamt.brutto, 26330 - 8897 - 10000);
}

TEST_F(AuswertungTestF, NachKontenListetDieMarkiertenKontenJeArtUndDieSummeUeberAlles) {
  const auto pdf = erstellen(2);
  Summe gesamt;
  QStringList seite = kopf("Nach Konten selektierte Buchungen 01.01.2024-31.12.2024", 1);
  seite << abschnitt("Erlöse steuerfrei (8100)", "Summe Erlöse steuerfrei (8100)", desKontos(1, "8100"), &gesamt)
        << abschnitt("Erlöse 7 % (8300)", "Summe Erlöse 7 % (8300)", desKontos(1, "8300"), &gesamt)
        << abschnitt("Erlöse 19 % (8400)", "Summe Erlöse 19 % (8400)", desKontos(1, "8400"), &gesamt)
        << abschnitt("Bürobedarf (4400)", "Summe Bürobedarf (4400)", desKontos(2, "4400"), &gesamt)
        << abschnitt("USt-Vorauszahlung (1780)", "Summe USt-Vorauszahlung (1780)", desKontos(3, "1780"), &gesamt)
        << summe("Summe über alles", gesamt);
  ASSERT_EQ(pdf.size(), 1u);
  EXPECT_EQ(pdf[0], seite);
  // The account left out (4500) and the deleted one (0042) are in no line and no sum.
  EXPECT_FALSE(pdf[0].join("\n").contains("Bahnfahrt"));
  EXPECT_FALSE(pdf[0].join("\n").contains("Alte Rechnung"));
}

// The VAT pre-return of a range: income per key, all expenses, the balance decided on the cent.
TEST_F(AuswertungTestF, UStVoranmeldungZeigtDenSaldoAlsZahlungOderErstattung) {
  struct Fall {
    int jahr, vonMonat, bisMonat;
    const char* saldo;
  };
  const Fall faelle[] = {
      {2024, 1, 3, "Summe USt-Zahlung | 29,20"},
      {2024, 7, 9, "Summe USt-Erstattung | -7,95"},
      {2024, 9, 9, "Summe USt-Zahlung | 0,00"},   // 0.30 - 0.10 - 0.20 in doubles is below 0
      {2025, 10, 12, "Summe USt-Zahlung | 0,00"},  // no booking at all
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.saldo);
    const rt::Day von = rt::monthStart(f.jahr, f.vonMonat), bis = rt::monthEnd(f.jahr, f.bisMonat);
    VOND3 = rt::dateOf(von);
    BISD3 = rt::dateOf(bis);
    const auto pdf = erstellen(3);
    const QString titel = "USt-Voranmeldungsdaten " + QDate(f.jahr, f.vonMonat, 1).toString("dd.MM.yyyy") + "-" +
                          QDate(f.jahr, f.bisMonat, 1).addMonths(1).addDays(-1).toString("dd.MM.yyyy");
    Summe gesamt;
    const QStringList eingang = einnahmenSeite(von, bis, gesamt);
    const QStringList ausgang = abschnitt("Ausgaben", "Summe Ausgaben", derArt(von, bis, 2), &gesamt);
    std::vector<seiten::Seite> erwartet;
    if (!eingang.isEmpty()) erwartet.push_back(kopf(titel, 1) + eingang);
    erwartet.push_back(kopf(titel, static_cast<int>(erwartet.size()) + 1) + ausgang + QStringList{f.saldo});
    EXPECT_EQ(pdf, erwartet);
    EXPECT_EQ(QString(f.saldo).endsWith(" | " + geld(gesamt.mwst)), true) << geld(gesamt.mwst).toStdString();
  }
}

TEST_F(AuswertungTestF, EinErgebnisVonGenauNullIstEinGewinn) {
  VOND1 = rt::dateOf(rt::dayNumber(2024, 9, 1));
  BISD1 = rt::dateOf(rt::dayNumber(2024, 9, 30));
  const auto seiten = erstellen(1, false);
  ASSERT_EQ(seiten.size(), 2u);
  EXPECT_EQ(seiten[1].back(), "Gesamtsumme Gewinn | 0,00");
}

TEST_F(AuswertungTestF, NurSummenDrucktNurSummenzeilenOhneSeitenumbruch) {
  NURSUMMEN = 1;
  const auto gv = erstellen(1);
  Summe gesamt;
  const auto zeile = [&gesamt](const QString& text, const std::vector<Posten>& posten) {
    Summe s;
    for (const Posten& p : posten) s.add(p), gesamt.add(p);
    return summe(text, s);
  };
  QStringList erwartet = kopf("Gewinn/Verlust Ermittlung 01.01.2024-31.12.2024", 1);
  erwartet << zeile(eingaenge("Summe Eingänge", 19), einnahmen(jan1(), dez31(), 2))
           << zeile(eingaenge("Summe Eingänge", 7), einnahmen(jan1(), dez31(), 3))
           << zeile(eingaenge("Summe Eingänge", 0), einnahmen(jan1(), dez31(), 4))
           << zeile(eingaenge("Summe Eingänge", 0), einnahmen(jan1(), dez31(), 5))
           << zeile("Summe Ausgaben", derArt(jan1(), dez31(), 2))
           << zeile("Summe USt-Vorauszahlung", derArt(jan1(), dez31(), 3)) << ergebnis(gesamt);
  ASSERT_EQ(gv.size(), 1u);
  EXPECT_EQ(gv[0], erwartet);

  const auto konten = erstellen(2, false);
  ASSERT_EQ(konten.size(), 1u);
  EXPECT_EQ(konten[0].size(), 3 + 5 + 1);  // the header, five account sums, the sum over everything
  EXPECT_TRUE(konten[0].back().startsWith("Summe über alles | "));
}

TEST_F(AuswertungTestF, ExtraSeiteGibtJedemKontoEineSeite) {
  EXTRASEITE = 1;
  const auto seiten = erstellen(2, false);
  const char* koepfe[] = {"Erlöse steuerfrei (8100)", "Erlöse 7 % (8300)", "Erlöse 19 % (8400)", "Bürobedarf (4400)",
                          "USt-Vorauszahlung (1780)"};
  ASSERT_EQ(seiten.size(), 6u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(seiten[i][3], koepfe[i]);
    EXPECT_EQ(seiten[i].back().section(" | ", 0, 0), QString("Summe ") + koepfe[i]);
  }
  EXPECT_EQ(seiten[5].size(), 4);
  EXPECT_TRUE(seiten[5].back().startsWith("Summe über alles | "));
}

// The boxes behind the detail lines of the first page (income of 2024): fill and height.
std::vector<std::pair<QRgb, double>> hintergruende(const rt::report::Report& bericht) {
  std::vector<std::pair<QRgb, double>> out;
  const rt::report::PageImage* seite = bericht.page(1);
  for (const auto& item : seite->items)
    if (item.kind == rt::report::DrawItem::Kind::Box && std::fabs(item.w - 181) < 0.01)
      out.emplace_back(item.fill, item.h);
  return out;
}

TEST_F(AuswertungTestF, ZeilenHervorhebenWechseltGrauUndWeissJeAbschnittAbGrau) {
  const QRgb grau = qRgb(224, 224, 224), weiss = qRgb(255, 255, 255);
  std::vector<std::pair<QRgb, double>> gesehen;
  const auto bauen = [this, &gesehen] {
    GEWAEHLTESEITE = 1;
    VorschauSetzen([&gesehen](rt::report::Report& r) {
      gesehen = hintergruende(r);
      return std::uint8_t(0);
    });
    AuswertungErstellen();
  };
  PARA.ZEILENABHEBEN = 1;
  bauen();
  // Key 2: bookings 1, 2, 12 (two lines), 15; keys 3, 4 and 5 one booking each, each section grey first.
  const std::vector<std::pair<QRgb, double>> schattiert = {{grau, 3}, {weiss, 3}, {grau, 6}, {weiss, 3},
                                                            {grau, 3}, {grau, 3}, {grau, 3}};
  EXPECT_EQ(gesehen, schattiert);
  // Off again in the same dialog: every row white and one line high, as at first.
  PARA.ZEILENABHEBEN = 0;
  bauen();
  const std::vector<std::pair<QRgb, double>> weisseZeilen(7, {weiss, 3});
  EXPECT_EQ(gesehen, weisseZeilen);
}

TEST_F(AuswertungTestF, OhneMwstEineBetragsspalteUndImModusDreiKeinErgebnis) {
  PARA.BUCHUNGSART = 2;
  const auto zwei = erstellen(1);
  Summe gesamt;
  QStringList seite1 = kopf("Gewinn/Verlust Ermittlung 01.01.2024-31.12.2024", 1, false);
  for (int s = 2; s <= 5; ++s)
    seite1 << abschnitt("Eingänge", "Summe Eingänge", einnahmen(jan1(), dez31(), s), &gesamt, false);
  for (const Posten& p : derArt(jan1(), dez31(), 2)) gesamt.add(p);
  for (const Posten& p : derArt(jan1(), dez31(), 3)) gesamt.add(p);
  ASSERT_EQ(zwei.size(), 2u);
  EXPECT_EQ(zwei[0], seite1);
  EXPECT_EQ(zwei[1].back(), ergebnis(gesamt));

  PARA.BUCHUNGSART = 3;
  GEWAEHLTESEITE = 1;
  double rechts = 0;
  VorschauSetzen([&rechts](rt::report::Report& r) {
    for (const auto& item : r.page(1)->items)
      if (item.kind == rt::report::DrawItem::Kind::Text && r.page(1)->text(item) == u"119,00") rechts = item.x + item.w;
    r.printOnClose();
    return std::uint8_t(1);
  });
  AuswertungErstellen();
  EXPECT_NEAR(rechts, 20 + 161 + 19, 0.01);  // the gross amount stands in the VAT column
  const auto drei = seiten::ausPdf(seiten::neuestePdf(dokumente.path()));
  ASSERT_EQ(drei.size(), 2u);
  EXPECT_EQ(drei[0][1], "Ausgaben 01.01.2024-31.12.2024 | Seite | 1");
  EXPECT_EQ(drei[1].back(), summe("Summe USt-Vorauszahlung", [] {
              Summe s;
              for (const Posten& p : derArt(jan1(), dez31(), 3)) s.add(p);
              return s;
            }(), false));
}

TEST_F(AuswertungTestF, ModusDreiOhneBuchungenHatKeineSeite) {
  PARA.BUCHUNGSART = 3;
  jahr(2022);
  std::size_t seitenInDerVorschau = 99;
  GEWAEHLTESEITE = 1;
  VorschauSetzen([&seitenInDerVorschau](rt::report::Report& r) {
    seitenInDerVorschau = SEITENQUEUE.records();
    r.printOnClose();
    return std::uint8_t(1);
  });
  AuswertungErstellen();
  EXPECT_EQ(seitenInDerVorschau, 0u);
  EXPECT_EQ(seiten::neuestePdf(dokumente.path()), "");  // nothing printed
  EXPECT_TRUE(antworten.shown().isEmpty());
}

TEST_F(AuswertungTestF, KopfzeileAusDenAdressfeldern) {
  struct Fall {
    const char *name, *name2, *strasse, *ort, *t1;
  };
  const Fall faelle[] = {{"Erika Muster", "Beratung", "Hauptstr. 1", "12345 Musterstadt",
                          "Erika Muster, Beratung, Hauptstr. 1, 12345 Musterstadt"},
                         {"Erika Muster", "", "Hauptstr. 1", "12345 Musterstadt", "Erika Muster, Hauptstr. 1, 12345 Musterstadt"},
                         {"", "", "", "", ", ,"}};
  for (const Fall& f : faelle) {
    PARA.NAME = f.name;
    PARA.NAME2 = f.name2;
    PARA.STRASSE = f.strasse;
    PARA.PLZORT = f.ort;
    jahr(2022);
    const auto seiten = erstellen(3, false);
    ASSERT_FALSE(seiten.empty());
    EXPECT_EQ(seiten[0][0], f.t1);
  }
}

// The evaluation works on copies: the shared record buffer stays as it was, and the marked first
// text line of a booking without a valid account never reaches the file.
TEST_F(AuswertungTestF, DieAuswertungLaesstPufferUndDateiUnberuehrt) {
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 7;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  const BUCHUNG_T vorher = BUCHUNG;
  AUSGABENAUFSCHLUESSELN = 1;
  const auto seiten = erstellen(1, false);
  ASSERT_TRUE(seiten[1].join("\n").contains("*Kto 0042* Alte Rechnung"));
  EXPECT_EQ(std::memcmp(&BUCHUNG, &vorher, sizeof vorher), 0);
  BUCHUNG.NR = 10;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Alte Rechnung");
}

}  // namespace
