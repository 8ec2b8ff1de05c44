#include "runtime/window/ListBox.h"

#include "runtime/text/Picture.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <cmath>
#include <vector>

namespace rt::win {

class ListModel : public QAbstractItemModel {
 public:
  ListSource source;
  std::vector<ListColumn> columns;
  std::vector<rt::Picture> pictures;

  void setColumns(const std::vector<ListColumn>& c) {
    beginResetModel();
    columns = c;
    pictures.clear();
    for (const ListColumn& col : columns) pictures.emplace_back(col.picture.toStdString());
    endResetModel();
  }
  void reset() {
    beginResetModel();
    endResetModel();
  }

  QModelIndex index(int row, int column, const QModelIndex& parent) const override {
    return parent.isValid() ? QModelIndex() : createIndex(row, column);
  }
  QModelIndex parent(const QModelIndex&) const override { return {}; }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() || !source.count ? 0 : source.count();
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns.size());
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size())) return {};
    if (role == Qt::DisplayRole) return columns[section].header;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(columns[section].align | Qt::AlignVCenter);
    return {};
  }
  QVariant data(const QModelIndex& i, int role) const override {
    if (!i.isValid() || !source.cell) return {};
    const int row = i.row() + 1, col = i.column();
    switch (role) {
      case Qt::DisplayRole: {
        const QVariant v = source.cell(row, col);
        const rt::Picture& p = pictures[col];
        if (p.kind() == rt::Picture::Kind::Date) return p.formatDate(v.toInt());
        if (p.kind() == rt::Picture::Kind::Number && v.metaType() == QMetaType::fromType<rt::Cents>())
          return p.format(v.value<rt::Cents>()).trimmed();
        if (p.kind() == rt::Picture::Kind::Number) return p.format(v.toDouble()).trimmed();
        if (p.kind() == rt::Picture::Kind::Text) return p.formatText(v.toString());
        return v.toString();
      }
      case Qt::TextAlignmentRole:
        return QVariant::fromValue(columns[col].align | Qt::AlignVCenter);
      case Qt::ForegroundRole:
        if (source.foreground) {
          const QColor c = source.foreground(row, col);
          if (c.isValid()) return c;
        }
        return {};
      case Qt::BackgroundRole:
        return colour(source.background, row, col);
      case kSelectedForeground:
        return colour(source.selectedForeground, row, col);
      case kSelectedBackground:
        return colour(source.selectedBackground, row, col);
      default:
        return {};
    }
  }
  static constexpr int kSelectedForeground = Qt::UserRole + 1;
  static constexpr int kSelectedBackground = Qt::UserRole + 2;

 private:
  static QVariant colour(const std::function<QColor(int, int)>& f, int row, int col) {
    if (!f) return {};
    const QColor c = f(row, col);
    return c.isValid() ? QVariant(c) : QVariant();
  }
};

namespace {

// Paints a selected cell in the colours its source gives for the selected state.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant fg = index.data(ListModel::kSelectedForeground);
    const QVariant bg = index.data(ListModel::kSelectedBackground);
    if (!fg.isValid() && !bg.isValid()) return;
    // The list shows its current row in the colours of the selected state, drawn as a plain cell.
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
    if (!view || view->currentIndex().row() != index.row()) return;
    if (bg.isValid()) option->backgroundBrush = bg.value<QColor>();
    if (fg.isValid()) option->palette.setColor(QPalette::Text, fg.value<QColor>());
  }
};

}  // namespace

ListBox::ListBox(QWidget* parent, double dialogUnit)
    : QTreeView(parent), model_(new ListModel), unit_(dialogUnit) {
  model_->setParent(this);
  setModel(model_);
  setItemDelegate(new CellDelegate(this));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Cells are narrow in dialog units: no eliding and almost no padding, so that a date fits its
  // column as the program's list formats expect.
  setTextElideMode(Qt::ElideNone);
  setStyleSheet("QTreeView::item { padding: 0px 1px; }");
  // The room under the last whole row shows the list's colour.
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  connect(header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (applying_) return;
    // Not even the user makes a date or number column narrower than its widest value; its width in
    // the format stays then.
    const int least = section < static_cast<int>(model_->pictures.size()) ? widestValue(model_->pictures[section]) : 0;
    if (size > 0 && size <= least) {
      applying_ = true;
      header()->resizeSection(section, least);
      applying_ = false;
      return;
    }
    // The format takes every column as the list shows it now, so that applied again it shows them
    // the same to the pixel (a date or number column may be wider than its format said).
    for (int i = 0; i < static_cast<int>(format_.columns().size()); ++i)
      if (format_.columns()[i].width > 0 || i == section) format_.setWidth(i, header()->sectionSize(i) / unit_);
    if (onColumnResized) onColumnResized();
  });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
    if (!applying_ && onNewSelection) onNewSelection();
  });
}

void ListBox::setSource(ListSource source) {
  // With colours of its own for the selected state, the current row is drawn by the cells alone.
  const bool ownSelection = source.selectedBackground || source.selectedForeground;
  setSelectionMode(ownSelection ? QAbstractItemView::NoSelection : QAbstractItemView::SingleSelection);
  setAllColumnsShowFocus(!ownSelection);  // the style's focus frame would tint the current row
  model_->source = std::move(source);
  refresh();
}

bool ListBox::setFormat(const QString& text) {
  const auto f = ListFormat::parse(text.trimmed());
  if (!f) return false;
  applying_ = true;
  format_ = *f;
  model_->setColumns(format_.columns());
  // A date or number column is never narrower than the widest value of its picture in the list's
  // font: the font's digits are a little wider than those the formats were measured with, and a
  // number cut at its left would read as another number. The room it needs beyond its width comes
  // from the widest text column, down to half of that, so that the columns still fit where the
  // format put them.
  const int n = static_cast<int>(format_.columns().size());
  std::vector<int> widths(n);
  int extra = 0, widestText = -1;
  for (int i = 0; i < n; ++i) {
    const ListColumn& c = format_.columns()[i];
    if (c.width == 0) continue;
    widths[i] = static_cast<int>(std::lround(c.width * unit_));
    const int least = widestValue(model_->pictures[i]);
    if (least > widths[i]) {
      extra += least - widths[i];
      widths[i] = least;
    } else if (!least && (widestText < 0 || widths[i] > widths[widestText])) {
      widestText = i;
    }
  }
  if (widestText >= 0) widths[widestText] -= std::min(extra, widths[widestText] / 2);
  for (int i = 0; i < n; ++i) {
    const ListColumn& c = format_.columns()[i];
    header()->setSectionHidden(i, c.width == 0);
    if (c.width > 0) header()->resizeSection(i, widths[i]);
    header()->setSectionResizeMode(i, c.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
  }
  applying_ = false;
  return true;
}

QString ListBox::format() const { return format_.text(); }

int ListBox::widestValue(const rt::Picture& p) const {
  QStringList values;
  if (p.kind() == rt::Picture::Kind::Date) values << p.formatDate(rt::dayNumber(2000, 12, 28));
  if (p.kind() == rt::Picture::Kind::Number) {
    // All nines, as many as fit the picture, with and without a sign, and the fill of a value that
    // does not fit.
    values << QString(p.width(), '#');
    for (double nines = 9; nines < 1e15; nines = nines * 10 + 9) {
      const double v = nines / std::pow(10.0, p.decimals());
      const QString plus = p.format(v).trimmed(), minus = p.format(-v).trimmed();
      if (plus.contains('#')) break;
      values << plus << (minus.contains('#') ? QString() : minus);
    }
  }
  int widest = 0;
  for (const QString& v : values) widest = std::max(widest, fontMetrics().horizontalAdvance(v));
  if (!widest) return 0;
  // The cell's padding and the style's text margins on both sides.
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return widest + 2 * margin + 2 + 2;
}

int ListBox::rowPitch() const {
  const int row = model_->rowCount({}) > 0 ? rowHeight(model_->index(0, 0, {})) : 0;
  return row > 0 ? row : fontMetrics().height() + 2;
}

void ListBox::updateGeometries() {
  QTreeView::updateGeometries();
  // Whole rows only: the room under the last whole row is left empty in the list's colour.
  const int top = header()->isHidden() ? 0 : header()->sizeHint().height();
  const int bar = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
  const int room = contentsRect().height() - top - bar;
  const int rest = room > rowPitch() ? room % rowPitch() : 0;
  if (viewportMargins() != QMargins(0, top, 0, rest)) setViewportMargins(0, top, 0, rest);
}

void ListBox::changeEvent(QEvent* e) {
  QTreeView::changeEvent(e);
  // The columns' minimum widths are measured in the list's own font.
  if (e->type() == QEvent::FontChange) setFormat(format_.text());
}

void ListBox::refresh() {
  const int keep = selectedRow();
  applying_ = true;
  model_->reset();
  applying_ = false;
  if (keep > 0 && keep <= model_->rowCount({})) selectRow(keep);
}

int ListBox::selectedRow() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.row() + 1 : 0;
}

void ListBox::selectRow(int row) {
  if (row == 0) {  // no row highlighted
    setCurrentIndex({});
    clearSelection();
    return;
  }
  if (row < 1 || row > model_->rowCount({})) return;
  setCurrentIndex(model_->index(row - 1, 0, {}));
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QTreeView::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton && indexAt(e->position().toPoint()).isValid() && onDoubleClick) onDoubleClick();
}

}  // namespace rt::win
