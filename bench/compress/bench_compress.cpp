// Compression ratio and expansion speed of our format on a mixed payload
// (text, an executable, already-compressed data), against zlib's own
// uncompress of the same data in the same run. Expansion is timed twice for
// ours: file to file as the DLL does it (temporary file, CRC, replace,
// time stamp) and memory to memory, which isolates the format's overhead.
// The three expansions run in interleaved rounds (bench/support/rounds.h).
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "comp_file.h"
#include "rounds.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kRounds = 7;

class MemorySource : public TCompSource {
public:
    explicit MemorySource(const Bytes& data) : data_(data) {}
    int64_t Read(void* buffer, size_t size) override
    {
        size_t n = std::min(size, data_.size() - pos_);
        std::copy_n(data_.data() + pos_, n, static_cast<uint8_t*>(buffer));
        pos_ += n;
        return static_cast<int64_t>(n);
    }

private:
    const Bytes& data_;
    size_t pos_ = 0;
};

class MemorySink : public TCompSink {
public:
    explicit MemorySink(Bytes& out) : out_(out) { out_.clear(); }
    bool Write(const void* data, size_t size) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
        return true;
    }

private:
    Bytes& out_;
};

Bytes ReadFile(const fs::path& path, size_t limit = SIZE_MAX)
{
    std::ifstream f(path, std::ios::binary);
    Bytes data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (data.size() > limit) data.resize(limit);
    return data;
}

void WriteFile(const fs::path& path, const Bytes& data)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes Text(size_t want)
{
    Bytes out;
    for (const char* dir : {"/usr/share/common-licenses", "/usr/include"}) {
        std::error_code ec;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(dir, ec))
            if (e.is_regular_file(ec)) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto& p : files) {
            if (out.size() >= want) return out;
            Bytes part = ReadFile(p, want - out.size());
            out.insert(out.end(), part.begin(), part.end());
        }
    }
    return out;
}

Bytes Executable(std::string& name)
{
    for (const char* candidate : {NIMBO_SOURCE_DIR "/build/win32/setup.exe", "/usr/lib/wine/wine", "/bin/bash"}) {
        Bytes data = ReadFile(candidate);
        if (data.size() > 100000) {
            name = candidate;
            return data;
        }
    }
    name = "none";
    return {};
}

double Timed(const std::function<void()>& run)
{
    const auto start = bench::Clock::now();
    run();
    return bench::Seconds(start);
}

// Seconds of each round.
struct Result {
    size_t size = 0, ours = 0, zlib = 0;
    std::vector<double> oursFile, oursMemory, zlibTime;
};

Result Measure(const Bytes& data, const fs::path& dir)
{
    Result r;
    r.size = data.size();
    fs::path original = dir / "original", packed = dir / "packed", target = dir / "target";
    WriteFile(original, data);
    if (CompressCompFile(original.c_str(), packed.c_str()) != kCompOk) {
        std::fprintf(stderr, "bench_compress: compression failed\n");
        std::exit(1);
    }
    Bytes ours = ReadFile(packed);
    r.ours = ours.size();

    uLongf zlibSize = compressBound(static_cast<uLong>(data.size()));
    Bytes zlibData(zlibSize);
    compress2(zlibData.data(), &zlibSize, data.data(), static_cast<uLong>(data.size()), 9);
    zlibData.resize(zlibSize);
    r.zlib = zlibSize;

    bool ok = true;
    Bytes out;
    out.reserve(data.size());
    Bytes plain(data.size());
    const auto seconds = bench::Interleave(
        kRounds,
        {[&] { return Timed([&] { ok &= ExpandCompFile(packed.c_str(), target.c_str(), nullptr) == kCompOk; }); },
         [&] {
             return Timed([&] {
                 MemorySource in(ours);
                 MemorySink sink(out);
                 ok &= ExpandCompStream(in, sink, nullptr) == kCompOk;
             });
         },
         [&] {
             return Timed([&] {
                 uLongf n = static_cast<uLongf>(plain.size());
                 ok &= uncompress(plain.data(), &n, zlibData.data(), static_cast<uLong>(zlibData.size())) == Z_OK;
             });
         }});
    r.oursFile = seconds[0];
    r.oursMemory = seconds[1];
    r.zlibTime = seconds[2];
    if (!ok || out != data || plain != data || ReadFile(target) != data) {
        std::fprintf(stderr, "bench_compress: expansion gave other bytes\n");
        std::exit(1);
    }
    return r;
}

void Print(const char* name, const Result& r)
{
    std::printf("%-10s %9zu bytes  ratio ours %5.1f%%  zlib %5.1f%%  |  expand ours file %7.2f ms  "
                "memory %7.2f ms  zlib uncompress %7.2f ms (medians)\n",
                name, r.size, 100.0 * static_cast<double>(r.ours) / static_cast<double>(std::max<size_t>(r.size, 1)),
                100.0 * static_cast<double>(r.zlib) / static_cast<double>(std::max<size_t>(r.size, 1)),
                bench::Median(r.oursFile) * 1e3, bench::Median(r.oursMemory) * 1e3, bench::Median(r.zlibTime) * 1e3);
    std::printf("%-10s ours/zlib file %s, memory %s\n", "",
                bench::RatioText(bench::Ratios(r.oursFile, r.zlibTime)).c_str(),
                bench::RatioText(bench::Ratios(r.oursMemory, r.zlibTime)).c_str());
}

}  // namespace

int main()
{
    fs::path dir = fs::temp_directory_path() / ("bench_compress-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string exeName;
    Bytes text = Text(3 << 20);
    Bytes exe = Executable(exeName);
    Bytes random(2 << 20);
    std::mt19937 rng(42);
    for (auto& b : random) b = static_cast<uint8_t>(rng());
    Bytes mixed;
    for (const Bytes* part : {&text, &exe, &random}) mixed.insert(mixed.end(), part->begin(), part->end());

    std::printf("payload: text %zu, executable %zu (%s), random %zu bytes; %d interleaved rounds\n", text.size(),
                exe.size(), exeName.c_str(), random.size(), kRounds);
    Print("text", Measure(text, dir));
    Print("executable", Measure(exe, dir));
    Print("random", Measure(random, dir));
    Print("mixed", Measure(mixed, dir));
    fs::remove_all(dir);
    return 0;
}
