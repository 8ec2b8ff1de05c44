#pragma once
// Pictures of the program's windows for the manual: the whole program is started offscreen against
// a temporary data folder with a few sample bookings, and each window is grabbed as the user sees it.

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

// Grabs every picture of the table in Pictures.cpp, by name. Needs a QApplication on the offscreen
// platform and the environment prepared by redirectLocations().
QMap<QString, QImage> takePictures();

// The manual's pictures and those of every other window and state, for a person to look over
// (scripts/screenshots.sh).
QMap<QString, QImage> takeAllPictures();

// The names of all pictures the manual's text may ask for and the builder can take.
QStringList pictureNames();

// Points HOME, the XDG folders and the program's registry and data-folder locations into `root`,
// so that the builder never reads or writes the real user's files. Call before QApplication.
void redirectLocations(const QString& root);

// The program's own window font, icon and message on bad input, as its main() sets them, the German
// locale, and Qt's messages without the offscreen platform's notices. Call after QApplication.
void setUpLikeTheProgram();
