// The work windows make themselves active for the user at the form, never over a window of its own
// that the user opened and still uses: the export's result and a print dialog opened during the
// splash keep the front and the focus.

#include "bookkeeping/export/CsvDatenexport.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "tests/bookkeeping/endtoend/Programm.h"

#include <QAction>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace rt::win;
using namespace programm;
using testing_support::settle;

namespace {

// Whether the window is the one the user is at: in front, with the focus in it.
bool vorne(Window* w) { return w && frontWindow() == w && focused() && w->topWidget()->isAncestorOf(focused()); }

}  // namespace

TEST(AktivierungTest, APrintDialogOpenedDuringTheSplashKeepsTheFocusAndItsAltKeys) {
  Datenordner ordner;
  bool gefahren = false;
  const QStringList messages = starten([&] {
    ASSERT_TRUE(findWindow("P7$WIN"));
    WinMain.action(FELD_DRUCKEN)->trigger();
    waitFor([] { return findWindow("P40$WIN") != nullptr; });
    Window* dialog = findWindow("P40$WIN");
    ASSERT_TRUE(dialog);
    settle();
    ASSERT_TRUE(vorne(dialog));
    startbildBeenden(Startbildende::Zeit);
    QTest::qWait(200);
    settle();
    EXPECT_TRUE(vorne(dialog));
    // Its Alt keys still work: Alt+A shows the tab "Nach Konten &aufschlüsseln".
    QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
    settle();
    EXPECT_EQ(dialog->currentTab(AF_SEITE), AF_NACHKONTENAUFSCHLUESSELN);
    QTest::mouseClick(dialog->widget(AF_ABBRUCH), Qt::LeftButton);
    waitFor([] { return !findWindow("P40$WIN"); });
    gefahren = true;
  });
  EXPECT_TRUE(gefahren);
  EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST(AktivierungTest, TheExportsResultStaysInFrontAfterTheListsAndSumsAreNew) {
  Datenordner ordner;
  testing_support::TempFolder dokumente;
  qputenv("TAVIK_FOLDER_PERSONAL", dokumente.path().toUtf8());
  bool gefahren = false;
  const QStringList messages = starten([&] {
    startbildBeenden(Startbildende::Klick);
    EXPECT_TRUE(vorne(&WinBuchung));
    WinMain.action(FELD_CSV_EXPORT)->trigger();
    waitFor([] { return findWindow("P49$WIN") != nullptr; });
    Window* exportFenster = findWindow("P49$WIN");
    ASSERT_TRUE(exportFenster);
    settle();
    EXPECT_TRUE(vorne(exportFenster));
    // Without bookings the dates are empty: the user types a range and starts.
    testing_support::typeOver(exportFenster->widget(FELD_CSV_VON), "01.01.2026");
    testing_support::typeOver(exportFenster->widget(FELD_CSV_BIS), "31.12.2026");
    QTest::mouseClick(exportFenster->widget(FELD_CSV_SPEICHERN), Qt::LeftButton);
    waitFor([&] { return exportFenster->text(FELD_CSV_ABBRUCH) == "Weiter"; });
    ASSERT_EQ(exportFenster->text(FELD_CSV_ABBRUCH), "Weiter");
    // The overview and the sums window take the export's news, and the form its turn.
    QTest::qWait(300);
    settle();
    EXPECT_TRUE(vorne(exportFenster));
    EXPECT_TRUE(exportFenster->text(FELD_CSV_EXPORTINFO).startsWith("0 Datensätze exportiert nach"));
    // "Weiter" has the focus: Enter closes the window.
    QTest::keyClick(focused(), Qt::Key_Return);
    waitFor([] { return !findWindow("P49$WIN"); });
    EXPECT_FALSE(findWindow("P49$WIN"));
    // Back at the form, the focus is on the account, without a message.
    QTest::qWait(100);
    settle();
    EXPECT_EQ(frontWindow(), &WinBuchung);
    EXPECT_EQ(WinBuchung.focusField(), BF_CODE);
    gefahren = true;
  });
  qunsetenv("TAVIK_FOLDER_PERSONAL");
  EXPECT_TRUE(gefahren);
  EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}
