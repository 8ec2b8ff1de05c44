// Pictures of every window of the program for a person to look over: tavik_screenshots FOLDER
//
// Starts the program offscreen against a temporary data folder with sample bookings, as the manual's
// builder does, and writes each window in each of its states as NAME.png into FOLDER. Needs no
// display and never touches the user's own folders.

#include "docs/manual/Pictures.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: %s ORDNER\n", argv[0]);
    return 2;
  }
  QTemporaryDir scratch(QDir::tempPath() + "/tavik-screenshots-XXXXXX");
  if (!scratch.isValid()) {
    std::fprintf(stderr, "Kein temporärer Ordner.\n");
    return 1;
  }
  const QString ordner = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  redirectLocations(scratch.path());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  setUpLikeTheProgram();
  if (!QDir().mkpath(ordner)) {
    std::fprintf(stderr, "%s kann nicht angelegt werden.\n", argv[1]);
    return 1;
  }

  QMap<QString, QImage> bilder;
  try {
    bilder = takeAllPictures();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Bilder der Fenster: %s\n", e.what());
    return 1;
  }
  for (auto it = bilder.cbegin(); it != bilder.cend(); ++it) {
    const QString datei = QDir(ordner).filePath(it.key() + ".png");
    if (!it.value().save(datei)) {
      std::fprintf(stderr, "%s kann nicht geschrieben werden.\n", datei.toLocal8Bit().constData());
      return 1;
    }
  }
  std::printf("%d Bilder in %s\n", static_cast<int>(bilder.size()), ordner.toLocal8Bit().constData());
  return 0;
}
