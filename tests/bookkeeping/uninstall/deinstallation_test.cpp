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
    u.bauen();
    Treiber t;
    t.klicke(FELD_INSTALLATIONSTARTEN);
    t.schritt([] { return !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); },
              [] { rt::win::findWindow("$WIN")->topWidget()->close(); });
    ProgrammStart();
    ASSERT_TRUE(t.fertig());
    P = u.programmordner();
    P.chop(1);
    D = u.datenordner();
    for (const char* f : {"Konto.dat", "Buchung.dat", "Para.dat"}) schreiben(D + "/" + f, "Daten");
    QFile::remove(D + "/Start.inf");  // the first start of the program deletes it
    schreiben(P + "/Konto.dat", "Daten");
    // Files beside and above both folders, matching the batch's patterns.
    for (const QString& ordner : {u.programme, u.appdata + "/Dolmix", u.appdata, u.wurzel.path()})
      for (const char* name : {"kanarie.dat", "kanarie.exe", "kanarie.ini", "kanarie.pdf", "kanarie.lnk"})
        kanarien << ordner + "/" + name;
    for (const QString& k : kanarien) schreiben(k, "bleibt");
    befehl = u.registerWert("UnInstallString");
    ASSERT_TRUE(befehl.startsWith(P + "/Tavik /UnInstall ")) << befehl.toStdString();
  }
  void TearDown() override {
    qunsetenv("TMPDIR");
    rt::win::setOpenHook(nullptr);
    testing_support::settle();
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
  void kanarienLeben() {
    for (const QString& k : kanarien) EXPECT_EQ(lesen(k), "bleibt") << k.toStdString();
  }
  bool unveraendert() {
    return QFile::exists(P + "/Tavik") && QFile::exists(D + "/Konto.dat") && QFile::exists(u.menue + "/Tavik.desktop") &&
           !u.registerWert("UnInstallString").isEmpty();
  }
};

}  // namespace

TEST_F(DeinstallationTest, OkRemovesTheEntryTheLaunchersTheFilesAndTheFoldersAndNothingElse) {
  ASSERT_TRUE(QFile::exists(u.desktop + "/Tavik.desktop"));
  EXPECT_TRUE(deinstallieren(befehl.mid(befehl.indexOf("/UnInstall")), 3));
  EXPECT_EQ(abgeschnitten, QStringList{});
  EXPECT_TRUE(u.registerWert("UnInstallString").isEmpty());
  EXPECT_FALSE(QFile::exists(u.menue + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(u.desktop + "/Tavik.desktop"));
  // The batch runs on its own and deletes itself at its end.
  QElapsedTimer uhr;
  uhr.start();
  while (QFile::exists(temp.file("UnInst.bat")) && uhr.elapsed() < 20000) QTest::qWait(20);
  EXPECT_FALSE(QFile::exists(temp.file("UnInst.bat")));
  EXPECT_FALSE(QFile::exists(P)) << QDir(P).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(" ").toStdString();
  EXPECT_FALSE(QFile::exists(D)) << QDir(D).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(" ").toStdString();
  kanarienLeben();
}

TEST_F(DeinstallationTest, AbbruchOrClosingTheWindowChangesNothing) {
  for (int knopf : {2, 0}) {
    EXPECT_TRUE(deinstallieren(befehl.mid(befehl.indexOf("/UnInstall")), knopf));
    EXPECT_TRUE(unveraendert());
    EXPECT_FALSE(QFile::exists(temp.file("UnInst.bat")));
  }
}

TEST_F(DeinstallationTest, ARunningProgramIsNamedAndNothingIsRemoved) {
  platform::FileLock laeuft;
  ASSERT_EQ(laeuft.acquire((D + "/Konto.dat").toStdString(), platform::LockMode::Exclusive), platform::FileError::None);
  EXPECT_FALSE(deinstallieren(befehl.mid(befehl.indexOf("/UnInstall")), 3));
  EXPECT_EQ(meldungen, QStringList{"Zur Deinstallation muss Tavik! beendet sein!"});
  EXPECT_TRUE(unveraendert());
}

TEST_F(DeinstallationTest, FoldersOutsideTheInstallationAreRefusedByTheRunAndTheBatch) {
  const QString verweis = u.wurzel.file("Verweis");
  ASSERT_TRUE(QFile::link(u.programme, verweis));
  const QString fremd = u.programme;  // holds canaries, is not the installation's
  struct Fall {
    QString p, d;
    bool batchAuch;  // the batch knows no uninstall entry: it refuses only what it can tell by itself
    bool eingetragen = false;  // the uninstall entry names these folders too
  };
  const Fall faelle[] = {{"", D, true},          {"/", D, true},         {QDir::homePath(), D, true},
                         {QDir::homePath(), D, true, true},              {fremd, D, false},
                         {P, u.appdata, false}, {verweis, D, true},     {P, "", true}};
  for (const Fall& f : faelle) {
    SCOPED_TRACE((f.p + " | " + f.d + (f.eingetragen ? " (entered)" : "")).toStdString());
    if (f.eingetragen) u.deinstallationEintragen(P + "/Tavik /UnInstall Path1=" + f.p + " Path2=" + f.d);
    EXPECT_FALSE(deinstallieren("/UnInstall Path1=" + f.p + " Path2=" + f.d, 3));
    ASSERT_EQ(meldungen.size(), 1);
    EXPECT_TRUE(meldungen[0].startsWith("Die Deinstallation wird abgebrochen, es wurde nichts gelöscht."));
    EXPECT_TRUE(unveraendert());
    kanarienLeben();
    u.deinstallationEintragen(befehl);
    if (!f.batchAuch) continue;
    // The batch started by hand refuses them as well.
    QProcess batch;
    batch.start("/bin/sh", {P + "/UnInst.int", f.p, f.d});
    ASSERT_TRUE(batch.waitForFinished());
    EXPECT_NE(batch.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(P + "/UnInst.int"));
    EXPECT_TRUE(unveraendert());
    kanarienLeben();
  }
}
