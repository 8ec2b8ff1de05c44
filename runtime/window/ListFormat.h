#pragma once
// The column format of a list box, as a format string: each column is its width in dialog units,
// its alignment (L, R, C), then in any order "M" (the user may resize it), "|" (a dividing line on
// its right), "~Header~" and "@picture@". Example: "33LM|~Datum~@D06.@95LM|~Text~".
//
// A width of 0 hides the column. After the user resized columns, `text` gives the format back with
// the widths as the list shows them and everything else as it was, so that it fits where it came
// from. A width may carry one decimal ("95.3"): dialog units are coarser than pixels, and a width the
// user dragged comes back to the pixel.

#include <QString>
#include <optional>
#include <vector>

namespace rt::win {

struct ListColumn {
  double width = 0;        // dialog units
  Qt::Alignment align = Qt::AlignLeft;
  bool resizable = false;
  bool divider = false;
  QString header;
  QString picture;
  QString rest;            // the column's text after its width, kept for writing the format back
};

class ListFormat {
 public:
  // Empty when the text is not a format string.
  static std::optional<ListFormat> parse(const QString& text);

  const std::vector<ListColumn>& columns() const { return columns_; }
  void setWidth(int column, double width);  // kept to one decimal
  QString text() const;

 private:
  std::vector<ListColumn> columns_;
};

}  // namespace rt::win
