// The splash, the about window and the manual, driven as a user does.

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/common/Ereignisse.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Handbuch.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/frame/Startbild.h"
#include "platform/Files.h"
#include "platform/ShellOpen.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

using namespace rt::win;
using testing_support::settle;
using testing_support::TempFolder;

namespace {

// A window on a thread of its own that stands in for the sums window and counts its events.
struct Zaehler {
  Window w{WindowDef{.label = "ZAEHLER", .w = 40, .h = 20}};
  std::map<int, int> empfangen;
  int thread = 0;
  Zaehler() {
    thread = start([this] {
      w.open();
      w.attach([this](Window&, const Event& e) {
        if (e.code >= EV_User) ++empfangen[e.code];
        return Pass::Default;
      });
    });
  }
  ~Zaehler() { w.close(); }
};

struct StartbildTest : ::testing::Test {
  std::unique_ptr<Zaehler> summen;
  Window* splash = nullptr;
  void SetUp() override {
    summen = std::make_unique<Zaehler>();
    THREADSUMMEN = summen->thread;
    STARTBILDAKTIV = 1;
    start(Startbild);
    settle();
    splash = findWindow("P7$WIN");
    ASSERT_NE(splash, nullptr);
  }
  void TearDown() override {
    StartbildSchliessen();
    settle();
    summen.reset();
    THREADSUMMEN = 0;
  }
  int ends() { return summen->empfangen[EVENT_StartbildEnde]; }
  bool up() { return findWindow("P7$WIN") != nullptr; }
};

}  // namespace

TEST_F(StartbildTest, ItsTimerOfSixSecondsEndsItAndTellsTheSumsWindowOnce) {
  const QTimer* timer = splash->topWidget()->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 6000);
  EXPECT_TRUE(timer->isActive());
  EXPECT_TRUE(STARTBILDAKTIV);
  post(EV_Timer, splash->thread());  // the timer's event, without waiting six seconds
  settle();
  EXPECT_FALSE(up());
  EXPECT_EQ(STARTBILDAKTIV, 0);
  EXPECT_EQ(ends(), 1);
}

TEST_F(StartbildTest, EitherMouseButtonEndsItAtOnceAndOnlyOnce) {
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton}) {
    SCOPED_TRACE(b);
    if (!splash) {
      STARTBILDAKTIV = 1;
      start(Startbild);
      settle();
      splash = findWindow("P7$WIN");
      ASSERT_NE(splash, nullptr);
    }
    summen->empfangen.clear();
    QWidget* picture = splash->widget(1);
    const int thread = splash->thread();
    QTest::mouseClick(picture, b);
    QTest::mouseClick(picture, b);  // a second click finds no splash any more
    settle();
    post(EV_Timer, thread);
    settle();
    EXPECT_FALSE(up());
    EXPECT_EQ(STARTBILDAKTIV, 0);
    EXPECT_EQ(ends(), 1);
    splash = nullptr;
  }
}

TEST_F(StartbildTest, AKeyPressDoesNotEndIt) {
  for (Qt::Key k : {Qt::Key_Space, Qt::Key_Return, Qt::Key_A, Qt::Key_Escape, Qt::Key_F2})
    QTest::keyClick(splash->topWidget(), k);
  settle();
  EXPECT_TRUE(up());
  EXPECT_EQ(STARTBILDAKTIV, 1);
  EXPECT_EQ(ends(), 0);
  QTest::mouseClick(splash->topWidget(), Qt::LeftButton);
  settle();
  EXPECT_EQ(ends(), 1);
}

TEST_F(StartbildTest, ClosedByOtherMeansItTellsNobodyButStillClearsTheFlag) {
  splash->topWidget()->close();
  settle();
  EXPECT_FALSE(up());
  EXPECT_EQ(STARTBILDAKTIV, 0);
  EXPECT_EQ(ends(), 0);
}

TEST_F(StartbildTest, ItShowsThePictureVersionAndSlogan) {
  EXPECT_FALSE(splash->def().caption[0]);
  EXPECT_EQ(splash->position().y(), 45);
  EXPECT_EQ(splash->position().size(), QSize(282, 152));
  EXPECT_EQ(splash->text(2), "- 2.0 -");
  EXPECT_EQ(splash->text(3), "Die unkomplizierte Einnahme-Überschuss-Rechnung");
  EXPECT_EQ(splash->textColour(2), QColor(32, 80, 128));
  EXPECT_FALSE(splash->topWidget()->grab().isNull());
}

// ---------------------------------------------------------------------------------------------
// The about window

namespace {

struct InfoTest : ::testing::Test {
  TempFolder folder;
  void SetUp() override {
    PARA = PARA_T{};
    PARAPFAD = folder.file("Para.dat");
    RahmenOeffnen();
    WinMain.attach(RahmenEreignis);
    settle();
  }
  void TearDown() override {
    WinMain.close();
    settle();
    PARA = PARA_T{};
  }
};

}  // namespace

TEST_F(InfoTest, EachInfoOpensAnotherAboutWindowWithTheDataFolder) {
  DATENORDNER = "Programmordner";
  WinMain.action(FELD_INFO)->trigger();
  settle();
  Window* first = findWindow("P50$WIN");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->text(5), "Programmordner");
  EXPECT_EQ(first->text(4), "Daten-Ordner:");
  EXPECT_NE(first->thread(), WinMain.thread());
  DATENORDNER = "/home/erika/.local/share/Dolmix/Tavik/";
  WinMain.action(FELD_INFO)->trigger();
  settle();
  Window* second = findWindow("P50$WIN");
  ASSERT_NE(second, first);
  EXPECT_NE(second->thread(), first->thread());
  EXPECT_EQ(second->text(5), "/home/erika/.local/share/Dolmix/Tavik/");
  EXPECT_EQ(first->text(5), "Programmordner") << "each shows the folder of its moment";
  // The frame goes on working while they are open; each closes by itself.
  EXPECT_TRUE(WinMain.takesInput());
  second->topWidget()->close();
  settle();
  EXPECT_EQ(findWindow("P50$WIN"), first);
  first->topWidget()->close();
  settle();
  EXPECT_EQ(findWindow("P50$WIN"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The manual

namespace {

struct HandbuchTest : ::testing::Test {
  TempFolder programm, daten;
  QString vorher;
  QStringList gestartet;  // the documents handed to the desktop
  bool programmDa = true;
  QStringList meldungen;
  std::function<void(Window&)> tipp;  // drives the tip window when it opens
  int tippGezeigt = 0;

  void SetUp() override {
    vorher = platform::currentFolder();
    platform::setCurrentFolder(programm.path());
    PARA = PARA_T{};
    PARAPFAD = daten.file("Para.dat");
    clearKeyAliases();
    platform::setDocumentStarterForTesting([this](const QString& path) {
      gestartet << path;
      return programmDa;
    });
    setOpenHook([this](Window& w) {
      if (w.label() == "P9$WIN") {
        QStringList rows;
        for (int f = 3; f <= 6; ++f) rows << w.text(f).trimmed();
        meldungen << rows.join(" | ");
        QTest::keyClick(w.widget(7), Qt::Key_Return);
      } else if (w.label() == "P54$WINHANDBUCHLAYOUT") {
        ++tippGezeigt;
        if (tipp) tipp(w);
      }
    });
  }
  void TearDown() override {
    setOpenHook(nullptr);
    platform::setDocumentStarterForTesting(nullptr);
    platform::setCurrentFolder(vorher);
    clearKeyAliases();
    PARA = PARA_T{};
  }
  void handbuch() { QFile(programm.file("Tavik.pdf")).open(QIODevice::WriteOnly); }
  static void laden() {
    PARA = PARA_T{};
    ParameterLaden();
  }
};

const QString kFehlt =
    "Das Handbuch ist ein PDF Dokument. Es ist jedoch kein Programm | "
    "zum Lesen und Anzeigen von PDF Dokumenten installiert. | "
    "Tipp: Du kannst den Acrobat Reader von Adobe kostenfrei von der | "
    "Homepage https://get.adobe.com/de/reader/ herunterladen und installieren.";

}  // namespace

TEST_F(HandbuchTest, WithoutTheTipTheManualOpensAtOnceAndNothingIsSaved) {
  handbuch();
  PARA.ACROBATHILFE = 0;
  HandbuchOeffnen();
  EXPECT_EQ(tippGezeigt, 0);
  EXPECT_EQ(gestartet, QStringList{QDir(programm.path()).filePath("Tavik.pdf")});
  EXPECT_TRUE(meldungen.isEmpty());
  EXPECT_FALSE(QFile::exists(PARAPFAD.clip()));
}

TEST_F(HandbuchTest, TheTipComesFirstAndEveryWayOutOfItSavesAndOpens) {
  handbuch();
  struct Case {
    const char* name;
    bool untick;
    std::function<void(Window&)> leave;
    int stored;
  };
  const Case cases[] = {
      {"Ok clicked", false, [](Window& w) { QTest::mouseClick(w.widget(1), Qt::LeftButton); }, 1},
      {"Enter on the check box", true, [](Window& w) { QTest::keyClick(w.widget(2), Qt::Key_Return); }, 0},
      {"close request", true, [](Window& w) { QTest::keyClick(w.widget(1), Qt::Key_Escape); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    laden();
    PARA.ACROBATHILFE = 1;
    ParameterSpeichern();
    gestartet.clear();
    tippGezeigt = 0;
    tipp = [&](Window& w) {
      QTimer::singleShot(0, [this, &w, &c] {
        settle();
        EXPECT_EQ(w.text(2), "Diesen Tipp weiterhin anzeigen");
        EXPECT_TRUE(static_cast<QCheckBox*>(w.widget(2))->isChecked());
        EXPECT_TRUE(gestartet.isEmpty()) << "the manual waits for the tip";
        if (c.untick) QTest::mouseClick(w.widget(2), Qt::LeftButton, {}, QPoint(5, 5));
        settle();
        c.leave(w);
      });
    };
    HandbuchOeffnen();
    EXPECT_EQ(tippGezeigt, 1);
    EXPECT_EQ(gestartet.size(), 1);
    EXPECT_EQ(PARA.ACROBATHILFE, c.stored);
    laden();  // as after a restart
    EXPECT_EQ(PARA.ACROBATHILFE, c.stored);
    // The next call shows the tip again only while the tick is kept.
    tipp = [](Window& w) { QTimer::singleShot(0, [&w] { QTest::keyClick(w.widget(1), Qt::Key_Return); }); };
    HandbuchOeffnen();
    EXPECT_EQ(tippGezeigt, c.stored ? 2 : 1);
  }
  EXPECT_TRUE(meldungen.isEmpty());
}

TEST_F(HandbuchTest, EnterPressesOkAlsoInTheExtendedKeyboardMode) {
  handbuch();
  PARA.ACROBATHILFE = 1;
  PARA.TASTATUR = 1;
  setKeyAlias(VK_Enter, VK_Tab);  // as the windows of the extended mode leave them
  tipp = [](Window& w) { QTimer::singleShot(0, [&w] { settle(); QTest::keyClick(w.widget(1), Qt::Key_Return); }); };
  HandbuchOeffnen();
  EXPECT_EQ(tippGezeigt, 1);
  EXPECT_EQ(gestartet.size(), 1);
}

TEST_F(HandbuchTest, AMissingManualAndAMissingProgramGiveTheSameMessage) {
  PARA.ACROBATHILFE = 0;
  HandbuchOeffnen();  // no "Tavik.pdf" in the current folder
  EXPECT_TRUE(gestartet.isEmpty());
  handbuch();
  programmDa = false;
  HandbuchOeffnen();
  EXPECT_EQ(gestartet.size(), 1);
  EXPECT_EQ(meldungen, QStringList({kFehlt, kFehlt}));
}

// The desktop's start itself, with a stand-in for "gio" that writes down what it was asked.
TEST(DocumentOpenTest, TheDesktopStartsTheAssociatedProgramAndReportsAFailure) {
  TempFolder bin, docs;
  const QByteArray pathBefore = qgetenv("PATH");
  QFile script(bin.file("gio"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\necho \"$@\" >> \"$GIO_LOG\"\nexit \"$GIO_EXIT\"\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("PATH", bin.path().toUtf8());
  qputenv("GIO_LOG", bin.file("log").toUtf8());
  const QString vorher = platform::currentFolder();
  platform::setCurrentFolder(docs.path());
  QFile(docs.file("Tavik.pdf")).open(QIODevice::WriteOnly);
  auto log = [&] {
    QFile f(bin.file("log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
  };
  const QString voll = QDir(docs.path()).filePath("Tavik.pdf");

  qputenv("GIO_EXIT", "0");
  EXPECT_TRUE(platform::openDocument("Tavik.pdf"));
  EXPECT_EQ(log(), "open " + voll);
  qputenv("GIO_EXIT", "2");  // no program for the type
  EXPECT_FALSE(platform::openDocument("Tavik.pdf"));
  QFile::remove(docs.file("Tavik.pdf"));
  QFile::remove(bin.file("log"));
  EXPECT_FALSE(platform::openDocument("Tavik.pdf"));
  EXPECT_EQ(log(), "") << "a missing document starts nothing";
  QFile(docs.file("Tavik.pdf")).open(QIODevice::WriteOnly);
  QFile::remove(bin.file("gio"));
  EXPECT_FALSE(platform::openDocument("Tavik.pdf")) << "no way to start a program";

  platform::setCurrentFolder(vorher);
  qputenv("PATH", pathBefore);
  qunsetenv("GIO_LOG");
  qunsetenv("GIO_EXIT");
}
