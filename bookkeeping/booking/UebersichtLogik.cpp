#include "bookkeeping/booking/UebersichtLogik.h"

#include "bookkeeping/common/Queues.h"
#include "bookkeeping/data/Dateien.h"
#include "bookkeeping/data/Parameter.h"
#include "bookkeeping/frame/Globale.h"

SUMMEN_T SUMMEN;
rt::DATE BUCHUNGSUCHENVON{};
rt::DATE BUCHUNGSUCHENBIS{};
rt::String<50> BUCHUNGSUCHENTEXT;
rt::Day JAHRESANFANG = 0;
rt::Day JAHRESENDE = 0;

void JahresgrenzenSetzen() {
  const int jahr = PARA.VONSUMMENDATUM.year;
  EINGABEJAHR = static_cast<std::int16_t>(jahr);
  JAHRESANFANG = rt::yearStart(jahr);
  JAHRESENDE = rt::yearEnd(jahr);
}

void ListenNeuBerechnen(const std::function<void()>& jeBuchung) {
  EINGANGQUEUE.free();
  AUSGANGQUEUE.free();
  SUMMEN = SUMMEN_T{};
  JahresgrenzenSetzen();
  const rt::Day von = rt::dayNumber(PARA.VONSUMMENDATUM);
  const rt::Day bis = rt::dayNumber(PARA.BISSUMMENDATUM);

  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = rt::dateOf(JAHRESENDE + 1);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.previous() == 0) {
    const rt::Day tag = rt::dayNumber(BUCHUNG.DATUM);
    if (tag < JAHRESANFANG) break;
    const bool inPeriode = tag >= von && tag <= bis;
    const bool imJahr = tag >= JAHRESANFANG && tag <= JAHRESENDE;
    if (BUCHUNG.ART == 1) {
      if (inPeriode) {
        EINGANGQUEUE.add(BuchungsZeile(BUCHUNG));
        SUMMEN.EINGANGNETTO += BUCHUNG.NETTO;
        SUMMEN.EINGANGBRUTTO += BUCHUNG.BRUTTO;
        SUMMEN.EINGANGMWST += BUCHUNG.MWST;
      }
      if (imJahr) SUMMEN.JEINGANGBRUTTO += BUCHUNG.BRUTTO;
    } else if (BUCHUNG.ART >= 2) {
      if (inPeriode) {
        AUSGANGQUEUE.add(BuchungsZeile(BUCHUNG));
        if (BUCHUNG.ART == 2) {
          SUMMEN.AUSGANGNETTO -= BUCHUNG.NETTO;
          SUMMEN.AUSGANGBRUTTO -= BUCHUNG.BRUTTO;
          SUMMEN.AUSGANGMWST -= BUCHUNG.MWST;
        }
      }
      if (imJahr && BUCHUNG.ART == 2) SUMMEN.JAUSGANGBRUTTO -= BUCHUNG.BRUTTO;
      if (imJahr && BUCHUNG.ART == 3) SUMMEN.JUST -= BUCHUNG.BRUTTO;
    }
    if (jeBuchung) jeBuchung();
  }
}

bool SuchbereichGueltig() {
  const rt::Day von = rt::dayNumber(BUCHUNGSUCHENVON);
  const rt::Day bis = rt::dayNumber(BUCHUNGSUCHENBIS);
  return von != 0 && bis != 0 && von <= bis;
}

void SuchergebnisFuellen() {
  SUCHQUEUE.free();
  const QString stueck = GrossMitUmlauten(BUCHUNGSUCHENTEXT.clip());
  const rt::Day bis = rt::dayNumber(BUCHUNGSUCHENBIS);
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = BUCHUNGSUCHENVON;
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  while (BUCHUNGDATEI.next() == 0) {
    if (rt::dayNumber(BUCHUNG.DATUM) > bis) break;
    if (stueck.isEmpty()) continue;  // an empty fragment occurs nowhere
    if (GrossMitUmlauten(BUCHUNG.TEXT[0].clip()).contains(stueck) ||
        GrossMitUmlauten(BUCHUNG.TEXT[1].clip()).contains(stueck))
      SUCHQUEUE.add(BuchungsZeile(BUCHUNG));
  }
}

void SuchbereichVorbelegen() {
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = {};
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.next() == 0) BUCHUNGSUCHENVON = BUCHUNG.DATUM;
  BUCHUNG.NR = 0;
  BUCHUNG.DATUM = rt::dateOf(rt::kLatestDay);
  BUCHUNGDATEI.setToValue(BUCHUNG_KEYDATUM);
  if (BUCHUNGDATEI.previous() == 0) BUCHUNGSUCHENBIS = BUCHUNG.DATUM;
}

QString GrossMitUmlauten(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') c = QChar(u - 32);
    else if (u == u'ä') c = QChar(u'Ä');
    else if (u == u'ö') c = QChar(u'Ö');
    else if (u == u'ü') c = QChar(u'Ü');
  }
  return out;
}
