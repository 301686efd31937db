// A broken store through the product: whatever state the user's
// configuration is in, an instance is created whole, starts from what can be
// read (0.0 where nothing can), keeps the parameter changes it is given, and
// leaves the store no worse. Each case runs its host session in a child
// process, so that a crash or a hang fails the case instead of the run, and
// the environment of the test process stays as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/product/store_fixture.h"
#include "tests/reliability/reliability.h"

namespace reliability {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void MakeReadOnly(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        fs::permissions(entry.path(),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    fs::permissions(root, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

class StoreFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(lib.loaded()) << lib.error(); }
    void TearDown() override {
        // Cases may leave read-only directories behind.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored))
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }

    // The session every case runs: creation, a block, three parameter
    // changes, close, and a second instance that shows what was kept.
    // Samples is checked as the normalised value the host reads back.
    std::string Session(float samplesFirst, float samplesSecond) {
        std::ostringstream failures;
        AEffect* e = lib.main()(testhost::RecordingHost::callback());
        if (!e) return "creation answered null";
        StereoBuffer in(64), out(64);
        if (!PassesThrough(e, in, out, 1)) failures << "first instance does not pass audio; ";
        const float read[3] = {e->getParameter(e, 0), e->getParameter(e, 1), e->getParameter(e, 2)};
        if (read[0] != samplesFirst || read[1] != 0.0f || read[2] != 0.0f)
            failures << "first instance read " << read[0] << ", " << read[1] << ", " << read[2]
                     << "; ";
        if (Delay(e) != static_cast<VstInt32>(samplesFirst * 4096.0f))
            failures << "first delay " << Delay(e) << "; ";
        e->setParameter(e, 0, 0.5f);
        e->setParameter(e, 1, 0.25f);
        e->setParameter(e, 2, 0.0f);
        if (e->getParameter(e, 0) != 0.5f || e->getParameter(e, 1) != 0.25f)
            failures << "the instance lost its parameter changes; ";
        if (!PassesThrough(e, in, out, 2) || Delay(e) != 2048)
            failures << "after the changes: delay " << Delay(e) << "; ";
        if (Dispatch(e, effClose) != 1) failures << "close did not answer 1; ";

        AEffect* second = lib.main()(testhost::RecordingHost::callback());
        if (!second) return failures.str() + "second creation answered null";
        if (second->getParameter(second, 0) != samplesSecond)
            failures << "second instance read " << second->getParameter(second, 0) << "; ";
        Dispatch(second, effClose);
        return failures.str();
    }

    testhost::IsolatedStore store;
    const fs::path root = std::getenv("XDG_CONFIG_HOME");
    testhost::PluginLibrary lib{testhost::BesideExecutable(kPlugin)};
    testhost::RecordingHost host;
};

// Each case breaks a fresh configuration directory `config`, in the child,
// after XDG_CONFIG_HOME is set to it and before the session runs.
TEST_F(StoreFaults, CreationAndParameterChangesSurviveABrokenStore) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& config)> breakStore;
        float samplesFirst;   // normalised Samples the first instance reads
        float samplesSecond;  // ... and the second, after the first wrote 0.5
        bool unprivileged;    // permission bits must bind
    };
    const auto app = [](const fs::path& config) {
        return config / "Vantorel" / "com.vantorel.Tardimark";
    };
    const auto seedSamples = [&](const fs::path& config, std::vector<unsigned char> bytes) {
        fs::create_directories(app(config));
        WriteBytes(app(config) / "Samples", bytes);
    };
    // 1024.0 as a stored DWORD: type code 4, then the float's bytes.
    const std::vector<unsigned char> k1024 = {4, 0, 0, 0, 0x00, 0x00, 0x80, 0x44};
    const Case cases[] = {
        {"configuration directory cannot be made: its parent is missing",
         [](const fs::path& config) {
             setenv("XDG_CONFIG_HOME", (config / "missing" / "config").c_str(), 1);
         },
         0.0f, 0.0f, false},
        {"configuration directory read-only", [](const fs::path& config) { MakeReadOnly(config); },
         0.0f, 0.0f, true},
        {"whole store read-only: the values are read, the write is dropped",
         [&](const fs::path& config) {
             seedSamples(config, k1024);
             MakeReadOnly(config);
         },
         0.25f, 0.25f, true},
        {"no HOME and no XDG_CONFIG_HOME",
         [](const fs::path&) {
             unsetenv("XDG_CONFIG_HOME");
             unsetenv("HOME");
         },
         0.0f, 0.0f, false},
        {"HOME relative and no XDG_CONFIG_HOME",
         [](const fs::path&) {
             unsetenv("XDG_CONFIG_HOME");
             setenv("HOME", "relative/home", 1);
         },
         0.0f, 0.0f, false},
        {"application key is a file",
         [&](const fs::path& config) {
             fs::create_directories(config / "Vantorel");
             WriteBytes(app(config), k1024);
         },
         0.0f, 0.0f, false},
        {"value is a directory",
         [&](const fs::path& config) { fs::create_directories(app(config) / "Samples" / "x"); },
         0.0f, 0.0f, false},
        {"value is a dangling link",
         [&](const fs::path& config) {
             fs::create_directories(app(config));
             fs::create_symlink(config / "nowhere", app(config) / "Samples");
         },
         0.0f, 0.5f, false},
        {"value is a link to itself",
         [&](const fs::path& config) {
             fs::create_directories(app(config));
             fs::create_symlink(app(config) / "Samples", app(config) / "Samples");
         },
         0.0f, 0.5f, false},
        {"value is a FIFO, which must not hang the read",
         [&](const fs::path& config) {
             fs::create_directories(app(config));
             if (mkfifo((app(config) / "Samples").c_str(), 0600) != 0) std::abort();
         },
         0.0f, 0.5f, false},
        {"value file truncated inside its data",
         [&](const fs::path& config) {
             seedSamples(config, {4, 0, 0, 0, 0x00, 0x80});
         },
         0.0f, 0.5f, false},
        {"value file truncated inside its type code",
         [&](const fs::path& config) {
             seedSamples(config, {4, 0});
         },
         0.0f, 0.5f, false},
        {"value file oversized: a whole value followed by a megabyte",
         [&](const fs::path& config) {
             std::vector<unsigned char> bytes = k1024;
             bytes.resize(bytes.size() + (1 << 20), 0xAB);
             seedSamples(config, bytes);
         },
         0.0f, 0.5f, false},
    };
    // An unprivileged child must reach the case directories.
    fs::permissions(root,
                    fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::add);
    std::string skipped;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path config = root / ("case" + std::to_string(index++));
        fs::create_directories(config);
        const ChildResult result =
            RunInChild([&] { return Session(c.samplesFirst, c.samplesSecond); }, c.unprivileged,
                       [&] {
                           setenv("XDG_CONFIG_HOME", config.c_str(), 1);
                           c.breakStore(config);
                       });
        if (result.skipped) skipped += std::string(c.what) + "; ";
        EXPECT_EQ(result.failures, "");
    }
    EXPECT_FALSE(fs::exists("relative")) << "a relative HOME reached the working directory";
    if (!skipped.empty()) GTEST_SKIP() << "no unprivileged user to run as: " << skipped;
}

}  // namespace
}  // namespace reliability
