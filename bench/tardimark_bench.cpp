// Benchmarks of Tardimark against their physical floors. Each benchmark
// times the plug-in and its baseline in alternating batches within one run,
// so the ratio holds on a noisy machine, and reports both as counters. The
// product is linked in and driven through its record, as a host drives it;
// the process's allocations are counted to show that none survives a call.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "alloc/alloc_counter.h"
#include "core/cftypes.h"
#include "host/audioeffect.h"

namespace {

using Clock = std::chrono::steady_clock;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

AEffect* Create() { return createEffectInstance(Host)->getAeffect(); }
void Close(AEffect* e) { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); }

// Times `batch` calls of f and of baseline, alternately, for as long as the
// benchmark runs; reports ns per call of each, their difference and ratio,
// and the allocations left behind per call.
template <typename F, typename B>
void Compare(benchmark::State& state, int batch, F&& f, B&& baseline) {
    double fNs = 0, bNs = 0;
    std::int64_t calls = 0, leftBehind = 0;
    for (auto _ : state) {
        alloc::Scope scope;
        auto t0 = Clock::now();
        for (int i = 0; i < batch; ++i) f();
        auto t1 = Clock::now();
        for (int i = 0; i < batch; ++i) baseline();
        auto t2 = Clock::now();
        leftBehind += scope.allocations() - scope.frees();
        fNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        bNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        calls += batch;
    }
    const double perCall = fNs / static_cast<double>(calls);
    const double basePerCall = bNs / static_cast<double>(calls);
    state.counters["ns"] = perCall;
    state.counters["baseline_ns"] = basePerCall;
    state.counters["over_ns"] = perCall - basePerCall;
    state.counters["ratio"] = perCall / basePerCall;
    state.counters["leaked_allocs"] =
        static_cast<double>(leftBehind) / static_cast<double>(calls);
}

void SetUpStore() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/tardimark-bench-XXXXXX";
        std::string d = mkdtemp(tmpl);
        setenv("XDG_CONFIG_HOME", d.c_str(), 1);
        return d;
    }();
}

// processReplacing through the record, 2 channels, against two memcpy calls
// of the same sizes (out of place) or nothing at all (in place).
void Processing(benchmark::State& state) {
    SetUpStore();
    const auto frames = static_cast<VstInt32>(state.range(0));
    const bool inPlace = state.range(1) != 0;
    AEffect* e = Create();
    e->setParameter(e, 0, 0.5f);
    std::vector<float> in(2 * static_cast<std::size_t>(frames), 0.25f), out(in.size());
    float* inputs[2] = {in.data(), in.data() + frames};
    float* outputs[2] = {out.data(), out.data() + frames};
    float** dst = inPlace ? inputs : outputs;
    const std::size_t bytes = static_cast<std::size_t>(frames) * sizeof(float);
    Compare(
        state, 256,
        [&] {
            e->processReplacing(e, inputs, dst, frames);
            benchmark::ClobberMemory();
        },
        [&] {
            if (!inPlace) {
                std::memcpy(outputs[0], inputs[0], bytes);
                std::memcpy(outputs[1], inputs[1], bytes);
            }
            benchmark::ClobberMemory();
        });
    state.SetLabel(inPlace ? "in place" : "out of place");
    Close(e);
}
BENCHMARK(Processing)
    ->ArgsProduct({{1, 16, 64, 256, 1024, 4096}, {0, 1}})
    ->ArgNames({"frames", "in_place"});

// setParameter with its store write, against writing the same 8 bytes to a
// temporary file in the same directory and renaming it over the value.
void ParameterChange(benchmark::State& state) {
    SetUpStore();
    const auto index = static_cast<VstInt32>(state.range(0));
    AEffect* e = Create();
    e->setParameter(e, index, 0.5f);  // the key directories exist from here on
    const std::string dir =
        std::string(getenv("XDG_CONFIG_HOME")) + "/Vantorel/com.vantorel.Tardimark/";
    const std::string value = dir + "Baseline", temp = dir + ".Baseline.tmp";
    const unsigned char bytes[8] = {4, 0, 0, 0, 0, 0, 0, 0x3F};
    float v = 0.0f;
    Compare(
        state, 16,
        [&] {
            v = v > 0.9f ? 0.0f : v + 0.01f;
            e->setParameter(e, index, v);
        },
        [&] {
            const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0) return;
            const ssize_t n = write(fd, bytes, sizeof(bytes));
            close(fd);
            if (n == 8) rename(temp.c_str(), value.c_str());
        });
    Close(e);
}
BENCHMARK(ParameterChange)->DenseRange(0, 2)->ArgName("param");

// Creation and close of an instance (three store reads each).
void CreateAndClose(benchmark::State& state) {
    SetUpStore();
    Close(Create());  // the literal cache holds the names from here on
    Compare(
        state, 16, [] { Close(Create()); }, [] {});
}
BENCHMARK(CreateAndClose);

void DisplayText(benchmark::State& state) {
    SetUpStore();
    AEffect* e = Create();
    const auto index = static_cast<VstInt32>(state.range(0));
    char text[64];
    Compare(
        state, 256,
        [&] {
            e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
            benchmark::DoNotOptimize(text);
        },
        [] {});
    Close(e);
}
BENCHMARK(DisplayText)->DenseRange(0, 2)->ArgName("param");

void CfstrHit(benchmark::State& state) {
    static const char kLiteral[] = "Samples";
    CFSTR(kLiteral);
    Compare(
        state, 1024, [] { benchmark::DoNotOptimize(CFSTR(kLiteral)); }, [] {});
}
BENCHMARK(CfstrHit);

// One table: benchmark, time, baseline, ratio, goal, met or not.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) rows.push_back(run);
    }
    void Finalize() override {
        std::printf("\n%-44s %12s %12s %10s %8s  %-28s %s\n", "benchmark", "ns/call",
                    "baseline ns", "over ns", "ratio", "goal", "met");
        bool all = true;
        for (const Run& run : rows) {
            const std::string name = run.benchmark_name();
            auto c = [&](const char* k) {
                auto it = run.counters.find(k);
                return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
            };
            std::string goal = "report; no allocation left";
            bool met = c("leaked_allocs") == 0.0;
            if (name.rfind("Processing", 0) == 0) {
                goal = "<= 10 ns over baseline";
                met = met && c("over_ns") <= 10.0;
            } else if (name.rfind("ParameterChange", 0) == 0) {
                goal = "ratio <= 1.5";
                met = met && c("ratio") <= 1.5;
            } else if (name.rfind("CfstrHit", 0) == 0) {
                goal = "report; no allocation";
            }
            all = all && met;
            const bool hasBaseline = c("baseline_ns") > 0.5;
            std::printf("%-44s %12.1f %12s %10.1f %8s  %-28s %s\n", name.c_str(), c("ns"),
                        hasBaseline ? std::to_string(c("baseline_ns")).substr(0, 8).c_str() : "-",
                        c("over_ns"),
                        hasBaseline ? std::to_string(c("ratio")).substr(0, 5).c_str() : "-",
                        goal.c_str(), met ? "yes" : "NO");
        }
        std::printf("\nall goals met: %s\n", all ? "yes" : "NO");
    }

private:
    std::vector<Run> rows;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
