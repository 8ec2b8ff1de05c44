#include "runtime/report/TextMeasure.h"

#include <QFontMetricsF>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace rt::report {
namespace {

constexpr int kReference = 2048;  // pixels per em at which a font is measured
constexpr double kMmPerPoint = 25.4 / 72;

}  // namespace

QFont TextMeasure::drawingFont(const QString& family, bool bold, bool underline) {
  QFont f(family);
  f.setBold(bold);
  f.setUnderline(underline);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferOutline);
  return f;
}

TextMeasure::TextMeasure(const QString& family, double points, bool bold)
    : font_(drawingFont(family, bold, false)) {
  font_.setPixelSize(kReference);
  mmPerPixel_ = points * kMmPerPoint / kReference;
  const QFontMetricsF fm(font_);
  ascent_ = fm.ascent() * mmPerPixel_;
  lineHeight_ = fm.height() * mmPerPixel_;
  for (int c = 0; c < 256; ++c)
    latin_[c] = static_cast<float>(fm.horizontalAdvance(QChar(char16_t(c))) * mmPerPixel_);
}

const TextMeasure& TextMeasure::of(const QString& family, double points, bool bold) {
  // Sizes that differ by less than a hundredth of a point (a float's rounding) are one size.
  static std::map<std::tuple<QString, long, bool>, std::unique_ptr<TextMeasure>> made;
  auto& m = made[{family, std::lround(points * 100), bold}];
  if (!m) m.reset(new TextMeasure(family, points, bold));
  return *m;
}

double TextMeasure::advance(char16_t c) const {
  if (c < 256) return latin_[c];
  auto it = others_.constFind(c);
  if (it == others_.constEnd())
    it = others_.insert(c, static_cast<float>(QFontMetricsF(font_).horizontalAdvance(QChar(c)) * mmPerPixel_));
  return *it;
}

double TextMeasure::width(QStringView text) const {
  double w = 0;
  for (const QChar c : text) w += advance(c.unicode());
  return w;
}

}  // namespace rt::report
