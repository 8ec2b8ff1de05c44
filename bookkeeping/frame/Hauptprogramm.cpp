#include "bookkeeping/frame/Hauptprogramm.h"

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Meldung.h"
#include "bookkeeping/common/Tasten.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Deinstallation.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/frame/Startbild.h"
#include "platform/CommandLine.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "runtime/isam/Errors.h"
#include "runtime/text/Collation.h"
#include "runtime/text/Cp1252.h"
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

constexpr char kEnde[] = "Tavik! wird beendet.";

// A folder name for a message line: long names keep their beginning and their end.
QString Kurzname(const QString& ordner) {
  return ordner.size() <= 76 ? ordner : ordner.left(36) + " ... " + ordner.right(36);
}

void DatenordnerFehlt() {
  Meldung("Der Datenordner ist nicht vorhanden:", Kurzname(DATENORDNER), "", kEnde, 0, 0);
}

// Opens "Konto.dat" or "Buchung.dat" with others denied writing and handles its error code.
Ausgang DateiOeffnen(rt::isam::DataFile& datei, const QString& name, const QString& frage) {
  int fehler = datei.open(AccessMode::ReadWriteDenyWrite);
  if (fehler == rt::isam::kNoError) return Ausgang::Weiter;
  // Only a lock that another process holds is a running instance; a file that the system refuses
  // (no permission, a folder in its place) is named with its code below.
  if (fehler == rt::isam::kAccessDenied && &datei == &KONTODATEI &&
      platform::lockedByOther(KONTOPFAD.clip().toStdString())) {
    Meldung("Tavik! ist bereits gestartet.", "", "", "", 1, 0);
    return Ausgang::Ende;
  }
  if (fehler == rt::isam::kPathNotFound) {
    DatenordnerFehlt();
    return Ausgang::Ende;
  }
  if (fehler == rt::isam::kFileNotFound) {
    if (!ERSTSTART && !Meldung("Die Datei \"" + name + "\" ist nicht mehr vorhanden", frage, "", "", 1, 1))
      return Ausgang::Weiter;
    if (const int angelegt = datei.create(); angelegt != rt::isam::kNoError) {
      Meldung("Die Datei \"" + name + "\" kann nicht angelegt werden - Fehlercode " + QString::number(angelegt),
              kEnde, "", "", 1, 0);
      return Ausgang::Ende;
    }
    fehler = datei.open(AccessMode::ReadWriteDenyWrite);
    if (fehler == rt::isam::kNoError) return Ausgang::Weiter;
  }
  // Any other failure ends the start; the user is told which file and why, so that a damaged or
  // locked file is not taken for a program that silently does not start.
  Meldung("Die Datei \"" + name + "\" kann nicht geöffnet werden - Fehlercode " + QString::number(fehler),
          kEnde, "", "", 1, 0);
  return Ausgang::Ende;
}

// Every file name is built from the data folder and held in a field of 200 Windows-1252
// characters: a folder that such a field cannot hold whole, or that does not exist, would make
// every name wrong. Checked before anything is created or deleted.
bool DatenordnerPruefen() {
  if (DATENORDNER.isEmpty()) return true;
  const bool darstellbar = rt::fromCp1252(rt::toCp1252(DATENORDNER)) == DATENORDNER;
  if (!darstellbar || DATENORDNER.size() > 189 || (DATENORDNER + "Buchung.dat").size() > 200) {
    Meldung("Der Datenordner kann nicht verwendet werden:", Kurzname(DATENORDNER),
            "Sein Name ist zu lang oder enthält Zeichen außerhalb von Windows-1252.", kEnde, 0, 0);
    return false;
  }
  if (!platform::folderExists(DATENORDNER)) {
    DatenordnerFehlt();
    return false;
  }
  return true;
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

// The default accounts; false when one of them could not be written (a number already present is
// left as it is and counts as written).
bool Vorgabekontenanlegen() {
  for (const Vorgabekonto& k : kVorgabekonten) {
    KONTODATEI.clear();
    KONTO.NR = k.nr;
    KONTO.SHORTCUT = k.shortcut;
    KONTO.ART = k.art;
    KONTO.NAME = k.name;
    KONTO.MWST = k.mwst;
    KONTO.TEXTVORGABE[0] = k.textvorgabe;
    const int fehler = KONTODATEI.add();
    if (fehler != rt::isam::kNoError && fehler != rt::isam::kDuplicateKey) {
      Meldung("Die Vorgabekonten konnten nicht angelegt werden - Fehlercode " + QString::number(fehler),
              "Beim nächsten Start wird es erneut versucht.", "", "", 1, 0);
      return false;
    }
  }
  return true;
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
  // A file-size limit makes a write fail with its code, which the writer reports, as on a full disk.
  platform::keepRunningAtFileSizeLimit();
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

  if (!DatenordnerPruefen()) return;
  // The marker goes only once the default accounts are in the file (below), so that a start that
  // fails on the way is still a first start the next time.
  const QString marke = DATENORDNER + "Start.inf";
  ERSTSTART = platform::fileExists(marke) ? 1 : 0;

  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  ParameterLaden();

  if (DateiOeffnen(KONTODATEI, "Konto.dat", "Soll sie neu (ohne Konten) angelegt werden?") == Ausgang::Ende) return;
  if (DateiOeffnen(BUCHUNGDATEI, "Buchung.dat", "Soll sie neu (ohne Buchungen) angelegt werden?") == Ausgang::Ende) {
    KONTODATEI.close();
    return;
  }
  // Names of half-made files that a start killed while creating a file left behind.
  const QString ordner = DATENORDNER.isEmpty() ? QStringLiteral(".") : DATENORDNER;
  for (const char* datei : {"Konto.dat", "Buchung.dat", "Para.dat"})
    platform::deleteMatching(ordner, QString(datei) + ".new*");
  // What a killed printout or export left half-written in the documents folder, where both write
  // unless the user chose another folder (the next printout or export there tidies that one).
  const QString dokumente = platform::shellFolder("Personal").trimmed();
  if (!dokumente.isEmpty()) {
    platform::deleteLeftoversIn(dokumente, "*.pdf");
    platform::deleteLeftoversBeside(dokumente + platform::separator() + "Tavik.csv");
  }

  if (BUCHUNGDATEI.isOpen() && BearbeitungWiederherstellen())
    Meldung("Eine Buchung, die beim letzten Programmende gerade bearbeitet wurde,",
            "ist wieder unter den gespeicherten Buchungen.", "", "", 1, 0);

  TastenBelegen(2, 1, 0);
  if (ERSTSTART && Vorgabekontenanlegen()) platform::deleteFile(marke);
  if (DATENORDNER.isEmpty()) DATENORDNER = "Programmordner";
  // The year is read while the frame and the windows are built; the overview's first refill takes it.
  JahrVorauslesen();

  rt::win::start(Startbild);
  RahmenOeffnen();
  ParameterSpeichern();
  RahmenPlatzieren();

  THREADBUCHUNG = rt::win::start(BuchungEingeben);
  THREADSUMMEN = rt::win::start(SummenUebersicht);
  THREADANZEIGE = rt::win::start(BuchungsUebersicht);

  RahmenSchleife();

  ParameterSpeichern();
  StartbildSchliessen();
  WinMain.close();
  rt::win::endThreads();
  KONTODATEI.close();
  JahrVorauslesenVerwerfen();
  BUCHUNGDATEI.close();
}
