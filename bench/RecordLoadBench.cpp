// Loads a huge record file, or times ordinary saves and loads, measured in
// this process: wall time, processor time and the growth of peak memory.
// Not a test: it prints figures. bench/huge-loads.sh makes the files.
// Usage: record_load_bench huge test.txt|test2.txt|test.bin PATH
//        record_load_bench ordinary EMPTY_FOLDER
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/BinaryRecord.h"
#include "records/StdioTextRecord.h"
#include "records/StreamTextRecord.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

// Peak memory of the process so far, in bytes.
std::uint64_t PeakMemory()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

// Processor time of the process so far, in seconds.
double ProcessorTime()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return (std::uint64_t{ t.dwHighDateTime } << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

struct Measured {
    double wallMs, cpuMs;  // the median wall time; the mean processor time, whose clock is coarse on Windows
};

Measured Time(const std::function<void()>& action, int repeats = 1)
{
    std::vector<double> wallMs;
    const double cpuBefore = ProcessorTime();
    for (int i = 0; i < repeats; ++i) {
        const auto before = std::chrono::steady_clock::now();
        action();
        wallMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    std::nth_element(wallMs.begin(), wallMs.begin() + repeats / 2, wallMs.end());
    return { wallMs[repeats / 2], (ProcessorTime() - cpuBefore) * 1000 / repeats };
}

const char* Outcome(LoadResult result)
{
    return result == LoadResult::Loaded      ? "loaded"
           : result == LoadResult::Malformed ? "Fehler beim Lesen"
                                             : "cannot open";
}

// Loads the file in the given format; the peak memory counts from the
// process's start, when nothing of the records has been allocated.
int LoadHuge(const std::string& format, const std::string& path)
{
    const std::uint64_t peakBefore = PeakMemory();
    LoadResult result = LoadResult::CannotOpen;
    std::function<LoadResult()> load;
    if (format == "test.txt")
        load = [&] {
            StdioTextRecord r;
            return LoadStdioTextRecord(path.c_str(), r);
        };
    else if (format == "test2.txt")
        load = [&] {
            StreamTextRecord r;
            return LoadStreamTextRecord(path.c_str(), r);
        };
    else if (format == "test.bin")
        load = [&] {
            BinaryRecord r;
            return LoadBinaryRecord(path.c_str(), r);
        };
    else return 2;
    const Measured time = Time([&] { result = load(); });
    const double growthMiB = static_cast<double>(PeakMemory() - peakBefore) / (1 << 20);
    std::printf("  %-10s %-18s %8.2f ms wall %8.2f ms cpu  peak memory +%.2f MiB\n", format.c_str(), Outcome(result),
                time.wallMs, time.cpuMs, growthMiB);
    return 0;
}

int TimeOrdinary(const std::filesystem::path& folder)
{
    const std::string txt = (folder / "test.txt").string(), txt2 = (folder / "test2.txt").string(),
                      bin = (folder / "test.bin").string();
    constexpr int repeats = 200;
    std::printf("ordinary record, %d times each:\n", repeats);
    const StdioTextRecord stdio = { "Brenkow", "Talmino", 31999, "AI", "Rechnerbau", 2, true, "Hauptstr. 1", "Bus", 1 };
    const StreamTextRecord stream = { "Brenkow", "Talmino", 31999, 0, 2, 1, "Hauptstr. 1", 1 };
    const BinaryRecord binary = { "Brenkow", "Talmino", 31999, 1 };
    const std::pair<const char*, std::function<void()>> steps[] = {
        { "save test.txt", [&] { SaveStdioTextRecord(txt.c_str(), stdio); } },
        { "load test.txt",
          [&] {
              StdioTextRecord r;
              LoadStdioTextRecord(txt.c_str(), r);
          } },
        { "save test2.txt", [&] { SaveStreamTextRecord(txt2.c_str(), stream); } },
        { "load test2.txt",
          [&] {
              StreamTextRecord r;
              LoadStreamTextRecord(txt2.c_str(), r);
          } },
        { "save test.bin", [&] { SaveBinaryRecord(bin.c_str(), binary); } },
        { "load test.bin",
          [&] {
              BinaryRecord r;
              LoadBinaryRecord(bin.c_str(), r);
          } },
    };
    for (const auto& [what, step] : steps) {
        const Measured time = Time(step, repeats);
        std::printf("  %-16s %8.3f ms wall (median) %8.3f ms cpu (mean)\n", what, time.wallMs, time.cpuMs);
    }
    for (const std::string& path : { txt, txt2, bin }) std::filesystem::remove(path);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "huge" && argc == 4) return LoadHuge(argv[2], argv[3]);
    if (mode == "ordinary" && argc == 3) return TimeOrdinary(argv[2]);
    std::fprintf(stderr, "usage: %s huge test.txt|test2.txt|test.bin PATH\n       %s ordinary EMPTY_FOLDER\n", argv[0],
                 argv[0]);
    return 2;
}
