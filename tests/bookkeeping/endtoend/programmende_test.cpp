// The program closed by its frame while other threads wait: the CSV export in its folder dialog and
// the booking form in a message. Their waits end, their windows close and their threads end; the
// program comes to its end and nothing of theirs is left for the event loop to delete later.

#include "Programm.h"

#include "bookkeeping/common/Eingabefehler.h"
#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/frame/Rahmen.h"
#include "runtime/window/Threads.h"

#include <QAction>
#include <gtest/gtest.h>
#include <QFileDialog>
#include <QPointer>

using namespace rt::win;
using testing_support::settle;

TEST(ProgrammendeTest, TheFrameClosedUnderAFolderDialogAndAMessageOfOtherThreadsEndsTheProgramCleanly) {
  programm::Datenordner ordner;
  setInvalidInputHandler(EingabefehlerMelden);
  QPointer<QFileDialog> dialog;
  QPointer<QWidget> meldung;
  int exportThread = 0, meldungThread = 0;
  bool beideOffen = false;
  setOpenHook([&](Window& w) {
    if (w.label() == "P9$WIN") {
      meldung = w.topWidget();  // left open
      meldungThread = w.thread();
    } else if (w.label() == "P49$WIN") {
      exportThread = w.thread();
    } else if (w.label() == "$WINMAIN") {
      QTimer::singleShot(0, [&] {
        programm::waitFor([] { return WinBuchung.isOpen() && WinAnzeige.isOpen() && WinSummen.isOpen(); });
        settle();
        // The CSV export from the menu, and its folder dialog.
        WinMain.action(FELD_CSV_EXPORT)->trigger();
        settle();
        if (Window* export_ = findWindow("P49$WIN")) {
          export_->activate();
          testing_support::clickOn(export_->widget(FELD_CSV_DATEIWAEHLEN));
          dialog = testing_support::shown<QFileDialog>();
        }
        // A date the booking form rejects: its message waits on the form's thread.
        WinBuchung.activate();
        testing_support::typeOver(WinBuchung.widget(BF_DATUM), "31.02.");
        QTest::keyClick(WinBuchung.widget(BF_DATUM), Qt::Key_Tab);
        settle();
        beideOffen = dialog && dialog->isVisible() && meldung && meldung->isVisible();
        WinMain.topWidget()->close();
      });
    }
  });
  STARTBILDAKTIV = 1;
  Hauptprogramm();
  setOpenHook(nullptr);
  setInvalidInputHandler(nullptr);
  // The event loop goes on after the end, as it does in a program that closes its windows itself.
  settle();
  QTest::qWait(20);
  settle();

  ASSERT_TRUE(beideOffen) << "the folder dialog and the message were open when the frame closed";
  EXPECT_EQ(meldungThread, THREADBUCHUNG);
  EXPECT_NE(exportThread, 0);
  EXPECT_FALSE(dialog);
  EXPECT_FALSE(meldung);
  for (int thread : {exportThread, THREADBUCHUNG, THREADANZEIGE, THREADSUMMEN}) EXPECT_FALSE(threadExists(thread));
  for (const char* label : {"P49$WIN", "P9$WIN", "$WINMAIN", "$WINBUCHUNG"}) EXPECT_FALSE(findWindow(label)) << label;
  EXPECT_FALSE(KONTODATEI.isOpen());
  EXPECT_FALSE(BUCHUNGDATEI.isOpen());
}
