#include "os/posix/sqlite_registry_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <utility>

#include "os/posix/private_folder.h"
#include "os/unicode.h"

namespace pavane::os {
namespace {

constexpr int kSchemaVersion = 1;
// SQLite's own time-out sleeps up to 100 ms between tries, which lets one
// busy writer starve another; our writes are short, so we look again often.
constexpr std::chrono::milliseconds kBusyPoll{2};
// SQLite gives up without calling the busy handler in a few cases (a WAL
// recovery under way, a journal mode change); the whole transaction is then
// run again after this pause, within the same time-out.
constexpr std::chrono::milliseconds kRetryPause{20};
// Once an operation has given up on a store that another program holds,
// the next ones look for this long only until one gets through: a run on a
// held store waits out the full time-out once, not once per value.
constexpr std::chrono::milliseconds kHeldStoreWait{250};
// How often a waiting write lets the screens' events run.
constexpr std::chrono::milliseconds kPumpInterval{10};
// Nothing we store comes near this; it caps what a foreign or damaged row
// can make us allocate.
constexpr int kRowLengthLimit = 4 * (1 << 20);

struct SqlError {
  int code;
};

bool IsBusy(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// The file, its folder or the disk refuse what the connection needs: writing,
// or making the "-wal" and "-shm" files that WAL reads need.
bool IsAccessProblem(int code) {
  switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_PERM:
    case SQLITE_FULL:
      return true;
    default:
      return false;
  }
}

void Check(int rc) {
  if (rc != SQLITE_OK) throw SqlError{rc};
}

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql) {
    Check(sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Text(int index, std::string_view text) {
    Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  // Value data may hold NUL characters, which must survive the round trip.
  Statement& Blob(int index, std::string_view bytes) {
    Check(sqlite3_bind_blob(stmt_, index, bytes.empty() ? "" : bytes.data(),
                            static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Int(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
  }

  // True while there is a row.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw SqlError{rc};
  }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

  std::int64_t ColumnInt(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string ColumnBytes(int column) {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (data == nullptr || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// A "file:" address for SQLite's URI parameters; every byte that could be
// read as part of the URI syntax is escaped.
std::string FileUri(const std::string& path, const char* parameters) {
  std::error_code error;
  std::string absolute = std::filesystem::absolute(path, error).string();
  if (error) absolute = path;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char ch : absolute) {
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                       (ch >= '0' && ch <= '9') || ch == '/' || ch == '-' || ch == '_' ||
                       ch == '.' || ch == '~';
    if (plain) {
      uri += static_cast<char>(ch);
    } else {
      uri += '%';
      uri += kHex[ch >> 4];
      uri += kHex[ch & 0xf];
    }
  }
  return uri + "?" + parameters;
}

void Exec(sqlite3* db, const char* sql) {
  Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

void RollBack(sqlite3* db) {
  if (db != nullptr && sqlite3_get_autocommit(db) == 0) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

// A key address after validation: the root as the store spells it and the
// sub-key components with their case-folded forms.
struct KeyPath {
  std::string root;
  std::string rootFolded;
  std::vector<std::string> names;
  std::vector<std::string> folded;
};

bool ParseKeyPath(std::string_view root, std::string_view subkey, KeyPath& key) {
  const std::string rootFolded = LowerCaseUtf8(root);
  bool known = false;
  for (const std::string& name : RegistryRootNames()) {
    if (LowerCaseUtf8(name) == rootFolded) {
      key.root = name;
      key.rootFolded = rootFolded;
      known = true;
    }
  }
  if (!known) return false;
  key.names.clear();
  key.folded.clear();
  if (subkey.empty()) return true;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = subkey.find('\\', start);
    const std::string_view part = subkey.substr(start, end - start);
    if (part.empty() || part.find('\0') != std::string_view::npos ||
        Utf8Length(part) > kMaxRegistryKeyNameChars) {
      return false;
    }
    key.names.emplace_back(part);
    key.folded.push_back(LowerCaseUtf8(part));
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool ValidValueName(std::string_view name) {
  return name.find('\0') == std::string_view::npos &&
         Utf8Length(name) <= kMaxRegistryValueNameChars;
}

enum class SchemaState { kAbsent, kReady };

SchemaState DetectSchema(sqlite3* db) {
  Statement version(db, "PRAGMA user_version");
  version.Step();
  const std::int64_t found = version.ColumnInt(0);
  if (found == kSchemaVersion) return SchemaState::kReady;
  if (found == 0) {
    Statement tables(db, "SELECT count(*) FROM sqlite_master");
    tables.Step();
    if (tables.ColumnInt(0) == 0) return SchemaState::kAbsent;
  }
  // Someone else's database, or a newer store than we understand: leave it.
  throw SqlError{SQLITE_NOTADB};
}

void CreateSchema(sqlite3* db) {
  Exec(db,
       "CREATE TABLE reg_keys("
       " id INTEGER PRIMARY KEY,"
       " parent INTEGER NOT NULL,"  // 0 for the root keys
       " name TEXT NOT NULL,"
       " folded TEXT NOT NULL,"
       " UNIQUE(parent, folded));"
       "CREATE TABLE reg_values("
       " key_id INTEGER NOT NULL,"
       " name TEXT NOT NULL,"
       " folded TEXT NOT NULL,"
       " data BLOB NOT NULL,"
       " PRIMARY KEY(key_id, folded)) WITHOUT ROWID;"
       "PRAGMA user_version = 1;");
  Statement insert(db, "INSERT INTO reg_keys(parent, name, folded) VALUES(0, ?1, ?2)");
  for (const std::string& root : RegistryRootNames()) {
    insert.Reset();
    insert.Text(1, root).Text(2, LowerCaseUtf8(root)).Step();
  }
}

// The key's row id, 0 when it does not exist.
std::int64_t FindKey(sqlite3* db, const KeyPath& key) {
  Statement find(db, "SELECT id FROM reg_keys WHERE parent = ?1 AND folded = ?2");
  find.Int(1, 0).Text(2, key.rootFolded);
  if (!find.Step()) return 0;
  std::int64_t id = find.ColumnInt(0);
  for (const std::string& folded : key.folded) {
    find.Reset();
    find.Int(1, id).Text(2, folded);
    if (!find.Step()) return 0;
    id = find.ColumnInt(0);
  }
  return id;
}

std::int64_t CreateKeyPath(sqlite3* db, const KeyPath& key) {
  Statement find(db, "SELECT id FROM reg_keys WHERE parent = ?1 AND folded = ?2");
  Statement insert(db, "INSERT INTO reg_keys(parent, name, folded) VALUES(?1, ?2, ?3)");
  std::int64_t id = 0;
  for (std::size_t level = 0; level <= key.names.size(); ++level) {
    const std::string& name = level == 0 ? key.root : key.names[level - 1];
    const std::string& folded = level == 0 ? key.rootFolded : key.folded[level - 1];
    find.Reset();
    find.Int(1, id).Text(2, folded);
    if (find.Step()) {
      id = find.ColumnInt(0);
      continue;
    }
    insert.Reset();
    insert.Int(1, id).Text(2, name).Text(3, folded).Step();
    id = sqlite3_last_insert_rowid(db);
  }
  return id;
}

// Keeps the spelling of an existing value's name, as Windows does.
void PutValue(sqlite3* db, std::int64_t keyId, std::string_view name, std::string_view data) {
  Statement put(db,
                "INSERT INTO reg_values(key_id, name, folded, data) VALUES(?1, ?2, ?3, ?4) "
                "ON CONFLICT(key_id, folded) DO UPDATE SET data = excluded.data");
  put.Int(1, keyId).Text(2, name).Text(3, LowerCaseUtf8(name)).Blob(4, data).Step();
}

// The store holds the user's e-mail address: only the user may read it.
// SQLite gives its "-wal", "-shm" and journal files the mode of the
// database file, so a file made 0600 keeps them private too.
bool CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EEXIST;
  const bool narrowed = ::fchmod(fd, 0600) == 0;
  ::close(fd);
  return narrowed;
}

// A store of the user's own, and its companion files, left readable by
// others (by an older version, or a wide umask) is narrowed before we write
// to it again. Someone else's store is left as it is.
void NarrowToOwner(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    const std::string file = path + suffix;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) != 0) {
      ::fchmod(fd, info.st_mode & 0700);
    }
    ::close(fd);
  }
}

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

const std::vector<std::string>& RegistryRootNames() {
  static const std::vector<std::string> names = {
      "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
  };
  return names;
}

SqliteRegistryStore::SqliteRegistryStore(std::string databasePath,
                                         std::function<void()> whileWaiting,
                                         std::chrono::milliseconds busyTimeout)
    : path_(std::move(databasePath)),
      whileWaiting_(std::move(whileWaiting)),
      busyTimeout_(busyTimeout) {}

SqliteRegistryStore::~SqliteRegistryStore() {
  Disconnect();
}

void SqliteRegistryStore::Disconnect() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
  access_ = Access::kReadWrite;
  schema_ = Schema::kUnknown;
  walSet_ = false;
}

// kNotFound: there is no file and `create` was not asked for. A file that
// cannot be opened throws, so that the caller can try another access.
StoreStatus SqliteRegistryStore::Connect(Access access, bool create) {
  if (db_ != nullptr && access_ == access) return StoreStatus::kOk;
  Disconnect();
  // An empty name would give a private temporary database, which silently
  // loses every write.
  if (path_.empty()) return StoreStatus::kUnusable;
  struct stat info;
  if (::stat(path_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return StoreStatus::kUnusable;
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return StoreStatus::kUnusable;
  } else if (!create) {
    return StoreStatus::kNotFound;
  } else {
    const std::string parent = std::filesystem::path(path_).parent_path().string();
    std::string problem;
    if (!parent.empty() && !CreatePrivateFolders(parent, problem)) return StoreStatus::kUnwritable;
    if (!CreatePrivateFile(path_)) return StoreStatus::kUnwritable;
  }
  if (access == Access::kReadWrite) NarrowToOwner(path_);
  sqlite3* db = nullptr;
  int rc;
  if (access == Access::kReadWrite) {
    rc = sqlite3_open_v2(path_.c_str(), &db,
                         SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
  } else {
    const char* parameters = access == Access::kReadOnly ? "mode=ro" : "mode=ro&immutable=1";
    rc = sqlite3_open_v2(FileUri(path_, parameters).c_str(), &db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  }
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw SqlError{rc};
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_handler(db, &SqliteRegistryStore::OnBusy, this);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kRowLengthLimit);
  db_ = db;
  access_ = access;
  return StoreStatus::kOk;
}

int SqliteRegistryStore::OnBusy(void* self, int /*tries*/) {
  return static_cast<SqliteRegistryStore*>(self)->WaitABit(kBusyPoll) ? 1 : 0;
}

bool SqliteRegistryStore::WaitABit(std::chrono::milliseconds sleep) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point now = Clock::now();
  if (now >= deadline_) return false;
  if (whileWaiting_ && !waiting_ && now - lastPump_ >= kPumpInterval) {
    waiting_ = true;
    try {
      whileWaiting_();
    } catch (...) {
      // Nothing may unwind through SQLite; the wait goes on.
    }
    waiting_ = false;
    now = Clock::now();
    lastPump_ = now;
    if (now >= deadline_) return false;
  }
  std::this_thread::sleep_for(std::min<Clock::duration>(sleep, deadline_ - now));
  return true;
}

StoreStatus SqliteRegistryStore::TransactOnce(bool write, const Body& body) {
  const StoreStatus connected = Connect(write ? Access::kReadWrite : readAccess_, write);
  if (connected == StoreStatus::kNotFound) return body(nullptr);
  if (connected != StoreStatus::kOk) return connected;

  // Checked before anything is written, so that a foreign or damaged file is
  // refused without the journal mode change touching it.
  SchemaState state = schema_ == Schema::kReady ? SchemaState::kReady : DetectSchema(db_);
  if (write && !walSet_) {
    // Readers then never block writers, and writers of other processes only
    // queue behind each other.
    Statement wal(db_, "PRAGMA journal_mode=WAL");
    wal.Step();
    walSet_ = true;
  }
  Exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN");
  if (schema_ != Schema::kReady) state = DetectSchema(db_);
  if (write && state == SchemaState::kAbsent) {
    CreateSchema(db_);
    state = SchemaState::kReady;
  }
  const StoreStatus result = body(state == SchemaState::kReady ? db_ : nullptr);
  if (write && result == StoreStatus::kOk) {
    Exec(db_, "COMMIT");
  } else {
    RollBack(db_);
  }
  if (state == SchemaState::kReady && (result == StoreStatus::kOk || !write)) {
    schema_ = Schema::kReady;
  }
  return result;
}

StoreStatus SqliteRegistryStore::Transact(bool write, const Body& body) {
  if (active_) {
    // Called from a screen event while our own write waits: the waiting
    // connection is left alone.
    if (write) return StoreStatus::kBusy;
    SqliteRegistryStore reader(path_, {}, busyTimeout_);
    reader.readAccess_ = readAccess_;
    return reader.Transact(false, body);
  }
  struct Active {
    bool& flag;
    explicit Active(bool& f) : flag(f) { flag = true; }
    ~Active() { flag = false; }
  } active(active_);
  deadline_ = std::chrono::steady_clock::now() +
              (held_ ? std::min(busyTimeout_, kHeldStoreWait) : busyTimeout_);
  lastPump_ = {};
  for (;;) {
    int code;
    try {
      const StoreStatus result = TransactOnce(write, body);
      // A read can get through while writes are held (the journal lets
      // readers in); only a write shows the store is free again.
      if (write) held_ = false;
      if (write && result == StoreStatus::kOk) readAccess_ = Access::kReadWrite;
      // Nothing tells an unlocked connection that the file changed; the next
      // read looks at the file afresh.
      if (access_ == Access::kImmutable) Disconnect();
      return result;
    } catch (const SqlError& error) {
      code = error.code;
    } catch (...) {
      RollBack(db_);
      Disconnect();
      return StoreStatus::kUnusable;
    }
    RollBack(db_);
    if (IsBusy(code)) {
      if (WaitABit(kRetryPause)) continue;
      Disconnect();
      held_ = true;
      return StoreStatus::kBusy;
    }
    Disconnect();
    if (IsAccessProblem(code)) {
      if (write) return StoreStatus::kUnwritable;
      if (readAccess_ != Access::kImmutable) {
        readAccess_ = readAccess_ == Access::kReadWrite ? Access::kReadOnly : Access::kImmutable;
        continue;
      }
    }
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::ReadValue(std::string_view root, std::string_view subkey,
                                           std::string_view name, std::string& data) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key) || !ValidValueName(name)) return StoreStatus::kInvalid;
    const std::string folded = LowerCaseUtf8(name);
    std::string found;
    const StoreStatus status = Transact(false, [&](sqlite3* db) {
      if (db == nullptr) return StoreStatus::kNotFound;
      const std::int64_t id = FindKey(db, key);
      if (id == 0) return StoreStatus::kNotFound;
      Statement read(db,
                     "SELECT length(data), CASE WHEN length(data) <= ?3 THEN data END "
                     "FROM reg_values WHERE key_id = ?1 AND folded = ?2");
      read.Int(1, id).Text(2, folded).Int(3, static_cast<std::int64_t>(kMaxRegistryValueBytes));
      if (!read.Step()) return StoreStatus::kNotFound;
      if (read.ColumnInt(0) > static_cast<std::int64_t>(kMaxRegistryValueBytes)) {
        return StoreStatus::kInvalid;
      }
      found = read.ColumnBytes(1);
      return StoreStatus::kOk;
    });
    if (status == StoreStatus::kOk) data = std::move(found);
    return status;
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::KeyExists(std::string_view root, std::string_view subkey) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key)) return StoreStatus::kInvalid;
    return Transact(false, [&](sqlite3* db) {
      if (db == nullptr) return key.names.empty() ? StoreStatus::kOk : StoreStatus::kNotFound;
      return FindKey(db, key) != 0 ? StoreStatus::kOk : StoreStatus::kNotFound;
    });
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::WriteValue(std::string_view root, std::string_view subkey,
                                            std::string_view name, std::string_view data) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key) || !ValidValueName(name) ||
        data.size() > kMaxRegistryValueBytes) {
      return StoreStatus::kInvalid;
    }
    // Only the root keys exist in a store without a file; no need to make one.
    if (!key.names.empty() && !FileExists(path_)) return StoreStatus::kNotFound;
    return Transact(true, [&](sqlite3* db) {
      const std::int64_t id = key.names.empty() ? CreateKeyPath(db, key) : FindKey(db, key);
      if (id == 0) return StoreStatus::kNotFound;
      PutValue(db, id, name, data);
      return StoreStatus::kOk;
    });
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::CreateKey(std::string_view root, std::string_view subkey) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key)) return StoreStatus::kInvalid;
    return Transact(true, [&](sqlite3* db) {
      CreateKeyPath(db, key);
      return StoreStatus::kOk;
    });
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::DeleteValue(std::string_view root, std::string_view subkey,
                                             std::string_view name) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key) || !ValidValueName(name)) return StoreStatus::kInvalid;
    if (!FileExists(path_)) return StoreStatus::kNotFound;
    return Transact(true, [&](sqlite3* db) {
      const std::int64_t id = FindKey(db, key);
      if (id == 0) return StoreStatus::kNotFound;
      Statement erase(db, "DELETE FROM reg_values WHERE key_id = ?1 AND folded = ?2");
      erase.Int(1, id).Text(2, LowerCaseUtf8(name)).Step();
      return sqlite3_changes(db) > 0 ? StoreStatus::kOk : StoreStatus::kNotFound;
    });
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::ListKey(std::string_view root, std::string_view subkey,
                                         RegistryKeyListing& listing) {
  try {
    KeyPath key;
    if (!ParseKeyPath(root, subkey, key)) return StoreStatus::kInvalid;
    RegistryKeyListing found;
    const StoreStatus status = Transact(false, [&](sqlite3* db) {
      found = {};
      if (db == nullptr) return key.names.empty() ? StoreStatus::kOk : StoreStatus::kNotFound;
      const std::int64_t id = FindKey(db, key);
      if (id == 0) return key.names.empty() ? StoreStatus::kOk : StoreStatus::kNotFound;
      Statement keys(db, "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY folded, name");
      keys.Int(1, id);
      while (keys.Step()) found.subkeys.push_back(keys.ColumnBytes(0));
      Statement values(db,
                       "SELECT name, length(data), CASE WHEN length(data) <= ?2 THEN data END "
                       "FROM reg_values WHERE key_id = ?1 ORDER BY folded, name");
      values.Int(1, id).Int(2, static_cast<std::int64_t>(kMaxRegistryValueBytes));
      while (values.Step()) {
        if (values.ColumnInt(1) > static_cast<std::int64_t>(kMaxRegistryValueBytes)) {
          return StoreStatus::kUnusable;
        }
        found.values.push_back({values.ColumnBytes(0), values.ColumnBytes(2)});
      }
      return StoreStatus::kOk;
    });
    if (status == StoreStatus::kOk) listing = std::move(found);
    return status;
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

StoreStatus SqliteRegistryStore::Apply(const std::vector<RegistryChange>& changes) {
  try {
    // Everything is checked before the first write, so a bad change costs
    // nothing, not even the creation of the file.
    std::vector<KeyPath> keys(changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const RegistryChange& change = changes[i];
      if (!ParseKeyPath(change.root, change.subkey, keys[i])) return StoreStatus::kInvalid;
      if (!change.createKeyOnly &&
          (!ValidValueName(change.name) || change.data.size() > kMaxRegistryValueBytes)) {
        return StoreStatus::kInvalid;
      }
    }
    if (changes.empty()) return StoreStatus::kOk;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      // Only the root keys exist in a store without a file.
      if (changes[i].existingKeyOnly && !keys[i].names.empty() && !FileExists(path_)) {
        return StoreStatus::kNotFound;
      }
    }
    return Transact(true, [&](sqlite3* db) {
      for (std::size_t i = 0; i < changes.size(); ++i) {
        const std::int64_t id = changes[i].existingKeyOnly && !keys[i].names.empty()
                                    ? FindKey(db, keys[i])
                                    : CreateKeyPath(db, keys[i]);
        if (id == 0) return StoreStatus::kNotFound;
        if (!changes[i].createKeyOnly) PutValue(db, id, changes[i].name, changes[i].data);
      }
      return StoreStatus::kOk;
    });
  } catch (...) {
    return StoreStatus::kUnusable;
  }
}

}  // namespace pavane::os
