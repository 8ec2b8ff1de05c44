#include "runtime/report/Printer.h"
#include "runtime/report/Report.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSet>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace rt::report;

namespace {

// Reports in these tests never reach a printer: the current printer is the documents folder.
const bool kPdfOnly = qputenv("TAVIK_PRINTER_PDF", "1");

constexpr double kMmPerPoint = 25.4 / 72;

// The variables the fixture's controls are bound to.
rt::String<40> TITEL;
rt::String<30> NAME;
rt::String<60> LANG;
double BETRAG = 0;
rt::DATE DATUM{};

// A list with a page header, a detail band of two lines (6 mm), a sum band and a band higher than
// the detail area (20, 25, 170 x 242 mm on A4).
const ReportDef kListe{
    .label = "T$REP",
    .title = "Probe: Liste",
    .header = {.label = "?HEADER",
               .controls = {{.label = "?KASTEN", .kind = Kind::Box, .x = 25, .y = 8, .w = 171, .h = 10,
                             .border = QColor(0, 0, 0)},
                            {.label = "?TITEL", .kind = Kind::String, .x = 26, .y = 9, .h = 3, .bound = TITEL},
                            {.label = "?SEITE1", .kind = Kind::Text, .text = "Seite", .x = 178, .y = 13},
                            {.label = "?SEITE2", .kind = Kind::PageNumber, .picture = "@N_8", .x = 176, .y = 13,
                             .w = 18, .attrs = A_Right}}},
    .bands = {{.label = "?DETAIL",
               .controls = {{.label = "?BOX", .kind = Kind::Box, .x = 0, .y = 0, .w = 170, .h = 6,
                             .fill = QColor(255, 255, 255)},
                            {.label = "?DATUM", .kind = Kind::String, .picture = "@D06.", .x = 1, .y = 0, .h = 3,
                             .bound = DATUM},
                            {.label = "?NAME", .kind = Kind::String, .x = 21, .y = 0, .w = 99, .h = 3, .bound = NAME},
                            {.label = "?BETRAG", .kind = Kind::String, .picture = "@N-12`2", .x = 121, .y = 0,
                             .w = 19, .h = 3, .bound = BETRAG, .attrs = A_Right},
                            {.label = "?GEHEIM", .kind = Kind::Text, .text = "Geheim", .x = 150, .y = 3, .h = 3,
                             .attrs = A_Hidden},
                            {.label = "?LANG", .kind = Kind::String, .x = 21, .y = 3, .w = 20, .h = 3, .bound = LANG}}},
              {.label = "?SUMME",
               .height = 10,
               .controls = {{.label = "?LINE", .kind = Kind::Line, .x = 0, .y = 1, .w = 170},
                            {.label = "?SUMTEXT", .kind = Kind::Text, .text = "Summe", .x = 0, .y = 1, .h = 4,
                             .attrs = A_Bold | A_Underline},
                            {.label = "?SUMME", .kind = Kind::String, .picture = "@N-12`2", .x = 121, .y = 1,
                             .w = 19, .h = 4, .bound = BETRAG, .attrs = A_Bold | A_Right}}},
              {.label = "?RIESE",
               .height = 250,
               .controls = {{.label = "?RIESENTEXT", .kind = Kind::Text, .text = "Riese", .x = 0, .y = 0}}}}};

// A word of a PDF page as pdftotext reads it, in millimetres from the page's top-left corner.
struct Word {
  QString text;
  double x0, y0, x1, y1;
};
struct PdfPage {
  double width, height;
  std::vector<Word> words;
};

std::vector<PdfPage> readPdf(const QString& file) {
  QProcess p;
  p.start("pdftotext", {"-bbox", file, "-"});
  p.waitForFinished(60000);
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  std::vector<PdfPage> pages;
  static const QRegularExpression tag(
      R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    const auto mm = [&m](int i) { return m.captured(i).toDouble() * kMmPerPoint; };
    if (!m.captured(1).isEmpty())
      pages.push_back({mm(1), mm(2), {}});
    else if (!pages.empty())
      pages.back().words.push_back({m.captured(7).replace("&amp;", "&"), mm(3), mm(4), mm(5), mm(6)});
  }
  return pages;
}

// The words of a page at which `text` begins ("" when it is not there).
std::vector<const Word*> find(const PdfPage& page, const QString& text) {
  std::vector<const Word*> found;
  for (const Word& w : page.words)
    if (w.text == text) found.push_back(&w);
  return found;
}

// The date of detail row i, as shown.
QString datum(int i) { return QDate(2024, 1, 1).addDays(i).toString("dd.MM.yyyy"); }

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files); }

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kPdfOnly);
    qputenv("TAVIK_FOLDER_PERSONAL", documents_.path().toUtf8());
    TITEL = "Probeliste";
    LANG.clear();
  }
  void TearDown() override { qunsetenv("TAVIK_FOLDER_PERSONAL"); }

  void detail(int i) {
    NAME = QString("Zeile%1").arg(i, 2, 10, QChar('0'));
    BETRAG = 1000 * i + 0.5;
    DATUM = rt::dateOf(rt::dayNumber(2024, 1, 1) + i);
    report_.print("?DETAIL");
  }

  testing_support::TempFolder documents_;
  PageQueue seiten_;
  Report report_{kListe};
};

// The fixture's run: 40 detail bands fill page 1 (40 x 6 mm of 242), five more and the sum begin page
// 2; two breaks in a row add one page end; one detail on page 3; the band higher than the detail
// area stands alone on page 4; the breaks after it add nothing.
TEST_F(ReportTest, PrintedPagesShowEveryTextInItsPlace) {
  report_.open(seiten_);
  report_.pageBreak();  // nothing printed yet: no page
  for (int i = 1; i <= 45; ++i) {
    if (i == 42) report_.setX("?BETRAG", 141);
    if (i == 43) report_.unhide("?GEHEIM");
    if (i == 44) report_.hide("?GEHEIM");
    if (i == 45) LANG = "Abcdefghijklmnopqrstuvwxyz Ende";
    detail(i);
  }
  BETRAG = -12345.675;
  report_.print("?SUMME");
  report_.pageBreak();
  report_.pageBreak();
  LANG.clear();
  detail(46);
  report_.print("?RIESE");
  report_.pageBreak();
  report_.pageBreak();
  report_.print("?UNBEKANNT");  // no such band: nothing

  ASSERT_EQ(report_.pageCount(), 4);
  ASSERT_EQ(seiten_.records(), 4u);
  for (int p = 1; p <= 4; ++p) EXPECT_EQ(pageImage(seiten_.get(p)->SEITE.clip()), report_.page(p)) << p;
  report_.printOnClose();
  const PrintOutcome out = report_.close();
  ASSERT_TRUE(out.ok) << out.message.join(" ").toStdString();
  EXPECT_EQ(out.pages, 4);
  EXPECT_EQ(pageImage(seiten_.get(1)->SEITE.clip()), nullptr);  // the images are gone with the run

  const auto pdf = readPdf(out.file);
  ASSERT_EQ(pdf.size(), 4u);
  const auto near = [](double got, double want) { return std::fabs(got - want) <= 0.5; };
  // Each expected text: its page, its left (or, right-aligned, its right) edge and its top.
  struct Want {
    int page;
    QString text;
    double x, y;
    bool right = false;
  };
  std::vector<Want> wants;
  for (int p = 1; p <= 4; ++p) {
    wants.push_back({p, "Probeliste", 26, 9});
    wants.push_back({p, "Seite", 178, 13});
    wants.push_back({p, QString::number(p), 194, 13, true});
  }
  const auto row = [](int i) { return i <= 40 ? std::pair{1, i - 1} : i <= 45 ? std::pair{2, i - 41} : std::pair{3, 0}; };
  for (int i = 1; i <= 46; ++i) {
    const auto [page, r] = row(i);
    const double top = 25 + 6 * r;
    wants.push_back({page, QString("Zeile%1").arg(i, 2, 10, QChar('0')), 41, top});
    wants.push_back({page, QString("%1.000,50").arg(i), i >= 42 ? 180.0 : 160.0, top, true});
    wants.push_back({page, datum(i), 21, top});
  }
  wants.push_back({2, "Geheim", 170, 25 + 6 * 2 + 3});
  wants.push_back({2, "Summe", 20, 25 + 6 * 5 + 1});
  wants.push_back({2, "-12.345,68", 160, 25 + 6 * 5 + 1, true});
  wants.push_back({4, "Riese", 20, 25});
  for (const Want& w : wants) {
    SCOPED_TRACE(QString("page %1: %2").arg(w.page).arg(w.text).toStdString());
    const auto found = find(pdf[w.page - 1], w.text);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(near(w.right ? found[0]->x1 : found[0]->x0, w.x)) << found[0]->x0 << " " << found[0]->x1;
    EXPECT_TRUE(near(found[0]->y0, w.y)) << found[0]->y0;
  }
  // The hidden control shows only on the row it was unhidden for; the long text is cut to its 20 mm.
  std::size_t words = 0;
  for (const PdfPage& p : pdf) {
    EXPECT_NEAR(p.width, 210, 0.5);
    EXPECT_NEAR(p.height, 297, 0.5);
    words += p.words.size();
    for (const Word& w : p.words) EXPECT_LE(w.x1, 196.5) << w.text.toStdString();  // nothing beyond the header box
  }
  EXPECT_EQ(words, wants.size() + 1);  // and the one cut text
  const auto cut = find(pdf[1], "Abcdefghijkl");
  ASSERT_EQ(cut.size(), 1u) << "the long text is cut after the characters that fit into 20 mm";
  EXPECT_LE(cut[0]->x1, 61.5);
  EXPECT_GT(cut[0]->x1, 57);
}

TEST_F(ReportTest, ClosingPrintsOnlyWhenAskedAndNeverOverwrites) {
  // Without a print request the pages are discarded.
  report_.open(seiten_);
  detail(1);
  EXPECT_TRUE(report_.close().file.isEmpty());
  EXPECT_TRUE(filesIn(documents_.path()).isEmpty());

  // A request to print a run without pages writes nothing either.
  seiten_.clear();
  report_.open(seiten_);
  report_.pageBreak();
  report_.printOnClose();
  const PrintOutcome none = report_.close();
  EXPECT_TRUE(none.ok);
  EXPECT_EQ(none.pages, 0);
  EXPECT_TRUE(filesIn(documents_.path()).isEmpty());
  EXPECT_EQ(seiten_.records(), 0u);

  // Two printed runs: two files, named after the title, each with its run's pages; the message
  // says where.
  QStringList written;
  for (int run = 1; run <= 2; ++run) {
    seiten_.clear();
    report_.open(seiten_);
    for (int i = 1; i <= 40 * run; ++i) detail(i);
    EXPECT_EQ(seiten_.records(), std::size_t(run));
    EXPECT_EQ(report_.page(1)->number, 1);  // numbering starts again with every run
    report_.printOnClose();
    const PrintOutcome out = report_.close();
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(readPdf(out.file).size(), std::size_t(run));
    EXPECT_EQ(out.message, QStringList({"Der Ausdruck wurde als PDF-Datei gespeichert:", QDir::toNativeSeparators(out.file)}));
    written << QFileInfo(out.file).fileName();
  }
  EXPECT_EQ(filesIn(documents_.path()).size(), 2);
  for (const QString& f : written) EXPECT_TRUE(f.startsWith("Probe_ Liste 20")) << f.toStdString();

  // The same title at the same second gets a name of its own.
  const QDateTime when(QDate(2024, 5, 1), QTime(14, 30, 5));
  const QString a = newPdfFile(documents_.path(), "Tavik! Druck", when);
  EXPECT_EQ(QFileInfo(a).fileName(), "Tavik! Druck 2024-05-01 14.30.05.pdf");
  QFile(a).open(QIODevice::WriteOnly);
  const QString b = newPdfFile(documents_.path(), "Tavik! Druck", when);
  EXPECT_EQ(QFileInfo(b).fileName(), "Tavik! Druck 2024-05-01 14.30.05 (2).pdf");
}

// A PDF file confirmed in the printer dialog takes the next printout alone; the printouts after it,
// without a dialog, are new files of their own beside it. Each is whole, and none replaced another.
TEST_F(ReportTest, AFileChosenInThePrinterDialogTakesTheNextPrintoutAlone) {
  QString angeboten;
  choosePrinter(nullptr, "Drucker auswählen", [](bool) {});
  for (int i = 0; i < 100 && angeboten.isEmpty(); ++i) {
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QPrintDialog*>(w); d && d->isVisible()) {
        angeboten = d->printer()->outputFileName();
        d->accept();
      }
  }
  QApplication::processEvents();
  ASSERT_EQ(angeboten, documents_.file("Ausdruck.pdf"));
  EXPECT_EQ(currentPrinterName(), "PDF-Datei " + QDir::toNativeSeparators(angeboten));
  QStringList dateien;
  for (int lauf = 1; lauf <= 3; ++lauf) {
    seiten_.clear();
    report_.open(seiten_);
    for (int i = 1; i <= 41 * lauf; ++i) detail(i);
    report_.printOnClose();
    const PrintOutcome out = report_.close();
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(readPdf(out.file).size(), std::size_t(lauf + 1));
    dateien << out.file;
  }
  EXPECT_EQ(dateien.first(), angeboten);
  EXPECT_EQ(QSet<QString>(dateien.begin(), dateien.end()).size(), 3);
  for (const QString& d : dateien) EXPECT_EQ(QFileInfo(d).absolutePath(), documents_.path());
  EXPECT_EQ(readPdf(dateien.first()).size(), 2u);  // the first is still the first printout
  EXPECT_EQ(currentPrinterName(), "PDF-Datei in " + QDir::toNativeSeparators(documents_.path()));
  EXPECT_EQ(filesIn(documents_.path()).size(), 3);
}

TEST_F(ReportTest, UnwritableFolderIsReportedNotSwallowed) {
  qputenv("TAVIK_FOLDER_PERSONAL", "/proc/tavik-nicht-da");
  report_.open(seiten_);
  detail(1);
  report_.printOnClose();
  const PrintOutcome out = report_.close();
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.pages, 0);
  ASSERT_EQ(out.message.size(), 2);
  EXPECT_TRUE(out.message[0].startsWith("Die PDF-Datei des Ausdrucks konnte nicht"));
}

TEST_F(ReportTest, PropertiesAndOrientationHoldAcrossRuns) {
  report_.setLandscape(true);
  report_.open(seiten_);
  detail(1);
  EXPECT_EQ(report_.page(1)->width, 297);
  report_.setLandscape(false);  // also turns the pages already made
  EXPECT_EQ(report_.page(1)->width, 210);
  EXPECT_EQ(report_.page(1)->height, 297);
  report_.setHeight("?BOX", 3);
  report_.setFill("?BOX", QColor(224, 224, 224));
  report_.hide("?DATUM");
  report_.close();

  seiten_.clear();
  report_.open(seiten_);
  detail(2);
  const PageImage& p = *report_.page(1);
  const auto box = std::find_if(p.items.begin(), p.items.end(), [](const DrawItem& i) { return i.kind == DrawItem::Kind::Box && i.y == 25; });
  ASSERT_NE(box, p.items.end());
  EXPECT_EQ(box->h, 3);
  EXPECT_EQ(box->fill, qRgb(224, 224, 224));
  EXPECT_EQ(box->color, 0u);  // no border
  for (const DrawItem& i : p.items) EXPECT_NE(p.text(i), datum(2));
  EXPECT_EQ(report_.title(), "Probe: Liste");

  // A bold amount too wide for its 19 mm keeps every digit, in a smaller size, within its column.
  BETRAG = 9876543.21;
  report_.print("?SUMME");
  const auto sum = std::find_if(p.items.begin(), p.items.end(), [&p](const DrawItem& i) { return p.text(i) == QString("9.876.543,21"); });
  ASSERT_NE(sum, p.items.end());
  EXPECT_NEAR(sum->x + sum->w, 20 + 121 + 19, 0.01);
  EXPECT_LE(sum->w, 19.0f);
  EXPECT_GT(sum->w, 17.0f);
  EXPECT_LT(sum->size, 10.0f);
  EXPECT_EQ(sum->style, DrawItem::Bold);
}

// The one drawing routine scales the page to any size: a box lands at the same share of the paper
// at every zoom, and text grows with it.
TEST(PageImageTest, RenderScalesMillimetresToTheDevice) {
  PageImage page;
  page.font = "Arial";
  page.texts = "Mitte";
  page.items.push_back({.kind = DrawItem::Kind::Box, .x = 21, .y = 29.7f, .w = 42, .h = 29.7f, .fill = qRgb(0, 0, 255)});
  page.items.push_back({.kind = DrawItem::Kind::Text, .size = 20, .x = 105, .y = 148.5f, .color = qRgb(0, 0, 0),
                        .textStart = 0, .textLength = 5});
  for (int zoom : {1, 3}) {
    SCOPED_TRACE(zoom);
    QImage image(210 * zoom, 297 * zoom, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    render(painter, page, QRectF(0, 0, image.width(), image.height()));
    painter.end();
    EXPECT_EQ(image.pixel(22 * zoom, 31 * zoom), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(20 * zoom, 31 * zoom), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(62 * zoom, 58 * zoom), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(64 * zoom, 31 * zoom), qRgb(255, 255, 255));
    // 20 point text: its dark pixels lie within one line (about 7 mm) below its top.
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 105 * zoom; x < 140 * zoom; ++x)
        if (qGray(image.pixel(x, y)) < 128) top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_GE(top, 148 * zoom);
    EXPECT_LE(bottom, 156 * zoom);
    EXPECT_GE(bottom - top, 4 * zoom);
  }
}

namespace {

// Every item of a page as text, to compare pages built in different ways.
QStringList items(const PageImage& page) {
  QStringList out{QString("%1 %2x%3").arg(page.number).arg(page.width).arg(page.height)};
  for (const DrawItem& i : page.items)
    out << QString("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
               .arg(int(i.kind)).arg(i.style).arg(i.size).arg(i.x).arg(i.y).arg(i.w).arg(i.h).arg(i.color)
               .arg(i.fill).arg(page.text(i).toString()).arg(i.kind == DrawItem::Kind::Text ? 1 : 0);
  return out;
}

// What the body of a report built in steps leaves behind: the bands it printed and whether its
// stack is gone (returned or unwound).
struct Spur {
  int baender = 0;
  bool fort = false;
};
struct Waechter {
  Spur* spur;
  ~Waechter() { spur->fort = true; }
};

int pdfPages(const QString& file) {
  QProcess p;
  p.start("pdfinfo", {file});
  p.waitForFinished(60000);
  const QRegularExpression pages(R"(Pages:\s+(\d+))");
  return pages.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

}  // namespace

// A run of about 400 pages: 40 details to a page, a sum band after every 37th, the details' box shaded
// from page 100 on (the body changes the report as it goes).
class StepsTest : public ReportTest {
 protected:
  static constexpr int kDetails = 15000;
  void body(Report& r, Spur& spur) {
    const Waechter waechter{&spur};
    for (int i = 1; i <= kDetails; ++i) {
      if (i == 4000) r.setFill("?BOX", QColor(224, 224, 224));
      NAME = QString("Zeile%1").arg(i);
      BETRAG = i + 0.25;
      DATUM = rt::dateOf(rt::dayNumber(2024, 1, 1) + i % 366);
      r.print("?DETAIL");
      ++spur.baender;
      if (i % 37 == 0) {
        r.print("?SUMME");
        ++spur.baender;
      }
    }
    r.pageBreak();
  }
  // The same run built at once, page by page as text.
  std::vector<QStringList> atOnce() {
    Report r(kListe);
    PageQueue q;
    r.open(q);
    Spur spur;
    body(r, spur);
    std::vector<QStringList> pages;
    for (int p = 1; p <= r.pageCount(); ++p) pages.push_back(items(*r.page(p)));
    return pages;
  }
  static bool waitUntilBuilt(Report& r, std::vector<int>* counts = nullptr) {
    QElapsedTimer clock;
    clock.start();
    while (r.building() && clock.elapsed() < 60000) {
      QCoreApplication::processEvents();
      if (counts && (counts->empty() || counts->back() != r.pageCount())) counts->push_back(r.pageCount());
    }
    return !r.building();
  }
};

TEST_F(StepsTest, PagesComeOneAfterTheOtherExactlyAsBuiltAtOnce) {
  const std::vector<QStringList> want = atOnce();
  ASSERT_GT(want.size(), 350u);
  Spur spur;
  report_.open(seiten_);
  report_.build([&] { body(report_, spur); });
  // Page 1 is there, finished; the rest is still to come.
  ASSERT_TRUE(report_.building());
  EXPECT_EQ(report_.pageCount(), 1);
  EXPECT_EQ(seiten_.records(), 1u);
  EXPECT_EQ(items(*report_.page(1)), want[0]);
  EXPECT_FALSE(spur.fort);

  // A page asked for is built on the spot, no further; every page in the list is finished.
  EXPECT_TRUE(report_.waitForPage(120));
  EXPECT_EQ(report_.pageCount(), 120);
  EXPECT_EQ(seiten_.records(), 120u);
  for (int p : {2, 99, 100, 120}) EXPECT_EQ(items(*report_.page(p)), want[p - 1]) << p;
  EXPECT_TRUE(report_.waitForPage(7));
  EXPECT_EQ(report_.pageCount(), 120);

  // The event loop builds the rest, in several steps.
  std::vector<int> counts;
  ASSERT_TRUE(waitUntilBuilt(report_, &counts));
  EXPECT_GT(counts.size(), 2u);
  EXPECT_TRUE(spur.fort);
  ASSERT_EQ(report_.pageCount(), static_cast<int>(want.size()));
  ASSERT_EQ(seiten_.records(), want.size());
  for (int p = 1; p <= report_.pageCount(); ++p) {
    ASSERT_EQ(items(*report_.page(p)), want[p - 1]) << p;
    EXPECT_EQ(pageImage(seiten_.get(p)->SEITE.clip()), report_.page(p));
  }
  EXPECT_FALSE(report_.waitForPage(report_.pageCount() + 1));
  report_.close();
}

// Closed while it builds: printing builds every page first; otherwise the body stops where it
// stands, its stack unwound, and its pages are gone. A report destroyed while it builds stops too.
TEST_F(StepsTest, ClosingWhileBuildingPrintsEveryPageOrStopsTheBody) {
  const std::size_t total = atOnce().size();
  for (const bool drucken : {true, false}) {
    SCOPED_TRACE(drucken ? "printed" : "left");
    Spur spur;
    seiten_.clear();
    report_.open(seiten_);
    report_.build([&] { body(report_, spur); });
    ASSERT_TRUE(report_.waitForPage(3));
    ASSERT_TRUE(report_.building());
    if (drucken) report_.printOnClose();
    const PrintOutcome out = report_.close();
    EXPECT_FALSE(report_.building());
    EXPECT_TRUE(spur.fort);
    if (drucken) {
      EXPECT_EQ(out.pages, static_cast<int>(total));
      EXPECT_EQ(pdfPages(out.file), static_cast<int>(total));
      EXPECT_EQ(spur.baender, kDetails + kDetails / 37);
    } else {
      EXPECT_EQ(out.pages, 0);
      EXPECT_TRUE(filesIn(documents_.path()).filter(".pdf").isEmpty());
      EXPECT_LT(spur.baender, kDetails / 2);
      const int baender = spur.baender;
      for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
      EXPECT_EQ(spur.baender, baender);  // nothing goes on behind
    }
    EXPECT_EQ(report_.pageCount(), 0);
    for (const PageRow& row : seiten_.rows()) EXPECT_EQ(pageImage(row.SEITE.clip()), nullptr);
    for (const QString& f : filesIn(documents_.path())) QFile::remove(QDir(documents_.path()).filePath(f));
  }

  // The next run begins afresh, its own pages from page 1.
  seiten_.clear();
  report_.open(seiten_);
  Spur spur;
  report_.build([&] { body(report_, spur); });
  ASSERT_TRUE(waitUntilBuilt(report_));
  EXPECT_EQ(seiten_.records(), total);
  EXPECT_EQ(report_.page(1)->number, 1);
  report_.close();

  Spur zerstoert;
  {
    Report r(kListe);
    PageQueue q;
    r.open(q);
    r.build([&] { body(r, zerstoert); });
    ASSERT_TRUE(r.building());
  }
  EXPECT_TRUE(zerstoert.fort);
}

// A body that fails tells it on the report's own side: where a page is waited for, or at the close
// when it failed in a step of the event loop.
TEST_F(StepsTest, AFailureInTheBodyComesOutWhereTheReportIsUsed) {
  for (const bool imHintergrund : {false, true}) {
    SCOPED_TRACE(imHintergrund ? "in a step of the event loop" : "while a page is waited for");
    Spur spur;
    seiten_.clear();
    report_.open(seiten_);
    report_.build([&] {
      const Waechter waechter{&spur};
      for (int i = 1; i <= 4000; ++i) {
        if (i == 2000) throw std::runtime_error("kaputt");
        detail(i);
      }
    });
    ASSERT_TRUE(report_.building());
    if (imHintergrund) {
      QElapsedTimer clock;
      clock.start();
      while (report_.building() && clock.elapsed() < 60000) QCoreApplication::processEvents();
      EXPECT_THROW(report_.close(), std::runtime_error);
    } else {
      EXPECT_THROW(report_.waitForPage(100), std::runtime_error);
      report_.close();
    }
    EXPECT_FALSE(report_.building());
    EXPECT_TRUE(spur.fort);
    EXPECT_EQ(report_.pageCount(), 0);
  }
}

TEST_F(ReportTest, WithoutPrintersTheCurrentPrinterIsTheDocumentsFolder) {
  EXPECT_EQ(currentPrinterName(), "PDF-Datei in " + QDir::toNativeSeparators(documents_.path()));
}

// The printer choice is Qt's dialog with the caller's caption; cancelling leaves the printer as it
// was and says so to the caller.
TEST_F(ReportTest, PrinterChoiceCancelledKeepsThePrinter) {
  const QString before = currentPrinterName();
  QString caption;
  int answers = 0;
  bool chosen = true;
  choosePrinter(nullptr, "Drucker auswählen", [&](bool c) {
    chosen = c;
    ++answers;
  });
  for (int i = 0; i < 100 && caption.isEmpty(); ++i) {
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QPrintDialog*>(w); d && d->isVisible()) {
        caption = d->windowTitle();
        d->reject();
      }
  }
  QApplication::processEvents();
  EXPECT_EQ(caption, "Drucker auswählen");
  EXPECT_EQ(answers, 1);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(currentPrinterName(), before);
}

}  // namespace
