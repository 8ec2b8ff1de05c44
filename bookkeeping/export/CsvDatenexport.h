#pragma once
// The CSV export window P49$WIN "CSV-Datenexport": the date range and the folder of "Tavik.csv",
// and the export itself. Each start opens a window of its own on the calling logical thread.

// Field numbers of the window's controls.
enum CsvExportFeld : int {
  FELD_CSV_SPEICHERN = 1,    // "Start"
  FELD_CSV_ABBRUCH,          // "Abbruch", "Weiter" after an export
  FELD_CSV_VON,
  FELD_CSV_BIS,
  FELD_CSV_EXPORTIERE,       // "Exportiere", while an export runs
  FELD_CSV_DATUM,            // the date of the booking read last
  FELD_CSV_EXPORTINFO,       // "N Datensätze exportiert nach"
  FELD_CSV_EXPORTINFO2,      // the file name
  FELD_CSV_DATEIWAEHLEN,     // "Ordner ändern"
  FELD_CSV_CSVORDNER,        // the chosen folder
  FELD_CSV_HINWEIS,          // the line on the preset folder
};

// The window procedure; the frame starts it on a thread of its own.
void CsvDatenexport();
