// The print dialog driven as a user does: tabs clicked, dates typed, rows clicked, options checked,
// "&Vorschau" pressed; the evaluation it builds, and the dialog as it stands afterwards.

#include "Bestand.h"
#include "bookkeeping/frame/Globale.h"
#include "bookkeeping/frame/Rahmen.h"
#include "bookkeeping/reports/Auswertungen.h"
#include "runtime/report/Printer.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPrintDialog>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace rt::win;

namespace {

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
    EXPECT_EQ(P40_REP->pageCount(), 0);  // the report is closed
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

TEST_F(AuswertungenTest, EinDatumDasDieEingabeNichtNimmtBautNichts) {
  dialog([this](Window& w) {
    testing_support::typeOver(w.widget(AF_BISD1), "32.13.2024");
    klick(w, AF_OK);
    EXPECT_TRUE(vorschauen.empty());
    EXPECT_FALSE(antworten.shown().isEmpty());
  });
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
