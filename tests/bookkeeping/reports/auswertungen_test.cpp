// The print dialog driven as a user does: tabs clicked, dates typed, rows clicked, options checked,
// "&Vorschau" pressed; the evaluation it builds, and the dialog as it stands afterwards.

#include "Bestand.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/proc/Druckvorschau.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "runtime/report/Printer.h"
#include "runtime/window/ListBox.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/support/Settle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPrintDialog>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

using namespace rt::win;
using testing_support::settle;

namespace {

// Fields of the print preview P18$WINVORSCHAU.
constexpr int kVorschauSeite = 4, kVorschauWeiter = 6, kVorschauDrucken = 7, kVorschauAbbruch = 8;

struct AuswertungenTest : AuswertungTest {
  std::vector<std::vector<seiten::Seite>> vorschauen;  // the pages of every preview, as shown

  void SetUp() override {
    AuswertungTest::SetUp();
    PARA.VONSUMMENDATUM = rt::dateOf(rt::dayNumber(2024, 3, 1));
    PARA.BISSUMMENDATUM = rt::dateOf(rt::dayNumber(2024, 3, 31));
    VorschauSetzen([this](rt::report::Report&) {
      std::vector<const rt::report::PageImage*> images;
      for (const auto& row : SEITENQUEUE.rows()) images.push_back(rt::report::pageImage(row.SEITE.clip()));
      vorschauen.push_back(seiten::ausBildern(images));
      return std::uint8_t(0);
    });
  }

  // Opens the dialog, runs `drive` in it and returns when it has closed.
  void dialog(const std::function<void(Window&)>& drive) {
    bool gefahren = false;
    QTimer::singleShot(0, [&] {
      settle();
      Window* w = findWindow("P40$WIN");
      if (w) {
        drive(*w);
        gefahren = true;
      }
      // A preview left open by a failed check would keep the dialog from taking the click.
      if (Window* v = findWindow("P18$WINVORSCHAU")) klick(*v, kVorschauAbbruch);
      if ((w = findWindow("P40$WIN"))) klick(*w, AF_ABBRUCH);
    });
    Auswertungen();
    settle();
    EXPECT_TRUE(gefahren);
    EXPECT_EQ(findWindow("P40$WIN"), nullptr);
  }

  static void klick(Window& w, int feld) {
    QTest::mouseClick(w.widget(feld), Qt::LeftButton);
    settle();
  }
  static void tab(Window& w, int index) {
    QTabBar* bar = static_cast<QTabWidget*>(w.widget(AF_SEITE))->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    settle();
  }
  static void tippen(Window& w, int feld, const QString& text) {
    testing_support::typeOver(w.widget(feld), text);
    QTest::keyClick(w.widget(feld), Qt::Key_Tab);
    settle();
  }
  static void zeile(Window& w, int row) {
    ListBox* l = w.list(AF_NR);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualRect(l->model()->index(row - 1, 0)).center());
    settle();
  }
  // The text colour of each row as the list draws it.
  static std::vector<QColor> zeilenfarben(Window& w) {
    std::vector<QColor> out;
    QAbstractItemModel* m = w.list(AF_NR)->model();
    for (int r = 0; r < m->rowCount(); ++r)
      for (int c = 0; c < 2; ++c) {
        const QColor f = m->data(m->index(r, c), Qt::ForegroundRole).value<QBrush>().color();
        if (c == 0) out.push_back(f);
        else EXPECT_EQ(f, out.back()) << "both columns alike";
      }
    return out;
  }
  // A window on a thread of its own, standing in for the booking form.
  Window formular{WindowDef{.label = "FORMULAR", .w = 40, .h = 20}};
  int formularEreignisse = 0;
  // Whether the stand-in takes input and handles an event posted to its thread now.
  bool formularArbeitet() {
    if (!formular.isOpen()) {
      start([this] {
        formular.open();
        formular.attach([this](Window&, const Event& e) {
          if (e.code == EV_User + 1) ++formularEreignisse;
          return Pass::Default;
        });
      });
      settle();
    }
    const int vorher = formularEreignisse;
    post(EV_User + 1, formular.thread());
    settle();
    return formular.takesInput() && formularEreignisse == vorher + 1;
  }
  void TearDown() override {
    formular.close();
    settle();
    AuswertungTest::TearDown();
  }
  static bool gecheckt(Window& w, int feld) { return static_cast<QAbstractButton*>(w.widget(feld))->isChecked(); }
};

const QColor kBlau(0, 0, 255), kGrau(128, 128, 128);

TEST_F(AuswertungenTest, DerDialogOeffnetMitDemJahrUndDemZeitraumDerAnzeigeUndAllenKontenMarkiert) {
  dialog([](Window& w) {
    EXPECT_EQ(w.def().caption, std::string("Drucken"));
    EXPECT_EQ(w.focusField(), AF_VOND1);
    EXPECT_EQ(w.currentTab(AF_SEITE), AF_GEWINN);
    EXPECT_EQ(w.text(AF_VOND1), "01.01.2024");
    EXPECT_EQ(w.text(AF_BISD1), "31.12.2024");
    EXPECT_EQ(w.text(AF_VOND2), "01.01.2024");
    EXPECT_EQ(w.text(AF_BISD2), "31.12.2024");
    EXPECT_EQ(w.text(AF_VOND3), "01.03.2024");
    EXPECT_EQ(w.text(AF_BISD3), "31.03.2024");
    EXPECT_EQ(EINGABEJAHR, 2024);
    EXPECT_EQ(w.text(AF_DRUCKER), rt::report::currentPrinterName().left(80));
    const std::pair<int, const char*> tabs[] = {{AF_GEWINN, "&Gewinn / Verlust"},
                                                {AF_NACHKONTENAUFSCHLUESSELN, "Nach Konten &aufschlüsseln"},
                                                {AF_UST, "&USt Voranmeldung"}};
    for (const auto& [feld, text] : tabs) EXPECT_EQ(w.text(feld), text);
    EXPECT_EQ(w.fill(AF_GEWINN), QColor(208, 224, 208));
    EXPECT_EQ(w.fill(AF_NACHKONTENAUFSCHLUESSELN), QColor(208, 208, 216));
    EXPECT_EQ(w.fill(AF_UST), QColor(216, 216, 192));
    EXPECT_EQ(zeilenfarben(w), std::vector<QColor>(7, kBlau));
    EXPECT_EQ(w.list(AF_NR)->model()->data(w.list(AF_NR)->model()->index(1, 1)).toString(), "4400");
    tab(w, 1);
    w.topWidget()->grab().save(QString::fromStdString(::testing::TempDir()) + "auswertungen.png");
  });
}

TEST_F(AuswertungenTest, EinKlickSchaltetDieMarkierungEinerZeileUndDieKnoepfeAller) {
  dialog([](Window& w) {
    tab(w, 1);
    zeile(w, 3);  // 4500
    EXPECT_EQ(MARKIERQUEUE.get(3)->GESPERRT, 1);
    EXPECT_EQ(zeilenfarben(w)[2], kGrau);
    zeile(w, 3);
    EXPECT_EQ(MARKIERQUEUE.get(3)->GESPERRT, 0);
    EXPECT_EQ(zeilenfarben(w)[2], kBlau);
    klick(w, AF_DEMARK);
    EXPECT_EQ(zeilenfarben(w), std::vector<QColor>(7, kGrau));
    for (const auto& z : MARKIERQUEUE.rows()) EXPECT_EQ(z.GESPERRT, 1);
    zeile(w, 2);
    EXPECT_EQ(zeilenfarben(w)[1], kBlau);
    klick(w, AF_MARK);
    EXPECT_EQ(zeilenfarben(w), std::vector<QColor>(7, kBlau));
    zeile(w, 1);
  });
  // Opened again, every account is included.
  dialog([](Window& w) { EXPECT_EQ(zeilenfarben(w), std::vector<QColor>(7, kBlau)); });
}

TEST_F(AuswertungenTest, NurSummenSchaltetExtraSeiteUndZeilenHervorheben) {
  PARA.ZEILENABHEBEN = 1;
  dialog([this](Window& w) {
    tab(w, 1);
    klick(w, AF_EXTRASEITE);
    ASSERT_EQ(EXTRASEITE, 1);
    klick(w, AF_NURSUMMEN);
    EXPECT_EQ(EXTRASEITE, 0);
    EXPECT_FALSE(gecheckt(w, AF_EXTRASEITE));
    EXPECT_FALSE(w.isEnabled(AF_EXTRASEITE));
    EXPECT_FALSE(w.isEnabled(AF_ZEILENABHEBEN));
    EXPECT_EQ(PARA.ZEILENABHEBEN, 1);  // disabled, not changed
    klick(w, AF_NURSUMMEN);
    EXPECT_TRUE(w.isEnabled(AF_EXTRASEITE));
    EXPECT_TRUE(w.isEnabled(AF_ZEILENABHEBEN));
    EXPECT_EQ(EXTRASEITE, 0);

    // Checked on tab 1, "Extra Seite" stays as it is; each included account then has a page.
    tab(w, 1);
    klick(w, AF_EXTRASEITE);
    tab(w, 0);
    klick(w, AF_NURSUMMEN);
    EXPECT_TRUE(w.isEnabled(AF_EXTRASEITE));
    EXPECT_FALSE(w.isEnabled(AF_ZEILENABHEBEN));
    tab(w, 1);
    EXPECT_TRUE(gecheckt(w, AF_EXTRASEITE));
    klick(w, AF_OK);
    ASSERT_EQ(vorschauen.size(), 1u);
    EXPECT_EQ(vorschauen[0].size(), 7u);  // six accounts with bookings, all included, and the sum over everything
    for (const auto& seite : vorschauen[0]) EXPECT_EQ(seite.size(), 4);  // the header and one sum line
  });
}

TEST_F(AuswertungenTest, VorschauZeigtDieAuswertungDesTabsUndDerDialogBleibtWieErWar) {
  dialog([this](Window& w) {
    tab(w, 2);
    tippen(w, AF_VOND3, "1.7.24");
    tippen(w, AF_BISD3, "30.09.2024");
    klick(w, AF_ZEILENABHEBEN);
    klick(w, AF_OK);
    ASSERT_EQ(vorschauen.size(), 1u);
    ASSERT_EQ(vorschauen[0].size(), 2u);
    EXPECT_EQ(vorschauen[0][0][1], "USt-Voranmeldungsdaten 01.07.2024-30.09.2024 | Seite | 1");
    EXPECT_EQ(vorschauen[0][1].back(), "Summe USt-Erstattung | -7,95");
    ASSERT_GT(SEITENQUEUE.records(), 0u);
    for (const auto& z : SEITENQUEUE.rows())  // the report is closed: its pages are gone
      EXPECT_EQ(rt::report::pageImage(z.SEITE.clip()), nullptr);
    // The same tab, dates and options; "Zeilen hervorheben" was saved for the evaluation.
    EXPECT_EQ(w.currentTab(AF_SEITE), AF_UST);
    EXPECT_EQ(w.text(AF_VOND3), "01.07.2024");
    EXPECT_EQ(w.text(AF_BISD3), "30.09.2024");
    EXPECT_TRUE(gecheckt(w, AF_ZEILENABHEBEN));
    PARA.ZEILENABHEBEN = 0;
    ParameterLaden();
    EXPECT_EQ(PARA.ZEILENABHEBEN, 1);

    // Tab 2 with 4400 left out; a date typed and not left, then Alt+D.
    tab(w, 1);
    zeile(w, 2);
    testing_support::typeOver(w.widget(AF_BISD2), "30.06.2024");
    QTest::keyClick(w.widget(AF_BISD2), Qt::Key_D, Qt::AltModifier);
    settle();
    ASSERT_EQ(vorschauen.size(), 2u);
    const QString konten = vorschauen[1][0].join("\n");
    EXPECT_TRUE(konten.contains("Nach Konten selektierte Buchungen 01.01.2024-30.06.2024")) << konten.toStdString();
    EXPECT_FALSE(konten.contains("Bürobedarf"));
    EXPECT_TRUE(konten.contains("Erlöse 19 % (8400)"));
    EXPECT_FALSE(konten.contains("Cent A"));  // September
    EXPECT_EQ(zeilenfarben(w)[1], kGrau);
    EXPECT_EQ(w.currentTab(AF_SEITE), AF_NACHKONTENAUFSCHLUESSELN);
  });
}

// A date that the entry cannot read is said when "&Vorschau" is pressed, and nothing is built; the
// focus goes to the date. Leaving the date says nothing, and "Abbruch" closes the dialog.
TEST_F(AuswertungenTest, EinDatumDasDieEingabeNichtNimmtBautNichtsUndAbbruchSchliesst) {
  dialog([this](Window& w) {
    testing_support::typeOver(w.widget(AF_BISD1), "32.13.2024");
    QTest::keyClick(w.widget(AF_BISD1), Qt::Key_Tab);
    settle();
    EXPECT_TRUE(antworten.shown().isEmpty());
    klick(w, AF_OK);
    EXPECT_TRUE(vorschauen.empty());
    ASSERT_EQ(antworten.texts().size(), 1);
    EXPECT_TRUE(antworten.texts().front().startsWith("Die Eingabe \"32.13.2024\" ist ungültig.")) << antworten.texts().front().toStdString();
    EXPECT_EQ(w.focusField(), AF_BISD1);
  });
  bool nachgeholfen = false;
  QTimer::singleShot(0, [&] {
    settle();
    Window* w = findWindow("P40$WIN");
    ASSERT_TRUE(w);
    testing_support::typeOver(w->widget(AF_VOND1), "32.13.2026");
    // The user presses "Abbruch" and lets go of it a moment later.
    QTest::mousePress(w->widget(AF_ABBRUCH), Qt::LeftButton);
    settle();
    QTest::mouseRelease(w->widget(AF_ABBRUCH), Qt::LeftButton);
    settle();
    // A dialog still open after that is closed here, and the test fails.
    QTimer::singleShot(500, [&] {
      if (Window* d = findWindow("P40$WIN")) {
        nachgeholfen = true;
        d->close();
      }
    });
  });
  Auswertungen();
  settle();
  EXPECT_FALSE(nachgeholfen);
  EXPECT_EQ(antworten.texts().size(), 1);  // only the one of "&Vorschau"
}

TEST_F(AuswertungenTest, OhneMwstFehltDerUStTabUndNurAusgabenHeisstDerErste) {
  for (int modus : {2, 3}) {
    SCOPED_TRACE(modus);
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(modus);
    dialog([this, modus](Window& w) {
      EXPECT_EQ(static_cast<QTabWidget*>(w.widget(AF_SEITE))->count(), 2);
      EXPECT_FALSE(w.has(AF_UST));
      EXPECT_FALSE(w.has(AF_VOND3));
      EXPECT_EQ(w.text(AF_GEWINN), modus == 3 ? "Ausgaben auflisten" : "&Gewinn / Verlust");
      EXPECT_EQ(w.fill(AF_GEWINN), modus == 3 ? QColor(232, 208, 208) : QColor(208, 224, 208));
      klick(w, AF_OK);
      ASSERT_FALSE(vorschauen.empty());
      EXPECT_EQ(vorschauen.back()[0][1].section(" | ", 0, 0),
                QString(modus == 3 ? "Ausgaben " : "Gewinn/Verlust Ermittlung ") + "01.01.2024-31.12.2024");
    });
  }
}

TEST_F(AuswertungenTest, DruckerOeffnetDieDruckerwahlMitIhremTitel) {
  QString titel;
  dialog([&titel](Window& w) {
    const QString vorher = w.text(AF_DRUCKER);
    QTimer::singleShot(200, [&titel] {
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QPrintDialog*>(top); d && d->isVisible()) {
          titel = d->windowTitle();
          d->reject();
        }
    });
    klick(w, AF_DRUCKERWAEHLEN);
    QTest::qWait(400);
    settle();
    EXPECT_EQ(w.text(AF_DRUCKER), vorher);
  });
  EXPECT_EQ(titel, "Drucker auswählen");
}

}  // namespace

namespace {

// The frame's menu item and toolbar button open the dialog; while it is open the frame takes no
// commands, and the booking form on its own thread goes on.
TEST_F(AuswertungenTest, DruckenImRahmenOeffnetDenDialogUndDerRahmenWartet) {
  RahmenOeffnen();
  WinMain.attach(RahmenEreignis);
  settle();
  const std::function<void()> ausloeser[] = {
      [] { WinMain.action(FELD_DRUCKEN)->trigger(); },
      [] { static_cast<QAbstractButton*>(WinMain.widget(FELD_DRUCKEN_))->click(); }};
  for (const auto& ausloesen : ausloeser) {
    ausloesen();
    settle();
    Window* w = findWindow("P40$WIN");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(WinMain.takesInput());
    EXPECT_TRUE(formularArbeitet());
    klick(*w, AF_ABBRUCH);
    EXPECT_EQ(findWindow("P40$WIN"), nullptr);
    EXPECT_TRUE(WinMain.takesInput());
  }
  WinMain.close();
  settle();
}

}  // namespace

namespace {

// The dialog with the program's own print preview.
struct MitVorschauTest : AuswertungenTest {
  void SetUp() override {
    AuswertungenTest::SetUp();
    VorschauSetzen({});
    VORSCHAUANSICHT = {};
  }
  static Window* vorschau() { return findWindow("P18$WINVORSCHAU"); }
  // The pages of the open preview, read from the page images its page list names.
  static std::vector<seiten::Seite> vorschauSeiten() {
    std::vector<const rt::report::PageImage*> images;
    for (const auto& row : SEITENQUEUE.rows()) {
      images.push_back(rt::report::pageImage(row.SEITE.clip()));
      if (!images.back()) ADD_FAILURE() << "no page image " << row.SEITE.clip().toStdString();
    }
    return seiten::ausBildern(images);
  }
  QStringList pdfDateien() const { return QDir(dokumente.path()).entryList({"*.pdf"}, QDir::Files); }
};

TEST_F(MitVorschauTest, VorschauZeigtDieSeitenDerAuswertungUndAbbruchLaesstDenDialogWieErWar) {
  PARA.ZEILENABHEBEN = 0;
  dialog([this](Window& w) {
    tab(w, 1);
    zeile(w, 2);  // 4400 left out of the evaluation by account, still in the breakdown
    klick(w, AF_EXTRASEITE);
    tab(w, 0);
    tippen(w, AF_VOND1, "1.2.24");
    tippen(w, AF_BISD1, "30.06.2024");
    klick(w, AF_AUSGABENAUFSCHLUESSELN);
    klick(w, AF_ZEILENABHEBEN);
    klick(w, AF_OK);

    Window* v = vorschau();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->topWidget()->windowTitle(), "Druckvorschau - Tavik! Druck");
    EXPECT_FALSE(w.takesInput());  // the dialog waits for the preview
    const std::vector<seiten::Seite> seiten = vorschauSeiten();
    ASSERT_EQ(seiten.size(), 2u);
    const QString titel = "Gewinn/Verlust Ermittlung 01.02.2024-30.06.2024";
    const QStringList einnahmen{
        "Eingänge mit 19,00 % MwSt", "15.03.2024 | Rechnung 2 | 23,80 | 20,00 | 3,80",
        "15.03.2024 | Rechnung 12 | 59,50 | 50,00 | 9,50", "Kunde Müller",
        "Summe Eingänge mit 19,00 % MwSt | 83,30 | 70,00 | 13,30",
        "Eingänge mit | 7,00 % MwSt", "10.02.2024 | Buchverkauf | 10,70 | 10,00 | 0,70",
        "Summe Eingänge mit | 7,00 % MwSt | 10,70 | 10,00 | 0,70",
        "Eingänge mit | 0,00 % MwSt", "06.05.2024 | Export A | 20,00 | 20,00 | 0,00",
        "Summe Eingänge mit | 0,00 % MwSt | 20,00 | 20,00 | 0,00",
        "Eingänge mit | 0,00 % MwSt", "07.05.2024 | Export B | 30,00 | 30,00 | 0,00",
        "Summe Eingänge mit | 0,00 % MwSt | 30,00 | 30,00 | 0,00"};
    EXPECT_EQ(seiten[0], kopf(titel, 1) + einnahmen);
    // Expenses by account from the second page on; only the two half cents of June lie in the range.
    const QStringList ausgaben{
        "Ausgaben Bürobedarf (4400)", "21.06.2024 | Porto A | 0,01 | 0,01 | 0,00",
        "21.06.2024 | Porto B | 0,01 | 0,01 | 0,00", "Summe Bürobedarf (4400) | -0,02 | -0,02 | 0,00",
        "USt-Vorauszahlung", "10.04.2024 | USt Q1 | 100,00 | 100,00 | 0,00",
        "Summe USt-Vorauszahlung | -100,00 | -100,00 | 0,00", "Gesamtsumme Gewinn | 43,98"};
    EXPECT_EQ(seiten[1], kopf(titel, 2) + ausgaben);
    // The first row of a section is shaded.
    const rt::report::PageImage* bild = rt::report::pageImage(SEITENQUEUE.get(2)->SEITE.clip());
    ASSERT_NE(bild, nullptr);
    EXPECT_TRUE(std::any_of(bild->items.begin(), bild->items.end(), [](const rt::report::DrawItem& i) {
      return i.kind == rt::report::DrawItem::Kind::Box && i.fill == qRgb(224, 224, 224);
    }));
    // The preview shows the first page and steps to the second.
    const QImage erste = v->widget(kVorschauSeite)->grab().toImage();
    klick(*v, kVorschauWeiter);
    EXPECT_NE(v->widget(kVorschauSeite)->grab().toImage(), erste);

    klick(*v, kVorschauAbbruch);
    EXPECT_EQ(vorschau(), nullptr);
    EXPECT_TRUE(w.takesInput());
    EXPECT_TRUE(pdfDateien().isEmpty());
    EXPECT_TRUE(antworten.shown().isEmpty());
    ASSERT_GT(SEITENQUEUE.records(), 0u);
    for (const auto& z : SEITENQUEUE.rows())  // the report is closed: its pages are gone
      EXPECT_EQ(rt::report::pageImage(z.SEITE.clip()), nullptr);
    // Every choice as it was.
    EXPECT_EQ(w.currentTab(AF_SEITE), AF_GEWINN);
    EXPECT_EQ(w.text(AF_VOND1), "01.02.2024");
    EXPECT_EQ(w.text(AF_BISD1), "30.06.2024");
    EXPECT_EQ(w.text(AF_VOND2), "01.01.2024");
    EXPECT_TRUE(gecheckt(w, AF_AUSGABENAUFSCHLUESSELN));
    EXPECT_TRUE(gecheckt(w, AF_ZEILENABHEBEN));
    EXPECT_TRUE(gecheckt(w, AF_EXTRASEITE));
    EXPECT_FALSE(gecheckt(w, AF_NURSUMMEN));
    std::vector<QColor> farben(7, kBlau);
    farben[1] = kGrau;
    EXPECT_EQ(zeilenfarben(w), farben);

    // And the next preview is built from them again.
    klick(w, AF_OK);
    ASSERT_NE(vorschau(), nullptr);
    EXPECT_EQ(vorschauSeiten(), seiten);
    klick(*vorschau(), kVorschauAbbruch);
  });
}

TEST_F(MitVorschauTest, DruckenInDerVorschauSchreibtDieSeitenDerAuswertungAlsPdf) {
  dialog([this](Window& w) {
    tab(w, 1);
    tippen(w, AF_VOND2, "01.03.2024");
    tippen(w, AF_BISD2, "31.8.24");
    zeile(w, 2);  // 4400
    zeile(w, 4);  // 4600, no bookings
    zeile(w, 4);  // and back
    klick(w, AF_NURSUMMEN);
    klick(w, AF_OK);
    ASSERT_NE(vorschau(), nullptr);
    const std::vector<seiten::Seite> bilder = vorschauSeiten();
    klick(*vorschau(), kVorschauDrucken);
    EXPECT_EQ(vorschau(), nullptr);

    ASSERT_EQ(pdfDateien().size(), 1);
    const QString datei = dokumente.file(pdfDateien().first());
    ASSERT_EQ(antworten.texts().size(), 1);
    EXPECT_EQ(antworten.texts()[0], "Der Ausdruck wurde als PDF-Datei gespeichert: | " + QDir::toNativeSeparators(datei));
    const std::vector<seiten::Seite> pdf = seiten::ausPdf(datei);
    EXPECT_EQ(pdf, bilder);  // printed as previewed
    // Sums only, March to August, without the account left out.
    Summe e19, e7, ef, rei, ust, alles;
    for (const Posten& p : imBereich(rt::dayNumber(2024, 3, 1), rt::dayNumber(2024, 8, 31), [](const Posten&) { return true; })) {
      const QString k = p.konto;
      Summe* s = k == "8400" ? &e19 : k == "8300" ? &e7 : k == "8100" ? &ef : k == "4500" ? &rei : k == "1780" ? &ust : nullptr;
      if (!s) continue;
      s->add(p);
      alles.add(p);
    }
    ASSERT_EQ(pdf.size(), 1u);
    const QStringList summen{
        summe("Summe Erlöse steuerfrei (8100)", ef), summe("Summe Erlöse 19 % (8400)", e19),
        summe("Summe Reisekosten (4500)", rei), summe("Summe USt-Vorauszahlung (1780)", ust),
        summe("Summe über alles", alles)};
    EXPECT_EQ(pdf[0], kopf("Nach Konten selektierte Buchungen 01.03.2024-31.08.2024", 1) + summen);
    EXPECT_EQ(e7.brutto, 0);  // the 7 % income lies in February
    EXPECT_EQ(alles.brutto, 55000 + 8330 - 4760 - 10000);

    // The dialog as it was.
    EXPECT_EQ(w.currentTab(AF_SEITE), AF_NACHKONTENAUFSCHLUESSELN);
    EXPECT_EQ(w.text(AF_BISD2), "31.08.2024");
    EXPECT_TRUE(gecheckt(w, AF_NURSUMMEN));
    EXPECT_EQ(zeilenfarben(w)[1], kGrau);
    EXPECT_EQ(zeilenfarben(w)[3], kBlau);
  });
}

// A year long enough that its pages are still being built when the preview opens. Page keys typed
// ahead reach the evaluation's last page; the print button pressed at once prints every page as the
// whole evaluation has them.
TEST_F(MitVorschauTest, EineLangeAuswertungWirdVollstaendigGezeigtUndGedruckt) {
  static std::vector<std::string> texte;
  std::vector<Posten> viele;
  for (int i = 0; i < 12000; ++i) {
    texte.push_back("Posten " + std::to_string(i));
    const bool eingang = i % 3 == 0;
    viele.push_back({1000 + i, 2024, 1 + i % 12, 1 + i % 28, eingang ? "8400" : "4400", eingang ? 1 : 2, 2, 11.90,
                     10.00, 1.90, nullptr});
  }
  for (std::size_t i = 0; i < viele.size(); ++i) viele[i].text1 = texte[i].c_str();
  ASSERT_EQ(BUCHUNGDATEI.begin(), 0);
  buchen(viele);
  ASSERT_EQ(BUCHUNGDATEI.commit(), 0);

  dialog([this](Window& w) {
    klick(w, AF_AUSGABENAUFSCHLUESSELN);
    // The whole evaluation, as a preview that takes the finished report sees it.
    VorschauSetzen([this](rt::report::Report&) {
      vorschauen.push_back(vorschauSeiten());
      return std::uint8_t(0);
    });
    klick(w, AF_OK);
    VorschauSetzen({});
    ASSERT_EQ(vorschauen.size(), 1u);
    const std::vector<seiten::Seite> ganz = vorschauen[0];
    ASSERT_GT(ganz.size(), 200u);

    const auto vorschauOeffnen = [&] {
      QTest::mouseClick(w.widget(AF_OK), Qt::LeftButton);
      QElapsedTimer uhr;
      uhr.start();
      while (!vorschau() && uhr.elapsed() < 10000) QCoreApplication::processEvents();
      return vorschau();
    };
    Window* v = vorschauOeffnen();
    ASSERT_NE(v, nullptr);
    EXPECT_LT(SEITENQUEUE.records(), ganz.size());  // still being built
    QWidget* fokus = v->topWidget()->focusWidget() ? v->topWidget()->focusWidget() : v->topWidget();
    for (std::size_t i = 0; i < ganz.size() + 3; ++i) QTest::keyClick(fokus, Qt::Key_PageDown);
    settle();
    EXPECT_EQ(SEITENQUEUE.records(), ganz.size());
    EXPECT_EQ(vorschauSeiten(), ganz);
    klick(*v, kVorschauAbbruch);
    EXPECT_TRUE(pdfDateien().isEmpty());

    v = vorschauOeffnen();
    ASSERT_NE(v, nullptr);
    EXPECT_LT(SEITENQUEUE.records(), ganz.size());
    klick(*v, kVorschauDrucken);
    EXPECT_EQ(vorschau(), nullptr);
    ASSERT_EQ(pdfDateien().size(), 1);
    EXPECT_EQ(seiten::ausPdf(dokumente.file(pdfDateien().first())), ganz);
    EXPECT_EQ(antworten.texts().size(), 1u);
  });
}

}  // namespace
