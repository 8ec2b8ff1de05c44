#include "bookkeeping/reports/Auswertung.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "runtime/text/Picture.h"
#include "runtime/window/Window.h"

#include <climits>
#include <cstring>
#include <memory>
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

// The report P40$REP with its controls bound to the fields of one run.
ReportDef P40_REP_DEF(AUSWERTUNG_T& a) {
  const auto spalte = [](const char* label, const char* text, double x) {
    return ControlDef{.label = label, .kind = Kind::Text, .text = text, .x = x, .y = 20, .w = 19, .attrs = A_Bold | A_Right};
  };
  return ReportDef{
      .label = "P40$REP",
      .title = "Tavik! Druck",
      .header = {.label = "?HEADER",
                 .controls = {{.label = "?BOX", .kind = Kind::Box, .x = 25, .y = 8, .w = 171, .h = 10,
                               .border = QColor(0, 0, 0)},
                              {.label = "?T_1", .kind = Kind::String, .x = 26, .y = 9, .h = 3, .bound = a.T_1},
                              {.label = "?T_2", .kind = Kind::String, .x = 26, .y = 13, .h = 3, .bound = a.T_2},
                              {.label = "?SEITE1", .kind = Kind::Text, .text = "Seite", .x = 178, .y = 13},
                              // The number stands right-aligned up to 194 mm and keeps clear of "Seite" by
                              // one and a half blanks; a number of four digits and more gets smaller type.
                              {.label = "?SEITE2", .kind = Kind::PageNumber, .picture = "@N_8", .x = 187.5, .y = 13,
                               .w = 6.5, .attrs = A_Right},
                              spalte("?BRUTTOSTR_", "Brutto", 141), spalte("?NETTOSTR_", "Netto", 161),
                              spalte("?MWSTSTR_", "MwSt", 181),
                              {.label = "?BESCHAEDIGT", .kind = Kind::Text, .text = BUCHUNGEN_UNVOLLSTAENDIG, .x = 25,
                               .y = 20, .attrs = A_Hidden | A_Bold, .color = QColor(192, 0, 0), .fontSize = 8}}},
      .bands = {
          // A booking's two lines stand 3 mm apart: in 8 point their letters keep clear of each other
          // (the report's 10 point would make a descender touch the capitals of the line below).
          {.label = "?DETAIL",
           .height = 6,
           .fontSize = 8,
           .controls = {{.label = "?REPBOX", .kind = Kind::Box, .x = 0, .y = 0, .w = 181, .h = 3,
                         .fill = QColor(255, 255, 255)},
                        {.label = "?BUCHUNG:DATUM", .kind = Kind::String, .picture = "@D06.", .x = 1, .y = 0, .h = 3,
                         .bound = a.POSTEN.DATUM},
                        {.label = "?BUCHUNG:TEXT_1", .kind = Kind::String, .x = 21, .y = 0, .w = 99, .h = 3,
                         .bound = a.POSTEN.TEXT[0]},
                        betrag("?BUCHUNG:BRUTTO", 121, 0, 3, a.POSTEN.BRUTTO),
                        betrag("?BUCHUNG:NETTO", 141, 0, 3, a.POSTEN.NETTO),
                        betrag("?BUCHUNG:MWST", 161, 0, 3, a.POSTEN.MWST),
                        {.label = "?BUCHUNG:TEXT_2", .kind = Kind::String, .x = 21, .y = 3, .h = 3,
                         .bound = a.POSTEN.TEXT[1]}}},
          {.label = "?KOPF",
           .controls = {{.label = "?INFOOBEN", .kind = Kind::String, .x = 0, .y = 0, .bound = a.INFOOBEN,
                         .attrs = A_Bold | A_Underline}}},
          {.label = "?SUMME",
           .height = 10,
           .controls = {linie(), fett("?INFOUNTEN", 3, a.INFOUNTEN), betrag("?SUMB", 121, 1, 3, a.SUMB, A_Bold),
                        betrag("?SUMN", 141, 1, 3, a.SUMN, A_Bold), betrag("?SUMM", 161, 1, 3, a.SUMM, A_Bold),
                        {.label = "?ABSTAND", .kind = Kind::Text, .x = 0, .y = 4, .h = 6}}},
          {.label = "?GESAMT",
           .controls = {linie(), fett("?INFOUNTEN", 4, a.INFOUNTEN),
                        betrag("?SUMBRUTTOALLES", 121, 1, 4, a.SUMBRUTTOALLES, A_Bold),
                        betrag("?SUMNETTOALLES", 141, 1, 4, a.SUMNETTOALLES, A_Bold),
                        betrag("?SUMMWSTALLES", 161, 1, 4, a.SUMMWSTALLES, A_Bold)}},
          {.label = "?USTSALDO",
           .controls = {linie(), fett("?INFOUNTEN", 4, a.INFOUNTEN), betrag("?SUMMWST", 161, 1, 4, a.SUMMWST, A_Bold)}},
      }};
}

// The range from (AUSWERTUNGVON, 0) to the end of AUSWERTUNGBIS in KEYDATUM order, read in stored
// order on several connections and put in order here. When that read fails, one walk by KEYDATUM,
// in which a failed read ends the list like the end of the file (and is reported).
void bestandLesen(AUSWERTUNG_T& a) {
  AUSWERTUNGSBESTAND_T& b = a.BESTAND;
  auto& buchungen = b.buchungen;
  BUCHUNG_T von{}, bis{};
  von.DATUM = a.AUSWERTUNGVON;
  bis.DATUM = a.AUSWERTUNGBIS;
  bis.NR = INT32_MAX;
  std::vector<std::int64_t> zeilen;
  const int code = BUCHUNGDATEI.readRange(
      BUCHUNG_KEYDATUM, &von, &bis, false,
      [&](std::size_t anzahl, int) {
        buchungen.resize(anzahl);
        zeilen.assign(anzahl, 0);
      },
      [&](std::size_t platz, int, const void* satz, std::int64_t zeile) {
        std::memcpy(&buchungen[platz], satz, sizeof(POSTENSATZ_T));
        zeilen[platz] = zeile;
      },
      {});
  const BUCHUNG_T gemerkt = BUCHUNG;
  if (code == 0) {
    // A place left empty belongs to a booking deleted while the range was read.
    std::size_t n = 0;
    for (std::size_t i = 0; i < buchungen.size(); ++i)
      if (zeilen[i] != 0) buchungen[n++] = buchungen[i];
    buchungen.resize(n);
  } else {
    buchungen.clear();
    const rt::Day letzter = rt::dayNumber(a.AUSWERTUNGBIS);
    BUCHUNG.NR = 0;
    BUCHUNG.DATUM = a.AUSWERTUNGVON;
    BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
    while (BUCHUNGDATEI.next() == 0 && rt::dayNumber(BUCHUNG.DATUM) <= letzter) {
      buchungen.emplace_back();
      std::memcpy(&buchungen.back(), &BUCHUNG, sizeof(POSTENSATZ_T));
    }
  }
  std::erase_if(buchungen, [](const POSTENSATZ_T& x) { return x.ART < 1 || x.ART > 3; });
  for (std::uint32_t i = 0; i < buchungen.size(); ++i) {
    const POSTENSATZ_T& x = buchungen[i];
    b.nachArt[x.ART].push_back(i);
    b.nachKonto[x.ART][std::string(x.KONTO.bytes())].push_back(i);
  }
  BUCHUNG = gemerkt;
}

VorschauFunktion& vorschauFunktion() {
  static VorschauFunktion f;
  return f;
}

// A preview put in place by a test is given the whole report.
std::uint8_t vorschauZeigen(Report& bericht) {
  if (vorschauFunktion()) {
    bericht.buildRest();
    return vorschauFunktion()(bericht);
  }
  return Druckvorschau(bericht, -50, 1, 0);
}

QString vierstellig(const rt::String<8>& nr) {
  bool ok = false;
  const long zahl = nr.clip().trimmed().toLong(&ok);
  return rt::Picture("@N04").format(ok ? static_cast<double>(zahl) : 0.0);
}

QString satzText(int schluessel) { return rt::Picture("@N5`2").format(MwstSatz(schluessel)); }

QString datumText(const rt::DATE& d) { return rt::Picture("@D06.B").formatDate(rt::dayNumber(d)); }

void abschnittBeginnen(AUSWERTUNG_T& a) {
  a.SUMB = a.SUMN = a.SUMM = rt::Cents();
  a.KOPFGEDRUCKT = 0;
  a.ZEILEGRAU = 0;
}

// The booking into the run's record buffer POSTEN, whose EXTRA bytes stay as they are.
void postenLesen(AUSWERTUNG_T& a, const POSTENSATZ_T& b) { std::memcpy(&a.POSTEN, &b, sizeof b); }

// Lists the booking in POSTEN and adds its amounts with the sign of the section's kind.
void postenAnnehmen(AUSWERTUNG_T& a) {
  if (PARA.ZEILENABHEBEN) {
    a.P40_REP.setHeight("?REPBOX", a.POSTEN.TEXT[1].isBlank() ? 3 : 6);
    a.P40_REP.setFill("?REPBOX", a.ZEILEGRAU ? QColor(255, 255, 255) : QColor(224, 224, 224));
    a.ZEILEGRAU = a.ZEILEGRAU ? 0 : 1;
  }
  if (!a.KOPFGEDRUCKT) {
    if (!NURSUMMEN) a.P40_REP.print("?KOPF");
    a.KOPFGEDRUCKT = 1;
  }
  if (!NURSUMMEN) a.P40_REP.print("?DETAIL");
  const bool eingang = a.POSTENART == 1;
  const rt::Cents brutto = eingang ? a.POSTEN.BRUTTO : -a.POSTEN.BRUTTO;
  const rt::Cents netto = eingang ? a.POSTEN.NETTO : -a.POSTEN.NETTO;
  const rt::Cents mwst = eingang ? a.POSTEN.MWST : -a.POSTEN.MWST;
  a.SUMB += brutto;
  a.SUMN += netto;
  a.SUMM += mwst;
  a.SUMBRUTTOALLES += brutto;
  a.SUMNETTOALLES += netto;
  a.SUMMWSTALLES += mwst;
  a.SUMMWST += mwst;
}

// The section's heading, list and, when it accepted a booking, its sum line.
void abschnitt(AUSWERTUNG_T& a, const QString& oben, const QString& unten, void (*auflisten)(AUSWERTUNG_T&)) {
  a.INFOOBEN = oben;
  auflisten(a);
  if (a.KOPFGEDRUCKT) {
    a.INFOUNTEN = unten;
    a.P40_REP.print("?SUMME");
  }
}

QString kontoText(const MARKIERQUEUE_T& zeile) { return zeile.NAME.clip() + " (" + vierstellig(zeile.NR) + ")"; }

// Income per VAT key 1 to 5, the expenses (by account when asked), and on tab 3 the VAT balance.
void einnahmenUndAusgaben(AUSWERTUNG_T& a) {
  const bool mitMwst = PARA.BUCHUNGSART == 1;
  a.POSTENART = 1;
  for (int s = 1; s <= 5; ++s) {
    a.POSTENSCHLUESSEL = static_cast<std::int16_t>(s);
    const QString satz = " mit " + satzText(s) + " % MwSt";
    abschnitt(a, mitMwst ? "Eingänge" + satz : "Eingänge", mitMwst ? "Summe Eingänge" + satz : "Summe Eingänge",
              PostenAuflisten);
  }
  a.POSTENSCHLUESSEL = 0;
  if (!NURSUMMEN) a.P40_REP.pageBreak();

  a.POSTENART = 2;
  if (GEWAEHLTESEITE == 1 && AUSGABENAUFSCHLUESSELN) {
    for (std::size_t z = 1; z <= MARKIERQUEUE.records(); ++z) {
      a.POSTENKONTOZEILE = z;
      const QString konto = kontoText(*MARKIERQUEUE.get(z));
      abschnitt(a, "Ausgaben " + konto, "Summe " + konto, PostenAuflisten);
    }
    a.POSTENKONTOZEILE = 0;
    abschnitt(a, "Ausgaben *ohne gültiges Konto*", "Summe *ohne gültiges Konto*", PostenOhneKontoAuflisten);
  } else {
    abschnitt(a, "Ausgaben", "Summe Ausgaben", PostenAuflisten);
  }

  if (GEWAEHLTESEITE == 3) {
    a.INFOUNTEN = a.SUMMWST >= rt::Cents() ? "Summe USt-Zahlung" : "Summe USt-Erstattung";
    a.P40_REP.print("?USTSALDO");
    a.P40_REP.pageBreak();
    return;
  }

  a.POSTENART = 3;
  abschnitt(a, "USt-Vorauszahlung", "Summe USt-Vorauszahlung", PostenAuflisten);
  if (PARA.BUCHUNGSART != 3) {
    a.INFOUNTEN = a.SUMBRUTTOALLES >= rt::Cents() ? "Gesamtsumme Gewinn" : "Gesamtsumme Verlust";
    a.P40_REP.hide("?SUMNETTOALLES");
    a.P40_REP.hide("?SUMMWSTALLES");
    a.P40_REP.print("?GESAMT");
    if (mitMwst) {
      a.P40_REP.unhide("?SUMNETTOALLES");
      a.P40_REP.unhide("?SUMMWSTALLES");
    }
  }
  a.P40_REP.pageBreak();
}

// Per kind 1, 2, 3 the included accounts, each with its sum line; then the sum over everything.
void nachKonten(AUSWERTUNG_T& a) {
  for (std::uint8_t art = 1; art <= 3; ++art) {
    a.POSTENART = art;
    for (std::size_t z = 1; z <= MARKIERQUEUE.records(); ++z) {
      const MARKIERQUEUE_T& zeile = *MARKIERQUEUE.get(z);
      if (zeile.GESPERRT) continue;
      a.POSTENKONTOZEILE = z;
      const QString konto = kontoText(zeile);
      abschnitt(a, konto, "Summe " + konto, PostenAuflisten);
      if (EXTRASEITE) a.P40_REP.pageBreak();
    }
  }
  a.POSTENKONTOZEILE = 0;
  a.INFOUNTEN = "Summe über alles";
  a.P40_REP.print("?GESAMT");
}

}  // namespace

AUSWERTUNG_T::AUSWERTUNG_T() : P40_REP(P40_REP_DEF(*this)) {}

void VorschauSetzen(VorschauFunktion vorschau) { vorschauFunktion() = std::move(vorschau); }

void PostenAuflisten(AUSWERTUNG_T& a) {
  abschnittBeginnen(a);
  const bool kontoFilter =
      GEWAEHLTESEITE == 2 || (GEWAEHLTESEITE == 1 && a.POSTENART == 2 && AUSGABENAUFSCHLUESSELN);
  if (a.POSTENART < 1 || a.POSTENART > 3) return;
  const std::vector<std::uint32_t>* liste = &a.BESTAND.nachArt[a.POSTENART];
  if (kontoFilter) {
    const MARKIERQUEUE_T* zeile = MARKIERQUEUE.get(a.POSTENKONTOZEILE);
    if (!zeile) return;
    const auto& nachKonto = a.BESTAND.nachKonto[a.POSTENART];
    const auto it = nachKonto.find(std::string(zeile->NR.bytes()));
    if (it == nachKonto.end()) return;
    liste = &it->second;
  }
  for (const std::uint32_t i : *liste) {
    const POSTENSATZ_T& b = a.BESTAND.buchungen[i];
    if (a.POSTENSCHLUESSEL != 0 && b.MWSTSATZ != a.POSTENSCHLUESSEL) continue;
    postenLesen(a, b);
    postenAnnehmen(a);
  }
}

void PostenOhneKontoAuflisten(AUSWERTUNG_T& a) {
  abschnittBeginnen(a);
  a.POSTENART = 2;
  std::unordered_set<std::string> konten;
  for (const MARKIERQUEUE_T& zeile : MARKIERQUEUE.rows()) konten.insert(std::string(zeile.NR.bytes()));
  for (const std::uint32_t i : a.BESTAND.nachArt[2]) {
    const POSTENSATZ_T& b = a.BESTAND.buchungen[i];
    if (konten.count(std::string(b.KONTO.bytes()))) continue;
    postenLesen(a, b);
    a.POSTEN.TEXT[0] = "*Kto " + vierstellig(b.KONTO) + "* " + b.TEXT[0].clip();
    postenAnnehmen(a);
  }
}

// The run lives on the heap: its report and the copied bookings are large, and the caller's stack
// may be a thread's coroutine stack.
void AuswertungErstellen() {
  if (!TrotzBeschaedigungFortfahren(BUCHUNGDATEI, "Soll die Auswertung trotzdem erstellt werden?")) return;
  ParameterSpeichern();
  const auto lauf = std::make_unique<AUSWERTUNG_T>();
  AUSWERTUNG_T& a = *lauf;
  a.T_1 = PARA.NAME.clip() + (PARA.NAME2.isBlank() ? QString() : ", " + PARA.NAME2.clip()) + ", " +
          PARA.STRASSE.clip() + ", " + PARA.PLZORT.clip();
  rt::win::setWaitCursor(true);

  SEITENQUEUE.clear();
  a.P40_REP.open(SEITENQUEUE);
  if (PARA.BUCHUNGSART == 2 || PARA.BUCHUNGSART == 3) {
    for (const char* label : {"?BRUTTOSTR_", "?NETTOSTR_", "?MWSTSTR_", "?BUCHUNG:NETTO", "?BUCHUNG:MWST", "?SUMN",
                              "?SUMM", "?SUMNETTOALLES", "?SUMMWSTALLES"})
      a.P40_REP.hide(label);
    for (const char* label : {"?BUCHUNG:BRUTTO", "?SUMB", "?SUMBRUTTOALLES"}) a.P40_REP.setX(label, 161);
  }

  const rt::DATE* von[] = {&VOND1, &VOND2, &VOND3};
  const rt::DATE* bis[] = {&BISD1, &BISD2, &BISD3};
  const int seite = GEWAEHLTESEITE >= 1 && GEWAEHLTESEITE <= 3 ? GEWAEHLTESEITE : 1;
  a.AUSWERTUNGVON = *von[seite - 1];
  a.AUSWERTUNGBIS = *bis[seite - 1];
  const char* titel = seite == 2   ? "Nach Konten selektierte Buchungen "
                      : seite == 3 ? "USt-Voranmeldungsdaten "
                      : PARA.BUCHUNGSART == 3 ? "Ausgaben "
                                              : "Gewinn/Verlust Ermittlung ";
  a.T_2 = titel + datumText(a.AUSWERTUNGVON) + "-" + datumText(a.AUSWERTUNGBIS);

  bestandLesen(a);
  // Every page of an evaluation from a damaged file says so, also when its own walk found the damage.
  if (BUCHUNGDATEI.failure()) a.P40_REP.unhide("?BESCHAEDIGT");
  else a.P40_REP.hide("?BESCHAEDIGT");
  // The preview opens with the first page; the others are built while it is shown.
  a.P40_REP.build([&a, seite] {
    if (seite == 2) nachKonten(a);
    else einnahmenUndAusgaben(a);
    a.P40_REP.pageBreak();
    a.BESTAND = {};
  });

  rt::win::setWaitCursor(false);
  vorschauZeigen(a.P40_REP);
  const PrintOutcome gedruckt = a.P40_REP.close();
  if (!gedruckt.message.isEmpty())
    Meldung(gedruckt.message.value(0), gedruckt.message.value(1), {}, {}, 1);
}
