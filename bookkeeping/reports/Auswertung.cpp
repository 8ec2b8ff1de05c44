#include "bookkeeping/reports/Auswertung.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "runtime/text/Picture.h"
#include "runtime/window/Window.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>


using namespace rt::report;

std::uint8_t GEWAEHLTESEITE = 1;
rt::DATE VOND1{}, BISD1{}, VOND2{}, BISD2{}, VOND3{}, BISD3{};
std::uint8_t AUSGABENAUFSCHLUESSELN = 0;
std::uint8_t EXTRASEITE = 0;
std::uint8_t NURSUMMEN = 0;

rt::DATE AUSWERTUNGVON{}, AUSWERTUNGBIS{};
std::uint8_t POSTENART = 0;
std::int16_t POSTENSCHLUESSEL = 0;
std::size_t POSTENKONTOZEILE = 0;
std::uint8_t KOPFGEDRUCKT = 0;
std::uint8_t ZEILEGRAU = 0;
rt::String<120> T_1, T_2;
rt::String<40> INFOOBEN;
rt::String<40> INFOUNTEN;
double SUMB = 0, SUMN = 0, SUMM = 0;
double SUMBRUTTOALLES = 0, SUMNETTOALLES = 0, SUMMWSTALLES = 0;
double SUMMWST = 0;
BUCHUNG_T POSTEN{};

std::unique_ptr<Report> P40_REP;

namespace {

constexpr const char* kBetrag = "@N-12`2";

// A right-aligned amount of 19 mm at x, y.
ControlDef betrag(const char* label, double x, double y, double h, rt::win::Bound bound, unsigned attrs = A_None) {
  return {.label = label, .kind = Kind::String, .picture = kBetrag, .x = x, .y = y, .w = 19, .h = h, .bound = bound,
          .attrs = attrs | A_Right};
}

ControlDef fett(const char* label, double h, rt::win::Bound bound) {
  return {.label = label, .kind = Kind::String, .x = 0, .y = 1, .h = h, .bound = bound, .attrs = A_Bold};
}

ControlDef linie() { return {.label = "?LINE", .kind = Kind::Line, .x = 0, .y = 1, .w = 180}; }

ReportDef berichtDefinition() {
  const auto spalte = [](const char* label, const char* text, double x) {
    return ControlDef{.label = label, .kind = Kind::Text, .text = text, .x = x, .y = 20, .w = 19, .attrs = A_Bold | A_Right};
  };
  return ReportDef{
      .label = "P40$REP",
      .title = "Tavik! Druck",
      .header = {.label = "?HEADER",
                 .controls = {{.label = "?BOX", .kind = Kind::Box, .x = 25, .y = 8, .w = 171, .h = 10,
                               .border = QColor(0, 0, 0)},
                              {.label = "?T_1", .kind = Kind::String, .x = 26, .y = 9, .h = 3, .bound = T_1},
                              {.label = "?T_2", .kind = Kind::String, .x = 26, .y = 13, .h = 3, .bound = T_2},
                              {.label = "?SEITE1", .kind = Kind::Text, .text = "Seite", .x = 178, .y = 13},
                              // The number stands right-aligned up to 194 mm and keeps clear of "Seite" by
                              // one and a half blanks; a number of four digits and more gets smaller type.
                              {.label = "?SEITE2", .kind = Kind::PageNumber, .picture = "@N_8", .x = 187.5, .y = 13,
                               .w = 6.5, .attrs = A_Right},
                              spalte("?BRUTTOSTR_", "Brutto", 141), spalte("?NETTOSTR_", "Netto", 161),
                              spalte("?MWSTSTR_", "MwSt", 181)}},
      .bands = {
          // A booking's two lines stand 3 mm apart: in 8 point their letters keep clear of each other
          // (the report's 10 point would make a descender touch the capitals of the line below).
          {.label = "?DETAIL",
           .height = 6,
           .fontSize = 8,
           .controls = {{.label = "?REPBOX", .kind = Kind::Box, .x = 0, .y = 0, .w = 181, .h = 3,
                         .fill = QColor(255, 255, 255)},
                        {.label = "?BUCHUNG:DATUM", .kind = Kind::String, .picture = "@D06.", .x = 1, .y = 0, .h = 3,
                         .bound = POSTEN.DATUM},
                        {.label = "?BUCHUNG:TEXT_1", .kind = Kind::String, .x = 21, .y = 0, .w = 99, .h = 3,
                         .bound = POSTEN.TEXT[0]},
                        betrag("?BUCHUNG:BRUTTO", 121, 0, 3, POSTEN.BRUTTO),
                        betrag("?BUCHUNG:NETTO", 141, 0, 3, POSTEN.NETTO),
                        betrag("?BUCHUNG:MWST", 161, 0, 3, POSTEN.MWST),
                        {.label = "?BUCHUNG:TEXT_2", .kind = Kind::String, .x = 21, .y = 3, .h = 3,
                         .bound = POSTEN.TEXT[1]}}},
          {.label = "?KOPF",
           .controls = {{.label = "?INFOOBEN", .kind = Kind::String, .x = 0, .y = 0, .bound = INFOOBEN,
                         .attrs = A_Bold | A_Underline}}},
          {.label = "?SUMME",
           .height = 10,
           .controls = {linie(), fett("?INFOUNTEN", 3, INFOUNTEN), betrag("?SUMB", 121, 1, 3, SUMB, A_Bold),
                        betrag("?SUMN", 141, 1, 3, SUMN, A_Bold), betrag("?SUMM", 161, 1, 3, SUMM, A_Bold),
                        {.label = "?ABSTAND", .kind = Kind::Text, .x = 0, .y = 4, .h = 6}}},
          {.label = "?GESAMT",
           .controls = {linie(), fett("?INFOUNTEN", 4, INFOUNTEN),
                        betrag("?SUMBRUTTOALLES", 121, 1, 4, SUMBRUTTOALLES, A_Bold),
                        betrag("?SUMNETTOALLES", 141, 1, 4, SUMNETTOALLES, A_Bold),
                        betrag("?SUMMWSTALLES", 161, 1, 4, SUMMWSTALLES, A_Bold)}},
          {.label = "?USTSALDO",
           .controls = {linie(), fett("?INFOUNTEN", 4, INFOUNTEN), betrag("?SUMMWST", 161, 1, 4, SUMMWST, A_Bold)}},
      }};
}

// The bookings of the evaluation's date range, copied in date order, and where each section finds
// its own: by kind, and by kind and account number (without trailing blanks).
struct Bestand {
  std::vector<BUCHUNG_T> buchungen;
  std::vector<std::uint32_t> nachArt[4];
  std::unordered_map<std::string, std::vector<std::uint32_t>> nachKonto[4];

  void lesen() {
    buchungen.clear();
    for (int art = 0; art < 4; ++art) {
      nachArt[art].clear();
      nachKonto[art].clear();
    }
    // One walk by KEYDATUM from (AUSWERTUNGVON, 0) on; a failed read ends it like the end of the file.
    const BUCHUNG_T gemerkt = BUCHUNG;
    const rt::Day bis = rt::dayNumber(AUSWERTUNGBIS);
    BUCHUNG.NR = 0;
    BUCHUNG.DATUM = AUSWERTUNGVON;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
    while (BUCHUNGDATEI.next() == 0 && rt::dayNumber(BUCHUNG.DATUM) <= bis) {
      if (BUCHUNG.ART < 1 || BUCHUNG.ART > 3) continue;
      const auto i = static_cast<std::uint32_t>(buchungen.size());
      buchungen.push_back(BUCHUNG);
      nachArt[BUCHUNG.ART].push_back(i);
      nachKonto[BUCHUNG.ART][std::string(BUCHUNG.KONTO.bytes())].push_back(i);
    }
    BUCHUNG = gemerkt;
  }

  void freigeben() { *this = Bestand{}; }
};

Bestand BESTAND;

VorschauFunktion& vorschauFunktion() {
  static VorschauFunktion f;
  return f;
}

std::uint8_t vorschauZeigen() {
  if (vorschauFunktion()) return vorschauFunktion()(*P40_REP);
  return Druckvorschau(*P40_REP, -50, 1, 0);
}

double cent(double betrag) { return rt::roundDecimal(betrag, 2); }

QString vierstellig(const rt::String<8>& nr) {
  bool ok = false;
  const long zahl = nr.clip().trimmed().toLong(&ok);
  return rt::Picture("@N04").format(ok ? static_cast<double>(zahl) : 0.0);
}

QString satzText(int schluessel) { return rt::Picture("@N5`2").format(MwstSatz(schluessel)); }

QString datumText(const rt::DATE& d) { return rt::Picture("@D06.B").formatDate(rt::dayNumber(d)); }

void drucken(const char* band) { P40_REP->print(band); }

void abschnittBeginnen() {
  SUMB = SUMN = SUMM = 0;
  KOPFGEDRUCKT = 0;
  ZEILEGRAU = 0;
}

// Lists the booking in POSTEN and adds its rounded amounts with the sign of the section's kind.
void postenAnnehmen() {
  if (PARA.ZEILENABHEBEN) {
    P40_REP->setHeight("?REPBOX", POSTEN.TEXT[1].isBlank() ? 3 : 6);
    P40_REP->setFill("?REPBOX", ZEILEGRAU ? QColor(255, 255, 255) : QColor(224, 224, 224));
    ZEILEGRAU = ZEILEGRAU ? 0 : 1;
  }
  if (!KOPFGEDRUCKT) {
    if (!NURSUMMEN) drucken("?KOPF");
    KOPFGEDRUCKT = 1;
  }
  if (!NURSUMMEN) drucken("?DETAIL");
  const double vorzeichen = POSTENART == 1 ? 1 : -1;
  const double brutto = vorzeichen * cent(POSTEN.BRUTTO);
  const double netto = vorzeichen * cent(POSTEN.NETTO);
  const double mwst = vorzeichen * cent(POSTEN.MWST);
  SUMB += brutto;
  SUMN += netto;
  SUMM += mwst;
  SUMBRUTTOALLES += brutto;
  SUMNETTOALLES += netto;
  SUMMWSTALLES += mwst;
  SUMMWST += mwst;
}

// The section's heading, list and, when it accepted a booking, its sum line.
template <typename Auflisten>
void abschnitt(const QString& oben, const QString& unten, Auflisten auflisten) {
  INFOOBEN = oben;
  auflisten();
  if (KOPFGEDRUCKT) {
    INFOUNTEN = unten;
    drucken("?SUMME");
  }
}

QString kontoText(const MARKIERQUEUE_T& zeile) { return zeile.NAME.clip() + " (" + vierstellig(zeile.NR) + ")"; }

// Income per VAT key 1 to 5, the expenses (by account when asked), and on tab 3 the VAT balance.
void einnahmenUndAusgaben() {
  const bool mitMwst = PARA.BUCHUNGSART == 1;
  POSTENART = 1;
  for (int s = 1; s <= 5; ++s) {
    POSTENSCHLUESSEL = static_cast<std::int16_t>(s);
    const QString satz = " mit " + satzText(s) + " % MwSt";
    abschnitt(mitMwst ? "Eingänge" + satz : "Eingänge", mitMwst ? "Summe Eingänge" + satz : "Summe Eingänge",
              PostenAuflisten);
  }
  POSTENSCHLUESSEL = 0;
  if (!NURSUMMEN) P40_REP->pageBreak();

  POSTENART = 2;
  if (GEWAEHLTESEITE == 1 && AUSGABENAUFSCHLUESSELN) {
    for (std::size_t z = 1; z <= MARKIERQUEUE.records(); ++z) {
      POSTENKONTOZEILE = z;
      const QString konto = kontoText(*MARKIERQUEUE.get(z));
      abschnitt("Ausgaben " + konto, "Summe " + konto, PostenAuflisten);
    }
    POSTENKONTOZEILE = 0;
    abschnitt("Ausgaben *ohne gültiges Konto*", "Summe *ohne gültiges Konto*", PostenOhneKontoAuflisten);
  } else {
    abschnitt("Ausgaben", "Summe Ausgaben", PostenAuflisten);
  }

  if (GEWAEHLTESEITE == 3) {
    // Decided on the cent: a sum such as -5.55e-17 is no refund.
    INFOUNTEN = cent(SUMMWST) >= 0 ? "Summe USt-Zahlung" : "Summe USt-Erstattung";
    drucken("?USTSALDO");
    P40_REP->pageBreak();
    return;
  }

  POSTENART = 3;
  abschnitt("USt-Vorauszahlung", "Summe USt-Vorauszahlung", PostenAuflisten);
  if (PARA.BUCHUNGSART != 3) {
    INFOUNTEN = cent(SUMBRUTTOALLES) >= 0 ? "Gesamtsumme Gewinn" : "Gesamtsumme Verlust";
    P40_REP->hide("?SUMNETTOALLES");
    P40_REP->hide("?SUMMWSTALLES");
    drucken("?GESAMT");
    if (mitMwst) {
      P40_REP->unhide("?SUMNETTOALLES");
      P40_REP->unhide("?SUMMWSTALLES");
    }
  }
  P40_REP->pageBreak();
}

// Per kind 1, 2, 3 the included accounts, each with its sum line; then the sum over everything.
void nachKonten() {
  for (std::uint8_t art = 1; art <= 3; ++art) {
    POSTENART = art;
    for (std::size_t z = 1; z <= MARKIERQUEUE.records(); ++z) {
      const MARKIERQUEUE_T& zeile = *MARKIERQUEUE.get(z);
      if (zeile.GESPERRT) continue;
      POSTENKONTOZEILE = z;
      const QString konto = kontoText(zeile);
      abschnitt(konto, "Summe " + konto, PostenAuflisten);
      if (EXTRASEITE) P40_REP->pageBreak();
    }
  }
  POSTENKONTOZEILE = 0;
  INFOUNTEN = "Summe über alles";
  drucken("?GESAMT");
}

}  // namespace

const ReportDef P40_REP_DEF = berichtDefinition();

void VorschauSetzen(VorschauFunktion vorschau) { vorschauFunktion() = std::move(vorschau); }

void PostenAuflisten() {
  abschnittBeginnen();
  const bool kontoFilter = GEWAEHLTESEITE == 2 || (GEWAEHLTESEITE == 1 && POSTENART == 2 && AUSGABENAUFSCHLUESSELN);
  if (POSTENART < 1 || POSTENART > 3) return;
  const std::vector<std::uint32_t>* liste = &BESTAND.nachArt[POSTENART];
  if (kontoFilter) {
    const MARKIERQUEUE_T* zeile = MARKIERQUEUE.get(POSTENKONTOZEILE);
    if (!zeile) return;
    const auto& nachKonto = BESTAND.nachKonto[POSTENART];
    const auto it = nachKonto.find(std::string(zeile->NR.bytes()));
    if (it == nachKonto.end()) return;
    liste = &it->second;
  }
  for (const std::uint32_t i : *liste) {
    const BUCHUNG_T& b = BESTAND.buchungen[i];
    if (POSTENSCHLUESSEL != 0 && b.MWSTSATZ != POSTENSCHLUESSEL) continue;
    POSTEN = b;
    postenAnnehmen();
  }
}

void PostenOhneKontoAuflisten() {
  abschnittBeginnen();
  POSTENART = 2;
  std::unordered_set<std::string> konten;
  for (const MARKIERQUEUE_T& zeile : MARKIERQUEUE.rows()) konten.insert(std::string(zeile.NR.bytes()));
  for (const std::uint32_t i : BESTAND.nachArt[2]) {
    const BUCHUNG_T& b = BESTAND.buchungen[i];
    if (konten.count(std::string(b.KONTO.bytes()))) continue;
    POSTEN = b;
    POSTEN.TEXT[0] = "*Kto " + vierstellig(b.KONTO) + "* " + b.TEXT[0].clip();
    postenAnnehmen();
  }
}

void AuswertungErstellen() {
  ParameterSpeichern();
  if (!P40_REP) P40_REP = std::make_unique<Report>(P40_REP_DEF);
  T_1 = PARA.NAME.clip() + (PARA.NAME2.isBlank() ? QString() : ", " + PARA.NAME2.clip()) + ", " +
        PARA.STRASSE.clip() + ", " + PARA.PLZORT.clip();
  SUMBRUTTOALLES = SUMNETTOALLES = SUMMWSTALLES = SUMMWST = 0;
  POSTENSCHLUESSEL = 0;
  POSTENKONTOZEILE = 0;
  rt::win::setWaitCursor(true);

  SEITENQUEUE.clear();
  P40_REP->open(SEITENQUEUE);
  // The rows begin white and one line high, also after an evaluation with shaded rows.
  P40_REP->setFill("?REPBOX", QColor(255, 255, 255));
  P40_REP->setHeight("?REPBOX", 3);
  if (PARA.BUCHUNGSART == 2 || PARA.BUCHUNGSART == 3) {
    for (const char* label : {"?BRUTTOSTR_", "?NETTOSTR_", "?MWSTSTR_", "?BUCHUNG:NETTO", "?BUCHUNG:MWST", "?SUMN",
                              "?SUMM", "?SUMNETTOALLES", "?SUMMWSTALLES"})
      P40_REP->hide(label);
    for (const char* label : {"?BUCHUNG:BRUTTO", "?SUMB", "?SUMBRUTTOALLES"}) P40_REP->setX(label, 161);
  }

  const rt::DATE* von[] = {&VOND1, &VOND2, &VOND3};
  const rt::DATE* bis[] = {&BISD1, &BISD2, &BISD3};
  const int seite = GEWAEHLTESEITE >= 1 && GEWAEHLTESEITE <= 3 ? GEWAEHLTESEITE : 1;
  AUSWERTUNGVON = *von[seite - 1];
  AUSWERTUNGBIS = *bis[seite - 1];
  const char* titel = seite == 2   ? "Nach Konten selektierte Buchungen "
                      : seite == 3 ? "USt-Voranmeldungsdaten "
                      : PARA.BUCHUNGSART == 3 ? "Ausgaben "
                                              : "Gewinn/Verlust Ermittlung ";
  T_2 = titel + datumText(AUSWERTUNGVON) + "-" + datumText(AUSWERTUNGBIS);

  BESTAND.lesen();
  if (seite == 2) nachKonten();
  else einnahmenUndAusgaben();
  BESTAND.freigeben();

  rt::win::setWaitCursor(false);
  P40_REP->pageBreak();
  vorschauZeigen();
  const PrintOutcome gedruckt = P40_REP->close();
  if (!gedruckt.message.isEmpty())
    Meldung(gedruckt.message.value(0), gedruckt.message.value(1), {}, {}, 1);
}
