#include "bookkeeping/data/Parameter.h"

#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/data/Dateien.h"
#include "platform/Process.h"
#include "runtime/isam/Errors.h"

#include <cmath>
#include <limits>
#include <string>

PARA_T PARA;
std::int16_t PARAZAEHLER = 0;

template <int N>
void FensterWerte<N>::setzeWert(int i, int v) {
  // Each value is cut to its 16-bit (or, for the flag, 8-bit) field.
  if (i <= N)
    WERT[i - 1] = static_cast<std::int16_t>(v);
  else
    MAXIMIERT = static_cast<std::uint8_t>(v);
}
template struct FensterWerte<16>;
template struct FensterWerte<14>;

double MwstSatz(int schluessel) {
  switch (schluessel) {
    case 1: return PARA.MWST_1;
    case 2: return PARA.MWST_2;
    case 3: return PARA.MWST_3;
    case 4: return PARA.MWST_4;
    case 5: return PARA.MWST_5;
    default: return 0;
  }
}

namespace {

void Reihenfolge(std::int16_t nr, const char* richtung) {
  if (nr != PARAZAEHLER + 1) Meldung(QString("Parameternummerierungsfehler, ") + richtung);
  ++PARAZAEHLER;
}

// Stores the Windows-1252 bytes under the number, cut to 20 characters and blank-padded.
void Speichere(std::int16_t nr, std::string_view inhalt) {
  Reihenfolge(nr, "Save");
  PARAREC.NR = nr;
  const int gefunden = PARADATEI.get(PARA_KEYNR);
  PARAREC.INHALT.assignBytes(inhalt);
  if (gefunden)
    PARADATEI.add();
  else
    PARADATEI.put();
}

// The stored text of a number, or nothing when the file lacks it.
bool Lies(std::int16_t nr, QString& text) {
  Reihenfolge(nr, "Read");
  PARAREC.NR = nr;
  if (PARADATEI.get(PARA_KEYNR)) return false;
  text = PARAREC.INHALT.clip();
  return true;
}

// What the text-to-number conversion makes of a stored text: its leading number, 0 for none.
double Zahl(const QString& text) {
  QString t = text.trimmed();
  int n = 0;
  if (n < t.size() && (t[n] == '-' || t[n] == '+')) ++n;
  while (n < t.size() && (t[n].isDigit() || t[n] == '.')) ++n;
  bool ok = false;
  const double v = t.left(n).toDouble(&ok);
  return ok && std::isfinite(v) ? v : 0;
}

template <typename T>
T Ganzzahl(double v) {
  if (v <= std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
  if (v >= std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

// Piece buffers of the long texts while they are loaded.
rt::String<20> g_stueck[3][4];
rt::String<20> g_schema[3][4];
rt::String<20> g_adresse[4][2];

rt::String<40>* Adressfeld(int i) {
  static rt::String<40>* felder[] = {&PARA.NAME, &PARA.NAME2, &PARA.STRASSE, &PARA.PLZORT};
  return felder[i];
}

void SchreibeStuecke(std::int16_t erste, const rt::String<80>& text) {
  for (int i = 0; i < 4; ++i) ParameterSchreiben(static_cast<std::int16_t>(erste + i), text.sub(1 + 20 * i, 20));
}

void LiesStuecke(std::int16_t erste, rt::String<20> (&stuecke)[4]) {
  for (int i = 0; i < 4; ++i) ParameterLesen(static_cast<std::int16_t>(erste + i), stuecke[i]);
}

void Zusammensetzen(rt::String<80>& text, const rt::String<20> (&stuecke)[4]) {
  for (int i = 0; i < 4; ++i) text.setSub(1 + 20 * i, 20, stuecke[i].raw());
}

// A save or load that is asked for while one runs (possible while an order message waits for its
// answer) runs after it, so that two never overlap on the shared record buffer and counter.
bool g_laeuft = false;
bool g_speichernOffen = false;
bool g_ladenOffen = false;

void Speichern();
void Laden();

void Nacheinander(bool& offen) {
  offen = true;
  if (g_laeuft) return;
  g_laeuft = true;
  while (g_speichernOffen || g_ladenOffen) {
    if (g_speichernOffen) {
      g_speichernOffen = false;
      Speichern();
    } else {
      g_ladenOffen = false;
      Laden();
    }
  }
  g_laeuft = false;
}

// All numbers are written in one transaction: a crash while saving leaves the previous set or the
// new one, never a mix of both.
void Speichern() {
  ParaOeffnen();
  PARADATEI.begin();
  ParameterSchreiben(1, PARA.MWST_2);
  ParameterSchreiben(2, PARA.MWST_3);
  ParameterSchreiben(3, PARA.VONSUMMENDATUM);
  ParameterSchreiben(4, PARA.BISSUMMENDATUM);
  ParameterSchreiben(5, PARA.FENSTERXY);
  ParameterSchreiben(6, PARA.TASTATUR);
  for (int i = 1; i <= PARA.FENSTERDATEN.anzahl; ++i)
    ParameterSchreiben(static_cast<std::int16_t>(6 + i), PARA.FENSTERDATEN.wert(i));
  PARAZAEHLER = 24;
  ParameterSchreiben(25, PARA.BUCHUNGSART);
  PARAZAEHLER = 26;
  ParameterSchreiben(27, PARA.ZEILENABHEBEN);
  for (int i = 0; i < 4; ++i) ParameterSchreiben(static_cast<std::int16_t>(28 + i), Adressfeld(i)->sub(1, 20));
  ParameterSchreiben(32, PARA.MWST_4);
  ParameterSchreiben(33, PARA.MWST_5);
  ParameterSchreiben(34, PARA.ACROBATHILFE);
  SchreibeStuecke(35, PARA.LISTENFORMAT[0]);
  SchreibeStuecke(39, PARA.LISTENFORMAT[1]);
  for (int i = 0; i < 4; ++i) ParameterSchreiben(static_cast<std::int16_t>(43 + i), Adressfeld(i)->sub(21, 20));
  SchreibeStuecke(47, PARA.LISTENFORMAT[2]);
  SchreibeStuecke(51, PARA.SCHEMAFORMAT[0]);
  SchreibeStuecke(55, PARA.SCHEMAFORMAT[1]);
  SchreibeStuecke(59, PARA.SCHEMAFORMAT[2]);
  for (int i = 1; i <= PARA.SCHEMADATEN.anzahl; ++i)
    ParameterSchreiben(static_cast<std::int16_t>(62 + i), PARA.SCHEMADATEN.wert(i));
  PARADATEI.commit();
  ParaSchliessen();
}

void Laden() {
  const rt::Day heute = rt::today();
  const int jahr = rt::yearOf(heute), monat = rt::monthOf(heute);
  ParaOeffnen();
  ParameterLesen(1, 19.0, PARA.MWST_2);
  ParameterLesen(2, 7.0, PARA.MWST_3);
  ParameterLesen(3, rt::monthStart(jahr, monat), PARA.VONSUMMENDATUM);
  ParameterLesen(4, rt::monthEnd(jahr, monat), PARA.BISSUMMENDATUM);
  ParameterLesen(5, 0, PARA.FENSTERXY);
  ParameterLesen(6, 2, PARA.TASTATUR);
  for (int i = 1; i <= PARA.FENSTERDATEN.anzahl; ++i) {
    std::int16_t v = 0;
    ParameterLesen(static_cast<std::int16_t>(6 + i), 0, v);
    PARA.FENSTERDATEN.setzeWert(i, v);
  }
  PARAZAEHLER = 24;
  ParameterLesen(25, 1, PARA.BUCHUNGSART);
  PARAZAEHLER = 26;
  ParameterLesen(27, 1, PARA.ZEILENABHEBEN);
  for (int i = 0; i < 4; ++i) ParameterLesen(static_cast<std::int16_t>(28 + i), g_adresse[i][0]);
  ParameterLesen(32, 0.0, PARA.MWST_4);
  ParameterLesen(33, 0.0, PARA.MWST_5);
  ParameterLesen(34, 1, PARA.ACROBATHILFE);
  LiesStuecke(35, g_stueck[0]);
  LiesStuecke(39, g_stueck[1]);
  for (int i = 0; i < 4; ++i) ParameterLesen(static_cast<std::int16_t>(43 + i), g_adresse[i][1]);
  LiesStuecke(47, g_stueck[2]);
  LiesStuecke(51, g_schema[0]);
  LiesStuecke(55, g_schema[1]);
  LiesStuecke(59, g_schema[2]);
  for (int i = 1; i <= PARA.SCHEMADATEN.anzahl; ++i) {
    std::int16_t v = 0;
    ParameterLesen(static_cast<std::int16_t>(62 + i), 0, v);
    PARA.SCHEMADATEN.setzeWert(i, v);
  }
  ParaSchliessen();

  for (int i = 0; i < 3; ++i) {
    Zusammensetzen(PARA.LISTENFORMAT[i], g_stueck[i]);
    Zusammensetzen(PARA.SCHEMAFORMAT[i], g_schema[i]);
  }
  for (int i = 0; i < 4; ++i) {
    Adressfeld(i)->setSub(1, 20, g_adresse[i][0].raw());
    Adressfeld(i)->setSub(21, 20, g_adresse[i][1].raw());
  }
}

}  // namespace

QString ParaText(double wert) {
  // Decimal text with a point, at most 15 significant digits, no trailing zeros or point.
  QString t = QString::number(wert, 'g', 15);
  if (t.contains('e')) {
    t = QString::number(wert, 'f', 15);
    if (t.contains('.')) {
      while (t.endsWith('0')) t.chop(1);
      if (t.endsWith('.')) t.chop(1);
    }
  }
  return t;
}

void ParaOeffnen() {
  PARAZAEHLER = 0;
  int fehler = PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyNone);
  if (fehler == rt::isam::kFileNotFound) {
    PARADATEI.create();
    PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyNone);
    return;
  }
  if (fehler) {
    Meldung("Zugriff auf die Datei \"Para.dat\" verweigert - Fehlercode " + QString::number(fehler));
    platform::endProcess(1);
  }
}

void ParaSchliessen() { PARADATEI.close(); }

void ParameterSchreiben(std::int16_t nr, double wert) { Speichere(nr, ParaText(wert).toStdString()); }
void ParameterSchreiben(std::int16_t nr, const rt::DATE& wert) {
  Speichere(nr, std::to_string(rt::dayNumber(wert)));
}
void ParameterSchreiben(std::int16_t nr, int wert) { Speichere(nr, std::to_string(wert)); }
void ParameterSchreiben(std::int16_t nr, std::string_view stueck) { Speichere(nr, stueck); }

void ParameterLesen(std::int16_t nr, double vorgabe, double& ziel) {
  QString t;
  ziel = Lies(nr, t) ? Zahl(t) : vorgabe;
}

void ParameterLesen(std::int16_t nr, rt::Day vorgabe, rt::DATE& ziel) {
  QString t;
  ziel = rt::dateOf(Lies(nr, t) ? Ganzzahl<rt::Day>(Zahl(t)) : vorgabe);
}

void ParameterLesen(std::int16_t nr, int vorgabe, std::uint8_t& ziel) {
  QString t;
  ziel = Lies(nr, t) ? Ganzzahl<std::uint8_t>(Zahl(t)) : static_cast<std::uint8_t>(vorgabe);
}

void ParameterLesen(std::int16_t nr, int vorgabe, std::int16_t& ziel) {
  QString t;
  ziel = Lies(nr, t) ? Ganzzahl<std::int16_t>(Zahl(t)) : static_cast<std::int16_t>(vorgabe);
}

void ParameterLesen(std::int16_t nr, rt::String<20>& stueck) {
  Reihenfolge(nr, "Read");
  PARAREC.NR = nr;
  if (PARADATEI.get(PARA_KEYNR))
    stueck.clear();
  else
    stueck = PARAREC.INHALT;
}

void ParameterSpeichern() { Nacheinander(g_speichernOffen); }
void ParameterLaden() { Nacheinander(g_ladenOffen); }
