#include "runtime/report/Report.h"

#include "runtime/report/TextMeasure.h"
#include "runtime/text/Picture.h"
#include "runtime/window/Window.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace rt::report {
namespace {

constexpr double kEpsilon = 1e-6;  // millimetres that rounding may add to a sum of positions

// How long a report built in steps goes on at a time, so that the screen and the input keep up.
constexpr qint64 kStepNanoseconds = 5'000'000;

QRgb rgbaOr(const QColor& c, QRgb otherwise) { return c.isValid() ? c.rgba() : otherwise; }

int nextRun() {
  static int run = 0;
  return ++run;
}

}  // namespace

struct Report::Control {
  const ControlDef* def;
  std::optional<rt::Picture> picture;
  QString fixed;  // the text of a Text control
  const TextMeasure* measure;
  double size;    // points
  std::uint8_t style;
  double x, h;
  QColor fill;
  bool hidden;

  double height() const { return h > 0 || def->kind == Kind::Box || def->kind == Kind::Line ? h : measure->lineHeight(); }
  bool isNumber() const {
    return def->kind == Kind::PageNumber || (picture && picture->kind() == rt::Picture::Kind::Number);
  }

  // What the control shows now, without blanks around it (a text keeps its leading blanks).
  QString value(int pageNumber) const {
    switch (def->kind) {
      case Kind::Text: return fixed;
      case Kind::PageNumber:
        return picture ? picture->format(pageNumber).trimmed() : QString::number(pageNumber);
      case Kind::String: {
        const rt::Picture* p = picture ? &*picture : nullptr;
        QString s = def->bound.show(p);
        if (p && p->kind() == rt::Picture::Kind::Text) s = p->formatText(s);
        if (isNumber()) return s.trimmed();
        while (!s.isEmpty() && s.back() == ' ') s.chop(1);
        return s;
      }
      case Kind::Box:
      case Kind::Line: break;
    }
    return {};
  }
};

struct Report::Band {
  const BandDef* def;
  std::vector<Control> controls;
};

Report::Report(const ReportDef& def) : def_(def), label_(QString::fromUtf8(def.label)), landscape_(def.landscape) {
  bands_.reserve(def_.bands.size() + 1);
  const auto make = [this](const BandDef& b) {
    Band band{&b, {}};
    const double bandSize = b.fontSize > 0 ? b.fontSize : def_.fontSize;
    for (const ControlDef& c : b.controls) {
      const double size = c.fontSize > 0 ? c.fontSize : bandSize;
      const bool bold = c.attrs & A_Bold;
      std::optional<rt::Picture> picture;
      if (*c.picture) picture.emplace(c.picture);
      band.controls.push_back(Control{
          &c, std::move(picture), QString::fromUtf8(c.text), &TextMeasure::of(QString::fromUtf8(def_.font), size, bold),
          size,
          static_cast<std::uint8_t>((bold ? DrawItem::Bold : 0) | (c.attrs & A_Underline ? DrawItem::Underline : 0)),
          c.x, c.h, c.fill, (c.attrs & A_Hidden) != 0});
    }
    bands_.push_back(std::move(band));
  };
  make(def_.header);
  for (const BandDef& b : def_.bands) make(b);
}

Report::~Report() { discard(); }

QString Report::title() const { return QString::fromUtf8(def_.title); }

Report::Band* Report::band(const char* label) {
  for (std::size_t i = 1; i < bands_.size(); ++i)
    if (std::strcmp(bands_[i].def->label, label) == 0) return &bands_[i];
  return nullptr;
}

template <typename Change>
void Report::change(const char* label, Change change) {
  for (Band& b : bands_)
    for (Control& c : b.controls)
      if (std::strcmp(c.def->label, label) == 0) change(c);
}

void Report::hide(const char* label) { change(label, [](Control& c) { c.hidden = true; }); }
void Report::unhide(const char* label) { change(label, [](Control& c) { c.hidden = false; }); }
void Report::setHeight(const char* label, double mm) { change(label, [mm](Control& c) { c.h = mm; }); }
void Report::setFill(const char* label, const QColor& fill) { change(label, [&fill](Control& c) { c.fill = fill; }); }
void Report::setX(const char* label, double mm) { change(label, [mm](Control& c) { c.x = mm; }); }

void Report::setLandscape(bool landscape) {
  landscape_ = landscape;
  for (auto& image : images_) {
    const double shortSide = std::min(def_.paperWidth, def_.paperHeight), longSide = std::max(def_.paperWidth, def_.paperHeight);
    image->width = landscape ? longSide : shortSide;
    image->height = landscape ? shortSide : longSide;
  }
}

void Report::open(PageQueue& pages) {
  discard();
  pages_ = &pages;
  run_ = nextRun();
}

double Report::heightOf(const Band& band) const {
  if (band.def->height > 0) return band.def->height;
  double bottom = 0;
  for (const Control& c : band.controls) bottom = std::max(bottom, c.def->y + c.height());
  return bottom;
}

void Report::print(const char* label) {
  const Band* b = band(label);
  if (!isOpen() || !b) return;
  const double h = heightOf(*b);
  const double bottom = def_.top + def_.height;
  if (!page_ || cursor_ + h > bottom + kEpsilon) startPage();
  put(*b, def_.left, cursor_);
  cursor_ += h;
}

void Report::pageBreak() { finishPage(); }

void Report::startPage() {
  finishPage();
  auto image = std::make_unique<PageImage>();
  image->number = static_cast<int>(images_.size()) + 1;
  image->font = QString::fromUtf8(def_.font);
  images_.push_back(std::move(image));
  page_ = images_.back().get();
  setLandscape(landscape_);
  names_.push_back(QString("%1:%2:%3").arg(label_).arg(run_).arg(page_->number));
  storePage(names_.back(), page_);
  PageRow row;
  row.SEITE = names_.back();
  pages_->add(row);
  cursor_ = def_.top;
  put(bands_.front(), 0, 0);
}

void Report::finishPage() {
  if (!page_) return;
  page_->items.shrink_to_fit();
  page_->texts.squeeze();
  page_ = nullptr;
  // Between two pages the body of build() may stop for now: no page is then half filled.
  if (stepping_ && (wanted_ > 0 ? pageCount() >= wanted_ : slice_.nsecsElapsed() >= kStepNanoseconds))
    builder_->pause();
}

void Report::build(std::function<void()> body) {
  stopBuilding();
  if (!isOpen()) return;
  builder_ = std::make_unique<rt::win::Steps>([this, body = std::move(body)] {
    body();
    finishPage();
  });
  step(1);
  if (!builder_) return;
  if (!stepper_) {
    stepper_ = std::make_unique<QTimer>();
    QObject::connect(stepper_.get(), &QTimer::timeout, [this] {
      // A failure is told on the report's own thread, when it waits for a page or closes.
      try {
        step(0);
      } catch (...) {
        failure_ = std::current_exception();
      }
    });
  }
  stepper_->start(0);
}

void Report::step(int pages) {
  if (!builder_ || stepping_) return;
  wanted_ = pages;
  stepping_ = true;
  slice_.start();
  bool more = false;
  try {
    more = builder_->resume();
  } catch (...) {
    stepping_ = false;
    stopBuilding();
    throw;
  }
  stepping_ = false;
  if (!more) stopBuilding();
}

void Report::stopBuilding() {
  if (stepper_) stepper_->stop();
  builder_.reset();
}

bool Report::waitForPage(int number) {
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  if (pageCount() < number) step(number);
  return number >= 1 && number <= pageCount();
}

void Report::put(const Band& band, double left, double top) {
  PageImage& page = *page_;
  for (const Control& c : band.controls) {
    if (c.hidden) continue;
    const ControlDef& d = *c.def;
    DrawItem item;
    item.x = static_cast<float>(left + c.x);
    item.y = static_cast<float>(top + d.y);
    item.w = static_cast<float>(d.w);
    item.h = static_cast<float>(c.height());
    item.color = rgbaOr(d.color, qRgb(0, 0, 0));
    switch (d.kind) {
      case Kind::Box:
        item.kind = DrawItem::Kind::Box;
        item.color = rgbaOr(d.border, 0);
        item.fill = rgbaOr(c.fill, 0);
        break;
      case Kind::Line:
        item.kind = DrawItem::Kind::Line;
        item.h = 0;
        break;
      case Kind::Text:
      case Kind::String:
      case Kind::PageNumber: {
        QString text = c.value(page.number);
        double width = c.measure->width(text);
        double size = c.size;
        if (d.w > 0 && width > d.w + kEpsilon && c.isNumber()) {
          // A smaller size, in steps of a tenth of a point, so that no sizes pile up.
          size = std::floor(c.size * d.w / width * 10) / 10;
          const TextMeasure& smaller = TextMeasure::of(page.font, size, c.style & DrawItem::Bold);
          width = smaller.width(text);
          item.y += static_cast<float>(c.measure->ascent() - smaller.ascent());  // on the same baseline
        } else if (d.w > 0 && width > d.w + kEpsilon) {
          // Cut at the last character that fits.
          qsizetype n = 0;
          double used = 0;
          for (; n < text.size(); ++n) {
            const double next = used + c.measure->width(QStringView(text).mid(n, 1));
            if (next > d.w + kEpsilon) break;
            used = next;
          }
          text.truncate(n);
          width = used;
        }
        if (text.isEmpty()) continue;
        if (d.attrs & A_Right) item.x += static_cast<float>(d.w - width);
        else if (d.attrs & A_Centre) item.x += static_cast<float>((d.w - width) / 2);
        item.kind = DrawItem::Kind::Text;
        item.style = c.style;
        item.size = static_cast<float>(size);
        item.w = static_cast<float>(width);
        item.textStart = static_cast<std::uint32_t>(page.texts.size());
        item.textLength = static_cast<std::uint32_t>(text.size());
        page.texts += text;
        break;
      }
    }
    page.items.push_back(item);
  }
}

const PageImage* Report::page(int number) const {
  return number >= 1 && number <= pageCount() ? images_[number - 1].get() : nullptr;
}

PrintOutcome Report::close() {
  if (failure_) {
    discard();
    std::rethrow_exception(std::exchange(failure_, nullptr));
  }
  PrintOutcome outcome;
  if (isOpen() && printRequested_) {
    if (building()) {
      rt::win::setWaitCursor(true);
      buildRest();
      rt::win::setWaitCursor(false);
    }
    finishPage();
    std::vector<const PageImage*> pages;
    for (const auto& image : images_) pages.push_back(image.get());
    outcome = printPages(pages, title());
  }
  discard();
  return outcome;
}

void Report::discard() {
  stopBuilding();
  for (const QString& name : names_) dropPage(name);
  names_.clear();
  images_.clear();
  page_ = nullptr;
  pages_ = nullptr;
  printRequested_ = false;
}

}  // namespace rt::report
