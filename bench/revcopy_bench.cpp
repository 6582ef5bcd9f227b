// revcopy against `cp -a` on the same trees in the same folder, each run as a process of its own.
// Ends with the medians of wall time and processor time, their ratios, the peak memory of each side
// and the target; see README.md.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kDirs = 100;
constexpr int kFilesPerDir = 100;  // 10,000 files
constexpr size_t kSmallSize = 4096;
constexpr size_t kLargeSize = 256u << 20;
constexpr int kRepetitions = 5;
constexpr double kTarget = 1.5;

std::string g_dir;

struct Run {
    double wall = 0;    // seconds
    double cpu = 0;     // user and system seconds of the child
    long peakKb = 0;    // its maximum resident size
};
std::map<std::string, std::vector<Run>> g_runs;  // "<case>/<side>"

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "revcopy_bench: %s\n", what.c_str());
    std::exit(2);
}

// Runs the program to its end; its times and peak memory from wait4.
Run Spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) Die("fork");
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) Die("wait4");
    Run run;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die(args[0] + " failed");
    run.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakKb = usage.ru_maxrss;
    return run;
}

void WriteBytes(const std::string& path, size_t size, char fill) {
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, fill);
    for (size_t left = size; left > 0;) {
        const size_t n = std::min(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    if (!out) Die("cannot write " + path);
}

void MakeTrees() {
    for (int d = 0; d < kDirs; ++d) {
        const std::string dir = g_dir + "/small/dir" + std::to_string(d);
        fs::create_directories(dir);
        for (int f = 0; f < kFilesPerDir; ++f)
            WriteBytes(dir + "/file" + std::to_string(f) + ".dat", kSmallSize, static_cast<char>('a' + f % 26));
    }
    fs::create_directories(g_dir + "/large");
    WriteBytes(g_dir + "/large/big.bin", kLargeSize, 'x');
    sync();
}

// Checks that the copy holds what the source holds, then removes it and writes everything out, so
// that the next run starts from the same state.
void CheckAndRemove(const std::string& source, const std::string& copy) {
    uintmax_t files = 0, bytes = 0, copied = 0, copiedBytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(source))
        if (e.is_regular_file()) ++files, bytes += e.file_size();
    for (const auto& e : fs::recursive_directory_iterator(copy))
        if (e.is_regular_file()) ++copied, copiedBytes += e.file_size();
    if (files != copied || bytes != copiedBytes) Die(copy + " is not a full copy");
    fs::remove_all(copy);
    sync();
}

// One repetition: `cp -a` and revcopy one after the other (the order changing each time), so that
// both meet the same machine load.
void CopyBoth(benchmark::State& state, const std::string& name) {
    static int round = 0;
    for (auto _ : state) {
        ++round;
        const std::string source = g_dir + "/" + name;
        const std::string byCp = g_dir + "/cp_" + name;
        const std::string byRevcopy = g_dir + "/revcopy_" + name;
        Run ours;
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (round % 2 == 0)) {
                g_runs[name + "/cp"].push_back(Spawn({"cp", "-a", source, byCp}));
                CheckAndRemove(source, byCp);
            } else {
                ours = Spawn({REVCOPY_BENCH_PROGRAM, "-SourceDir", source, "-TargetDir", byRevcopy});
                g_runs[name + "/revcopy"].push_back(ours);
                CheckAndRemove(source, byRevcopy);
            }
        }
        state.SetIterationTime(ours.wall);
    }
}

void BM_SmallFiles(benchmark::State& state) { CopyBoth(state, "small"); }
void BM_LargeFile(benchmark::State& state) { CopyBoth(state, "large"); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Field>
double MedianOf(const std::string& key, Field field) {
    std::vector<double> v;
    for (const Run& r : g_runs[key]) v.push_back(static_cast<double>(r.*field));
    return Median(v);
}

bool Summary() {
    std::printf("\nMedians of %d runs, cp -a and revcopy in turn, files in %s:\n", kRepetitions, g_dir.c_str());
    std::printf("%-30s %10s %10s %7s %10s %10s %7s %9s %9s %8s\n", "case", "revcopy", "cp -a", "wall", "rev cpu",
                "cp cpu", "cpu", "rev peak", "cp peak", "target");
    struct Line { const char* key; const char* label; };
    const Line lines[] = {{"small", "10,000 files of 4 KB"}, {"large", "one file of 256 MB"}};
    bool ok = true;
    for (const Line& l : lines) {
        const std::string ours = std::string(l.key) + "/revcopy";
        const std::string ref = std::string(l.key) + "/cp";
        if (g_runs[ours].empty()) continue;  // filtered out
        const double wall = MedianOf(ours, &Run::wall), refWall = MedianOf(ref, &Run::wall);
        const double cpu = MedianOf(ours, &Run::cpu), refCpu = MedianOf(ref, &Run::cpu);
        const bool within = wall <= kTarget * refWall;
        ok &= within;
        std::printf("%-30s %8.3f s %8.3f s %6.2fx %8.3f s %8.3f s %6.2fx %6.1f MB %6.1f MB %6.1fx %s\n", l.label, wall,
                    refWall, wall / refWall, cpu, refCpu, refCpu > 0 ? cpu / refCpu : 0.0,
                    MedianOf(ours, &Run::peakKb) / 1024, MedianOf(ref, &Run::peakKb) / 1024, kTarget,
                    within ? "ok" : "MISSED");
    }
    return ok;
}

}  // namespace

// The reported time is revcopy's; the summary at the end sets it against cp -a.
BENCHMARK(BM_SmallFiles)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeFile)->Iterations(1)->Repetitions(kRepetitions)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* given = std::getenv("REVCOPY_BENCH_DIR");
    if (given) {
        g_dir = given;
        fs::create_directories(g_dir);
    } else {
        char pattern[] = "/tmp/revcopy_bench_XXXXXX";
        if (!mkdtemp(pattern)) Die("mkdtemp");
        g_dir = pattern;
    }
    MakeTrees();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool ok = Summary();
    std::error_code ec;
    if (given) {
        fs::remove_all(g_dir + "/small", ec);
        fs::remove_all(g_dir + "/large", ec);
    } else {
        fs::remove_all(g_dir, ec);
    }
    return ok ? 0 : 1;
}
