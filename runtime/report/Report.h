#pragma once
// The report engine. A report is made from its definition (ReportDef.h) with the variables its
// controls are bound to; each run opens it with a page list, prints bands one at a time (each with
// the values its variables hold at that moment) and closes it. The pages are page images kept by
// name in the page store until the report is closed; the page list gets one entry per page, in page
// order. Closing sends them to the current printer when printing was asked for, and otherwise
// discards them.
//
//   Report report(P40_REP);               // the definition and its bound variables
//   SEITENQUEUE.clear();
//   report.open(SEITENQUEUE);
//   report.print("?DETAIL");              // the page header comes by itself on every new page
//   report.pageBreak();
//   Druckvorschau(report, ...);           // shows pageImage(SEITE) per entry; may call printOnClose()
//   const PrintOutcome out = report.close();

#include "runtime/Queue.h"
#include "runtime/report/PageImage.h"
#include "runtime/report/Printer.h"
#include "runtime/report/ReportDef.h"
#include "runtime/text/String.h"

#include <QColor>
#include <QString>
#include <memory>
#include <vector>

namespace rt::report {

// A row of a page list: the name under which the page store keeps the page's image.
struct PageRow {
  rt::String<64> SEITE;
};
using PageQueue = rt::Queue<PageRow>;

class Report {
 public:
  explicit Report(const ReportDef& def);
  ~Report();  // discards the pages of an open run
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // Starts a run: page numbers from 1, each page appended to `pages` when it begins. A report that
  // is still open is closed first, without printing.
  void open(PageQueue& pages);
  bool isOpen() const { return pages_ != nullptr; }

  // Prints the band with that label below the previous one. A band that does not fit into what is
  // left of the detail area begins a new page; a page begins with the page header. A band higher
  // than the whole detail area begins a page and reaches below the area; the next band begins the
  // next page. An unknown band, or a report that is not open, prints nothing.
  void print(const char* band);
  // Ends the current page; when nothing has been printed since the last break, it does nothing.
  void pageBreak();

  // Control properties, by label; a label that several bands use changes the control in each.
  // They hold until changed again, across runs.
  void hide(const char* label);
  void unhide(const char* label);
  void setHeight(const char* label, double mm);
  void setFill(const char* label, const QColor& fill);
  void setX(const char* label, double mm);

  // The paper's orientation, for the pages already made and those to come.
  void setLandscape(bool landscape);
  bool landscape() const { return landscape_; }

  QString title() const;
  const QString& label() const { return label_; }

  // Asks the report to send its pages to the current printer when it is closed.
  void printOnClose() { printRequested_ = true; }
  // Ends the run: prints the pages when asked to, then drops them from the page store.
  PrintOutcome close();

  // The pages of the current run, 1-based; nullptr outside.
  int pageCount() const { return static_cast<int>(images_.size()); }
  const PageImage* page(int number) const;

 private:
  struct Control;
  struct Band;

  Band* band(const char* label);
  template <typename Change>
  void change(const char* label, Change change);
  double heightOf(const Band& band) const;
  void startPage();
  void finishPage();
  void put(const Band& band, double left, double top);
  void discard();

  ReportDef def_;
  QString label_;
  std::vector<Band> bands_;  // the page header first
  bool landscape_ = false;
  bool printRequested_ = false;
  PageQueue* pages_ = nullptr;
  int run_ = 0;  // makes the page names of each run unique
  std::vector<std::unique_ptr<PageImage>> images_;
  std::vector<QString> names_;
  PageImage* page_ = nullptr;  // the page being filled; nullptr after a break
  double cursor_ = 0;          // where the next band begins, from the paper's top
};

}  // namespace rt::report
