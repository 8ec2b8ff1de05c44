#include "installer/Anhang.h"
#include "installer/Installieren.h"
#include "installer/packen/Packen.h"
#include "platform/CommandLine.h"
#include "platform/FileHandle.h"
#include "tests/installer/Umgebung.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace installer_test;

namespace {

struct AnhangTest : ::testing::Test {
  Umgebung u;
  void SetUp() override { InstallerGlobaleLeeren(); }
  void TearDown() override {
    if (EIGENERHANDLE) platform::closeFile(EIGENERHANDLE);
    InstallerGlobaleLeeren();
  }
  // Opens the installer file as the installer does it.
  bool oeffnen() {
    EigeneDateiFinden();
    return DateiOeffnenUndAnhangLesen();
  }
};

}  // namespace

TEST_F(AnhangTest, TheTrailerNamesTheInstallationAndItsSlots) {
  struct Fall {
    std::string name;
    const char* erwartet;
  };
  for (const Fall& f : {Fall{"", "Tavik"}, Fall{"          ", "Tavik"}, Fall{"Buchhalter", "Buchhalter"},
                        Fall{"Kasse  ", "Kasse"}}) {
    SCOPED_TRACE(f.name);
    u.gespeichert = {"erstes", {}, "drittes", "", {}};
    u.bauen(f.name);
    ASSERT_TRUE(oeffnen());
    EXPECT_EQ(ANHANG.NAME.clip(), f.erwartet);
    EXPECT_EQ(EIGENEGROESSE, QFile(u.installer).size());
    // The program takes 700 bytes; slot 4 is used although empty, slots 2 and 5 are not.
    EXPECT_EQ(ANHANG.START[0], 700);
    EXPECT_EQ(ANHANG.LAENGE[0], 6);
    EXPECT_EQ(ANHANG.START[1], 0);
    EXPECT_EQ(ANHANG.START[2], 706);
    EXPECT_EQ(ANHANG.LAENGE[2], 7);
    EXPECT_EQ(ANHANG.START[3], 713);
    EXPECT_EQ(ANHANG.LAENGE[3], 0);
    EXPECT_EQ(ANHANG.START[4], 0);
    platform::closeFile(EIGENERHANDLE);
  }
}

TEST_F(AnhangTest, TheOwnFileNameComesFromTheCommandLine) {
  struct Fall {
    const char* zeile;
    const char* endung;
    const char* name;
  };
  const Fall faelle[] = {
      {"\"C:\\Temp\\install_tavik.exe\"", ".EXE", "C:\\Temp\\install_tavik.exe"},
      {"\"C:\\Temp\\install_tavik.exe\"   ", ".EXE", "C:\\Temp\\install_tavik.exe"},
      {"\"C:\\Program Files\\install_tavik.exe\"", ".EXE", "C:\\Program Files\\install_tavik.exe"},
      {"install_tavik", ".EXE", "install_tavik.EXE"},
      {"install_tavik.exe", ".EXE", "install_tavik.exe"},
      {"\"/tmp/a b/install_tavik\"", "", "/tmp/a b/install_tavik"},
      {"\"/tmp/install_tavik\" /S", "", "/tmp/install_tavik\" /"},
  };
  for (const Fall& f : faelle) EXPECT_EQ(EigeneDateiAusKommandozeile(f.zeile, f.endung), f.name) << f.zeile;
}

TEST_F(AnhangTest, TheCheckReadsEveryStoredByteOnceAndReportsBelowAHundred) {
  // 1,000 bytes from the start of slot 1 to the end of the file: 869 stored and the trailer.
  u.gespeichert = {QByteArray(869, 'x'), {}, {}, {}, {}};
  u.bauen();
  ASSERT_TRUE(oeffnen());
  ASSERT_EQ(EIGENEGROESSE - ANHANG.START[0], 1000);
  std::vector<int> prozente;
  EXPECT_TRUE(LesbarkeitPruefen([&](int p) { prozente.push_back(p); }));
  EXPECT_EQ(prozente, (std::vector<int>{0, 51}));
}

TEST_F(AnhangTest, ABlockThatReadsNothingStopsTheCheckWithItsCode) {
  u.gespeichert = {QByteArray(3000, 'x'), {}, {}, {}, {}};
  u.bauen();
  ASSERT_TRUE(oeffnen());
  // The medium loses everything after the first block.
  ASSERT_TRUE(QFile::resize(u.installer, ANHANG.START[0] + 512));
  std::vector<int> prozente;
  EXPECT_FALSE(LesbarkeitPruefen([&](int p) { prozente.push_back(p); }));
  EXPECT_EQ(prozente.size(), 1u);
  EXPECT_EQ(ZugriffsFehlerTitel().toStdString(), "(Zugriffscode 1-999)");
}

TEST_F(AnhangTest, AnOwnFileThatCannotBeOpenedGivesTheSystemsCode) {
  u.bauen();
  // An argument makes the name end in a folder that does not exist.
  platform::setCommandLineForTesting("/S");
  EXPECT_FALSE(oeffnen());
  EXPECT_EQ(ZugriffsFehlerTitel().toStdString(), "(Zugriffscode 0-3)");
  EXPECT_EQ(ZugriffsFehlerText().toStdString(),
            "Auf die Installationsdatei ist kein Zugriff möglich (evtl. Datenträger beschädigt).");
  platform::setOwnProgramForTesting(u.wurzel.file("fehlt"));
  platform::setCommandLineForTesting("");
  EXPECT_FALSE(oeffnen());
  EXPECT_EQ(ZugriffsFehlerTitel().toStdString(), "(Zugriffscode 0-2)");
}

TEST_F(AnhangTest, TheFileRoutinesFollowTheirSystemCalls) {
  const QString datei = u.wurzel.file("datei");
  schreiben(datei, "alter Inhalt");
  std::int32_t h = 0;
  ASSERT_EQ(DateiErzeugen(datei, h), 1);
  // Nobody else may open it while it is being written.
  std::int32_t h2 = 0;
  EXPECT_EQ(DateiOeffnenLesen(datei, h2), 0);
  EXPECT_EQ(LetzterFehler(), 5);
  platform::closeFile(h);
  EXPECT_EQ(DateiGroesse(datei), 0);  // emptied although nothing was written
  ASSERT_EQ(DateiOeffnenLesen(datei + "   ", h), 1);
  ASSERT_EQ(DateiOeffnenLesen(datei, h2), 1);  // readers share it
  platform::closeFile(h);
  platform::closeFile(h2);
  EXPECT_EQ(DateiVorhanden(u.wurzel.path()), 1);
  EXPECT_EQ(DateiVorhanden(u.wurzel.file("fehlt")), 0);
  EXPECT_EQ(DateiGroesse(u.wurzel.file("fehlt")), -1);
}

TEST(Packen, StoredFilesOf32768BlocksOrMoreAreRefused) {
  testing_support::TempFolder t;
  schreiben(t.file("programm"), "P");
  QFile gross(t.file("gross"));
  ASSERT_TRUE(gross.open(QIODevice::WriteOnly));
  ASSERT_TRUE(gross.resize(32767 * 512 - 100));
  gross.close();
  schreiben(t.file("klein"), QByteArray(100, 'k'));
  const std::string aus = t.file("install_tavik").toStdString();
  // 32,767 blocks fit, one more block does not.
  EXPECT_EQ(packen::Packen(aus, t.file("programm").toStdString(), {t.file("gross").toStdString(), "", "", "", ""}), "");
  const std::string fehler = packen::Packen(
      aus + "2", t.file("programm").toStdString(),
      {t.file("gross").toStdString(), "", t.file("klein").toStdString(), t.file("klein").toStdString(), ""});
  EXPECT_NE(fehler.find("32767"), std::string::npos) << fehler;
  EXPECT_FALSE(QFile::exists(t.file("install_tavik2")));
}

TEST(Packen, TheBuiltInstallerStoresTheProgramTheBatchAndTheManualByteForByte) {
  const QByteArray datei = lesen(TAVIK_INSTALLER_FILE);
  ASSERT_GT(datei.size(), 131);
  const QByteArray anhang = datei.right(131);
  EXPECT_EQ(anhang.mid(80, 10), "Tavik     ");
  auto lang = [&](int pos) {
    return qFromLittleEndian<std::int32_t>(anhang.constData() + pos);
  };
  EXPECT_EQ(lang(94), 0);
  EXPECT_EQ(lang(106), 0);
  EXPECT_EQ(datei.mid(lang(98), lang(118)), lesen(TAVIK_UNINST_INT));
  EXPECT_EQ(datei.mid(lang(102), lang(122)), lesen(TAVIK_MANUAL_PDF));
  // The program follows the installer program directly and ends where the batch starts; it is stored
  // without debug information.
  EXPECT_EQ(lang(90) + lang(110), lang(98));
  EXPECT_TRUE(datei.mid(lang(90), 4) == "\x7f" "ELF");
  EXPECT_LT(lang(110), 4 * 1024 * 1024);
  EXPECT_LT((lang(110) + 511) / 512 + (lang(118) + 511) / 512 + (lang(122) + 511) / 512, 32768);
}
