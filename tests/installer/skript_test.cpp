#include "installer/Skript.h"
#include "platform/Access.h"
#include "platform/Process.h"
#include "runtime/window/Window.h"
#include "tests/installer/Umgebung.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace installer_test;

TEST(Skript, ThirtyLinesWithTheFoldersInserted) {
  const QString P = "C:\\Programme\\Tavik\\";
  const QString D = "C:\\Daten\\Dolmix\\Tavik";
  const QString text = SkriptText(P, D);
  // The fixed parts, with the launcher's description in place of the name.
  const int fest = 1114 + 2 * (QString("Buchhaltung mit Einnahmen-Überschuss-Rechnung").size() - 5);
  EXPECT_EQ(text.size(), fest + 6 * 19 + 21);
  const QStringList zeilen = text.split("\r\n");
  ASSERT_EQ(zeilen.size(), 30);
  EXPECT_FALSE(text.contains('\n' + QString("\n")));
  EXPECT_EQ(text.count('\n'), 29);
  EXPECT_EQ(zeilen[4].toStdString(), "oShellLink.TargetPath = \"C:\\Programme\\Tavik\\Tavik.exe\"");
  EXPECT_EQ(zeilen[8].toStdString(), "oShellLink.WorkingDirectory = \"C:\\Programme\\Tavik\\\"");
  EXPECT_EQ(zeilen.mid(3, 7), zeilen.mid(12, 7));
  EXPECT_EQ(zeilen[25].toStdString(), "WshShell.Run(\"cacls \"\"C:\\Daten\\Dolmix\\Tavik\"\" /e /g \"&it.name&\":c\"),0,TRUE");
  EXPECT_EQ(zeilen[29], "end if");
  for (const QString& z : zeilen) EXPECT_FALSE(z.endsWith(' ')) << z.toStdString();
  // Linux folders, and no data folder.
  EXPECT_EQ(SkriptText("/opt/Tavik/", "").size(), fest + 6 * 11);
}

namespace {

struct VerknuepfungTest : ::testing::Test {
  Umgebung u;
  QString P, D;
  void SetUp() override {
    P = u.programmordner();
    QDir().mkpath(P);
    ASSERT_TRUE(QDir::setCurrent(P));
  }
  QString launcher(const QString& ordner) { return QString::fromUtf8(lesen(ordner + "/Tavik.desktop")); }
};

}  // namespace

TEST_F(VerknuepfungTest, TheScriptHostMakesBothLaunchersAndGrantsTheUsersGroupOutsideHomes) {
  D = u.wurzel.file("Daten mit Blank");
  QDir().mkpath(D);
  ::chmod(QFile::encodeName(D).constData(), 0755);
  VerknuepfungenAnlegen(P, D);
  for (const QString& ordner : {u.menue, u.desktop}) {
    SCOPED_TRACE(ordner.toStdString());
    const QString l = launcher(ordner);
    EXPECT_TRUE(l.contains("\nName=Tavik\n"));
    EXPECT_TRUE(l.contains("\nComment=Buchhaltung mit Einnahmen-Überschuss-Rechnung\n")) << l.toStdString();
    EXPECT_TRUE(l.contains("\nExec=\"" + P + "Tavik\"\n")) << l.toStdString();
    EXPECT_TRUE(l.contains("\nPath=" + P + "\n"));
    EXPECT_TRUE(l.contains("\nIcon=" + P + "Tavik.png\n"));
    EXPECT_TRUE(QFileInfo(ordner + "/Tavik.desktop").isExecutable());
  }
  EXPECT_FALSE(QFile::exists(P + "Shortcut.vbs"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(D).constData(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWGRP);

  // A data folder in a home folder stays its owner's.
  const QString privat = QDir::homePath() + "/.local/share/Dolmix/Tavik";
  QDir().mkpath(privat);
  ::chmod(QFile::encodeName(privat).constData(), 0755);
  VerknuepfungenAnlegen(P, privat);
  ASSERT_EQ(::stat(QFile::encodeName(privat).constData(), &st), 0);
  EXPECT_FALSE(st.st_mode & S_IWGRP);
  EXPECT_NE(platform::grantUsersChange(privat), 0);
}

TEST_F(VerknuepfungTest, AScriptWithAnyOtherStatementIsNotRun) {
  schreiben("Anders.vbs", SkriptText(P, "").replace("oShellLink.Save", "oShellLink.Delete").toUtf8());
  EXPECT_FALSE(platform::runAndWait("WScript //NoLogo Anders.vbs"));
  EXPECT_FALSE(QFile::exists(u.menue + "/Tavik.desktop"));
}

TEST_F(VerknuepfungTest, WithoutAScriptHostTheNoticeShowsTheProgramFolder) {
  qputenv("TAVIK_SCRIPT_HOST", "missing");
  QString fuenfteZeile;
  QStringList abgeschnitten;
  rt::win::setOpenHook([&](rt::win::Window& w) {
    if (w.label() != "$WINKEINCSCRIPT") return;
    fuenfteZeile = w.text(5);
    abgeschnitten = abgeschnitteneTexte(w.topWidget());
    bildSpeichern(w.topWidget(), "keinskript");
    QTest::keyClick(w.widget(8), Qt::Key_Space);
  });
  VerknuepfungenAnlegen(P, "");
  rt::win::setOpenHook(nullptr);
  EXPECT_EQ(fuenfteZeile, P);
  EXPECT_EQ(abgeschnitten, QStringList{});
  EXPECT_FALSE(QFile::exists(u.menue + "/Tavik.desktop"));
  EXPECT_FALSE(QFile::exists(P + "Shortcut.vbs"));
}
