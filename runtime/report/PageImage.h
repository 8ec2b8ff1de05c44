#pragma once
// A page image: what one printed page shows, as a device-independent list of drawing items in
// millimetres from the page's top-left corner. One routine draws it onto any paint device at any
// size (the preview, a printer, a PDF file), so that they never differ, and sharp at every zoom.
// Page images are kept by name in the page store while their report is open.

#include <QRgb>
#include <QRectF>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <vector>

class QPainter;

namespace rt::report {

struct DrawItem {
  enum class Kind : std::uint8_t { Text, Box, Line };
  enum Style : std::uint8_t { None = 0, Bold = 1, Underline = 2 };
  Kind kind = Kind::Text;
  std::uint8_t style = None;
  float size = 0;                 // text: font size in points
  float x = 0, y = 0, w = 0, h = 0;  // millimetres; text: the left edge and top of the text as laid
                                  // out, its width and its line height
  QRgb color = 0;                 // text or rule colour, border of a box (alpha 0: none)
  QRgb fill = 0;                  // fill of a box (alpha 0: none)
  std::uint32_t textStart = 0;    // the text, in the page's text buffer
  std::uint32_t textLength = 0;
};

struct PageImage {
  int number = 0;                 // 1 for the first page of a report
  double width = 210, height = 297;  // paper size in millimetres, as it stands (landscape: wider)
  QString font;                   // family of every text on the page
  std::vector<DrawItem> items;    // in drawing order, the fills of boxes first of all
  QString texts;                  // the items' texts, one after the other

  QStringView text(const DrawItem& item) const {
    return QStringView(texts).mid(item.textStart, item.textLength);
  }
  // Memory the image holds, for the benchmarks.
  std::size_t bytes() const;
};

// Draws `page` so that its paper fills `target` (device coordinates of the painter).
void render(QPainter& painter, const PageImage& page, const QRectF& target);

// The page store: images by the name that the page list holds; nullptr for a name that no open
// report keeps.
const PageImage* pageImage(QStringView name);
void storePage(const QString& name, const PageImage* page);
void dropPage(const QString& name);

}  // namespace rt::report
