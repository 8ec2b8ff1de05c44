#include "runtime/window/Resources.h"

#include <QFile>

namespace rt::win {

QPixmap resourcePixmap(const QString& name) {
  if (name.isEmpty()) return {};
  // The pictures are kept as PNG files; a name with another suffix ("Esc.ico", "~Neutral.gif")
  // finds the PNG of the same base name.
  QString path = ":/tavik/" + name;
  if (!QFile::exists(path)) path = ":/tavik/" + name.section('.', 0, -2) + ".png";
  if (!QFile::exists(path)) return {};
  return QPixmap(path);
}

QIcon resourceIcon(const QString& name) {
  const QPixmap pm = resourcePixmap(name);
  return pm.isNull() ? QIcon() : QIcon(pm);
}

}  // namespace rt::win
