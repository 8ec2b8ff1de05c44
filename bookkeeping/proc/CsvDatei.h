#pragma once
// A writer for separated text files. Every logical thread has its own writer: its own file and its
// own separator (a blank until the thread's first CsvDateiOeffnen). Texts are Windows-1252 bytes and
// are written as they are, without a byte-order mark.
//
//   std::int16_t fehler = 0;
//   if (CsvDateiOeffnen(name, "", fehler)) {   // separator ";"
//     CsvFeldSchreiben(wert, 0, 0);             // the value, then ";"
//     CsvFeldSchreiben(letzter, 0, 1);          // the value, then CR LF
//     fehler = CsvDateiSchliessen();
//   }
//
// The file is written under a name of its own beside the named file and takes its place only when
// it is closed, so that a failed or interrupted write never destroys an earlier file of that name.
// What a killed program left of such a write beside the named file goes with the next open.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

// Creates the file and opens it for writing: 1 on success, 0 otherwise, with the file error code
// (3 folder missing, 5 access denied, ...) in `fehler`. The separator is the first character of
// `trennzeichen`; a blank or an empty text gives ";". Trailing blanks of the name are ignored.
std::uint8_t CsvDateiOeffnen(const QString& dateiname, std::string_view trennzeichen, std::int16_t& fehler);

// Writes one field: the value without its trailing blanks, each character through the filter (the
// separator and anything but 20h..7Fh and the letters ÄÖÜäöüßé² and 0Bh, 0Ch become blanks; with
// `anfuehrung` the field stands between double quotes and a double quote inside becomes a blank),
// then the separator, or CR LF when `zeilenende` is set.
void CsvFeldSchreiben(std::string_view wert, std::uint8_t anfuehrung, std::uint8_t zeilenende);

// Appends the field to `ziel` as CsvFeldSchreiben writes it with the separator `trennzeichen`: for
// lines put together elsewhere (on any thread) and then written with CsvTextSchreiben.
void CsvFeldAnfuegen(std::string& ziel, std::string_view wert, char trennzeichen, std::uint8_t anfuehrung,
                     std::uint8_t zeilenende);
// The same into memory with room for the value's length and four bytes more; returns the end.
char* CsvFeldAnfuegen(char* ziel, std::string_view wert, char trennzeichen, std::uint8_t anfuehrung,
                      std::uint8_t zeilenende);

// The calling thread's separator.
char CsvTrennzeichen();

// Writes the text without its trailing blanks, byte for byte, without filter or separator.
void CsvTextSchreiben(std::string_view text);

// Closes the file, which then takes the place of the named file. Returns 0, or the error code of
// the first write that failed or of the replacement; the named file is then left as it was.
std::int16_t CsvDateiSchliessen();

// Disposes of the calling thread's writer when its thread ends; a file still open is discarded.
void CsvDateiFreigeben();
