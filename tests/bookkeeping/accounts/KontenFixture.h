#pragma once
// A small chart of accounts: account 0000, account 0005, accounts from 4000 to 4999 and beyond, two
// accounts of one name, a four-character code, two accounts without a code, names with umlauts in
// both cases.

#include "bookkeeping/accounts/KontoLogik.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"
#include "tests/bookkeeping/booking/Fixture.h"

#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

struct KontenTest : DataFolderTest {
  void SetUp() override {
    DataFolderTest::SetUp();
    KONTONAME.clear();
    KONTOSHORTCUT.clear();
    KONTONR.clear();
    KONTENSORTIERUNG = 0;
    KONTOQUEUE.clear();
    PARA.BUCHUNGSART = 1;
    PARA.TASTATUR = 2;
  }
  void TearDown() override {
    KONTOQUEUE.clear();
    DataFolderTest::TearDown();
  }
  void chart() {
    account("0000", "PE", 2, "Privatentnahme", 1);
    account("0005", "KA", 1, "Kasse", 1);
    account("1780", "", 3, "Umsatzsteuer", 0, "USt-Vorauszahlung");
    account("4000", "KFZ", 2, "Miete", 2, "Miete Büro #");
    account("4400", "KASS", 1, "möbel", 2);
    account("4999", "", 2, "Ärztekammer", 1);
    account("5000", "MI", 2, "Miete", 2, "Miete Lager");
    account("8400", "ERL", 1, "Erlöse", 2);
  }
  // The numbers of the listed rows, in list order.
  static std::string rows() {
    QStringList out;
    for (const KONTOQUEUE_T& z : KONTOQUEUE.rows()) out << z.NR.clip();
    return out.join(' ').toStdString();
  }
  // The numbers of the accounts in the file, in number order.
  static std::string fileNumbers() {
    QStringList out;
    KONTODATEI.clear();
    KONTODATEI.set(KONTO_KEYNR);
    while (KONTODATEI.next() == 0) out << KONTO.NR.clip();
    return out.join(' ').toStdString();
  }
  // A booking on account `konto`.
  void bookingFor(int nr, const char* konto) {
    booking(nr, rt::dayNumber(2026, 3, 2), 1, 50, "Kassenbestand");
    BUCHUNG.NR = nr;
    ASSERT_EQ(BUCHUNGDATEI.get(BUCHUNG_KEYNR), 0);
    BUCHUNG.KONTO = konto;
    ASSERT_EQ(BUCHUNGDATEI.put(), 0);
  }
  static std::string bookingAccount(int nr) {
    BUCHUNG.NR = nr;
    return BUCHUNGDATEI.get(BUCHUNG_KEYNR) == 0 ? BUCHUNG.KONTO.utf8() : "?";
  }
  static bool readAccount(const char* nr) {
    KONTO.NR = nr;
    return KONTODATEI.get(KONTO_KEYNR) == 0;
  }
};

// The windows' tests: no key aliases left from before, and the message windows answered.
struct KontenFensterTest : KontenTest {
  std::unique_ptr<testing_support::MessageAnswers> answers;
  void SetUp() override {
    KontenTest::SetUp();
    rt::win::clearKeyAliases();
    answers = std::make_unique<testing_support::MessageAnswers>();
  }
  void TearDown() override {
    answers.reset();
    rt::win::clearKeyAliases();
    KontenTest::TearDown();
  }
};

// Runs `body` once the window `label` is open, inside the window's own loop; a window that the
// body leaves open is closed afterwards, so that a failed check never leaves a test waiting.
inline QTimer* sobaldOffen(const QString& label, std::function<void(rt::win::Window&)> body) {
  auto* t = new QTimer;
  t->setInterval(5);
  QObject::connect(t, &QTimer::timeout, t, [t, label, body] {
    rt::win::Window* w = rt::win::findWindow(label);
    if (!w) return;
    t->stop();
    t->deleteLater();
    testing_support::settle();
    body(*w);
    if (rt::win::findWindow(label) == w) w->topWidget()->close();
  });
  t->start();
  return t;
}

// Does what opens the window `label` as a user does it (`handlung`), runs `body` in the window and
// returns when the body has run and the window has closed; false when it did not open or close. A
// window that waits for the user leaves no thread any work, so settling after the action waits
// neither for the body nor for the close that follows it; while the window is still open, the
// window below takes no input.
inline bool imFenster(const QString& label, const std::function<void()>& handlung,
                      const std::function<void(rt::win::Window&)>& body) {
  bool fertig = false;
  const QPointer<QTimer> t = sobaldOffen(label, [&fertig, body](rt::win::Window& w) {
    body(w);
    fertig = true;
  });
  handlung();
  const bool gelaufen = QTest::qWaitFor([&] { return fertig && !rt::win::findWindow(label); }, 5000);
  delete t.data();
  return gelaufen;
}
