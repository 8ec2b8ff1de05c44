#pragma once
// Page images straight into a PDF file, without a paint device in between: each page's content is
// made and compressed on threads of their own, and the pages are written in their order as they
// are done. Texts are set in the report font, named and not embedded, with the widths and line
// extent the page images were laid out with, in WinAnsiEncoding; boxes, fills and rules as the
// page images give them.

#include "runtime/report/PageImage.h"

#include <QString>
#include <functional>
#include <vector>

namespace rt::report {

// Writes the pages into `file` (replacing it), with `title` as the document's title. `waiting` is
// called on the calling thread every few milliseconds with the number of pages written so far.
// False when the file cannot be written.
bool writePdf(const QString& file, const std::vector<const PageImage*>& pages, const QString& title,
              const std::function<void(int written)>& waiting = {});

}  // namespace rt::report
