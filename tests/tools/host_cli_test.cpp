// tardimark-host run as a user runs it: a separate process with a command
// line, judged by its exit status, what it prints and the files it writes.
// The plug-ins are the interface layer's test effect and the raw modules
// of this folder (probe_effect.cpp, broken_module.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "testhost/plugin_loader.h"

extern char** environ;

namespace vsthost_test {
namespace {

namespace fs = std::filesystem;

struct HostRun {
    int status;  // exit status; 128 + signal when killed
    std::string out, err;
};

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

::testing::AssertionResult Contains(const std::string& text, const std::string& piece) {
    if (text.find(piece) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << piece << "\" not found in:\n" << text;
}

std::string TestEffect() { return testhost::BesideExecutable("testplugins/TestEffect.so"); }
std::string RawModule(const std::string& name) {
    return testhost::BesideExecutable("testplugins/vsthost/" + name + ".so");
}
const std::string kProbe = RawModule("ProbeEffect");

// Each test case gets a scratch folder of its own, removed afterwards.
class HostCli : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               ("vsthost_" + std::string(info->name()) + "_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Scratch(const std::string& name) const { return (dir_ / name).string(); }

    // extraEnv: NAME=value entries that replace or add to this process's
    // environment for the host.
    HostRun Run(const std::vector<std::string>& args,
                const std::vector<std::string>& extraEnv = {}) const {
        const std::string host = testhost::BesideExecutable("tardimark-host");
        std::vector<std::string> words{host};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<std::string> envWords(extraEnv);
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const auto name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const auto& x : extraEnv) replaced = replaced || x.rfind(name, 0) == 0;
            if (!replaced) envWords.push_back(entry);
        }
        std::vector<char*> envp;
        for (auto& w : envWords) envp.push_back(w.data());
        envp.push_back(nullptr);

        const std::string outPath = Scratch("stdout.txt"), errPath = Scratch("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, host.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return {-1, "", std::string("cannot start the host: ") + std::strerror(rc)};
        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        const int status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        return {status, ReadText(outPath), ReadText(errPath)};
    }

    fs::path dir_;
};

TEST_F(HostCli, ListsTheTestEffectAndPassesItsSignalThrough) {
    const HostRun r = Run({"--plugin", TestEffect()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* line : {
             "(entry VSTPluginMain)",
             "unique ID:       'NoEf' (0x4E6F4566)",
             "VST version:     2400",
             "channels:        1 in, 2 out",
             "flags:           0x00000010 (canReplacing)",
             "programs:        4",
             "parameters:      2",
             "processing:      48000 frames at 48000 Hz in 94 blocks of at most 512, out of place",
             "bit-exact:       yes (1 of 2 outputs compared with their inputs)",
             "latency:         0 samples (0.000 ms at 48000 Hz)",
         })
        EXPECT_TRUE(Contains(r.out, line));

    // The plug-in as the one argument is the same run.
    const HostRun positional = Run({TestEffect()});
    EXPECT_EQ(positional.status, 0);
    EXPECT_EQ(positional.out, r.out);
}

TEST_F(HostCli, ListingShowsWhatTheProbeAnswersAfterTheSettings) {
    const HostRun r = Run({kProbe, "--program", "2", "--param", "Samples=0.5", "--param", "3=0"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* line : {
             "effect name:     Probe\n",
             "vendor:          Test Vendor\n",
             "product:         Probe Effect\n",
             "vendor version:  131073 (0x20001)\n",
             "category:        1 (effect)\n",
             "unique ID:       'PrbE' (0x50726245)\n",
             "channels:        2 in, 2 out\n",
             "programs:        4\n",
             "parameters:      5\n",
             "      1  Probe 1\n",
             "  *   2  Probe 2\n",
             "      0  Samples           2048                          0.500000\n",
             "      1  Seconds           0.000             s           0.000000\n",
             "      2  Samples Or Seco   Samples                       0.000000\n",
             "bit-exact:       yes (2 of 2 outputs compared with their inputs)\n",
         })
        EXPECT_TRUE(Contains(r.out, line));
}

// The probe declares what its parameters ask for, read after processing,
// or the number of blocks it was handed.
TEST_F(HostCli, ReportsTheLatencyDeclaredAfterProcessing) {
    struct Case {
        std::vector<std::string> args;
        const char* latency;
    };
    const Case cases[] = {
        {{}, "0 samples (0.000 ms at 48000 Hz)"},
        {{"--param", "Samples=0.5"}, "2048 samples (42.667 ms at 48000 Hz)"},
        {{"--param", "0=1"}, "4096 samples (85.333 ms at 48000 Hz)"},
        {{"--rate", "44100", "--param", "Samples Or Seco=1", "--param", "Seconds=0.5"},
         "22050 samples (500.000 ms at 44100 Hz)"},
        {{"--param", "Count Blocks=1"}, "94 samples (1.958 ms at 48000 Hz)"},  // blocks of 512
        {{"--param", "Count Blocks=1", "--block", "100"}, "480 samples (10.000 ms at 48000 Hz)"},
        {{"--param", "4=1", "--rate", "96000", "--block", "4096"},
         "24 samples (0.250 ms at 96000 Hz)"},
        {{"--param", "4=1", "--block", "48000"}, "1 sample (0.021 ms at 48000 Hz)"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--plugin", kProbe};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const HostRun r = Run(args);
        SCOPED_TRACE(c.latency);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, std::string("latency:         ") + c.latency + "\n"));
        EXPECT_TRUE(Contains(r.out, "bit-exact:       yes"));
    }
}

// Output = input + 0.0 is equal as numbers but turns -0.0 into +0.0: only
// a bit-for-bit comparison catches it.
TEST_F(HostCli, AnOutputThatIsOnlyEqualFailsTheCheck) {
    const HostRun r = Run({kProbe, "--param", "Add Zero=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.out, "bit-exact:       NO\n"));
    EXPECT_TRUE(Contains(r.err,
                         "output differs from input: channel 0, frame 1: input 0x80000000, "
                         "output 0x00000000"));

    const HostRun quiet = Run({kProbe, "--quiet", "--param", "Add Zero=1"});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "");
    EXPECT_TRUE(Contains(quiet.err, "output differs from input"));

    const HostRun quietPass = Run({kProbe, "-q"});
    EXPECT_EQ(quietPass.status, 0);
    EXPECT_EQ(quietPass.out, "");
    EXPECT_EQ(quietPass.err, "");
}

TEST_F(HostCli, FallsBackToTheEntryNamedMain) {
    const HostRun r = Run({RawModule("ProbeMainOnly")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "(entry main)"));
    EXPECT_TRUE(Contains(r.out, "bit-exact:       yes (2 of 2"));
}

TEST_F(HostCli, HelpTellsThatSettingsAreRemembered) {
    const HostRun r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Contains(r.out, "Usage: tardimark-host"));
    EXPECT_TRUE(Contains(r.out, "--param KEY=VALUE"));
    EXPECT_TRUE(Contains(r.out, "remembers its last settings per user"));
}

TEST_F(HostCli, RefusesWhatItCannotDoWithAClearMessage) {
    const std::string text = Scratch("notes.so");
    std::ofstream(text) << "not a shared library\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        // The plug-in binary.
        {{"--plugin", Scratch("missing.so")}, 3, "no such file: "},
        {{text}, 3, "not a plug-in: " + text + " cannot be loaded"},
        {{RawModule("NoEntry")}, 3, "exports neither VSTPluginMain nor main"},
        {{RawModule("NullEntry")}, 3, "the entry point VSTPluginMain answered null"},
        {{RawModule("BadMagic")}, 3, "bad magic 0x58787878 in the effect record"},
        // Parameters and programs the plug-in does not have.
        {{kProbe, "--param", "Nope=0.5"}, 2, "no parameter named \"Nope\""},
        {{kProbe, "--param", "samples=0.5"}, 2, "no parameter named \"samples\""},
        {{kProbe, "--param", "5=0.5"}, 2, "no parameter 5 (the plug-in has 5 parameters)"},
        {{kProbe, "--program", "4"}, 2, "no program 4 (the plug-in has 4 programs)"},
        // Values and numbers.
        {{kProbe, "--param", "Samples=1.5"}, 2, "is outside 0..1"},
        {{kProbe, "--param", "Samples=-0.1"}, 2, "is outside 0..1"},
        {{kProbe, "--param", "Samples=half"}, 2, "is not a number: \"half\""},
        {{kProbe, "--param", "Samples=nan"}, 2, "is not a number"},
        {{kProbe, "--param", "Samples=0.5x"}, 2, "is not a number"},
        {{kProbe, "--param", "Samples"}, 2, "--param wants INDEX_OR_NAME=VALUE"},
        {{kProbe, "--param", "=0.5"}, 2, "--param wants INDEX_OR_NAME=VALUE"},
        {{kProbe, "--program", "-1"}, 2, "--program must be a whole number"},
        {{kProbe, "--rate", "0"}, 2, "--rate 0 is out of range"},
        {{kProbe, "--rate", "-48000"}, 2, "--rate -48000 is out of range"},
        {{kProbe, "--rate", "48k"}, 2, "--rate is not a number"},
        {{kProbe, "--block", "0"}, 2, "--block 0 is out of range"},
        {{kProbe, "--block", "12x"}, 2, "--block must be a whole number"},
        {{kProbe, "--block", "99999999999999999999"}, 2, "out of range"},
        // The command line itself.
        {{kProbe, "--bogus"}, 2, "unknown option --bogus"},
        {{kProbe, "--block"}, 2, "--block wants a value"},
        {{kProbe, kProbe}, 2, "the plug-in is given twice"},
        {{kProbe, "--in", Scratch("a.wav")}, 2, "--in and --out go together"},
        {{kProbe, "--in", Scratch("missing.wav"), "--out", Scratch("b.wav")},
         3,
         "cannot open audio file"},
    };
    for (const auto& c : cases) {
        const HostRun r = Run(c.args);
        SCOPED_TRACE(c.message);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind("tardimark-host: ", 0), 0u) << r.err;
        EXPECT_TRUE(Contains(r.err, c.message));
        EXPECT_EQ(r.out, "");
    }
}

// --- Audio files -------------------------------------------------------

struct Audio {
    SF_INFO info{};
    std::vector<float> samples;  // interleaved
};

void WriteWav(const std::string& path, int channels, int rate, bool pcm16, int frames) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | (pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto n = static_cast<std::size_t>(frames * channels);
    if (pcm16) {
        // Full scale both ways and the smallest steps first.
        const short special[] = {0, -32768, 32767, 1, -1};
        std::vector<short> s(n);
        for (std::size_t i = 0; i < n; ++i)
            s[i] = i < std::size(special)
                       ? special[i]
                       : static_cast<short>(static_cast<int>(i * 7919 % 65536) - 32768);
        ASSERT_EQ(sf_writef_short(f, s.data(), frames), frames);
    } else {
        // Signed zeros and subnormals first: values only a bit-for-bit copy keeps.
        const float special[] = {0.0f, -0.0f, 1e-45f, -1e-45f, 1.0f, -1.0f, 1e-39f};
        std::vector<float> s(n);
        for (std::size_t i = 0; i < n; ++i)
            s[i] = i < std::size(special) ? special[i]
                                          : 0.9f * std::sin(0.013f * static_cast<float>(i));
        ASSERT_EQ(sf_writef_float(f, s.data(), frames), frames);
    }
    sf_close(f);
}

Audio ReadWav(const std::string& path) {
    Audio a;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &a.info);
    if (!f) return a;
    a.samples.resize(static_cast<std::size_t>(a.info.frames * a.info.channels));
    sf_readf_float(f, a.samples.data(), a.info.frames);
    sf_close(f);
    return a;
}

TEST_F(HostCli, AudioFileRoundTripKeepsEverySample) {
    struct Case {
        const char* name;
        std::string plugin;
        int channels;
        bool pcm16;
        int rate;
        int frames;
        std::vector<std::string> args;
        int status;
        std::vector<int> sourceOf;  // input file channel of each output channel; -1: silence
        bool plusZero;              // expected output = input + 0.0
        const char* line;
    };
    const Case cases[] = {
        {"stereo float through a stereo effect",
         kProbe,
         2,
         false,
         44100,
         1000,
         {"--block", "64"},
         0,
         {0, 1},
         false,
         "processing:      1000 frames at 44100 Hz in 16 blocks of at most 64"},
        {"mono 16-bit feeds both inputs",
         kProbe,
         1,
         true,
         48000,
         777,
         {},
         0,
         {0, 0},
         false,
         "bit-exact:       yes (2 of 2"},
        {"stereo into one input: the second file channel is dropped",
         TestEffect(),
         2,
         false,
         22050,
         600,
         {},
         0,
         {0, -1},
         false,
         "file channel 1 dropped: the plug-in has 1 input\n"},
        {"--rate reaches the plug-in, the file keeps its rate",
         kProbe,
         2,
         false,
         44100,
         300,
         {"--rate", "96000", "--param", "Samples Or Seco=1", "--param", "Seconds=0.5"},
         0,
         {0, 1},
         false,
         "latency:         48000 samples (500.000 ms at 96000 Hz)"},
        {"a changed output fails the check and is still written",
         kProbe,
         2,
         false,
         44100,
         300,
         {"--param", "Add Zero=1"},
         1,
         {0, 1},
         true,
         "bit-exact:       NO"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Scratch("in.wav"), out = Scratch("out.wav");
        fs::remove(out);
        WriteWav(in, c.channels, c.rate, c.pcm16, c.frames);
        std::vector<std::string> args{c.plugin, "--in", in, "--out", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const HostRun r = Run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(Contains(r.out, c.line));

        const Audio source = ReadWav(in);
        const Audio result = ReadWav(out);
        ASSERT_EQ(result.info.channels, static_cast<int>(c.sourceOf.size()));
        EXPECT_EQ(result.info.samplerate, c.rate);
        EXPECT_EQ(result.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(result.info.frames, c.frames);
        int mismatches = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(c.frames); ++i) {
            for (std::size_t ch = 0; ch < c.sourceOf.size(); ++ch) {
                const int src = c.sourceOf[ch];
                float want = src < 0 ? 0.0f
                                     : source.samples[i * static_cast<std::size_t>(c.channels) +
                                                      static_cast<std::size_t>(src)];
                if (c.plusZero) want += 0.0f;
                const float got = result.samples[i * c.sourceOf.size() + ch];
                if (std::memcmp(&want, &got, sizeof(float)) != 0 && ++mismatches <= 3)
                    ADD_FAILURE() << "frame " << i << " channel " << ch << ": " << got
                                  << " instead of " << want;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// --- The product, loaded from beside the host by default ----------------

#if VT_TEST_PRODUCT
// The product keeps its remembered settings under the user's configuration
// folder; each run here gets an empty one of its own.
TEST_F(HostCli, RunsTheProductByDefaultAndItRemembersTheSettings) {
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + Scratch("config")};
    const HostRun fresh = Run({}, env);
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    for (const char* line : {
             "effect name:     Tardimark\n",
             "vendor:          Vantorel\n",
             "unique ID:       'Vtdm' (0x5674646D)\n",
             "channels:        2 in, 2 out\n",
             "bit-exact:       yes (2 of 2 outputs compared with their inputs)\n",
             "latency:         0 samples (0.000 ms at 48000 Hz)\n",
         })
        EXPECT_TRUE(Contains(fresh.out, line));

    const HostRun set = Run({"--param", "Samples=0.5"}, env);
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(Contains(set.out, "latency:         2048 samples (42.667 ms at 48000 Hz)\n"));
    // A new instance starts from the value set last.
    const HostRun again = Run({}, env);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(Contains(again.out, "latency:         2048 samples (42.667 ms at 48000 Hz)\n"));
}
#else
TEST_F(HostCli, LooksForTheProductBesideItselfByDefault) {
    if (fs::exists(testhost::BesideExecutable("Tardimark.so")))
        GTEST_SKIP() << "a product is there";
    const HostRun r = Run({});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "no such file: " + testhost::BesideExecutable("Tardimark.so")));
}
#endif

}  // namespace
}  // namespace vsthost_test
