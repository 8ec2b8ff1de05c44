// The common set-up of the system's programs (the bookkeeping program and the installer).

#include "runtime/window/Application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace rt::win {

void prepareEnvironment() {
  const bool display = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
  if (display) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
    const QString dir = QDir::tempPath() + "/runtime-" + qEnvironmentVariable("USER", "tavik");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
  }
}

void setUpApplication() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  // Qt does not load its German texts (buttons of the standard dialogs) by itself.
  static QTranslator* qtGerman = [] {
    auto* t = new QTranslator(qApp);
    if (t->load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) QApplication::installTranslator(t);
    return t;
  }();
  (void)qtGerman;
  QFont font("Arial", 8);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}

}  // namespace rt::win
