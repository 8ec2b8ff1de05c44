#include "runtime/window/ListFormat.h"

#include <QRegularExpression>
#include <cmath>

namespace rt::win {

std::optional<ListFormat> ListFormat::parse(const QString& text) {
  ListFormat f;
  int i = 0;
  const int n = static_cast<int>(text.size());
  while (i < n) {
    if (!text[i].isDigit()) return std::nullopt;
    ListColumn c;
    int start = i;
    while (i < n && text[i].isDigit()) ++i;
    if (i + 1 < n && text[i] == '.' && text[i + 1].isDigit()) {
      ++i;
      while (i < n && text[i].isDigit()) ++i;
    }
    c.width = text.mid(start, i - start).toDouble();
    const int restStart = i;
    bool aligned = false;
    while (i < n && !text[i].isDigit()) {
      const QChar ch = text[i];
      if (ch == '~' || ch == '@') {
        const int close = text.indexOf(ch, i + 1);
        if (close < 0) return std::nullopt;
        (ch == '~' ? c.header : c.picture) = text.mid(i + 1, close - i - 1);
        if (ch == '@') c.picture.prepend('@');
        i = close + 1;
        continue;
      }
      if (ch == 'M') {
        c.resizable = true;
      } else if (ch == '|') {
        c.divider = true;
      } else if (!aligned && (ch == 'L' || ch == 'R' || ch == 'C')) {
        c.align = ch == 'L' ? Qt::AlignLeft : ch == 'R' ? Qt::AlignRight : Qt::AlignHCenter;
        aligned = true;
      } else if (ch == 'L' || ch == 'R' || ch == 'C') {
        // the alignment of the header; the header follows the column's own
      } else {
        return std::nullopt;
      }
      ++i;
    }
    c.rest = text.mid(restStart, i - restStart);
    f.columns_.push_back(c);
  }
  if (f.columns_.empty()) return std::nullopt;
  return f;
}

void ListFormat::setWidth(int column, double width) {
  if (column >= 0 && column < static_cast<int>(columns_.size()))
    columns_[column].width = std::max(0.0, std::round(width * 10) / 10);
}

QString ListFormat::text() const {
  QString out;
  for (const ListColumn& c : columns_) out += QString::number(c.width, 'f', 1).remove(QRegularExpression("\\.0$")) + c.rest;
  return out;
}

}  // namespace rt::win
