#include "runtime/report/Printer.h"

#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/ShellFolders.h"
#include "runtime/report/PdfWriter.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <memory>

namespace rt::report {
namespace {

// The current printer: a printer of the system, or a PDF printer. A PDF printer never writes by
// itself: each printout goes to a file of its own, written beside its name and renamed when whole.
// TAVIK_PRINTER_PDF=1 makes it the PDF printer whatever printers there are (the tests never print on
// paper).
struct Current {
  std::unique_ptr<QPrinter> printer;
  QString folder;             // where the printouts to PDF go; empty: the documents folder
  QString named;              // the file named in the printer dialog, for the next printout alone
  bool namedExisted = false;  // … which existed when the user confirmed it, so the dialog asked
  bool toPdf() const { return printer->outputFormat() == QPrinter::PdfFormat; }
};

Current& current() {
  static Current c;
  if (!c.printer) {
    QPrinterInfo info;
    if (qEnvironmentVariableIntValue("TAVIK_PRINTER_PDF") != 1) {
      info = QPrinterInfo::defaultPrinter();
      const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
      if (info.isNull() && !all.isEmpty()) info = all.first();
    }
    if (info.isNull()) {
      c.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      c.printer->setOutputFormat(QPrinter::PdfFormat);
      c.printer->setOutputFileName({});
    } else {
      c.printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
  }
  return c;
}

QString documentsFolder() { return platform::shellFolder("Personal"); }

QString pdfFolder(const Current& c) { return c.folder.isEmpty() ? documentsFolder() : c.folder; }

// `base` + ".pdf", or + " (2).pdf" and so on: the first that no file has.
QString unusedName(const QString& base) {
  for (int n = 1; n < 1000; ++n) {
    const QString name = n == 1 ? base + ".pdf" : base + QString(" (%1).pdf").arg(n);
    if (!platform::entryExists(name)) return name;
  }
  return {};
}

QString fileNameOf(QString title) {
  static const QString unfit = QStringLiteral("\\/:*?\"<>|");
  for (QChar& c : title)
    if (c < QChar(' ') || unfit.contains(c)) c = '_';
  title = title.trimmed();
  return title.isEmpty() ? QStringLiteral("Ausdruck") : title;
}

// A PDF file written straight from the page images, under the wait cursor; a longer printout shows
// how far it has come. The other threads go on meanwhile.
bool writeFile(const QString& file, const std::vector<const PageImage*>& pages, const QString& title) {
  const int count = static_cast<int>(pages.size());
  rt::win::setWaitCursor(true);
  std::unique_ptr<QProgressDialog> progress;
  if (count >= 50) {
    progress = std::make_unique<QProgressDialog>(QString(), QString(), 0, count);
    progress->setWindowTitle(title);
    progress->setMinimumDuration(0);
    progress->setAutoReset(false);
  }
  const auto show = [&](int written) {
    if (!progress) return;
    progress->setLabelText(QString("Der Ausdruck wird geschrieben: Seite %1 von %2").arg(written).arg(count));
    progress->setValue(written);
  };
  show(0);
  const bool ok = writePdf(file, pages, title, [&](int written) {
    show(written);
    rt::win::yieldThread();
  });
  progress.reset();
  rt::win::setWaitCursor(false);
  return ok;
}

PrintOutcome written(const QString& file, int pages) {
  return {true, pages, file, {"Der Ausdruck wurde als PDF-Datei gespeichert:", QDir::toNativeSeparators(file)}};
}

}  // namespace

QString currentPrinterName() {
  const Current& c = current();
  if (!c.toPdf()) return c.printer->printerName();
  if (!c.named.isEmpty()) return "PDF-Datei " + QDir::toNativeSeparators(c.named);
  return "PDF-Datei in " + QDir::toNativeSeparators(pdfFolder(c));
}

void choosePrinter(QWidget* parent, const QString& caption, std::function<void(bool chosen)> done) {
  Current& c = current();
  // The dialog offers a PDF file that does not exist yet, in the folder of the printouts.
  if (c.toPdf()) c.printer->setOutputFileName(c.named.isEmpty() ? unusedName(pdfFolder(c) + "/Ausdruck") : c.named);
  auto* dialog = new QPrintDialog(c.printer.get(), parent);
  dialog->setWindowTitle(caption);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::finished, [&c, done = std::move(done)](int result) {
    const bool chosen = result == QDialog::Accepted;
    if (chosen) {
      const QString file = c.toPdf() ? c.printer->outputFileName() : QString();
      c.named = file;
      c.namedExisted = !file.isEmpty() && platform::entryExists(file);
      if (!file.isEmpty()) c.folder = QFileInfo(file).absolutePath();
    }
    // The PDF printer writes nothing by itself: printPages gives every printout its own file.
    if (c.toPdf()) c.printer->setOutputFileName({});
    if (done) done(chosen);
  });
  dialog->open();
}

QString newPdfFile(const QString& folder, const QString& title, const QDateTime& when) {
  return unusedName(folder + "/" + fileNameOf(title) + " " + when.toString("yyyy-MM-dd HH.mm.ss"));
}

bool renderPages(QPrinter& printer, const std::vector<const PageImage*>& pages) {
  if (pages.empty()) return true;
  printer.setFullPage(true);  // the painter's origin is the paper's corner
  const auto fit = [&printer](const PageImage& page) {
    const bool landscape = page.width > page.height;
    const QSizeF portrait(std::min(page.width, page.height), std::max(page.width, page.height));
    printer.setPageSize(QPageSize(portrait, QPageSize::Millimeter));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  };
  fit(*pages.front());
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) {
      if (pages[i]->width != pages[i - 1]->width || pages[i]->height != pages[i - 1]->height) fit(*pages[i]);
      if (!printer.newPage()) {
        painter.end();
        return false;
      }
    }
    render(painter, *pages[i], printer.pageLayout().fullRectPixels(printer.resolution()));
  }
  return painter.end();
}

PrintOutcome printPages(const std::vector<const PageImage*>& pages, const QString& title) {
  if (pages.empty()) return {};
  const int count = static_cast<int>(pages.size());
  Current& c = current();
  if (!c.toPdf()) {
    c.printer->setDocName(title);
    if (!renderPages(*c.printer, pages))
      return {false, 0, {}, {"Der Ausdruck konnte nicht gedruckt werden:", c.printer->printerName()}};
    return {true, count, {}, {}};
  }

  // The file named in the printer dialog serves this printout alone; it is replaced only when it
  // existed as the user confirmed it, so that the dialog asked. Every other printout gets a new file.
  QString file = c.named;
  const bool replace = !file.isEmpty() && c.namedExisted;
  c.named.clear();
  const QString folder = file.isEmpty() ? pdfFolder(c) : QFileInfo(file).absolutePath();
  const QDateTime when = QDateTime::currentDateTime();
  if (file.isEmpty()) file = newPdfFile(folder, title, when);
  const auto cannotMake = [&folder] {
    return PrintOutcome{false, 0, {}, {"Die PDF-Datei des Ausdrucks konnte nicht angelegt werden im Ordner:",
                                       QDir::toNativeSeparators(folder)}};
  };
  if (file.isEmpty()) return cannotMake();
  // What killed printouts left half-written in the folder goes first.
  platform::deleteLeftoversIn(folder, "*.pdf");
  int code = 0;
  const QString temp = platform::newFileBeside(file, &code);
  if (temp.isEmpty()) return cannotMake();

  const bool rendered = writeFile(temp, pages, title);
  code = rendered ? platform::putInPlace(temp, file, replace) : platform::FileGeneralFailure;
  // A file that took the name meanwhile stays; the printout takes the next free name.
  for (int tries = 0; code == platform::FileAlreadyExists && tries < 100; ++tries) {
    file = newPdfFile(folder, title, when);
    code = file.isEmpty() ? platform::FileGeneralFailure : platform::putInPlace(temp, file, false);
  }
  if (code != platform::FileOk) {
    platform::deleteFile(temp);
    return {false, 0, {}, {"Die PDF-Datei des Ausdrucks konnte nicht geschrieben werden:",
                           QDir::toNativeSeparators(file)}};
  }
  return written(file, count);
}

}  // namespace rt::report
