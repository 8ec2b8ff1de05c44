#include "bookkeeping/booking/BuchungEingeben.h"

#include "bookkeeping/booking/Arbeitsfenster.h"
#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/GespeichertHinweis.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/text/Picture.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"

#include <initializer_list>
#include <utility>

using namespace rt::win;

std::uint8_t STARTBILDAKTIV = 1;

namespace {

constexpr char kBetrag[] = "@N-12`2";
constexpr char kAuswahlFormat[] = "50LM|~Konto-Name~20CM~Code~20CM|~Nr~@N04@|0LM~~8LM~~";

WindowDef definition() {
  WindowDef d;
  d.label = "$WINBUCHUNG";
  d.caption = "Buchung eingeben";
  d.w = 288;
  d.h = 156;
  d.kind = WindowKind::MdiChild;
  d.font = "Arial";
  // The VAT key group: options with the keys F3..F7 beside their key names. Each key name stands
  // centred in its box, and the options keep two units from the boxes, so that no name touches or
  // runs under an option's circle.
  auto option = [](int field, const char* label, int value, int y, int key) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Option, .x = 242, .y = y, .w = 37, .h = 9,
                      .key = key, .value = static_cast<double>(value)};
  };
  auto keyName = [](int field, const char* label, const char* text, int y) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Prompt, .text = text, .x = 226, .y = y,
                      .w = 13, .h = 7, .attrs = A_Centre};
  };
  auto keyBox = [](int field, const char* label, int y) {
    return ControlDef{.field = field, .label = label, .kind = Kind::Box, .x = 226, .y = y, .w = 13, .h = 7,
                      .border = QColor(0x70, 0x70, 0x70)};
  };
  d.controls = {
      {.field = BF_OK, .label = "?OK", .kind = Kind::Button, .text = "Ok", .x = 25, .y = 119, .w = 61, .h = 11,
       .attrs = A_Disabled},
      {.field = BF_ABBRUCH, .label = "?ABBRUCH", .kind = Kind::Button, .text = "   Löschen", .x = 25, .y = 133,
       .w = 61, .h = 11, .icon = "Esc.ico"},
      {.field = BF_KONTOMWST, .label = "?KONTOMWST", .kind = Kind::OptionGroup, .x = 224, .y = 8, .w = 56,
       .h = 62, .bound = Bound(KONTOMWST)},
      option(4, "?R1", 1, 20, VK_F3),
      option(5, "?R2", 2, 30, VK_F4),
      option(6, "?R3", 3, 40, VK_F5),
      option(7, "?R4", 4, 50, VK_F6),
      option(8, "?R5", 5, 60, VK_F7),
      keyName(9, "?F_1", "F3", 21),
      keyBox(10, "?F_2", 21),
      keyName(11, "?F_3", "F4", 31),
      keyBox(12, "?F_4", 31),
      keyName(13, "?F_5", "F5", 41),
      keyBox(14, "?F_6", 41),
      keyName(15, "?F_7", "F6", 51),
      keyBox(16, "?F_8", 51),
      keyName(17, "?F_9", "F7", 61),
      keyBox(18, "?F_10", 61),
      {.field = BF_MWSTSTR, .label = "?MWSTSTR", .kind = Kind::Prompt, .text = "MwSt", .x = 245, .y = 13},
      {.kind = Kind::Prompt, .text = "Konto", .x = 115, .y = 10},
      {.field = BF_CODE, .label = "?CODE", .kind = Kind::Entry, .picture = "@S4", .x = 115, .y = 18, .w = 22,
       .bound = Bound(CODE), .attrs = A_Immediate},
      {.field = BF_ZAHL, .label = "?ZAHL", .kind = Kind::Prompt, .text = "Zahleingabe = Konto-Nr", .x = 141,
       .y = 16},
      {.field = BF_BUCHSTABE, .label = "?BUCHSTABE", .kind = Kind::Prompt, .text = "Buchstabe = Code", .x = 141,
       .y = 25},
      {.field = BF_BOX, .label = "?BOX", .kind = Kind::Box, .x = 5, .y = 12, .w = 103, .h = 95,
       .border = QColor(0x60, 0x60, 0x60)},
      {.field = 24, .label = "?KONTONAMESTR", .kind = Kind::Prompt, .text = "Konto-Name", .x = 16, .y = 31},
      {.field = BF_KONTONAME, .label = "?KONTONAME_", .kind = Kind::Display, .picture = "@S20", .x = 16, .y = 37,
       .w = 81, .bound = Bound(KONTONAME_)},
      {.field = 26, .label = "?KONTOCODESTR", .kind = Kind::Prompt, .text = "Konto-Code", .x = 16, .y = 53},
      {.field = BF_KONTOCODE, .label = "?KONTO:SHORTCUT", .kind = Kind::Display, .picture = "@S4", .x = 16,
       .y = 59, .w = 30, .bound = Bound(KONTO.SHORTCUT)},
      {.field = 28, .label = "?KONTONRSTR", .kind = Kind::Prompt, .text = "Konto-Nr", .x = 16, .y = 76},
      {.field = BF_KONTONR, .label = "?KONTO:NR", .kind = Kind::Display, .picture = "@N04", .x = 16, .y = 82,
       .bound = Bound(KONTO.NR)},
      {.kind = Kind::Prompt, .text = "Datum", .x = 115, .y = 37},
      {.field = BF_DATUM, .label = "?BUCHUNGEINGABE:DATUM", .kind = Kind::Entry, .picture = "@D06.B", .x = 115,
       .y = 45, .w = 50, .bound = Bound(BUCHUNGEINGABE.DATUM)},
      {.field = BF_DATUMMERKEN, .label = "?DATUMMERKEN", .kind = Kind::CheckBox, .text = "Datum merken", .x = 114,
       .y = 59, .bound = Bound(DATUMMERKEN),
       .tip = "Das zuletzt eingegebene Datum wird gespeichert und bei Neubuchungen vorgeblendet"},
      {.field = BF_ZAHLART, .label = "?ZAHLART", .kind = Kind::Panel, .x = 110, .y = 79, .w = 170, .h = 27},
      {.kind = Kind::Prompt, .text = "Brutto", .x = 115, .y = 82},
      {.field = BF_BRUTTO, .label = "?BUCHUNGEINGABE:BRUTTO", .kind = Kind::Entry, .picture = kBetrag, .x = 115,
       .y = 90, .w = 50, .bound = Bound(BUCHUNGEINGABE.BRUTTO)},
      {.field = BF_NETTOKNOPF, .label = "?NETTO", .kind = Kind::Button, .text = "&Netto", .x = 170, .y = 82,
       .w = 25, .h = 9},
      {.field = BF_NETTO, .label = "?BUCHUNGEINGABE:NETTO", .kind = Kind::Entry, .picture = kBetrag, .x = 170,
       .y = 90, .w = 50, .bound = Bound(BUCHUNGEINGABE.NETTO), .attrs = A_Disabled},
      {.field = BF_MWSTKNOPF, .label = "?MWST", .kind = Kind::Button, .text = "&MwSt", .x = 225, .y = 82, .w = 25,
       .h = 9},
      {.field = BF_MWST, .label = "?BUCHUNGEINGABE:MWST", .kind = Kind::Entry, .picture = kBetrag, .x = 225,
       .y = 90, .w = 50, .bound = Bound(BUCHUNGEINGABE.MWST), .attrs = A_Disabled},
      {.kind = Kind::Prompt, .text = "Text", .x = 115, .y = 110},
      {.field = BF_TEXT_1, .label = "?BUCHUNGEINGABE:TEXT_1", .kind = Kind::Entry, .picture = "@S50", .x = 115,
       .y = 118, .w = 165, .bound = Bound(BUCHUNGEINGABE.TEXT[0])},
      {.field = BF_TEXT_2, .label = "?BUCHUNGEINGABE:TEXT_2", .kind = Kind::Entry, .picture = "@S50", .x = 115,
       .y = 133, .w = 165, .bound = Bound(BUCHUNGEINGABE.TEXT[1])},
      {.field = BF_LETZTEBUCHUNG, .label = "?LETZTEBUCHUNG", .kind = Kind::Display, .picture = "@S50", .x = 115,
       .y = 146, .w = 175, .bound = Bound(LETZTEBUCHUNG)},
      {.field = BF_NR, .label = "?NR_", .kind = Kind::List, .text = kAuswahlFormat, .x = 5, .y = 10, .w = 101,
       .h = 92, .fill = QColor(0xFF, 0xFF, 0xF6)},
      {.field = BF_HILF, .label = "?HILF", .kind = Kind::Button, .x = 0, .y = 0, .w = 0, .h = 0},
  };
  return d;
}

// Marks of the form procedure.
std::uint8_t g_bearbeiten = 0;      // a loaded booking is being edited
std::uint8_t g_ersteAuswahl = 1;    // the focus has not yet gone to ?CODE after the splash
bool g_hinweisOffen = false;        // a notice is shown and its store is still to come
int g_aktivierungsFeld = 0;         // the control that the window's activation put the focus on
constexpr int kSpaeterAktiv = -1;   // … or: the form becomes active later, when the user comes back

// The VAT rates as the texts of ?R1..?R5: "19,00%", " 7,00%".
void SaetzeAnzeigen() {
  const rt::Picture bild("@N5`2");
  for (int i = 1; i <= 5; ++i) WinBuchung.setText(BF_R1 - 1 + i, bild.format(MwstSatz(i)) + "%");
}

QVariant AuswahlZelle(int zeile, int spalte) {
  const KONTOQUEUE_T* z = KONTOQUEUE.get(zeile);
  if (!z) return {};
  switch (spalte) {
    case 0: return z->NAME.clip();
    case 1: return z->SHORTCUT.clip();
    case 2: return z->NR.clip().toDouble();
    case 3: return z->TEXTVORGABE[0].clip();
    case 4: return z->TEXTVORGABE[1].clip();
    default: return {};
  }
}

// Shows the variables of these controls only. The entry that the focus has just moved into keeps
// what it shows and its selection, so that what the user types next replaces its text.
void Anzeigen(std::initializer_list<int> felder) {
  for (int feld : felder) WinBuchung.showVariables(feld);
}

// Makes the form the active window, unless the user is at a window opened on the way. As the window
// layer activates it, it puts the focus back on a control of the form; that is no selection by the
// user, and must not return the form to the state without an account.
void Aktivieren(Window& w) {
  if (!ArbeitsfensterVorne()) {
    // The window layer puts the focus on one of the form's controls when the user comes back.
    g_aktivierungsFeld = kSpaeterAktiv;
    return;
  }
  const bool hatteFokus = w.focusField() != 0;
  w.activate();
  g_aktivierungsFeld = hatteFokus ? 0 : w.focusField();
}

// Leaving ?CODE: look the account up and take it over.
void KontoVerlassen() {
  const Suche s = KontoNachschlagen();
  if (s == Suche::KeineSuche) return;
  if (s == Suche::NichtGefunden) {
    KeinKontoMeldung();
    return;
  }
  Window& w = WinBuchung;
  SaetzeAnzeigen();
  w.hide(BF_ZAHL, BF_BUCHSTABE);
  const std::uint8_t art = KontoUebernehmen(g_bearbeiten);
  w.setSkip(BF_KONTOMWST, true);
  w.show(BF_BOX, BF_KONTONR);
  w.hide(BF_NR);
  w.show(BF_ZAHLART);
  switch (art) {
    case 1:
      w.setFill(BF_ZAHLART, QColor(0, 176, 0));
      w.setWallpaper("~Eingang.gif", true);
      break;
    case 2:
      w.setFill(BF_ZAHLART, QColor(240, 64, 64));
      w.setWallpaper("~Ausgabe.gif", true);
      break;
    case 3:
      w.setFill(BF_ZAHLART, QColor(176, 176, 0));
      w.setWallpaper("~USt.gif", true);
      break;
    default:
      break;
  }
  w.enable(BF_OK);
  if (art != 3 && PARA.BUCHUNGSART == 1) {
    w.show(BF_KONTOMWST, BF_MWSTSTR);
    w.show(BF_NETTOKNOPF, BF_MWST);
  } else {
    w.hide(BF_KONTOMWST, BF_MWSTSTR);
    w.hide(BF_NETTOKNOPF, BF_MWST);
  }
  Anzeigen({BF_R1, BF_R1 + 1, BF_R1 + 2, BF_R1 + 3, BF_R1 + 4, BF_KONTONAME, BF_KONTOCODE, BF_KONTONR, BF_TEXT_1,
            BF_TEXT_2});
}

// "Ok" or F2. While a notice is open its store is still to come: a second confirmation would store
// the form as it is after that store (cleared, with only the preset date), so it is ignored.
void Bestaetigen() {
  if (g_hinweisOffen) return;
  // An entry whose text was rejected keeps its old value in its variable; confirming now would store
  // that value as if it were what the entry shows.
  if (const int feld = WinBuchung.rejectedField()) {
    EingabefehlerMelden(WinBuchung, feld, WinBuchung.text(feld));
    WinBuchung.giveFocus(feld);
    return;
  }
  post(EVENT_Bestaetigt, 0);
}

void NichtLeeren() {}

// Confirmed: the booking is written now, so that the notice "Gespeichert" only ever tells of a
// booking that is in the file; the form is cleared when the notice has gone (AufSpeichern).
void AufBestaetigt() {
  if (g_hinweisOffen) return;
  if (BUCHUNGEINGABE.DATUM.isZero()) {
    Meldung("Das Datum fehlt - die Buchung wurde nicht gespeichert.", "", "", "", 1, 0);
    WinBuchung.giveFocus(BF_DATUM);
    return;
  }
  switch (BuchungSpeichern(NichtLeeren)) {
    case Speichern::NichtGespeichert:
      return;
    case Speichern::Fehlgeschlagen:
      Meldung("Die Buchung konnte nicht gespeichert werden - Fehlercode " +
                  QString::number(BuchungSpeichernFehler()),
              "Die Eingabe bleibt erhalten.", "", "", 1, 0);
      return;
    case Speichern::KeineNummerFrei:
      Meldung("Die höchste Buchungsnummer 2147483647 ist vergeben - die Buchung wurde nicht gespeichert.",
              "Die Eingabe bleibt erhalten.", "", "", 1, 0);
      return;
    case Speichern::Gespeichert:
      g_bearbeiten = 0;
      g_hinweisOffen = true;
      start(GespeichertHinweis);
      return;
  }
}

// The notice has gone, however it ended: the stored booking leaves the form.
void AufSpeichern() {
  if (!g_hinweisOffen) return;
  g_hinweisOffen = false;
  EingabeLeeren();
  WinBuchung.showVariables(BF_LETZTEBUCHUNG);
  post(EVENT_ListenNeu, THREADANZEIGE);
  WinBuchung.giveFocus(BF_CODE);
}

void AufLaden() {
  switch (BuchungLadenFuerBearbeitung()) {
    case Laden::NichtsGeladen:
      return;
    case Laden::KontoFehlt:
      Meldung("Zu dieser Buchung ist das Konto " + BUCHUNG.KONTO.clip() + " nicht mehr vorhanden!", "", "", "", 1, 0);
      // The booking stays in the file; nothing of it may stay in the entry, or choosing an account
      // would store it a second time.
      EingabeLeeren();
      return;
    case Laden::Fehlgeschlagen:
      EingabeLeeren();
      Meldung("Die Buchung kann nicht bearbeitet werden - Fehlercode " + QString::number(BuchungSpeichernFehler()),
              "Sie bleibt unverändert gespeichert.", "", "", 1, 0);
      return;
    case Laden::Geladen:
      g_bearbeiten = 1;
      postField(EV_Accepted, BF_CODE, 0);
      WinBuchung.showVariables();
      post(EVENT_ListenNeu, THREADANZEIGE);
      return;
  }
}

void Ausgewaehlt(Window& w, int feld) {
  if (g_aktivierungsFeld == kSpaeterAktiv) {
    // The form became active again with the focus where the window layer put it, no choice of the
    // user's: without an account it goes to ?CODE, without a word.
    g_aktivierungsFeld = 0;
    if (CODE.isBlank() && feld != BF_CODE && feld != BF_NR) w.giveFocus(BF_CODE);
    return;
  }
  if (feld == std::exchange(g_aktivierungsFeld, 0)) return;
  if (CODE.isBlank() && !g_ersteAuswahl && feld != BF_CODE && feld != BF_ABBRUCH && feld != BF_HILF &&
      feld != BF_NR && feld != BF_DATUMMERKEN) {
    Meldung("Konto muss angewählt werden!", "", "", "", 1, 0);
    w.giveFocus(BF_CODE);
    return;
  }
  if (g_ersteAuswahl && !STARTBILDAKTIV) {
    g_ersteAuswahl = 0;
    w.giveFocus(BF_CODE);
    w.hide(BF_HILF);
  }
  switch (feld) {
    case BF_CODE:
      EingabeNeutral();
      w.markChanged(BF_CODE);
      break;
    case BF_TEXT_1:
    case BF_TEXT_2: {
      // A "#" in a preset text is marked, so that the next typed character replaces it.
      const int p = static_cast<int>(w.text(feld).indexOf('#')) + 1;
      if (p > 0)
        w.setSelection(feld, p, p);
      else
        w.setSelection(feld, 100, 100);
      break;
    }
    case BF_NETTO:
    case BF_MWST:
      w.markChanged(feld);
      break;
    default:
      break;
  }
}

void Akzeptiert(Window& w, const Event& e) {
  switch (e.field) {
    case BF_CODE:
      KontoVerlassen();
      break;
    case BF_BRUTTO:
      NettoMwstBerechnen();
      Anzeigen({BF_NETTO, BF_MWST});
      break;
    case BF_NETTOKNOPF:
      w.enable(BF_NETTO);
      w.giveFocus(BF_NETTO);
      break;
    case BF_MWSTKNOPF:
      w.enable(BF_MWST);
      w.giveFocus(BF_MWST);
      break;
    case BF_NETTO:
      w.disable(BF_NETTO);
      if (Meldung("MwSt dazu berechnen?", "", "", "", 1, 1)) {
        MwstAusNetto();
        w.showVariables();
      }
      w.giveFocus(BF_TEXT_1);
      break;
    case BF_MWST:
      w.disable(BF_MWST);
      if (Meldung("Netto dazu berechnen?", "", "", "", 1, 1)) {
        NettoAusMwst();
        w.showVariables();
      }
      w.giveFocus(BF_TEXT_1);
      break;
    case BF_KONTOMWST:
      if (BUCHUNGEINGABE.BRUTTO != rt::Cents() && Meldung("Netto und MwSt neu berechnen?", "", "", "", 1, 1)) {
        NettoMwstBerechnen();
        w.showVariables();
      }
      w.giveFocus(BF_BRUTTO);
      break;
    case BF_NR:
      if (e.key == kKeyMouseLeft2) {
        if (const KONTOQUEUE_T* z = KONTOQUEUE.get(w.listSelection(BF_NR))) {
          CODE.assignBytes(z->NR.sub(1, 4));
          w.showVariables();
          w.markChanged(BF_CODE);
          w.giveFocus(BF_CODE);
        }
      }
      break;
    case BF_OK:
      Bestaetigen();
      break;
    case BF_ABBRUCH:
      if (g_bearbeiten) BearbeitungVerwerfen();
      g_bearbeiten = 0;
      EingabeLeeren();
      w.giveFocus(BF_CODE);
      break;
    default:
      break;
  }
}

Pass Ereignis(Window& w, const Event& e) {
  switch (e.code) {
    case EV_OpenWindow:
      TastenBelegen(2, 0, 0);
      w.giveFocus(BF_HILF);
      break;
    case EV_GainFocus:
      TastenBelegen(2, 1, 0);
      break;
    case EV_Selected:
      TastenBelegen(2, 0, 0);
      Ausgewaehlt(w, e.field);
      break;
    case EV_Accepted:
      Akzeptiert(w, e);
      break;
    case EV_NewSelection:
      if (e.field == BF_CODE) {
        w.takeEdit(BF_CODE);
        AuswahlListeFuellen();
        w.showVariables(BF_NR);
        w.markChanged(BF_CODE);
      }
      break;
    case EV_AlertKey:
      if (e.key == VK_F2 && w.isEnabled(BF_OK) && !g_hinweisOffen) {
        // A gross amount typed and confirmed without leaving its entry derives net and VAT as
        // leaving it would.
        const bool brutto = w.focusField() == BF_BRUTTO &&
                            w.text(BF_BRUTTO).trimmed() != rt::Picture("@N-12`2").format(BUCHUNGEINGABE.BRUTTO).trimmed();
        if (w.takeEdit() && brutto) {
          NettoMwstBerechnen();
          w.showVariables();
        }
        Bestaetigen();
      }
      break;
    case EV_CloseWindow:
      // The form lives for the whole run: a close request clears it instead.
      postField(EV_Accepted, BF_ABBRUCH, 0);
      return Pass::NoDefault;
    case EVENT_Bestaetigt:
      AufBestaetigt();
      break;
    case EVENT_Speichern:
      AufSpeichern();
      break;
    case EVENT_SummenNeu:
      Aktivieren(w);
      break;
    case EVENT_StartbildEnde:
      STARTBILDAKTIV = 0;
      if (!ArbeitsfensterVorne()) {
        // The user is at a window opened meanwhile: it keeps the focus, and the first selection in
        // the form (?HILF, which holds the form's focus) sends the focus to ?CODE.
        break;
      }
      w.activate();
      w.hide(BF_HILF);
      // The focus goes to ?CODE now: that is the first selection after the splash, whether or not
      // the window layer raises a selected event for it. Otherwise the first control selected
      // later (the date, reached with Enter or Tab) would send the focus back to ?CODE.
      g_ersteAuswahl = 0;
      w.giveFocus(BF_CODE);
      break;
    case EVENT_BuchungLaden:
      AufLaden();
      break;
    default:
      break;
  }
  return Pass::Default;
}

}  // namespace

Window WinBuchung(definition());

void EingabeNeutral() {
  Window& w = WinBuchung;
  w.setWallpaper("~Neutral.gif", true);
  w.show(BF_NR);
  w.show(BF_ZAHL, BF_BUCHSTABE);
  w.hide(BF_KONTOMWST, BF_MWSTSTR);
  w.hide(BF_BOX, BF_KONTONR);
  w.hide(BF_NETTOKNOPF, BF_MWST);
  w.hide(BF_ZAHLART);
  w.disable(BF_OK);
}

void EingabeLeeren() {
  EingabeDatenLeeren();
  EingabeNeutral();
  WinBuchung.showVariables();
}

void KeinKontoMeldung() {
  Meldung("Zu dieser Nr / diesem Code ist kein Konto vorhanden!", "", "", "", 1, 0);
  WinBuchung.giveFocus(BF_CODE);
  WinBuchung.markChanged(BF_CODE);
}

void BuchungEingeben() {
  g_bearbeiten = 0;
  g_ersteAuswahl = 1;
  g_hinweisOffen = false;
  g_aktivierungsFeld = 0;
  Window& w = WinBuchung;
  w.open();
  if (PARA.FENSTERXY) {
    const auto& f = PARA.FENSTERDATEN;
    w.setPosition(f.wert(5), f.wert(6), f.wert(7), f.wert(8));
  }
  ListSource auswahl;
  auswahl.count = [] { return static_cast<int>(KONTOQUEUE.records()); };
  auswahl.cell = AuswahlZelle;
  w.setListSource(BF_NR, auswahl);
  AuswahlListeFuellen();
  SaetzeAnzeigen();
  EingabeLeeren();
  w.attach(Ereignis);
}
