#include "bookkeeping/frame/Deinstallation.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "installer/Installieren.h"
#include "platform/CommandLine.h"
#include "platform/FileLock.h"
#include "runtime/window/Window.h"
#include "tests/installer/Umgebung.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

using namespace installer_test;

TEST(Deinstallation, TheCommandLineGivesBothFoldersWithoutTrailingSeparators) {
  const DeinstallationsOrdner o =
      OrdnerAusKommandozeile("/UnInstall Path1=/opt/Program Files/Tavik/ Path2=/daten/Dolmix/Tavik/");
  EXPECT_EQ(o.programm.toStdString(), "/opt/Program Files/Tavik");
  EXPECT_EQ(o.daten.toStdString(), "/daten/Dolmix/Tavik");
  EXPECT_TRUE(OrdnerAusKommandozeile("/UnInstall").programm.isEmpty());
}

namespace {

const char* const kErledigt = "Deinstallation abgeschlossen";
const char* const kVerweigert = "Die Deinstallation wird abgebrochen, es wurde nichts gelöscht.";

struct DeinstallationTest : ::testing::Test {
  Umgebung u;
  testing_support::TempFolder temp;
  QString P, D, befehl;
  QStringList kanarien, meldungen, abgeschnitten;
  bool gefragt = false;

  void SetUp() override {
    qputenv("TMPDIR", temp.path().toUtf8());
    u.gespeichert[0] = "#!/bin/sh\n";
    u.gespeichert[2] = lesen(TAVIK_UNINST_INT);
  }
  void TearDown() override {
    qunsetenv("TMPDIR");
    rt::win::setOpenHook(nullptr);
    testing_support::settle();
  }
  // Installs through the installer's window, into `ordner` when one is chosen with "Ordner ändern",
  // and gives the data files the contents a first start of the program leaves.
  void installieren(const QString& ordner = {}, const std::string& name = "Tavik") {
    u.bauen(name);
    Treiber t;
    if (!ordner.isEmpty()) {
      t.antworte("Bin Spezialist");
      t.waehleOrdner(ordner);
      t.klicke(FELD_ORDNERAENDERN);
      t.schritt([&] { return t.ordnerdialoge() == 1; }, [] {});
    }
    t.installiereUndSchliesse();
    ProgrammStart();
    ASSERT_TRUE(t.fertig());
    ASSERT_EQ(t.texte().size(), ordner.isEmpty() ? 0 : 1) << t.texte().join("\n").toStdString();
    const QString name_ = QString::fromStdString(name);
    P = ordner.isEmpty() ? u.programme + "/" + name_ : ordner;
    // Without a common data folder the data lie in the program folder.
    D = qgetenv("TAVIK_FOLDER_COMMON_APPDATA").isEmpty() ? P : u.appdata + "/Dolmix/" + name_;
    for (const char* f : {"Konto.dat", "Buchung.dat", "Para.dat"}) schreiben(D + "/" + f, "Daten");
    QFile::remove(D + "/Start.inf");  // the first start of the program deletes it
    befehl = u.registerWert("UnInstallString");
    ASSERT_EQ(befehl, P + "/Tavik /UnInstall Path1=" + P + "/ Path2=" + (D == P ? P + "/" : D));
  }
  // Files a user keeps in the home folder, beside and above both folders, and in sibling folders with
  // like names; their names match the patterns the batch of old deleted by.
  void kanarienPflanzen() {
    QStringList ordner = {QDir::homePath(), QFileInfo(P).path(), QFileInfo(D).path(), u.appdata, u.wurzel.path()};
    for (const QString& geschwister : {P + "2", P + ".alt", D + "-alt"}) {
      QDir().mkpath(geschwister);
      ordner << geschwister;
    }
    for (const QString& o : ordner)
      for (const char* name : {"kanarie.dat", "kanarie.exe", "kanarie.ini", "kanarie.pdf", "kanarie.lnk", "Tavik.pdf",
                               "Konto.dat"})
        kanarien << o + "/" + name;
    for (const QString& k : kanarien) schreiben(k, "bleibt");
  }
  // A folder outside, with a canary, reached through a link named `name` in `ordner`.
  void verweisPflanzen(const QString& ordner, const QString& name, const QString& ziel) {
    QDir().mkpath(ziel);
    schreiben(ziel + "/kanarie.dat", "bleibt");
    kanarien << ziel + "/kanarie.dat";
    ASSERT_TRUE(QFile::link(ziel, ordner + "/" + name));
  }
  // Runs the program with the uninstall command line; the question window is answered with `knopf`
  // (2 "Abbruch", 3 "OK", 0 closing it).
  bool deinstallieren(const QString& argumente, int knopf) {
    gefragt = false;
    meldungen.clear();
    rt::win::setOpenHook([&](rt::win::Window& w) {
      if (w.label() == "P9$WIN") {  // the program's message window: noted and answered with OK
        QStringList zeilen;
        for (int f = 3; f <= 6; ++f)
          if (!w.text(f).trimmed().isEmpty()) zeilen << w.text(f).trimmed();
        meldungen << zeilen.join(" | ");
        static int bilder = 0;
        bildSpeichern(w.topWidget(), "meldung-" + QString::number(++bilder));
        QTest::mouseClick(w.widget(7), Qt::LeftButton);
        return;
      }
      if (w.label() != "$WINUNINSTALL") return;
      gefragt = w.text(1) == "Soll Tavik und alle damit erfassten Daten wirklich gelöscht werden?";
      abgeschnitten = abgeschnitteneTexte(w.topWidget());
      bildSpeichern(w.topWidget(), "deinstallation");
      if (knopf)
        QTest::mouseClick(w.widget(knopf), Qt::LeftButton);
      else
        QTest::keyClick(w.topWidget(), Qt::Key_Escape);
    });
    platform::setCommandLineForTesting(argumente);
    Hauptprogramm();
    return gefragt;
  }
  QString eintrag() const { return befehl.mid(befehl.indexOf("/UnInstall")); }
  void kanarienLeben() {
    for (const QString& k : kanarien) EXPECT_EQ(lesen(k), "bleibt") << k.toStdString();
  }
  bool unveraendert() {
    return QFile::exists(P + "/Tavik") && QFile::exists(D + "/Konto.dat") && QFile::exists(u.menue + "/Tavik.desktop") &&
           QFile::exists(P + "/Tavik-Installation.lst") && QFile::exists(D + "/Tavik-Installation.lst") &&
           u.registerWert("UnInstallString") == befehl;
  }
  static QStringList eintraege(const QString& ordner) {
    return QDir(ordner).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  }
};

}  // namespace

TEST_F(DeinstallationTest, OkRemovesTheEntryTheLaunchersTheFilesAndTheFoldersAndNothingElse) {
  ASSERT_NO_FATAL_FAILURE(installieren());
  kanarienPflanzen();
  // Links in the place of an installed file and of a data file: the links go, their targets stay.
  for (const QString& link : {P + "/Tavik.pdf", D + "/Para.dat"}) {
    QFile::remove(link);
    const QString ziel = u.wurzel.file("ziel-" + QFileInfo(link).fileName());
    schreiben(ziel, "bleibt");
    kanarien << ziel;
    ASSERT_TRUE(QFile::link(ziel, link));
  }
  // What a write of the program killed halfway left beside its data file.
  schreiben(D + "/Konto.dat-journal", "");
  schreiben(D + "/Konto.dat.new4194304-0", "");
  ASSERT_TRUE(QFile::exists(u.desktop + "/Tavik.desktop"));
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(abgeschnitten, QStringList{});
  EXPECT_EQ(meldungen, QStringList{kErledigt});
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
  EXPECT_FALSE(QFile::exists(u.menue + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(u.desktop + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(P)) << eintraege(P).join(" ").toStdString();
  EXPECT_FALSE(QFile::exists(D)) << eintraege(D).join(" ").toStdString();
  // The batch's own folder is gone with it.
  EXPECT_EQ(eintraege(temp.path()), QStringList{});
  kanarienLeben();
}

TEST_F(DeinstallationTest, AnInstallationIntoAFolderWithTheUsersFilesKeepsThemAndTheFolder) {
  const QString dokumente = u.wurzel.file("Dokumente");
  QDir().mkpath(dokumente);
  const QStringList eigene = {"Brief.docx", "Rechnung.pdf", "Liste.dat", "Kalender.ics", "Bild.png", "notiz.txt"};
  for (const QString& name : eigene) {
    schreiben(dokumente + "/" + name, "bleibt");
    kanarien << dokumente + "/" + name;
  }
  ASSERT_NO_FATAL_FAILURE(installieren(dokumente));
  kanarienPflanzen();
  ASSERT_NO_FATAL_FAILURE(verweisPflanzen(P, "Verweis", u.wurzel.file("hinterP")));
  ASSERT_NO_FATAL_FAILURE(verweisPflanzen(D, "Verweis", u.wurzel.file("hinterD")));
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{QString(kErledigt) + " | Diese Ordner bleiben, da sie noch andere Dateien enthalten: | \"" +
                                   dokumente + "\" | \"" + D + "\""});
  QStringList bleiben = eigene + QStringList{"Verweis"};
  bleiben.sort();
  EXPECT_EQ(eintraege(dokumente), bleiben);
  EXPECT_EQ(eintraege(D), QStringList{"Verweis"});
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
  kanarienLeben();
}

TEST_F(DeinstallationTest, DataFilesInTheProgramFolderGoOnlyWhenItIsTheDataFolder) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", "");
  ASSERT_NO_FATAL_FAILURE(installieren());
  ASSERT_EQ(D, P);
  kanarienPflanzen();
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{kErledigt});
  EXPECT_FALSE(QFile::exists(P)) << eintraege(P).join(" ").toStdString();
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
  kanarienLeben();
}

TEST_F(DeinstallationTest, AbbruchOrClosingTheWindowChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(installieren());
  for (int knopf : {2, 0}) {
    EXPECT_TRUE(deinstallieren(eintrag(), knopf));
    EXPECT_TRUE(unveraendert());
    EXPECT_EQ(eintraege(temp.path()), QStringList{});
  }
}

TEST_F(DeinstallationTest, ARunningProgramIsNamedAndNothingIsRemoved) {
  ASSERT_NO_FATAL_FAILURE(installieren());
  platform::FileLock laeuft;
  ASSERT_EQ(laeuft.acquire((D + "/Konto.dat").toStdString(), platform::LockMode::Exclusive), platform::FileError::None);
  EXPECT_FALSE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{"Zur Deinstallation muss Tavik! beendet sein!"});
  EXPECT_TRUE(unveraendert());
}

TEST_F(DeinstallationTest, EntriesNamingFoldersTheInstallationDidNotMakeAreRefusedByTheRunAndTheBatch) {
  // Another installation, under a name of its own, beside this one.
  ASSERT_NO_FATAL_FAILURE(installieren({}, "Kasse"));
  const QString P2 = P, D2 = D;
  ASSERT_NO_FATAL_FAILURE(installieren());
  kanarienPflanzen();
  const QString verweis = u.wurzel.file("Verweis");
  ASSERT_TRUE(QFile::link(u.programme, verweis));
  struct Fall {
    QString p, d;
    bool eingetragen = true;  // the uninstall entry names these folders too
  };
  const Fall faelle[] = {{u.programme, D},       {P + "/..", D},      {P, D + "/.."},     {P, u.appdata + "/Dolmix"},
                         {QDir::homePath(), D},  {"/", D},            {"", D},            {P, ""},
                         {verweis + "/Tavik", D}, {P2, D},            {P, D2},            {P2, D2, false}};
  for (const Fall& f : faelle) {
    SCOPED_TRACE((f.p + " | " + f.d + (f.eingetragen ? " (entered)" : "")).toStdString());
    if (f.eingetragen) u.deinstallationEintragen(P + "/Tavik /UnInstall Path1=" + f.p + " Path2=" + f.d);
    EXPECT_FALSE(deinstallieren("/UnInstall Path1=" + f.p + " Path2=" + f.d, 3));
    ASSERT_EQ(meldungen.size(), 1);
    EXPECT_TRUE(meldungen[0].startsWith(kVerweigert)) << meldungen[0].toStdString();
    u.deinstallationEintragen(befehl);
    EXPECT_TRUE(unveraendert());
    EXPECT_TRUE(QFile::exists(P2 + "/Tavik") && QFile::exists(D2 + "/Konto.dat"));
    kanarienLeben();
    // The batch knows no entry: the other installation's own folders are its to remove.
    if (!f.eingetragen) continue;
    // The batch started by hand refuses them as well.
    QProcess batch;
    batch.start("/bin/sh", {P + "/UnInst.int", f.p, f.d});
    ASSERT_TRUE(batch.waitForFinished());
    EXPECT_NE(batch.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(P + "/UnInst.int"));
    EXPECT_TRUE(unveraendert());
    EXPECT_TRUE(QFile::exists(P2 + "/Tavik") && QFile::exists(D2 + "/Konto.dat"));
    kanarienLeben();
  }
}

TEST_F(DeinstallationTest, TheBatchRunsFromAFolderOfItsOwnAndAFileUnderItsOldNameIsNeverRun) {
  ASSERT_NO_FATAL_FAILURE(installieren());
  const QString gelaufen = u.wurzel.file("gelaufen");
  const QByteArray fremd = "#!/bin/sh\necho \"$@\" > '" + gelaufen.toUtf8() + "'\n";
  schreiben(temp.file("UnInst.bat"), fremd);
  QFile::setPermissions(temp.file("UnInst.bat"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                     QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
  // Without its companion file the run stops before anything is deleted.
  const QByteArray batch = lesen(P + "/UnInst.int");
  ASSERT_TRUE(QFile::rename(P + "/UnInst.int", u.wurzel.file("UnInst.int")));
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{QString(kVerweigert) + " | Die Datei \"UnInst.int\" im Programmordner kann nicht | "
                                                          "in einen eigenen temporären Ordner kopiert werden."});
  ASSERT_TRUE(QFile::rename(u.wurzel.file("UnInst.int"), P + "/UnInst.int"));
  EXPECT_TRUE(unveraendert());
  // A companion file that stops halfway leaves the entry and the launchers for another try.
  schreiben(P + "/UnInst.int", "#!/bin/sh\nrm -f -- \"$1/Tavik.pdf\"\nexit 1\n");
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  ASSERT_EQ(meldungen.size(), 1);
  EXPECT_TRUE(meldungen[0].startsWith("Die Deinstallation ist nicht vollständig und kann wiederholt werden. | Nicht gelöscht: | " + P +
                                      "/Tavik | und ")) << meldungen[0].toStdString();
  EXPECT_TRUE(unveraendert());
  schreiben(P + "/UnInst.int", batch);
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{kErledigt});
  EXPECT_FALSE(QFile::exists(P));
  EXPECT_FALSE(QFile::exists(gelaufen));
  EXPECT_EQ(lesen(temp.file("UnInst.bat")), fremd);
  EXPECT_EQ(eintraege(temp.path()), QStringList{"UnInst.bat"});
}

TEST_F(DeinstallationTest, AHomeFolderOf120CharactersInstallsAndUninstalls) {
  const QString home = u.wurzel.path() + "/" + QString(119 - u.wurzel.path().size(), 'h');
  ASSERT_EQ(home.size(), 120);
  struct Zurueck {
    QByteArray heimat = qgetenv("HOME"), daten = qgetenv("XDG_DATA_HOME");
    ~Zurueck() {
      qputenv("HOME", heimat);
      qputenv("XDG_DATA_HOME", daten);
    }
  } zurueck;
  qputenv("HOME", home.toUtf8());
  qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
  qunsetenv("TAVIK_FOLDER_PROGRAMFILES");
  qunsetenv("TAVIK_FOLDER_COMMON_APPDATA");
  u.bauen();
  Treiber t;
  // The proposed folder shows its beginning and its end, none of its texts cut off.
  QStringList abgeschnitten{"?"};
  QString gezeigt;
  t.schritt([] { auto* w = rt::win::findWindow("$WIN"); return w && !w->isHidden(FELD_ABBRUCH); },
            [&] {
              rt::win::Window* w = rt::win::findWindow("$WIN");
              abgeschnitten = abgeschnitteneTexte(w->topWidget());
              gezeigt = w->text(FELD_ZIELORDNER);
              bildSpeichern(w->topWidget(), "installer-langer-ordner");
            });
  t.installiereUndSchliesse();
  ProgrammStart();
  EXPECT_TRUE(t.fertig());
  EXPECT_EQ(t.texte(), QStringList{});
  EXPECT_EQ(abgeschnitten, QStringList{});
  EXPECT_TRUE(gezeigt.startsWith(u.wurzel.path().left(15)) && gezeigt.endsWith("hhh/.local/opt/Tavik/")) << gezeigt.toStdString();
  P = home + "/.local/opt/Tavik";
  D = home + "/.local/share/Dolmix/Tavik";
  befehl = u.registerWert("UnInstallString");
  EXPECT_EQ(befehl, P + "/Tavik /UnInstall Path1=" + P + "/ Path2=" + D);
  EXPECT_TRUE(QFileInfo(P + "/Tavik").isExecutable());
  kanarien << home + "/kanarie.dat";
  schreiben(kanarien[0], "bleibt");
  EXPECT_TRUE(deinstallieren(eintrag(), 3));
  EXPECT_EQ(meldungen, QStringList{kErledigt});
  EXPECT_FALSE(QFile::exists(P));
  EXPECT_FALSE(QFile::exists(D));
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
  kanarienLeben();
}
