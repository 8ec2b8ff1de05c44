#pragma once
// The overview and sums windows on threads of their own over a temporary data folder, with a small
// window that stands in for the booking form (and, where a test asks, for the sums window or the
// overview) and counts the events that reach it.

#include "bookkeeping/booking/BuchungLogik.h"
#include "bookkeeping/booking/UebersichtLogik.h"
#include "bookkeeping/common/Queues.h"
#include "bookkeeping/frame/Globale.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/bookkeeping/booking/Fixture.h"

#include <QAbstractButton>
#include <map>

struct WorkWindowTest : DataFolderTest {
  rt::win::Window zaehler{rt::win::WindowDef{.label = "ZAEHLER", .w = 40, .h = 20}};
  std::map<int, int> empfangen;  // event code -> how often it reached the counting window
  int zaehlerThread = 0;

  void SetUp() override {
    DataFolderTest::SetUp();
    BUCHUNGSUCHEN = 0;
    BUCHUNGSUCHENVON = {};
    BUCHUNGSUCHENBIS = {};
    BUCHUNGSUCHENTEXT = "";
    SUCHQUEUE.clear();
    CODE = "";
    BUCHUNGEINGABE = BUCHUNG_T{};
    GEWAEHLTEBUCHUNG = 0;
    SUMMEN = SUMMEN_T{};
    zaehlerThread = rt::win::start([this] {
      zaehler.open();
      zaehler.attach([this](rt::win::Window&, const rt::win::Event& e) {
        if (e.code >= rt::win::EV_User) ++empfangen[e.code];
        return rt::win::Pass::Default;
      });
    });
    THREADBUCHUNG = zaehlerThread;
    THREADSUMMEN = THREADANZEIGE = 0;
  }
  void TearDown() override {
    for (rt::win::Window* w : {&WinAnzeige, &WinSummen, &zaehler}) w->close();
    testing_support::settle();
    THREADBUCHUNG = THREADSUMMEN = THREADANZEIGE = 0;
    PARA = PARA_T{};
    DataFolderTest::TearDown();
  }
  void period(rt::Day von, rt::Day bis) {
    PARA.VONSUMMENDATUM = rt::dateOf(von);
    PARA.BISSUMMENDATUM = rt::dateOf(bis);
  }
  static void click(rt::win::Window& w, int field) {
    static_cast<QAbstractButton*>(w.widget(field))->click();
    testing_support::settle();
  }
};
