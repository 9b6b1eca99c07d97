#pragma once
// A defaults store: the program's standard store or an app-group suite. Each store is one
// SQLite file under the Tarvo home (WAL, busy time-out); every write is one BEGIN IMMEDIATE
// transaction and every read goes to the file, so two processes writing different keys at
// the same time never lose a write and each sees the other's latest values.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/PropertyList.h"

namespace platform {

class UserDefaults {
public:
    // The running program's standard store ("standard:<program name>").
    static std::shared_ptr<UserDefaults> standard();
    // The suite of that name, or nullptr when it cannot be opened: an empty name, a name
    // that cannot be a file name ("/", NUL, "." or ".."), or a file that cannot be opened.
    static std::shared_ptr<UserDefaults> suite(std::string_view suiteName);
    // Opens a store at an explicit database path (tools and tests).
    static std::shared_ptr<UserDefaults> atPath(const std::string& databasePath);
    // Why the store at databasePath cannot be opened (a damaged file, one that is not a store),
    // in the database's words; nullopt when it opens or does not exist yet.
    static std::optional<std::string> openingProblem(const std::string& databasePath);

    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    std::optional<PropertyList> object(std::string_view key) const;
    // The platform's conversions: string gives strings and the text of numbers; bool gives
    // a bool, a non-zero number, or "true"/"yes"/"1" text (case-insensitive), else false;
    // integer and double convert numbers, bools and numeric text, else 0.
    std::optional<std::string> string(std::string_view key) const;
    bool boolValue(std::string_view key) const;
    std::int64_t integer(std::string_view key) const;
    double doubleValue(std::string_view key) const;
    std::optional<PropertyList::Data> data(std::string_view key) const;
    std::optional<PropertyList::Array> array(std::string_view key) const;
    std::optional<PropertyList::Dictionary> dictionary(std::string_view key) const;
    std::vector<std::string> keys() const;
    // Every readable value of the store, by key.
    PropertyList::Dictionary dictionaryRepresentation() const;

    // A failed write (the file cannot be written, or stays locked beyond the time-out) is
    // reported on stderr, the way the platform logs it.
    void set(std::string_view key, const PropertyList& value);
    void removeObject(std::string_view key);
    // The same writes, telling whether they reached the file (for tools that must not
    // report success for a lost write).
    [[nodiscard]] bool trySet(std::string_view key, const PropertyList& value);
    [[nodiscard]] bool tryRemoveObject(std::string_view key);
    // Nothing is cached, so there is nothing to flush; kept because callers call it.
    bool synchronize() { return true; }

    const std::string& databasePath() const noexcept { return path_; }

private:
    explicit UserDefaults(std::string path);
    struct Db;
    std::string path_;
    std::unique_ptr<Db> db_;
};

}  // namespace platform
