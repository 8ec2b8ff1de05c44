// The program Tavik: the common set-up of the window layer, then the main procedure.

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "runtime/window/Application.h"
#include "runtime/window/Resources.h"
#include "runtime/window/Window.h"

#include <QApplication>

int main(int argc, char** argv) {
  rt::win::prepareEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tavik");
  rt::win::setUpApplication();
  QApplication::setWindowIcon(rt::win::resourceIcon("Tavik.ico"));
  rt::win::setInvalidInputHandler(EingabefehlerMelden);
  Hauptprogramm();
  return 0;
}
