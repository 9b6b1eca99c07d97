#include "platform/foundation/UserDefaults.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>

#include <sqlite3.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unistd.h>

#include "platform/foundation/Paths.h"
#include "platform/foundation/Text.h"

namespace platform {
namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kWriteAttempts = 3;

// Connections inherited through fork() belong to the parent: the child must neither use nor
// close them (closing could release the parent's locks or checkpoint under it). They are
// parked here, still reachable, and the child opens its own.
std::mutex& abandonedMutex() {
    static std::mutex m;
    return m;
}
std::vector<sqlite3*>& abandonedConnections() {
    static std::vector<sqlite3*> v;
    return v;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }
    bool bindText(int index, std::string_view text) {
        return sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
               SQLITE_OK;
    }
    int step() { return sqlite3_step(stmt_); }
    std::string_view columnText(int index) {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
        int n = sqlite3_column_bytes(stmt_, index);
        return p ? std::string_view(p, static_cast<std::size_t>(n)) : std::string_view();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

std::optional<PropertyList> decodeStored(std::string_view text) {
    auto json = tryParseJson(text);
    if (!json) return std::nullopt;
    try {
        return PropertyList::fromTaggedJson(*json);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string trimmedAscii(std::string_view s) { return text::trimmed(s); }

std::optional<std::int64_t> parseInteger(std::string_view s) {
    std::int64_t v = 0;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<double> parseDouble(std::string_view s) {
    double v = 0;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::int64_t clampToInt64(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

std::string formatDouble(double d) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, d);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

}  // namespace

struct UserDefaults::Db {
    std::mutex mutex;
    sqlite3* handle = nullptr;
    pid_t pid = 0;
};

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)), db_(std::make_unique<Db>()) {}

UserDefaults::~UserDefaults() {
    if (db_->handle && db_->pid == getpid()) sqlite3_close_v2(db_->handle);
}

namespace {

// Opens (or re-opens after fork) the connection of a store; the store's mutex is held.
sqlite3* connection(const std::string& path, sqlite3*& handle, pid_t& pid) {
    if (handle && pid == getpid()) return handle;
    if (handle) {
        std::lock_guard lock(abandonedMutex());
        abandonedConnections().push_back(handle);
        handle = nullptr;
    }
    std::error_code ec;
    auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL lets readers and one writer work at once across processes; NORMAL sync is safe with
    // WAL (a power cut can only drop the latest commits, never corrupt the file).
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=NORMAL");
    if (!exec(db,
              "CREATE TABLE IF NOT EXISTS defaults ("
              " key TEXT PRIMARY KEY NOT NULL,"
              " value TEXT NOT NULL)")) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    handle = db;
    pid = getpid();
    return db;
}

}  // namespace

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    // The standard store always exists; if its file cannot be opened, reads find nothing and
    // writes report their failure.
    return std::shared_ptr<UserDefaults>(new UserDefaults(paths::standardDatabasePath(paths::programName())));
}

std::shared_ptr<UserDefaults> UserDefaults::suite(std::string_view suiteName) {
    if (!paths::isSafeFileName(suiteName)) return nullptr;
    return atPath(paths::suiteDatabasePath(suiteName));
}

std::shared_ptr<UserDefaults> UserDefaults::atPath(const std::string& databasePath) {
    if (databasePath.empty()) return nullptr;
    std::shared_ptr<UserDefaults> store(new UserDefaults(databasePath));
    std::lock_guard lock(store->db_->mutex);
    if (!connection(store->path_, store->db_->handle, store->db_->pid)) return nullptr;
    return store;
}

std::optional<std::string> UserDefaults::openingProblem(const std::string& databasePath) {
    std::error_code ec;
    if (!std::filesystem::exists(databasePath, ec)) return std::nullopt;
    sqlite3* db = nullptr;
    // Read-only, so that looking never changes the file.
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::string problem = db ? sqlite3_errmsg(db) : "cannot be opened";
        sqlite3_close_v2(db);
        return problem;
    }
    std::optional<std::string> problem;
    char* message = nullptr;
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &message) != SQLITE_OK) {
        problem = message ? message : sqlite3_errmsg(db);
    }
    sqlite3_free(message);
    sqlite3_close_v2(db);
    return problem;
}

std::optional<PropertyList> UserDefaults::object(std::string_view key) const {
    std::lock_guard lock(db_->mutex);
    sqlite3* db = connection(path_, db_->handle, db_->pid);
    if (!db) return std::nullopt;
    Statement st(db, "SELECT value FROM defaults WHERE key = ?1");
    if (!st || !st.bindText(1, key)) return std::nullopt;
    if (st.step() != SQLITE_ROW) return std::nullopt;
    return decodeStored(st.columnText(0));
}

PropertyList::Dictionary UserDefaults::dictionaryRepresentation() const {
    PropertyList::Dictionary out;
    std::lock_guard lock(db_->mutex);
    sqlite3* db = connection(path_, db_->handle, db_->pid);
    if (!db) return out;
    Statement st(db, "SELECT key, value FROM defaults");
    if (!st) return out;
    while (st.step() == SQLITE_ROW) {
        if (auto value = decodeStored(st.columnText(1))) out.emplace(std::string(st.columnText(0)), std::move(*value));
    }
    return out;
}

std::vector<std::string> UserDefaults::keys() const {
    std::vector<std::string> out;
    for (auto& [k, v] : dictionaryRepresentation()) out.push_back(k);
    return out;
}

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (auto s = v->asString()) return *s;
    if (auto i = v->asInteger()) return std::to_string(*i);
    if (auto d = v->asReal()) return formatDouble(*d);
    if (auto b = v->asBool()) return std::string(*b ? "1" : "0");
    return std::nullopt;
}

bool UserDefaults::boolValue(std::string_view key) const {
    auto v = object(key);
    if (!v) return false;
    if (auto b = v->asBool()) return *b;
    if (auto i = v->asInteger()) return *i != 0;
    if (auto d = v->asReal()) return *d != 0;
    if (auto s = v->asString()) {
        std::string t = text::lowercased(trimmedAscii(*s));
        return t == "true" || t == "yes" || t == "1";
    }
    return false;
}

std::int64_t UserDefaults::integer(std::string_view key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto i = v->asInteger()) return *i;
    if (auto d = v->asReal()) return clampToInt64(*d);
    if (auto b = v->asBool()) return *b ? 1 : 0;
    if (auto s = v->asString()) {
        std::string t = trimmedAscii(*s);
        if (auto i = parseInteger(t)) return *i;
        if (auto d = parseDouble(t)) return clampToInt64(*d);
    }
    return 0;
}

double UserDefaults::doubleValue(std::string_view key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto d = v->asReal()) return *d;
    if (auto i = v->asInteger()) return static_cast<double>(*i);
    if (auto b = v->asBool()) return *b ? 1 : 0;
    if (auto s = v->asString()) {
        if (auto d = parseDouble(trimmedAscii(*s))) return *d;
    }
    return 0;
}

std::optional<PropertyList::Data> UserDefaults::data(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->asData()) return std::nullopt;
    return *v->asData();
}

std::optional<PropertyList::Array> UserDefaults::array(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->asArray()) return std::nullopt;
    return *v->asArray();
}

std::optional<PropertyList::Dictionary> UserDefaults::dictionary(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->asDictionary()) return std::nullopt;
    return *v->asDictionary();
}

namespace {

// One write as its own IMMEDIATE transaction: it takes the write lock up front, so it waits
// for another writer (busy time-out) instead of failing halfway.
bool writeTransaction(sqlite3* db, const char* sql, std::string_view key, const std::string* value) {
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (!exec(db, "BEGIN IMMEDIATE")) {
            int rc = sqlite3_errcode(db);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) continue;
            return false;
        }
        bool ok = false;
        {
            Statement st(db, sql);
            ok = st && st.bindText(1, key) && (!value || st.bindText(2, *value)) && st.step() == SQLITE_DONE;
        }
        if (ok && exec(db, "COMMIT")) return true;
        const int rc = sqlite3_errcode(db);  // before ROLLBACK replaces it
        exec(db, "ROLLBACK");
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) return false;
    }
    return false;
}

}  // namespace

namespace {

// Nesting of the stored (tagged) form: each container level adds two JSON levels.
int taggedDepth(const PropertyList& value) {
    int inner = 0;
    if (auto a = value.asArray())
        for (const auto& item : *a) inner = std::max(inner, taggedDepth(item));
    else if (auto d = value.asDictionary())
        for (const auto& [k, item] : *d) inner = std::max(inner, taggedDepth(item));
    else
        return 1;
    return inner + 2;
}

// Whether every text in the value (strings and dictionary keys) is well-formed UTF-8; the
// stored JSON can hold nothing else exactly.
bool hasOnlyUTF8Text(const PropertyList& value) {
    if (auto s = value.asString()) return text::isValidUTF8(*s);
    if (auto a = value.asArray()) {
        for (const auto& item : *a)
            if (!hasOnlyUTF8Text(item)) return false;
    } else if (auto d = value.asDictionary()) {
        for (const auto& [k, item] : *d)
            if (!text::isValidUTF8(k) || !hasOnlyUTF8Text(item)) return false;
    }
    return true;
}

}  // namespace

namespace {

bool needsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Writes the escape of c, one of the bytes above, at o and returns where it ends (at most six
// bytes on).
char* writeEscape(char* o, unsigned char c) {
    static constexpr char hex[] = "0123456789abcdef";
    *o++ = '\\';
    switch (c) {
        case '"': *o++ = '"'; break;
        case '\\': *o++ = '\\'; break;
        case '\b': *o++ = 'b'; break;
        case '\f': *o++ = 'f'; break;
        case '\n': *o++ = 'n'; break;
        case '\r': *o++ = 'r'; break;
        case '\t': *o++ = 't'; break;
        default:
            *o++ = 'u';
            *o++ = '0';
            *o++ = '0';
            *o++ = hex[c >> 4];
            *o++ = hex[c & 0xF];
    }
    return o;
}

// The stored form of a text, {"t":"string","v":"..."}, written without building a JSON value.
// The share's store of drafts, over a hundred kilobytes of JSON with a quote every few bytes, is
// written at every keystroke: the text is copied sixteen bytes at a time up to the next byte to
// escape, straight into the output. The escapes are the encoder's, for text known to be UTF-8.
std::string storedText(const std::string& text) {
    constexpr std::string_view head = R"({"t":"string","v":")";
    constexpr std::string_view tail = "\"}";
    // One step writes a whole block, or up to fifteen plain bytes and then an escape; the tail
    // comes after the last step.
    constexpr std::size_t room = 15 + 6 + tail.size();
    std::string out(head.size() + text.size() + text.size() / 4 + room, '\0');
    std::memcpy(out.data(), head.data(), head.size());
    std::size_t o = head.size();
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (out.size() - o < room) out.resize(out.size() * 2);
#if defined(__SSE2__)
        if (n - i >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + o), v);
            // A control character is a byte the unsigned minimum with 0x1F leaves unchanged.
            const __m128i special =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))),
                             _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v));
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(special));
            if (mask == 0) {
                i += 16;
                o += 16;
                continue;
            }
            // The bytes before the first one to escape are in place already.
            const auto plain = static_cast<std::size_t>(__builtin_ctz(mask));
            i += plain;
            o += plain;
        }
#endif
        const auto c = static_cast<unsigned char>(text[i++]);
        if (needsEscape(c)) {
            o = static_cast<std::size_t>(writeEscape(out.data() + o, c) - out.data());
        } else {
            out[o++] = static_cast<char>(c);
        }
    }
    std::memcpy(out.data() + o, tail.data(), tail.size());
    out.resize(o + tail.size());
    return out;
}

}  // namespace

bool UserDefaults::trySet(std::string_view key, const PropertyList& value) {
    // A value too deep to be read back would be lost while the write claimed success.
    if (taggedDepth(value) > kJsonMaxDepth) return false;
    // Text that is not UTF-8 would come back altered.
    if (!hasOnlyUTF8Text(value)) return false;
    const std::string* text = value.asString();
    const std::string stored = text ? storedText(*text) : encodeCompact(value.toTaggedJson());
    std::lock_guard lock(db_->mutex);
    sqlite3* db = connection(path_, db_->handle, db_->pid);
    if (!db) return false;
    return writeTransaction(db,
                            "INSERT INTO defaults (key, value) VALUES (?1, ?2)"
                            " ON CONFLICT(key) DO UPDATE SET value = excluded.value",
                            key, &stored);
}

bool UserDefaults::tryRemoveObject(std::string_view key) {
    std::lock_guard lock(db_->mutex);
    sqlite3* db = connection(path_, db_->handle, db_->pid);
    if (!db) return false;
    return writeTransaction(db, "DELETE FROM defaults WHERE key = ?1", key, nullptr);
}

void UserDefaults::set(std::string_view key, const PropertyList& value) {
    if (!trySet(key, value))
        std::fprintf(stderr, "UserDefaults: could not write \"%.*s\" to %s\n", static_cast<int>(key.size()),
                     key.data(), path_.c_str());
}

void UserDefaults::removeObject(std::string_view key) {
    if (!tryRemoveObject(key))
        std::fprintf(stderr, "UserDefaults: could not remove \"%.*s\" from %s\n", static_cast<int>(key.size()),
                     key.data(), path_.c_str());
}

}  // namespace platform
