#pragma once
// Pictures and icons of the program's windows, looked up by their file name ("Esc.ico") among the
// program's compiled-in resources. An unknown name gives a null picture.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace rt::win {

QPixmap resourcePixmap(const QString& name);
QIcon resourceIcon(const QString& name);

}  // namespace rt::win
