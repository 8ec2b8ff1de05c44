#include "bookkeeping/proc/Druckvorschau.h"

#include "bookkeeping/frame/Globale.h"
#include "runtime/report/PageImage.h"
#include "runtime/window/Keys.h"
#include "runtime/window/Window.h"

#include <QPainter>

VORSCHAUANSICHT_T VORSCHAUANSICHT;

namespace vorschau {

// The page buttons stand 48, the print and cancel buttons 54 units from the window's right edge; the
// frame is 68, the page 70 units narrower than the window.
namespace {
constexpr int kBlaetternRand = 48, kKnopfRand = 54, kBoxRand = 68, kBildRand = 70;
constexpr int kNormalBoxHoehe = 299, kNormalBildHoehe = 297;
}  // namespace

Anordnung Normalansicht() {
  return {.boxY = 7, .boxBreite = kNormalBreite - kBoxRand, .boxHoehe = kNormalBoxHoehe,
          .bildY = 8, .bildBreite = kNormalBreite - kBildRand, .bildHoehe = kNormalBildHoehe,
          .rollbalken = 0,
          .blaetternX = kNormalBreite - kBlaetternRand, .knopfX = kNormalBreite - kKnopfRand,
          .zoomBreite = kNormalBreite - kBildRand};
}

Anordnung Lupenansicht(int hoehe) {
  return {.boxY = 0, .boxBreite = kLupenBreite - kBoxRand, .boxHoehe = hoehe,
          .bildY = 0, .bildBreite = kLupenBreite - kBildRand, .bildHoehe = hoehe,
          .rollbalken = 1,
          .blaetternX = kLupenBreite - kBlaetternRand, .knopfX = kLupenBreite - kKnopfRand,
          .zoomBreite = 0};
}

Groessenregel GroesseGeaendert(int ansicht, int breite, int hoehe) {
  // The width belongs to the view.
  if (breite != ansicht) return {ansicht, hoehe, false, std::nullopt};
  const bool normal = ansicht == kNormalBreite;
  if (normal && hoehe != kNormalHoehe) return {breite, kNormalHoehe, false, std::nullopt};
  if (!normal && hoehe < kLupenMindesthoehe) return {breite, kLupenMindesthoehe, true, std::nullopt};
  // The size stands: the controls follow it. The normal view keeps its page and frame heights, so
  // that the frame's lower edge stays inside the window.
  return {breite, hoehe, true,
          Anordnung{.boxBreite = breite - kBoxRand, .boxHoehe = normal ? kNormalBoxHoehe : hoehe,
                    .bildBreite = breite - kBildRand, .bildHoehe = normal ? kNormalBildHoehe : hoehe,
                    .blaetternX = breite - kBlaetternRand, .knopfX = breite - kKnopfRand}};
}

std::size_t Blaettern(std::size_t seite, int schritt, std::size_t seiten) {
  if (schritt < 0 && seite > 1) return seite - 1;
  if (schritt > 0 && seite < seiten) return seite + 1;
  return seite;
}

bool OhneHintergrund(QStringView kommandozeile) { return kommandozeile.contains(u"/Terminal"); }

}  // namespace vorschau

// ------------------------------------------------------------------- the window

using namespace rt::win;
using namespace vorschau;

namespace {

enum Feld { LUPEAUS = 1, ZOOM, VORSCHAUBOX, VORSCHAU, PREV, NEXT, PRINT, EXIT };

// Page Up and Page Down ("Bild auf", "Bild ab").
constexpr int VK_Prior = 0x21, VK_Next = 0x22;

const QColor kSeitenrand(0x70, 0x78, 0x88);
const QColor kNebenDerSeite(0xD9, 0xDE, 0xE6);

// P18$WINVORSCHAU. The click region over the page comes last, so that it lies above the page.
WindowDef vorschauFenster(const char* titel) {
  WindowDef d;
  d.label = "P18$WINVORSCHAU";
  d.caption = titel;
  d.w = kNormalBreite;
  d.h = kNormalHoehe;
  d.icon = "exp_pri.ico";
  d.font = "Arial";
  d.fontSize = 8;
  d.controls = {
      {.field = LUPEAUS, .label = "?LUPEAUS", .kind = Kind::Button, .x = 442, .y = 10, .w = 34, .h = 22,
       .tip = "Vorschau verkleinern", .icon = "NoZoom.ico"},
      {.field = VORSCHAUBOX, .label = "?VORSCHAUBOX", .kind = Kind::Box, .x = 7, .y = 7, .w = 212, .h = 299,
       .border = kSeitenrand},
      {.field = VORSCHAU, .label = "?VORSCHAU", .kind = Kind::PageView, .x = 8, .y = 8, .w = 210, .h = 297},
      {.field = PREV, .label = "?PREV", .kind = Kind::Button, .text = "Bild", .x = 232, .y = 85, .w = 34, .h = 17,
       .tip = "Vorherige Seite", .icon = "PgUp.ico", .key = VK_Prior},
      {.field = NEXT, .label = "?NEXT", .kind = Kind::Button, .text = "Bild", .x = 232, .y = 110, .w = 34, .h = 17,
       .tip = "Nächste Seite", .icon = "PgDown.ico", .key = VK_Next},
      {.field = PRINT, .label = "?PRINT", .kind = Kind::Button, .x = 226, .y = 160, .w = 47, .h = 20,
       .icon = "exp_pri.ico", .key = KEY_Alt | 'D'},
      {.field = EXIT, .label = "?EXIT", .kind = Kind::Button, .text = "Abbruch", .x = 226, .y = 185, .w = 47, .h = 17,
       .icon = "Esc.ico"},
      {.field = ZOOM, .label = "?ZOOM", .kind = Kind::Region, .x = 7, .y = 7, .w = 210, .h = 297},
  };
  return d;
}

void anordnen(Window& w, const Anordnung& a) {
  const auto setze = [&w](int feld, void (Window::*setzer)(int, int), int wert) {
    if (wert >= 0) (w.*setzer)(feld, wert);
  };
  setze(VORSCHAUBOX, &Window::setControlY, a.boxY);
  setze(VORSCHAUBOX, &Window::setControlWidth, a.boxBreite);
  setze(VORSCHAUBOX, &Window::setControlHeight, a.boxHoehe);
  setze(VORSCHAU, &Window::setControlY, a.bildY);
  setze(VORSCHAU, &Window::setControlWidth, a.bildBreite);
  setze(VORSCHAU, &Window::setControlHeight, a.bildHoehe);
  if (a.rollbalken >= 0) w.setVerticalScrollBar(VORSCHAU, a.rollbalken == 1);
  for (int feld : {PREV, NEXT}) setze(feld, &Window::setControlX, a.blaetternX);
  for (int feld : {PRINT, EXIT}) setze(feld, &Window::setControlX, a.knopfX);
  setze(ZOOM, &Window::setControlWidth, a.zoomBreite);
}

void setzeGroesse(Window& w, int breite, int hoehe) {
  const QRect r = w.position();
  w.setPosition(r.x(), r.y(), breite, hoehe);
}

// The page keeps its proportions: as wide as the view, or as high when the view is wider than the
// page; beside it the view is grey.
void seiteMalen(QPainter& p, const QRect& flaeche, const rt::report::PageImage* seite) {
  if (!seite) return;
  QSizeF papier(seite->width, seite->height);
  papier.scale(QSizeF(flaeche.size()), Qt::KeepAspectRatio);
  const QRectF ziel(flaeche.left() + (flaeche.width() - papier.width()) / 2, flaeche.top(), papier.width(),
                    papier.height());
  p.fillRect(flaeche, kNebenDerSeite);
  p.fillRect(ziel, Qt::white);
  rt::report::render(p, *seite, ziel);
}

}  // namespace

std::uint8_t Druckvorschau(rt::report::Report& bericht, std::int16_t anfangY, std::uint8_t hochformat,
                           std::uint8_t druckenVerbergen) {
  VORSCHAUANSICHT_T& ansicht = VORSCHAUANSICHT;
  const QByteArray titel = ("Druckvorschau - " + bericht.title()).toUtf8();
  Window fenster(vorschauFenster(titel.constData()));
  std::uint8_t ergebnis = 0;

  if (ansicht.X == kKeineVorschau) {
    ansicht.X = kErstesX;
    ansicht.Y = anfangY;
  }
  if (hochformat) bericht.setLandscape(false);
  setKeyAlias(VK_Enter, 0);  // Enter presses the button with the focus, whatever the keyboard mode

  fenster.open();
  if (druckenVerbergen) fenster.hide(PRINT);
  {
    const QRect r = fenster.position();
    fenster.setPosition(ansicht.X, ansicht.Y, r.width(), r.height());
  }

  std::size_t seite = 1;
  const auto zeigen = [&] {
    const rt::report::PageRow* eintrag = SEITENQUEUE.get(seite);
    const QString name = eintrag ? eintrag->SEITE.clip() : QString();
    const rt::report::PageImage* bild = rt::report::pageImage(name);
    fenster.setPagePainter(
        VORSCHAU, [name](QPainter& p, const QRect& flaeche) { seiteMalen(p, flaeche, rt::report::pageImage(name)); },
        bild ? QSizeF(bild->width, bild->height) : QSizeF());
  };
  zeigen();
  if (!OhneHintergrund(KOMMANDOZEILE.clip())) fenster.setWallpaper("Druckvorschau.gif", false);

  const auto normal = [&](bool hoeheMerken) {
    if (hoeheMerken) ansicht.LUPENHOEHE = static_cast<std::int16_t>(fenster.position().height());
    ansicht.BREITE = kNormalBreite;
    setzeGroesse(fenster, kNormalBreite, kNormalHoehe);
    anordnen(fenster, Normalansicht());
  };
  const auto lupe = [&] {
    ansicht.BREITE = kLupenBreite;
    setzeGroesse(fenster, kLupenBreite, ansicht.LUPENHOEHE);
    anordnen(fenster, Lupenansicht(fenster.position().height()));
  };

  fenster.run([&](Window& w, const Event& e) {
    switch (e.code) {
      case EV_OpenWindow:
        // The normal view leaves the remembered height of the magnified one as it is.
        if (ansicht.BREITE == kNormalBreite)
          normal(false);
        else
          lupe();
        break;
      case EV_CloseWindow:
        // Esc or the close box: the loop ends with the window still open, so that its place and
        // height are read below as on every other way out.
        return Pass::Leave;
      case EV_Sized: {
        const QRect r = w.position();
        const Groessenregel regel = GroesseGeaendert(ansicht.BREITE, r.width(), r.height());
        if (regel.breite != r.width() || regel.hoehe != r.height()) setzeGroesse(w, regel.breite, regel.hoehe);
        if (regel.anordnung) anordnen(w, *regel.anordnung);
        return regel.standard ? Pass::Default : Pass::NoDefault;
      }
      case EV_Accepted:
        switch (e.field) {
          case LUPEAUS: normal(true); break;
          case ZOOM: lupe(); break;
          case PREV:
          case NEXT: {
            // A page that is still being built is waited for: the preview never stops short of it.
            if (e.field == NEXT) bericht.waitForPage(static_cast<int>(seite) + 1);
            const std::size_t neu = Blaettern(seite, e.field == PREV ? -1 : 1, SEITENQUEUE.records());
            if (neu != seite) {
              seite = neu;
              zeigen();
            }
            break;
          }
          case PRINT:
            bericht.printOnClose();
            ergebnis = 1;
            return Pass::Leave;
          case EXIT:
            ergebnis = 0;
            return Pass::Leave;
        }
        break;
    }
    return Pass::Default;
  });

  const QRect r = fenster.position();
  ansicht.LUPENHOEHE = static_cast<std::int16_t>(r.height());
  ansicht.X = static_cast<std::int16_t>(r.x());
  ansicht.Y = static_cast<std::int16_t>(r.y());
  fenster.close();
  return ergebnis;
}
