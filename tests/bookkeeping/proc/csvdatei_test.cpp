#include "bookkeeping/proc/CsvDatei.h"
#include "platform/FileLock.h"
#include "runtime/text/Cp1252.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/bookkeeping/proc/Dateigrenze.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <string>

using testing_support::TempFolder;

namespace {

std::string inhalt(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll().toStdString();
}

void schreiben(const QString& path, const std::string& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string cp(const char* utf8) { return rt::utf8ToCp1252(utf8); }

struct CsvDateiTest : ::testing::Test {
  TempFolder folder;
  QString datei = folder.file("Tavik.csv");
  void TearDown() override { CsvDateiFreigeben(); }
  QStringList eintraege() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
};

}  // namespace

TEST_F(CsvDateiTest, FieldsPassTheFilterAndEndInTheSeparatorOrTheLineEnd) {
  struct Fall {
    const char* name;
    const char* trenner;
    std::string wert;
    int anfuehrung, zeilenende;
    std::string erwartet;
  };
  const Fall faelle[] = {
      {"empty separator", "", "a", 0, 0, "a;"},
      {"blank separator", " ", "a", 0, 0, "a;"},
      {"comma; a semicolon passes", ",", "a;b,c", 0, 0, "a;b c,"},
      {"first character of a longer text", "|;", "a|b", 0, 0, "a b|"},
      {"separator inside", ";", "Miete; Mai", 0, 0, "Miete  Mai;"},
      {"leading blanks stay, trailing go", ";", "  12,50  ", 0, 0, "  12,50;"},
      {"trailing blanks go before the filter", ";", "Miete;", 0, 0, "Miete ;"},
      {"quote inside a quoted field", ";", "ab\"cd", 1, 0, "\"ab cd\";"},
      {"quote without the flag", ";", "ab\"cd", 0, 0, "ab\"cd;"},
      {"umlauts, sharp s and square", ";", cp("Größe 2² ÄÖÜäöü"), 0, 0, cp("Größe 2² ÄÖÜäöü;")},
      {"only é of the accents", ";", cp("Café à la carte É ç"), 0, 0, cp("Café   la carte    ;")},
      {"line break", ";", "Zeile 1\r\nZeile 2", 0, 0, "Zeile 1  Zeile 2;"},
      {"tab blank, 0B and 0C pass, 7F passes", ";", "a\tb\x0B\x0C\x7F", 0, 0, "a b\x0B\x0C\x7F;"},
      {"euro sign last", ";", cp("5 €"), 0, 0, "5  ;"},
      {"other control bytes", ";", std::string("a\x01\x1F\x00z", 5), 0, 0, "a   z;"},
      {"empty value", ";", "", 0, 0, ";"},
      {"all blank, quoted", ";", "   ", 1, 0, "\"\";"},
      {"end of line", ";", "x", 0, 1, "x\r\n"},
      {"quoted end of line", ";", "x", 1, 1, "\"x\"\r\n"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.name);
    std::int16_t fehler = -1;
    ASSERT_EQ(CsvDateiOeffnen(datei, f.trenner, fehler), 1);
    EXPECT_EQ(fehler, 0);
    CsvFeldSchreiben(f.wert, static_cast<std::uint8_t>(f.anfuehrung), static_cast<std::uint8_t>(f.zeilenende));
    ASSERT_EQ(CsvDateiSchliessen(), 0);
    EXPECT_EQ(inhalt(datei), f.erwartet);
  }
}

TEST_F(CsvDateiTest, TextsAreWrittenUnfilteredWithoutTrailingBlanks) {
  std::int16_t fehler = 0;
  ASSERT_EQ(CsvDateiOeffnen(datei + "  ", ",", fehler), 1);  // trailing blanks of the name are ignored
  CsvTextSchreiben("Konto;Name;\r\n");
  CsvTextSchreiben("a;b\t\xA4  ");
  CsvFeldSchreiben("x", 0, 1);
  ASSERT_EQ(CsvDateiSchliessen(), 0);
  EXPECT_EQ(inhalt(datei), "Konto;Name;\r\na;b\t\xA4x\r\n");
  EXPECT_EQ(eintraege(), QStringList{"Tavik.csv"});
}

TEST_F(CsvDateiTest, AFileThatCannotBeMadeIsReportedAndNothingIsWritten) {
  std::int16_t fehler = 0;
  EXPECT_EQ(CsvDateiOeffnen(folder.file("fehlt/Tavik.csv"), "", fehler), 0);
  EXPECT_EQ(fehler, 3);
  CsvFeldSchreiben("x", 0, 0);
  EXPECT_EQ(CsvDateiSchliessen(), 0);
  EXPECT_FALSE(QFile::exists(folder.file("fehlt")));

  ASSERT_TRUE(QDir(folder.path()).mkdir("Tavik.csv"));  // a folder in the file's place
  EXPECT_EQ(CsvDateiOeffnen(datei, "", fehler), 0);
  EXPECT_EQ(fehler, 5);
  ASSERT_TRUE(QDir(folder.path()).rmdir("Tavik.csv"));

  // A file that another holds is left as it is.
  schreiben(datei, "alt");
  platform::FileLock anderer;
  ASSERT_EQ(anderer.acquire(QFile::encodeName(datei).toStdString(), platform::LockMode::Exclusive),
            platform::FileError::None);
  EXPECT_EQ(CsvDateiOeffnen(datei, "", fehler), 0);
  EXPECT_EQ(fehler, 5);
  anderer.release();
  EXPECT_EQ(inhalt(datei), "alt");
  EXPECT_EQ(eintraege(), QStringList{"Tavik.csv"});
}

TEST_F(CsvDateiTest, AnEarlierFileIsReplacedOnlyWhenTheNewOneIsComplete) {
  schreiben(datei, "eine lange alte Datei\r\n");
  std::int16_t fehler = 0;
  ASSERT_EQ(CsvDateiOeffnen(datei, "", fehler), 1);
  CsvFeldSchreiben("neu", 0, 1);
  EXPECT_EQ(inhalt(datei), "eine lange alte Datei\r\n");  // untouched while the new one is written
  ASSERT_EQ(CsvDateiSchliessen(), 0);
  EXPECT_EQ(inhalt(datei), "neu\r\n");

  // A write that fails (here: beyond the largest file this process may write) keeps the old file.
  ASSERT_EQ(CsvDateiOeffnen(datei, "", fehler), 1);
  std::int16_t code = 0;
  {
    const Dateigrenze grenze(1000);
    for (int i = 0; i < 20000; ++i) CsvFeldSchreiben("Zeile", 0, 1);
    code = CsvDateiSchliessen();
  }
  EXPECT_EQ(code, 31);
  EXPECT_EQ(inhalt(datei), "neu\r\n");
  EXPECT_EQ(eintraege(), QStringList{"Tavik.csv"});
}

// What killed programs left beside the file goes when it is opened again; a write still under way
// (of this process, or of another one that runs) and every other file stay.
TEST_F(CsvDateiTest, LeftoversOfKilledWritesGoWhenTheFileIsOpenedAgain) {
  QProcess beendet;  // its number is that of no running process any more
  beendet.start("true", {});
  ASSERT_TRUE(beendet.waitForStarted());
  const QString tot = QString::number(beendet.processId());
  ASSERT_TRUE(beendet.waitForFinished());
  QProcess laeuft;
  laeuft.start("sleep", {"30"});
  ASSERT_TRUE(laeuft.waitForStarted());
  const QString lebt = QString::number(laeuft.processId());
  const QString ich = QString::number(QCoreApplication::applicationPid());
  const QStringList weg = {"Tavik.csv.new" + tot + "-0", "Tavik.csv.new" + tot + "-7"};
  const QStringList bleiben = {"Tavik.csv", "Tavik.csv.new" + ich + "-0", "Tavik.csv.new" + lebt + "-0",
                               "Tavik.csv.new" + tot, "Tavik.csv.new" + tot + "-x", "Tavik.csv.new" + tot + "-1.bak",
                               "Tavik.csv.new-" + tot + "-0", "Tavik.csv.new0-0", "Tavik.csv.newer",
                               "Andere.csv.new" + tot + "-0", "tavik.csv.new" + tot + "-0"};
  for (const QString& name : weg + bleiben) schreiben(folder.file(name), "x");
  QDir(folder.path()).mkdir("Tavik.csv.new" + tot + "-1");
  TempFolder anderer;
  schreiben(anderer.file("Tavik.csv.new" + tot + "-0"), "x");

  std::int16_t fehler = 0;
  ASSERT_EQ(CsvDateiOeffnen(datei + "  ", "", fehler), 1);
  for (const QString& name : weg) EXPECT_FALSE(QFileInfo::exists(folder.file(name))) << name.toStdString();
  for (const QString& name : bleiben) EXPECT_EQ(inhalt(folder.file(name)), "x") << name.toStdString();
  EXPECT_TRUE(QFileInfo(folder.file("Tavik.csv.new" + tot + "-1")).isDir());
  EXPECT_EQ(inhalt(anderer.file("Tavik.csv.new" + tot + "-0")), "x");
  CsvFeldSchreiben("neu", 0, 1);
  ASSERT_EQ(CsvDateiSchliessen(), 0);
  EXPECT_EQ(inhalt(datei), "neu\r\n");
  laeuft.kill();
  laeuft.waitForFinished();
}

// Two threads write two files at the same time, each with its own separator.
TEST_F(CsvDateiTest, EachThreadHasItsOwnWriter) {
  using namespace rt::win;
using testing_support::settle;
  struct Schreiber {
    Window fenster{WindowDef{.label = "SCHREIBER", .w = 40, .h = 20}};
    int thread = 0;
  };
  Schreiber a, b;
  enum { OEFFNEN = EV_User + 50, FELD, SCHLIESSEN };
  auto starten = [&](Schreiber& s, const QString& name, const char* trenner) {
    s.thread = start([&s, name, trenner] {
      s.fenster.open();
      s.fenster.attach([name, trenner](Window&, const Event& e) {
        std::int16_t fehler = 0;
        if (e.code == OEFFNEN) {
          EXPECT_EQ(CsvDateiOeffnen(name, trenner, fehler), 1);
        } else if (e.code == FELD) {
          CsvFeldSchreiben(std::to_string(currentThread()) + ";,", 0, 0);
        } else if (e.code == SCHLIESSEN) {
          EXPECT_EQ(CsvDateiSchliessen(), 0);
          CsvDateiFreigeben();
        }
        return Pass::Default;
      });
    });
  };
  starten(a, folder.file("a.csv"), ",");
  starten(b, folder.file("b.csv"), ";");
  for (int code : {OEFFNEN, FELD, FELD, SCHLIESSEN}) {
    post(code, a.thread);
    post(code, b.thread);
    settle();
  }
  const std::string na = std::to_string(a.thread), nb = std::to_string(b.thread);
  EXPECT_EQ(inhalt(folder.file("a.csv")), na + "; ," + na + "; ,");
  EXPECT_EQ(inhalt(folder.file("b.csv")), nb + " ,;" + nb + " ,;");
  a.fenster.close();
  b.fenster.close();
  settle();
}
