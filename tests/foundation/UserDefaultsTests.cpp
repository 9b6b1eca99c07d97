#include <filesystem>
#include <fstream>
#include <thread>

#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TempHome.h"

extern char** environ;

using platform::PropertyList;
using platform::UserDefaults;

namespace {

class UserDefaultsTest : public tarvo_test::HomeTest {};

void execSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST_F(UserDefaultsTest, EveryPropertyListTypeRoundTrips) {
    auto store = UserDefaults::suite("group.test.tarvo");
    ASSERT_TRUE(store);
    // Every character a stored text escapes, and some it keeps as they are.
    std::string escaped;
    for (char c = 0; c < 0x20; ++c) escaped += c;
    escaped += "\\\"/\x7F é✓ \\u0041";
    // The same at every offset from a word boundary, between runs of plain text.
    std::string shifted;
    for (std::size_t k = 0; k <= 8; ++k) shifted += std::string(k, 'a') + escaped + std::string(19, 'b');
    const std::pair<std::string, PropertyList> values[] = {
        {"string", PropertyList("héllo\n\"world\"")},
        {"escaped", PropertyList(escaped)},
        {"shifted", PropertyList(shifted)},
        {"controls", PropertyList(std::string(1000, '\x01') + "end")},  // six times as long stored
        {"empty", PropertyList("")},
        {"int", PropertyList(std::int64_t{-9007199254740993})},
        {"double", PropertyList(2.5)},
        {"wholeDouble", PropertyList(3.0)},
        {"bool", PropertyList(false)},
        {"data", PropertyList(PropertyList::Data{'a', 'b', 0, 0xFF})},
        {"date", PropertyList(PropertyList::Date{1700000000.5})},
        {"array", PropertyList(PropertyList::Array{PropertyList("a"), PropertyList(1)})},
        {"dict", PropertyList(PropertyList::Dictionary{{"k", PropertyList(PropertyList::Data{1})}})},
    };
    for (const auto& [key, value] : values) store->set(key, value);
    // A second object on the same suite reads the file, not a cache.
    auto other = UserDefaults::suite("group.test.tarvo");
    for (const auto& [key, value] : values) {
        auto back = other->object(key);
        ASSERT_TRUE(back) << key;
        EXPECT_EQ(*back, value) << key;
        EXPECT_EQ(back->type(), value.type()) << key;
    }
    // Data is not a string and a string is not data.
    EXPECT_FALSE(other->string("data").has_value());
    EXPECT_FALSE(other->data("string").has_value());
    EXPECT_EQ(other->data("data"), (PropertyList::Data{'a', 'b', 0, 0xFF}));
    EXPECT_EQ(other->keys().size(), std::size(values));

    store->set("string", PropertyList(7));
    EXPECT_EQ(other->object("string"), PropertyList(7));
    other->removeObject("string");
    EXPECT_FALSE(store->object("string"));
    EXPECT_TRUE(store->synchronize());
}

TEST_F(UserDefaultsTest, AnEscapeWhereTheOutputRunsShortIsWrittenWhole) {
    // A text is written into room reserved from its length; escapes use that room up, and the
    // last escape can fall just where it runs out.
    auto store = UserDefaults::suite("group.test.tarvo");
    ASSERT_TRUE(store);
    for (std::size_t controls = 0; controls <= 6; ++controls) {
        for (std::size_t plain = 0; plain <= 16; ++plain) {
            for (std::size_t after = 0; after <= 2; ++after) {
                const std::string text =
                    std::string(controls, '\x01') + std::string(plain, 'a') + '\x1b' + std::string(after, 'z');
                store->set("text", PropertyList(text));
                EXPECT_EQ(store->string("text"), text) << controls << " controls, " << plain << " plain, " << after;
            }
        }
    }
}

TEST_F(UserDefaultsTest, ValueTooDeepToReadBackIsNotReportedAsWritten) {
    auto store = UserDefaults::suite("deep");
    ASSERT_TRUE(store);
    auto nestedArrays = [](int depth) {
        PropertyList v("leaf");
        for (int i = 0; i < depth; ++i) v = PropertyList(PropertyList::Array{v});
        return v;
    };
    const PropertyList fits = nestedArrays(200);
    ASSERT_TRUE(store->trySet("fits", fits));
    EXPECT_EQ(store->object("fits"), fits);
    EXPECT_FALSE(store->trySet("tooDeep", nestedArrays(400)));
    EXPECT_FALSE(store->object("tooDeep"));
}

TEST_F(UserDefaultsTest, TextThatIsNotUTF8IsNotReportedAsWritten) {
    // The store keeps text as JSON, which would silently turn such bytes into U+FFFD (and merge
    // dictionary keys that differ only there); the write is refused instead.
    auto store = UserDefaults::suite("utf8");
    ASSERT_TRUE(store);
    const std::string bad = "caf\xE9";
    const PropertyList refused[] = {
        PropertyList(bad),
        PropertyList(std::string(13, 'a') + bad + std::string(20, 'b')),
        PropertyList(PropertyList::Array{PropertyList("ok"), PropertyList(bad)}),
        PropertyList(PropertyList::Dictionary{{bad, PropertyList(1)}}),
    };
    for (const auto& value : refused) {
        EXPECT_FALSE(store->trySet("k", value));
        EXPECT_FALSE(store->object("k"));
    }
    // Raw bytes belong in data, which keeps them exactly.
    const PropertyList bytes(PropertyList::Data(bad.begin(), bad.end()));
    ASSERT_TRUE(store->trySet("k", bytes));
    EXPECT_EQ(store->object("k"), bytes);
}

TEST_F(UserDefaultsTest, ConvertsLikeThePlatform) {
    auto s = UserDefaults::suite("conv");
    ASSERT_TRUE(s);
    s->set("int", PropertyList(42));
    s->set("real", PropertyList(2.75));
    s->set("t", PropertyList(true));
    s->set("yes", PropertyList("YES"));
    s->set("num", PropertyList(" 12 "));
    s->set("realText", PropertyList("3.5"));
    s->set("word", PropertyList("abc"));
    s->set("data", PropertyList(PropertyList::Data{'1'}));

    EXPECT_EQ(s->string("int"), "42");
    EXPECT_EQ(s->string("real"), "2.75");
    EXPECT_EQ(s->string("t"), "1");
    EXPECT_FALSE(s->string("absent"));

    EXPECT_TRUE(s->boolValue("t"));
    EXPECT_TRUE(s->boolValue("yes"));
    EXPECT_TRUE(s->boolValue("int"));
    EXPECT_FALSE(s->boolValue("word"));
    EXPECT_FALSE(s->boolValue("absent"));
    EXPECT_FALSE(s->boolValue("data"));

    EXPECT_EQ(s->integer("real"), 2);
    EXPECT_EQ(s->integer("num"), 12);
    EXPECT_EQ(s->integer("realText"), 3);
    EXPECT_EQ(s->integer("word"), 0);
    EXPECT_EQ(s->integer("t"), 1);
    EXPECT_EQ(s->doubleValue("int"), 42.0);
    EXPECT_EQ(s->doubleValue("realText"), 3.5);
    EXPECT_EQ(s->doubleValue("absent"), 0.0);
    EXPECT_FALSE(s->array("int"));
    EXPECT_FALSE(s->dictionary("int"));
}

TEST_F(UserDefaultsTest, SuiteNamesMustBeFileNames) {
    for (const char* bad : {"", ".", "..", "a/b", "/abs"}) EXPECT_EQ(UserDefaults::suite(bad), nullptr) << bad;
    EXPECT_EQ(UserDefaults::suite(std::string("a\0b", 3)), nullptr);
    EXPECT_EQ(UserDefaults::suite(std::string(300, 'x')), nullptr);
    auto ok = UserDefaults::suite("group.com.example.tarvo");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->databasePath(), home_.path() + "/defaults/group.com.example.tarvo.sqlite");
    EXPECT_TRUE(std::filesystem::exists(ok->databasePath()));
}

TEST_F(UserDefaultsTest, FileThatIsNotADatabaseIsRefused) {
    std::filesystem::create_directories(home_.path() + "/defaults");
    {
        std::ofstream out(home_.path() + "/defaults/junk.sqlite");
        out << "this is not a database, just some text long enough to have a header............";
    }
    EXPECT_EQ(UserDefaults::suite("junk"), nullptr);
    // The standard store always exists; an unusable file makes it empty and its writes fail.
    platform::paths::setProgramName("foundation-junk");
    std::filesystem::create_directories(home_.path() + "/defaults/standard/foundation-junk.sqlite");
    auto standard = UserDefaults::standard();
    ASSERT_TRUE(standard);
    EXPECT_FALSE(standard->object("k"));
    EXPECT_FALSE(standard->trySet("k", PropertyList(1)));
    platform::paths::setProgramName("tarvo");
}

TEST_F(UserDefaultsTest, CorruptedRowReadsAsAbsent) {
    auto store = UserDefaults::suite("corrupt");
    ASSERT_TRUE(store);
    store->set("good", PropertyList("fine"));
    const std::string rows[] = {
        "('notjson', '{{{')", "('wrongtag', '{\"t\":\"nope\",\"v\":1}')", "('plain', '\"bare string\"')",
        "('blob', x'00FF00')", "('deep', '" + std::string(100000, '[') + "')",
        "('baddata', '{\"t\":\"data\",\"v\":\"***\"}')",
    };
    for (const auto& row : rows) execSql(store->databasePath(), "INSERT INTO defaults (key, value) VALUES " + row);
    for (const char* key : {"notjson", "wrongtag", "plain", "blob", "deep", "baddata"}) {
        EXPECT_FALSE(store->object(key)) << key;
        EXPECT_FALSE(store->string(key)) << key;
        EXPECT_EQ(store->integer(key), 0) << key;
    }
    EXPECT_EQ(store->keys(), std::vector<std::string>{"good"});
    EXPECT_EQ(store->string("good"), "fine");
    // Overwriting a corrupted row repairs it.
    store->set("notjson", PropertyList(1));
    EXPECT_EQ(store->integer("notjson"), 1);
}

TEST_F(UserDefaultsTest, StandardStoreIsPerProgram) {
    platform::paths::setProgramName("tarvo-share");
    UserDefaults::standard()->set("k", PropertyList("share"));
    platform::paths::setProgramName("tarvo-notify");
    EXPECT_FALSE(UserDefaults::standard()->object("k"));
    EXPECT_EQ(UserDefaults::standard()->databasePath(), home_.path() + "/defaults/standard/tarvo-notify.sqlite");
    platform::paths::setProgramName("tarvo-share");
    EXPECT_EQ(UserDefaults::standard()->string("k"), "share");
    platform::paths::setProgramName("tarvo");
}

TEST_F(UserDefaultsTest, ThreadsSharingOneStoreLoseNothing) {
    auto store = UserDefaults::suite("threads");
    ASSERT_TRUE(store);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                std::string key = "t" + std::to_string(t) + "." + std::to_string(i);
                store->set(key, PropertyList(i));
                EXPECT_EQ(store->integer(key), i);
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(store->keys().size(), 200u);
}

TEST_F(UserDefaultsTest, StoreOpenedBeforeForkWorksInTheChild) {
    auto store = UserDefaults::suite("forked");
    ASSERT_TRUE(store);
    store->set("parent", PropertyList(1));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        bool ok = store->integer("parent") == 1 && store->trySet("child", PropertyList(2));
        _exit(ok ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(store->integer("child"), 2);
    store->set("after", PropertyList(3));
    EXPECT_EQ(store->integer("after"), 3);
}

pid_t spawnWriter(const std::string& suite, const std::string& prefix, int count) {
    std::string countText = std::to_string(count);
    std::vector<char*> argv{const_cast<char*>(FOUNDATION_DEFAULTS_WRITER), const_cast<char*>(suite.c_str()),
                            const_cast<char*>(prefix.c_str()), countText.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, FOUNDATION_DEFAULTS_WRITER, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

TEST_F(UserDefaultsTest, TwoProcessesWritingOneSuiteLoseNothing) {
    constexpr int kWrites = 400;
    // Neither writer finds the file: both create it at the same moment.
    pid_t a = spawnWriter("group.shared", "app.", kWrites);
    pid_t b = spawnWriter("group.shared", "ext.", kWrites);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    for (pid_t pid : {a, b}) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    auto store = UserDefaults::suite("group.shared");
    auto all = store->dictionaryRepresentation();
    EXPECT_EQ(all.size(), 2u * kWrites);
    for (const char* prefix : {"app.", "ext."})
        for (int i = 0; i < kWrites; ++i) {
            auto it = all.find(prefix + std::to_string(i));
            ASSERT_NE(it, all.end()) << prefix << i;
            EXPECT_EQ(it->second, PropertyList(i));
        }
}

}  // namespace
