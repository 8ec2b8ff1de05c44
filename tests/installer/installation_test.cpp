#include "installer/Anhang.h"
#include "installer/Installation.h"
#include "installer/Installieren.h"
#include "platform/CommandLine.h"
#include "platform/FileHandle.h"
#include "runtime/window/Window.h"
#include "tests/installer/Umgebung.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <unistd.h>
#include <QTest>
#include <gtest/gtest.h>

using namespace installer_test;

namespace {

struct InstallationTest : ::testing::Test {
  Umgebung u;
  void TearDown() override { rt::win::settle(); }

  // Runs the installer; the driver's steps answer it. True when every step was taken.
  bool installieren(Treiber& t) {
    ProgrammStart();
    return t.fertig();
  }
  // Clicks "Installation starten", waits for the success text and ends with "Beenden".
  void ganzeInstallation(Treiber& t) {
    t.klicke(FELD_INSTALLATIONSTARTEN);
    t.klicke(FELD_ABBRUCH);
  }
  static bool warteAuf(const QString& datei) {
    QElapsedTimer uhr;
    uhr.start();
    while (!QFile::exists(datei) && uhr.elapsed() < 20000) QTest::qWait(20);
    return QFile::exists(datei);
  }
  QStringList inhalt(const QString& ordner) const { return QDir(ordner).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

}  // namespace

TEST_F(InstallationTest, ANewInstallationPutsEverythingInPlaceAndStartsTheProgram) {
  u.bauen();
  Treiber t;
  QString erfolg, knopf;
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.schritt([] { return rt::win::findWindow("$WIN")->widget(FELD_ABBRUCH)->isEnabled() &&
                        !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); },
            [&] {
              rt::win::Window* w = rt::win::findWindow("$WIN");
              erfolg = w->text(FELD_ERFOLG);
              knopf = w->text(FELD_ABBRUCH);
              EXPECT_FALSE(w->isEnabled(FELD_INSTALLATIONSTARTEN));
              EXPECT_FALSE(w->isEnabled(FELD_ORDNERAENDERN));
            });
  t.klicke(FELD_ABBRUCH);
  ASSERT_TRUE(installieren(t));
  EXPECT_TRUE(t.texte().isEmpty()) << t.texte().join("\n").toStdString();
  EXPECT_EQ(erfolg, "Alle Dateien sind erfolgreich installiert!");
  EXPECT_EQ(knopf, "Beenden");

  const QString P = u.programmordner();
  EXPECT_EQ(lesen(P + "Tavik"), u.gespeichert[0]);
  EXPECT_EQ(lesen(P + "UnInst.int"), u.gespeichert[2]);
  EXPECT_EQ(lesen(P + "Tavik.pdf"), u.gespeichert[3]);
  EXPECT_TRUE(QFileInfo(P + "Tavik").isExecutable());
  // "Beenden" started the installed program in its folder.
  EXPECT_TRUE(warteAuf(P + "gestartet"));
  EXPECT_EQ(inhalt(P), (QStringList{"Tavik", "Tavik-Installation.lst", "Tavik.pdf", "Tavik.png", "UnInst.int", "gestartet"}));
  // The record of what the installation wrote, in both folders.
  const QString kopf = "Programmordner=" + u.programme + "/Tavik\nDatenordner=" + u.datenordner() + "\n";
  EXPECT_EQ(lesen(P + "Tavik-Installation.lst"), kopf + "Datei=Tavik\nDatei=UnInst.int\nDatei=Tavik.pdf\nDatei=Tavik.png\n");
  EXPECT_EQ(lesen(u.datenordner() + "/Tavik-Installation.lst"), kopf);
  for (const QString& ordner : {u.menue, u.desktop})
    EXPECT_TRUE(lesen(ordner + "/Tavik.desktop").contains("Exec=\"" + P.toUtf8() + "Tavik\"")) << ordner.toStdString();
  EXPECT_EQ(inhalt(u.datenordner()), (QStringList{"Start.inf", "Tavik-Installation.lst"}));
  EXPECT_EQ(u.registerWert("DisplayName"), "Tavik");
  EXPECT_EQ(u.registerWert("UnInstallString"),
            P + "Tavik /UnInstall Path1=" + P + " Path2=" + u.datenordner());
}

TEST_F(InstallationTest, EveryTextOfTheWindowIsShownWholeBeforeAndAfterTheInstallation) {
  u.gespeichert[3] = QByteArray(5000, 'm');  // the check takes ten blocks
  u.bauen();
  Treiber t;
  QStringList bereit, fertig;
  QString balkenBereit, balkenFertig;
  const auto zustand = [](QStringList& texte, QString& balken, const char* bild) {
    rt::win::Window* w = rt::win::findWindow("$WIN");
    texte = abgeschnitteneTexte(w->topWidget());
    balken = w->text(FELD_FORTSCHRITT);
    bildSpeichern(w->topWidget(), bild);
  };
  t.schritt([] { auto* w = rt::win::findWindow("$WIN"); return w && !w->isHidden(FELD_ABBRUCH); },
            [&] { zustand(bereit, balkenBereit, "installer-bereit"); });
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.schritt([] { return !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); },
            [&] { zustand(fertig, balkenFertig, "installer-fertig"); });
  t.klicke(FELD_ABBRUCH);
  ASSERT_TRUE(installieren(t));
  EXPECT_EQ(bereit, QStringList{});
  EXPECT_EQ(fertig, QStringList{});
  // The bar keeps the check's last value, just below a hundred; after the copy it is full.
  EXPECT_GT(balkenBereit.toInt(), 50);
  EXPECT_LT(balkenBereit.toInt(), 100);
  EXPECT_EQ(balkenFertig, "100");
}

TEST_F(InstallationTest, TheProgressCountsTheCopiedBlocksOverAllSlots) {
  u.gespeichert = {QByteArray(1000, 'a'), {}, QByteArray(512, 'b'), {}, {}};
  u.bauen();
  InstallerGlobaleLeeren();
  InstDateienSetzen();
  EigeneDateiFinden();
  ASSERT_TRUE(DateiOeffnenUndAnhangLesen());
  ZielordnerVorschlagen();
  std::vector<int> werte;
  QStringList meldungen;
  const bool ok = Installation({.meldung = [&](const QString& m) { meldungen << m; },
                                .kopierBeginn = [] {},
                                .fortschritt = [&] { werte.push_back(FORTSCHRITT); }});
  platform::closeFile(EIGENERHANDLE);
  EXPECT_TRUE(ok) << meldungen.join("\n").toStdString();
  EXPECT_EQ(werte, (std::vector<int>{33, 67, 101}));
}

TEST_F(InstallationTest, AnUpdateReplacesTheFilesAndTheEntryButMakesNoLaunchersAndNoMarker) {
  u.bauen();
  {
    Treiber t;
    ganzeInstallation(t);
    ASSERT_TRUE(installieren(t));
  }
  const QString P = u.programmordner();
  QFile::remove(u.menue + "/Tavik.desktop");
  QFile::remove(u.desktop + "/Tavik.desktop");
  QFile::remove(u.datenordner() + "/Start.inf");
  schreiben(P + "Tavik.pdf", "alt");
  u.gespeichert[0] = "#!/bin/sh\n# Version 2\n";
  u.bauen();
  QSettings(qEnvironmentVariable("TAVIK_REGISTRY_MACHINE"), QSettings::IniFormat).clear();
  // From the keyboard: Enter starts the installation, the default button, and then ends the installer.
  Treiber t;
  t.enterFuer(FELD_INSTALLATIONSTARTEN);
  t.schritt([] { return !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); }, [] {});
  t.enterFuer(FELD_ABBRUCH);
  ASSERT_TRUE(installieren(t));
  EXPECT_TRUE(t.texte().isEmpty()) << t.texte().join("\n").toStdString();
  EXPECT_EQ(lesen(P + "Tavik"), u.gespeichert[0]);
  EXPECT_EQ(lesen(P + "Tavik.pdf"), u.gespeichert[3]);
  EXPECT_FALSE(QFile::exists(u.menue + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(u.desktop + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(u.datenordner() + "/Start.inf"));
  EXPECT_FALSE(u.registerWert("UnInstallString").isEmpty());
}

TEST_F(InstallationTest, WithoutACommonDataFolderTheMarkerLiesInTheProgramFolder) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", "");
  u.gespeichert[0] = "#!/bin/sh\n";
  u.bauen();
  Treiber t;
  ganzeInstallation(t);
  ASSERT_TRUE(installieren(t));
  const QString P = u.programmordner();
  EXPECT_TRUE(t.texte().isEmpty()) << t.texte().join("\n").toStdString();
  EXPECT_TRUE(QFile::exists(P + "Start.inf"));
  EXPECT_FALSE(QFile::exists(u.appdata + "/Dolmix"));
  EXPECT_TRUE(u.registerWert("UnInstallString").endsWith(" Path2=" + P));
}

TEST_F(InstallationTest, AMissingParentFolderIsNamedAndNothingIsCopied) {
  u.programmeImRegister(u.programme + "/fehlt");
  u.bauen();
  Treiber t;
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.klicke(FELD_ABBRUCH);  // still "Abbruch": nothing is started
  ASSERT_TRUE(installieren(t));
  EXPECT_EQ(t.texte(), QStringList{"Der Ordner \"" + u.programme + "/fehlt/Tavik\" kann nicht angelegt werden."});
  EXPECT_TRUE(QFileInfo(u.datenordner()).isDir());
  EXPECT_FALSE(QFile::exists(u.programme + "/fehlt"));
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
}

TEST_F(InstallationTest, TheFolderIsChangedOnlyByASpecialistAndNeverToARoot) {
  u.gespeichert[0] = "#!/bin/sh\n";
  u.bauen();
  const QString eigener = u.programme + "/Apps";
  QDir().mkpath(eigener);
  Treiber t;
  t.antworte("Abbruch");  // no dialog
  t.klicke(FELD_ORDNERAENDERN);
  t.antworte("Bin Spezialist");
  t.waehleOrdner("");  // cancelled: the proposed folder stays
  t.klicke(FELD_ORDNERAENDERN);
  t.antworte("Bin Spezialist");
  t.waehleOrdner("/");
  t.antworte("OK");  // the refusal
  t.klicke(FELD_ORDNERAENDERN);
  QString gezeigt;
  t.schritt([&] { return t.ordnerdialoge() >= 2 && t.boxen().size() >= 4; },
            [&] { gezeigt = rt::win::findWindow("$WIN")->text(FELD_ZIELORDNER); });
  t.antworte("Bin Spezialist");
  t.waehleOrdner("Apps");  // typed in the folder the dialog opens in
  t.klicke(FELD_ORDNERAENDERN);
  QString gewaehlt;
  t.schritt([&] { return t.ordnerdialoge() >= 3; },
            [&] { gewaehlt = rt::win::findWindow("$WIN")->text(FELD_ZIELORDNER); });
  ganzeInstallation(t);
  ASSERT_TRUE(installieren(t));
  EXPECT_EQ(t.texte(), (QStringList{
                           "Ein anderer Installationsordner darf nur vom Computer-Spezialisten gewählt werden!",
                           "Ein anderer Installationsordner darf nur vom Computer-Spezialisten gewählt werden!",
                           "Ein anderer Installationsordner darf nur vom Computer-Spezialisten gewählt werden!",
                           "Installations-Ordner darf nicht das Grundverzeichnis sein!",
                           "Ein anderer Installationsordner darf nur vom Computer-Spezialisten gewählt werden!"}));
  EXPECT_EQ(gezeigt, u.programmordner());
  EXPECT_EQ(t.ordnerdialogStart, u.programme);  // the proposed folder's nearest existing parent
  EXPECT_EQ(gewaehlt, eigener + "/");
  // Installed directly into the chosen folder.
  EXPECT_EQ(lesen(eigener + "/Tavik"), u.gespeichert[0]);
  EXPECT_FALSE(QFile::exists(u.programmordner()));
}

TEST_F(InstallationTest, TheRunningProgramStopsAnUpdateBeforeAnyFileIsTouched) {
  u.gespeichert[0] = lesen("/bin/sleep");
  u.bauen();
  {
    Treiber t;
    t.klicke(FELD_INSTALLATIONSTARTEN);
    t.schritt([] { return !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); },
              [] { rt::win::findWindow("$WIN")->topWidget()->close(); });
    ASSERT_TRUE(installieren(t));
  }
  const QString P = u.programmordner();
  QProcess laeuft;
  laeuft.start(P + "Tavik", {"60"});
  ASSERT_TRUE(laeuft.waitForStarted());
  schreiben(P + "Tavik.pdf", "alt");
  Treiber t;
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.klicke(FELD_ABBRUCH);
  ASSERT_TRUE(installieren(t));
  laeuft.kill();
  laeuft.waitForFinished();
  EXPECT_EQ(t.texte(), QStringList{"Alle Anwender müssen Tavik beenden!"});
  EXPECT_EQ(lesen(P + "Tavik"), u.gespeichert[0]);
  EXPECT_EQ(lesen(P + "Tavik.pdf"), "alt");
}

TEST_F(InstallationTest, AbbruchAndClosingTheWindowStartNothing) {
  u.bauen();
  for (bool schliessen : {false, true}) {
    Treiber t;
    t.schritt([] { auto* w = rt::win::findWindow("$WIN"); return w && !w->isHidden(FELD_ABBRUCH); },
              [schliessen] {
                auto* w = rt::win::findWindow("$WIN");
                if (schliessen)
                  QTest::keyClick(w->topWidget(), Qt::Key_Escape);
                else
                  QTest::mouseClick(w->widget(FELD_ABBRUCH), Qt::LeftButton);
              });
    ASSERT_TRUE(installieren(t));
    EXPECT_FALSE(QFile::exists(u.programmordner()));
    EXPECT_TRUE(u.registerWert("DisplayName").isEmpty());
  }
}

TEST_F(InstallationTest, FailuresAreNamedAndNeverReportedAsSuccess) {
  struct Fall {
    const char* was;
    std::function<void()> vorbereiten, aufraeumen;
    QString meldung;
  };
  const QString P = u.programmordner();
  const Fall faelle[] = {
      {"a stored file cannot be created", [&] { QDir().mkpath(P + "UnInst.int"); },
       [&] { QDir().rmdir(P + "UnInst.int"); },
       "Die Datei \"" + P + "UnInst.int\" kann nicht angelegt werden."},
      {"the registry cannot be written",
       [&] {
         schreiben(u.wurzel.file("keinordner"), "");
         qputenv("TAVIK_REGISTRY_MACHINE", u.wurzel.file("keinordner/machine.ini").toUtf8());
       },
       [] {},
       "Der Deinstallationseintrag kann nicht gespeichert werden."},
  };
  u.bauen();
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    f.vorbereiten();
    Treiber t;
    bool erfolg = true;
    t.klicke(FELD_INSTALLATIONSTARTEN);
    // Once the attempt is over, its buttons take clicks again.
    t.schritt([] { return rt::win::findWindow("$WIN")->isEnabled(FELD_ABBRUCH); },
              [&] { erfolg = !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); });
    t.klicke(FELD_ABBRUCH);
    ASSERT_TRUE(installieren(t));
    EXPECT_EQ(t.texte(), QStringList{f.meldung});
    EXPECT_FALSE(erfolg);
    EXPECT_FALSE(QFile::exists(P + "gestartet"));
    f.aufraeumen();
  }
}

TEST_F(InstallationTest, AFolderTooLongForThePathsOfItsFilesIsRefusedBeforeAnythingIsCreated) {
  // The file system's limit on paths, not the Windows one: a folder of 4,100 characters is refused.
  QString lang = u.programme;
  while (lang.size() < 4100) lang += "/" + QString(200, 'x');
  u.programmeImRegister(lang);
  u.bauen();
  Treiber t;
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.klicke(FELD_ABBRUCH);
  ASSERT_TRUE(installieren(t));
  ASSERT_EQ(t.texte().size(), 2) << t.texte().join("\n").toStdString();
  EXPECT_TRUE(t.texte()[0].startsWith("Der Installations-Ordner darf höchstens 40")) << t.texte()[0].toStdString();
  EXPECT_EQ(t.texte()[0], t.texte()[1]);
  EXPECT_EQ(QDir(u.programme).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
  EXPECT_FALSE(QFile::exists(u.appdata + "/Dolmix"));
}

TEST_F(InstallationTest, WithoutRightsOrWithAnUnreadableFileTheInstallerEnds) {
  u.bauen();
  const QString system32 = u.windows + "/SYSTEM32";
  QDir().mkpath(system32);
  QFile::setPermissions(system32, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (::geteuid() == 0) QDir().mkpath(system32 + "/Test.sys");  // root writes anywhere: a folder blocks it
  {
    Treiber t;
    ASSERT_TRUE(installieren(t));
    EXPECT_EQ(t.texte(), QStringList{"Installation muss mit Administratorrechten ausgeführt werden!"});
    EXPECT_EQ(rt::win::findWindow("$WIN"), nullptr);
  }
  QDir(system32).removeRecursively();
  platform::setCommandLineForTesting("/S");
  Treiber t;
  ASSERT_TRUE(installieren(t));
  EXPECT_EQ(t.texte(), QStringList{"(Zugriffscode 0-3): Auf die Installationsdatei ist kein Zugriff möglich "
                                   "(evtl. Datenträger beschädigt)."});
  EXPECT_FALSE(QFile::exists(u.programmordner()));
}
