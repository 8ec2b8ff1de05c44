#pragma once
// Text measures in millimetres, the same for every device: taken without hinting and without
// kerning from the font at a large size, as the page images lay texts out and as they are drawn.

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>

namespace rt::report {

class TextMeasure {
 public:
  // The measure of that font, made once and kept for the run.
  static const TextMeasure& of(const QString& family, double points, bool bold);

  double ascent() const { return ascent_; }          // from the top of a line to its baseline
  double lineHeight() const { return lineHeight_; }
  double width(QStringView text) const;

  // The font with which texts are drawn: no hinting, no kerning, as they were measured.
  static QFont drawingFont(const QString& family, bool bold, bool underline);

 private:
  TextMeasure(const QString& family, double points, bool bold);
  double advance(char16_t c) const;

  QFont font_;        // at kReference pixels per em
  double mmPerPixel_ = 0;
  double ascent_ = 0, lineHeight_ = 0;
  std::array<float, 256> latin_{};
  mutable QHash<char16_t, float> others_;
};

}  // namespace rt::report
