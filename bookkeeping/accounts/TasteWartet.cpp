#include "bookkeeping/accounts/TasteWartet.h"

#include "runtime/window/Window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {
constexpr int kAbstandMs = 10;
}

class TastenAufsicht::Filter : public QObject {
 public:
  explicit Filter(QWidget* fenster) : fenster_(fenster) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && fenster_ && o->isWidgetType() &&
        static_cast<QWidget*>(o)->window() == fenster_)
      gekommen = true;
    return false;
  }
  bool gekommen = false;

 private:
  QPointer<QWidget> fenster_;
};

TastenAufsicht::TastenAufsicht(const rt::win::Window& fenster)
    : filter_(std::make_unique<Filter>(fenster.topWidget())) {
  QCoreApplication::instance()->installEventFilter(filter_.get());
}

TastenAufsicht::~TastenAufsicht() { QCoreApplication::instance()->removeEventFilter(filter_.get()); }

bool TastenAufsicht::tasteWartet() {
  if (filter_->gekommen) return true;
  if (seit_.isValid() && seit_.elapsed() < kAbstandMs) return false;
  QCoreApplication::processEvents();
  seit_.start();
  return filter_->gekommen;
}
