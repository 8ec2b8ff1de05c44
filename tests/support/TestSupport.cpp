#include "tests/support/TestSupport.h"

#include <QCoreApplication>
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

}  // namespace testing_support
