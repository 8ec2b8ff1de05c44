// The kinds of controls. Each kind has one builder, which makes its widget from its line of the
// window's table, and one adapter, through which the window's calls reach that widget: show the bound
// variable, take the edit into it, texts, colours, visibility, removal. A new kind is one class here
// and one line in `kindOps`.

#include "runtime/text/Picture.h"
#include "runtime/window/Internal.h"
#include "runtime/window/Keys.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Resources.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <optional>

namespace rt::win {
namespace {

QString textOf(const ControlDef& d) { return QString::fromUtf8(d.text); }

Qt::Alignment alignmentOf(const ControlDef& d, const rt::Picture* pic) {
  if (d.attrs & A_Centre) return Qt::AlignHCenter | Qt::AlignVCenter;
  if (d.attrs & A_Right) return Qt::AlignRight | Qt::AlignVCenter;
  if (pic && pic->kind() == rt::Picture::Kind::Number) return Qt::AlignRight | Qt::AlignVCenter;
  return Qt::AlignLeft | Qt::AlignVCenter;
}

bool isNumber(const rt::Picture* p) { return p && p->kind() == rt::Picture::Kind::Number; }
bool isText(const rt::Picture* p) { return !p || p->kind() == rt::Picture::Kind::Text; }

// A text keeps its leading blanks and loses its trailing ones; numbers and dates lose both.
QString shown(const ControlState& c) {
  const QString t = c.def->bound.show(c.picture.get());
  if (!isText(c.picture.get())) return t.trimmed();
  qsizetype end = t.size();
  while (end > 0 && t[end - 1] == ' ') --end;
  return t.left(end);
}

// ------------------------------------------------------------------- buttons and texts

// A push button that shows its whole text, as the platform's buttons do when they are big enough:
// a text wider than the button wraps onto further lines at its blanks when the button is tall
// enough; one that fits no way shrinks its type, down to a least size that still reads.
class Button : public QPushButton {
 public:
  Button(const QString& text, QWidget* parent) : QPushButton(text, parent), full_(text) {}
  void setFullText(const QString& text) {
    full_ = text;
    fit();
  }
  const QString& fullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QPushButton::resizeEvent(e);
    fit();
  }
  void changeEvent(QEvent* e) override {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::FontChange && !fitting_) {
      own_ = font();
      fit();
    }
  }

 private:
  static constexpr int kLeastPixels = 6;

  // The text as shown in type `f`, on as many lines as fit; empty when it does not fit.
  std::optional<QString> shownIn(const QFont& f) const {
    const QFontMetrics fm(f);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    // The room inside the button's frame, as the style gives it or the platform leaves it.
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    const QSize room(std::max(contents.width(), QPushButton::width() - 6), std::max(contents.height(), height() - 4));
    const int width = room.width() - (icon().isNull() ? 0 : iconSize().width() + 4);
    const auto fits = [&](const QString& line) { return fm.horizontalAdvance(QString(line).remove('&')) <= width; };
    if (fits(full_)) return full_;
    QStringList lines;
    for (const QString& word : full_.split(' ')) {
      if (!lines.isEmpty() && fits(lines.back() + ' ' + word))
        lines.back() += ' ' + word;
      else
        lines << word;
    }
    const bool tall = lines.size() * fm.height() <= room.height();
    if (!tall || !std::all_of(lines.begin(), lines.end(), fits)) return std::nullopt;
    return lines.join('\n');
  }

  void fit() {
    if (!own_) own_ = font();
    QFont f = *own_;
    std::optional<QString> shown = shownIn(f);
    while (!shown && QFontInfo(f).pixelSize() > kLeastPixels) {
      if (f.pixelSize() > 0)
        f.setPixelSize(f.pixelSize() - 1);
      else
        f.setPointSizeF(f.pointSizeF() - 0.5);
      shown = shownIn(f);
    }
    fitting_ = true;
    if (font() != f) setFont(f);
    fitting_ = false;
    setText(shown.value_or(full_));
  }

  QString full_;
  std::optional<QFont> own_;  // the button's type before it was shrunk to fit
  bool fitting_ = false;
};

struct ButtonOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* button = new Button(textOf(*c.def), b.host);
    if (*c.def->icon) button->setIcon(resourceIcon(QString::fromUtf8(c.def->icon)));
    button->setAutoDefault(false);
    button->setDefault(c.def->attrs & A_Default);
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    QObject::connect(button, &QPushButton::clicked, button, [w, field] { w->enqueue(EV_Accepted, field); });
    return button;
  }
  bool takesFocus() const override { return true; }
  QSize naturalSize(const WindowImpl& w, const ControlState& c) const override {
    return {KindOps::naturalSize(w, c).width(), w.py(14)};
  }
  void setText(WindowImpl&, ControlState& c, const QString& text) const override {
    static_cast<Button*>(c.widget.data())->setFullText(text);
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    return static_cast<Button*>(c.widget.data())->fullText();
  }
};

struct EntryOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* e = new QLineEdit(b.host);
    if (c.picture && c.picture->kind() == rt::Picture::Kind::Text) e->setMaxLength(c.picture->width());
    e->setAlignment(alignmentOf(*c.def, c.picture.get()));
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    const bool immediate = c.def->attrs & A_Immediate;
    QObject::connect(e, &QLineEdit::textEdited, e, [w, field, immediate] {
      if (ControlState* s = w->control(field)) s->changed = true;
      if (immediate) w->enqueue(EV_NewSelection, field);
    });
    return e;
  }
  bool takesFocus() const override { return true; }
  QSize naturalSize(const WindowImpl& w, const ControlState& c) const override {
    int width = KindOps::naturalSize(w, c).width();
    if (c.picture) width = QFontMetrics(c.widget->font()).horizontalAdvance(QString(c.picture->width() + 1, '0')) + 8;
    return {width, w.py(10)};
  }
  void display(WindowImpl&, ControlState& c) const override {
    if (!c.def->bound.isSet()) return;
    static_cast<QLineEdit*>(c.widget.data())->setText(shown(c));
    c.changed = false;
  }
  bool take(WindowImpl&, ControlState& c) const override {
    return !c.def->bound.isSet() || c.def->bound.take(typed(c), c.picture.get());
  }
  QString typed(const ControlState& c) const override { return static_cast<QLineEdit*>(c.widget.data())->text(); }
  void setText(WindowImpl&, ControlState& c, const QString& text) const override {
    static_cast<QLineEdit*>(c.widget.data())->setText(text);
  }
  QString text(const WindowImpl&, const ControlState& c) const override { return typed(c); }
};

struct LabelOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* l = new QLabel(textOf(*c.def), b.host);
    l->setAlignment(alignmentOf(*c.def, c.picture.get()));
    l->setTextFormat(Qt::PlainText);
    return l;
  }
  QSize naturalSize(const WindowImpl& w, const ControlState& c) const override {
    const QFontMetrics fm(c.widget->font());
    int width = KindOps::naturalSize(w, c).width();
    if (c.picture) width = fm.horizontalAdvance(QString(c.picture->width(), '0'));
    return {width, fm.height()};
  }
  void display(WindowImpl&, ControlState& c) const override {
    if (!c.def->bound.isSet()) return;
    const QString t = c.def->bound.show(c.picture.get());
    static_cast<QLabel*>(c.widget.data())->setText(isNumber(c.picture.get()) ? t.trimmed() : t);
  }
  void setText(WindowImpl&, ControlState& c, const QString& text) const override {
    static_cast<QLabel*>(c.widget.data())->setText(text);
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    return static_cast<QLabel*>(c.widget.data())->text();
  }
};

struct CheckBoxOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    QAbstractButton* box = nullptr;
    if (c.def->attrs & A_Button) {
      auto* button = new QPushButton(textOf(*c.def), b.host);
      button->setCheckable(true);
      button->setAutoDefault(false);
      if (*c.def->icon) button->setIcon(resourceIcon(QString::fromUtf8(c.def->icon)));
      box = button;
    } else {
      box = new QCheckBox(textOf(*c.def), b.host);
    }
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    QObject::connect(box, &QAbstractButton::clicked, box, [w, field](bool on) {
      ControlState* s = w->control(field);
      if (s && s->def->bound.isSet()) s->def->bound.setNumber(on ? 1 : 0);
      w->enqueue(EV_Accepted, field);
    });
    return box;
  }
  bool takesFocus() const override { return true; }
  void display(WindowImpl&, ControlState& c) const override {
    if (c.def->bound.isSet()) static_cast<QAbstractButton*>(c.widget.data())->setChecked(c.def->bound.number() != 0);
  }
};

// ------------------------------------------------------------------- option groups

// A frame that may carry a title (a group box): the control's text is its title.
struct TitledOps : KindOps {
  void setText(WindowImpl&, ControlState& c, const QString& text) const override {
    if (auto* g = qobject_cast<QGroupBox*>(c.widget.data())) g->setTitle(text);
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    auto* g = qobject_cast<QGroupBox*>(c.widget.data());
    return g ? g->title() : QString();
  }
};

struct OptionGroupOps : TitledOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    QWidget* frame = *c.def->text ? static_cast<QWidget*>(new QGroupBox(textOf(*c.def), b.host)) : new QFrame(b.host);
    b.group = new QButtonGroup(frame);
    b.w.groups.push_back(b.group);
    b.groupField = c.def->field;
    b.behind.push_back(frame);
    return frame;
  }
  void display(WindowImpl& w, ControlState& c) const override {
    // The options show the group's variable.
    for (auto& [key, o] : w.controls)
      if (o.group == c.def->field && o.widget) o.ops->display(w, o);
  }
};

struct OptionOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* r = new QRadioButton(textOf(*c.def), b.host);
    c.group = b.groupField;
    if (b.group) b.group->addButton(r);
    WindowImpl* w = &b.w;
    const int group = b.groupField;
    const double value = c.def->value;
    QObject::connect(r, &QRadioButton::clicked, r, [w, group, value] {
      ControlState* g = w->control(group);
      if (g && g->def->bound.isSet()) g->def->bound.setNumber(value);
      w->enqueue(EV_Accepted, group);
    });
    return r;
  }
  bool takesFocus() const override { return true; }
  void display(WindowImpl& w, ControlState& c) const override {
    ControlState* g = w.control(c.group);
    if (g && g->def->bound.isSet())
      static_cast<QRadioButton*>(c.widget.data())->setChecked(g->def->bound.number() == c.def->value);
  }
};

// A spin is never lower than its type needs, so that its digits show whole and its arrows can be hit.
class Spin : public QSpinBox {
 public:
  explicit Spin(QWidget* parent) : QSpinBox(parent) { fit(); }

 protected:
  void changeEvent(QEvent* e) override {
    QSpinBox::changeEvent(e);
    if (e->type() == QEvent::FontChange) fit();
  }

 private:
  void fit() { setMinimumHeight(fontMetrics().height() + 6); }
};

struct SpinOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* s = new Spin(b.host);
    s->setRange(c.def->low, c.def->high);
    s->setAlignment(Qt::AlignRight);
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    QObject::connect(s, &QSpinBox::valueChanged, s, [w, field](int v) {
      ControlState* st = w->control(field);
      if (!st || st->widget->signalsBlocked()) return;
      if (st->def->bound.isSet()) st->def->bound.setNumber(v);
      w->enqueue(EV_NewSelection, field);
    });
    return s;
  }
  bool takesFocus() const override { return true; }
  void display(WindowImpl&, ControlState& c) const override {
    if (!c.def->bound.isSet()) return;
    auto* s = static_cast<QSpinBox*>(c.widget.data());
    const QSignalBlocker block(s);
    s->setValue(static_cast<int>(c.def->bound.number()));
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    return static_cast<QSpinBox*>(c.widget.data())->text();
  }
};

// ------------------------------------------------------------------- shapes and pictures

// A panel, box or line, or a box with a title. It paints its own fill: the widget styles of a
// toolbar do not fill it.
template <class Frame>
class Filled : public Frame {
 public:
  using Frame::Frame;

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (this->autoFillBackground()) QPainter(this).fillRect(this->rect(), this->palette().color(QPalette::Window));
    Frame::paintEvent(e);
  }
};
using Fill = Filled<QFrame>;
using TitledBox = Filled<QGroupBox>;

struct ShapeOps : TitledOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    const ControlDef& d = *c.def;
    if (d.kind == Kind::Box && *d.text) {
      auto* g = new TitledBox(textOf(d), b.host);
      if (d.fill.isValid()) setBackground(g, d.fill);
      b.behind.push_back(g);
      return g;
    }
    auto* f = new Fill(b.host);
    if (d.kind == Kind::Line) {
      f->setFrameShape((d.attrs & A_Vertical) ? QFrame::VLine : QFrame::HLine);
    } else if (d.kind == Kind::Box) {
      f->setFrameShape(QFrame::Box);
      if (d.border.isValid()) {
        QPalette pal = f->palette();
        pal.setColor(QPalette::WindowText, d.border);
        f->setPalette(pal);
      }
    }
    if (d.fill.isValid()) setBackground(f, d.fill);
    b.behind.push_back(f);
    return f;
  }
};

struct ImageOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* l = new QLabel(b.host);
    l->setPixmap(resourcePixmap(QString::fromUtf8(c.def->icon)));
    l->setScaledContents(c.def->attrs & A_Scaled);
    b.behind.push_back(l);
    return l;
  }
};

// ------------------------------------------------------------------- lists

struct ListOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    // The format string stands in the control's text; the rows come from setListSource.
    auto* l = new ListBox(b.host, b.w.units.x);
    l->setFormat(textOf(*c.def));
    if (!(c.def->attrs & A_HScroll)) l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (c.def->fill.isValid()) {
      QPalette pal = l->palette();
      pal.setColor(QPalette::Base, c.def->fill);
      l->setPalette(pal);
    }
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    l->onDoubleClick = [w, field] { w->enqueue(EV_Accepted, field, kKeyMouseLeft2); };
    l->onNewSelection = [w, field] { w->enqueue(EV_NewSelection, field); };
    l->onColumnResized = [w, field] { w->enqueue(EV_ColumnResize, field); };
    return l;
  }
  bool takesFocus() const override { return true; }
  void display(WindowImpl&, ControlState& c) const override { static_cast<ListBox*>(c.widget.data())->refresh(); }
};

// ------------------------------------------------------------------- menus

struct MenuOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    if (!b.menuBar) return nullptr;  // only a frame has a menu bar
    b.menu = b.menuBar->addMenu(textOf(*c.def));
    b.menu->setObjectName(QString::fromUtf8(c.def->label));
    c.action = b.menu->menuAction();
    c.widget = b.menu;
    return nullptr;
  }
  void setText(WindowImpl&, ControlState& c, const QString& text) const override { c.action->setText(text); }
  QString text(const WindowImpl&, const ControlState& c) const override { return c.action->text(); }
  void setVisible(WindowImpl&, ControlState& c, bool on) const override { c.action->setVisible(on); }
  void setEnabled(WindowImpl&, ControlState& c, bool on) const override { c.action->setEnabled(on); }
  void remove(WindowImpl&, ControlState& c) const override {
    c.action->setVisible(false);
    if (c.action->menu() == nullptr) c.action->deleteLater();
  }
};

struct MenuItemOps : MenuOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    if (!b.menu) return nullptr;
    const ControlDef& d = *c.def;
    if (d.attrs & A_Separator) b.menu->addSeparator();
    QAction* a = b.menu->addAction(textOf(d));
    a->setObjectName(QString::fromUtf8(d.label));
    if (d.key) a->setShortcut(QKeySequence(qtKeyOf(d.key)));
    if (*d.icon) a->setIcon(resourceIcon(QString::fromUtf8(d.icon)));
    WindowImpl* w = &b.w;
    const int field = d.field;
    QObject::connect(a, &QAction::triggered, a, [w, field] { w->enqueue(EV_Accepted, field); });
    c.action = a;
    return nullptr;
  }
};

// ------------------------------------------------------------------- tab sheets

// Draws every tab in its own colour.
class ColouredTabBar : public QTabBar {
 public:
  using QTabBar::QTabBar;
  std::map<QWidget*, QColor>* colours = nullptr;
  QTabWidget* sheet = nullptr;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    for (int i = 0; i < count(); ++i) {
      if (!isTabVisible(i)) continue;
      QStyleOptionTab opt;
      initStyleOption(&opt, i);
      p.drawControl(QStyle::CE_TabBarTabShape, opt);
      const auto it = colours->find(sheet->widget(i));
      if (it != colours->end() && it->second.isValid()) p.fillRect(opt.rect.adjusted(2, 2, -2, i == currentIndex() ? 0 : -1), it->second);
      p.drawControl(QStyle::CE_TabBarTabLabel, opt);
    }
  }
};

class Sheet : public QTabWidget {
 public:
  explicit Sheet(QWidget* parent) : QTabWidget(parent) {
    auto* bar = new ColouredTabBar(this);
    bar->colours = &colours;
    bar->sheet = this;
    setTabBar(bar);
  }
  std::map<QWidget*, QColor> colours;  // by page
};

struct SheetOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* s = new Sheet(b.host);
    b.sheet = s;
    b.tabKey = 0;
    b.behind.push_back(s);
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    QObject::connect(s, &QTabWidget::currentChanged, s, [w, field] {
      for (auto& [key, o] : w->controls)
        if (o.tab) w->applyVisibility(o);
      if (w->open && field) w->enqueue(EV_NewSelection, field);
    });
    return s;
  }
  void setVisible(WindowImpl& w, ControlState& c, bool on) const override {
    KindOps::setVisible(w, c, on);
    for (auto& [key, o] : w.controls)
      if (o.tab) w.applyVisibility(o);
  }
};

struct TabOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    if (!b.sheet) return nullptr;
    auto* page = new QWidget;
    if (c.def->fill.isValid()) setBackground(page, c.def->fill);
    static_cast<Sheet*>(b.sheet)->colours[page] = c.def->fill;
    const int index = b.sheet->addTab(page, textOf(*c.def));
    if (*c.def->tip) b.sheet->setTabToolTip(index, QString::fromUtf8(c.def->tip));
    c.tab = 0;
    b.tabKey = c.key;
    return page;
  }
  static Sheet* sheetOf(const ControlState& c) {
    for (QWidget* p = c.widget ? c.widget->parentWidget() : nullptr; p; p = p->parentWidget())
      if (auto* s = dynamic_cast<Sheet*>(p)) return s;
    return nullptr;
  }
  static int index(const ControlState& c) {
    Sheet* s = sheetOf(c);
    return s ? s->indexOf(c.widget) : -1;
  }
  void setText(WindowImpl&, ControlState& c, const QString& text) const override {
    if (Sheet* s = sheetOf(c)) s->setTabText(index(c), text);
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    Sheet* s = sheetOf(c);
    return s ? s->tabText(index(c)) : QString();
  }
  void setFill(WindowImpl&, ControlState& c, const QColor& colour) const override {
    setBackground(c.widget, colour);
    if (Sheet* s = sheetOf(c)) {
      s->colours[c.widget] = colour;
      s->tabBar()->update();
    }
  }
  void setVisible(WindowImpl& w, ControlState& c, bool on) const override {
    if (Sheet* s = sheetOf(c)) s->setTabVisible(index(c), on);
    for (auto& [k, o] : w.controls)
      if (o.tab == c.key) w.applyVisibility(o);
  }
  void setEnabled(WindowImpl&, ControlState& c, bool on) const override {
    if (Sheet* s = sheetOf(c)) s->setTabEnabled(index(c), on);
  }
  void remove(WindowImpl& w, ControlState& c) const override {
    // The tab goes with the controls on its page.
    for (auto it = w.controls.begin(); it != w.controls.end();) {
      if (it->second.tab == c.key) {
        it->second.ops->remove(w, it->second);
        it = w.controls.erase(it);
      } else {
        ++it;
      }
    }
    if (Sheet* s = sheetOf(c)) {
      s->colours.erase(c.widget);
      s->removeTab(index(c));
    }
    c.widget->deleteLater();
  }
};

struct EndOps : KindOps {
  QWidget* build(Builder& b, ControlState&) const override {
    b.sheet = nullptr;
    b.tabKey = 0;
    return nullptr;
  }
};

// ------------------------------------------------------------------- regions, progress, page views

class RegionWidget : public QWidget {
 public:
  using QWidget::QWidget;
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick) onClick();
  }
};

struct RegionOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* r = new RegionWidget(b.host);
    r->setAttribute(Qt::WA_NoSystemBackground);
    r->setCursor(c.def->cursor);
    WindowImpl* w = &b.w;
    const int field = c.def->field;
    r->onClick = [w, field] { w->enqueue(EV_Accepted, field); };
    return r;
  }
};

struct ProgressOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* p = new QProgressBar(b.host);
    const bool range = c.def->low || c.def->high;
    p->setRange(range ? c.def->low : 0, range ? c.def->high : 100);
    p->setTextVisible(false);
    p->setValue(p->minimum());
    return p;
  }
  void display(WindowImpl&, ControlState& c) const override {
    if (!c.def->bound.isSet()) return;
    auto* p = static_cast<QProgressBar*>(c.widget.data());
    p->setValue(std::clamp(static_cast<int>(c.def->bound.number()), p->minimum(), p->maximum()));
  }
  QString text(const WindowImpl&, const ControlState& c) const override {
    return QString::number(static_cast<QProgressBar*>(c.widget.data())->value());
  }
};

// The page: as wide as the view, as tall as the page's proportions make it.
class PageCanvas : public QWidget {
 public:
  QSizeF page{210, 297};
  std::function<void(QPainter&, const QRect&)> painter;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (painter) painter(p, rect());
  }
};

class PageView : public QScrollArea {
 public:
  explicit PageView(QWidget* parent) : QScrollArea(parent), canvas(new PageCanvas) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(canvas);
    setWidgetResizable(false);
  }
  void setScrollBar(bool on) {
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    fit();
  }
  void fit() {
    const bool scroll = verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    const int width = viewport()->width();
    const int tall = static_cast<int>(width * canvas->page.height() / canvas->page.width());
    canvas->resize(width, scroll ? tall : viewport()->height());
  }
  PageCanvas* canvas;

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QScrollArea::resizeEvent(e);
    fit();
  }
};

struct PageViewOps : KindOps {
  QWidget* build(Builder& b, ControlState& c) const override {
    auto* v = new PageView(b.host);
    v->setScrollBar(c.def->attrs & A_VScroll);
    return v;
  }
  void display(WindowImpl&, ControlState& c) const override {
    auto* v = static_cast<PageView*>(c.widget.data());
    v->fit();
    v->canvas->update();
  }
};

}  // namespace

// ------------------------------------------------------------------- the common adapter

void setBackground(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, c);
  pal.setColor(QPalette::Base, c);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

QFont controlFont(const QFont& window, const ControlDef& d) {
  QFont f = window;
  if (d.fontSize > 0) f.setPointSize(d.fontSize);
  if (d.attrs & A_Large) {
    f.setPointSize(f.pointSize() * 2);
    f.setBold(true);
  }
  if (d.attrs & A_Bold) f.setBold(true);
  if (d.attrs & A_Italic) f.setItalic(true);
  return f;
}

QSize KindOps::naturalSize(const WindowImpl&, const ControlState& c) const { return c.widget->sizeHint(); }

void KindOps::setText(WindowImpl&, ControlState& c, const QString& text) const {
  if (auto* b = qobject_cast<QAbstractButton*>(c.widget.data())) b->setText(text);
}

QString KindOps::text(const WindowImpl&, const ControlState& c) const {
  auto* b = qobject_cast<QAbstractButton*>(c.widget.data());
  return b ? b->text() : QString();
}

void KindOps::setFill(WindowImpl&, ControlState& c, const QColor& colour) const { setBackground(c.widget, colour); }

void KindOps::setTextColour(WindowImpl&, ControlState& c, const QColor& colour) const {
  QPalette pal = c.widget->palette();
  pal.setColor(QPalette::WindowText, colour);
  pal.setColor(QPalette::Text, colour);
  pal.setColor(QPalette::ButtonText, colour);
  c.widget->setPalette(pal);
}

QColor KindOps::textColour(const WindowImpl&, const ControlState& c) const {
  return c.widget->palette().color(QPalette::WindowText);
}

void KindOps::setVisible(WindowImpl& w, ControlState& c, bool) const { w.applyVisibility(c); }

void KindOps::setEnabled(WindowImpl&, ControlState& c, bool on) const { c.widget->setEnabled(on); }

void KindOps::remove(WindowImpl&, ControlState& c) const {
  c.widget->hide();
  c.widget->deleteLater();
}

const KindOps& kindOps(Kind kind) {
  static const ButtonOps button;
  static const EntryOps entry;
  static const LabelOps label;
  static const CheckBoxOps checkBox;
  static const OptionGroupOps optionGroup;
  static const OptionOps option;
  static const SpinOps spin;
  static const ShapeOps shape;
  static const ImageOps image;
  static const ListOps list;
  static const MenuOps menu;
  static const MenuItemOps menuItem;
  static const SheetOps sheet;
  static const TabOps tab;
  static const EndOps end;
  static const RegionOps region;
  static const ProgressOps progress;
  static const PageViewOps pageView;
  switch (kind) {
    case Kind::Button: return button;
    case Kind::Entry: return entry;
    case Kind::Display:
    case Kind::Prompt: return label;
    case Kind::CheckBox: return checkBox;
    case Kind::OptionGroup: return optionGroup;
    case Kind::Option: return option;
    case Kind::Spin: return spin;
    case Kind::Panel:
    case Kind::Box:
    case Kind::Line: return shape;
    case Kind::Image: return image;
    case Kind::List: return list;
    case Kind::Menu: return menu;
    case Kind::MenuItem: return menuItem;
    case Kind::Sheet: return sheet;
    case Kind::Tab: return tab;
    case Kind::End: return end;
    case Kind::Region: return region;
    case Kind::Progress: return progress;
    case Kind::PageView: return pageView;
  }
  return label;
}

void setPagePainter(ControlState& c, std::function<void(QPainter&, const QRect&)> painter, const QSizeF& page) {
  if (auto* v = dynamic_cast<PageView*>(c.widget.data())) {
    v->canvas->painter = std::move(painter);
    if (page.width() > 0 && page.height() > 0) v->canvas->page = page;
    v->fit();
    v->canvas->update();
  }
}

void setPageScrollBar(ControlState& c, bool on) {
  if (auto* v = dynamic_cast<PageView*>(c.widget.data())) v->setScrollBar(on);
}

int currentTabKey(const WindowImpl& w, const ControlState& sheet) {
  auto* s = qobject_cast<QTabWidget*>(sheet.widget.data());
  QWidget* page = s ? s->currentWidget() : nullptr;
  for (const auto& [key, c] : w.controls)
    if (page && c.widget == page) return key;
  return 0;
}

void setCurrentTab(ControlState& sheet, ControlState& tab) {
  if (auto* s = qobject_cast<QTabWidget*>(sheet.widget.data())) s->setCurrentWidget(tab.widget);
}

}  // namespace rt::win
