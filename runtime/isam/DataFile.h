#pragma once
// An indexed data file over one record buffer, stored as one SQLCipher database (plain SQLite when
// the file has no password): one table with a typed column per field element, one index per key.
//
// Every operation leaves an error code (Errors.h) that error() returns until the next operation;
// nothing throws. Key order: texts as their blank-padded fields by rt::Collation (upper-cased for
// keys that ignore case), dates chronologically, numbers numerically; records with equal key values
// come in the order they were added.
// The sort form of a text is stored with the record, so the collation must be set before a file
// with text keys is opened. The file notes the collation its sort forms were made under; Open makes
// them again when that differs (a file of an earlier layout, or another collation).
//
// Walks: Set or Set to value fixes the key and the start; Next and Previous then read on from the
// record the walk read last, so records added, rewritten or deleted during a walk (the one just
// read included) never make it skip or repeat others. Get reads by value without moving the walk,
// so a Get and a Put may run in the middle of a walk on another key. Put and Delete act on the
// record read last by Get, Next or Previous.
//
// Every Add, Put and Delete is one durable transaction (rollback journal, full sync): after a crash
// the file holds the record or not, never a part of it. Begin and Commit make the writes between
// them one such transaction.
//
// Stored form: 4 KiB pages, a page cache of 32 MiB, byte arrays without their trailing zeros (a
// zero-filled reserve takes no room) and texts without their trailing blanks. A keyed file takes
// its cipher key straight from the password (no key stretching: the password is compiled into the
// program, so stretching would only slow every start). A keyed file of the earlier form (1 KiB
// pages, a stretched key) is converted once when it is opened: the new file is built completely
// beside it and then takes its place in one step, so that a crash meanwhile leaves the old file
// as it was; where the conversion cannot be done, the file is used in its earlier form.
//
// Changes: every write made through this object advances its revision and notes the row it
// touched, so that a copy of some records kept elsewhere can catch up by reading only those rows.
//
// A failure of the file itself (a damaged page, a record that cannot be read, an I/O error) is
// never taken for the end of a walk: Next and Previous give 33 only at the real end. The first such
// failure is reported to the failure handler once; from then on, and after reopening the same file,
// every write is refused with that code for the life of this object. A file without a password
// (no page authentication) is also checked as a whole when it is opened.

#include "platform/FileLock.h"
#include "runtime/isam/Errors.h"
#include "runtime/isam/Record.h"
#include "runtime/text/String.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace rt::isam {

// Open modes; every file is opened for reading and writing. The share mode is what other processes
// may do meanwhile.
enum class AccessMode {
  ReadWriteDenyWrite,  // others cannot open it (they would write)
  ReadWriteDenyNone,   // others may open it in this mode too
  ReadWriteDenyAll,    // exclusive
};

class DataFile {
 public:
  // `buffer` is the record buffer described by `record`; `name` holds the file's path and is read
  // at each Open and Create; `password` (nullptr for none) keys and encrypts the file.
  DataFile(const Record& record, void* buffer, const rt::String<200>& name,
           const char* password = nullptr);
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  int open(AccessMode mode);
  // Makes a new empty file (replacing one that no other holder has open); does not open it.
  int create();
  int close();
  // Texts blank, numbers and dates zero, byte arrays zero.
  int clear();

  // The first record in key order whose key value equals the buffer's.
  int get(Key key);
  // Before the first record in the key's order.
  int set(Key key);
  // At the buffer's key value: Next reads the first record >= it, Previous the last <= it.
  int setToValue(Key key);
  int next();
  int previous();

  int add();
  int put();     // rewrites the record read last
  int remove();  // deletes the record read last

  // The writes up to Commit are one transaction: after a crash the file holds all or none of
  // them. Close without Commit, or Rollback, leaves none of them.
  int begin();
  int commit();
  int rollback();

  // Parking: a record taken out of the walks and keys for a while (a booking being edited) stays in
  // the file, in a table of its own, until it is put back or dropped, so that a crash meanwhile
  // never loses it. Park moves the record read last there in one transaction.
  int park();
  int parkedCount(std::int64_t* count);
  // Puts every parked record back (one transaction; a unique key taken meanwhile gives 40 and
  // changes nothing).
  int unpark();
  int dropParked();

  // The revision advances with every write made through this object and with every Open, Create
  // and Close. changedRows gives the rows touched since revision `since` (added, rewritten,
  // deleted, parked; also by writes that failed or were rolled back), or false when they are not
  // known any more: the caller then reads afresh. Writes through connection() are not noted.
  std::uint64_t revision() const { return revision_; }
  bool changedRows(std::uint64_t since, std::vector<std::int64_t>* rows) const;
  // The row of the record read last (0 for none), and reading a record by its row (35 if none).
  std::int64_t currentRow() const { return current_; }
  int getRow(std::int64_t row);

  // Where the walk stands and which record was read last. A walk that lets other code use the
  // file meanwhile (a long walk that yields) saves its state before and restores it after; the
  // walk then reads on exactly as if nothing had happened in between.
  struct Value {
    int type = 0;  // SQLITE_INTEGER, SQLITE_FLOAT or SQLITE_BLOB
    std::int64_t i = 0;
    double d = 0;
    std::string b;
  };
  struct WalkState {
    std::int64_t current = 0;
    int key = -1;
    int start = 0;
    std::vector<Value> position;
    std::int64_t row = 0;
  };
  WalkState saveWalk();
  void restoreWalk(const WalkState& state);

  // Reads every record whose key value lies from `low` to `high` (two record buffers holding the
  // key's values; both included) for a copy kept elsewhere. The key's index gives their order
  // (descending when asked); then the table is read in stored order, in stretches that run in
  // parallel, each on a connection of its own, so that every page is read once and in sequence.
  // `count` is called first with the number of records found and the number of reading threads;
  // `take` then gets each of them with its place in key order (0 to count - 1), the reading thread
  // (0 to threads - 1), its row and a record buffer of its own, on that thread, while the other
  // threads take other places. A record deleted meanwhile leaves
  // its place untaken; one added or changed meanwhile may be missed or come at its earlier place:
  // the caller catches up through changedRows from the revision before the call. `waiting` is
  // called on the calling thread every few milliseconds until the reading is done; it may use
  // this file. Gives 0 or the code of the failed read, which is neither remembered nor reported
  // (a walk over the same records meets and reports it).
  int readRange(Key key, const void* low, const void* high, bool descending,
                const std::function<void(std::size_t count, int threads)>& count,
                const std::function<void(std::size_t place, int thread, const void* record, std::int64_t row)>& take,
                const std::function<void()>& waiting);
  // The same read, leaving the file's state (its error code, walk and buffer) alone, so that it may
  // run on another thread while this one uses the file; not while the file is opened or closed.
  int readRangeApart(Key key, const void* low, const void* high, bool descending,
                     const std::function<void(std::size_t count, int threads)>& count,
                     const std::function<void(std::size_t place, int thread, const void* record, std::int64_t row)>& take,
                     const std::function<void()>& waiting) const;
  // A new read-only connection to the open file (nullptr when it cannot be made); the caller
  // closes it. For reading in parallel and for measurements.
  sqlite3* readerConnection() const;

  // Tests: files made from now on are of the earlier keyed form, and are not converted on Open.
  static void useEarlierFormForTesting(bool on) { earlierForm_ = on; }

  int error() const { return error_; }
  // The code of the failure that made this file refuse writes; 0 while it is sound.
  int failure() const { return failed_; }
  // Called once, with the code, when the file first fails.
  void setFailureHandler(std::function<void(int code)> handler) { onFailure_ = std::move(handler); }
  // Tests: the next Add, Put or Delete fails with `code` and changes nothing, as a full disk would.
  void failNextWrite(int code) { failNext_ = code; }
  bool isOpen() const { return db_ != nullptr; }
  // The open database connection, for consistency checks and measurements.
  sqlite3* connection() const { return db_; }

 private:
  enum class Start { None, First, AtValue, AfterRecord };
  enum Query { kGet, kFirst, kFromValue, kToValue, kAfter, kBefore, kQueries };
  struct Column {
    std::string name;
    int field;
    int element;
  };
  struct SortColumn {
    std::string name;
    int field;
    bool upper;
  };
  struct KeyPlan {
    std::vector<std::string> columns;  // component columns (sort columns for texts)
    std::vector<int> fields;
    std::vector<int> sortColumns;  // per component: index into sorts_, or -1
    sqlite3_stmt* queries[kQueries] = {};
  };

  void plan();
  std::string tableSql() const;
  std::string parkTable() const;
  std::string parkSql() const;
  std::string dataColumns() const;
  std::vector<std::string> indexSql() const;
  std::string selectList(const KeyPlan& key) const;
  std::string nativePath() const;

  int connect(const std::string& path, bool earlier);
  void disconnect();
  std::string cipherKey(bool earlier) const;
  int convert(const std::string& path);
  void noteChange(std::int64_t row);
  void noteEverything();
  int fail(int code) { return error_ = code; }
  int fileFailed(int code);  // a failure of the file itself: remembered and reported once
  int readFailed(int rc);
  int pragmaValue(const char* sql, std::int64_t* out);
  int checkWhole();
  int refreshSortForms();
  int exec(const char* sql);
  int transaction(const char* sql);
  int done() { return error_ = kNoError; }
  int sqlError(int rc) const;
  int keyIndex(Key key) const;
  int verifySchema();
  int prepare(const std::string& sql, sqlite3_stmt** stmt);
  sqlite3_stmt* query(int key, Query q);
  void finalizeAll();
  void stopWalk();

  void bindRecord(sqlite3_stmt* stmt) const;
  bool readRecord(sqlite3_stmt* stmt);
  bool readRecordInto(sqlite3_stmt* stmt, unsigned char* buffer) const;
  void keyValueOf(int key, const unsigned char* buffer, std::vector<Value>* out) const;
  void keyValueOfBuffer(int key, std::vector<Value>* out) const;
  int bindValues(sqlite3_stmt* stmt, const std::vector<Value>& values, int first) const;
  int step(bool forward);
  int write(sqlite3_stmt* stmt);
  int failNext_ = 0;

  const Record& record_;
  unsigned char* buffer_;
  const rt::String<200>& name_;
  const char* password_;

  bool planned_ = false;
  int planError_ = kNoError;
  std::vector<Column> columns_;
  std::vector<SortColumn> sorts_;
  std::vector<KeyPlan> keys_;

  sqlite3* db_ = nullptr;
  std::string path_;      // of the open file
  bool keyedEarlier_ = false;  // the open file is of the earlier keyed form
  platform::FileLock lock_;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* delete_ = nullptr;
  sqlite3_stmt* getRow_ = nullptr;

  int error_ = kNoError;
  int failed_ = kNoError;
  std::string failedPath_;
  std::function<void(int)> onFailure_;
  std::int64_t current_ = 0;  // row of the record read last; 0 for none

  // The walk: its key, where it stands, and the statement that is stepping along it.
  int walkKey_ = -1;
  Start start_ = Start::None;
  std::vector<Value> position_;  // key value of the start or of the record read last
  std::int64_t positionRow_ = 0;
  sqlite3_stmt* stepping_ = nullptr;
  bool steppingForward_ = true;

  std::uint64_t revision_ = 1;
  std::uint64_t knownSince_ = 1;  // changes_ holds every change after this revision
  std::vector<std::pair<std::uint64_t, std::int64_t>> changes_;
  std::vector<bool> trimmed_;  // per field: a byte array stored without its trailing zeros
  bool converting_ = false;
  inline static bool earlierForm_ = false;
};

}  // namespace rt::isam
