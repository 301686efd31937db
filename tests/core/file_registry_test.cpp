// The file-backed store: where and how values land on disk, what it does
// with a broken or hostile tree, and concurrent writers in several processes.
#include "core/file_registry.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/stored_defaults.h"
#include "tests/core/store_fixture.h"

namespace fs = std::filesystem;

namespace {

std::optional<std::vector<unsigned char>> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Every entry below `root`, as paths relative to it.
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> entries;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root, ignored)) {
        entries.insert(fs::relative(entry.path(), root).string());
    }
    return entries;
}

const std::vector<unsigned char> kOneSecond = {0x04, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F};

class FileStore : public StoreTest {
protected:
    fs::path AppDir() const { return root_ / "Vantorel" / "com.vantorel.Tardimark"; }

    const CFString seconds_{"Seconds"};
};

TEST_F(FileStore, AValueIsOneFileOfTypeCodeAndData) {
    WriteDefault(&seconds_, 1.0f);
    EXPECT_EQ(FileBytes(AppDir() / "Seconds"), kOneSecond);
    // Nothing else: no temporary left, no extra level.
    EXPECT_EQ(Tree(root_), (std::set<std::string>{"Vantorel", "Vantorel/com.vantorel.Tardimark",
                                                  "Vantorel/com.vantorel.Tardimark/Seconds"}));
}

// Where HKCU\Software lands for each environment; "" when nowhere.
TEST_F(FileStore, TheConfigurationDirectoryFollowsTheEnvironment) {
    struct Case {
        const char* what;
        const char* xdg;   // relative to the test root; null: unset
        const char* home;  // relative to the test root; null: unset
        const char* expected;
    };
    const Case cases[] = {
        {"XDG_CONFIG_HOME set", "xdg", "home", "xdg"},
        {"XDG_CONFIG_HOME missing is made", "xdg-new", "home", "xdg-new"},
        {"XDG_CONFIG_HOME empty", "", "home", "home/.config"},
        {"XDG_CONFIG_HOME relative", "@relative", "home", "home/.config"},
        {"XDG_CONFIG_HOME unset", nullptr, "home", "home/.config"},
        {"~/.config missing is made", nullptr, "bare-home", "bare-home/.config"},
        {"HOME missing is not made", nullptr, "no-home", ""},
        {"HOME relative", nullptr, "@relative", ""},
        {"no environment", nullptr, nullptr, ""},
    };
    const fs::path base = root_;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(base / "xdg" / "Vantorel");
        fs::remove_all(base / "xdg-new");
        fs::remove_all(base / "home" / ".config");
        fs::remove_all(base / "bare-home");
        fs::create_directories(base / "xdg");
        fs::create_directories(base / "home" / ".config");
        fs::create_directories(base / "bare-home");
        auto set = [&](const char* variable, const char* value) {
            if (value == nullptr) {
                unsetenv(variable);
            } else if (value[0] == '@' || value[0] == '\0') {
                setenv(variable, value[0] == '@' ? "relative/dir" : "", 1);
            } else {
                setenv(variable, (base / value).c_str(), 1);
            }
        };
        set("XDG_CONFIG_HOME", c.xdg);
        set("HOME", c.home);

        const std::set<std::string> before = Tree(base);
        WriteDefault(&seconds_, 1.0f);
        if (c.expected[0] == '\0') {
            EXPECT_EQ(Tree(base), before);
            EXPECT_EQ(ReadDefault(&seconds_), 0.0f);
        } else {
            const fs::path value = base / c.expected / "Vantorel/com.vantorel.Tardimark/Seconds";
            EXPECT_EQ(FileBytes(value), kOneSecond);
            EXPECT_EQ(ReadDefault(&seconds_), 1.0f);
        }
    }
    EXPECT_FALSE(fs::exists("relative"));
}

// A tree that cannot hold the value: reads give 0.0, writes change nothing
// and leave no temporary. Each case breaks a fresh tree.
TEST_F(FileStore, BrokenTreesReadAsZeroAndDropWrites) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& root, const fs::path& app)> breakTree;
    };
    const Case cases[] = {
        {"configuration directory missing, parent too",
         [](const fs::path& root, const fs::path&) {
             setenv("XDG_CONFIG_HOME", (root / "gone" / "config").c_str(), 1);
         }},
        {"configuration directory is a file",
         [](const fs::path& root, const fs::path&) {
             WriteFile(root / "file", {1});
             setenv("XDG_CONFIG_HOME", (root / "file").c_str(), 1);
         }},
        {"configuration directory is a dangling link",
         [](const fs::path& root, const fs::path&) {
             fs::create_symlink(root / "nowhere", root / "link");
             setenv("XDG_CONFIG_HOME", (root / "link").c_str(), 1);
         }},
        {"maker key is a file",
         [](const fs::path& root, const fs::path&) { WriteFile(root / "Vantorel", {1}); }},
        {"application key is a dangling link",
         [](const fs::path& root, const fs::path& app) {
             fs::create_directories(root / "Vantorel");
             fs::create_symlink(root / "nowhere", app);
         }},
        {"value is a directory",
         [](const fs::path&, const fs::path& app) {
             fs::create_directories(app / "Seconds" / "x");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path root = root_ / "case";
        fs::remove_all(root);
        fs::create_directories(root);
        setenv("XDG_CONFIG_HOME", root.c_str(), 1);
        c.breakTree(root, root / "Vantorel" / "com.vantorel.Tardimark");
        // A read makes the first two levels, if it can; nothing else may change.
        auto tree = [&] {
            std::set<std::string> entries = Tree(root_);
            entries.erase("case/Vantorel");
            return entries;
        };
        const std::set<std::string> before = tree();

        EXPECT_EQ(ReadDefault(&seconds_), 0.0f);
        WriteDefault(&seconds_, 1.0f);
        EXPECT_EQ(ReadDefault(&seconds_), 0.0f);
        EXPECT_EQ(tree(), before);
    }
}

// Values the store did not write whole: a read gives 0.0, and a write
// replaces the entry itself (never writing through a link).
TEST_F(FileStore, DamagedValuesReadAsZeroAndAreReplacedByWrites) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& value)> damage;
    };
    const Case cases[] = {
        {"empty file", [](const fs::path& value) { WriteFile(value, {}); }},
        {"type code cut short",
         [](const fs::path& value) {
             WriteFile(value, {0x04, 0, 0});
         }},
        {"dangling link",
         [](const fs::path& value) { fs::create_symlink(value.parent_path() / "nowhere", value); }},
        // Opening a FIFO for reading would wait for a writer.
        {"FIFO", [](const fs::path& value) { ASSERT_EQ(mkfifo(value.c_str(), 0600), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(AppDir());
        fs::create_directories(AppDir());
        c.damage(AppDir() / "Seconds");
        EXPECT_EQ(ReadDefault(&seconds_), 0.0f);
        WriteDefault(&seconds_, 1.0f);
        EXPECT_EQ(ReadDefault(&seconds_), 1.0f);
        EXPECT_FALSE(fs::is_symlink(AppDir() / "Seconds"));
        EXPECT_FALSE(fs::exists(AppDir() / "nowhere"));
    }
}

TEST_F(FileStore, AReadOnlyKeyKeepsItsValue) {
    WriteDefault(&seconds_, 1.0f);
    fs::permissions(AppDir(), fs::perms::owner_read | fs::perms::owner_exec);
    // Permission bits do not bind a privileged user: then the tree is handed
    // to an unprivileged one, who runs the check.
    constexpr uid_t kNobody = 65534;
    const bool privileged = access(AppDir().c_str(), W_OK) == 0;
    if (privileged) {
        for (const fs::path& path : {root_, root_ / "Vantorel", AppDir(), AppDir() / "Seconds"}) {
            ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0) << path;
        }
    }
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (privileged && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
                           setuid(kNobody) != 0 || access(AppDir().c_str(), W_OK) == 0)) {
            _exit(77);
        }
        WriteDefault(&seconds_, 2.0f);
        _exit(ReadDefault(&seconds_) == 1.0f ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no unprivileged user to check with";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write was not dropped, or the old value not kept";
    EXPECT_EQ(Tree(AppDir()), std::set<std::string>{"Seconds"});
}

// Each name maps to one file inside the key's directory, none hidden, none
// shared with another name.
TEST_F(FileStore, NamesNeverLeaveTheirKeyDirectory) {
    struct Case {
        std::string name;
        std::string file;
    };
    const Case cases[] = {
        {"Samples", "Samples"},
        {"", "%"},
        {".", "%2E"},
        {"..", "%2E."},
        {".hidden", "%2Ehidden"},
        {"a..b", "a..b"},
        {"../../../escaped", "%2E.%2F..%2F..%2Fescaped"},
        {"/etc/passwd", "%2Fetc%2Fpasswd"},
        {"dir\\sub", "dir%5Csub"},
        {"100%", "100%25"},
        {"%25", "%2525"},
        {"with space", "with%20space"},
        {"\x01\x7F\xFF", "%01%7F%FF"},
    };
    float value = 1.0f;
    std::set<std::string> files;
    for (const Case& c : cases) {
        const CFString name(c.name.c_str());
        WriteDefault(&name, value);
        value += 1.0f;
        files.insert(c.file);
        EXPECT_TRUE(fs::is_regular_file(AppDir() / c.file)) << c.file;
    }
    EXPECT_EQ(Tree(AppDir()), files);
    EXPECT_EQ(Tree(root_).size(), files.size() + 2);  // the two key levels
    value = 1.0f;
    for (const Case& c : cases) {
        const CFString name(c.name.c_str());
        EXPECT_EQ(ReadDefault(&name), value) << c.file;
        value += 1.0f;
    }

    // A name whose escaped form is too long for a file name is refused.
    const CFString tooLong(std::string(100, '/').c_str());
    WriteDefault(&tooLong, 1.0f);
    EXPECT_EQ(ReadDefault(&tooLong), 0.0f);
    EXPECT_EQ(Tree(AppDir()), files);
}

TEST_F(FileStore, OpenNeverCreatesAndQueriesRespectTheBuffer) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kMakerPath, 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Tree(root_).empty());

    Plant("Long", REG_BINARY, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kApplicationPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    BYTE data[4] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Long", nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Long", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// Several processes write one value at once while this one reads it: every
// read sees no value (before the first write) or a whole written value, and
// the end state is one of them, with no temporary left.
TEST_F(FileStore, ConcurrentWritersInSeveralProcessesNeverTearAValue) {
    const float values[] = {1.0f, 2.0f, 3.0f, 4.0f, 4.0f, 4.0f};  // three writers agree
    constexpr int kWrites = 300;
    std::vector<pid_t> children;
    for (const float value : values) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < kWrites; ++i) WriteDefault(&seconds_, value);
            _exit(0);
        }
        children.push_back(pid);
    }

    auto isWritten = [&](const std::vector<BYTE>& data) {
        return std::any_of(std::begin(values), std::end(values), [&](float value) {
            std::vector<BYTE> bytes(sizeof value);
            std::memcpy(bytes.data(), &value, sizeof value);
            return bytes == data;
        });
    };
    int reads = 0;
    bool seenValue = false;
    for (std::size_t running = children.size(); running > 0;) {
        const Stored stored = Query("Seconds");
        ++reads;
        if (stored.status == ERROR_SUCCESS) {
            seenValue = true;
            ASSERT_EQ(stored.type, REG_DWORD);
            ASSERT_TRUE(isWritten(stored.data)) << "torn value at read " << reads;
        } else {
            // Once there, a value is replaced, never missing.
            ASSERT_FALSE(seenValue) << "value vanished at read " << reads;
        }
        int status = 0;
        const pid_t done = waitpid(-1, &status, WNOHANG);
        if (done > 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            --running;
        }
    }
    const Stored end = Query("Seconds");
    ASSERT_EQ(end.status, ERROR_SUCCESS);
    EXPECT_TRUE(isWritten(end.data));
    EXPECT_EQ(Tree(AppDir()), std::set<std::string>{"Seconds"});
}

}  // namespace
