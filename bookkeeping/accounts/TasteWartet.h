#pragma once
// Whether a key press for a window is waiting while a long pass of that window runs, so that a
// refill can stop and leave the typed key to start the next one.
//
// Until the window layer can answer this itself, the watch lets the input that has come meanwhile
// reach its controls (their events queue behind the running pass) and notes whether a key press
// for the window was among it. It looks at once on the first call and then every few milliseconds,
// so that a long walk pays almost nothing for it.

#include <QElapsedTimer>
#include <memory>

namespace rt::win {
class Window;
}

class TastenAufsicht {
 public:
  explicit TastenAufsicht(const rt::win::Window& fenster);
  ~TastenAufsicht();
  TastenAufsicht(const TastenAufsicht&) = delete;
  TastenAufsicht& operator=(const TastenAufsicht&) = delete;

  bool tasteWartet();

 private:
  class Filter;
  std::unique_ptr<Filter> filter_;
  QElapsedTimer seit_;
};
