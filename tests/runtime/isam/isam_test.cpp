// The data file layer over a record of its own: error codes, refused files, walks under writes,
// key order against the collation, and a crash in the middle of adding.

#include "runtime/isam/DataFile.h"
#include "runtime/text/Cents.h"
#include "runtime/text/Collation.h"
#include "runtime/text/Date.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <random>
#include <string>
#include <vector>

using namespace rt::isam;
using testing_support::TempFolder;

namespace {

#pragma pack(push, 1)
struct Probe {
  std::int32_t NR;
  rt::String<12> CODE;
  rt::DATE DAY;
  double AMOUNT;
  rt::String<10> LINE[2];
  std::uint8_t FLAGS[3];
};
#pragma pack(pop)

Probe P;

const Record kProbe{"PROBE",
                    sizeof(Probe),
                    {{"NR", FieldType::Long, offsetof(Probe, NR), 4},
                     {"CODE", FieldType::String, offsetof(Probe, CODE), 12},
                     {"DAY", FieldType::Date, offsetof(Probe, DAY), 4},
                     {"AMOUNT", FieldType::Real, offsetof(Probe, AMOUNT), 8},
                     {"LINE", FieldType::String, offsetof(Probe, LINE), 10, 2},
                     {"FLAGS", FieldType::Bytes, offsetof(Probe, FLAGS), 3}},
                    {{"KEYNR", {"NR"}, true, false},
                     {"KEYCODE", {"CODE"}, false, true},
                     {"KEYDAY", {"DAY", "NR"}, false, false}}};
constexpr Key kByNr{&kProbe, 0};
constexpr Key kByCode{&kProbe, 1};
constexpr Key kByDay{&kProbe, 2};

constexpr const char* kPassword = "probe-password16";

// A record whose every field follows from its number, so that a part-written one would show.
void fillProbe(int nr) {
  P.NR = nr;
  P.CODE = "C" + std::to_string(nr);
  P.DAY = rt::dateOf(40000 + nr % 7);
  P.AMOUNT = nr * 1.25;
  P.LINE[0] = "L" + std::to_string(nr);
  P.LINE[1] = "ä" + std::to_string(nr % 100);
  P.FLAGS[0] = static_cast<std::uint8_t>(nr);
  P.FLAGS[1] = 0xFF;
  P.FLAGS[2] = static_cast<std::uint8_t>(nr >> 8);
}

bool isProbe(int nr) {
  const Probe seen = P;
  fillProbe(nr);
  const bool same = std::memcmp(&seen, &P, sizeof P) == 0;
  P = seen;
  return same;
}

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

std::string integrity(sqlite3* db) {
  std::string result;
  sqlite3_exec(
      db, "PRAGMA integrity_check",
      [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) += values[0] ? values[0] : "";
        return 0;
      },
      &result, nullptr);
  return result;
}

struct ProbeFileTest : ::testing::Test {
  TempFolder folder;
  rt::String<200> name = folder.file("probe.dat");
  DataFile file{kProbe, &P, name};

  void SetUp() override {
    ASSERT_EQ(file.create(), kNoError);
    ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  }
  void TearDown() override { rt::Collation::reset(); }

  void add(int nr, const char* code, rt::Day day) {
    file.clear();
    P.NR = nr;
    P.CODE = code;
    P.DAY = rt::dateOf(day);
    ASSERT_EQ(file.add(), kNoError) << nr;
  }
  std::vector<int> walk(Key key) {
    std::vector<int> nrs;
    file.set(key);
    while (file.next() == kNoError) nrs.push_back(P.NR);
    EXPECT_EQ(file.error(), kRecordNotAvailable);
    return nrs;
  }
};

TEST_F(ProbeFileTest, OperationsReportTheirCodes) {
  EXPECT_EQ(file.get(kByNr), kRecordNotFound);
  EXPECT_EQ(file.set(kByDay), kNoError);
  EXPECT_EQ(file.next(), kRecordNotAvailable);
  EXPECT_EQ(file.previous(), kRecordNotAvailable);
  EXPECT_EQ(file.put(), kRecordNotAvailable);  // nothing read yet
  EXPECT_EQ(file.remove(), kRecordNotAvailable);
  fillProbe(1);
  ASSERT_EQ(file.add(), kNoError);
  EXPECT_EQ(file.add(), kDuplicateKey);
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.remove(), kNoError);
  EXPECT_EQ(file.put(), kRecordNotAvailable);  // the record read last is gone
  EXPECT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kOtherError);  // already open
  ASSERT_EQ(file.close(), kNoError);

  const std::vector<std::pair<const char*, std::function<int()>>> closed = {
      {"get", [&] { return file.get(kByNr); }},
      {"set", [&] { return file.set(kByNr); }},
      {"setToValue", [&] { return file.setToValue(kByNr); }},
      {"next", [&] { return file.next(); }},
      {"previous", [&] { return file.previous(); }},
      {"add", [&] { return file.add(); }},
      {"put", [&] { return file.put(); }},
      {"remove", [&] { return file.remove(); }}};
  for (const auto& [op, run] : closed) {
    EXPECT_EQ(run(), kFileNotOpen) << op;
    EXPECT_EQ(file.error(), kFileNotOpen) << op;
  }

  // A key of another record is refused, not taken for one of this record's keys.
  const Record other{"OTHER", sizeof(Probe), kProbe.fields, kProbe.keys};
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(file.get(Key{&other, 0}), kOtherError);
}

TEST(DataFileTest, MissingFilesAndFolders) {
  TempFolder folder;
  writeBytes(folder.file("plain"), "x");
  struct Case {
    QString path;
    int open, create;
  } cases[] = {{folder.file("missing.dat"), kFileNotFound, kNoError},
               {folder.file("nofolder/x.dat"), kPathNotFound, kPathNotFound},
               {folder.file("plain/x.dat"), kPathNotFound, kPathNotFound}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    rt::String<200> name = c.path;
    DataFile file(kProbe, &P, name);
    EXPECT_EQ(file.open(AccessMode::ReadWriteDenyWrite), c.open);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.create(), c.create);
    EXPECT_FALSE(file.isOpen());  // Create does not open
  }
}

TEST(DataFileTest, CreateReplacesAFileUnlessAnotherHolderHasItOpen) {
  TempFolder folder;
  rt::String<200> name = folder.file("p.dat");
  DataFile file(kProbe, &P, name), holder(kProbe, &P, name);
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(holder.open(AccessMode::ReadWriteDenyNone), kNoError);
  fillProbe(7);
  ASSERT_EQ(holder.add(), kNoError);

  EXPECT_EQ(file.create(), kAccessDenied);
  holder.clear();
  P.NR = 7;
  EXPECT_EQ(holder.get(kByNr), kNoError);
  ASSERT_EQ(holder.close(), kNoError);

  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(file.get(kByNr), kRecordNotFound);
  file.close();
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"p.dat"});
}

// Files that are not a whole data file of this record are refused at Open and left untouched.
TEST(DataFileTest, RefusesFilesThatAreNotItsOwnAndLeavesThemAsTheyWere) {
  TempFolder folder;
  rt::String<200> name = folder.file("real.dat");
  DataFile plain(kProbe, &P, name), keyed(kProbe, &P, name, kPassword);
  auto realFile = [&](DataFile& f) {
    EXPECT_EQ(f.create(), kNoError);
    EXPECT_EQ(f.open(AccessMode::ReadWriteDenyWrite), kNoError);
    for (int nr = 1; nr <= 300; ++nr) {
      fillProbe(nr);
      f.add();
    }
    f.close();
    return bytesOf(folder.file("real.dat"));
  };
  const QByteArray plainBytes = realFile(plain);
  const QByteArray keyedBytes = realFile(keyed);
  ASSERT_GT(plainBytes.size(), 8192);

  QByteArray noise(8192, '\0');
  std::mt19937 rng(7);
  for (char& c : noise) c = static_cast<char>(rng());
  QByteArray otherTable;
  {
    sqlite3* db = nullptr;
    sqlite3_open(folder.file("other.dat").toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE T(A INTEGER); INSERT INTO T VALUES(1)", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    otherTable = bytesOf(folder.file("other.dat"));
  }

  struct Case {
    const char* what;
    QByteArray bytes;
    const char* password;
  } cases[] = {
      {"random bytes", noise, nullptr},
      {"random bytes, with a key", noise, kPassword},
      {"zero bytes", QByteArray(), nullptr},
      {"zero bytes, with a key", QByteArray(), kPassword},
      {"half of a file", plainBytes.left(plainBytes.size() / 2), nullptr},
      {"a file without its last bytes", plainBytes.left(plainBytes.size() - 100), nullptr},
      {"half of an encrypted file", keyedBytes.left(keyedBytes.size() / 2), kPassword},
      {"a database of another record", otherTable, nullptr},
      {"an encrypted file without its key", keyedBytes, nullptr},
      {"an encrypted file with another key", keyedBytes, "another-password"},
      {"a plain file opened with a key", plainBytes, kPassword},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = folder.file("bad.dat");
    writeBytes(path, c.bytes);
    rt::String<200> badName = path;
    DataFile file(kProbe, &P, badName, c.password);
    EXPECT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kInvalidDataFile);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.add(), kFileNotOpen);
    EXPECT_EQ(bytesOf(path), c.bytes);
    EXPECT_FALSE(QFile::exists(path + "-journal"));
  }
}

// A walk that rewrites, deletes and adds records as it goes still reads every record of its
// order once, and reads records added ahead of it but not those added behind it.
TEST_F(ProbeFileTest, WritesDuringAWalkNeitherSkipNorRepeatRecords) {
  std::vector<int> days = {5, 3, 5, 1, 9, 3, 5, 7, 1, 9, 2, 8, 5, 5, 4};
  for (int i = 0; i < static_cast<int>(days.size()); ++i) add(100 + i, "X", 1000 + days[i]);
  std::vector<std::pair<int, int>> expected;  // (day, nr)
  for (int i = 0; i < static_cast<int>(days.size()); ++i) expected.push_back({days[i], 100 + i});
  std::sort(expected.begin(), expected.end());

  std::vector<std::pair<int, int>> seen;
  int added = 0;
  P.NR = 0;
  P.DAY = rt::dateOf(0);
  file.setToValue(kByDay);
  while (file.next() == kNoError) {
    const int day = rt::dayNumber(P.DAY) - 1000, nr = P.NR;
    seen.push_back({day, nr});
    ASSERT_LT(seen.size(), 100u) << "the walk repeats records";
    if (nr >= 500) continue;  // one added ahead
    switch (nr % 3) {
      case 0: ASSERT_EQ(file.remove(), kNoError); break;
      case 1:
        P.AMOUNT = -nr;
        ASSERT_EQ(file.put(), kNoError);
        break;
      default: {
        // A Get and a Put on another key of another record, in the middle of the walk.
        P.NR = 100;
        if (file.get(kByNr) == kNoError) {
          P.AMOUNT += 1;
          ASSERT_EQ(file.put(), kNoError);
        }
        add(300 + added, "B", 1000 + day - 1);  // behind the walk
        add(500 + added, "A", 1000 + day);      // same day, higher number: ahead
        expected.push_back({day, 500 + added});
        ++added;
      }
    }
  }
  EXPECT_EQ(file.error(), kRecordNotAvailable);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(seen, expected);
}

TEST_F(ProbeFileTest, AWalkThatDeletesEveryRecordItReadsReadsEachOnce) {
  std::vector<int> nrs(60);
  for (int i = 0; i < 60; ++i) nrs[i] = i + 1;
  std::shuffle(nrs.begin(), nrs.end(), std::mt19937(3));
  for (int nr : nrs) add(nr, nr % 2 ? "odd" : "even", 2000 + nr % 4);
  for (Key key : {kByCode, kByDay}) {
    SCOPED_TRACE(key.index);
    const std::vector<int> order = walk(key);
    ASSERT_EQ(order.size(), 60u);
    if (key.index == kByDay.index) {
      // Back again: a Previous walk from the end deletes them in the opposite order.
      std::vector<int> seen;
      P.DAY = rt::dateOf(rt::kLatestDay);
      P.NR = INT32_MAX;
      file.setToValue(key);
      while (file.previous() == kNoError) {
        seen.push_back(P.NR);
        ASSERT_EQ(file.remove(), kNoError);
      }
      EXPECT_EQ(seen, std::vector<int>(order.rbegin(), order.rend()));
    } else {
      std::vector<int> seen;
      file.set(key);
      while (file.next() == kNoError) {
        seen.push_back(P.NR);
        ASSERT_EQ(file.remove(), kNoError);
      }
      EXPECT_EQ(seen, order);
      for (int nr : nrs) add(nr, nr % 2 ? "odd" : "even", 2000 + nr % 4);
    }
  }
  EXPECT_TRUE(walk(kByNr).empty());
}

// Texts in key order are exactly rt::Collation::compare on the upper-cased texts, equal ones in
// the order they were added; Set to value finds the first >= and the last <= a value.
TEST_F(ProbeFileTest, TextKeyOrderIsTheCollationsOrder) {
  ASSERT_TRUE(rt::Collation::set(rt::kGermanOrder, rt::kGermanCasePairs));
  const std::string letters = rt::utf8ToCp1252("aAäÄoOöÖuUüÜbzZß 1-");
  std::mt19937 rng(11);
  std::vector<std::string> codes;
  for (int i = 0; i < 300; ++i) {
    std::string s(rng() % 6, ' ');
    for (char& c : s) c = letters[rng() % letters.size()];
    if (rng() % 4 == 0) s += "  ";
    codes.push_back(s);
    file.clear();
    P.NR = i;
    P.CODE.assignBytes(s);
    ASSERT_EQ(file.add(), kNoError);
  }
  std::vector<int> expected(codes.size());
  for (int i = 0; i < static_cast<int>(codes.size()); ++i) expected[i] = i;
  auto less = [&](int a, int b) { return rt::Collation::compare(codes[a], codes[b], true) < 0; };
  std::stable_sort(expected.begin(), expected.end(), less);
  EXPECT_EQ(walk(kByCode), expected);

  for (int probe = 0; probe < 40; ++probe) {
    const std::string value = codes[rng() % codes.size()] + (probe % 2 ? "a" : "");
    SCOPED_TRACE(rt::fromCp1252(value).toStdString());
    auto cmp = [&](int i) { return rt::Collation::compare(codes[i], value, true); };
    const auto first =
        std::find_if(expected.begin(), expected.end(), [&](int i) { return cmp(i) >= 0; });
    const auto last =
        std::find_if(expected.rbegin(), expected.rend(), [&](int i) { return cmp(i) <= 0; });

    P.CODE.assignBytes(value);
    file.setToValue(kByCode);
    if (first == expected.end()) {
      EXPECT_EQ(file.next(), kRecordNotAvailable);
    } else {
      ASSERT_EQ(file.next(), kNoError);
      EXPECT_EQ(P.NR, *first);
      // Turning round reads the record before the one read last.
      if (first != expected.begin() && file.next() == kNoError) {
        ASSERT_EQ(file.previous(), kNoError);
        EXPECT_EQ(P.NR, *first);
      }
    }
    P.CODE.assignBytes(value);
    file.setToValue(kByCode);
    if (last == expected.rend()) {
      EXPECT_EQ(file.previous(), kRecordNotAvailable);
    } else {
      ASSERT_EQ(file.previous(), kNoError);
      EXPECT_EQ(P.NR, *last);
    }
    // Get finds the first of the equal ones.
    P.CODE.assignBytes(value);
    if (first != expected.end() && cmp(*first) == 0) {
      ASSERT_EQ(file.get(kByCode), kNoError);
      EXPECT_EQ(P.NR, *first);
    } else {
      EXPECT_EQ(file.get(kByCode), kRecordNotFound);
    }
  }
}

// A record that holds a value its field cannot take (an impossible date, bytes where a text
// belongs, a byte array of another length) is a failure of the file: the walk reports it instead
// of ending, stays before it, and the file refuses writes from then on. Records with an impossible
// date never reach the file.
TEST_F(ProbeFileTest, ARecordThatCannotBeReadIsAFailureOfTheFile) {
  std::vector<int> reported;
  file.setFailureHandler([&](int code) { reported.push_back(code); });
  const std::string damages[] = {
      "DAY = " + std::to_string((2024 << 16) | (13 << 8) | 1),  // month 13
      "DAY = " + std::to_string((2023 << 16) | (2 << 8) | 29),  // 29 February 2023
      "DAY = " + std::to_string(std::int64_t{1} << 40),
      "CODE = x'41'",
      "FLAGS = x'00'",
      "AMOUNT = 'viel'",
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage);
    reported.clear();
    file.close();
    ASSERT_EQ(file.create(), kNoError);  // a new file: sound again
    ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
    for (int nr = 1; nr <= 6; ++nr) {
      fillProbe(nr);
      ASSERT_EQ(file.add(), kNoError);
    }
    ASSERT_EQ(sqlite3_exec(file.connection(), ("UPDATE PROBE SET " + damage + " WHERE NR = 4").c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    std::vector<int> seen;
    file.set(kByNr);
    while (file.next() == kNoError) seen.push_back(P.NR);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(file.error(), kInvalidDataFile);
    EXPECT_EQ(file.next(), kInvalidDataFile);  // it does not pass the record
    P.NR = 4;
    EXPECT_EQ(file.get(kByNr), kInvalidDataFile);
    EXPECT_EQ(reported, std::vector<int>{kInvalidDataFile});
    EXPECT_EQ(file.failure(), kInvalidDataFile);
    fillProbe(9);
    EXPECT_EQ(file.add(), kInvalidDataFile);
    P.NR = 2;
    ASSERT_EQ(file.get(kByNr), kNoError);
    EXPECT_EQ(file.put(), kInvalidDataFile);
    EXPECT_EQ(file.remove(), kInvalidDataFile);
    // Reopening the same file does not make it writable again.
    file.close();
    ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
    fillProbe(9);
    EXPECT_EQ(file.add(), kInvalidDataFile);
    EXPECT_EQ(reported.size(), 1u);
  }

  // Another file under the same object is sound.
  reported.clear();
  file.close();
  name = folder.file("other.dat");
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(file.failure(), kNoError);
  const std::pair<int, rt::DATE> dates[] = {{kOtherError, {30, 2, 2024}}, {kOtherError, {1, 13, 2024}},
                                            {kOtherError, {31, 12, 1800}}, {kOtherError, {1, 1, 10000}},
                                            {kOtherError, {0, 0, 2024}},   {kNoError, {}},
                                            {kNoError, {29, 2, 2024}},     {kNoError, {31, 12, 9999}}};
  int nr = 0;
  for (const auto& [code, date] : dates) {
    fillProbe(++nr);
    P.DAY = date;
    EXPECT_EQ(file.add(), code) << int(date.day) << "." << int(date.month) << "." << date.year;
  }
  EXPECT_EQ(walk(kByNr), (std::vector<int>{6, 7, 8}));
  EXPECT_EQ(file.failure(), kNoError);
  EXPECT_TRUE(reported.empty());
}

// Rewrites every record of the file at args[0] to the value args[1] in one transaction; with
// args[2] = "halb" it stops after half of them, otherwise after Commit, reports that and waits
// to be killed.
int rewriteInOneTransaction(const QStringList& args) {
  rt::String<200> name = args.value(0);
  DataFile file(kProbe, &P, name);
  if (file.open(AccessMode::ReadWriteDenyWrite) || file.begin()) return file.error();
  const bool half = args.value(2) == "halb";
  for (int nr = 1; nr <= (half ? 38 : 76); ++nr) {
    P.NR = nr;
    if (file.get(kByNr)) return file.error();
    P.AMOUNT = args.value(1).toDouble();
    if (file.put()) return file.error();
  }
  if (!half && file.commit()) return file.error();
  std::printf("bereit\n");
  std::fflush(stdout);
  for (;;) QThread::sleep(1);
}
TAVIK_CHILD_MODE("isam-rewrite-in-one-transaction", rewriteInOneTransaction);

TEST(DataFileTest, AProcessKilledInATransactionLeavesTheOldOrTheNewRecordsNeverAMix) {
  TempFolder folder;
  const QString path = folder.file("tx.dat");
  rt::String<200> name = path;
  DataFile file(kProbe, &P, name);
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  ASSERT_EQ(file.begin(), kNoError);
  for (int nr = 1; nr <= 76; ++nr) {
    fillProbe(nr);
    P.AMOUNT = 1;
    ASSERT_EQ(file.add(), kNoError);
  }
  ASSERT_EQ(file.commit(), kNoError);
  // Rollback leaves none of the writes since Begin.
  ASSERT_EQ(file.begin(), kNoError);
  P.NR = 5;
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.remove(), kNoError);
  ASSERT_EQ(file.rollback(), kNoError);
  file.close();

  auto amounts = [&] {
    std::vector<double> out;
    EXPECT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
    EXPECT_EQ(integrity(file.connection()), "ok");
    file.set(kByNr);
    while (file.next() == kNoError) out.push_back(+P.AMOUNT);
    file.close();
    return out;
  };
  struct Case {
    const char* value;
    const char* stop;
    double expected;
  } cases[] = {{"2", "halb", 1}, {"3", "commit", 3}, {"4", "halb", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " " + c.stop);
    QProcess child;
    child.start(testing_support::selfPath(),
                {"--child=isam-rewrite-in-one-transaction", path, c.value, c.stop});
    ASSERT_TRUE(child.waitForStarted());
    while (!child.canReadLine() && child.state() == QProcess::Running) child.waitForReadyRead(5000);
    ASSERT_EQ(child.readLine().trimmed(), "bereit") << child.readAllStandardError().toStdString();
    child.kill();
    child.waitForFinished();
    EXPECT_EQ(amounts(), std::vector<double>(76, c.expected));
  }
}

// Adds records to the keyed file at args[0] for ever, numbering on from the highest one, and
// reports each number once it is added.
int addForEver(const QStringList& args) {
  rt::String<200> name = args.value(0);
  DataFile file(kProbe, &P, name, kPassword);
  if (file.open(AccessMode::ReadWriteDenyWrite)) return file.error();
  P.NR = INT32_MAX;
  file.setToValue(kByNr);
  int nr = file.previous() == kNoError ? P.NR : 0;
  for (;;) {
    fillProbe(++nr);
    if (file.add()) return file.error();
    std::printf("%d\n", nr);
    std::fflush(stdout);
  }
}
TAVIK_CHILD_MODE("isam-add-for-ever", addForEver);

TEST(DataFileTest, AProcessKilledWhileAddingLeavesOnlyWholeRecords) {
  TempFolder folder;
  const QString path = folder.file("kill.dat");
  rt::String<200> name = path;
  DataFile file(kProbe, &P, name, kPassword);
  ASSERT_EQ(file.create(), kNoError);
  int reported = 0;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    QProcess child;
    child.start(testing_support::selfPath(), {"--child=isam-add-for-ever", path});
    ASSERT_TRUE(child.waitForStarted());
    const int target = reported + 15 + round * 7;
    while (reported < target && child.state() == QProcess::Running) {
      child.waitForReadyRead(5000);
      while (child.canReadLine()) reported = child.readLine().trimmed().toInt();
    }
    child.kill();
    child.waitForFinished();
    ASSERT_GE(reported, target) << child.readAllStandardError().toStdString();
    while (child.canReadLine()) reported = child.readLine().trimmed().toInt();

    ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
    EXPECT_EQ(integrity(file.connection()), "ok");
    int count = 0;
    file.set(kByNr);
    while (file.next() == kNoError) {
      ++count;
      ASSERT_EQ(P.NR, count);
      ASSERT_TRUE(isProbe(count)) << count;
    }
    EXPECT_EQ(file.error(), kRecordNotAvailable);
    EXPECT_GE(count, reported);  // every reported Add is durable
    EXPECT_LE(count, reported + 1);
    reported = count;
    file.close();
  }
}

}  // namespace

TEST(DataFileTest, AParkedRecordLeavesTheWalksButNotTheFile) {
  TempFolder folder;
  rt::String<200> name = folder.file("park.dat");
  DataFile file(kProbe, &P, name, kPassword);
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  for (int nr = 1; nr <= 3; ++nr) {
    fillProbe(nr);
    ASSERT_EQ(file.add(), kNoError);
  }
  auto numbers = [&] {
    std::vector<int> out;
    file.set(kByNr);
    while (file.next() == kNoError) out.push_back(P.NR);
    return out;
  };
  std::int64_t parked = -1;
  EXPECT_EQ(file.parkedCount(&parked), kNoError);
  EXPECT_EQ(parked, 0);
  EXPECT_EQ(file.park(), kRecordNotAvailable);  // nothing read yet

  P.NR = 2;
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.park(), kNoError);
  EXPECT_EQ(numbers(), (std::vector<int>{1, 3}));
  P.CODE = "C2";
  EXPECT_EQ(file.get(kByCode), kRecordNotFound);

  // It survives closing (a crash) and comes back whole, under its keys.
  file.close();
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(file.parkedCount(&parked), kNoError);
  EXPECT_EQ(parked, 1);
  EXPECT_EQ(file.unpark(), kNoError);
  EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));
  P.CODE = "c2";
  ASSERT_EQ(file.get(kByCode), kNoError);
  EXPECT_TRUE(isProbe(2));

  // Dropped, it is gone; a unique number taken meanwhile keeps it parked.
  P.NR = 3;
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.park(), kNoError);
  ASSERT_EQ(file.dropParked(), kNoError);
  EXPECT_EQ(file.parkedCount(&parked), kNoError);
  EXPECT_EQ(parked, 0);
  EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
  P.NR = 2;
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.park(), kNoError);
  fillProbe(2);
  ASSERT_EQ(file.add(), kNoError);
  EXPECT_EQ(file.unpark(), kDuplicateKey);
  EXPECT_EQ(file.parkedCount(&parked), kNoError);
  EXPECT_EQ(parked, 1);
  EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
}

namespace {

constexpr int kEarlierRecords = 20000;

// A keyed file of the earlier form (1 KiB pages, stretched key, whole byte arrays) with
// kEarlierRecords records, one of them parked.
void makeEarlierFile(const QString& path) {
  rt::String<200> name = path;
  DataFile file(kProbe, &P, name, kPassword);
  DataFile::useEarlierFormForTesting(true);
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  ASSERT_EQ(file.begin(), kNoError);
  for (int nr = 1; nr <= kEarlierRecords; ++nr) {
    fillProbe(nr);
    ASSERT_EQ(file.add(), kNoError);
  }
  ASSERT_EQ(file.commit(), kNoError);
  P.NR = 7;
  ASSERT_EQ(file.get(kByNr), kNoError);
  ASSERT_EQ(file.park(), kNoError);
  file.close();
  DataFile::useEarlierFormForTesting(false);
}

// Every record is there and whole, the parked one parked, and the file is of the current form.
void expectWholeCurrentFile(const QString& path) {
  rt::String<200> name = path;
  DataFile file(kProbe, &P, name, kPassword);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  EXPECT_EQ(integrity(file.connection()), "ok");
  int count = 0;
  file.set(kByNr);
  while (file.next() == kNoError) {
    count += count + 1 == 7 ? 2 : 1;
    ASSERT_EQ(P.NR, count);
    ASSERT_TRUE(isProbe(count)) << count;
  }
  EXPECT_EQ(file.error(), kRecordNotAvailable);
  EXPECT_EQ(count, kEarlierRecords);
  P.CODE = "C19999";
  EXPECT_EQ(file.get(kByCode), kNoError);
  EXPECT_EQ(P.NR, 19999);
  std::int64_t parked = 0;
  EXPECT_EQ(file.parkedCount(&parked), kNoError);
  EXPECT_EQ(parked, 1);
  file.close();
  DataFile::useEarlierFormForTesting(true);  // the earlier form's key no longer opens it
  EXPECT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kInvalidDataFile);
  DataFile::useEarlierFormForTesting(false);
}

int openKeyed(const QStringList& args) {
  rt::String<200> name = args.value(0);
  DataFile file(kProbe, &P, name, kPassword);
  if (file.open(AccessMode::ReadWriteDenyWrite)) return file.error();
  std::printf("offen\n");
  std::fflush(stdout);
  for (;;) QThread::sleep(1);
}
TAVIK_CHILD_MODE("isam-open-keyed", openKeyed);

}  // namespace

TEST(DataFileTest, AFileOfTheEarlierFormIsConvertedOnceAndReadsTheSame) {
  TempFolder folder;
  const QString path = folder.file("early.dat");
  makeEarlierFile(path);
  const qint64 before = QFileInfo(path).size();
  expectWholeCurrentFile(path);
  EXPECT_LT(QFileInfo(path).size(), before);
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"early.dat"});
}

TEST(DataFileTest, AProcessKilledWhileConvertingLosesNothing) {
  TempFolder folder;
  const QString original = folder.file("original.dat");
  makeEarlierFile(original);
  const QByteArray earlier = bytesOf(original);
  const QString path = folder.file("conv.dat");
  for (int delayMs : {0, 2, 10, 40, -1}) {
    SCOPED_TRACE(delayMs);
    writeBytes(path, earlier);
    QProcess child;
    child.start(testing_support::selfPath(), {"--child=isam-open-keyed", path});
    ASSERT_TRUE(child.waitForStarted());
    if (delayMs < 0) {  // the conversion ends
      while (!child.canReadLine() && child.state() == QProcess::Running) child.waitForReadyRead(5000);
      ASSERT_EQ(child.readLine().trimmed(), "offen") << child.readAllStandardError().toStdString();
    } else {  // killed while the new file is being built
      while (QDir(folder.path()).entryList({"conv.dat.new*"}, QDir::Files).isEmpty() &&
             child.state() == QProcess::Running)
        QThread::usleep(100);
      QThread::msleep(delayMs);
    }
    child.kill();
    child.waitForFinished();
    expectWholeCurrentFile(path);
    for (const QString& left : QDir(folder.path()).entryList({"conv.dat.new*"}, QDir::Files))
      QFile::remove(folder.file(left));
  }
}

TEST_F(ProbeFileTest, AWalkThatSavesItsStateReadsOnAsIfNothingHappened) {
  for (int nr = 1; nr <= 10; ++nr) add(nr, "X", 40000 + nr);
  const std::uint64_t start = file.revision();
  P.NR = 3;
  file.setToValue(kByNr);
  ASSERT_EQ(file.next(), kNoError);
  ASSERT_EQ(P.NR, 3);
  const std::int64_t row3 = file.currentRow();
  const DataFile::WalkState saved = file.saveWalk();
  // Other code uses the file meanwhile: another walk, a Get and a Delete, an Add.
  file.set(kByDay);
  ASSERT_EQ(file.next(), kNoError);
  P.NR = 5;
  ASSERT_EQ(file.get(kByNr), kNoError);
  const std::int64_t row5 = file.currentRow();
  ASSERT_EQ(file.remove(), kNoError);
  add(11, "Y", 40000);
  file.restoreWalk(saved);
  std::vector<int> rest;
  while (file.next() == kNoError) rest.push_back(P.NR);
  EXPECT_EQ(rest, (std::vector<int>{4, 6, 7, 8, 9, 10, 11}));

  std::vector<std::int64_t> rows;
  ASSERT_TRUE(file.changedRows(start, &rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], row5);
  EXPECT_EQ(file.getRow(rows[0]), kRecordNotFound);
  EXPECT_EQ(file.getRow(rows[1]), kNoError);
  EXPECT_EQ(P.NR, 11);
  EXPECT_EQ(file.getRow(row3), kNoError);
  EXPECT_EQ(P.NR, 3);
  ASSERT_TRUE(file.changedRows(file.revision(), &rows));
  EXPECT_TRUE(rows.empty());
  file.close();
  EXPECT_FALSE(file.changedRows(start, &rows));  // reopened: read afresh
}

namespace {

#pragma pack(push, 1)
struct Money {
  std::int32_t NR;
  rt::Cents AMOUNT;
};
struct MoneyAsReal {
  std::int32_t NR;
  double AMOUNT;
};
#pragma pack(pop)

}  // namespace

// An amount field holds whole cents and keeps a REAL column: a file written with REAL amounts reads
// to the cent, and the REAL written for an amount is the nearest one, as such files always held.
TEST(DataFileTest, AnAmountFieldConvertsTheRealColumnExactly) {
  TempFolder folder;
  const rt::String<200> name = folder.file("money.dat");
  Money m{};
  MoneyAsReal r{};
  const Record inCents{"MONEY",
                       sizeof(Money),
                       {{"NR", FieldType::Long, offsetof(Money, NR), 4},
                        {"AMOUNT", FieldType::Cents, offsetof(Money, AMOUNT), 8}},
                       {{"KEYNR", {"NR"}, true, false}}};
  const Record asReal{"MONEY",
                      sizeof(MoneyAsReal),
                      {{"NR", FieldType::Long, offsetof(MoneyAsReal, NR), 4},
                       {"AMOUNT", FieldType::Real, offsetof(MoneyAsReal, AMOUNT), 8}},
                      {{"KEYNR", {"NR"}, true, false}}};
  DataFile cents(inCents, &m, name), reals(asReal, &r, name);
  struct Case {
    double real;
    std::int64_t cents;
  };
  const Case written[] = {{84.03, 8403}, {0.1 + 0.2, 30}, {-1037.445378151261, -103745}, {0.005, 1},
                          {2.675, 268},  {-0.004, 0},     {9999999.99, 999999999},       {1e-300, 0}};
  ASSERT_EQ(reals.create(), kNoError);
  ASSERT_EQ(reals.open(AccessMode::ReadWriteDenyWrite), kNoError);
  for (std::size_t i = 0; i < std::size(written); ++i) {
    r = {static_cast<std::int32_t>(i + 1), written[i].real};
    ASSERT_EQ(reals.add(), kNoError);
  }
  reals.close();

  ASSERT_EQ(cents.open(AccessMode::ReadWriteDenyWrite), kNoError);
  for (std::size_t i = 0; i < std::size(written); ++i) {
    m.NR = static_cast<std::int32_t>(i + 1);
    ASSERT_EQ(cents.get(Key{&inCents, 0}), kNoError);
    EXPECT_EQ(m.AMOUNT.cents(), written[i].cents) << written[i].real;
  }
  m = {100, rt::Cents(8403)};
  ASSERT_EQ(cents.add(), kNoError);
  m = {101, rt::Cents(-1)};
  ASSERT_EQ(cents.add(), kNoError);
  // A stored value that no amount can be is a failure of the file, never an amount.
  ASSERT_EQ(sqlite3_exec(cents.connection(), "UPDATE MONEY SET AMOUNT = 1e300 WHERE NR = 3", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  m.NR = 3;
  EXPECT_EQ(cents.get(Key{&inCents, 0}), kInvalidDataFile);
  cents.close();

  ASSERT_EQ(reals.open(AccessMode::ReadWriteDenyWrite), kNoError);
  r.NR = 100;
  ASSERT_EQ(reals.get(Key{&asReal, 0}), kNoError);
  EXPECT_EQ(+r.AMOUNT, 84.03);
  r.NR = 101;
  ASSERT_EQ(reals.get(Key{&asReal, 0}), kNoError);
  EXPECT_EQ(+r.AMOUNT, -0.01);
  reals.close();
}

// Records deleted while a range is read, after their places are known, leave their places untaken;
// every other record of the range comes once, whole, at its place.
TEST(DataFileTest, ARangeReadLeavesThePlacesOfRecordsDeletedMeanwhileUntaken) {
  TempFolder folder;
  rt::String<200> name = folder.file("range.dat");
  DataFile file{kProbe, &P, name, kPassword};
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  constexpr int kRecords = 40000;
  ASSERT_EQ(file.begin(), kNoError);
  for (int i = 0; i < kRecords; ++i) {
    fillProbe(1 + (i * 7919) % kRecords);
    ASSERT_EQ(file.add(), kNoError);
  }
  ASSERT_EQ(file.commit(), kNoError);
  Probe low{}, high{};
  low.DAY = rt::dateOf(40000);
  high.DAY = rt::dateOf(40006);
  high.NR = kRecords;
  std::vector<int> nrs;
  std::mutex m;
  bool once = true, whole = true;
  int removed = 0;
  const int code = file.readRange(
      kByDay, &low, &high, false,
      [&](std::size_t n, int) {
        nrs.assign(n, 0);
        // Every third record goes before the records are read.
        const Probe keep = P;
        if (file.begin() != kNoError) return;
        for (int nr = 3; nr <= kRecords; nr += 3) {
          P.NR = nr;
          if (file.get(kByNr) == kNoError && file.remove() == kNoError) ++removed;
        }
        if (file.commit() != kNoError) removed = -1;
        P = keep;
      },
      [&](std::size_t place, int, const void* record, std::int64_t) {
        Probe seen;
        std::memcpy(&seen, record, sizeof seen);
        const std::lock_guard<std::mutex> lock(m);
        once = once && nrs[place] == 0;
        nrs[place] = seen.NR;
        const Probe keep = P;
        P = seen;
        whole = whole && isProbe(seen.NR);
        P = keep;
      },
      {});
  ASSERT_EQ(code, kNoError);
  ASSERT_EQ(removed, kRecords / 3);
  EXPECT_TRUE(once);
  EXPECT_TRUE(whole);
  // The places in key order (day, then number): the deleted ones untaken, the others in order.
  std::vector<int> expected;
  for (int day = 0; day < 7; ++day)
    for (int nr = 1; nr <= kRecords; ++nr)
      if (nr % 7 == day) expected.push_back(nr % 3 == 0 ? 0 : nr);
  EXPECT_EQ(nrs, expected);
}

// A range read in stored order on several connections gives the records of the range in exactly
// the order of the walk, each once and whole: days with many records, numbers out of order, bounds
// inside a day; deleted records leave no gap. A record that cannot be read fails the read without
// being reported (the walk that follows reports it).
TEST(DataFileTest, ARangeReadGivesTheWalksRecordsInTheWalksOrder) {
  TempFolder folder;
  rt::String<200> name = folder.file("range.dat");
  DataFile file{kProbe, &P, name, kPassword};
  ASSERT_EQ(file.create(), kNoError);
  ASSERT_EQ(file.open(AccessMode::ReadWriteDenyWrite), kNoError);
  constexpr int kRecords = 30000;
  ASSERT_EQ(file.begin(), kNoError);
  for (int i = 0; i < kRecords; ++i) {
    fillProbe(1 + (i * 7919) % kRecords);  // numbers, and with them days, out of stored order
    ASSERT_EQ(file.add(), kNoError);
  }
  ASSERT_EQ(file.commit(), kNoError);
  for (int nr = 5; nr <= kRecords; nr += 97) {
    P.NR = nr;
    ASSERT_EQ(file.get(kByNr), kNoError);
    ASSERT_EQ(file.remove(), kNoError);
  }
  std::vector<int> reported;
  file.setFailureHandler([&](int code) { reported.push_back(code); });

  // From day 40001 number 100 to day 40005 number 29000, both included, and a stretch of one day.
  const auto probe = [](rt::Day day, int nr) {
    Probe p{};
    p.DAY = rt::dateOf(day);
    p.NR = nr;
    return p;
  };
  const auto walk = [&](const Probe& low, const Probe& high, bool descending) {
    const auto at = [](const Probe& p) { return std::make_pair(rt::dayNumber(p.DAY), +p.NR); };
    std::vector<int> nrs;
    P = descending ? high : low;
    file.setToValue(kByDay);
    while ((descending ? file.previous() : file.next()) == kNoError) {
      if (descending ? at(P) < at(low) : at(P) > at(high)) break;
      nrs.push_back(P.NR);
    }
    return nrs;
  };
  const Probe low = probe(40001, 100), high = probe(40005, 29000);
  for (const auto& [von, bis, mindestens] : {std::tuple{low, high, 15000u}, {probe(40003, 1000), probe(40003, 20000), 2500u}})
    for (const bool descending : {true, false}) {
      SCOPED_TRACE(testing::Message() << rt::dayNumber(von.DAY) << " " << descending);
      std::vector<int> nrs;
      bool whole = true;
      std::mutex m;
      int threads = 0, lastThread = -1;
      const int code = file.readRange(
          kByDay, &von, &bis, descending,
          [&](std::size_t n, int t) {
            nrs.assign(n, 0);
            threads = t;
          },
          [&](std::size_t place, int thread, const void* record, std::int64_t) {
            Probe seen;
            std::memcpy(&seen, record, sizeof seen);
            const std::lock_guard<std::mutex> lock(m);
            nrs[place] = seen.NR;
            lastThread = std::max(lastThread, thread);
            const Probe keep = P;
            P = seen;
            whole = whole && isProbe(seen.NR);
            P = keep;
          },
          {});
      ASSERT_EQ(code, kNoError);
      EXPECT_TRUE(whole);
      EXPECT_EQ(nrs, walk(von, bis, descending));
      EXPECT_GT(nrs.size(), mindestens);
      EXPECT_GE(lastThread, 0);
      EXPECT_LT(lastThread, threads);
    }

  // A damaged record inside the range.
  ASSERT_EQ(sqlite3_exec(file.connection(), "UPDATE PROBE SET CODE = x'41' WHERE NR = 20003", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  EXPECT_EQ(file.readRange(kByDay, &low, &high, true, {}, [](std::size_t, int, const void*, std::int64_t) {}, {}),
            kInvalidDataFile);
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(file.failure(), kNoError);
  walk(low, high, true);
  EXPECT_EQ(reported, std::vector<int>{kInvalidDataFile});
}
