#pragma once
// An installer file built for a test from stored files of its own, every location the installer
// touches redirected into temporary folders, and a driver that answers the message boxes and the
// folder dialog and clicks through the installer's windows as a user does.

#include "installer/packen/Packen.h"
#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace installer_test {

QByteArray lesen(const QString& datei);
void schreiben(const QString& datei, const QByteArray& inhalt);

// A program that, started, leaves the file "gestartet" in its current folder.
QByteArray startmarkeProgramm();

// The texts of the shown labels and buttons in `fenster` that their control or the window cuts off,
// each with what is missing ("…in den Ordner: 12 px too narrow").
QStringList abgeschnitteneTexte(QWidget* fenster);
// Saves a picture of the window as `name`.png into the folder that TAVIK_SCREENSHOTS names, if any.
void bildSpeichern(QWidget* fenster, const QString& name);

class Wurzel {
 public:
  Wurzel();
  QString path() const;
  QString file(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

struct Umgebung {
  Wurzel wurzel;
  QString programme, appdata, menue, desktop, windows, installer;
  std::array<QByteArray, packen::kSlots> gespeichert;  // the stored files; empty: slot unused

  Umgebung();
  ~Umgebung();
  // Builds the installer file from `gespeichert` and makes it the process's own file.
  void bauen(const std::string& name = "Tavik");
  QString programmordner() const { return programme + "/Tavik/"; }
  QString datenordner() const { return appdata + "/Dolmix/Tavik"; }
  QString registerWert(const QString& name) const;  // of the uninstall entry
  void deinstallationEintragen(const QString& befehl);  // the entry's command line
  // Names the program files folder in the registry, where no one creates it when it is missing.
  void programmeImRegister(const QString& ordner);
};

// Answers message boxes and folder dialogs as they come and runs the steps of a test in turn, each
// once its condition holds.
class Treiber {
 public:
  struct Box {
    QString titel, text;
  };
  Treiber();
  ~Treiber();
  // The button to click in the next message box ("" or none given: its first button).
  void antworte(const QString& knopf) { antworten_.push_back(knopf); }
  // The folder to type into the next folder dialog, whole or within the folder it opens in ("":
  // cancel it).
  void waehleOrdner(const QString& ordner) { ordner_.push_back(ordner); }
  void schritt(std::function<bool()> bereit, std::function<void()> tun) { schritte_.push_back({bereit, tun}); }
  // Clicks the button of the installer window once it is shown and enabled.
  void klicke(int feld);
  // Clicks "Installation starten" and, once the success text shows, closes the installer window.
  void installiereUndSchliesse();
  // Presses Enter in the installer window, where the focus is, once the button is shown and enabled.
  void enterFuer(int feld);
  const QList<Box>& boxen() const { return boxen_; }
  QStringList texte() const;
  bool fertig() const { return schritte_.empty(); }
  int ordnerdialoge() const { return ordnerdialoge_; }  // answered so far
  QString ordnerdialogStart;  // the folder the last folder dialog started in

 private:
  void tick();
  struct Schritt {
    std::function<bool()> bereit;
    std::function<void()> tun;
  };
  QTimer timer_;
  std::deque<QString> antworten_, ordner_;
  std::deque<Schritt> schritte_;
  QList<Box> boxen_;
  int ordnerdialoge_ = 0;
  bool abgebrochen_ = false;
  QElapsedTimer uhr_;
};

}  // namespace installer_test
