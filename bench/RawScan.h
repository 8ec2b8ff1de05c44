#pragma once
// The measure the benchmarks compare against: a plain SQLite scan of the same rows.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstddef>
#include <chrono>
#include <cstring>
#include <string>

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

// Runs `prepare` (not timed), then `walk` (which returns the rows it read), then the raw scan `sql`,
// in turn, and reports both times and their ratio. The walk must read as many rows as the scan;
// `rows`, unless negative, is the number both must read.
template <typename Prepare, typename Walk>
void measure(benchmark::State& state, sqlite3* db, const std::string& sql, int rows, Prepare prepare, Walk walk) {
  sqlite3_stmt* scan = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &scan, nullptr) != SQLITE_OK) {
    state.SkipWithError(sqlite3_errmsg(db));
    return;
  }
  double walkSeconds = 0, rawSeconds = 0;
  int scanned = 0;
  for (auto _ : state) {
    using Clock = std::chrono::steady_clock;
    prepare();
    const auto t0 = Clock::now();
    const int walked = walk();
    const auto t1 = Clock::now();
    scanned = rawScan(scan);
    const auto t2 = Clock::now();
    if (walked != scanned || (rows >= 0 && scanned != rows)) {
      state.SkipWithError(("wrong number of rows: " + std::to_string(walked) + " against " +
                           std::to_string(scanned)).c_str());
      break;
    }
    const double w = std::chrono::duration<double>(t1 - t0).count();
    walkSeconds += w;
    rawSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(w);
  }
  sqlite3_finalize(scan);
  const double n = static_cast<double>(state.iterations());
  state.counters["walk_ms"] = 1000 * walkSeconds / n;
  state.counters["raw_scan_ms"] = 1000 * rawSeconds / n;
  state.counters["ratio"] = walkSeconds / rawSeconds;
  state.counters["rows"] = scanned;
}

template <typename Walk>
void measure(benchmark::State& state, sqlite3* db, const std::string& sql, int rows, Walk walk) {
  measure(state, db, sql, rows, [] {}, walk);
}
