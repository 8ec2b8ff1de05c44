#include "docs/manual/Pages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

namespace {

constexpr int kDpi = 300;
// Page geometry in millimetres (A4).
constexpr double kPageW = 210, kPageH = 297;
constexpr double kInner = 25, kOuter = 17, kTop = 24, kBottom = 22;
constexpr double kHeadY = 13, kFootY = kPageH - 12;
// Pictures are printed at the size they have on a screen of 96 dpi, at most this share of a page.
constexpr double kScreenDpi = 96, kMaxPictureHeight = 0.6;

double px(double mm) { return mm * kDpi / 25.4; }

const QString kFont = "Liberation Sans";

struct Heading {
  int level;
  QString text;
  int page;  // 0-based page of the body
};

void prepare(QTextDocument& doc, QPdfWriter& writer, const QString& html, double height) {
  doc.documentLayout()->setPaintDevice(&writer);
  doc.setDefaultFont(QFont(kFont, 10));
  doc.setDocumentMargin(0);
  doc.setPageSize(QSizeF(px(kPageW - kInner - kOuter), height));
  doc.setHtml(html);
}

// Gives every picture its printed size: the size of the window on a screen, shrunk to the page.
// Sizes of images in a document are in pixels of a 96-dpi screen, whatever the paint device.
void sizePictures(QTextDocument& doc, const QMap<QString, QImage>& pictures) {
  struct Place {
    int from, length;
    QTextImageFormat format;
  };
  const QSizeF page = doc.pageSize() * (kScreenDpi / kDpi);
  QList<Place> places;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (!f.charFormat().isImageFormat()) continue;
      QTextImageFormat image = f.charFormat().toImageFormat();
      const QSizeF screen = pictures[QUrl(image.name()).path()].deviceIndependentSize();
      const double scale = std::min({1.0, page.width() / screen.width(),
                                     page.height() * kMaxPictureHeight / screen.height()});
      image.setWidth(screen.width() * scale);
      image.setHeight(screen.height() * scale);
      places.append({f.position(), f.length(), image});
    }
  for (const Place& p : places) {
    QTextCursor c(&doc);
    c.setPosition(p.from);
    c.setPosition(p.from + p.length, QTextCursor::KeepAnchor);
    c.setCharFormat(p.format);
  }
}

// Every chapter but the first begins on a new page.
void breakBeforeChapters(QTextDocument& doc) {
  bool first = true;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b.blockFormat().headingLevel() != 1) continue;
    if (!first) {
      QTextBlockFormat f = b.blockFormat();
      f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      QTextCursor(b).setBlockFormat(f);
    }
    first = false;
  }
}

// Table cells keep their text clear of their borders, a line's last row included: the padding that
// the text gives is in pixels of the paint device, which are small at its resolution.
void padTableCells(QTextDocument& doc) {
  QSet<QTextTable*> done;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    QTextTable* table = QTextCursor(b).currentTable();
    if (!table || done.contains(table)) continue;
    done.insert(table);
    for (int r = 0; r < table->rows(); ++r)
      for (int c = 0; c < table->columns(); ++c) {
        QTextTableCell cell = table->cellAt(r, c);
        QTextTableCellFormat f = cell.format().toTableCellFormat();
        if (f.leftPadding() >= px(1.2)) continue;
        f.setLeftPadding(px(1.2));
        f.setRightPadding(px(1.2));
        f.setTopPadding(std::max(f.topPadding(), px(0.5)));
        f.setBottomPadding(std::max(f.bottomPadding(), px(0.7)));
        cell.setFormat(f);
      }
  }
}

// The first line of a block, as the laid-out document has it: its page (0-based).
int pageOf(const QTextBlock& b, double pageHeight) {
  const double top = b.layout()->position().y() + b.layout()->lineAt(0).y();
  // A block moved to the top of a page may lie a fraction of a pixel above it.
  return static_cast<int>((top + 1) / pageHeight);
}

// A section heading never stands alone at the foot of a page: it goes to the page on which its text
// begins.
void keepHeadingsWithTheirText(QTextDocument& doc) {
  const double pageHeight = doc.pageSize().height();
  for (int pass = 0; pass < 100; ++pass) {
    doc.markContentsDirty(0, doc.characterCount());
    doc.pageCount();
    bool moved = false;
    for (QTextBlock b = doc.begin(); b.isValid() && !moved; b = b.next()) {
      const int level = b.blockFormat().headingLevel();
      const QTextBlock next = b.next();
      if (level < 2 || !next.isValid() || b.layout()->lineCount() == 0 || next.layout()->lineCount() == 0) continue;
      if (QTextCursor(b).currentTable() || pageOf(next, pageHeight) == pageOf(b, pageHeight)) continue;
      QTextBlockFormat f = b.blockFormat();
      f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      QTextCursor(b).setBlockFormat(f);
      moved = true;
    }
    if (!moved) return;
  }
}

QList<Heading> headings(QTextDocument& doc) {
  QList<Heading> out;
  // The formats were changed after the text was laid out: the whole document is laid out anew.
  doc.markContentsDirty(0, doc.characterCount());
  doc.pageCount();
  const double pageHeight = doc.pageSize().height();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level < 1 || level > 2 || b.layout()->lineCount() == 0) continue;
    // The first line, not the block: a block that breaks the page begins above its first line.
    out.append({level, b.text().trimmed(), pageOf(b, pageHeight)});
  }
  return out;
}

QString tableOfContents(const QString& style, const QList<Heading>& heads, int firstBodyPage) {
  QString rows;
  for (const Heading& h : heads) {
    const QString cls = h.level == 1 ? "toc1" : "toc2";
    rows += QString("<tr><td class=\"%1\">%2</td><td class=\"%1\" align=\"right\">%3</td></tr>")
                .arg(cls, h.text.toHtmlEscaped())
                .arg(firstBodyPage + h.page);
  }
  return "<html><head><style>" + style + "</style></head><body><h1 class=\"toc\">Inhalt</h1>"
         "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">" + rows + "</table></body></html>";
}

// Draws page `index` of a paged document with its top-left corner at `origin`.
void drawPage(QPainter& p, QTextDocument& doc, int index, QPointF origin) {
  const QSizeF size = doc.pageSize();
  p.save();
  p.translate(origin.x(), origin.y() - index * size.height());
  QAbstractTextDocumentLayout::PaintContext ctx;
  ctx.clip = QRectF(0, index * size.height(), size.width(), size.height());
  ctx.palette.setColor(QPalette::Text, Qt::black);
  p.setClipRect(ctx.clip);
  doc.documentLayout()->draw(&p, ctx);
  p.restore();
}

// The running head (the chapter) and the page number on the outer edge, the title on the inner one.
void drawFurniture(QPainter& p, int pageNumber, const QString& chapter) {
  const bool right = pageNumber % 2 == 1;  // odd pages are right-hand pages
  const double left = right ? kInner : kOuter;
  const QRectF line(px(left), 0, px(kPageW - kInner - kOuter), 0);
  const Qt::Alignment outer = right ? Qt::AlignRight : Qt::AlignLeft;
  const Qt::Alignment inner = right ? Qt::AlignLeft : Qt::AlignRight;
  p.save();
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), px(0.2)));
  p.drawLine(QPointF(line.left(), px(kHeadY + 1.5)), QPointF(line.right(), px(kHeadY + 1.5)));
  QFont f(kFont, 8);
  p.setFont(f);
  const QRectF head(line.left(), px(kHeadY - 4), line.width(), px(5));
  const QRectF foot(line.left(), px(kFootY - 4), line.width(), px(5));
  p.drawText(head, outer | Qt::AlignBottom, chapter);
  p.drawText(foot, inner | Qt::AlignBottom, "Tavik! – Handbuch");
  f.setBold(true);
  f.setPointSize(9);
  p.setFont(f);
  p.drawText(foot, outer | Qt::AlignBottom, QString::number(pageNumber));
  p.restore();
}

QPointF bodyOrigin(int pageNumber) { return {px(pageNumber % 2 == 1 ? kInner : kOuter), px(kTop)}; }

QString wrap(const QString& style, const QString& content) {
  return "<html><head><style>" + style + "</style></head><body>" + content + "</body></html>";
}

}  // namespace

bool splitSource(const QString& html, ManualSource* out) {
  const QRegularExpression style("<style[^>]*>(.*)</style>", QRegularExpression::DotMatchesEverythingOption);
  const qsizetype title = html.indexOf("<!-- Titelseite -->");
  const qsizetype body = html.indexOf("<!-- Kapitel -->");
  const qsizetype end = html.lastIndexOf("</body>");
  if (title < 0 || body < title || end < body) return false;
  out->style = style.match(html).captured(1);
  out->title = html.mid(title, body - title);
  out->body = html.mid(body, end - body);
  return true;
}

QStringList dropMissingPictures(QString* body, const QMap<QString, QImage>& pictures) {
  static const QRegularExpression paragraph("<p class=\"bild\"[^>]*>\\s*<img src=\"bild:(\\w+)\".*?</p>",
                                            QRegularExpression::DotMatchesEverythingOption);
  QStringList missing;
  QString out;
  qsizetype from = 0;
  for (auto it = paragraph.globalMatch(*body); it.hasNext();) {
    const auto m = it.next();
    if (pictures.contains(m.captured(1))) continue;
    missing << m.captured(1);
    out += body->mid(from, m.capturedStart() - from);
    from = m.capturedEnd();
  }
  *body = out + body->mid(from);
  return missing;
}

QString writeManual(const ManualSource& source, const QMap<QString, QImage>& pictures, const QString& pdfPath) {
  QPdfWriter writer(pdfPath);
  writer.setResolution(kDpi);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  writer.setTitle("Tavik! – Handbuch");
  writer.setCreator("Tavik");

  const double bodyHeight = px(kPageH - kTop - kBottom);
  QTextDocument title, body, toc;
  prepare(title, writer, wrap(source.style, source.title), px(kPageH - 2 * kTop));
  for (auto it = pictures.begin(); it != pictures.end(); ++it)
    body.addResource(QTextDocument::ImageResource, QUrl("bild:" + it.key()), it.value());
  prepare(body, writer, wrap(source.style, source.body), bodyHeight);
  sizePictures(body, pictures);
  breakBeforeChapters(body);
  padTableCells(body);
  keepHeadingsWithTheirText(body);
  const QList<Heading> heads = headings(body);
  if (heads.isEmpty() || heads.first().level != 1) return "Das Handbuch beginnt nicht mit einem Kapitel.";

  // The contents follow the title page, the chapters begin on the next right-hand page after them.
  prepare(toc, writer, tableOfContents(source.style, heads, 0), bodyHeight);
  const int tocPages = toc.pageCount();
  int firstBodyPage = 2 + tocPages;
  if (firstBodyPage % 2 == 0) ++firstBodyPage;
  prepare(toc, writer, tableOfContents(source.style, heads, firstBodyPage), bodyHeight);
  if (toc.pageCount() != tocPages) return "Das Inhaltsverzeichnis ändert beim Nummerieren seine Länge.";

  QPainter p;
  if (!p.begin(&writer)) return "Die Datei " + pdfPath + " kann nicht geschrieben werden.";
  p.setRenderHint(QPainter::LosslessImageRendering);  // screenshots stay sharp, without JPEG blur
  drawPage(p, title, 0, QPointF(px(kInner), px(kTop)));
  for (int i = 0; i < tocPages; ++i) {
    writer.newPage();
    drawPage(p, toc, i, bodyOrigin(2 + i));
    drawFurniture(p, 2 + i, "Inhalt");
  }
  for (int n = 2 + tocPages; n < firstBodyPage; ++n) writer.newPage();  // an empty left-hand page
  QString chapter;
  qsizetype next = 0;
  for (int i = 0; i < body.pageCount(); ++i) {
    const int number = firstBodyPage + i;
    writer.newPage();
    for (; next < heads.size() && heads[next].page <= i; ++next)
      if (heads[next].level == 1) chapter = heads[next].text;
    drawPage(p, body, i, bodyOrigin(number));
    drawFurniture(p, number, chapter);
  }
  p.end();
  return {};
}
