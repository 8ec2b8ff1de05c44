#include "bookkeeping/frame/Hauptprogramm.h"

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Deinstallation.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "runtime/isam/Errors.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Threads.h"

using rt::isam::AccessMode;

namespace {

struct Vorgabekonto {
  const char* nr;
  const char* shortcut;
  std::uint8_t art;
  const char* name;
  std::int16_t mwst;
  const char* textvorgabe;
};

const Vorgabekonto kVorgabekonten[] = {
    {"4000", "K", 2, "Kfz-Kosten", 2, ""},
    {"4010", "T", 2, "Telefon", 2, "Telefonkosten"},
    {"8000", "E", 1, "Eingang", 2, "ReNr #"},
    {"4999", "S", 2, "Sonstiges", 2, ""},
    {"4100", "", 2, "Arbeitszimmer", 1, "Mietanteil Arbeitszimmer"},
    {"1000", "U", 3, "USt-Vorauszahlung", 0, "USt-Vorauszahlung #. Quartal"},
};

enum class Ausgang { Weiter, Ende };

// Opens "Konto.dat" or "Buchung.dat" with others denied writing and handles its error code.
Ausgang DateiOeffnen(rt::isam::DataFile& datei, const QString& name, const QString& frage) {
  const int fehler = datei.open(AccessMode::ReadWriteDenyWrite);
  if (fehler == rt::isam::kNoError) return Ausgang::Weiter;
  if (fehler == rt::isam::kAccessDenied && &datei == &KONTODATEI) {
    Meldung("Tavik! ist bereits gestartet.", "", "", "", 1, 0);
    return Ausgang::Ende;
  }
  if (fehler == rt::isam::kFileNotFound) {
    if (ERSTSTART ||
        Meldung("Die Datei \"" + name + "\" ist nicht mehr vorhanden", frage, "", "", 1, 1)) {
      datei.create();
      datei.open(AccessMode::ReadWriteDenyWrite);
    }
    return Ausgang::Weiter;
  }
  // Any other failure ends the start; the user is told which file and why, so that a damaged or
  // locked file is not taken for a program that silently does not start.
  Meldung("Die Datei \"" + name + "\" kann nicht geöffnet werden - Fehlercode " + QString::number(fehler),
          "Tavik! wird beendet.", "", "", 1, 0);
  return Ausgang::Ende;
}

void DatenordnerFinden() {
  if (KOMMANDOZEILE.clip().contains("/1Ordner")) {
    DATENORDNER.clear();
    return;
  }
  DATENORDNER.clear();
  platform::RegistryKey key;
  platform::openKey(platform::Hive::LocalMachine,
                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", &key);
  QString wert;
  int groesse = 190;
  platform::queryValue(key, "Common AppData", &wert, &groesse);
  platform::closeKey(&key);
  if (wert.trimmed().isEmpty()) return;
  const QString sep = platform::separator();
  DATENORDNER = wert.trimmed() + sep + "Dolmix" + sep + DATENUNTERORDNER.clip() + sep;
}

void Vorgabekontenanlegen() {
  for (const Vorgabekonto& k : kVorgabekonten) {
    KONTODATEI.clear();
    KONTO.NR = k.nr;
    KONTO.SHORTCUT = k.shortcut;
    KONTO.ART = k.art;
    KONTO.NAME = k.name;
    KONTO.MWST = k.mwst;
    KONTO.TEXTVORGABE[0] = k.textvorgabe;
    KONTODATEI.add();  // an account whose number is present already stays as it is
  }
}

void RahmenPlatzieren() {
  if (PARA.FENSTERXY) {
    auto& f = PARA.FENSTERDATEN;
    if (f.wert(13) > 750 || f.wert(13) < 0) f.setzeWert(13, 0);
    if (f.wert(14) > 550 || f.wert(14) < 0) f.setzeWert(14, 0);
    if (f.wert(15) < 10) f.setzeWert(15, 10);
    if (f.wert(16) < 10) f.setzeWert(16, 10);
    if (f.wert(17))
      WinMain.setMaximized(true);
    else
      WinMain.setPosition(f.wert(13), f.wert(14), f.wert(15), f.wert(16));
  } else {
    rt::win::postField(rt::win::EV_Accepted, FELD_ANZEIGESTANDARD1);
  }
}

}  // namespace

void Hauptprogramm() {
  KOMMANDOZEILE = platform::commandLine();
  if (KOMMANDOZEILE.clip().contains("/UnInstall")) {
    Deinstallation();
    return;
  }
  if (DATENUNTERORDNER.isBlank()) DATENUNTERORDNER = "Tavik";
  DatenordnerFinden();

  KONTOPFAD = DATENORDNER + "Konto.dat";
  BUCHUNGPFAD = DATENORDNER + "Buchung.dat";
  PARAPFAD = DATENORDNER + "Para.dat";

  ERSTSTART = platform::deleteFile(DATENORDNER + "Start.inf") == 0 ? 1 : 0;

  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  ParameterLaden();

  if (DateiOeffnen(KONTODATEI, "Konto.dat", "Soll sie neu (ohne Konten) angelegt werden?") == Ausgang::Ende) return;
  if (DateiOeffnen(BUCHUNGDATEI, "Buchung.dat", "Soll sie neu (ohne Buchungen) angelegt werden?") == Ausgang::Ende) {
    KONTODATEI.close();
    return;
  }
  TastenBelegen(2, 1, 0);
  if (DATENORDNER.isEmpty()) DATENORDNER = "Programmordner";
  if (ERSTSTART) Vorgabekontenanlegen();

  RahmenOeffnen();
  ParameterSpeichern();
  RahmenPlatzieren();

  THREADBUCHUNG = rt::win::start(BuchungEingeben);
  THREADSUMMEN = rt::win::start(SummenUebersicht);
  THREADANZEIGE = rt::win::start(BuchungsUebersicht);

  RahmenSchleife();

  ParameterSpeichern();
  WinMain.close();
  KONTODATEI.close();
  BUCHUNGDATEI.close();
}
