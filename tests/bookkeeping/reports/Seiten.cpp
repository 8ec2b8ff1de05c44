#include "Seiten.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>

namespace seiten {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
constexpr double kZeile = 1.2;  // texts whose tops lie closer than this stand on one line
constexpr double kLuecke = 1.5; // a wider gap between two texts begins a new cell

Seite zeilen(std::vector<Wort> woerter) {
  std::sort(woerter.begin(), woerter.end(), [](const Wort& a, const Wort& b) { return a.y0 < b.y0; });
  std::vector<std::vector<Wort>> gruppen;
  for (const Wort& w : woerter) {
    if (gruppen.empty() || w.y0 - gruppen.back().front().y0 > kZeile) gruppen.emplace_back();
    gruppen.back().push_back(w);
  }
  Seite seite;
  for (auto& g : gruppen) {
    std::sort(g.begin(), g.end(), [](const Wort& a, const Wort& b) { return a.x0 < b.x0; });
    QStringList zellen;
    double ende = -1000;
    for (const Wort& w : g) {
      if (zellen.isEmpty() || w.x0 - ende > kLuecke) zellen << w.text;
      else zellen.back() += " " + w.text;
      ende = w.x1;
    }
    seite << zellen.join(" | ");
  }
  return seite;
}

}  // namespace

std::vector<Seite> ausBildern(const std::vector<const rt::report::PageImage*>& bilder) {
  static const QRegularExpression luecke(" {2,}");
  std::vector<Seite> seiten;
  for (const rt::report::PageImage* bild : bilder) {
    std::vector<Wort> woerter;
    for (const rt::report::DrawItem& item : bild->items) {
      if (item.kind != rt::report::DrawItem::Kind::Text) continue;
      // Cells within one text, split where it has two blanks or more (as a PDF reader splits them).
      const QString text = bild->text(item).toString();
      const double breite = text.isEmpty() ? 0 : item.w / text.size();
      qsizetype anfang = 0;
      for (auto it = luecke.globalMatch(text);; ) {
        const bool weiter = it.hasNext();
        const auto m = weiter ? it.next() : QRegularExpressionMatch();
        const qsizetype ende = weiter ? m.capturedStart() : text.size();
        const QString teil = text.mid(anfang, ende - anfang).trimmed();
        if (!teil.isEmpty())
          woerter.push_back({teil.simplified(), item.x + breite * anfang, item.y, item.x + breite * ende});
        if (!weiter) break;
        anfang = m.capturedEnd();
      }
    }
    seiten.push_back(zeilen(std::move(woerter)));
  }
  return seiten;
}

std::vector<Seite> ausPdf(const QString& datei) {
  QProcess p;
  p.start("pdftotext", {"-bbox", datei, "-"});
  p.waitForFinished(60000);
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression tag(
      R"re(<page width="[\d.]+" height="[\d.]+">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re");
  std::vector<std::vector<Wort>> roh;
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    const auto mm = [&m](int i) { return m.captured(i).toDouble() * kMmPerPoint; };
    if (m.captured(1).isEmpty()) roh.emplace_back();
    else if (!roh.empty())
      roh.back().push_back({m.captured(4).replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">"), mm(1), mm(2), mm(3)});
  }
  std::vector<Seite> seiten;
  for (auto& w : roh) seiten.push_back(zeilen(std::move(w)));
  return seiten;
}

QString neuestePdf(const QString& ordner) {
  const QFileInfoList dateien = QDir(ordner).entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
  return dateien.isEmpty() ? QString() : dateien.front().absoluteFilePath();
}

}  // namespace seiten
