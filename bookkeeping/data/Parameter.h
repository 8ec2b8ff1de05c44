#pragma once
// The settings group PARA and its store in "Para.dat": one record per parameter number, whose
// INHALT holds the value as text of at most 20 characters; longer texts are stored in pieces.

#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <cstdint>
#include <string_view>

// Window places: X, Y, width and height of a number of windows, then the frame's maximized flag.
template <int N>
struct FensterWerte {
  std::int16_t WERT[N] = {};
  std::uint8_t MAXIMIERT = 0;
  static constexpr int anzahl = N + 1;
  // The values 1..N+1 as the parameter table counts them.
  int wert(int i) const { return i <= N ? WERT[i - 1] : MAXIMIERT; }
  void setzeWert(int i, int v);
};

struct PARA_T {
  double MWST_1 = 0, MWST_2 = 0, MWST_3 = 0, MWST_4 = 0, MWST_5 = 0;
  rt::DATE VONSUMMENDATUM{};
  rt::DATE BISSUMMENDATUM{};
  std::uint8_t FENSTERXY = 0;
  std::uint8_t TASTATUR = 0;
  // X, Y, width, height of $WINANZEIGE, $WINBUCHUNG, $WINSUMMEN and the frame; the frame's flag.
  FensterWerte<16> FENSTERDATEN;
  std::uint8_t BUCHUNGSART = 0;
  rt::String<40> NAME, NAME2, STRASSE, PLZORT;
  std::uint8_t ZEILENABHEBEN = 0;
  std::uint8_t ACROBATHILFE = 0;
  rt::String<80> LISTENFORMAT[3];
  // X, Y, width, height of $WINANZEIGE, $WINBUCHUNG, $WINSUMMEN; the frame's width and height; its flag.
  FensterWerte<14> SCHEMADATEN;
  rt::String<80> SCHEMAFORMAT[3];
};

extern PARA_T PARA;
extern std::int16_t PARAZAEHLER;

// The rate in percent of a VAT key 1..5; 0 for key 0 or an unknown key.
double MwstSatz(int schluessel);

void ParameterLaden();
void ParameterSpeichern();

// The steps of the two procedures.
void ParaOeffnen();
void ParaSchliessen();
void ParameterSchreiben(std::int16_t nr, double wert);
void ParameterSchreiben(std::int16_t nr, const rt::DATE& wert);
void ParameterSchreiben(std::int16_t nr, int wert);
void ParameterSchreiben(std::int16_t nr, std::string_view stueck);  // a 20-character piece
void ParameterLesen(std::int16_t nr, double vorgabe, double& ziel);
void ParameterLesen(std::int16_t nr, rt::Day vorgabe, rt::DATE& ziel);
void ParameterLesen(std::int16_t nr, int vorgabe, std::uint8_t& ziel);
void ParameterLesen(std::int16_t nr, int vorgabe, std::int16_t& ziel);
void ParameterLesen(std::int16_t nr, rt::String<20>& stueck);  // default: blank

// The text form of a value in INHALT.
QString ParaText(double wert);
