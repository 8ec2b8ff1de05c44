#pragma once
// The whole program in a temporary data folder, driven as a user drives it: the splash ends by its
// timer or a click, keys go to the control that has the focus, messages are answered with Enter.

#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/booking/BuchungsUebersicht.h"
#include "bookkeeping/booking/SummenUebersicht.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Hauptprogramm.h"
#include "platform/CommandLine.h"
#include "runtime/text/Collation.h"
#include "runtime/window/Window.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace programm {

inline void waitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
}

inline QWidget* focused() { return QApplication::focusWidget(); }

// A key pressed where the focus is.
inline void press(Qt::Key key) {
  if (QWidget* w = focused()) QTest::keyClick(w, key);
  testing_support::settle();
}

// Typed where the focus is.
inline void typeHere(const QString& text) {
  if (QWidget* w = focused()) testing_support::typeKeys(w, text);
}

// The Common AppData folder of a first start; the data folder lies below it.
struct Datenordner {
  testing_support::TempFolder appdata;
  QString data = appdata.path() + "/Dolmix/Tavik/";

  Datenordner() {
    qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.path().toUtf8());
    QDir().mkpath(data);
    QFile(data + "Start.inf").open(QIODevice::WriteOnly);
    platform::setCommandLineForTesting("");
  }
  ~Datenordner() { qunsetenv("TAVIK_FOLDER_COMMON_APPDATA"); }

  // Writes settings into "Para.dat" before the next start.
  void einstellen(const std::function<void()>& change) {
    PARAPFAD = data + "Para.dat";
    PARA = PARA_T{};
    ParameterLaden();
    change();
    ParameterSpeichern();
  }
  // Opens "Buchung.dat" of the folder outside the program, for adding or reading bookings.
  bool buchungenOeffnen() {
    rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs);
    BUCHUNGPFAD = data + "Buchung.dat";
    return BUCHUNGDATEI.open(rt::isam::AccessMode::ReadWriteDenyWrite) == 0;
  }
};

enum class Startbildende { Zeit, Klick };

// Waits for the splash's time to run out, or clicks it.
inline void startbildBeenden(Startbildende wie) {
  rt::win::Window* splash = rt::win::findWindow("P7$WIN");
  if (!splash) return;
  if (wie == Startbildende::Klick) QTest::mouseClick(splash->widget(1), Qt::LeftButton);
  waitFor([] { return !rt::win::findWindow("P7$WIN"); }, 9000);
  testing_support::settle();
}

// Answers a message window with Enter on its focused button, and notes its rows.
inline void meldungBeantworten(rt::win::Window& w, QStringList& messages) {
  QStringList rows;
  for (int f = 3; f <= 6; ++f)
    if (!w.text(f).trimmed().isEmpty()) rows << w.text(f).trimmed();
  messages << rows.join(" | ");
  if (qobject_cast<QPushButton*>(focused()) && w.topWidget()->isAncestorOf(focused()))
    QTest::keyClick(focused(), Qt::Key_Return);
  else
    static_cast<QAbstractButton*>(w.widget(7))->click();
}

// Runs the program; `drive` runs once the frame and the three work windows are open (the splash
// still up), then the frame is closed. Returns the messages shown.
inline QStringList starten(const std::function<void()>& drive) {
  QStringList messages;
  rt::win::setOpenHook([&](rt::win::Window& w) {
    if (w.label() == "P9$WIN") {
      meldungBeantworten(w, messages);
    } else if (w.label() == "$WINMAIN") {
      QTimer::singleShot(0, [&] {
        waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
        testing_support::settle();
        if (drive) drive();
        WinMain.topWidget()->close();
      });
    }
  });
  STARTBILDAKTIV = 1;
  Hauptprogramm();
  rt::win::setOpenHook(nullptr);
  testing_support::settle();
  return messages;
}

}  // namespace programm
