// The program Tavik: German standard dialog texts, the window font, then the main procedure.

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "runtime/window/Resources.h"
#include "runtime/window/Window.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tavik");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTranslator qtGerman;
  if (qtGerman.load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtGerman);
  QFont font("Arial", 8);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  QApplication::setWindowIcon(rt::win::resourceIcon("Tavik.ico"));
  rt::win::setInvalidInputHandler(EingabefehlerMelden);
  Hauptprogramm();
  return 0;
}
