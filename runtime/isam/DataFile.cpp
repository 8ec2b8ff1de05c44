#include "runtime/isam/DataFile.h"

#include "runtime/text/Cents.h"
#include "runtime/text/Collation.h"
#include "runtime/text/Cp1252.h"
#include "runtime/text/Date.h"

#include <QCryptographicHash>
#include <QFile>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace rt::isam {
namespace {

// The row id column: the tie-breaker among equal key values, in the order records were added.
constexpr const char* kRowColumn = "ID";

std::string sqlName(const std::string& name) { return '"' + name + '"'; }

// Opens a connection. The first call, before the library starts, switches off its memory
// statistics: they take one lock of the whole process on every allocation, which the readers that
// run at the same time would queue on.
int openConnection(const std::string& path, int flags, sqlite3** db) {
  static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
  (void)configured;
  return sqlite3_open_v2(path.c_str(), db, flags, nullptr);
}

std::string joined(const std::vector<std::string>& parts, const char* suffix = "") {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += ", ";
    out += sqlName(p) + suffix;
  }
  return out;
}

std::size_t sizeOf(FieldType t) {
  switch (t) {
    case FieldType::Byte: return 1;
    case FieldType::Short: return 2;
    case FieldType::Long: return 4;
    case FieldType::Real: return 8;
    case FieldType::Cents: return 8;
    case FieldType::Date: return 4;
    default: return 0;  // any size
  }
}

const char* sqlTypeOf(FieldType t) {
  switch (t) {
    case FieldType::Real: return "REAL";
    case FieldType::Cents: return "REAL";
    case FieldType::String: return "TEXT";
    case FieldType::Bytes: return "BLOB";
    default: return "INTEGER";
  }
}

bool isAscii(const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] & 0x80) return false;
  return true;
}

std::size_t trimmedLength(const unsigned char* p, std::size_t n) {
  while (n > 0 && p[n - 1] == ' ') --n;
  return n;
}

// A DATE as one integer that orders chronologically and keeps every byte of the field.
std::int64_t packDate(const unsigned char* p) {
  DATE d;
  std::memcpy(&d, p, sizeof d);
  return (std::int64_t{d.year} << 16) | (std::int64_t{d.month} << 8) | d.day;
}

void unpackDate(std::int64_t v, unsigned char* p) {
  const DATE d{static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
               static_cast<std::uint16_t>((v >> 16) & 0xFFFF)};
  std::memcpy(p, &d, sizeof d);
}

std::int64_t integerOf(FieldType t, const unsigned char* p) {
  switch (t) {
    case FieldType::Byte: return *p;
    case FieldType::Short: {
      std::int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case FieldType::Long: {
      std::int32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default: return packDate(p);
  }
}

void storeInteger(FieldType t, std::int64_t v, unsigned char* p) {
  switch (t) {
    case FieldType::Byte: *p = static_cast<std::uint8_t>(v); break;
    case FieldType::Short: {
      const auto s = static_cast<std::int16_t>(v);
      std::memcpy(p, &s, 2);
      break;
    }
    case FieldType::Long: {
      const auto l = static_cast<std::int32_t>(v);
      std::memcpy(p, &l, 4);
      break;
    }
    default: unpackDate(v, p);
  }
}

// Texts are stored as UTF-8 without their trailing blanks.
void bindText(sqlite3_stmt* stmt, int i, const unsigned char* p, std::size_t n) {
  n = trimmedLength(p, n);
  if (isAscii(p, n)) {
    sqlite3_bind_text(stmt, i, reinterpret_cast<const char*>(p), static_cast<int>(n),
                      SQLITE_TRANSIENT);
    return;
  }
  const QByteArray utf8 =
      fromCp1252(std::string_view(reinterpret_cast<const char*>(p), n)).toUtf8();
  sqlite3_bind_text(stmt, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void readText(sqlite3_stmt* stmt, int i, unsigned char* p, std::size_t n) {
  const auto* text = sqlite3_column_text(stmt, i);
  const auto len = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
  std::size_t m = 0;
  if (text && isAscii(text, len)) {
    m = std::min(n, len);
    std::memcpy(p, text, m);
  } else if (text) {
    const std::string cp = utf8ToCp1252(std::string_view(reinterpret_cast<const char*>(text), len));
    m = std::min(n, cp.size());
    std::memcpy(p, cp.data(), m);
  }
  std::memset(p + m, ' ', n - m);
}

// The sort form of a text: the collation weight of each character of the whole blank-padded field
// (upper-cased for keys that ignore case). The weights are a permutation of the byte values and
// every form of a column has the field's length, so comparing these forms byte by byte is exactly
// Collation::compare of the fields.
void sortForm(const unsigned char* p, std::size_t n, bool upper, std::string* out) {
  out->resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = upper ? Collation::upper(p[i]) : p[i];
    (*out)[i] = static_cast<char>(Collation::weight(c));
  }
}

// What the stored sort forms depend on: their layout and the collation they were made under. It is
// kept as the file's user version (0 in files that predate it); a file whose stamp differs has its
// sort forms made again when it is opened, so that a key never walks in a stale order.
constexpr unsigned char kSortFormLayout = 2;  // 1: trailing blanks left off; 2: the padded field

std::int64_t sortStamp() {
  std::uint32_t h = 2166136261u;
  auto mix = [&h](unsigned char b) { h = (h ^ b) * 16777619u; };
  mix(kSortFormLayout);
  for (int c = 0; c < 256; ++c) {
    mix(Collation::weight(static_cast<unsigned char>(c)));
    mix(Collation::upper(static_cast<unsigned char>(c)));
  }
  return (h & 0x7FFFFFFF) | 1;
}

// A stored value that no field of its type can hold: the record cannot be read.
bool decodable(FieldType t, std::size_t size, sqlite3_stmt* stmt, int i) {
  const int type = sqlite3_column_type(stmt, i);
  switch (t) {
    case FieldType::Real: return type == SQLITE_FLOAT || type == SQLITE_INTEGER;
    case FieldType::Cents:
      return (type == SQLITE_FLOAT || type == SQLITE_INTEGER) && rt::Cents::isAmount(sqlite3_column_double(stmt, i));
    case FieldType::String: return type == SQLITE_TEXT;
    case FieldType::Bytes: {  // whole, or without its trailing zeros
      if (type != SQLITE_BLOB) return false;
      const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
      const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
      return n == size || n == 0 || (n < size && p[n - 1] != 0);
    }
    default: break;
  }
  if (type != SQLITE_INTEGER) return false;
  const std::int64_t v = sqlite3_column_int64(stmt, i);
  switch (t) {
    case FieldType::Byte: return v >= 0 && v <= 0xFF;
    case FieldType::Short: return v >= INT16_MIN && v <= INT16_MAX;
    case FieldType::Long: return v >= INT32_MIN && v <= INT32_MAX;
    default:
      return v == 0 || (v > 0 && v <= 0xFFFFFFFF &&
                        isValidDate(static_cast<int>(v >> 16), (v >> 8) & 0xFF, v & 0xFF));
  }
}

// A date field holds no date or a calendar date from 1801 to 9999; anything else is refused before
// it reaches the file, as it could not be read back.
bool storable(const Record& record, const unsigned char* buffer) {
  for (const auto& f : record.fields) {
    if (f.type != FieldType::Date) continue;
    for (int e = 0; e < f.dim; ++e) {
      DATE d;
      std::memcpy(&d, buffer + f.offset + f.size * e, sizeof d);
      if (!d.isZero() && !isValidDate(d.year, d.month, d.day)) return false;
    }
  }
  return true;
}

int codeOf(platform::FileError e) {
  switch (e) {
    case platform::FileError::None: return kNoError;
    case platform::FileError::NotFound: return kFileNotFound;
    case platform::FileError::PathNotFound: return kPathNotFound;
    case platform::FileError::AccessDenied: return kAccessDenied;
    default: return kOtherError;
  }
}

}  // namespace

DataFile::DataFile(const Record& record, void* buffer, const rt::String<200>& name,
                   const char* password)
    : record_(record),
      buffer_(static_cast<unsigned char*>(buffer)),
      name_(name),
      password_(password) {}

DataFile::~DataFile() { close(); }

// Derives the columns and the key plans from the record description once.
void DataFile::plan() {
  if (planned_) return;
  planned_ = true;
  const auto& fields = record_.fields;
  for (int f = 0; f < static_cast<int>(fields.size()); ++f) {
    const Field& fd = fields[f];
    const std::size_t fixed = sizeOf(fd.type);
    if (fd.dim < 1 || fd.size == 0 || (fixed && fd.size != fixed) ||
        fd.offset + fd.size * fd.dim > record_.size || std::string(fd.name) == kRowColumn)
      planError_ = kOtherError;
    for (int e = 0; e < fd.dim; ++e)
      columns_.push_back({fd.dim == 1 ? fd.name : fd.name + ("_" + std::to_string(e + 1)), f, e});
  }
  for (const auto& kd : record_.keys) {
    KeyPlan kp;
    for (const char* comp : kd.components) {
      auto it = std::find_if(fields.begin(), fields.end(),
                             [&](const Field& fd) { return std::strcmp(fd.name, comp) == 0; });
      if (it == fields.end() || it->dim != 1 || it->type == FieldType::Cents) {  // amounts are no keys
        planError_ = kOtherError;
        continue;
      }
      const int f = static_cast<int>(it - fields.begin());
      kp.fields.push_back(f);
      if (it->type != FieldType::String) {
        kp.columns.push_back(it->name);
        kp.sortColumns.push_back(-1);
        continue;
      }
      const std::string sortName = std::string(kd.ignoreCase ? "KEY_" : "KEYCS_") + it->name;
      auto s = std::find_if(sorts_.begin(), sorts_.end(),
                            [&](const SortColumn& sc) { return sc.name == sortName; });
      if (s == sorts_.end()) s = sorts_.insert(sorts_.end(), {sortName, f, kd.ignoreCase});
      kp.columns.push_back(sortName);
      kp.sortColumns.push_back(static_cast<int>(s - sorts_.begin()));
    }
    if (kp.fields.empty()) planError_ = kOtherError;
    keys_.push_back(std::move(kp));
  }
  trimmed_.assign(fields.size(), false);
  for (std::size_t f = 0; f < fields.size(); ++f) trimmed_[f] = fields[f].type == FieldType::Bytes;
  for (const auto& kp : keys_)
    for (int f : kp.fields) trimmed_[f] = false;  // a key component keeps its whole value
}

std::string DataFile::tableSql() const {
  std::string sql = "CREATE TABLE " + sqlName(record_.table) + " (" + sqlName(kRowColumn) +
                    " INTEGER PRIMARY KEY";
  for (const auto& c : columns_)
    sql += ", " + sqlName(c.name) + " " + sqlTypeOf(record_.fields[c.field].type);
  for (const auto& s : sorts_) sql += ", " + sqlName(s.name) + " BLOB";
  return sql + ")";
}

std::string DataFile::parkTable() const { return std::string(record_.table) + "_PARKED"; }

std::string DataFile::parkSql() const {
  std::string sql = tableSql();
  return sql.replace(0, sql.find(" ("), "CREATE TABLE " + sqlName(parkTable()));
}

// Every stored column but the row id: the data columns and the sort forms.
std::string DataFile::dataColumns() const {
  std::vector<std::string> names;
  for (const auto& c : columns_) names.push_back(c.name);
  for (const auto& c : sorts_) names.push_back(c.name);
  return joined(names);
}

std::vector<std::string> DataFile::indexSql() const {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    const auto& kd = record_.keys[k];
    out.push_back(std::string("CREATE ") + (kd.unique ? "UNIQUE " : "") + "INDEX " +
                  sqlName(std::string(record_.table) + "_" + kd.name) + " ON " +
                  sqlName(record_.table) + " (" + joined(keys_[k].columns) + ")");
  }
  return out;
}

// The row id, the data columns, then the key's component columns (the walk's position).
std::string DataFile::selectList(const KeyPlan& key) const {
  std::vector<std::string> names;
  for (const auto& c : columns_) names.push_back(c.name);
  for (const auto& c : key.columns) names.push_back(c);
  return "SELECT " + sqlName(kRowColumn) + ", " + joined(names) + " FROM " + sqlName(record_.table);
}

std::string DataFile::nativePath() const { return QFile::encodeName(name_.clip()).toStdString(); }

int DataFile::sqlError(int rc) const {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return kNoError;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return kInvalidDataFile;
    case SQLITE_CONSTRAINT: return kDuplicateKey;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH: return kAccessDenied;
    case SQLITE_CANTOPEN: {
      const int code = db_ ? codeOf(platform::fileErrorOf(sqlite3_system_errno(db_))) : kNoError;
      return code == kNoError ? kOtherError : code;
    }
    default: return kOtherError;
  }
}

int DataFile::keyIndex(Key key) const {
  if (key.record != &record_ || key.index < 0 || key.index >= static_cast<int>(keys_.size()))
    return -1;
  return key.index;
}

int DataFile::prepare(const std::string& sql, sqlite3_stmt** stmt) {
  const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(*stmt);
    *stmt = nullptr;
    return sqlError(rc);
  }
  return kNoError;
}

// The file is ours when its schema is exactly the one Create makes, and it is whole when its size
// is the page count its header gives.
int DataFile::verifySchema() {
  std::map<std::string, std::string> expected;
  expected[record_.table] = tableSql();
  const auto indexes = indexSql();
  for (std::size_t k = 0; k < indexes.size(); ++k)
    expected[std::string(record_.table) + "_" + record_.keys[k].name] = indexes[k];

  sqlite3_stmt* stmt = nullptr;
  int code = prepare("SELECT name, sql FROM sqlite_master", &stmt);
  if (code != kNoError) return code;
  std::size_t matched = 0;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    // The table of parked records is made when it is first needed.
    if (name && sql && name == parkTable() && parkSql() == sql) continue;
    auto it = expected.find(name ? name : "");
    if (it == expected.end() || !sql || it->second != sql) {
      code = kInvalidDataFile;
      break;
    }
    ++matched;
  }
  if (code == kNoError && rc != SQLITE_DONE) code = sqlError(rc);
  sqlite3_finalize(stmt);
  if (code != kNoError) return code;
  if (matched != expected.size()) return kInvalidDataFile;

  std::int64_t pageSize = 0, pageCount = 0;
  if ((code = pragmaValue("PRAGMA page_size", &pageSize)) ||
      (code = pragmaValue("PRAGMA page_count", &pageCount)))
    return code;
  sqlite3_file* file = nullptr;
  sqlite3_int64 size = -1;
  if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
      !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
    return kOtherError;
  return size == pageSize * pageCount ? kNoError : kInvalidDataFile;
}

int DataFile::pragmaValue(const char* sql, std::int64_t* out) {
  sqlite3_stmt* stmt = nullptr;
  if (const int code = prepare(sql, &stmt)) return code;
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) *out = sqlite3_column_int64(stmt, 0);
  sqlite3_finalize(stmt);
  return rc == SQLITE_ROW ? kNoError : rc == SQLITE_DONE ? kInvalidDataFile : sqlError(rc);
}

int DataFile::exec(const char* sql) {
  return sqlError(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

// Reads every page and checks the structure of the table and its indexes (not the contents of
// the index entries), for files whose pages carry no authentication of their own.
int DataFile::checkWhole() {
  sqlite3_stmt* stmt = nullptr;
  if (const int code = prepare("PRAGMA quick_check(1)", &stmt)) return code;
  const int rc = sqlite3_step(stmt);
  const auto* result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  const bool ok = rc == SQLITE_ROW && result && std::strcmp(result, "ok") == 0;
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return sqlError(rc);
  return ok ? kNoError : kInvalidDataFile;
}

// Makes every stored sort form again, in one transaction, when the file's stamp is not the one of
// the current collation and layout.
int DataFile::refreshSortForms() {
  if (sorts_.empty()) return kNoError;
  const std::int64_t stamp = sortStamp();
  std::int64_t stored = 0;
  if (const int code = pragmaValue("PRAGMA user_version", &stored)) return code;
  if (stored == stamp) return kNoError;

  std::vector<std::string> sources, sets;
  for (const auto& sc : sorts_) {
    sources.push_back(record_.fields[sc.field].name);
    sets.push_back(sqlName(sc.name) + " = ?");
  }
  std::string setList;
  for (const auto& x : sets) setList += (setList.empty() ? "" : ", ") + x;
  const std::string table = sqlName(record_.table);
  sqlite3_stmt* select = nullptr;
  sqlite3_stmt* update = nullptr;
  int code = prepare("SELECT " + sqlName(kRowColumn) + ", " + joined(sources) + " FROM " + table,
                     &select);
  if (!code)
    code = prepare("UPDATE " + table + " SET " + setList + " WHERE " + sqlName(kRowColumn) +
                       " = ?",
                   &update);
  if (!code) code = exec("BEGIN IMMEDIATE");
  if (code) {
    sqlite3_finalize(select);
    sqlite3_finalize(update);
    return code;
  }
  // All rows are read before the first is rewritten, so the scan never meets its own writes.
  struct Row {
    std::int64_t id;
    std::vector<std::string> forms;
  };
  std::vector<Row> rows;
  std::string field, form;
  int rc;
  while ((rc = sqlite3_step(select)) == SQLITE_ROW) {
    Row row{sqlite3_column_int64(select, 0), {}};
    for (std::size_t i = 0; i < sorts_.size(); ++i) {
      const Field& f = record_.fields[sorts_[i].field];
      field.resize(f.size);
      auto* p = reinterpret_cast<unsigned char*>(field.data());
      readText(select, static_cast<int>(i) + 1, p, f.size);
      sortForm(p, f.size, sorts_[i].upper, &form);
      row.forms.push_back(form);
    }
    rows.push_back(std::move(row));
  }
  code = rc == SQLITE_DONE ? kNoError : sqlError(rc);
  sqlite3_finalize(select);
  for (std::size_t r = 0; r < rows.size() && !code; ++r) {
    int i = 1;
    for (const auto& f : rows[r].forms)
      sqlite3_bind_blob(update, i++, f.data(), static_cast<int>(f.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(update, i, rows[r].id);
    rc = sqlite3_step(update);
    sqlite3_reset(update);
    if (rc != SQLITE_DONE) code = sqlError(rc);
  }
  sqlite3_finalize(update);
  if (!code) code = exec(("PRAGMA user_version = " + std::to_string(stamp)).c_str());
  if (!code) code = exec("COMMIT");
  if (code) exec("ROLLBACK");
  return code;
}

// The key of a keyed file: for the earlier form the password itself, which SQLCipher stretches;
// otherwise a key made from it once, used as it is.
std::string DataFile::cipherKey(bool earlier) const {
  if (earlier) return password_;
  const QByteArray key = QCryptographicHash::hash(QByteArray("Tavik data file key\n") + password_,
                                                  QCryptographicHash::Sha256)
                             .toHex();
  return "x'" + key.toStdString() + "'";
}

// Connects to the file in one of the two keyed forms (a file without password has one form) and
// checks that it is ours.
int DataFile::connect(const std::string& path, bool earlier) {
  int code = sqlError(openConnection(path, SQLITE_OPEN_READWRITE, &db_));
  if (!code && password_) {
    const std::string key = cipherKey(earlier);
    code = sqlError(sqlite3_key(db_, key.data(), static_cast<int>(key.size())));
    if (!code && !earlier) code = exec("PRAGMA cipher_page_size = 4096");
  }
  if (!code) code = verifySchema();
  return code;
}

void DataFile::disconnect() {
  finalizeAll();
  sqlite3_close(db_);  // before the lock: see FileLock.h
  db_ = nullptr;
}

namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

}  // namespace

// Builds the file in the current form beside the earlier-form file at `path`, with every record,
// parked ones included, under the same row numbers, then puts it in the file's place. Called with
// the connection closed and the lock held; releases the lock.
int DataFile::convert(const std::string& path) {
  std::string fresh;
  if (platform::createFileBeside(path, &fresh) != platform::FileError::None) {
    lock_.release();
    return kOtherError;
  }
  sqlite3* db = nullptr;
  int rc = openConnection(fresh, SQLITE_OPEN_READWRITE, &db);
  const std::string key = cipherKey(false);
  if (rc == SQLITE_OK) rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
  const auto run = [&](const std::string& sql) {
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  };
  const auto value = [&](const std::string& sql) {
    std::int64_t v = 0;
    sqlite3_stmt* stmt = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(stmt) == SQLITE_ROW ? SQLITE_OK : SQLITE_ERROR;
      v = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    return v;
  };
  // The new file needs no journal: until it takes the old one's place it is nobody's file.
  run("PRAGMA cipher_page_size = 4096; PRAGMA journal_mode = OFF; PRAGMA synchronous = FULL");
  run("ATTACH DATABASE " + quoted(path) + " AS alt KEY " + quoted(password_));
  const std::int64_t version = value("PRAGMA alt.user_version");
  const bool parked =
      value("SELECT count(*) FROM alt.sqlite_master WHERE name = " + quoted(parkTable())) > 0;

  std::vector<std::string> names{kRowColumn}, values{sqlName(kRowColumn)};
  for (const auto& c : columns_) {
    const Field& f = record_.fields[c.field];
    names.push_back(c.name);
    values.push_back(trimmed_[c.field] ? "CASE WHEN " + sqlName(c.name) + " = zeroblob(" +
                                             std::to_string(f.size) + ") THEN x'' ELSE " +
                                             sqlName(c.name) + " END"
                                       : sqlName(c.name));
  }
  for (const auto& s : sorts_) {
    names.push_back(s.name);
    values.push_back(sqlName(s.name));
  }
  std::string list;
  for (const auto& v : values) list += (list.empty() ? "" : ", ") + v;
  const auto copy = [&](const std::string& table) {
    return "INSERT INTO " + sqlName(table) + " (" + joined(names) + ") SELECT " + list +
           " FROM alt." + sqlName(table) + "; ";
  };
  std::string sql = "BEGIN; " + tableSql() + "; " + copy(record_.table);
  if (parked) sql += parkSql() + "; " + copy(parkTable());
  for (const auto& i : indexSql()) sql += i + "; ";
  sql += "PRAGMA user_version = " + std::to_string(version) + "; COMMIT; DETACH DATABASE alt";
  run(sql);
  const int closed = sqlite3_close(db);
  if (rc == SQLITE_OK) rc = closed;
  lock_.release();
  int code = rc == SQLITE_OK ? kNoError : kOtherError;
  if (!code) code = codeOf(platform::replaceFile(fresh, path));
  if (code) platform::removeFile(fresh);
  return code;
}

int DataFile::open(AccessMode mode) {
  if (db_) return fail(kOtherError);
  plan();
  if (planError_) return fail(planError_);
  const std::string path = nativePath();
  if (path != failedPath_) failed_ = kNoError;
  const auto lockMode = mode == AccessMode::ReadWriteDenyNone ? platform::LockMode::Shared
                                                              : platform::LockMode::Exclusive;
  if (const auto e = lock_.acquire(path, lockMode); e != platform::FileError::None)
    return fail(codeOf(e));

  bool earlier = password_ && earlierForm_;
  int code = connect(path, earlier);
  if (code == kInvalidDataFile && password_ && !earlier) {
    disconnect();
    if (connect(path, true) == kNoError) {
      earlier = true;
      code = kNoError;
    }
  }
  if (!code && earlier && !earlierForm_ && !converting_) {
    disconnect();
    convert(path);
    // Opened again: in the new form, or, where the conversion failed, in the earlier one.
    converting_ = true;
    const int again = open(mode);
    converting_ = false;
    return again;
  }
  if (!code && !password_) code = checkWhole();
  path_ = path;
  keyedEarlier_ = earlier;
  if (!code) code = exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-32768");
  if (!code) {
    sqlite3_busy_timeout(db_, 2000);
    code = refreshSortForms();
  }
  if (!code) {
    std::vector<std::string> names;
    for (const auto& c : columns_) names.push_back(c.name);
    for (const auto& s : sorts_) names.push_back(s.name);
    std::string params, sets;
    for (std::size_t i = 0; i < names.size(); ++i) {
      params += (i ? ", ?" : "?");
      sets += (i ? ", " : "") + sqlName(names[i]) + " = ?";
    }
    const std::string table = sqlName(record_.table);
    const std::string byRow = " WHERE " + sqlName(kRowColumn) + " = ?";
    code = prepare("INSERT INTO " + table + " (" + joined(names) + ") VALUES (" + params + ")",
                   &insert_);
    if (!code) code = prepare("UPDATE " + table + " SET " + sets + byRow, &update_);
    if (!code) code = prepare("DELETE FROM " + table + byRow, &delete_);
  }
  if (code) {
    disconnect();
    lock_.release();
    return fail(code);
  }
  current_ = 0;
  walkKey_ = -1;
  start_ = Start::None;
  noteEverything();
  return done();
}

int DataFile::create() {
  if (db_) return fail(kAccessDenied);  // this object holds the file itself
  plan();
  if (planError_) return fail(planError_);
  const std::string path = nativePath();
  std::string fresh;
  if (const auto e = platform::createFileBeside(path, &fresh); e != platform::FileError::None)
    return fail(codeOf(e));

  // The new file is built completely under a name of its own and then takes the place of the old
  // one, so that no crash ever leaves a half-made file under the real name.
  const bool earlier = earlierForm_ && password_;
  std::string sql = std::string(password_ && !earlier ? "PRAGMA cipher_page_size = 4096; " : "") +
                    "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN; " + tableSql() +
                    "; PRAGMA user_version = " + std::to_string(sortStamp()) + ";";
  for (const auto& i : indexSql()) sql += " " + i + ";";
  sql += " COMMIT;";
  sqlite3* db = nullptr;
  int rc = openConnection(fresh, SQLITE_OPEN_READWRITE, &db);
  if (rc == SQLITE_OK && password_) {
    const std::string key = cipherKey(earlier);
    rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_close(db);
  else
    sqlite3_close(db);
  int code = rc == SQLITE_OK ? kNoError : sqlError(rc);
  if (rc != SQLITE_OK && !code) code = kOtherError;
  if (!code) code = codeOf(platform::replaceFile(fresh, path));
  if (code) platform::removeFile(fresh);
  if (!code && path == failedPath_) failed_ = kNoError;  // a new file under the failed one's name
  noteEverything();
  return fail(code);
}

void DataFile::finalizeAll() {
  stepping_ = nullptr;
  for (auto& k : keys_)
    for (auto*& q : k.queries) {
      sqlite3_finalize(q);
      q = nullptr;
    }
  for (auto** s : {&insert_, &update_, &delete_, &getRow_}) {
    sqlite3_finalize(*s);
    *s = nullptr;
  }
}

int DataFile::close() {
  if (!db_) return done();
  disconnect();
  lock_.release();
  noteEverything();
  current_ = 0;
  walkKey_ = -1;
  start_ = Start::None;
  return done();
}

int DataFile::clear() {
  for (const auto& f : record_.fields)
    std::memset(buffer_ + f.offset, f.type == FieldType::String ? ' ' : 0, f.size * f.dim);
  return done();
}

sqlite3_stmt* DataFile::query(int key, Query q) {
  KeyPlan& kp = keys_[key];
  if (kp.queries[q]) return kp.queries[q];
  std::vector<std::string> withRow = kp.columns;
  withRow.push_back(kRowColumn);
  std::string params;
  for (std::size_t i = 0; i < kp.columns.size(); ++i) params += i ? ", ?" : "?";
  const std::string asc = " ORDER BY " + joined(withRow);
  const std::string desc = " ORDER BY " + joined(withRow, " DESC");
  const std::string values = "(" + joined(kp.columns) + ")";
  const std::string valuesRow = "(" + joined(withRow) + ")";
  std::string where;
  switch (q) {
    case kGet: {
      std::vector<std::string> eq;
      for (const auto& c : kp.columns) eq.push_back(sqlName(c) + " = ?");
      for (std::size_t i = 0; i < eq.size(); ++i) where += (i ? " AND " : " WHERE ") + eq[i];
      where += asc + " LIMIT 1";
      break;
    }
    case kFirst: where = asc; break;
    case kFromValue: where = " WHERE " + values + " >= (" + params + ")" + asc; break;
    case kToValue: where = " WHERE " + values + " <= (" + params + ")" + desc; break;
    case kAfter: where = " WHERE " + valuesRow + " > (" + params + ", ?)" + asc; break;
    case kBefore: where = " WHERE " + valuesRow + " < (" + params + ", ?)" + desc; break;
    default: break;
  }
  if (const int code = prepare(selectList(kp) + where, &kp.queries[q]); code) {
    error_ = code;
    return nullptr;
  }
  return kp.queries[q];
}

void DataFile::stopWalk() {
  if (!stepping_) return;
  sqlite3_reset(stepping_);
  stepping_ = nullptr;
}

// Binds the data columns, then the sort columns, as ?1, ?2, ...
void DataFile::bindRecord(sqlite3_stmt* stmt) const {
  int i = 1;
  std::string sort;
  for (const auto& c : columns_) {
    const Field& f = record_.fields[c.field];
    const unsigned char* p = buffer_ + f.offset + f.size * c.element;
    switch (f.type) {
      case FieldType::Real: {
        double d;
        std::memcpy(&d, p, 8);
        sqlite3_bind_double(stmt, i, d);
        break;
      }
      case FieldType::Cents: {
        rt::Cents c;
        std::memcpy(&c, p, 8);
        sqlite3_bind_double(stmt, i, c.toReal());
        break;
      }
      case FieldType::String: bindText(stmt, i, p, f.size); break;
      case FieldType::Bytes: {
        std::size_t n = f.size;
        if (trimmed_[c.field] && !earlierForm_)
          while (n > 0 && p[n - 1] == 0) --n;
        if (n)
          sqlite3_bind_blob(stmt, i, p, static_cast<int>(n), SQLITE_TRANSIENT);
        else
          sqlite3_bind_zeroblob(stmt, i, 0);
        break;
      }
      default: sqlite3_bind_int64(stmt, i, integerOf(f.type, p));
    }
    ++i;
  }
  for (const auto& s : sorts_) {
    const Field& f = record_.fields[s.field];
    sortForm(buffer_ + f.offset, f.size, s.upper, &sort);
    sqlite3_bind_blob(stmt, i++, sort.data(), static_cast<int>(sort.size()), SQLITE_TRANSIENT);
  }
}

// Fills the buffer from a row of selectList (column 0 is the row id); false, with the buffer
// unchanged, when a stored value cannot be a value of its field.
bool DataFile::readRecord(sqlite3_stmt* stmt) { return readRecordInto(stmt, buffer_); }

bool DataFile::readRecordInto(sqlite3_stmt* stmt, unsigned char* buffer) const {
  for (int i = 1; i <= static_cast<int>(columns_.size()); ++i) {
    const Field& f = record_.fields[columns_[i - 1].field];
    if (!decodable(f.type, f.size, stmt, i)) return false;
  }
  int i = 1;
  for (const auto& c : columns_) {
    const Field& f = record_.fields[c.field];
    unsigned char* p = buffer + f.offset + f.size * c.element;
    switch (f.type) {
      case FieldType::Real: {
        const double d = sqlite3_column_double(stmt, i);
        std::memcpy(p, &d, 8);
        break;
      }
      case FieldType::Cents: {
        const rt::Cents c = rt::Cents::fromReal(sqlite3_column_double(stmt, i));
        std::memcpy(p, &c, 8);
        break;
      }
      case FieldType::String: readText(stmt, i, p, f.size); break;
      case FieldType::Bytes: {
        const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
        const std::size_t n = std::min<std::size_t>(f.size, sqlite3_column_bytes(stmt, i));
        if (n) std::memcpy(p, b, n);
        std::memset(p + n, 0, f.size - n);
        break;
      }
      default: storeInteger(f.type, sqlite3_column_int64(stmt, i), p);
    }
    ++i;
  }
  return true;
}

void DataFile::keyValueOfBuffer(int key, std::vector<Value>* out) const { keyValueOf(key, buffer_, out); }

void DataFile::keyValueOf(int key, const unsigned char* buffer, std::vector<Value>* out) const {
  const KeyPlan& kp = keys_[key];
  out->resize(kp.fields.size());
  for (std::size_t j = 0; j < kp.fields.size(); ++j) {
    const Field& f = record_.fields[kp.fields[j]];
    const unsigned char* p = buffer + f.offset;
    Value& v = (*out)[j];
    if (kp.sortColumns[j] >= 0) {
      v.type = SQLITE_BLOB;
      sortForm(p, f.size, sorts_[kp.sortColumns[j]].upper, &v.b);
    } else if (f.type == FieldType::Bytes) {
      v.type = SQLITE_BLOB;
      v.b.assign(reinterpret_cast<const char*>(p), f.size);
    } else if (f.type == FieldType::Real) {
      v.type = SQLITE_FLOAT;
      std::memcpy(&v.d, p, 8);
    } else {
      v.type = SQLITE_INTEGER;
      v.i = integerOf(f.type, p);
    }
  }
}

int DataFile::bindValues(sqlite3_stmt* stmt, const std::vector<Value>& values, int first) const {
  for (const auto& v : values) {
    if (v.type == SQLITE_BLOB)
      sqlite3_bind_blob(stmt, first, v.b.data(), static_cast<int>(v.b.size()), SQLITE_TRANSIENT);
    else if (v.type == SQLITE_FLOAT)
      sqlite3_bind_double(stmt, first, v.d);
    else
      sqlite3_bind_int64(stmt, first, v.i);
    ++first;
  }
  return first;
}

int DataFile::get(Key key) {
  if (!db_) return fail(kFileNotOpen);
  const int k = keyIndex(key);
  if (k < 0) return fail(kOtherError);
  sqlite3_stmt* stmt = query(k, kGet);
  if (!stmt) return error_;
  std::vector<Value> value;
  keyValueOfBuffer(k, &value);
  bindValues(stmt, value, 1);
  const int rc = sqlite3_step(stmt);
  const bool read = rc == SQLITE_ROW && readRecord(stmt);
  if (read) current_ = sqlite3_column_int64(stmt, 0);
  sqlite3_reset(stmt);
  if (read) return done();
  if (rc == SQLITE_DONE) return fail(kRecordNotFound);
  return readFailed(rc);
}

int DataFile::set(Key key) {
  if (!db_) return fail(kFileNotOpen);
  const int k = keyIndex(key);
  if (k < 0) return fail(kOtherError);
  stopWalk();
  walkKey_ = k;
  start_ = Start::First;
  return done();
}

int DataFile::setToValue(Key key) {
  if (!db_) return fail(kFileNotOpen);
  const int k = keyIndex(key);
  if (k < 0) return fail(kOtherError);
  stopWalk();
  walkKey_ = k;
  start_ = Start::AtValue;
  keyValueOfBuffer(k, &position_);
  return done();
}

int DataFile::next() { return step(true); }
int DataFile::previous() { return step(false); }

// Reads on along the walk. A statement keeps stepping until the direction changes or the file is
// written; then the walk seeks again from the position of the record it read last.
int DataFile::step(bool forward) {
  if (!db_) return fail(kFileNotOpen);
  if (start_ == Start::None || (start_ == Start::First && !forward))
    return fail(kRecordNotAvailable);
  if (!stepping_ || steppingForward_ != forward) {
    stopWalk();
    Query q = kFirst;
    if (start_ == Start::AtValue) q = forward ? kFromValue : kToValue;
    if (start_ == Start::AfterRecord) q = forward ? kAfter : kBefore;
    sqlite3_stmt* stmt = query(walkKey_, q);
    if (!stmt) return error_;
    if (q != kFirst) {
      const int rowParam = bindValues(stmt, position_, 1);
      if (start_ == Start::AfterRecord) sqlite3_bind_int64(stmt, rowParam, positionRow_);
    }
    stepping_ = stmt;
    steppingForward_ = forward;
  }
  const int rc = sqlite3_step(stepping_);
  if (rc != SQLITE_ROW || !readRecord(stepping_)) {
    stopWalk();
    // The walk stays where it was: after a failure it does not pass the record it could not read.
    return rc == SQLITE_DONE ? fail(kRecordNotAvailable) : readFailed(rc);
  }
  current_ = positionRow_ = sqlite3_column_int64(stepping_, 0);
  start_ = Start::AfterRecord;
  // The key value as stored, from the component columns at the end of the row.
  const KeyPlan& kp = keys_[walkKey_];
  position_.resize(kp.columns.size());
  int col = 1 + static_cast<int>(columns_.size());
  for (auto& v : position_) {
    v.type = sqlite3_column_type(stepping_, col);
    if (v.type == SQLITE_FLOAT) {
      v.d = sqlite3_column_double(stepping_, col);
    } else if (v.type == SQLITE_BLOB || v.type == SQLITE_TEXT) {
      v.type = SQLITE_BLOB;
      const auto* b = static_cast<const char*>(sqlite3_column_blob(stepping_, col));
      v.b.assign(b ? b : "", sqlite3_column_bytes(stepping_, col));
    } else {
      v.type = SQLITE_INTEGER;
      v.i = sqlite3_column_int64(stepping_, col);
    }
    ++col;
  }
  return done();
}

int DataFile::write(sqlite3_stmt* stmt) {
  if (failNext_) {
    const int code = failNext_;
    failNext_ = 0;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return code;
  }
  const int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  const int code = rc == SQLITE_DONE ? kNoError : sqlError(rc);
  return code == kInvalidDataFile ? fileFailed(code) : code;
}

// A read that ended in a failure of the file rather than at the end of the walk or without a
// match. Busy and locked files are not failures of the file: they report 5 and stay writable.
int DataFile::readFailed(int rc) {
  const int code = rc == SQLITE_ROW ? kInvalidDataFile : sqlError(rc);
  return code == kAccessDenied ? fail(code) : fileFailed(code == kNoError ? kOtherError : code);
}

int DataFile::fileFailed(int code) {
  error_ = code;
  if (failed_) return code;
  failed_ = code;
  failedPath_ = nativePath();
  if (onFailure_) onFailure_(code);
  return error_ = code;  // the handler may have used other files meanwhile
}

int DataFile::transaction(const char* sql) {
  if (!db_) return fail(kFileNotOpen);
  stopWalk();
  return fail(exec(sql));
}

int DataFile::begin() { return transaction("BEGIN IMMEDIATE"); }
int DataFile::commit() { return transaction("COMMIT"); }
int DataFile::rollback() { return transaction("ROLLBACK"); }

int DataFile::add() {
  if (!db_) return fail(kFileNotOpen);
  if (failed_) return fail(failed_);
  if (!storable(record_, buffer_)) return fail(kOtherError);
  stopWalk();  // a pending read would hold the transaction open
  bindRecord(insert_);
  const int code = write(insert_);
  if (!code) noteChange(sqlite3_last_insert_rowid(db_));
  return fail(code);
}

int DataFile::put() {
  if (!db_) return fail(kFileNotOpen);
  if (failed_) return fail(failed_);
  if (!current_) return fail(kRecordNotAvailable);
  if (!storable(record_, buffer_)) return fail(kOtherError);
  stopWalk();
  noteChange(current_);
  bindRecord(update_);
  sqlite3_bind_int64(update_, static_cast<int>(columns_.size() + sorts_.size()) + 1, current_);
  const int code = write(update_);
  if (code) return fail(code);
  return sqlite3_changes(db_) ? done() : fail(kRecordNotAvailable);
}

int DataFile::remove() {
  if (!db_) return fail(kFileNotOpen);
  if (failed_) return fail(failed_);
  if (!current_) return fail(kRecordNotAvailable);
  stopWalk();
  noteChange(current_);
  sqlite3_bind_int64(delete_, 1, current_);
  const int code = write(delete_);
  if (code) return fail(code);
  const bool deleted = sqlite3_changes(db_) > 0;
  current_ = 0;
  return deleted ? done() : fail(kRecordNotAvailable);
}

int DataFile::park() {
  if (!db_) return fail(kFileNotOpen);
  if (failed_) return fail(failed_);
  if (!current_) return fail(kRecordNotAvailable);
  stopWalk();
  if (const int code = failNext_) {
    failNext_ = 0;
    return fail(code);
  }
  noteChange(current_);
  const std::string table = sqlName(record_.table), parked = sqlName(parkTable());
  const std::string row = std::to_string(current_);
  const std::string sql = "BEGIN IMMEDIATE; " + parkSql().insert(12, " IF NOT EXISTS") + "; INSERT INTO " +
                          parked + " (" + dataColumns() + ") SELECT " + dataColumns() + " FROM " + table +
                          " WHERE " + sqlName(kRowColumn) + " = " + row + "; DELETE FROM " + table + " WHERE " +
                          sqlName(kRowColumn) + " = " + row + "; COMMIT";
  if (const int code = exec(sql.c_str())) {
    exec("ROLLBACK");
    return fail(code == kInvalidDataFile ? fileFailed(code) : code);
  }
  current_ = 0;
  return done();
}

int DataFile::parkedCount(std::int64_t* count) {
  *count = 0;
  if (!db_) return fail(kFileNotOpen);
  stopWalk();
  std::int64_t exists = 0;
  const std::string probe = "SELECT count(*) FROM sqlite_master WHERE name = '" + parkTable() + "'";
  if (const int code = pragmaValue(probe.c_str(), &exists)) return fail(code);
  if (!exists) return done();
  const std::string sql = "SELECT count(*) FROM " + sqlName(parkTable());
  return fail(pragmaValue(sql.c_str(), count));
}

int DataFile::unpark() {
  std::int64_t n = 0;
  if (parkedCount(&n) || !n) return error_;
  if (failed_) return fail(failed_);
  noteEverything();
  const std::string sql = "BEGIN IMMEDIATE; INSERT INTO " + sqlName(record_.table) + " (" + dataColumns() +
                          ") SELECT " + dataColumns() + " FROM " + sqlName(parkTable()) + "; DELETE FROM " +
                          sqlName(parkTable()) + "; COMMIT";
  if (const int code = exec(sql.c_str())) {
    exec("ROLLBACK");
    return fail(code);
  }
  return done();
}

int DataFile::dropParked() {
  std::int64_t n = 0;
  if (parkedCount(&n) || !n) return error_;
  if (failed_) return fail(failed_);
  return fail(exec(("DELETE FROM " + sqlName(parkTable())).c_str()));
}

}  // namespace rt::isam

namespace rt::isam {

void DataFile::noteChange(std::int64_t row) {
  // A long history is not worth keeping: past this many changes a reader reads afresh anyway.
  constexpr std::size_t kKept = 4096;
  if (changes_.size() == kKept) {
    knownSince_ = changes_[kKept / 2 - 1].first;
    changes_.erase(changes_.begin(), changes_.begin() + kKept / 2);
  }
  changes_.emplace_back(++revision_, row);
}

void DataFile::noteEverything() {
  changes_.clear();
  knownSince_ = ++revision_;
}

bool DataFile::changedRows(std::uint64_t since, std::vector<std::int64_t>* rows) const {
  rows->clear();
  if (since < knownSince_ || since > revision_) return false;
  for (const auto& [rev, row] : changes_)
    if (rev > since) rows->push_back(row);
  return true;
}

int DataFile::getRow(std::int64_t row) {
  if (!db_) return fail(kFileNotOpen);
  if (!getRow_) {
    const std::string sql = selectList(keys_[0]) + " WHERE " + sqlName(kRowColumn) + " = ?";
    if (const int code = prepare(sql, &getRow_)) return fail(code);
  }
  sqlite3_bind_int64(getRow_, 1, row);
  const int rc = sqlite3_step(getRow_);
  const bool read = rc == SQLITE_ROW && readRecord(getRow_);
  if (read) current_ = row;
  sqlite3_reset(getRow_);
  if (read) return done();
  if (rc == SQLITE_DONE) return fail(kRecordNotFound);
  return readFailed(rc);
}

DataFile::WalkState DataFile::saveWalk() {
  stopWalk();
  return WalkState{current_, walkKey_, static_cast<int>(start_), position_, positionRow_};
}

void DataFile::restoreWalk(const WalkState& state) {
  stopWalk();
  current_ = state.current;
  walkKey_ = state.key;
  start_ = static_cast<Start>(state.start);
  position_ = state.position;
  positionRow_ = state.row;
}

}  // namespace rt::isam

namespace rt::isam {

sqlite3* DataFile::readerConnection() const {
  if (!db_) return nullptr;
  sqlite3* db = nullptr;
  int rc = openConnection(path_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, &db);
  if (rc == SQLITE_OK && password_) {
    const std::string key = cipherKey(keyedEarlier_);
    rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    if (rc == SQLITE_OK && !keyedEarlier_)
      rc = sqlite3_exec(db, "PRAGMA cipher_page_size = 4096", nullptr, nullptr, nullptr);
  }
  // A reader goes through the table once: a small cache is enough. A writer of this process may
  // hold the file for the moment of its commit.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA cache_size = -2048", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 10000);
  return db;
}

namespace {

// Runs `work(0)` to `work(parts - 1)` on threads of their own; the calling thread waits and calls
// `waiting` every few milliseconds meanwhile.
template <typename Work>
void inParallel(int parts, const Work& work, const std::function<void()>& waiting) {
  std::mutex m;
  std::condition_variable cv;
  int running = parts;
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(parts));
  for (int p = 0; p < parts; ++p)
    threads.emplace_back([&, p] {
      work(p);
      const std::lock_guard<std::mutex> lock(m);
      --running;
      cv.notify_all();
    });
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m);
      if (!waiting) cv.wait(lock, [&] { return running == 0; });
      if (cv.wait_for(lock, std::chrono::milliseconds(5), [&] { return running == 0; })) break;
    }
    waiting();
  }
  for (auto& t : threads) t.join();
}

}  // namespace

int DataFile::readRange(Key key, const void* low, const void* high, bool descending,
                        const std::function<void(std::size_t count, int threads)>& count,
                        const std::function<void(std::size_t place, int thread, const void* record, std::int64_t row)>& take,
                        const std::function<void()>& waiting) {
  return error_ = readRangeApart(key, low, high, descending, count, take, waiting);
}

int DataFile::readRangeApart(Key key, const void* low, const void* high, bool descending,
                             const std::function<void(std::size_t count, int threads)>& count,
                             const std::function<void(std::size_t place, int thread, const void* record, std::int64_t row)>& take,
                             const std::function<void()>& waiting) const {
  if (!db_) return kFileNotOpen;
  const int k = keyIndex(key);
  if (k < 0) return kOtherError;
  const KeyPlan& kp = keys_[k];
  std::vector<Value> from, to;
  keyValueOf(k, static_cast<const unsigned char*>(low), &from);
  keyValueOf(k, static_cast<const unsigned char*>(high), &to);
  std::string params;
  for (std::size_t i = 0; i < kp.columns.size(); ++i) params += i ? ", ?" : "?";
  std::vector<std::string> withRow = kp.columns;
  withRow.push_back(kRowColumn);
  const std::string values = "(" + joined(kp.columns) + ")";
  const std::string table = sqlName(record_.table);
  // A stretch of the first column's values is sought by that column; the whole range's bounds then
  // only filter (their columns marked with + so that the index is not sought by them).
  const auto keysSql = [&](bool stretch) {
    std::string v = values;
    if (stretch) {
      v = "(";
      for (const auto& c : kp.columns) v += (v.size() > 1 ? ", +" : "+") + sqlName(c);
      v += ")";
    }
    const std::string first = sqlName(kp.columns[0]);
    return "SELECT " + sqlName(kRowColumn) + " FROM " + table + " INDEXED BY " +
           sqlName(std::string(record_.table) + "_" + record_.keys[k].name) + " WHERE " + v + " >= (" + params +
           ") AND " + v + " <= (" + params + ")" +
           (stretch ? " AND " + first + " >= ? AND " + first + " <= ?" : std::string()) + " ORDER BY " +
           joined(withRow, descending ? " DESC" : "");
  };
  const std::string rowsSql = selectList(kp) + " NOT INDEXED WHERE " + sqlName(kRowColumn) + " >= ? AND " +
                              sqlName(kRowColumn) + " <= ?";
  const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));

  // A connection for each thread, opened by the first phase and kept for the second.
  std::vector<sqlite3*> connections(static_cast<std::size_t>(threads), nullptr);
  const auto connection = [&](int t) {
    sqlite3*& db = connections[static_cast<std::size_t>(t)];
    if (!db) db = readerConnection();
    return db;
  };
  struct Closer {
    std::vector<sqlite3*>& all;
    ~Closer() {
      for (sqlite3* db : all) sqlite3_close(db);
    }
  } closer{connections};
  // First the order: the rows of the range by the key's index alone. A first column that is a
  // number is cut into stretches of its values whose index entries are read at the same time; each
  // stretch's (row, place) pairs are sorted by row on its thread, then merged.
  std::vector<std::pair<std::int64_t, std::int64_t>> cuts{{0, 0}};
  bool stretches = false;
  if (from[0].type == SQLITE_INTEGER && to[0].type == SQLITE_INTEGER && to[0].i > from[0].i) {
    const std::int64_t lo = from[0].i, width = to[0].i - lo + 1;
    const int n = static_cast<int>(std::min<std::int64_t>(threads, width));
    stretches = n > 1;
    cuts.clear();
    for (int c = 0; c < n; ++c) cuts.emplace_back(lo + width * c / n, lo + width * (c + 1) / n - 1);
    if (descending) std::reverse(cuts.begin(), cuts.end());
  }
  std::vector<std::vector<std::pair<std::int64_t, std::uint32_t>>> found(cuts.size());
  std::atomic<int> failure{SQLITE_OK};
  inParallel(
      static_cast<int>(cuts.size()),
      [&](int c) {
        auto& rows = found[static_cast<std::size_t>(c)];
        sqlite3* db = connection(c);
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = keysSql(stretches);
        int rc = db ? sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) : SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
          const int next = bindValues(stmt, to, bindValues(stmt, from, 1));
          if (stretches) {
            sqlite3_bind_int64(stmt, next, cuts[static_cast<std::size_t>(c)].first);
            sqlite3_bind_int64(stmt, next + 1, cuts[static_cast<std::size_t>(c)].second);
          }
          std::uint32_t place = 0;
          while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) rows.emplace_back(sqlite3_column_int64(stmt, 0), place++);
          if (rc == SQLITE_DONE) rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        std::sort(rows.begin(), rows.end());
        if (rc != SQLITE_OK) {
          int none = SQLITE_OK;
          failure.compare_exchange_strong(none, rc);
        }
      },
      waiting);
  if (failure != SQLITE_OK) return sqlError(failure);
  // Each stretch's places follow those of the stretches before it in key order.
  std::size_t total = 0;
  std::vector<std::uint32_t> before;
  for (const auto& f : found) {
    before.push_back(static_cast<std::uint32_t>(total));
    total += f.size();
  }
  // Then the records, in stored order, in stretches of rows of about equal numbers of records; each
  // reader merges the sorted (row, place) lists of its rows as it goes.
  const int parts = static_cast<int>(std::clamp<std::size_t>(total / 8192, 1, threads));
  if (count) count(total, parts);
  if (total == 0) return kNoError;
  const auto below = [&](std::int64_t row) {  // the records of the range stored before `row`
    std::size_t n = 0;
    for (const auto& f : found)
      n += static_cast<std::size_t>(std::lower_bound(f.begin(), f.end(), std::make_pair(row, 0u)) - f.begin());
    return n;
  };
  std::int64_t lowest = INT64_MAX, highest = INT64_MIN;
  for (const auto& f : found)
    if (!f.empty()) {
      lowest = std::min(lowest, f.front().first);
      highest = std::max(highest, f.back().first);
    }
  std::vector<std::int64_t> bounds{lowest};  // part p reads the rows from bounds[p] to bounds[p + 1] - 1
  for (int p = 1; p < parts; ++p) {
    const std::size_t wanted = total * static_cast<std::size_t>(p) / static_cast<std::size_t>(parts);
    std::int64_t lo = bounds.back(), hi = highest;  // the first row with `wanted` records before it
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (below(mid) < wanted) lo = mid + 1;
      else hi = mid;
    }
    bounds.push_back(lo);
  }
  bounds.push_back(highest + 1);
  std::atomic<bool> stop{false};
  inParallel(
      parts,
      [&](int part) {
        const std::int64_t firstRow = bounds[static_cast<std::size_t>(part)];
        const std::int64_t endRow = bounds[static_cast<std::size_t>(part) + 1];
        if (firstRow >= endRow) return;
        // The heads of the stretches' lists within this part's rows.
        struct Head {
          const std::pair<std::int64_t, std::uint32_t>* at;
          const std::pair<std::int64_t, std::uint32_t>* end;
          std::uint32_t before;
        };
        std::vector<Head> heads;
        for (std::size_t c = 0; c < found.size(); ++c) {
          const auto& f = found[c];
          const auto at = std::lower_bound(f.begin(), f.end(), std::make_pair(firstRow, 0u));
          const auto end = std::lower_bound(at, f.end(), std::make_pair(endRow, 0u));
          if (at != end) heads.push_back({&*at, &*at + (end - at), before[c]});
        }
        std::vector<unsigned char> buffer(record_.size);
        sqlite3* db = connection(part);
        sqlite3_stmt* stmt = nullptr;
        int rc = db ? sqlite3_prepare_v2(db, rowsSql.c_str(), -1, &stmt, nullptr) : SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
          sqlite3_bind_int64(stmt, 1, firstRow);
          sqlite3_bind_int64(stmt, 2, endRow - 1);
          while (!stop && !heads.empty() && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const std::int64_t row = sqlite3_column_int64(stmt, 0);
            std::erase_if(heads, [row](Head& head) {
              while (head.at != head.end && head.at->first < row) ++head.at;  // gone meanwhile
              return head.at == head.end;
            });
            Head* in = nullptr;
            for (Head& head : heads)
              if (head.at->first == row) in = &head;
            if (!in) continue;  // not in the range
            if (!readRecordInto(stmt, buffer.data())) {
              rc = SQLITE_CORRUPT;
              break;
            }
            take(in->before + in->at->second, part, buffer.data(), row);
            ++in->at;
          }
          if (rc == SQLITE_DONE || rc == SQLITE_ROW) rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_OK) {
          int none = SQLITE_OK;
          failure.compare_exchange_strong(none, rc);
          stop = true;
        }
      },
      waiting);
  if (failure != SQLITE_OK) return sqlError(failure);
  return kNoError;
}

}  // namespace rt::isam
