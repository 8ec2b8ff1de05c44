// The manual Tavik.pdf as the build made it, read back with the PDF tools: its chapters and their
// pages, the title page, the mirrored margins of facing pages and its pictures.

#include "docs/manual/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocumentFragment>
#include <gtest/gtest.h>

namespace {

const QString kPdf = QStringLiteral(TAVIK_MANUAL_PDF);

// Runs a tool and returns what it printed; a failure fails the test.
QString tool(const QString& program, const QStringList& args, const QProcessEnvironment& env = {}) {
  QProcess p;
  if (!env.isEmpty()) p.setProcessEnvironment(env);
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(120000)) << program.toStdString();
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString pageText(int page) {
  return tool("pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), kPdf, "-"});
}

int pageCount() {
  const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(tool("pdfinfo", {kPdf}));
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The words of a page with their left and right edges, in points.
struct Word {
  double xMin, xMax, yMin;
  QString text;
};
QList<Word> words(int page) {
  const QString xml =
      tool("pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), kPdf, "-"});
  static const QRegularExpression re(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>");
  QList<Word> out;
  for (auto it = re.globalMatch(xml); it.hasNext();) {
    const auto m = it.next();
    out.append({m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(2).toDouble(), m.captured(4)});
  }
  return out;
}

// The chapters a freelancer needs, in the order of the manual.
const QStringList kKapitel = {
    "Was Tavik für Sie erledigt",
    "Der erste Start",
    "Buchungen erfassen und bearbeiten",
    "Zeiträume und die Buchungsübersicht",
    "Buchungen suchen",
    "Das Summenfenster",
    "Auswertungen und Drucken",
    "Konten",
    "CSV-Export",
    "Einstellungen und Fensterschema",
    "Installieren und Deinstallieren",
    "Tasten auf einen Blick",
};

}  // namespace

TEST(ManualTest, EveryChapterStandsInTheContentsWithThePageItBeginsOn) {
  const QString contents = pageText(2);
  ASSERT_TRUE(contents.contains("Inhalt"));
  const int pages = pageCount();
  int previous = 0;
  for (const QString& kapitel : kKapitel) {
    const auto m = QRegularExpression("^\\s*" + QRegularExpression::escape(kapitel) + "\\s+(\\d+)\\s*$",
                                      QRegularExpression::MultilineOption)
                       .match(contents);
    ASSERT_TRUE(m.hasMatch()) << kapitel.toStdString();
    const int page = m.captured(1).toInt();
    EXPECT_GT(page, previous) << kapitel.toStdString();
    ASSERT_LE(page, pages) << kapitel.toStdString();
    // A chapter opens its page: its title is the first line below the running head.
    QStringList lines = pageText(page).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << page;
    EXPECT_EQ(lines[1].trimmed().toStdString(), kapitel.toStdString()) << "page " << page;
    previous = page;
  }
}

// No section heading stands alone at the foot of a page: the last line of every page's text is none.
TEST(ManualTest, NoHeadingStandsAloneAtTheFootOfAPage) {
  QFile f(QStringLiteral(TAVIK_MANUAL_SOURCE));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString source = QString::fromUtf8(f.readAll());
  QStringList headings;
  static const QRegularExpression h("<h[23][^>]*>(.*?)</h[23]>");
  for (auto it = h.globalMatch(source); it.hasNext();)
    headings << it.next().captured(1).remove(QRegularExpression("<[^>]*>")).simplified();
  ASSERT_GT(headings.size(), 20);
  for (int page = 3, pages = pageCount(); page <= pages; ++page) {
    // The text of the page body, which ends 22 mm above the lower edge (A4 is 842 points high); text
    // of the next page that the clip hides begins below it.
    QList<Word> body;
    for (const Word& w : words(page))
      if (w.yMin > 60 && w.yMin < 779) body.append(w);
    if (body.isEmpty()) continue;
    double last = 0;
    for (const Word& w : body) last = std::max(last, w.yMin);
    QStringList line;
    for (const Word& w : body)
      if (std::abs(w.yMin - last) < 2) line << w.text;
    EXPECT_FALSE(headings.contains(line.join(' '))) << "page " << page << ": " << line.join(' ').toStdString();
  }
}

// Every paragraph and list item of the source, pictures aside, reaches the pages whole: its beginning
// and its end stand in the PDF's text (compared without blanks and line breaks).
TEST(ManualTest, NoTextOfTheSourceIsLostOnTheWayToThePages) {
  QFile f(QStringLiteral(TAVIK_MANUAL_SOURCE));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString source = QString::fromUtf8(f.readAll());
  const auto squeeze = [](QString t) { return t.remove(QRegularExpression("\\s")); };
  const QString pdf = squeeze(tool("pdftotext", {"-layout", kPdf, "-"}));  // -layout keeps a line-end "-"
  static const QRegularExpression block("<(p|li)(\\s[^>]*)?>(.*?)</\\1>", QRegularExpression::DotMatchesEverythingOption);
  int checked = 0;
  for (auto it = block.globalMatch(source); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(2).contains("bild")) continue;
    const QString text = squeeze(QTextDocumentFragment::fromHtml(m.captured(3)).toPlainText());
    if (text.isEmpty()) continue;
    EXPECT_TRUE(pdf.contains(text.left(40))) << text.left(60).toStdString();
    EXPECT_TRUE(pdf.contains(text.right(40))) << text.right(60).toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(ManualTest, TheTitlePageStandsAloneAndTheChaptersBeginOnARightHandPage) {
  const QString title = pageText(1);
  EXPECT_TRUE(title.contains("Tavik!"));
  EXPECT_TRUE(title.contains("Handbuch"));
  EXPECT_TRUE(title.contains("Die unkomplizierte Einnahme-Überschuss-Rechnung"));
  EXPECT_FALSE(QRegularExpression("^\\s*1\\s*$", QRegularExpression::MultilineOption).match(title).hasMatch())
      << "the title page carries no page number";
  EXPECT_TRUE(pageText(3).contains(kKapitel.first()));
}

TEST(ManualTest, FacingPagesHaveMirroredMarginsAndTheirNumbersOnTheOuterEdge) {
  constexpr double kMiddle = 595.0 / 2, kMm = 72 / 25.4;
  const int pages = pageCount();
  ASSERT_GE(pages, 6);
  double left[2] = {1e9, 1e9};
  for (int page = 3; page <= 6; ++page) {
    const QList<Word> w = words(page);
    ASSERT_FALSE(w.isEmpty()) << page;
    QString number;
    double numberX = 0;
    for (const Word& x : w) {
      if (x.yMin > 24 * kMm && x.yMin < 842 - 22 * kMm)  // the text, below the head and above the foot
        left[page % 2] = std::min(left[page % 2], x.xMin);
      if (x.yMin > 842 - 20 * kMm && x.text == QString::number(page)) {  // in the footer
        number = x.text;
        numberX = x.xMin;
      }
    }
    ASSERT_EQ(number, QString::number(page)) << "page number in the footer of page " << page;
    if (page % 2)
      EXPECT_GT(numberX, kMiddle) << "odd pages are right-hand pages, numbered at the right: " << page;
    else
      EXPECT_LT(numberX, kMiddle) << "even pages are left-hand pages, numbered at the left: " << page;
  }
  // The wider margin lies at the fold: left on right-hand pages, right on left-hand pages.
  EXPECT_NEAR(left[1] - left[0], 8 * kMm, 1.5 * kMm);
}

TEST(ManualTest, EveryPictureOfTheBuilderIsInThePdfWithoutLossyCompression) {
  const QStringList lines = tool("pdfimages", {"-list", kPdf}).split('\n', Qt::SkipEmptyParts).mid(2);
  QSet<QString> objects;
  for (const QString& line : lines) {
    const QStringList f = line.simplified().split(' ');
    ASSERT_GE(f.size(), 14) << line.toStdString();
    objects.insert(f[10]);
    EXPECT_EQ(f[8].toStdString(), "image") << "encoding: " << line.toStdString();
    EXPECT_GE(f[12].toInt(), 150) << "pixels per inch: " << line.toStdString();
  }
  EXPECT_EQ(objects.size(), pictureNames().size());
}

TEST(ManualTest, TheBuilderNeedsNoDisplayAndLeavesTheHomeFolderAlone) {
  testing_support::TempFolder home;
  const QString pdf = home.file("out/Tavik.pdf");
  QDir().mkpath(home.file("out"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                           "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "XDG_DOCUMENTS_DIR", "XDG_DESKTOP_DIR",
                           "TAVIK_FOLDER_COMMON_APPDATA", "TAVIK_REGISTRY_MACHINE", "TAVIK_REGISTRY_USER"})
    env.remove(name);
  env.insert("HOME", home.file("home"));
  QDir().mkpath(home.file("home"));
  tool(QStringLiteral(TAVIK_MANUAL_BUILDER), {QStringLiteral(TAVIK_MANUAL_SOURCE), pdf}, env);
  EXPECT_GT(QFileInfo(pdf).size(), 10000);
  QDirIterator left(home.file("home"), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
  EXPECT_FALSE(left.hasNext()) << "written into the home folder: " << left.next().toStdString();
}
