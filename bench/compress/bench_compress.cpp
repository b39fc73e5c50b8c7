// Compression ratio and expansion speed of our format, deflate and LZMA, on
// a mixed payload (text, an executable, already-compressed data), against
// zlib's own uncompress of the same data in the same run. Expansion is
// timed twice for each method: file to file as the DLL does it (temporary
// file, CRC, replace, time stamp) and memory to memory, which isolates the
// format's overhead. The five expansions run in interleaved rounds
// (bench/support/rounds.h).
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

// One method's file: its size, and seconds of each round.
struct Packed {
    fs::path file;
    Bytes bytes;
    std::vector<double> fileTimes, memoryTimes;
};

// Seconds of each round.
struct Result {
    size_t size = 0, zlib = 0;
    Packed deflate, lzma;
    std::vector<double> zlibTime;
};

Packed PackWith(TCompMethod method, const fs::path& original, const fs::path& dir)
{
    Packed p;
    p.file = dir / (method == kCompMethodLzma ? "packed.lzma" : "packed.deflate");
    if (CompressCompFile(original.c_str(), p.file.c_str(), 9, method) != kCompOk) {
        std::fprintf(stderr, "bench_compress: compression failed\n");
        std::exit(1);
    }
    p.bytes = ReadFile(p.file);
    return p;
}

// The two expansions of a packed file: file to file, memory to memory.
std::vector<std::function<double()>> Expansions(const Packed& p, const fs::path& target, Bytes& out, bool& ok)
{
    return {[&p, target, &ok] {
                return Timed([&] { ok &= ExpandCompFile(p.file.c_str(), target.c_str(), nullptr) == kCompOk; });
            },
            [&p, &out, &ok] {
                return Timed([&] {
                    MemorySource in(p.bytes);
                    MemorySink sink(out);
                    ok &= ExpandCompStream(in, sink, nullptr) == kCompOk;
                });
            }};
}

Result Measure(const Bytes& data, const fs::path& dir)
{
    Result r;
    r.size = data.size();
    const fs::path original = dir / "original", target = dir / "target";
    WriteFile(original, data);
    r.deflate = PackWith(kCompMethodDeflate, original, dir);
    r.lzma = PackWith(kCompMethodLzma, original, dir);

    uLongf zlibSize = compressBound(static_cast<uLong>(data.size()));
    Bytes zlibData(zlibSize);
    compress2(zlibData.data(), &zlibSize, data.data(), static_cast<uLong>(data.size()), 9);
    zlibData.resize(zlibSize);
    r.zlib = zlibSize;

    bool ok = true;
    Bytes outDeflate, outLzma, plain(data.size());
    std::vector<std::function<double()>> sides = Expansions(r.deflate, target, outDeflate, ok);
    for (auto& side : Expansions(r.lzma, target, outLzma, ok)) sides.push_back(side);
    sides.push_back([&] {
        return Timed([&] {
            uLongf n = static_cast<uLongf>(plain.size());
            ok &= uncompress(plain.data(), &n, zlibData.data(), static_cast<uLong>(zlibData.size())) == Z_OK;
        });
    });
    const auto seconds = bench::Interleave(kRounds, sides);
    r.deflate.fileTimes = seconds[0];
    r.deflate.memoryTimes = seconds[1];
    r.lzma.fileTimes = seconds[2];
    r.lzma.memoryTimes = seconds[3];
    r.zlibTime = seconds[4];
    if (!ok || outDeflate != data || outLzma != data || plain != data || ReadFile(target) != data) {
        std::fprintf(stderr, "bench_compress: expansion gave other bytes\n");
        std::exit(1);
    }
    return r;
}

double Percent(size_t part, size_t whole)
{
    return 100.0 * static_cast<double>(part) / static_cast<double>(std::max<size_t>(whole, 1));
}

void Print(const char* name, const Result& r)
{
    std::printf("%-10s %9zu bytes  ratio deflate %5.1f%%  lzma %5.1f%%  zlib %5.1f%%\n", name, r.size,
                Percent(r.deflate.bytes.size(), r.size), Percent(r.lzma.bytes.size(), r.size), Percent(r.zlib, r.size));
    for (const Packed* p : {&r.deflate, &r.lzma}) {
        std::printf("%-10s %-7s expand file %7.2f ms  memory %7.2f ms  (zlib uncompress %7.2f ms; medians)\n", "",
                    p == &r.lzma ? "lzma" : "deflate", bench::Median(p->fileTimes) * 1e3,
                    bench::Median(p->memoryTimes) * 1e3, bench::Median(r.zlibTime) * 1e3);
        std::printf("%-10s %-7s /zlib file %s, memory %s\n", "", p == &r.lzma ? "lzma" : "deflate",
                    bench::RatioText(bench::Ratios(p->fileTimes, r.zlibTime)).c_str(),
                    bench::RatioText(bench::Ratios(p->memoryTimes, r.zlibTime)).c_str());
    }
    std::printf("%-10s lzma/deflate size %.3f, expand file %s\n", "",
                static_cast<double>(r.lzma.bytes.size()) / static_cast<double>(r.deflate.bytes.size()),
                bench::RatioText(bench::Ratios(r.lzma.fileTimes, r.deflate.fileTimes)).c_str());
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
