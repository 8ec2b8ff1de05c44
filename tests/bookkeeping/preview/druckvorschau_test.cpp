#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "runtime/report/Report.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

using namespace rt::win;
using testing_support::settle;
using rt::report::Report;
using rt::report::ReportDef;

namespace {

enum Feld { LUPEAUS = 1, ZOOM, VORSCHAUBOX, VORSCHAU, PREV, NEXT, PRINT, EXIT };

const bool kPdfOnly = qputenv("TAVIK_PRINTER_PDF", "1");

rt::String<30> ZEILE;

ReportDef probeBericht(const char* label, const char* titel, bool quer = false) {
  using rt::report::Kind;
  ReportDef d;
  d.label = label;
  d.title = titel;
  d.landscape = quer;
  d.header = {.label = "?KOPF",
              .controls = {{.label = "?TITEL", .kind = Kind::Text, .text = titel, .x = 20, .y = 10},
                           {.label = "?SEITE", .kind = Kind::PageNumber, .picture = "@N3", .x = 170, .y = 10,
                            .w = 20, .attrs = rt::report::A_Right}}};
  d.bands = {{.label = "?DETAIL",
              .controls = {{.label = "?ZEILE", .kind = Kind::String, .picture = "@S30", .x = 0, .y = 0, .w = 120,
                            .bound = ZEILE}}}};
  return d;
}
const ReportDef kKassenbuch = probeBericht("KASSE$REP", "Kassenbuch");
const ReportDef kKontenplan = probeBericht("KONTEN$REP", "Kontenplan", true);

// What the user sees of the preview.
struct Ansicht {
  QRect fenster, box, bild, zurueck, vor, drucken, abbruch, zoom, lupeAus;
};

class DruckvorschauTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kPdfOnly);
    qputenv("TAVIK_FOLDER_PERSONAL", documents_.path().toUtf8());
    VORSCHAUANSICHT = {};  // a fresh run of the program
    KOMMANDOZEILE = "";
  }
  void TearDown() override {
    if (Window* w = vorschau()) {
      QTest::mouseClick(w->widget(EXIT), Qt::LeftButton);
      settle();
    }
    KOMMANDOZEILE = "";
    qunsetenv("TAVIK_FOLDER_PERSONAL");
  }

  // Pages of `zeilen` detail lines each, the first naming its page.
  static void seitenDrucken(Report& bericht, int seiten, int zeilen) {
    for (int i = 1; i <= seiten; ++i) {
      for (int z = 1; z <= zeilen; ++z) {
        ZEILE = z == 1 ? QString("Zeile auf Seite %1").arg(i) : QString("Buchung %1 über 1.234,56 €").arg(z);
        bericht.print("?DETAIL");
      }
      bericht.pageBreak();
    }
  }

  // Runs the report with `seiten` pages into SEITENQUEUE and opens the preview on a thread of its own,
  // as the print dialog does on the frame's thread.
  Window* zeigen(Report& bericht, int seiten, std::uint8_t druckenVerbergen = 0, std::uint8_t hochformat = 1,
                 int zeilen = 1) {
    SEITENQUEUE.clear();
    bericht.open(SEITENQUEUE);
    seitenDrucken(bericht, seiten, zeilen);
    fertig_ = false;
    ergebnis_ = 99;
    start([this, &bericht, druckenVerbergen, hochformat] {
      ergebnis_ = Druckvorschau(bericht, -50, hochformat, druckenVerbergen);
      fertig_ = true;
    });
    settle();
    return vorschau();
  }
  // The same report built in steps, as the evaluations build it: the preview opens with page 1 while
  // the other pages are still to come.
  Window* zeigenInSchritten(Report& bericht, int seiten, int zeilen) {
    SEITENQUEUE.clear();
    bericht.open(SEITENQUEUE);
    bericht.build([&bericht, seiten, zeilen] { seitenDrucken(bericht, seiten, zeilen); });
    fertig_ = false;
    ergebnis_ = 99;
    start([this, &bericht] {
      ergebnis_ = Druckvorschau(bericht, -50, 1, 0);
      fertig_ = true;
    });
    // As soon as it is there: the building goes on whenever events are handled.
    QElapsedTimer uhr;
    uhr.start();
    while (!vorschau() && uhr.elapsed() < 10000) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return vorschau();
  }
  static Window* vorschau() { return findWindow("P18$WINVORSCHAU"); }

  // Ends the preview with a click on that button and returns its result.
  int verlassen(Window* w, int knopf) {
    klicken(w, knopf);
    EXPECT_TRUE(fertig_);
    return ergebnis_;
  }

  static void klicken(Window* w, int feld) {
    QTest::mouseClick(w->widget(feld), Qt::LeftButton);
    settle();
  }
  static void taste(Window* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* ziel = w->topWidget()->focusWidget() ? w->topWidget()->focusWidget() : w->topWidget();
    QTest::keyClick(ziel, key, mods);
    settle();
  }
  // The key typed `mal` times in a row, faster than the preview handles them: they wait in its queue.
  static void tasten(Window* w, Qt::Key key, int mal) {
    QWidget* ziel = w->topWidget()->focusWidget() ? w->topWidget()->focusWidget() : w->topWidget();
    for (int i = 0; i < mal; ++i) QTest::keyClick(ziel, key);
    settle();
  }
  // The user drags the window's edge.
  static void ziehen(Window* w, int breite, int hoehe) {
    const QSizeF du = w->dialogUnit();
    w->topWidget()->resize(qRound(breite * du.width()), qRound(hoehe * du.height()));
    settle();
  }
  static QImage seite(Window* w) { return w->widget(VORSCHAU)->grab().toImage(); }
  static Ansicht ansicht(Window* w) {
    return {w->position(),           w->controlPosition(VORSCHAUBOX), w->controlPosition(VORSCHAU),
            w->controlPosition(PREV), w->controlPosition(NEXT),        w->controlPosition(PRINT),
            w->controlPosition(EXIT), w->controlPosition(ZOOM),        w->controlPosition(LUPEAUS)};
  }
  static void normalAnsichtPruefen(Window* w) {
    const Ansicht a = ansicht(w);
    EXPECT_EQ(a.fenster.size(), QSize(280, 313));
    EXPECT_EQ(a.box, QRect(7, 7, 212, 299));
    EXPECT_EQ(a.bild, QRect(8, 8, 210, 297));
    EXPECT_EQ(a.zurueck.x(), 232);
    EXPECT_EQ(a.vor.x(), 232);
    EXPECT_EQ(a.drucken.x(), 226);
    EXPECT_EQ(a.abbruch.x(), 226);
    EXPECT_EQ(a.zoom.width(), 210);
    EXPECT_GE(a.lupeAus.x(), a.fenster.width());  // out of reach
    EXPECT_FALSE(rollbalken(w));
  }
  static void lupenAnsichtPruefen(Window* w, int hoehe) {
    const Ansicht a = ansicht(w);
    EXPECT_EQ(a.fenster.size(), QSize(490, hoehe));
    EXPECT_EQ(a.box, QRect(7, 0, 422, hoehe));
    EXPECT_EQ(a.bild, QRect(8, 0, 420, hoehe));
    EXPECT_EQ(a.zurueck.x(), 442);
    EXPECT_EQ(a.drucken.x(), 436);
    EXPECT_EQ(a.zoom.width(), 0);
    EXPECT_LE(a.lupeAus.right(), a.fenster.width());  // within reach
    EXPECT_TRUE(rollbalken(w));  // the page is higher than the window
  }
  static bool rollbalken(Window* w) {
    auto* bild = qobject_cast<QAbstractScrollArea*>(w->widget(VORSCHAU));
    return bild && bild->verticalScrollBar()->isVisible();
  }

  QStringList pdfDateien() const { return QDir(documents_.path()).entryList({"*.pdf"}, QDir::Files); }
  QString pdfText(const QString& datei) const {
    QProcess p;
    p.start("pdftotext", {"-layout", documents_.file(datei), "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
  }

  testing_support::TempFolder documents_;
  Report kasse_{kKassenbuch};
  Report konten_{kKontenplan};
  Report schritte_{kKassenbuch};  // the same report, built in steps
  bool fertig_ = false;
  int ergebnis_ = 99;
};

}  // namespace

TEST_F(DruckvorschauTest, FirstPreviewOpensNormalAtItsPlaceAndStepsThroughThePages) {
  Window* w = zeigen(kasse_, 3);
  ASSERT_TRUE(w);
  EXPECT_FALSE(fertig_);
  EXPECT_EQ(VORSCHAUANSICHT.X, 125);
  EXPECT_EQ(VORSCHAUANSICHT.Y, -50);
  // The start value stays, but the window stands where its title bar can be reached.
  EXPECT_EQ(w->position().x(), 125);
  EXPECT_EQ(w->topWidget()->frameGeometry().top(), w->topWidget()->screen()->availableGeometry().top());
  normalAnsichtPruefen(w);
  EXPECT_EQ(w->topWidget()->windowTitle(), "Druckvorschau - Kassenbuch");
  EXPECT_EQ(w->wallpaper(), "Druckvorschau.gif");
  EXPECT_FALSE(w->isHidden(PRINT));

  const QImage s1 = seite(w);
  taste(w, Qt::Key_PageUp);  // already on the first page
  EXPECT_EQ(seite(w), s1);
  taste(w, Qt::Key_PageDown);
  const QImage s2 = seite(w);
  EXPECT_NE(s2, s1);
  klicken(w, NEXT);
  const QImage s3 = seite(w);
  EXPECT_NE(s3, s2);
  EXPECT_NE(s3, s1);
  taste(w, Qt::Key_PageDown);  // the last page: no wrap to the first
  EXPECT_EQ(seite(w), s3);
  klicken(w, NEXT);
  EXPECT_EQ(seite(w), s3);
  taste(w, Qt::Key_PageUp);
  EXPECT_EQ(seite(w), s2);
  klicken(w, PREV);
  EXPECT_EQ(seite(w), s1);
  taste(w, Qt::Key_PageUp);
  EXPECT_EQ(seite(w), s1);

  EXPECT_EQ(verlassen(w, EXIT), 0);
  EXPECT_FALSE(vorschau());
  const rt::report::PrintOutcome out = kasse_.close();
  EXPECT_EQ(out.pages, 0);
  EXPECT_TRUE(pdfDateien().isEmpty());
}

TEST_F(DruckvorschauTest, OnePageAndNoPage) {
  Window* w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  const QImage s1 = seite(w);
  for (Qt::Key k : {Qt::Key_PageDown, Qt::Key_PageUp}) {
    taste(w, k);
    EXPECT_EQ(seite(w), s1);
  }
  EXPECT_EQ(verlassen(w, EXIT), 0);
  kasse_.close();

  // No page at all: the page area stays empty, the keys change nothing, printing sends nothing.
  w = zeigen(kasse_, 0);
  ASSERT_TRUE(w);
  EXPECT_EQ(SEITENQUEUE.records(), 0u);
  const QImage leer = seite(w);
  EXPECT_NE(leer, s1);
  for (Qt::Key k : {Qt::Key_PageDown, Qt::Key_PageUp}) {
    taste(w, k);
    EXPECT_EQ(seite(w), leer);
  }
  EXPECT_EQ(verlassen(w, PRINT), 1);
  const rt::report::PrintOutcome out = kasse_.close();
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.pages, 0);
  EXPECT_TRUE(pdfDateien().isEmpty());
}

TEST_F(DruckvorschauTest, TheViewIsRememberedIntoTheNextPreview) {
  Window* w = zeigen(kasse_, 2);
  ASSERT_TRUE(w);
  klicken(w, ZOOM);  // a click on the page magnifies it
  lupenAnsichtPruefen(w, 500);
  const QImage gross = seite(w);
  EXPECT_GT(gross.width(), 420 * w->dialogUnit().width() * 0.9);

  ziehen(w, 490, 420);  // the height may change
  lupenAnsichtPruefen(w, 420);
  ziehen(w, 350, 420);  // the width may not
  lupenAnsichtPruefen(w, 420);
  ziehen(w, 490, 150);  // nor the height below 210
  lupenAnsichtPruefen(w, 210);
  ziehen(w, 490, 380);
  w->setPosition(60, 40, 490, 380);
  settle();
  lupenAnsichtPruefen(w, 380);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  EXPECT_EQ(VORSCHAUANSICHT.BREITE, 490);
  EXPECT_EQ(VORSCHAUANSICHT.LUPENHOEHE, 380);
  kasse_.close();

  // Another report opens magnified, at the same place and height.
  w = zeigen(konten_, 1);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->position().topLeft(), QPoint(60, 40));
  lupenAnsichtPruefen(w, 380);
  EXPECT_EQ(w->topWidget()->windowTitle(), "Druckvorschau - Kontenplan");
  klicken(w, LUPEAUS);  // back to the normal view
  normalAnsichtPruefen(w);
  EXPECT_EQ(VORSCHAUANSICHT.LUPENHOEHE, 380);
  ziehen(w, 320, 400);  // the normal view keeps its size
  normalAnsichtPruefen(w);
  ziehen(w, 280, 250);
  normalAnsichtPruefen(w);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  // Closed in the normal view: its height is the magnified view's next height.
  EXPECT_EQ(VORSCHAUANSICHT.BREITE, 280);
  EXPECT_EQ(VORSCHAUANSICHT.LUPENHOEHE, 313);
  konten_.close();

  w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  normalAnsichtPruefen(w);
  EXPECT_EQ(w->position().topLeft(), QPoint(60, 40));
  klicken(w, ZOOM);
  lupenAnsichtPruefen(w, 313);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  kasse_.close();
}

// However the preview is closed, the next one stands exactly where the user left it, to the pixel,
// in the view it was left in and, magnified, as high as it was.
TEST_F(DruckvorschauTest, EveryWayOfClosingKeepsThePlaceAndTheMagnifiedHeight) {
  struct Weg {
    const char* name;
    std::function<void(Window*)> schliessen;
    int ergebnis;
  };
  const Weg wege[] = {
      {"Esc", [](Window* w) { taste(w, Qt::Key_Escape); }, 0},
      {"close box", [](Window* w) { w->topWidget()->close(); settle(); }, 0},
      {"Abbruch", [](Window* w) { klicken(w, EXIT); }, 0},
      {"print", [](Window* w) { klicken(w, PRINT); }, 1},
  };
  QPoint ort(331, 97);
  for (const Weg& weg : wege) {
    for (const bool gross : {false, true}) {
      SCOPED_TRACE(std::string(weg.name) + (gross ? ", magnified" : ", normal"));
      Window* w = zeigen(kasse_, 2);
      ASSERT_TRUE(w);
      if (gross != (VORSCHAUANSICHT.BREITE == 490)) klicken(w, gross ? ZOOM : LUPEAUS);
      QWidget* fenster = w->topWidget();
      if (gross) {
        fenster->resize(fenster->width(), 577 + ort.y() % 7);  // the user drags the lower edge
        settle();
      }
      fenster->move(ort);  // … and the window by its title bar
      settle();
      const QRect vorher = fenster->geometry();
      weg.schliessen(w);
      ASSERT_TRUE(fertig_);
      EXPECT_EQ(ergebnis_, weg.ergebnis);
      kasse_.close();

      w = zeigen(kasse_, 1);
      ASSERT_TRUE(w);
      EXPECT_EQ(w->topWidget()->geometry(), vorher);
      EXPECT_EQ(w->position().width(), gross ? 490 : 280);
      klicken(w, EXIT);
      kasse_.close();
      EXPECT_EQ(VORSCHAUANSICHT.BREITE, gross ? 490 : 280);
      ort += QPoint(17, 13);
    }
  }
}

TEST_F(DruckvorschauTest, PrintingSendsTheClosedReportsPages) {
  Window* w = zeigen(kasse_, 3);
  ASSERT_TRUE(w);
  EXPECT_EQ(verlassen(w, PRINT), 1);
  EXPECT_TRUE(pdfDateien().isEmpty());  // printing happens when the report is closed
  const rt::report::PrintOutcome out = kasse_.close();
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.pages, 3);
  ASSERT_EQ(pdfDateien().size(), 1);
  const QString text = pdfText(pdfDateien().first());
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(text.contains(QString("Zeile auf Seite %1").arg(i))) << text.toStdString();

  // Alt+D prints as the button does.
  w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  taste(w, Qt::Key_D, Qt::AltModifier);
  EXPECT_TRUE(fertig_);
  EXPECT_EQ(ergebnis_, 1);
  EXPECT_EQ(kasse_.close().pages, 1);
  EXPECT_EQ(pdfDateien().size(), 2);
}

namespace {

// Prints a long report through the preview as a user does, into the documents folder.
int langerAusdruck(const QStringList&) {
  Report bericht(kKassenbuch);
  SEITENQUEUE.clear();
  bericht.open(SEITENQUEUE);
  for (int i = 1; i <= 3000; ++i) {
    ZEILE = QString("Zeile auf Seite %1").arg(i);
    bericht.print("?DETAIL");
    bericht.pageBreak();
  }
  start([&bericht] { Druckvorschau(bericht, -50, 1, 0); });
  settle();
  Window* w = findWindow("P18$WINVORSCHAU");
  if (!w) return 3;
  QTest::mouseClick(w->widget(PRINT), Qt::LeftButton);
  settle();
  bericht.close();
  return 0;
}
TAVIK_CHILD_MODE("langer-ausdruck", langerAusdruck);

}  // namespace

// A print killed while its file is written leaves no file under the printout's name, only its
// half-written file beside it, which the next printout into that folder removes.
TEST_F(DruckvorschauTest, AKilledPrintLeavesNoFileUnderItsName) {
  QProcess kind;
  kind.start(testing_support::selfPath(), {"--child=langer-ausdruck"});
  ASSERT_TRUE(kind.waitForStarted());
  const QDir dokumente(documents_.path());
  bool getoetet = false;
  for (QElapsedTimer t; !getoetet && kind.state() == QProcess::Running && (t.isValid() || (t.start(), true)) &&
                        t.elapsed() < 60000;) {
    // Killed as soon as the printout has begun to write, under whatever name.
    const QFileInfoList halb = dokumente.entryInfoList(QDir::Files);
    if (!halb.isEmpty() && halb.front().size() > 0) {
      kind.kill();
      getoetet = true;
    }
  }
  ASSERT_TRUE(kind.waitForFinished(60000));
  ASSERT_TRUE(getoetet) << "the printout ended before it could be killed";
  EXPECT_TRUE(pdfDateien().isEmpty()) << pdfDateien().join(", ").toStdString();
  EXPECT_EQ(dokumente.entryList({"*.pdf.new*"}, QDir::Files).size(), 1);

  Window* w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  EXPECT_EQ(verlassen(w, PRINT), 1);
  EXPECT_EQ(kasse_.close().pages, 1);
  EXPECT_EQ(dokumente.entryList(QDir::Files), pdfDateien());
  EXPECT_EQ(pdfDateien().size(), 1);
}

TEST_F(DruckvorschauTest, LeavingWithoutPrintingPrintsNothing) {
  struct Case {
    const char* name;
    std::uint8_t druckenVerbergen;
    int wie;  // a button, or 0 for a close by the system menu
  };
  const Case cases[] = {{"Abbruch", 0, EXIT}, {"system menu", 0, 0}, {"print button hidden", 1, EXIT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window* w = zeigen(kasse_, 2, c.druckenVerbergen);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->isHidden(PRINT), c.druckenVerbergen != 0);
    if (c.druckenVerbergen) {
      taste(w, Qt::Key_D, Qt::AltModifier);  // a hidden button cannot be pressed
      EXPECT_FALSE(fertig_);
    }
    if (c.wie) {
      QTest::mouseClick(w->widget(c.wie), Qt::LeftButton);
    } else {
      w->topWidget()->close();
    }
    settle();
    EXPECT_TRUE(fertig_);
    EXPECT_EQ(ergebnis_, 0);
    EXPECT_FALSE(vorschau());
    EXPECT_EQ(kasse_.close().pages, 0);
    EXPECT_TRUE(pdfDateien().isEmpty());
  }
}

TEST_F(DruckvorschauTest, TerminalShowsNoBackgroundPicture) {
  KOMMANDOZEILE = "/Terminal";
  Window* w = zeigen(kasse_, 2);
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->wallpaper().isEmpty());
  normalAnsichtPruefen(w);
  EXPECT_EQ(w->topWidget()->windowTitle(), "Druckvorschau - Kassenbuch");
  EXPECT_EQ(verlassen(w, EXIT), 0);
  kasse_.close();
}

TEST_F(DruckvorschauTest, PortraitFlagSwitchesLandscapeOff) {
  for (std::uint8_t hochformat : {0, 1}) {
    SCOPED_TRACE(hochformat);
    konten_.setLandscape(true);
    Window* w = zeigen(konten_, 1, 0, hochformat);
    ASSERT_TRUE(w);
    EXPECT_EQ(konten_.landscape(), hochformat == 0);
    const rt::report::PageImage* p = rt::report::pageImage(SEITENQUEUE.get(1)->SEITE.clip());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width > p->height, hochformat == 0);
    EXPECT_EQ(verlassen(w, EXIT), 0);
    konten_.close();
  }
}

TEST_F(DruckvorschauTest, EnterPressesTheFocusedButtonInEveryKeyboardMode) {
  setKeyAlias(VK_Enter, VK_Tab);  // as "Windows Erweitert" sets it
  Window* w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  w->giveFocus(EXIT);
  taste(w, Qt::Key_Return);
  EXPECT_TRUE(fertig_);
  EXPECT_EQ(ergebnis_, 0);
  kasse_.close();
  clearKeyAliases();
}

TEST_F(DruckvorschauTest, OtherThreadsGoOnWhileThePreviewWaits) {
  int angekommen = 0;
  WindowDef def;
  def.label = "ANDERES";
  def.caption = "Anderes";
  def.w = 100;
  def.h = 40;
  def.controls = {{.field = 1, .label = "?OK", .kind = Kind::Button, .text = "OK", .x = 10, .y = 10, .w = 40, .h = 14}};
  auto anderes = std::make_unique<Window>(def);
  start([&] {
    anderes->open();
    anderes->attach([&](Window&, const Event& e) {
      if (e.code == EV_Accepted) ++angekommen;
      return Pass::Default;
    });
  });
  settle();
  Window* w = zeigen(kasse_, 1);
  ASSERT_TRUE(w);
  QTest::mouseClick(anderes->widget(1), Qt::LeftButton);
  settle();
  EXPECT_EQ(angekommen, 1);
  EXPECT_FALSE(fertig_);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  kasse_.close();
  anderes->close();
  settle();
}

// A long report in the preview while its pages are still being built: it opens with page 1 whole, and
// page keys typed ahead of the building reach the very pages they reach in the report built at once,
// the last page included.
TEST_F(DruckvorschauTest, PagesStillBeingBuiltAreReachedAsInTheWholeReport) {
  constexpr int kSeiten = 3000, kZeilen = 40;
  Window* w = zeigen(kasse_, kSeiten, 0, 1, kZeilen);
  ASSERT_TRUE(w);
  const QImage erste = seite(w);
  tasten(w, Qt::Key_PageDown, 9);
  const QImage zehnte = seite(w);
  tasten(w, Qt::Key_PageDown, kSeiten + 5);
  const QImage letzte = seite(w);
  taste(w, Qt::Key_PageUp);
  const QImage vorletzte = seite(w);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  kasse_.close();
  for (const QImage* s : {&zehnte, &vorletzte, &letzte}) EXPECT_NE(*s, erste);
  EXPECT_NE(letzte, vorletzte);

  w = zeigenInSchritten(schritte_, kSeiten, kZeilen);
  ASSERT_TRUE(w);
  ASSERT_TRUE(schritte_.building());
  EXPECT_LT(SEITENQUEUE.records(), std::size_t(kSeiten));
  EXPECT_EQ(seite(w), erste);
  tasten(w, Qt::Key_PageDown, 9);
  EXPECT_EQ(seite(w), zehnte);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  schritte_.close();

  w = zeigenInSchritten(schritte_, kSeiten, kZeilen);
  ASSERT_TRUE(w);
  ASSERT_TRUE(schritte_.building());
  tasten(w, Qt::Key_PageDown, kSeiten + 5);
  EXPECT_EQ(seite(w), letzte);
  EXPECT_FALSE(schritte_.building());
  EXPECT_EQ(SEITENQUEUE.records(), std::size_t(kSeiten));
  taste(w, Qt::Key_PageDown);  // the last page: no wrap
  EXPECT_EQ(seite(w), letzte);
  taste(w, Qt::Key_PageUp);
  EXPECT_EQ(seite(w), vorletzte);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  schritte_.close();
}

// Left while its pages are being built: the building stops, the pages go, and the next preview shows
// its own report.
TEST_F(DruckvorschauTest, LeavingWhileBuildingStopsItAndTheNextPreviewShowsItsOwnPages) {
  Window* w = zeigen(konten_, 1);
  ASSERT_TRUE(w);
  const QImage kontenplan = seite(w);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  konten_.close();

  w = zeigenInSchritten(schritte_, 3000, 40);
  ASSERT_TRUE(w);
  ASSERT_TRUE(schritte_.building());
  taste(w, Qt::Key_Escape);
  ASSERT_TRUE(fertig_);
  EXPECT_EQ(ergebnis_, 0);
  const rt::report::PrintOutcome out = schritte_.close();
  EXPECT_EQ(out.pages, 0);
  EXPECT_FALSE(schritte_.building());
  EXPECT_EQ(schritte_.pageCount(), 0);
  const std::size_t seiten = SEITENQUEUE.records();
  EXPECT_LT(seiten, 3000u);
  for (const auto& z : SEITENQUEUE.rows()) EXPECT_EQ(rt::report::pageImage(z.SEITE.clip()), nullptr);
  settle();
  EXPECT_EQ(SEITENQUEUE.records(), seiten);  // nothing is built behind
  EXPECT_TRUE(pdfDateien().isEmpty());

  w = zeigen(konten_, 1);
  ASSERT_TRUE(w);
  EXPECT_EQ(seite(w), kontenplan);
  EXPECT_EQ(verlassen(w, EXIT), 0);
  konten_.close();
}

// The print button pressed while pages are still being built prints every page of the report.
TEST_F(DruckvorschauTest, PrintingWhileBuildingPrintsEveryPage) {
  constexpr int kSeiten = 3000;
  Window* w = zeigenInSchritten(schritte_, kSeiten, 40);
  ASSERT_TRUE(w);
  ASSERT_TRUE(schritte_.building());
  EXPECT_EQ(verlassen(w, PRINT), 1);
  const rt::report::PrintOutcome out = schritte_.close();
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.pages, kSeiten);
  ASSERT_EQ(pdfDateien().size(), 1);
  QProcess info;
  info.start("pdfinfo", {out.file});
  info.waitForFinished(60000);
  EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(kSeiten))));
  QProcess text;
  text.start("pdftotext", {"-f", QString::number(kSeiten), "-l", QString::number(kSeiten), out.file, "-"});
  text.waitForFinished(60000);
  EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QString("Zeile auf Seite %1").arg(kSeiten)));
}
