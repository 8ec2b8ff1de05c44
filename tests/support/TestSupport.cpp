#include "tests/support/TestSupport.h"

#include <QTest>

#include "runtime/window/Window.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTimer>
#include <QMap>
#include <QTemporaryDir>

namespace testing_support {

TempFolder::TempFolder() : dir_(std::make_unique<QTemporaryDir>()) {}
TempFolder::~TempFolder() = default;
QString TempFolder::path() const { return dir_->path(); }
QString TempFolder::file(const QString& name) const { return dir_->path() + "/" + name; }

namespace {
QMap<QString, ChildMain>& modes() {
  static QMap<QString, ChildMain> m;
  return m;
}
}  // namespace

bool registerChildMode(const QString& name, ChildMain main) {
  modes().insert(name, std::move(main));
  return true;
}

int runChildModeIfAsked(int argc, char** argv, bool* asked) {
  *asked = false;
  if (argc < 2) return 0;
  const QString first = QString::fromLocal8Bit(argv[1]);
  if (!first.startsWith("--child=")) return 0;
  *asked = true;
  const QString name = first.mid(8);
  QStringList args;
  for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  auto it = modes().find(name);
  if (it == modes().end()) return 99;
  return (*it)(args);
}

QString selfPath() { return QCoreApplication::applicationFilePath(); }

MessageAnswers::MessageAnswers() {
  rt::win::setOpenHook([this](rt::win::Window& w) {
    if (w.label() != "P9$WIN") return;
    Shown s;
    for (int field = 3; field <= 6; ++field) s.rows << w.text(field);
    s.withCancel = !w.isHidden(8);
    shown_.append(s);
    const Answer a = answers_.isEmpty() ? Ok : answers_.takeFirst();
    if (a == Close)
      w.topWidget()->close();
    else
      static_cast<QAbstractButton*>(w.widget(a == Ok ? 7 : 8))->click();
  });
}

void clickOn(QWidget* w) {
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
  testing_support::settle();
}

void typeKeys(QWidget* w, const QString& text) {
  for (const QChar ch : text) {
    if (ch.unicode() < 0x80)
      QTest::keyClicks(w, QString(ch));
    else
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
  testing_support::settle();
}

void typeOver(QWidget* entry, const QString& text) {
  clickOn(entry);
  QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty()) QTest::keyClick(entry, Qt::Key_Delete);
  typeKeys(entry, text);
}

MessageAnswers::~MessageAnswers() { rt::win::setOpenHook(nullptr); }

QStringList MessageAnswers::texts() const {
  QStringList out;
  for (const Shown& s : shown_) {
    QStringList rows;
    for (const QString& r : s.rows)
      if (!r.trimmed().isEmpty()) rows << r.trimmed();
    out << rows.join(" | ");
  }
  return out;
}

}  // namespace testing_support
