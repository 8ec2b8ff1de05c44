// Builds the user manual: tavik_manual_builder SOURCE.html OUTPUT.pdf
//
// Starts the program offscreen against a temporary data folder with sample bookings, takes the
// pictures of its windows and lays the manual's text and pictures out as a PDF. Needs no display and
// never touches the user's own folders.

#include "docs/manual/Pages.h"
#include "docs/manual/Pictures.h"


#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Aufruf: %s QUELLE.html AUSGABE.pdf\n", argv[0]);
    return 2;
  }
  // The sample data files live in memory where the system offers it: every saving of the
  // parameters waits for the disk otherwise, and the build would wait with it.
  const QString memory = "/dev/shm";
  QTemporaryDir scratch(QFileInfo(memory).isWritable() ? memory + "/tavik-manual-XXXXXX"
                                                       : QDir::tempPath() + "/tavik-manual-XXXXXX");
  if (!scratch.isValid()) {
    std::fprintf(stderr, "Kein temporärer Ordner.\n");
    return 1;
  }
  redirectLocations(scratch.path());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_SCALE_FACTOR", "2");  // pictures at twice the screen's pixels, sharp on paper

  QApplication app(argc, argv);
  setUpLikeTheProgram();

  QFile in(QString::fromLocal8Bit(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "%s kann nicht gelesen werden.\n", argv[1]);
    return 1;
  }
  ManualSource source;
  if (!splitSource(QString::fromUtf8(in.readAll()), &source)) {
    std::fprintf(stderr, "%s: Marke <!-- Titelseite --> oder <!-- Kapitel --> fehlt.\n", argv[1]);
    return 1;
  }

  QMap<QString, QImage> pictures;
  try {
    pictures = takePictures();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Bilder der Fenster: %s\n", e.what());
    return 1;
  }
  const QStringList missing = dropMissingPictures(&source.body, pictures);
  if (!missing.isEmpty())
    std::printf("Handbuch: noch ohne Bild: %s\n", missing.join(", ").toUtf8().constData());

  const QString error = writeManual(source, pictures, QString::fromLocal8Bit(argv[2]));
  if (!error.isEmpty()) {
    std::fprintf(stderr, "%s\n", error.toUtf8().constData());
    return 1;
  }
  return 0;
}
