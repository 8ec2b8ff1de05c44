#pragma once
// The uninstall run: started with "/UnInstall Path1=<program folder> Path2=<data folder>", it
// removes the uninstall entry and the shortcuts and hands the deletion of the files to the uninstall
// batch, after the user has agreed. It never deletes outside the two folders of the installation.

#include <QString>

struct DeinstallationsOrdner {
  QString programm;  // without a trailing separator
  QString daten;
};

// The two folders of an uninstall command line: the text after "Path2=", and the text between
// "Path1=" and the blank before "Path2="; a trailing separator is removed, blanks inside survive.
DeinstallationsOrdner OrdnerAusKommandozeile(const QString& zeile);

// Why the uninstall must not delete in these folders (an empty name, a root or home folder, a link,
// or not the folders that the uninstall entry names), as the message lines; empty when it may.
QStringList DeinstallationVerweigert(const DeinstallationsOrdner& ordner);

// The run; `KOMMANDOZEILE` holds the command line. It ends the program in every case.
void Deinstallation();
