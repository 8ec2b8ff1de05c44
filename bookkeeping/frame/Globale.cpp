#include "bookkeeping/frame/Globale.h"

rt::String<200> KOMMANDOZEILE;
QString DATENORDNER;
rt::String<10> DATENUNTERORDNER;
std::uint8_t ERSTSTART = 0;
std::int32_t THREADBUCHUNG = 0;
std::int32_t THREADSUMMEN = 0;
std::int32_t THREADANZEIGE = 0;
std::int16_t EINGABEJAHR = 0;
