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
#include <QtEndian>
#include <csignal>
#include <unistd.h>
#include <QTest>
#include <gtest/gtest.h>

using namespace installer_test;

namespace {

struct InstallationTest : ::testing::Test {
  Umgebung u;
  void TearDown() override { testing_support::settle(); }

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
    t.installiereUndSchliesse();
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

namespace {

// The installer file with its trailer changed by `aendern` (the trailer's bytes, the file's size).
void anhangAendern(const QString& datei, const std::function<void(QByteArray&, qint64)>& aendern) {
  QByteArray inhalt = lesen(datei);
  QByteArray anhang = inhalt.right(131);
  aendern(anhang, inhalt.size());
  schreiben(datei, inhalt.left(inhalt.size() - 131) + anhang);
}

void langSetzen(QByteArray& anhang, int feld, std::int32_t wert) {
  qToLittleEndian(wert, anhang.data() + feld);
}
std::int32_t langAus(const QByteArray& anhang, int feld) { return qFromLittleEndian<std::int32_t>(anhang.constData() + feld); }

// Fields of the trailer: the name, the starts and the sizes of slot 1 to 5.
constexpr int kName = 80;
constexpr int start(int slot) { return 90 + 4 * (slot - 1); }
constexpr int laenge(int slot) { return 110 + 4 * (slot - 1); }

}  // namespace

TEST_F(InstallationTest, ADamagedInstallerFileIsRefusedBeforeAnythingIsWritten) {
  struct Fall {
    const char* was;
    std::function<void(QByteArray&, qint64)> aendern;
  };
  const auto name = [](const QByteArray& n) {
    return [n](QByteArray& a, qint64) { a.replace(kName, 10, n.leftJustified(10, ' ')); };
  };
  const Fall faelle[] = {
      {"name ..", name("..")},
      {"name ../x", name("../x")},
      {"name .", name(".")},
      {"name with a separator", name("a/b")},
      {"name with a backslash", name("a\\b")},
      {"name with a control character", name("Ta\x01vik")},
      {"name padded with NUL", name(QByteArray("Tavik\0\0\0\0\0", 10))},
      {"slot 1 unused", [](QByteArray& a, qint64) { langSetzen(a, start(1), 0); }},
      {"slot 1 starts beyond the file", [](QByteArray& a, qint64 g) { langSetzen(a, start(1), std::int32_t(g + 10)); }},
      {"slot 1 starts in the trailer", [](QByteArray& a, qint64 g) { langSetzen(a, start(1), std::int32_t(g - 100)); }},
      {"negative start", [](QByteArray& a, qint64) { langSetzen(a, start(3), -5); }},
      {"negative size", [](QByteArray& a, qint64) { langSetzen(a, laenge(3), -1); }},
      {"size beyond the file", [](QByteArray& a, qint64 g) { langSetzen(a, laenge(4), std::int32_t(g)); }},
      {"slot 4 reaches into the trailer", [](QByteArray& a, qint64) { langSetzen(a, laenge(4), langAus(a, laenge(4)) + 1); }},
      {"slot 3 overlaps slot 1", [](QByteArray& a, qint64) { langSetzen(a, start(3), langAus(a, start(1)) + 1); }},
      {"slot 3 before slot 1", [](QByteArray& a, qint64) { langSetzen(a, start(3), 10); }},
      {"a slot without a name is used", [](QByteArray& a, qint64) { langSetzen(a, start(2), langAus(a, start(4))); }},
  };
  u.gespeichert[0] = "#!/bin/sh\n";
  u.gespeichert[3] = QByteArray(3000, 'm');
  u.bauen();
  // An installation is in place: the damaged file must not touch it either.
  {
    Treiber t;
    t.installiereUndSchliesse();
    ASSERT_TRUE(installieren(t));
  }
  const QString P = u.programmordner();
  const QStringList vorher = inhalt(P), wurzelVorher = QDir(u.wurzel.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
  const QString eintrag = u.registerWert("UnInstallString");
  const QByteArray gut = lesen(u.installer);
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    schreiben(u.installer, gut);
    anhangAendern(u.installer, f.aendern);
    Treiber t;
    t.klicke(FELD_INSTALLATIONSTARTEN);  // never offered
    installieren(t);
    EXPECT_EQ(t.texte(), QStringList{"Die Installationsdatei kann nicht gelesen werden (evtl. Datenträger beschädigt)."});
    EXPECT_FALSE(t.fertig());
    EXPECT_EQ(inhalt(P), vorher);
    EXPECT_EQ(lesen(P + "Tavik"), u.gespeichert[0]);
    EXPECT_EQ(lesen(P + "Tavik.pdf"), u.gespeichert[3]);
    EXPECT_EQ(QDir(u.wurzel.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), wurzelVorher);
    EXPECT_EQ(QDir(u.programme).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Tavik"});
    EXPECT_EQ(u.registerWert("UnInstallString"), eintrag);
  }
  // A file too short for its trailer.
  schreiben(u.installer, gut.left(100));
  Treiber t;
  installieren(t);
  EXPECT_EQ(t.texte(), QStringList{"Die Installationsdatei kann nicht gelesen werden (evtl. Datenträger beschädigt)."});
  EXPECT_EQ(inhalt(P), vorher);
}

namespace {

// A child that runs the installer of the file `args[0]` through its window and is killed while it
// copies, as by a power cut or the task manager.
int installierenUndAbbrechen(const QStringList& args) {
  platform::setOwnProgramForTesting(args.value(0));
  platform::setCommandLineForTesting("");
  Treiber t;
  t.klicke(FELD_INSTALLATIONSTARTEN);
  t.schritt([] {
              rt::win::Window* w = rt::win::findWindow("$WIN");
              return w && w->text(FELD_STATUSTEXT) == "Installationsverlauf" && w->text(FELD_FORTSCHRITT).toInt() >= 20;
            },
            [] { ::kill(::getpid(), SIGKILL); });
  ProgrammStart();
  return 3;  // the copy ended before the kill
}
TAVIK_CHILD_MODE("installer-abbrechen", installierenUndAbbrechen);

}  // namespace

TEST_F(InstallationTest, AnUpdateKilledWhileItCopiesLeavesTheEarlierProgramRunnable) {
  u.bauen();
  {
    Treiber t;
    ganzeInstallation(t);
    ASSERT_TRUE(installieren(t));
  }
  const QString P = u.programmordner();
  ASSERT_TRUE(warteAuf(P + "gestartet"));
  QFile::remove(P + "gestartet");
  const QByteArray frueher = lesen(P + "Tavik"), handbuch = lesen(P + "Tavik.pdf");
  u.gespeichert[0] = startmarkeProgramm() + "# Version 2\n" + QByteArray(8 * 1024 * 1024, '#');
  u.gespeichert[3] = "%PDF-1.4 Version 2\n";
  u.bauen();
  QProcess kind;
  kind.start(testing_support::selfPath(), {"--child=installer-abbrechen", u.installer});
  ASSERT_TRUE(kind.waitForFinished(60000));
  ASSERT_EQ(kind.exitStatus(), QProcess::CrashExit) << "exit code " << kind.exitCode();
  EXPECT_EQ(lesen(P + "Tavik"), frueher);
  EXPECT_EQ(lesen(P + "Tavik.pdf"), handbuch);
  QProcess programm;
  programm.setWorkingDirectory(P);
  programm.start(P + "Tavik", {});
  ASSERT_TRUE(programm.waitForFinished());
  EXPECT_EQ(programm.exitCode(), 0);
  EXPECT_TRUE(QFile::exists(P + "gestartet"));
  QFile::remove(P + "gestartet");
  // The next installation takes the place of what the killed one left half written.
  const QStringList halb = QDir(P).entryList({"Tavik.new*"}, QDir::Files);
  EXPECT_EQ(halb.size(), 1) << halb.join(" ").toStdString();
  Treiber t;
  t.installiereUndSchliesse();
  ASSERT_TRUE(installieren(t));
  EXPECT_EQ(t.texte(), QStringList{});
  EXPECT_EQ(lesen(P + "Tavik"), u.gespeichert[0]);
  EXPECT_EQ(QDir(P).entryList({"*.new*"}, QDir::Files), QStringList{});
}
