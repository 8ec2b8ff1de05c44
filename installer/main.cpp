// The installer install_tavik: the common set-up of the window layer, then the installation.

#include "installer/Installieren.h"
#include "runtime/window/Application.h"
#include "runtime/window/Resources.h"

#include <QApplication>

int main(int argc, char** argv) {
  rt::win::prepareEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName("install_tavik");
  rt::win::setUpApplication();
  QApplication::setWindowIcon(rt::win::resourceIcon("Tavik.ico"));
  return ProgrammStart();
}
