#pragma once
// A list box drawn from a queue: the program hands over how many rows there are and the value of a
// cell, the list format decides the columns, their widths, headers and pictures. Only the rows that
// are visible are drawn, so a list of 100,000 rows costs no more than one of ten. It shows whole rows:
// the room under the last one that fits stays empty.

#include "runtime/window/ListFormat.h"
#include "runtime/window/ListSource.h"

#include <QTreeView>

namespace rt {
class Picture;
}

namespace rt::win {

class ListModel;

class ListBox : public QTreeView {
 public:
  // `dialogUnit`: the horizontal dialog unit of the window's font, in pixels; the column widths are
  // measured in it.
  ListBox(QWidget* parent, double dialogUnit);
  double dialogUnit() const { return unit_; }
  void setSource(ListSource source);
  // Applies a format string; a blank or unreadable one leaves the format as it was and returns false.
  bool setFormat(const QString& format);
  QString format() const;  // with the widths as they are now
  void refresh();          // the queue changed
  int selectedRow() const; // 1-based, 0 when none
  void selectRow(int row);

  std::function<void()> onDoubleClick;
  std::function<void()> onNewSelection;
  std::function<void()> onColumnResized;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void updateGeometries() override;
  void changeEvent(QEvent* e) override;

 private:
  // The width in pixels that the widest value of a date or number picture needs in a cell; 0 for
  // the other pictures.
  int widestValue(const rt::Picture& p) const;
  int rowPitch() const;  // the height of a row in pixels

  ListModel* model_;
  ListFormat format_;
  double unit_;
  bool applying_ = false;
};

}  // namespace rt::win
