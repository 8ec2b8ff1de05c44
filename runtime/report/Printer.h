#pragma once
// The current printer, as the user has it: the system's default printer (or, without a default, the
// first one the system has). On a machine without any printer the current printer is a PDF file:
// each printed report then goes to a new file in the user's documents folder, named after the
// report's title and the time of printing. The printer choice dialog can make any printer of the
// system the current printer, or name a PDF file: the next printout goes to that file, and the
// later ones to new files beside it. Every PDF file is written under a name of its own beside its
// final name and takes that name only when it is whole; it never replaces a file of the user's
// unless the user confirmed that file in the dialog.

#include "runtime/report/PageImage.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QDateTime;
class QPrinter;
class QWidget;

namespace rt::report {

// What printing did; the message is for the program's message window (German; empty when there is
// nothing to tell).
struct PrintOutcome {
  bool ok = true;        // false: the printer or the file could not be written
  int pages = 0;         // pages sent
  QString file;          // the PDF file written, when the current printer is a file
  QStringList message;   // one entry per line
};

// The name of the current printer for the user to read: the printer's name, or a short text that
// names the folder into which the reports go as PDF files.
QString currentPrinterName();

// Shows the system's printer choice dialog with `caption`, without waiting for it: `done` is called
// when the dialog has closed, with true when the user chose a printer (then the current one).
void choosePrinter(QWidget* parent, const QString& caption, std::function<void(bool chosen)> done);

// Sends the pages to the current printer; `title` names the PDF file when the printer is the
// documents folder. No pages: nothing is printed and no file written.
PrintOutcome printPages(const std::vector<const PageImage*>& pages, const QString& title);

// Draws the pages onto a printer made ready by the caller, each on a page of its own paper size;
// false when the printer cannot be written.
bool renderPages(QPrinter& printer, const std::vector<const PageImage*>& pages);

// A file name in `folder` for a report of that title printed at `when` that no file has yet ("" when
// a thousand of them are taken). The rename into it takes it only while it is still free.
QString newPdfFile(const QString& folder, const QString& title, const QDateTime& when);

}  // namespace rt::report
