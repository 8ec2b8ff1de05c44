#include "runtime/window/Resources.h"

#include <QFile>

namespace rt::win {

QPixmap resourcePixmap(const QString& name) {
  if (name.isEmpty()) return {};
  // The pictures are kept as PNG files; a name with another suffix ("Esc.ico", "~Neutral.gif")
  // finds the PNG of the same base name.
  // A leading "~" marks a picture carried in the program itself; all of them are.
  const QString file = name.startsWith('~') ? name.mid(1) : name;
  QString path = ":/tavik/" + file;
  if (!QFile::exists(path)) path = ":/tavik/" + file.section('.', 0, -2) + ".png";
  if (!QFile::exists(path)) return {};
  return QPixmap(path);
}

QIcon resourceIcon(const QString& name) {
  const QPixmap pm = resourcePixmap(name);
  return pm.isNull() ? QIcon() : QIcon(pm);
}

}  // namespace rt::win
