#pragma once
// The pages of a report as a reader sees them: per page its lines from top to bottom, each line its
// cells from left to right joined by " | ". A cell is a run of text without a gap wider than two
// blanks; blanks inside a cell count once. Read alike from page images and from a PDF file.

#include "runtime/report/PageImage.h"

#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

// Test failures show texts as texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace seiten {

using Seite = QStringList;  // the lines of one page

// A piece of text at its place, in millimetres from the page's top-left corner.
struct Wort {
  QString text;
  double x0, y0, x1;
};

std::vector<Seite> ausBildern(const std::vector<const rt::report::PageImage*>& bilder);
std::vector<Seite> ausPdf(const QString& datei);

// The newest PDF file in the folder ("" when there is none).
QString neuestePdf(const QString& ordner);

}  // namespace seiten
