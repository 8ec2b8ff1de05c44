#include "bookkeeping/accounts/KontoBearbeiten.h"
#include "bookkeeping/accounts/Kontenrahmen.h"
#include "bookkeeping/accounts/KontoSuchen.h"
#include "bookkeeping/booking/BuchungEingeben.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "runtime/report/PageImage.h"
#include "runtime/window/Keys.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Threads.h"
#include "tests/bookkeeping/accounts/KontenFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPrintDialog>
#include <QProcess>
#include <QTest>
#include <QToolTip>

#include <vector>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;

namespace {

// Printed charts go to PDF files, never to a printer.
const bool kNurPdf = qputenv("TAVIK_PRINTER_PDF", "1");

struct KontenListeTest : KontenFensterTest {

  // Opens the account list as the frame's command does and runs `body` in it; returns when the
  // list has been closed.
  void withList(const std::function<void(Window&)>& body) {
    sobaldOffen("$WINKONTOSUCHEN", body);
    KontenBearbeiten();
    EXPECT_FALSE(WinKontoSuchen.isOpen());
  }

  static QLineEdit* edit(Window& w, int field) { return qobject_cast<QLineEdit*>(w.widget(field)); }
  // Clicks into an entry and types, one key at a time, as a user does.
  static void type(Window& w, int field, const QString& text) {
    QLineEdit* e = edit(w, field);
    if (!e->hasFocus()) QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(e->width() - 4, e->height() / 2));
    settle();
    for (QChar ch : text) {
      if (ch.unicode() < 0x80)
        QTest::keyClicks(e, QString(ch));
      else
        QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
      settle();
    }
  }
  static void key(Window& w, int field, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(w.widget(field), k, m);
    settle();
  }
  static void click(Window& w, int field) {
    QTest::mouseClick(w.widget(field), Qt::LeftButton);
    settle();
  }
  // The rows as the list shows them: number, name.
  static std::string shown(Window& w) {
    const QAbstractItemModel* m = w.list(KS_NR)->model();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 2).data().toString();
    return out.join(' ').toStdString();
  }
  static QString shownName(Window& w, int row) { return w.list(KS_NR)->model()->index(row - 1, 0).data().toString(); }
  static QPoint rowCentre(Window& w, int row) {
    ListBox* l = w.list(KS_NR);
    return l->visualRect(l->model()->index(row - 1, 0)).center();
  }
  static void doubleClickRow(Window& w, int row) {
    QTest::mouseDClick(w.list(KS_NR)->viewport(), Qt::LeftButton, {}, rowCentre(w, row));
    settle();
  }
  static void clickRow(Window& w, int row) {
    QTest::mouseClick(w.list(KS_NR)->viewport(), Qt::LeftButton, {}, rowCentre(w, row));
    settle();
  }

  // A chart printed from the list: the fills of its rows as the preview's page images hold them,
  // and the PDF file that it added to the documents folder.
  struct Ausdruck {
    std::vector<QRgb> zeilen;
    QString datei;
  };
  static QPrintDialog* druckerwahl() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QPrintDialog*>(w); d && d->isVisible()) return d;
    return nullptr;
  }
  // Prints as a user does: `drucken` asks for the chart, the printer dialog is cancelled with
  // Escape (or confirmed with Enter), the preview's print button is clicked and the message that
  // follows answered; returns when the list takes input again.
  Ausdruck drucken(Window& w, const QString& dokumente, const std::function<void()>& drucken,
                   bool bestaetigen = false) {
    Ausdruck a;
    const QStringList vorher = QDir(dokumente).entryList(QDir::Files);
    drucken();
    QPrintDialog* dialog = nullptr;
    if (!QTest::qWaitFor([&] { return (dialog = druckerwahl()) != nullptr; }, 5000)) {
      ADD_FAILURE() << "no printer dialog";
      return a;
    }
    EXPECT_EQ(dialog->windowTitle(), "Drucker auswählen");
    const qsizetype meldungen = answers->texts().size();
    EXPECT_TRUE(imFenster("P18$WINVORSCHAU", [&] {
      QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog,
                      bestaetigen ? Qt::Key_Return : Qt::Key_Escape);
    }, [&](Window& v) {
      for (const rt::report::PageRow& seite : SEITENQUEUE.rows()) {
        const rt::report::PageImage* bild = rt::report::pageImage(seite.SEITE.clip());
        if (!bild) continue;
        for (const rt::report::DrawItem& d : bild->items)
          if (d.kind == rt::report::DrawItem::Kind::Box && d.w == 170 && d.h == 4) a.zeilen.push_back(d.fill);
      }
      QTest::mouseClick(v.widget(7), Qt::LeftButton);  // ?PRINT
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return answers->texts().size() > meldungen; }, 5000));
    EXPECT_TRUE(answers->texts().value(meldungen).startsWith("Der Ausdruck wurde als PDF-Datei gespeichert: | "));
    for (const QString& datei : QDir(dokumente).entryList(QDir::Files))
      if (!vorher.contains(datei)) a.datei = dokumente + "/" + datei;
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.takesInput(); }, 5000));
    return a;
  }
  // The PDF's text, line by line, blanks run together.
  static std::string pdfText(const QString& datei) {
    QProcess p;
    p.start("pdftotext", {"-layout", datei, "-"});
    p.waitForFinished(60000);
    QStringList zeilen;
    for (const QString& z : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
      if (!z.trimmed().isEmpty()) zeilen << z.simplified();
    return zeilen.join('\n').toStdString();
  }
};

constexpr QRgb kGrau = qRgb(224, 224, 224), kWeiss = qRgb(255, 255, 255);

}  // namespace

TEST_F(KontenListeTest, TheListOpensInNumberOrderWithTheNumberFilterLeftFromBefore) {
  chart();
  KONTONR = "4";
  withList([&](Window& w) {
    settle();
    EXPECT_EQ(shown(w), "4000 4400 4999");
    EXPECT_EQ(w.listSelection(KS_NR), 1);
    EXPECT_EQ(w.focusField(), KS_NR);
    EXPECT_EQ(w.text(KS_KONTONR), "4");
    EXPECT_EQ(w.listFormat(KS_NR), "100LM|~Konto-Name~44CM~Code~45CM|~Konto-Nr~@N04@|0LM~~10LM|~~");
    EXPECT_EQ(KONTENSORTIERUNG, 2);
    key(w, KS_NR, Qt::Key_Escape);
  });
  EXPECT_EQ(KONTENSORTIERUNG, 3);
  EXPECT_EQ(KONTENLISTEOFFEN, 0);
}

// Every typed change refills the list in the order of its filter and blanks the other two filters.
TEST_F(KontenListeTest, TypingIntoAFilterRefillsTheListAtEveryKey) {
  chart();
  KONTONR = "4";
  KONTOSHORTCUT = "KA";
  withList([&](Window& w) {
    type(w, KS_KONTONAME, "m");
    EXPECT_EQ(shown(w), "4000 5000 4400");
    EXPECT_EQ(shownName(w, 3), "möbel");
    EXPECT_EQ(w.text(KS_KONTONR), "");
    EXPECT_EQ(w.text(KS_KONTOSHORTCUT), "");
    EXPECT_EQ(w.text(KS_KONTONAME), "m");  // as typed, not upper-cased
    type(w, KS_KONTONAME, "ö");
    EXPECT_EQ(shown(w), "4400");
    key(w, KS_KONTONAME, Qt::Key_Backspace);
    EXPECT_EQ(shown(w), "4000 5000 4400");
    key(w, KS_KONTONAME, Qt::Key_Backspace);
    EXPECT_EQ(shown(w), "4999 8400 0005 4000 5000 4400 0000 1780");  // all, in name order
    type(w, KS_KONTONAME, "ä");
    EXPECT_EQ(shown(w), "4999");

    type(w, KS_KONTONR, "4");
    EXPECT_EQ(shown(w), "4000 4400 4999");
    EXPECT_EQ(w.text(KS_KONTONAME), "");
    key(w, KS_KONTONR, Qt::Key_Backspace);
    type(w, KS_KONTONR, "5");
    EXPECT_EQ(shown(w), "5000");  // a text prefix: account 0005 does not begin with 5

    type(w, KS_KONTOSHORTCUT, "k");
    EXPECT_EQ(shown(w), "0005 4400 4000");
    EXPECT_EQ(w.text(KS_KONTONR), "");
    // A blank typed after a word stays in the entry.
    type(w, KS_KONTONAME, "Miete ");
    EXPECT_EQ(w.text(KS_KONTONAME), "Miete ");
  });
}

// Needs the text keys to compare blank-padded: the filter is the whole number.
TEST_F(KontenListeTest, TheWholeNumberAsFilterListsItsAccount) {
  chart();
  withList([&](Window& w) {
    type(w, KS_KONTONR, "0005");
    EXPECT_EQ(shown(w), "0005");
  });
}

TEST_F(KontenListeTest, AClickOnAHeadingOrdersByItsColumnAndBlanksTheOtherFilters) {
  chart();
  KONTONAME = "mie";
  KONTOSHORTCUT = "k";
  KONTONR = "4";
  withList([&](Window& w) {
    QWidget* region = w.widget(KS_REGIONKONTOSHORTCUT);
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(region->toolTip().startsWith("Mit Mausklick auf die Feldüberschriften (Konto-Name/Code/Konto-Nr)"));
    EXPECT_EQ(region->toolTip(), w.widget(KS_NR)->toolTip());
    EXPECT_EQ(region->cursor().shape(), Qt::UpArrowCursor);
    EXPECT_TRUE(region->isVisible());
    // A click on the heading reaches the region, not the list below it.
    EXPECT_EQ(region->parentWidget()->childAt(region->geometry().center()), region);
    type(w, KS_KONTONR, "");  // the focus in the number filter, nothing typed
    click(w, KS_REGIONKONTOSHORTCUT);
    EXPECT_EQ(shown(w), "0005 4400 4000");
    EXPECT_EQ(w.text(KS_KONTOSHORTCUT), "k");
    EXPECT_EQ(w.text(KS_KONTONAME), "");
    EXPECT_EQ(w.text(KS_KONTONR), "");
    EXPECT_EQ(w.focusField(), KS_KONTONR);  // the region takes no focus
    click(w, KS_REGIONKONTONAME);
    EXPECT_EQ(shown(w), "4999 8400 0005 4000 5000 4400 0000 1780");
    EXPECT_EQ(w.text(KS_KONTOSHORTCUT), "");
    click(w, KS_REGIONKONTONR);
    EXPECT_EQ(shown(w), "0000 0005 1780 4000 4400 4999 5000 8400");
  });
}

// Enter and a double click in the list, and "Konto bearbeiten", edit the highlighted account; a
// saved change shows at the row's old place until the next fill.
TEST_F(KontenListeTest, TheHighlightedAccountIsEditedAndItsRowKeepsItsPlace) {
  chart();
  KONTONAME = "m";
  withList([&](Window& w) {
    click(w, KS_REGIONKONTONAME);
    ASSERT_EQ(shown(w), "4000 5000 4400");
    clickRow(w, 1);
    QString seen;
    ASSERT_TRUE(imFenster("P23$WIN", [&] { key(w, KS_NR, Qt::Key_Return); }, [&](Window& e) {
      seen = e.text(KB_NAME) + "/" + e.text(KB_NR);
      auto* name = qobject_cast<QLineEdit*>(e.widget(KB_NAME));
      name->selectAll();
      QTest::keyClicks(name, "Zinsen");
      QTest::mouseClick(e.widget(KB_SPEICHERN), Qt::LeftButton);
      settle();
    }));
    EXPECT_EQ(seen, "Miete/4000");
    EXPECT_EQ(shown(w), "4000 5000 4400");
    EXPECT_EQ(shownName(w, 1), "Zinsen");
    ASSERT_TRUE(readAccount("4000"));
    EXPECT_EQ(KONTO.NAME.clip(), "Zinsen");

    // Enter works again after the edit, without the list being clicked first.
    seen.clear();
    QTest::keyClick(w.widget(KS_NR), Qt::Key_Down);
    auto nummer = [&](Window& e) { seen = e.text(KB_NR); };
    EXPECT_TRUE(imFenster("P23$WIN", [&] { key(w, KS_NR, Qt::Key_Return); }, nummer));
    EXPECT_EQ(seen, "5000");

    seen.clear();
    EXPECT_TRUE(imFenster("P23$WIN", [&] { doubleClickRow(w, 3); }, [&](Window& e) {
      seen = e.text(KB_NAME);
      QTest::keyClicks(e.widget(KB_NAME), "xyz");
      click(e, KB_ABBRUCH);
    }));
    EXPECT_EQ(seen, "möbel");
    EXPECT_EQ(shownName(w, 3), "möbel");

    seen.clear();
    clickRow(w, 2);
    EXPECT_TRUE(imFenster("P23$WIN", [&] { click(w, KS_BEARBEITEN); }, nummer));
    EXPECT_EQ(seen, "5000");
  });
  ASSERT_TRUE(readAccount("4400"));
  EXPECT_EQ(KONTO.NAME.clip(), "möbel");
}

TEST_F(KontenListeTest, AnEmptyFileGivesAnEmptyListInWhichNothingHappens) {
  withList([&](Window& w) {
    EXPECT_EQ(shown(w), "");
    // An edit window would be open when the handling of the action has settled.
    key(w, KS_NR, Qt::Key_Return);
    EXPECT_EQ(findWindow("P23$WIN"), nullptr);
    QTest::mouseDClick(w.list(KS_NR)->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    settle();
    EXPECT_EQ(findWindow("P23$WIN"), nullptr);
    click(w, KS_BEARBEITEN);
    EXPECT_EQ(findWindow("P23$WIN"), nullptr);
    click(w, KS_LOESCHEN);
  });
  EXPECT_TRUE(answers->shown().isEmpty());
  EXPECT_EQ(fileNumbers(), "");
}

TEST_F(KontenListeTest, TheDeleteQuestionAnsweredBothWays) {
  chart();
  bookingFor(1, "0005");
  withList([&](Window& w) {
    clickRow(w, 2);
    answers->next(MessageAnswers::Cancel);
    click(w, KS_LOESCHEN);
    ASSERT_EQ(answers->texts().size(), 1);
    EXPECT_EQ(answers->texts()[0],
              "Soll das Konto Kasse wirklich gelöscht werden? | (Buchungsposten auf dieses Konto können dann nicht "
              "mehr danach sortiert werden!)");
    EXPECT_TRUE(answers->shown()[0].withCancel);
    EXPECT_EQ(shown(w), "0000 0005 1780 4000 4400 4999 5000 8400");

    clickRow(w, 2);
    click(w, KS_LOESCHEN);
    EXPECT_EQ(shown(w), "0000 1780 4000 4400 4999 5000 8400");
    EXPECT_EQ(w.focusField(), KS_NR);
  });
  EXPECT_EQ(fileNumbers(), "0000 1780 4000 4400 4999 5000 8400");
  EXPECT_EQ(bookingAccount(1), "0005");
}

TEST_F(KontenListeTest, ANewAccountIsAddedAndTheListFilledAgain) {
  chart();
  KONTONR = "0";
  withList([&](Window& w) {
    ASSERT_EQ(shown(w), "0000 0005");
    EXPECT_TRUE(imFenster("P23$WIN", [&] { click(w, KS_NEU); }, [&](Window& e) {
      EXPECT_EQ(e.text(KB_NAME), "");
      QTest::keyClicks(e.widget(KB_NAME), "Porto");
      QTest::keyClick(e.widget(KB_NAME), Qt::Key_Tab);
      QTest::keyClicks(e.widget(KB_NR), "7");
      settle();
      QTest::mouseClick(e.widget(KB_ART_1 + 1), Qt::LeftButton);
      QTest::mouseClick(e.widget(KB_R1), Qt::LeftButton);
      click(e, KB_SPEICHERN);
    }));
    EXPECT_EQ(shown(w), "0000 0005 0007");
    EXPECT_EQ(w.focusField(), KS_NR);
  });
  ASSERT_TRUE(readAccount("0007"));
  EXPECT_EQ(KONTO.NAME.clip(), "Porto");
  EXPECT_EQ(KONTO.ART, 2);
  EXPECT_EQ(+KONTO.MWST, 1);
}

// "Windows Erweitert": Enter moves on in the filters and on the buttons, and edits in the list.
TEST_F(KontenListeTest, InTheExtendedKeyboardModeEnterMovesOnExceptInTheList) {
  chart();
  PARA.TASTATUR = 1;
  withList([&](Window& w) {
    type(w, KS_KONTONAME, "");
    key(w, KS_KONTONAME, Qt::Key_Return);
    EXPECT_EQ(w.focusField(), KS_KONTOSHORTCUT);
    key(w, KS_KONTOSHORTCUT, Qt::Key_Return);
    EXPECT_EQ(w.focusField(), KS_KONTONR);
    key(w, KS_KONTONR, Qt::Key_Return);
    EXPECT_EQ(w.focusField(), KS_NR);
    QString seen;
    QTest::keyClick(w.widget(KS_NR), Qt::Key_Down);
    EXPECT_TRUE(imFenster("P23$WIN", [&] { key(w, KS_NR, Qt::Key_Return); },
                          [&](Window& e) { seen = e.text(KB_NR); }));
    EXPECT_EQ(seen, "0005");
  });
}

// While the list is open the booking form's pick list shows the list's rows and does not refill
// the shared queue; afterwards it shows the queue the list left, until it fills it itself.
TEST_F(KontenListeTest, TheBookingFormLeavesTheQueueToTheOpenList) {
  chart();
  resetEntry();
  STARTBILDAKTIV = 0;
  THREADANZEIGE = 0;
  THREADBUCHUNG = start(BuchungEingeben);
  settle();
  ASSERT_TRUE(WinBuchung.isOpen());
  auto pickRows = [] { return WinBuchung.list(BF_NR)->model()->rowCount(); };
  withList([&](Window& w) {
    type(w, KS_KONTONR, "4");
    ASSERT_EQ(shown(w), "4000 4400 4999");
    EXPECT_EQ(pickRows(), 3);
    auto* code = qobject_cast<QLineEdit*>(WinBuchung.widget(BF_CODE));
    QTest::keyClicks(code, "E");
    settle();
    EXPECT_EQ(rows(), "4000 4400 4999");
    EXPECT_EQ(pickRows(), 3);
    QTest::keyClick(code, Qt::Key_Backspace);
    settle();
    type(w, KS_KONTOSHORTCUT, "k");
  });
  // The closing fill: code order with the code filter as it stands.
  EXPECT_EQ(rows(), "0005 4400 4000");
  EXPECT_EQ(pickRows(), 3);
  auto* code = qobject_cast<QLineEdit*>(WinBuchung.widget(BF_CODE));
  QTest::keyClicks(code, "E");
  settle();
  EXPECT_EQ(rows(), "8400");
  EXPECT_EQ(pickRows(), 1);
  WinBuchung.close();
  settle();
}

// Needs the text keys to compare blank-padded: the second pass starts at the blank codes.
TEST_F(KontenListeTest, AfterClosingTheQueueHoldsTheAccountsWithACodeInCodeOrderThenTheOthers) {
  chart();
  withList([&](Window& w) { key(w, KS_NR, Qt::Key_Escape); });
  EXPECT_EQ(rows(), "8400 0005 4400 4000 5000 0000 1780 4999");
}

// A fill stops at once when a key press for the window is waiting; the key, once handled, fills
// the list for the longer filter.
TEST_F(KontenListeTest, AFillStopsAtOnceWhenAKeyPressIsWaiting) {
  chart();
  withList([&](Window& w) {
    type(w, KS_KONTONAME, "m");
    ASSERT_EQ(shown(w), "4000 5000 4400");
    QLineEdit* e = edit(w, KS_KONTONAME);
    QCoreApplication::postEvent(e, new QKeyEvent(QEvent::KeyPress, Qt::Key_I, Qt::NoModifier, "i"));
    QCoreApplication::postEvent(e, new QKeyEvent(QEvent::KeyRelease, Qt::Key_I, Qt::NoModifier, "i"));
    KontenListeNeu();
    EXPECT_EQ(rows(), "");
    settle();
    EXPECT_EQ(e->text(), "mi");
    EXPECT_EQ(shown(w), "4000 5000");
    // Keys for another window do not stop it.
    auto* other = new QLineEdit;
    QCoreApplication::postEvent(other, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    KontenListeNeu();
    EXPECT_EQ(rows(), "4000 5000");
    delete other;
  });
}

// The chart holds the rows that the list shows, in its order, with codes of three characters; the
// row shading goes on from one print to the next while the list is open, and without it the rows
// are white.
TEST_F(KontenListeTest, TheChartPrintsTheListedRowsWithTheShadingGoingOnFromPrintToPrint) {
  ASSERT_TRUE(kNurPdf);
  const QString dokumente = folder.file("Dokumente");
  QDir().mkpath(dokumente);
  qputenv("TAVIK_FOLDER_PERSONAL", dokumente.toUtf8());
  chart();
  withList([&](Window& w) {
    type(w, KS_KONTOSHORTCUT, "k");
    ASSERT_EQ(shown(w), "0005 4400 4000");

    PARA.ZEILENABHEBEN = 0;
    const Ausdruck ohne = drucken(w, dokumente, [&] { click(w, KS_KONTENDRUCKEN); });
    EXPECT_EQ(ohne.zeilen, (std::vector<QRgb>{kWeiss, kWeiss, kWeiss}));
    EXPECT_EQ(w.focusField(), KS_NR);

    PARA.ZEILENABHEBEN = 1;
    const Ausdruck erster = drucken(w, dokumente, [&] { click(w, KS_KONTENDRUCKEN); });
    EXPECT_EQ(erster.zeilen, (std::vector<QRgb>{kGrau, kWeiss, kGrau}));
    const Ausdruck zweiter = drucken(w, dokumente, [&] { key(w, KS_NR, Qt::Key_D, Qt::AltModifier); });
    EXPECT_EQ(zweiter.zeilen, (std::vector<QRgb>{kWeiss, kGrau, kWeiss}));

    const std::string text = pdfText(erster.datei);
    EXPECT_EQ(text,
              "Tavik! Kontenrahmen Seite 1\n"
              "Name Konto Code Textvorgabe 1 Textvorgabe 2\n"
              "Kasse 0005 KA\n"
              "möbel 4400 KAS\n"
              "Miete 4000 KFZ Miete Büro #");
    EXPECT_EQ(pdfText(zweiter.datei), text);
  });
  qunsetenv("TAVIK_FOLDER_PERSONAL");
}

// Confirmed printer dialogs name a file that is new each time: two charts are two whole files, and
// a file of the user's under the name the dialog would offer first stays as it was.
TEST_F(KontenListeTest, ChartsAfterTheConfirmedPrinterDialogAreWholeFilesOfTheirOwn) {
  ASSERT_TRUE(kNurPdf);
  const QString dokumente = folder.file("Dokumente");
  QDir().mkpath(dokumente);
  qputenv("TAVIK_FOLDER_PERSONAL", dokumente.toUtf8());
  {
    QFile eigene(dokumente + "/Ausdruck.pdf");
    ASSERT_TRUE(eigene.open(QIODevice::WriteOnly));
    eigene.write("meins");
  }
  chart();
  withList([&](Window& w) {
    type(w, KS_KONTOSHORTCUT, "k");
    const Ausdruck erster = drucken(w, dokumente, [&] { click(w, KS_KONTENDRUCKEN); }, true);
    const Ausdruck zweiter = drucken(w, dokumente, [&] { click(w, KS_KONTENDRUCKEN); }, true);
    ASSERT_FALSE(erster.datei.isEmpty());
    ASSERT_FALSE(zweiter.datei.isEmpty());
    EXPECT_NE(erster.datei, zweiter.datei);
    for (const QString& datei : {erster.datei, zweiter.datei})
      EXPECT_TRUE(pdfText(datei).starts_with("Tavik! Kontenrahmen Seite 1\n")) << datei.toStdString();
    QFile eigene(dokumente + "/Ausdruck.pdf");
    ASSERT_TRUE(eigene.open(QIODevice::ReadOnly));
    EXPECT_EQ(eigene.readAll(), "meins");
    EXPECT_EQ(QDir(dokumente).entryList(QDir::Files).size(), 3);
  });
  qunsetenv("TAVIK_FOLDER_PERSONAL");
}

// "Konto.dat" found damaged while the list is open (here by a look-up, as the booking form makes
// one): the chart asks first; told "Abbruch" it prints nothing, told "OK" its pages say that it may
// be incomplete.
TEST_F(KontenListeTest, AChartFromADamagedAccountFileAsksFirstAndSaysSoOnItsPages) {
  ASSERT_TRUE(kNurPdf);
  const QString dokumente = folder.file("Dokumente");
  QDir().mkpath(dokumente);
  qputenv("TAVIK_FOLDER_PERSONAL", dokumente.toUtf8());
  chart();
  withList([&](Window& w) {
    ASSERT_EQ(shown(w), "0000 0005 1780 4000 4400 4999 5000 8400");
    // Every page behind the file's first is overwritten, and the file's change counter moved on,
    // so that the next read meets the damage.
    QFile datei(KONTOPFAD.clip());
    ASSERT_TRUE(datei.open(QIODevice::ReadWrite));
    QByteArray bytes = datei.readAll();
    ASSERT_GT(bytes.size(), 4096);
    bytes[27] = static_cast<char>(bytes[27] + 1);
    bytes.replace(4096, bytes.size() - 4096, QByteArray(bytes.size() - 4096, '\xFF'));
    datei.seek(0);
    datei.write(bytes);
    datei.close();
    EXPECT_FALSE(readAccount("4000"));
    ASSERT_EQ(answers->texts().size(), 1);
    EXPECT_TRUE(answers->texts()[0].startsWith("Die Datei \"Konto.dat\" ist beschädigt - Fehlercode "));

    const QString frage = QString(KONTEN_UNVOLLSTAENDIG) + " | Soll der Kontenrahmen trotzdem gedruckt werden?";
    answers->next(MessageAnswers::Cancel);
    click(w, KS_KONTENDRUCKEN);
    EXPECT_EQ(answers->texts().value(1), frage);
    QTest::qWait(100);
    EXPECT_EQ(druckerwahl(), nullptr);
    EXPECT_TRUE(QDir(dokumente).entryList(QDir::Files).isEmpty());

    const Ausdruck gedruckt = drucken(w, dokumente, [&] { click(w, KS_KONTENDRUCKEN); });
    EXPECT_EQ(answers->texts().value(2), frage);
    EXPECT_EQ(pdfText(gedruckt.datei),
              "Tavik! Kontenrahmen Konto.dat ist beschädigt - der Kontenrahmen kann unvollständig sein! Seite 1\n"
              "Name Konto Code Textvorgabe 1 Textvorgabe 2\n"
              "Privatentnahme 0000 PE\n"
              "Kasse 0005 KA\n"
              "Umsatzsteuer 1780 USt-Vorauszahlung\n"
              "Miete 4000 KFZ Miete Büro #\n"
              "möbel 4400 KAS\n"
              "Ärztekammer 4999\n"
              "Miete 5000 MI Miete Lager\n"
              "Erlöse 8400 ERL");
  });
  qunsetenv("TAVIK_FOLDER_PERSONAL");
}
