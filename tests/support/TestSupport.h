#pragma once
// Shared pieces of the test programs: a temporary folder per test, and child modes, through which a
// test starts its own program again as a second process (for share modes, crashes and instances).

#include "tests/support/Settle.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTemporaryDir;
class QWidget;

namespace testing_support {

// A fresh temporary folder, removed with the object. path() ends without a separator.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  QString path() const;
  QString file(const QString& name) const;  // path() + "/" + name

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

// A child mode is a function that runs instead of the tests when the program is started with
// "--child=NAME arg...". Its return value is the exit code of the process.
using ChildMain = std::function<int(const QStringList& args)>;
bool registerChildMode(const QString& name, ChildMain main);
int runChildModeIfAsked(int argc, char** argv, bool* asked);

// Path of the running test program, for starting it again as a child.
QString selfPath();

// Input as a user gives it: a mouse click on the control (which moves the focus there), and keys
// typed into the widget with the focus, umlauts and other characters beyond ASCII included.
void clickOn(QWidget* w);
void typeKeys(QWidget* w, const QString& text);
// Clicks into an entry, selects what it shows and types over it.
void typeOver(QWidget* entry, const QString& text);

// The shown top-level window of that kind (a standard dialog, a message box), or nullptr.
template <class T>
T* shown() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) return t;
  return nullptr;
}

// Answers the program's message windows ("P9$WIN") as they open and records what they showed.
class MessageAnswers {
 public:
  enum Answer { Ok, Cancel, Close };
  struct Shown {
    QStringList rows;  // the four rows as shown, without trailing blanks
    bool withCancel = false;
  };
  MessageAnswers();  // answers OK unless told otherwise
  ~MessageAnswers();
  void next(Answer a) { answers_.append(a); }
  const QList<Shown>& shown() const { return shown_; }
  // The non-empty rows of every message, joined by " | ".
  QStringList texts() const;

 private:
  QList<Answer> answers_;
  QList<Shown> shown_;
};

}  // namespace testing_support

#define TAVIK_CHILD_MODE(name, fn) \
  static const bool tavikChildMode_##fn = ::testing_support::registerChildMode(name, fn)
