#include "runtime/report/PageImage.h"

#include "runtime/report/TextMeasure.h"

#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

namespace rt::report {
namespace {

constexpr double kLineMm = 0.2;  // rules and box borders

QHash<QString, const PageImage*>& store() {
  static QHash<QString, const PageImage*> pages;
  return pages;
}

}  // namespace

std::size_t PageImage::bytes() const {
  return sizeof(PageImage) + items.capacity() * sizeof(DrawItem) +
         static_cast<std::size_t>(texts.capacity()) * sizeof(QChar);
}

void render(QPainter& painter, const PageImage& page, const QRectF& target) {
  const double sx = target.width() / page.width, sy = target.height() / page.height;
  const double dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
  const auto at = [&](double x, double y) { return QPointF(target.left() + x * sx, target.top() + y * sy); };
  const double lineWidth = std::max(1.0, kLineMm * sy);

  painter.save();
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  // Fonts change rarely from one item to the next: each is set only when it does.
  int fontStyle = -1;
  float fontSize = -1;
  double ascent = 0;
  const auto rectOf = [&](const DrawItem& item) { return QRectF(at(item.x, item.y), QSizeF(item.w * sx, item.h * sy)); };
  // Fills are the background: a band's box never covers what the band above it lets hang into it
  // (descenders, underlines).
  for (const DrawItem& item : page.items)
    if (item.kind == DrawItem::Kind::Box && qAlpha(item.fill)) painter.fillRect(rectOf(item), QColor::fromRgba(item.fill));
  for (const DrawItem& item : page.items) {
    const QColor color = QColor::fromRgba(item.color);
    switch (item.kind) {
      case DrawItem::Kind::Box:
        if (qAlpha(item.color)) {
          painter.setPen(QPen(color, lineWidth));
          painter.setBrush(Qt::NoBrush);
          painter.drawRect(rectOf(item));
        }
        break;
      case DrawItem::Kind::Line:
        painter.setPen(QPen(color, lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(at(item.x, item.y), at(item.x + item.w, item.y));
        break;
      case DrawItem::Kind::Text: {
        if (item.style != fontStyle || item.size != fontSize) {
          fontStyle = item.style;
          fontSize = item.size;
          const bool bold = item.style & DrawItem::Bold;
          QFont font = TextMeasure::drawingFont(page.font, bold, item.style & DrawItem::Underline);
          // The device's points for the size on paper: points -> millimetres -> device pixels.
          font.setPointSizeF(item.size * (25.4 / 72) * sy * 72 / dpi);
          painter.setFont(font);
          ascent = TextMeasure::of(page.font, item.size, bold).ascent();
        }
        const QStringView text = page.text(item);
        painter.setPen(color);
        painter.drawText(at(item.x, item.y + ascent), QString::fromRawData(text.data(), text.size()));
        break;
      }
    }
  }
  painter.restore();
}

const PageImage* pageImage(QStringView name) { return store().value(name.toString(), nullptr); }
void storePage(const QString& name, const PageImage* page) { store().insert(name, page); }
void dropPage(const QString& name) { store().remove(name); }

}  // namespace rt::report
