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
//
// A long report is built in steps instead, so that its first page can be shown at once:
//
//   report.open(SEITENQUEUE);
//   report.build([&] { ... report.print("?DETAIL"); ... });  // returns when page 1 is finished
//   Druckvorschau(report, ...);           // waitForPage(n) before it steps on to page n
//   report.close();                       // builds the rest first when printing, else stops

#include "runtime/Queue.h"
#include "runtime/report/PageImage.h"
#include "runtime/report/Printer.h"
#include "runtime/report/ReportDef.h"
#include "runtime/text/String.h"
#include "runtime/window/Threads.h"

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <climits>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

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

  // Builds the run's pages in steps: `body` prints the bands. It runs now until page 1 is finished
  // (or until it returns), then goes on by itself for a few milliseconds at a time whenever the
  // program's event loop runs, so that the pages come while the user works with the first ones.
  // The body stops for now only between two pages: outside it the page list holds finished pages.
  // The body neither opens nor closes the report.
  void build(std::function<void()> body);
  // Whether the body of build() has not yet returned.
  bool building() const { return builder_ != nullptr; }
  // Builds on until page `number` is finished or the body has returned; whether the run has it.
  bool waitForPage(int number);
  // Builds the pages still to come now.
  void buildRest() { waitForPage(INT_MAX); }

  // Asks the report to send its pages to the current printer when it is closed.
  void printOnClose() { printRequested_ = true; }
  // Ends the run: prints the pages when asked to (the pages still to come are built first, under
  // the wait cursor), then drops them from the page store. A body still building is stopped: its
  // stack is unwound where it stands.
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
  void step(int pages);
  void stopBuilding();

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

  // Building in steps: the body's own stack, the timer that lets it go on when the event loop runs,
  // the number of finished pages it stops at (0: at the end of its time), and what made it fail.
  std::unique_ptr<rt::win::Steps> builder_;
  std::unique_ptr<QTimer> stepper_;
  bool stepping_ = false;
  int wanted_ = 0;
  QElapsedTimer slice_;
  std::exception_ptr failure_;
};

}  // namespace rt::report
