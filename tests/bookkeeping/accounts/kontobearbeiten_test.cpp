#include "bookkeeping/accounts/KontoBearbeiten.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Threads.h"
#include "tests/bookkeeping/accounts/KontenFixture.h"

#include <QLineEdit>
#include <QTest>

using namespace rt::win;
using testing_support::settle;
using testing_support::MessageAnswers;

namespace {

struct KontoBearbeitenTest : KontenFensterTest {
  // Opens the edit window for the account in KONTO and runs `body` in it.
  static void edit(std::int32_t nummer, const std::function<void(Window&)>& body) {
    sobaldOffen("P23$WIN", [&](Window& w) {
      settle();
      body(w);
    });
    KontoBearbeiten(nummer);
  }
  static void type(Window& w, int field, const QString& text) {
    auto* e = qobject_cast<QLineEdit*>(w.widget(field));
    QTest::mouseClick(e, Qt::LeftButton);
    e->selectAll();
    for (QChar ch : text) {
      if (ch.unicode() < 0x80)
        QTest::keyClicks(e, QString(ch));
      else
        QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    QTest::keyClick(e, Qt::Key_Tab);
    settle();
  }
  static void click(Window& w, int field) {
    QTest::mouseClick(w.widget(field), Qt::LeftButton);
    settle();
  }
  static bool vatShown(Window& w) {
    bool all = true, none = true;
    for (int f : {int(KB_MWST), int(KB_R1), KB_R1 + 4, int(KB_MWSTTITEL)}) (w.isHidden(f) ? all : none) = false;
    EXPECT_TRUE(all || none) << "the VAT key group is shown or hidden as a whole";
    return all;
  }
  std::string lastMessage() const { return answers->texts().isEmpty() ? "" : answers->texts().last().toStdString(); }
};

}  // namespace

// A new account needs a name, a number, a kind and, unless the kind is the VAT prepayment, a VAT
// key: the checks report in that order, each with the focus on its control.
TEST_F(KontoBearbeitenTest, ANewAccountIsCheckedInOrderAndSavedWithFourDigits) {
  chart();
  KONTODATEI.clear();
  edit(0, [&](Window& w) {
    EXPECT_EQ(w.text(KB_R1 + 1), "19,00 %");
    EXPECT_EQ(w.text(KB_R1 + 2), " 7,00 %");
    EXPECT_EQ(w.text(KB_R1), " 0,00 %");
    EXPECT_EQ(w.focusField(), KB_NAME);
    EXPECT_FALSE(w.fill(KB_BOX).isValid());
    const struct {
      const char* message;
      int focus;
      std::function<void()> fix;
    } steps[] = {
        {"Konto-Name muss eingegeben werden!", KB_NAME, [&] { type(w, KB_NAME, "Porto"); }},
        {"Konto-Nr muss eingegeben werden!", KB_NR, [&] { type(w, KB_NR, "7"); }},
        {"Konto-Art muss eingegeben werden!", KB_ART, [&] { click(w, KB_ART_1 + 1); }},
        {"MwSt muss eingegeben werden!", KB_MWST, [&] { click(w, KB_R1 + 1); }},
    };
    for (const auto& s : steps) {
      click(w, KB_SPEICHERN);
      EXPECT_EQ(lastMessage(), s.message);
      EXPECT_EQ(w.focusField(), s.focus) << s.message;
      s.fix();
    }
    EXPECT_EQ(w.fill(KB_BOX), QColor(240, 64, 64));
    EXPECT_TRUE(vatShown(w));
    const int shown = answers->shown().size();
    click(w, KB_SPEICHERN);
    EXPECT_EQ(answers->shown().size(), shown);
  });
  ASSERT_TRUE(readAccount("0007"));
  EXPECT_EQ(KONTO.NAME.clip(), "Porto");
  EXPECT_EQ(KONTO.ART, 2);
  EXPECT_EQ(+KONTO.MWST, 2);
}

TEST_F(KontoBearbeitenTest, TheKindColoursTheBoxAndTheVatPrepaymentNeedsNoVatKey) {
  KONTODATEI.clear();
  edit(0, [&](Window& w) {
    click(w, KB_ART_1);
    EXPECT_EQ(w.fill(KB_BOX), QColor(0, 176, 0));
    EXPECT_TRUE(vatShown(w));
    click(w, KB_ART_1 + 2);
    EXPECT_EQ(w.fill(KB_BOX), QColor(176, 176, 0));
    EXPECT_FALSE(vatShown(w));
    type(w, KB_NAME, "USt");
    type(w, KB_NR, "1780");
    click(w, KB_SPEICHERN);
  });
  EXPECT_TRUE(answers->shown().isEmpty()) << answers->texts().join("\n").toStdString();
  ASSERT_TRUE(readAccount("1780"));
  EXPECT_EQ(KONTO.ART, 3);
  EXPECT_EQ(+KONTO.MWST, 0);
}

// Without VAT the group is absent and a missing key becomes 1; "Nur Ausgaben ohne MwSt" removes the
// kind too, and every account saved becomes an expense account, also an income account.
TEST_F(KontoBearbeitenTest, TheBookingModesWithoutVatRemoveWhatTheUserMayNotSet) {
  chart();
  account("8100", "", 1, "Erlöse ohne Schlüssel", 0);
  for (int mode : {2, 3}) {
    PARA.BUCHUNGSART = static_cast<std::uint8_t>(mode);
    ASSERT_TRUE(readAccount("8100"));
    edit(8100, [&](Window& w) {
      EXPECT_FALSE(vatShown(w));
      EXPECT_EQ(w.isHidden(KB_ART_1), mode == 3);
      EXPECT_EQ(w.isHidden(KB_BOX), mode == 3);
      EXPECT_EQ(w.isHidden(KB_ARTTEXT), mode == 3);
      if (mode == 2) {
        click(w, KB_ART_1 + 1);  // showing the VAT group again has no effect: it was removed
        EXPECT_FALSE(vatShown(w));
        click(w, KB_ART_1);
      }
      click(w, KB_SPEICHERN);
    });
    ASSERT_TRUE(readAccount("8100"));
    EXPECT_EQ(+KONTO.MWST, 1) << "mode " << mode;
    EXPECT_EQ(KONTO.ART, mode == 3 ? 2 : 1) << "mode " << mode;
  }
  EXPECT_TRUE(answers->shown().isEmpty()) << answers->texts().join("\n").toStdString();
}

TEST_F(KontoBearbeitenTest, ADuplicateNumberKeepsTheWindowOpenWithTheMessageForItsCase) {
  chart();
  bookingFor(1, "4000");
  // A changed account: refused under a taken number, saved under a free one.
  KONTENSORTIERUNG = 2;
  KONTONR = "4";
  KontenListeFuellen();
  ASSERT_NE(KontoZeileLesen(1), nullptr);
  ASSERT_TRUE(readAccount("4000"));
  edit(4000, [&](Window& w) {
    type(w, KB_NR, "5");
    click(w, KB_SPEICHERN);
    EXPECT_EQ(lastMessage(),
              "Die Konto-Nr 0005 ist bereits vorhanden. | Die Kontoänderungen wurden nicht gespeichert, weil die Nr "
              "eindeutig sein muss.");
    EXPECT_EQ(w.focusField(), KB_NR);
    EXPECT_EQ(w.text(KB_NR), "0005");
    type(w, KB_NR, "4100");
    click(w, KB_SPEICHERN);
  });
  EXPECT_EQ(fileNumbers(), "0000 0005 1780 4100 4400 4999 5000 8400");
  EXPECT_EQ(KONTOQUEUE.get(1)->NR.clip(), "4100");
  EXPECT_EQ(bookingAccount(1), "4000");

  // Account 0000 is handed over as number 0: unchanged it is new input with a taken number; under
  // another number it is added as a second account.
  ASSERT_TRUE(readAccount("0000"));
  edit(0, [&](Window& w) {
    click(w, KB_SPEICHERN);
    EXPECT_EQ(lastMessage(),
              "Die Konto-Nr 0000 ist bereits vorhanden. | Die Kontoeingaben wurden nicht gespeichert, weil die Nr "
              "eindeutig sein muss.");
    type(w, KB_NR, "1");
    click(w, KB_SPEICHERN);
  });
  EXPECT_EQ(fileNumbers(), "0000 0001 0005 1780 4100 4400 4999 5000 8400");
  ASSERT_TRUE(readAccount("0001"));
  EXPECT_EQ(KONTO.NAME.clip(), "Privatentnahme");
}

TEST_F(KontoBearbeitenTest, AbbruchAfterChangesLeavesFileAndRowUnchanged) {
  chart();
  KONTENSORTIERUNG = 2;
  KontenListeFuellen();
  ASSERT_NE(KontoZeileLesen(4), nullptr);
  ASSERT_TRUE(readAccount("4000"));
  edit(4000, [&](Window& w) {
    type(w, KB_NAME, "Garage");
    type(w, KB_NR, "4001");
    click(w, KB_ABBRUCH);
  });
  EXPECT_EQ(fileNumbers(), "0000 0005 1780 4000 4400 4999 5000 8400");
  ASSERT_TRUE(readAccount("4000"));
  EXPECT_EQ(KONTO.NAME.clip(), "Miete");
  EXPECT_EQ(KONTOQUEUE.get(4)->NAME.clip(), "Miete");
}

// F2 in "Windows Erweitert" confirms with the text being typed; a write the file refuses is said and
// the input stays.
TEST_F(KontoBearbeitenTest, F2ConfirmsWithTheTypedTextAndAFailedWriteKeepsTheInput) {
  chart();
  PARA.TASTATUR = 1;
  ASSERT_TRUE(readAccount("8400"));
  edit(8400, [&](Window& w) {
    auto* name = qobject_cast<QLineEdit*>(w.widget(KB_NAME));
    QTest::mouseClick(name, Qt::LeftButton);
    settle();
    name->selectAll();
    QTest::keyClicks(name, "Honorare");
    KONTODATEI.failNextWrite(rt::isam::kOtherError);
    QTest::keyClick(name, Qt::Key_F2);
    settle();
    EXPECT_EQ(lastMessage(), "Das Konto konnte nicht gespeichert werden - Fehlercode 90 | Die Eingabe bleibt erhalten.");
    EXPECT_EQ(name->text(), "Honorare");
    click(w, KB_SPEICHERN);
  });
  ASSERT_TRUE(readAccount("8400"));
  EXPECT_EQ(KONTO.NAME.clip(), "Honorare");
}

// Another window reading an account while this one is open changes neither the input nor the
// account that is rewritten.
TEST_F(KontoBearbeitenTest, AReadByAnotherWindowMeanwhileDoesNotReachTheInput) {
  chart();
  ASSERT_TRUE(readAccount("4400"));
  edit(4400, [&](Window& w) {
    type(w, KB_NAME, "Möbel und Geräte");
    ASSERT_TRUE(readAccount("8400"));
    w.showVariables();
    click(w, KB_SPEICHERN);
  });
  ASSERT_TRUE(readAccount("4400"));
  EXPECT_EQ(KONTO.NAME.clip(), "Möbel und Geräte");
  ASSERT_TRUE(readAccount("8400"));
  EXPECT_EQ(KONTO.NAME.clip(), "Erlöse");
}
