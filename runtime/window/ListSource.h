#pragma once
// What a list box shows: the rows of a queue, handed over cell by cell.

#include <QColor>
#include <QVariant>
#include <functional>

namespace rt::win {

struct ListSource {
  std::function<int()> count;
  // Cell of a 1-based row: a number (a day number under a date picture) or a text.
  std::function<QVariant(int row, int column)> cell;
  // Optional text and background colours of a cell, and the same while its row is selected.
  std::function<QColor(int row, int column)> foreground;
  std::function<QColor(int row, int column)> background;
  std::function<QColor(int row, int column)> selectedForeground;
  std::function<QColor(int row, int column)> selectedBackground;
};

}  // namespace rt::win
