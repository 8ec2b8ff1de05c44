#pragma once
// The CSV export file "Tavik.csv": a header line, then one line of ten fields per booking of a date
// range in date order, written through the calling thread's CSV writer.
//
// The bookings of the range are read in stored order on several connections, their lines made on the
// reading threads, and written in key order as a walk along KEYDATUM writes them: the account name
// and the VAT rate as they are when the line is written, and what other threads change during the
// pauses taken in as the walk would meet it (a booking stored ahead of the line written last is
// exported, one behind it is not). The account look-ups and the catching up use the shared files
// and record buffers, which are handed back unchanged before every pause, so that whatever other
// threads do with the files meanwhile (a walk of their own, a booking stored or deleted) neither
// derails the export nor is disturbed by it.

#include "bookkeeping/data/Dateien.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string_view>

// The header line with its line end, 149 bytes.
extern const std::string_view CSV_KOPFZEILE;
// The account name of a booking whose account no longer exists.
extern const char CSV_KONTO_FEHLT[];
// The walk pauses after this many bookings, and sooner when this many milliseconds have passed since
// the last pause, so that the window shows its progress at least that often.
inline constexpr int CSV_PAUSE_NACH = 2000;
inline constexpr int CSV_PAUSE_MS = 50;
// A range of up to this many bookings is read in a few milliseconds and without a pause, so that
// its pauses come only between the lines written, where a walk would make them. A larger range
// also pauses while it is read; what other threads change then is exported as it is afterwards.
inline constexpr int CSV_LESEN_OHNE_PAUSE = 10 * CSV_PAUSE_NACH;

struct CsvExportErgebnis {
  std::int32_t anzahl = 0;  // bookings written
  std::int16_t fehler = 0;  // 0, or the code of the failed file operation; nothing was replaced
};

// Writes the file `datei` with the bookings from `von` to `bis`, both included. `pause` is called
// after every CSV_PAUSE_NACH bookings or CSV_PAUSE_MS milliseconds, whichever comes first, with the
// date of the booking read last; other threads may work in it.
CsvExportErgebnis CsvExportieren(const QString& datei, rt::Day von, rt::Day bis,
                                 const std::function<void(rt::Day)>& pause);

// The dates of the first booking and of the last one not after day 100000; zero when there are none.
void CsvZeitraumVorbelegen(rt::DATE& von, rt::DATE& bis);
