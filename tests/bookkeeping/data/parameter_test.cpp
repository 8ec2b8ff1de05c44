#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "runtime/isam/Errors.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

using testing_support::MessageAnswers;
using testing_support::TempFolder;

namespace {

struct ParameterTest : ::testing::Test {
  TempFolder folder;
  void SetUp() override {
    PARA = PARA_T{};
    PARAPFAD = folder.file("Para.dat");
    rt::setTodayForTesting(rt::dayNumber(2026, 7, 15));
  }
  void TearDown() override {
    rt::setTodayForTesting(0);
    PARA = PARA_T{};
  }

  // Every record of "Para.dat", by number.
  std::map<int, QString> stored() {
    std::map<int, QString> out;
    EXPECT_EQ(PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyNone), 0);
    PARADATEI.clear();
    PARADATEI.set(PARA_KEYNR);
    while (PARADATEI.next() == 0) out[PARAREC.NR] = PARAREC.INHALT.full();
    PARADATEI.close();
    return out;
  }
  void store(const std::map<int, QString>& values) {
    PARADATEI.create();
    ASSERT_EQ(PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyNone), 0);
    for (const auto& [nr, text] : values) {
      PARAREC.NR = static_cast<std::int16_t>(nr);
      PARAREC.INHALT = text;
      ASSERT_EQ(PARADATEI.add(), 0);
    }
    PARADATEI.close();
  }
};

}  // namespace

TEST_F(ParameterTest, AFirstLoadWithoutTheFileGivesEveryDefaultAndWritesNothing) {
  MessageAnswers answers;
  ParameterLaden();
  EXPECT_TRUE(answers.texts().isEmpty());
  EXPECT_EQ(PARA.MWST_1, 0);
  EXPECT_EQ(PARA.MWST_2, 19);
  EXPECT_EQ(PARA.MWST_3, 7);
  EXPECT_EQ(PARA.MWST_4, 0);
  EXPECT_EQ(PARA.MWST_5, 0);
  EXPECT_EQ(rt::dayNumber(PARA.VONSUMMENDATUM), rt::dayNumber(2026, 7, 1));
  EXPECT_EQ(rt::dayNumber(PARA.BISSUMMENDATUM), rt::dayNumber(2026, 7, 31));
  EXPECT_EQ(PARA.TASTATUR, 2);
  EXPECT_EQ(PARA.BUCHUNGSART, 1);
  EXPECT_EQ(PARA.ZEILENABHEBEN, 1);
  EXPECT_EQ(PARA.ACROBATHILFE, 1);
  EXPECT_EQ(PARA.FENSTERXY, 0);
  for (int i = 1; i <= 17; ++i) EXPECT_EQ(PARA.FENSTERDATEN.wert(i), 0);
  for (int i = 1; i <= 15; ++i) EXPECT_EQ(PARA.SCHEMADATEN.wert(i), 0);
  EXPECT_TRUE(PARA.NAME.isBlank());
  EXPECT_TRUE(PARA.LISTENFORMAT[2].isBlank());
  EXPECT_TRUE(QFile::exists(folder.file("Para.dat")));
  EXPECT_TRUE(stored().empty());
}

TEST_F(ParameterTest, TheDefaultPeriodInDecemberEndsOnTheThirtyFirst) {
  rt::setTodayForTesting(rt::dayNumber(2026, 12, 10));
  ParameterLaden();
  EXPECT_EQ(rt::dayNumber(PARA.VONSUMMENDATUM), rt::dayNumber(2026, 12, 1));
  EXPECT_EQ(rt::dayNumber(PARA.BISSUMMENDATUM), rt::dayNumber(2026, 12, 31));
}

TEST_F(ParameterTest, SaveThenLoadGivesEveryFieldBack) {
  PARA.MWST_2 = 16;
  PARA.MWST_3 = 7.5;
  PARA.MWST_4 = 10.7;
  PARA.MWST_5 = 0.001;
  PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(2024, 10, 1));
  PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(2024, 12, 31));
  PARA.FENSTERXY = 1;
  PARA.TASTATUR = 1;
  for (int i = 1; i <= 16; ++i) PARA.FENSTERDATEN.setzeWert(i, i % 2 ? -4 * i : 300 + i);
  PARA.FENSTERDATEN.setzeWert(17, 1);
  PARA.BUCHUNGSART = 3;
  PARA.NAME = "Erika Mustermann-Ga bler";  // the 20th character is a blank
  ASSERT_EQ(PARA.NAME[19], ' ');
  PARA.NAME2 = "Übersetzungen & Lektorat, Köln-Süd GmbH";
  PARA.STRASSE = "Straße 1";
  PARA.PLZORT = "50667 Köln";
  PARA.ZEILENABHEBEN = 0;
  PARA.ACROBATHILFE = 0;
  QString blanks = "33LM|~Datum~@D06.@95LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~xxxxxxxxxxxxxxxxxx";
  for (int pos : {20, 40, 60}) blanks[pos - 1] = ' ';
  PARA.LISTENFORMAT[0] = blanks;
  PARA.LISTENFORMAT[1] = "33LM|~Datum~@D06.@95LM|~Text~30RM|@N-12`2@~Betrag~|0LM~~8LM~~";
  PARA.LISTENFORMAT[2] = QString(80, 'x');
  for (int i = 0; i < 3; ++i) PARA.SCHEMAFORMAT[i] = PARA.LISTENFORMAT[2 - i];
  for (int i = 1; i <= 14; ++i) PARA.SCHEMADATEN.setzeWert(i, 100 - i);
  PARA.SCHEMADATEN.setzeWert(15, 1);
  ASSERT_EQ(PARA.LISTENFORMAT[0].sub(20, 1), " ");
  ASSERT_EQ(PARA.LISTENFORMAT[0].sub(40, 1), " ");
  ASSERT_EQ(PARA.LISTENFORMAT[0].sub(60, 1), " ");
  const PARA_T saved = PARA;

  MessageAnswers answers;
  ParameterSpeichern();
  PARA = PARA_T{};
  ParameterLaden();
  EXPECT_TRUE(answers.texts().isEmpty());

  EXPECT_EQ(PARA.MWST_1, 0);
  EXPECT_EQ(PARA.MWST_2, saved.MWST_2);
  EXPECT_EQ(PARA.MWST_3, saved.MWST_3);
  EXPECT_EQ(PARA.MWST_4, saved.MWST_4);
  EXPECT_EQ(PARA.MWST_5, saved.MWST_5);
  EXPECT_EQ(PARA.VONSUMMENDATUM, saved.VONSUMMENDATUM);
  EXPECT_EQ(PARA.BISSUMMENDATUM, saved.BISSUMMENDATUM);
  EXPECT_EQ(PARA.FENSTERXY, 1);
  EXPECT_EQ(PARA.TASTATUR, 1);
  for (int i = 1; i <= 17; ++i) EXPECT_EQ(PARA.FENSTERDATEN.wert(i), saved.FENSTERDATEN.wert(i)) << i;
  for (int i = 1; i <= 15; ++i) EXPECT_EQ(PARA.SCHEMADATEN.wert(i), saved.SCHEMADATEN.wert(i)) << i;
  EXPECT_EQ(PARA.BUCHUNGSART, 3);
  EXPECT_EQ(PARA.ZEILENABHEBEN, 0);
  EXPECT_EQ(PARA.ACROBATHILFE, 0);
  EXPECT_EQ(PARA.NAME.raw(), saved.NAME.raw());
  EXPECT_EQ(PARA.NAME2.raw(), saved.NAME2.raw());
  EXPECT_EQ(PARA.STRASSE.raw(), saved.STRASSE.raw());
  EXPECT_EQ(PARA.PLZORT.raw(), saved.PLZORT.raw());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(PARA.LISTENFORMAT[i].raw(), saved.LISTENFORMAT[i].raw()) << i;
    EXPECT_EQ(PARA.SCHEMAFORMAT[i].raw(), saved.SCHEMAFORMAT[i].raw()) << i;
  }

  // The stored texts of the kinds of value; numbers 24 and 26 stay unused, 1 to 77 otherwise.
  const auto s = stored();
  EXPECT_EQ(s.size(), 75u);
  EXPECT_EQ(s.count(24) + s.count(26), 0u);
  EXPECT_EQ(s.at(1).trimmed(), "16");
  EXPECT_EQ(s.at(2).trimmed(), "7.5");
  EXPECT_EQ(s.at(32).trimmed(), "10.7");
  EXPECT_EQ(s.at(3).trimmed(), QString::number(rt::dayNumber(2024, 10, 1)));
  EXPECT_EQ(s.at(7).trimmed(), "-4");
  EXPECT_EQ(s.at(28), "Erika Mustermann-Ga ");
  EXPECT_EQ(s.at(43), "bler                ");
}

TEST_F(ParameterTest, AnOlderFileWithTheFirstSixNumbersOnly) {
  store({{1, "16"}, {2, "5"}, {3, QString::number(rt::dayNumber(2020, 1, 1))},
         {4, QString::number(rt::dayNumber(2020, 3, 31))}, {5, "1"}, {6, "1"}});
  MessageAnswers answers;
  ParameterLaden();
  EXPECT_TRUE(answers.texts().isEmpty());
  EXPECT_EQ(PARA.MWST_2, 16);
  EXPECT_EQ(PARA.MWST_3, 5);
  EXPECT_EQ(rt::dayNumber(PARA.BISSUMMENDATUM), rt::dayNumber(2020, 3, 31));
  EXPECT_EQ(PARA.FENSTERXY, 1);
  EXPECT_EQ(PARA.TASTATUR, 1);
  EXPECT_EQ(PARA.BUCHUNGSART, 1);
  EXPECT_EQ(PARA.ZEILENABHEBEN, 1);
  EXPECT_EQ(PARA.ACROBATHILFE, 1);
  EXPECT_EQ(stored().size(), 6u);  // a load never writes
}

TEST_F(ParameterTest, DamagedValuesAreReadAsWhatTheConversionMakesOfThem) {
  store({{1, "abc"}, {2, "12.5xyz"}, {6, "999"}, {7, "-70000"}});
  ParameterLaden();
  EXPECT_EQ(PARA.MWST_2, 0);
  EXPECT_EQ(PARA.MWST_3, 12.5);
  EXPECT_EQ(PARA.TASTATUR, 255);
  EXPECT_EQ(PARA.FENSTERDATEN.wert(1), -32768);
}

namespace {

int loadParameters(const QStringList& args) {
  PARAPFAD = args.value(0);
  rt::win::setOpenHook([](rt::win::Window& w) {
    if (w.label() != "P9$WIN") return;
    for (int f = 3; f <= 6; ++f)
      if (!w.text(f).trimmed().isEmpty()) std::cout << w.text(f).trimmed().toStdString() << std::endl;
    static_cast<QAbstractButton*>(w.widget(7))->click();
  });
  ParameterLaden();
  std::cout << "geladen" << std::endl;
  return 0;
}
TAVIK_CHILD_MODE("parameter-laden", loadParameters);

// A settings group in which every value tells the round it was saved in.
void Runde(int r) {
  PARA = PARA_T{};
  PARA.MWST_2 = r;
  PARA.MWST_3 = r + 0.5;
  PARA.MWST_4 = -r;
  PARA.MWST_5 = r * 2;
  PARA.VONSUMMENDATUM = rt::dateOf(40000 + r);
  PARA.BISSUMMENDATUM = rt::dateOf(50000 + r);
  PARA.FENSTERXY = static_cast<std::uint8_t>(r);
  PARA.TASTATUR = static_cast<std::uint8_t>(r);
  for (int i = 1; i <= 17; ++i) PARA.FENSTERDATEN.setzeWert(i, r + i);
  for (int i = 1; i <= 15; ++i) PARA.SCHEMADATEN.setzeWert(i, r - i);
  PARA.BUCHUNGSART = static_cast<std::uint8_t>(r);
  PARA.ZEILENABHEBEN = static_cast<std::uint8_t>(r);
  PARA.ACROBATHILFE = static_cast<std::uint8_t>(r);
  const QString text = QString("Runde %1 ").arg(r).repeated(12);
  for (auto* t : {&PARA.NAME, &PARA.NAME2, &PARA.STRASSE, &PARA.PLZORT}) *t = text;
  for (int i = 0; i < 3; ++i) PARA.LISTENFORMAT[i] = PARA.SCHEMAFORMAT[i] = text;
}

// Saves the settings of rounds 1, 2, 3, ... into args[0] for ever and reports each saved round.
int saveForEver(const QStringList& args) {
  PARAPFAD = args.value(0);
  for (int r = 1;; ++r) {
    Runde(r);
    ParameterSpeichern();
    std::cout << r << std::endl;
  }
}
TAVIK_CHILD_MODE("parameter-speichern-fuer-immer", saveForEver);

}  // namespace

TEST_F(ParameterTest, AProcessKilledWhileSavingLeavesOneWholeSet) {
  auto gespeichert = [&](int r) {
    TempFolder anderer;
    PARAPFAD = anderer.file("Para.dat");
    Runde(r);
    ParameterSpeichern();
    auto out = stored();
    PARAPFAD = folder.file("Para.dat");
    return out;
  };
  const auto ersteRunde = gespeichert(1);
  ASSERT_EQ(ersteRunde.size(), 75u);
  ASSERT_NE(ersteRunde, gespeichert(2));
  int berichtet = 0;
  for (int lauf = 0; lauf < 4; ++lauf) {
    SCOPED_TRACE(lauf);
    QProcess child;
    child.start(testing_support::selfPath(), {"--child=parameter-speichern-fuer-immer", folder.file("Para.dat")});
    ASSERT_TRUE(child.waitForStarted());
    int runde = 0;
    while (runde < 2 + lauf && child.state() == QProcess::Running) {
      child.waitForReadyRead(5000);
      while (child.canReadLine()) runde = child.readLine().trimmed().toInt();
    }
    // The next round is being written once its journal is there; the kill comes while it is
    // there or, every other time, right after it has gone for the first time (a first write done).
    const QString journal = folder.file("Para.dat-journal");
    for (bool da : {true, false}) {
      if (!da && lauf % 2 == 0) break;
      while (QFile::exists(journal) != da && child.state() == QProcess::Running) QThread::usleep(50);
    }
    child.kill();
    child.waitForFinished();
    while (child.canReadLine()) runde = child.readLine().trimmed().toInt();
    ASSERT_GE(runde, 2 + lauf) << child.readAllStandardError().toStdString();
    berichtet = runde;

    // Every value is of one round: the last one reported, or the one after it.
    const auto s = stored();
    ASSERT_EQ(s.size(), 75u);
    const int r = s.at(1).trimmed().toInt();
    EXPECT_TRUE(r == berichtet || r == berichtet + 1) << r << " after " << berichtet;
    EXPECT_EQ(s, gespeichert(r));
  }
}

namespace {

}  // namespace

TEST_F(ParameterTest, AFileThatCannotBeOpenedShowsTheCodeAndEndsTheProgram) {
  store({{1, "16"}});
  ASSERT_EQ(PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyAll), 0);
  QProcess child;
  child.start(testing_support::selfPath(), {"--child=parameter-laden", folder.file("Para.dat")});
  ASSERT_TRUE(child.waitForFinished(20000));
  PARADATEI.close();
  const QString out = QString::fromUtf8(child.readAllStandardOutput());
  EXPECT_EQ(out.trimmed(), "Zugriff auf die Datei \"Para.dat\" verweigert - Fehlercode 5");
  EXPECT_NE(child.exitCode(), 0);

  // Two instances may hold the file at the same time.
  ASSERT_EQ(PARADATEI.open(rt::isam::AccessMode::ReadWriteDenyNone), 0);
  child.start(testing_support::selfPath(), {"--child=parameter-laden", folder.file("Para.dat")});
  ASSERT_TRUE(child.waitForFinished(20000));
  PARADATEI.close();
  EXPECT_EQ(QString::fromUtf8(child.readAllStandardOutput()).trimmed(), "geladen");
  EXPECT_EQ(child.exitCode(), 0);
}
