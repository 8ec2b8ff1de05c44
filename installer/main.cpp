// The installer install_tavik: the application set-up, then the installation.

#include "installer/Anwendung.h"
#include "installer/Installieren.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  AnwendungEinrichten();
  return ProgrammStart();
}
