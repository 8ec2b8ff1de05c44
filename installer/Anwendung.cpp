#include "installer/Anwendung.h"

#include "runtime/window/Resources.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void AnwendungEinrichten() {
  QApplication::setApplicationName("install_tavik");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  static QTranslator qtGerman;
  if (qtGerman.load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtGerman);
  QFont font("Arial", 8);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  QApplication::setWindowIcon(rt::win::resourceIcon("Tavik.ico"));
}
