#include "bookkeeping/data/Dateien.h"

#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Threads.h"

#include <cstring>

using rt::isam::FieldType;

KONTO_T KONTO;
BUCHUNG_T BUCHUNG;
PARAREC_T PARAREC;

rt::String<200> KONTOPFAD;
rt::String<200> BUCHUNGPFAD;
rt::String<200> PARAPFAD;

namespace {

// The owner password of "Buchung.dat".
constexpr char kBuchungPasswort[] = "qT7#vLm2$Xe9Rw4!";
static_assert(sizeof(kBuchungPasswort) - 1 == 16);

}  // namespace

#define FELD(rec, name, type) \
  rt::isam::Field { #name, FieldType::type, offsetof(rec, name), sizeof(rec::name) }
#define FELDER(rec, name, type, dim)                                                    \
  rt::isam::Field {                                                                     \
    #name, FieldType::type, offsetof(rec, name), sizeof(rec::name) / (dim), (dim)       \
  }

const rt::isam::Record KONTO_AUFBAU{
    "KONTO",
    sizeof(KONTO_T),
    {FELD(KONTO_T, INTERN, Bytes), FELD(KONTO_T, NR, String), FELD(KONTO_T, SHORTCUT, String),
     FELD(KONTO_T, ART, Byte), FELD(KONTO_T, NAME, String), FELD(KONTO_T, MWST, Short),
     FELDER(KONTO_T, TEXTVORGABE, String, 2), FELD(KONTO_T, EXTRA, Bytes)},
    {{"KEYNR", {"NR"}, true, true},
     {"KEYSHORTCUT", {"SHORTCUT"}, false, true},
     {"KEYNAME", {"NAME"}, false, true}}};

const rt::isam::Record BUCHUNG_AUFBAU{
    "BUCHUNG",
    sizeof(BUCHUNG_T),
    {FELD(BUCHUNG_T, INTERN, Bytes), FELD(BUCHUNG_T, NR, Long), FELD(BUCHUNG_T, KONTO, String),
     FELD(BUCHUNG_T, KONTOTEXT, String), FELD(BUCHUNG_T, DATUM, Date),
     FELDER(BUCHUNG_T, TEXT, String, 2), FELD(BUCHUNG_T, BRUTTO, Cents),
     FELD(BUCHUNG_T, NETTO, Cents), FELD(BUCHUNG_T, MWST, Cents), FELD(BUCHUNG_T, ART, Byte),
     FELD(BUCHUNG_T, MWSTSATZ, Byte), FELD(BUCHUNG_T, EXTRA, Bytes)},
    {{"KEYNR", {"NR"}, true, false},
     {"KEYKONTO", {"KONTO", "DATUM"}, false, true},
     {"KEYDATUM", {"DATUM", "NR"}, false, true}}};

const rt::isam::Record PARAREC_AUFBAU{
    "PARAREC",
    sizeof(PARAREC_T),
    {FELD(PARAREC_T, NR, Short), FELD(PARAREC_T, INHALT, String)},
    {{"KEYNR", {"NR"}, true, false}}};

#undef FELD
#undef FELDER

rt::isam::DataFile KONTODATEI(KONTO_AUFBAU, &KONTO, KONTOPFAD);
rt::isam::DataFile BUCHUNGDATEI(BUCHUNG_AUFBAU, &BUCHUNG, BUCHUNGPFAD, kBuchungPasswort);
rt::isam::DataFile PARADATEI(PARAREC_AUFBAU, &PARAREC, PARAPFAD);

namespace {

// A damaged file is named once, with its code; the data layer refuses every further write to it.
bool BeschaedigtMelden(rt::isam::DataFile& datei, const char* name) {
  datei.setFailureHandler([&datei, name](int fehler) {
    Meldung(QString("Die Datei \"%1\" ist beschädigt - Fehlercode %2").arg(name).arg(fehler),
            "Bis zum Programmende wird nichts mehr in sie geschrieben.", "", "", 1, 0);
    // The sums window says from now on that its figures are incomplete.
    if (&datei == &BUCHUNGDATEI && THREADSUMMEN != 0) rt::win::post(EVENT_EinstellungenGeaendert, THREADSUMMEN);
  });
  return true;
}

const bool g_gemeldet = BeschaedigtMelden(KONTODATEI, "Konto.dat") &&
                        BeschaedigtMelden(BUCHUNGDATEI, "Buchung.dat") &&
                        BeschaedigtMelden(PARADATEI, "Para.dat");

}  // namespace

const char BUCHUNGEN_UNVOLLSTAENDIG[] = "Buchung.dat ist beschädigt - die Zahlen können unvollständig sein!";
const char KONTEN_UNVOLLSTAENDIG[] = "Konto.dat ist beschädigt - der Kontenrahmen kann unvollständig sein!";

bool TrotzBeschaedigungFortfahren(const rt::isam::DataFile& datei, const QString& frage) {
  if (datei.failure() == rt::isam::kNoError) return true;
  return Meldung(&datei == &KONTODATEI ? KONTEN_UNVOLLSTAENDIG : BUCHUNGEN_UNVOLLSTAENDIG, frage, "", "", 1, 1) == 1;
}
