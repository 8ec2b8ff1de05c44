#pragma once
// Lays the manual out on A4 pages for the double-page view and writes it as a PDF: page 1 is the
// title page on its own, then come the table of contents and the chapters, with margins mirrored
// so that the wider margin of facing pages lies at the fold (left on odd, right on even pages) and
// the page number and running head stand on the outer edge.

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

struct ManualSource {
  QString style;  // the CSS shared by all parts
  QString title;  // the title page
  QString body;   // the chapters: <h1> starts a chapter on a new page, <h2> a section
};

// Splits the manual's HTML source at its markers "<!-- Titelseite -->" and "<!-- Kapitel -->".
// Returns false when a marker is missing.
bool splitSource(const QString& html, ManualSource* out);

// Removes the picture paragraphs (<p class="bild"><img src="bild:NAME"> ...</p>) whose picture is not
// among `pictures` and returns their names.
QStringList dropMissingPictures(QString* body, const QMap<QString, QImage>& pictures);

// Writes the PDF. Returns an empty string, or what went wrong.
QString writeManual(const ManualSource& source, const QMap<QString, QImage>& pictures, const QString& pdfPath);
