#pragma once
// The measure the benchmarks compare against: a plain SQLite scan of the same rows.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstddef>
#include <cstring>

// The same rows in the same order with the same columns, straight from SQLite.
inline int rawScan(sqlite3_stmt* scan) {
  int n = 0;
  double sum = 0;
  std::size_t bytes = 0;
  while (sqlite3_step(scan) == SQLITE_ROW) {
    ++n;
    for (int c = 0; c < sqlite3_column_count(scan); ++c) {
      switch (sqlite3_column_type(scan, c)) {
        case SQLITE_INTEGER: sum += static_cast<double>(sqlite3_column_int64(scan, c)); break;
        case SQLITE_FLOAT: sum += sqlite3_column_double(scan, c); break;
        case SQLITE_TEXT:
          bytes += std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(scan, c)));
          break;
        default: bytes += static_cast<std::size_t>(sqlite3_column_bytes(scan, c));
      }
    }
  }
  sqlite3_reset(scan);
  benchmark::DoNotOptimize(sum);
  benchmark::DoNotOptimize(bytes);
  return n;
}
