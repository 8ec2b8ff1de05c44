#include "runtime/report/Printer.h"

#include "platform/ShellFolders.h"
#include "runtime/report/PdfWriter.h"
#include "runtime/window/Threads.h"
#include "runtime/window/Window.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <memory>

namespace rt::report {
namespace {

// The current printer. Without any printer of the system it is a PDF printer without a file: the
// documents folder, into which each report goes as a file of its own. TAVIK_PRINTER_PDF=1 makes it
// so whatever printers there are (the tests never print on paper).
struct Current {
  std::unique_ptr<QPrinter> printer;
  bool toFolder() const { return printer->outputFormat() == QPrinter::PdfFormat && printer->outputFileName().isEmpty(); }
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
  if (c.toFolder()) return "PDF-Datei in " + QDir::toNativeSeparators(documentsFolder());
  if (c.printer->outputFormat() == QPrinter::PdfFormat)
    return "PDF-Datei " + QDir::toNativeSeparators(c.printer->outputFileName());
  return c.printer->printerName();
}

void choosePrinter(QWidget* parent, const QString& caption, std::function<void(bool chosen)> done) {
  Current& c = current();
  // The dialog offers the documents folder as the place of a file to print to.
  const bool wasFolder = c.toFolder();
  if (wasFolder) c.printer->setOutputFileName(documentsFolder() + "/Ausdruck.pdf");
  auto* dialog = new QPrintDialog(c.printer.get(), parent);
  dialog->setWindowTitle(caption);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::finished, [&c, wasFolder, done = std::move(done)](int result) {
    const bool chosen = result == QDialog::Accepted;
    if (!chosen && wasFolder) c.printer->setOutputFileName({});
    if (done) done(chosen);
  });
  dialog->open();
}

QString newPdfFile(const QString& folder, const QString& title, const QDateTime& when) {
  const QString base = folder + "/" + fileNameOf(title) + " " + when.toString("yyyy-MM-dd HH.mm.ss");
  for (int n = 1; n < 1000; ++n) {
    const QString name = n == 1 ? base + ".pdf" : base + QString(" (%1).pdf").arg(n);
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return name;
    if (file.exists()) continue;
    return {};  // the folder cannot be written
  }
  return {};
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
  if (!c.toFolder()) {
    c.printer->setDocName(title);
    const bool toFile = c.printer->outputFormat() == QPrinter::PdfFormat;
    const QString file = toFile ? c.printer->outputFileName() : QString();
    if (!(toFile ? writeFile(file, pages, title) : renderPages(*c.printer, pages))) {
      const QString where = toFile ? QDir::toNativeSeparators(file) : c.printer->printerName();
      return {false, 0, file, {"Der Ausdruck konnte nicht gedruckt werden:", where}};
    }
    return toFile ? written(file, count) : PrintOutcome{true, count, {}, {}};
  }

  const QString folder = documentsFolder();
  const QString file = folder.isEmpty() ? QString() : newPdfFile(folder, title, QDateTime::currentDateTime());
  if (file.isEmpty())
    return {false, 0, {}, {"Die PDF-Datei des Ausdrucks konnte nicht angelegt werden im Ordner:",
                           QDir::toNativeSeparators(folder)}};
  if (!writeFile(file, pages, title)) {
    QFile::remove(file);
    return {false, 0, file, {"Die PDF-Datei des Ausdrucks konnte nicht geschrieben werden:",
                             QDir::toNativeSeparators(file)}};
  }
  return written(file, count);
}

}  // namespace rt::report
