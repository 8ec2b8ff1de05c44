#include "runtime/window/Resources.h"

#include <QFile>

namespace rt::win {

QPixmap resourcePixmap(const QString& name) {
  if (name.isEmpty()) return {};
  const QString path = ":/tavik/" + name;
  if (!QFile::exists(path)) return {};
  return QPixmap(path);
}

QIcon resourceIcon(const QString& name) {
  const QPixmap pm = resourcePixmap(name);
  return pm.isNull() ? QIcon() : QIcon(pm);
}

}  // namespace rt::win
