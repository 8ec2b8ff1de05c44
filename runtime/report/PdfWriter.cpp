#include "runtime/report/PdfWriter.h"

#include "runtime/report/TextMeasure.h"
#include "runtime/text/Cp1252.h"

#include <QByteArray>
#include <QFile>
#include <QFontInfo>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <tuple>

namespace rt::report {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kLineMm = 0.2;  // rules and box borders, as on the screen

// The font the report font is on this system (Arial may be a metric-compatible font of another
// name), by its name, for the reader to find on its own: its widths and the extent of its lines
// come with it.
QByteArray baseFont(const QString& family, bool bold) {
  QByteArray name;
  for (const QChar c : QFontInfo(TextMeasure::drawingFont(family, bold, false)).family())
    if (c.isLetterOrNumber() && c.unicode() < 0x80) name += static_cast<char>(c.unicode());
  if (name.isEmpty()) name = "Arial";
  return bold ? name + ",Bold" : name;
}

void number(QByteArray& out, double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::round(v * 1000) / 1000, std::chars_format::fixed, 3);
  const char* end = r.ptr;
  while (end > buf && end[-1] == '0') --end;
  if (end > buf && end[-1] == '.') --end;
  out.append(buf, end - buf);
  out.append(' ');
}

void colour(QByteArray& out, QRgb c, const char* op) {
  number(out, qRed(c) / 255.0);
  number(out, qGreen(c) / 255.0);
  number(out, qBlue(c) / 255.0);
  out.append(op).append('\n');
}

// A PDF literal string of Windows-1252 bytes.
void literal(QByteArray& out, QStringView text) {
  out.append('(');
  for (const char b : rt::toCp1252(text)) {
    if (b == '(' || b == ')' || b == '\\') out.append('\\');
    out.append(b);
  }
  out.append(')');
}

// The page's content stream, in points from the bottom-left corner.
QByteArray content(const PageImage& page, const std::vector<double>& ascents) {
  QByteArray out;
  out.reserve(static_cast<qsizetype>(page.items.size()) * 48);
  const auto x = [](double mm) { return mm * kPointsPerMm; };
  const auto y = [&page](double mm) { return (page.height - mm) * kPointsPerMm; };
  const auto rect = [&](const DrawItem& i) {
    number(out, x(i.x));
    number(out, y(i.y + i.h));
    number(out, x(i.w));
    number(out, i.h * kPointsPerMm);
    out.append("re ");
  };
  number(out, kLineMm * kPointsPerMm);
  out.append("w 0 J\n");
  for (const DrawItem& i : page.items)
    if (i.kind == DrawItem::Kind::Box && qAlpha(i.fill)) {
      colour(out, i.fill, "rg");
      rect(i);
      out.append("f\n");
    }
  std::size_t t = 0;
  for (const DrawItem& i : page.items) {
    switch (i.kind) {
      case DrawItem::Kind::Box:
        if (!qAlpha(i.color)) break;
        colour(out, i.color, "RG");
        rect(i);
        out.append("S\n");
        break;
      case DrawItem::Kind::Line:
        colour(out, i.color, "RG");
        number(out, x(i.x));
        number(out, y(i.y));
        out.append("m ");
        number(out, x(i.x + i.w));
        number(out, y(i.y));
        out.append("l S\n");
        break;
      case DrawItem::Kind::Text: {
        const bool bold = i.style & DrawItem::Bold;
        const double baseline = y(i.y + ascents[t++]);
        colour(out, i.color, "rg");
        out.append(bold ? "BT /F2 " : "BT /F1 ");
        number(out, i.size);
        out.append("Tf ");
        number(out, x(i.x));
        number(out, baseline);
        out.append("Td ");
        literal(out, page.text(i));
        out.append(" Tj ET\n");
        if (i.style & DrawItem::Underline) {  // 0.125 em below the baseline, 0.05 em thick
          number(out, x(i.x));
          number(out, baseline - 0.125 * i.size);
          number(out, x(i.w));
          number(out, 0.05 * i.size);
          out.append("re f\n");
        }
        break;
      }
    }
  }
  return out;
}

// A PDF text string: UTF-16 with its byte order mark, in hex.
QByteArray textString(const QString& text) {
  QByteArray out = "<FEFF";
  for (const QChar c : text) out.append(QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper());
  return out + ">";
}

}  // namespace

bool writePdf(const QString& file, const std::vector<const PageImage*>& pages, const QString& title,
              const std::function<void(int written)>& waiting) {
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const int n = static_cast<int>(pages.size());
  const QString family = pages.empty() ? QString() : pages.front()->font;

  // The ascent of every text of every page, measured here: the measures are made on first use.
  std::vector<std::vector<double>> ascents(pages.size());
  std::map<std::tuple<QString, float, bool>, double> ascentOf;
  for (std::size_t p = 0; p < pages.size(); ++p)
    for (const DrawItem& i : pages[p]->items)
      if (i.kind == DrawItem::Kind::Text) {
        const bool bold = i.style & DrawItem::Bold;
        auto it = ascentOf.find({pages[p]->font, i.size, bold});
        if (it == ascentOf.end())
          it = ascentOf.emplace(std::tuple{pages[p]->font, i.size, bold}, TextMeasure::of(pages[p]->font, i.size, bold).ascent()).first;
        ascents[p].push_back(it->second);
      }
  std::vector<QByteArray> widths(2);
  for (int bold = 0; bold < 2; ++bold) {
    const TextMeasure& m = TextMeasure::of(family, 10, bold);
    widths[bold] = "[";
    for (int c = 32; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      const QString ch = rt::fromCp1252(std::string_view(&byte, 1));
      widths[bold] += QByteArray::number(std::lround(m.width(ch) / (10 / kPointsPerMm) * 1000)) + (c % 16 ? " " : "\n");
    }
    widths[bold] += "]";
  }

  // Pages are made by the threads in turn and written here in their order.
  std::vector<QByteArray> made(pages.size());
  std::vector<char> ready(pages.size(), 0);
  std::mutex m;
  std::condition_variable cv;
  std::atomic<int> next{0};
  const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
  std::vector<std::thread> workers;
  for (int w = 0; w < std::min(threads, n); ++w)
    workers.emplace_back([&] {
      for (int p; (p = next++) < n;) {
        QByteArray c = qCompress(content(*pages[p], ascents[p]), 6).mid(4);  // a zlib stream after the length
        const std::lock_guard<std::mutex> lock(m);
        made[p] = std::move(c);
        ready[p] = 1;
        cv.notify_all();
      }
    });

  QByteArray head = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<qint64> offsets;  // of objects 1, 2, ...
  qint64 at = 0;
  bool ok = true;
  const auto write = [&](const QByteArray& bytes) {
    ok = ok && out.write(bytes) == bytes.size();
    at += bytes.size();
  };
  const auto object = [&](const QByteArray& body) {
    offsets.push_back(at);
    write(QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n");
  };
  write(head);
  QByteArray kids;
  for (int p = 0; p < n; ++p) kids += QByteArray::number(6 + 2 * p) + " 0 R ";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(n) + " >>");
  for (int bold = 0; bold < 2; ++bold)
    object(QByteArray("<< /Type /Font /Subtype /TrueType /BaseFont /") + baseFont(family, bold) +
           " /Encoding /WinAnsiEncoding /FirstChar 32 /LastChar 255 /Widths " + widths[bold] + " /FontDescriptor " +
           QByteArray::number(6 + 2 * n + bold) + " 0 R >>");
  object("<< /Title " + textString(title) + " /Producer (Tavik) >>");
  int written = 0;
  auto zuletzt = std::chrono::steady_clock::now();
  for (int p = 0; p < n; ++p) {
    QByteArray c;
    for (;;) {
      std::unique_lock<std::mutex> lock(m);
      if (cv.wait_for(lock, std::chrono::milliseconds(5), [&] { return ready[p] != 0; })) {
        c = std::move(made[p]);
        break;
      }
      lock.unlock();
      if (waiting) waiting(written);
    }
    QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
    number(page, pages[p]->width * kPointsPerMm);
    number(page, pages[p]->height * kPointsPerMm);
    page += "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " + QByteArray::number(7 + 2 * p) + " 0 R >>";
    object(page);
    object("<< /Length " + QByteArray::number(c.size()) + " /Filter /FlateDecode >>\nstream\n" + c + "\nendstream");
    ++written;
    if (waiting && std::chrono::steady_clock::now() - zuletzt > std::chrono::milliseconds(20)) {
      waiting(written);
      zuletzt = std::chrono::steady_clock::now();
    }
  }
  for (auto& w : workers) w.join();
  // The extent of the report font's lines, as the page images measure them.
  for (int bold = 0; bold < 2; ++bold) {
    const TextMeasure& m = TextMeasure::of(family, 10, bold);
    const double perEm = 1000 / (10 / kPointsPerMm);
    const QByteArray ascent = QByteArray::number(std::lround(m.ascent() * perEm));
    const QByteArray descent = QByteArray::number(-std::lround((m.lineHeight() - m.ascent()) * perEm));
    object(QByteArray("<< /Type /FontDescriptor /FontName /") + baseFont(family, bold) + " /Flags 32 /FontBBox [-665 " +
           descent + " 2000 " + ascent + "] /ItalicAngle 0 /Ascent " + ascent + " /Descent " + descent +
           " /CapHeight 716 /StemV " + (bold ? "140 /FontWeight 700" : "80 /FontWeight 400") + " >>");
  }
  QByteArray xref = "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (const qint64 o : offsets) xref += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
  const qint64 start = at;
  write(xref + "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) + " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" +
        QByteArray::number(start) + "\n%%EOF\n");
  ok = out.flush() && ok;
  out.close();
  return ok && out.error() == QFileDevice::NoError;
}

}  // namespace rt::report
