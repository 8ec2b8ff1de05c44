#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "bookkeeping/frame/Rahmen.h"
#include "platform/CommandLine.h"
#include "runtime/isam/Errors.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>
#include <csignal>
#include <iostream>
#include <sys/resource.h>

using testing_support::TempFolder;
using namespace rt::win;
using testing_support::settle;

namespace {

struct Account {
  QString nr, code;
  int art;
  QString name;
  int mwst;
  QString text1;
  bool operator==(const Account&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Account& a) {
  return os << a.nr.toStdString() << "/" << a.code.toStdString() << "/" << a.name.toStdString();
}

const std::vector<Account> kDefaults = {
    {"1000", "U", 3, "USt-Vorauszahlung", 0, "USt-Vorauszahlung #. Quartal"},
    {"4000", "K", 2, "Kfz-Kosten", 2, ""},
    {"4010", "T", 2, "Telefon", 2, "Telefonkosten"},
    {"4100", "", 2, "Arbeitszimmer", 1, "Mietanteil Arbeitszimmer"},
    {"4999", "S", 2, "Sonstiges", 2, ""},
    {"8000", "E", 1, "Eingang", 2, "ReNr #"},
};

// Runs the main procedure; message windows are answered in turn (OK unless told), the frame is closed
// as soon as it has opened.
struct StartResult {
  QStringList messages;
  bool frameOpened = false;
};

StartResult start(const QString& commandLine, QList<int> answers = {}) {
  StartResult r;
  platform::setCommandLineForTesting(commandLine);
  setOpenHook([&](Window& w) {
    if (w.label() == "P9$WIN") {
      QStringList rows;
      for (int f = 3; f <= 6; ++f)
        if (!w.text(f).trimmed().isEmpty()) rows << w.text(f).trimmed();
      r.messages << rows.join(" | ");
      const int a = answers.isEmpty() ? 7 : answers.takeFirst();
      static_cast<QAbstractButton*>(w.widget(a))->click();
    } else if (w.label() == "$WINMAIN") {
      r.frameOpened = true;
      QTimer::singleShot(0, [&w] { w.topWidget()->close(); });
    }
  });
  Hauptprogramm();
  setOpenHook(nullptr);
  return r;
}

std::vector<Account> accounts(const QString& path) {
  std::vector<Account> out;
  KONTOPFAD = path;
  if (KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite)) return out;
  KONTODATEI.clear();
  KONTODATEI.set(KONTO_KEYNR);
  while (KONTODATEI.next() == 0)
    out.push_back({KONTO.NR.clip(), KONTO.SHORTCUT.clip(), KONTO.ART, KONTO.NAME.clip(), KONTO.MWST,
                   KONTO.TEXTVORGABE[0].clip()});
  KONTODATEI.close();
  return out;
}

struct StartupTest : ::testing::Test {
  TempFolder appdata;
  QString data;  // the data folder below "Common AppData"
  void SetUp() override {
    qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.path().toUtf8());
    data = appdata.path() + "/Dolmix/Tavik/";
    QDir().mkpath(data);
    PARA = PARA_T{};
  }
  void TearDown() override {
    qunsetenv("TAVIK_FOLDER_COMMON_APPDATA");
    settle();
  }
  void marker() { QFile(data + "Start.inf").open(QIODevice::WriteOnly); }
};

}  // namespace

TEST_F(StartupTest, AFirstStartCreatesTheFilesSeedsTheAccountsOnceAndDeletesTheMarker) {
  marker();
  StartResult r = start("");
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_TRUE(r.frameOpened);
  EXPECT_FALSE(QFile::exists(data + "Start.inf"));
  EXPECT_TRUE(QFile::exists(data + "Buchung.dat"));
  EXPECT_TRUE(QFile::exists(data + "Para.dat"));
  EXPECT_EQ(accounts(data + "Konto.dat"), kDefaults);

  // Delete one default account: the next start (no marker) does not seed again.
  KONTOPFAD = data + "Konto.dat";
  ASSERT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  KONTO.NR = "4010";
  ASSERT_EQ(KONTODATEI.get(KONTO_KEYNR), 0);
  KONTODATEI.remove();
  KONTODATEI.close();
  r = start("");
  EXPECT_TRUE(r.messages.isEmpty());
  EXPECT_EQ(accounts(data + "Konto.dat").size(), 5u);
}

TEST_F(StartupTest, AFirstStartOverAnExistingAccountsFileAddsOnlyTheMissingDefaults) {
  KONTOPFAD = data + "Konto.dat";
  KONTODATEI.create();
  ASSERT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  KONTODATEI.clear();
  KONTO.NR = "4000";
  KONTO.NAME = "Fahrzeug";
  KONTO.ART = 2;
  ASSERT_EQ(KONTODATEI.add(), 0);
  KONTODATEI.close();
  marker();
  start("");
  const auto got = accounts(data + "Konto.dat");
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[1].name, "Fahrzeug");
  EXPECT_EQ(got[2], kDefaults[2]);
}

TEST_F(StartupTest, ALaterStartWithoutAFileAsksOnce) {
  struct Case {
    const char* file;
    const char* question;
    int answer;
    bool created;
  };
  const Case cases[] = {
      {"Konto.dat", "Die Datei \"Konto.dat\" ist nicht mehr vorhanden | Soll sie neu (ohne Konten) angelegt werden?", 8, false},
      {"Buchung.dat", "Die Datei \"Buchung.dat\" ist nicht mehr vorhanden | Soll sie neu (ohne Buchungen) angelegt werden?", 8, false},
      {"Buchung.dat", "Die Datei \"Buchung.dat\" ist nicht mehr vorhanden | Soll sie neu (ohne Buchungen) angelegt werden?", 7, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.created ? " OK" : " Abbruch"));
    marker();
    start("");  // a first start makes both files
    ASSERT_TRUE(QFile::remove(data + c.file));
    const StartResult r = start("", {c.answer});
    EXPECT_EQ(r.messages, QStringList{c.question});
    EXPECT_TRUE(r.frameOpened);
    EXPECT_EQ(QFile::exists(data + c.file), c.created);
  }
}

TEST_F(StartupTest, ADamagedFileIsNamedWithItsCodeAndLeftAsItWas) {
  marker();
  start("");
  QFile damaged(data + "Buchung.dat");
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
  const QByteArray junk(5000, '\x5a');
  damaged.write(junk);
  damaged.close();
  const StartResult r = start("");
  EXPECT_EQ(r.messages, QStringList{"Die Datei \"Buchung.dat\" kann nicht geöffnet werden - Fehlercode 36 | "
                                    "Tavik! wird beendet."});
  EXPECT_FALSE(r.frameOpened);
  ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
  EXPECT_EQ(damaged.readAll(), junk);
  // The accounts file was closed again: the next instance is not refused.
  KONTOPFAD = data + "Konto.dat";
  EXPECT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  KONTODATEI.close();
}

TEST_F(StartupTest, WithoutCommonAppDataOrWithTheSwitchTheCurrentFolderHoldsTheFiles) {
  TempFolder current;
  const QString saved = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(current.path()));
  for (const char* how : {"switch", "no value"}) {
    SCOPED_TRACE(how);
    QFile::remove("Konto.dat");
    QFile::remove("Buchung.dat");
    QFile::remove("Para.dat");
    QFile(QString("Start.inf")).open(QIODevice::WriteOnly);
    if (QString(how) == "switch")
      start("/1Ordner");
    else {
      qputenv("TAVIK_FOLDER_COMMON_APPDATA", "");
      start("");
    }
    EXPECT_EQ(DATENORDNER, "Programmordner");
    EXPECT_TRUE(QFile::exists(current.file("Konto.dat")));
    EXPECT_TRUE(QFile::exists(current.file("Para.dat")));
    EXPECT_FALSE(QFile::exists(data + "Konto.dat"));
  }
  QDir::setCurrent(saved);
}

TEST_F(StartupTest, TheStoredFramePlaceIsBroughtIntoRange) {
  struct Case {
    int x, w, wantX, wantW;
  };
  // The frame is never narrower than its toolbar, so only a wide enough stored width shows as such.
  for (const Case c : {Case{800, 3, 0, 10}, Case{-5, 200, 0, 200}, Case{100, 400, 100, 400}}) {
    SCOPED_TRACE(c.x);
    PARAPFAD = data + "Para.dat";
    ParameterLaden();
    PARA.FENSTERXY = 1;
    PARA.FENSTERDATEN.setzeWert(13, c.x);
    PARA.FENSTERDATEN.setzeWert(14, 20);
    PARA.FENSTERDATEN.setzeWert(15, c.w);
    PARA.FENSTERDATEN.setzeWert(16, 200);
    PARA.FENSTERDATEN.setzeWert(17, 0);
    ParameterSpeichern();
    marker();
    platform::setCommandLineForTesting("");
    QRect seen;
    setOpenHook([&](Window& w) {
      if (w.label() == "$WINMAIN") QTimer::singleShot(0, [&] {
        seen = w.position();
        postField(EV_Accepted, FELD_BEENDEN, w.thread());
      });
    });
    Hauptprogramm();
    setOpenHook(nullptr);
    // At the screen's left edge the frame's border stands on the screen too.
    EXPECT_NEAR(seen.x(), c.wantX, c.wantX == 0 ? 1 : 0);
    if (c.wantW >= 373) { EXPECT_EQ(seen.width(), c.wantW); }
    EXPECT_EQ(PARA.FENSTERDATEN.wert(13), c.wantX);
    EXPECT_EQ(PARA.FENSTERDATEN.wert(15), c.wantW);
  }
}

namespace {
// The program as a second process: "--child=hauptprogramm <Common AppData> [<file size limit>]".
// A file size limit makes every write beyond it fail, as a full disk does.
int runProgram(const QStringList& args) {
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", args.value(0).toUtf8());
  if (args.size() > 1) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = args.value(1).toULongLong();
    const rlimit r{limit, limit};
    setrlimit(RLIMIT_FSIZE, &r);
  }
  platform::setCommandLineForTesting("");
  setOpenHook([](Window& w) {
    if (w.label() == "P9$WIN") {
      QStringList rows;
      for (int f = 3; f <= 6; ++f)
        if (!w.text(f).trimmed().isEmpty()) rows << w.text(f).trimmed();
      std::cout << rows.join(" | ").toStdString() << std::endl;
      static_cast<QAbstractButton*>(w.widget(7))->click();
    } else if (w.label() == "$WINMAIN") {
      std::cout << "Rahmen offen" << std::endl;
      QTimer::singleShot(0, [&w] { w.topWidget()->close(); });
    }
  });
  Hauptprogramm();
  return 0;
}
TAVIK_CHILD_MODE("hauptprogramm", runProgram);
}  // namespace

TEST_F(StartupTest, ASecondInstanceShowsTheMessageAndEndsWithoutDisturbingTheFirst) {
  marker();
  start("");
  // The first instance holds the accounts file as the running program does.
  KONTOPFAD = data + "Konto.dat";
  ASSERT_EQ(KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  QProcess second;
  second.start(testing_support::selfPath(), {"--child=hauptprogramm", appdata.path()});
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()).trimmed(), "Tavik! ist bereits gestartet.");
  KONTO.NR = "8000";
  EXPECT_EQ(KONTODATEI.get(KONTO_KEYNR), 0);
  KONTODATEI.close();
  // Once the first has ended, the next start opens the frame.
  second.start(testing_support::selfPath(), {"--child=hauptprogramm", appdata.path()});
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()).trimmed(), "Rahmen offen");
}

TEST_F(StartupTest, AFolderThatCannotHoldTheFilesIsRefusedBeforeAnythingChanges) {
  struct Case {
    const char* name;
    QString appdata;  // "Common AppData"; the data folder lies below it
    bool makeFolder;
    const char* message;
  };
  const QString longName = appdata.path() + "/" + QString(120, 'a') + "/" + QString(60, 'b');
  const Case cases[] = {
      {"missing folder", appdata.path() + "/fehlt", false, "Der Datenordner ist nicht vorhanden:"},
      {"outside Windows-1252", appdata.path() + "/y\u0131lmaz", true,
       "Der Datenordner kann nicht verwendet werden:"},
      {"too long", longName, true, "Der Datenordner kann nicht verwendet werden:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = c.appdata + "/Dolmix/Tavik/";
    if (c.makeFolder) {
      ASSERT_TRUE(QDir().mkpath(folder));
      QFile(folder + "Start.inf").open(QIODevice::WriteOnly);
    }
    qputenv("TAVIK_FOLDER_COMMON_APPDATA", c.appdata.toUtf8());
    const StartResult r = start("");
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages[0].startsWith(QString(c.message) + " | ")) << r.messages[0].toStdString();
    EXPECT_TRUE(r.messages[0].endsWith(" | Tavik! wird beendet."));
    EXPECT_FALSE(r.frameOpened);
    if (c.makeFolder) {
      EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Start.inf"});
    } else {
      EXPECT_FALSE(QFileInfo::exists(folder));
    }
  }
}

TEST_F(StartupTest, AFileTheSystemRefusesIsNamedWithItsCodeNotTakenForARunningInstance) {
  ASSERT_TRUE(QDir().mkpath(data + "Konto.dat"));  // a folder where the file should be
  const StartResult r = start("");
  EXPECT_EQ(r.messages, QStringList{"Die Datei \"Konto.dat\" kann nicht geöffnet werden - Fehlercode 5 | "
                                    "Tavik! wird beendet."});
  EXPECT_FALSE(r.frameOpened);
}

TEST_F(StartupTest, AFirstStartOnAFullDiskSaysSoAndStaysAFirstStart) {
  marker();
  QProcess child;
  child.start(testing_support::selfPath(), {"--child=hauptprogramm", appdata.path(), "2048"});
  ASSERT_TRUE(child.waitForFinished(30000));
  const QString out = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
  EXPECT_TRUE(out.contains("kann nicht angelegt werden - Fehlercode")) << out.toStdString();
  EXPECT_FALSE(out.contains("Rahmen offen"));
  EXPECT_TRUE(QFile::exists(data + "Start.inf"));
  EXPECT_FALSE(QFile::exists(data + "Konto.dat"));

  // With room again, the next start is the first start: it seeds the accounts and takes the marker.
  const StartResult r = start("");
  EXPECT_TRUE(r.frameOpened);
  EXPECT_EQ(accounts(data + "Konto.dat"), kDefaults);
  EXPECT_FALSE(QFile::exists(data + "Start.inf"));
  EXPECT_TRUE(QDir(data).entryList({"*.new*"}, QDir::Files).isEmpty());
}

TEST_F(StartupTest, HalfMadeFilesOfAKilledStartAreRemoved) {
  marker();
  start("");
  for (const char* name : {"Konto.dat.new4711-0", "Buchung.dat.new4711-1", "Para.dat.new99-0"})
    QFile(data + name).open(QIODevice::WriteOnly);
  QFile(data + "Notiz.txt").open(QIODevice::WriteOnly);
  // Half-written printouts and exports of ended processes in the documents folder go too; those of
  // a process that still runs, and the user's own files, stay.
  TempFolder dokumente;
  qputenv("TAVIK_FOLDER_PERSONAL", dokumente.path().toUtf8());
  const QString laeuft = QString::number(QCoreApplication::applicationPid());
  for (const QString& name : {QString("Tavik.csv.new999999991-0"), QString("Kontenrahmen 2026.pdf.new999999992-3"),
                              QString("Tavik.csv"), QString("Brief.pdf"), QString("Brief.pdf.alt"),
                              "Tavik! Druck.pdf.new" + laeuft + "-0", QString("Notiz.txt.new999999993-0")})
    QFile(dokumente.file(name)).open(QIODevice::WriteOnly);
  EXPECT_TRUE(start("").frameOpened);
  qunsetenv("TAVIK_FOLDER_PERSONAL");
  EXPECT_EQ(QDir(data).entryList(QDir::Files),
            (QStringList{"Buchung.dat", "Konto.dat", "Notiz.txt", "Para.dat"}));
  EXPECT_EQ(QDir(dokumente.path()).entryList(QDir::Files),
            (QStringList{"Brief.pdf", "Brief.pdf.alt", "Notiz.txt.new999999993-0", "Tavik! Druck.pdf.new" + laeuft + "-0",
                         "Tavik.csv"}));
}

namespace {
// Loads booking 1 of the data folder for editing, as the booking form does, and dies there.
int dieWhileEditing(const QStringList& args) {
  KONTOPFAD = args.value(0) + "Konto.dat";
  BUCHUNGPFAD = args.value(0) + "Buchung.dat";
  rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
  if (KONTODATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) ||
      BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite))
    return 2;
  GEWAEHLTEBUCHUNG = 1;
  if (BuchungLadenFuerBearbeitung() != Laden::Geladen) return 3;
  std::raise(SIGKILL);
  return 4;
}
TAVIK_CHILD_MODE("bearbeiten", dieWhileEditing);
}  // namespace

TEST_F(StartupTest, ABookingBeingEditedWhenTheProgramDiedComesBack) {
  marker();
  start("");
  BUCHUNGPFAD = data + "Buchung.dat";
  ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  BUCHUNGDATEI.clear();
  BUCHUNG.NR = 1;
  BUCHUNG.KONTO = "4000";
  BUCHUNG.DATUM = rt::dateOf(rt::dayNumber(2026, 4, 1));
  BUCHUNG.BRUTTO = rt::Cents::fromReal(59.5);
  BUCHUNG.TEXT[0] = "Tanken";
  ASSERT_EQ(BUCHUNGDATEI.add(), 0);
  BUCHUNGDATEI.close();

  QProcess child;
  child.start(testing_support::selfPath(), {"--child=bearbeiten", data});
  ASSERT_TRUE(child.waitForFinished(30000));
  ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.exitCode();

  const StartResult r = start("");
  EXPECT_EQ(r.messages, QStringList{"Eine Buchung, die beim letzten Programmende gerade bearbeitet wurde, | "
                                    "ist wieder unter den gespeicherten Buchungen."});
  ASSERT_EQ(BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite), 0);
  BUCHUNG.NR = 1;
  ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
  EXPECT_EQ(BUCHUNG.TEXT[0].clip(), "Tanken");
  EXPECT_EQ(BUCHUNG.BRUTTO, rt::Cents::fromReal(59.5));
  BUCHUNGDATEI.close();
  EXPECT_TRUE(start("").messages.isEmpty());  // told once
}
