#include "comp_test_util.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include <zlib.h>

namespace fs = std::filesystem;

int64_t MemorySource::Read(void* buffer, size_t size)
{
    size_t n = std::min(size, data_.size() - pos_);
    if (failAt_ != SIZE_MAX && pos_ + n > failAt_) return -1;
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int64_t>(n);
}

bool MemorySink::Write(const void* bytes, size_t size)
{
    if (size > room_ - data.size()) return false;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (size > 0) data.insert(data.end(), p, p + size);
    return true;
}

Bytes RandomData(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

Bytes MixedData(size_t size, uint32_t seed)
{
    static const char* const words[] = {"setup ", "install ", "directory ", "file ", "copy ", "the ", "\r\n"};
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        size_t part = 1 + rng() % 4096;
        switch (rng() % 4) {
        case 0:
            while (part-- > 0) {
                const char* w = words[rng() % 7];
                out.insert(out.end(), w, w + std::strlen(w));
            }
            break;
        case 1:
            for (size_t i = 0; i < part; ++i) out.push_back(static_cast<uint8_t>(i % 7 == 0 ? 0xe8 : rng() % 16));
            break;
        case 2:
            out.insert(out.end(), part, 0);
            break;
        default:
            for (size_t i = 0; i < part; ++i) out.push_back(static_cast<uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

Bytes ProgramImage(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out(0x200, 0);
    out[0] = 'M';
    out[1] = 'Z';
    out[0x3c] = 0x80;
    const uint8_t pe[] = {'P', 'E', 0, 0, 0x4c, 0x01};
    std::memcpy(out.data() + 0x80, pe, sizeof pe);
    std::vector<uint32_t> functions(300);
    for (auto& f : functions) f = rng() % static_cast<uint32_t>(std::max<size_t>(size, 1));
    while (out.size() + 16 < size) {
        // push ebp; mov ebp, esp; a few operand bytes; call rel32
        const uint8_t prologue[] = {
            0x55, 0x89, 0xe5, 0x8b, static_cast<uint8_t>(0x45 + rng() % 3), static_cast<uint8_t>(rng() % 16 * 4)};
        out.insert(out.end(), prologue, prologue + sizeof prologue);
        const uint32_t target = functions[rng() % functions.size()];
        const uint32_t rel = target - static_cast<uint32_t>(out.size() + 5);
        out.push_back(0xe8);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(rel >> (8 * i)));
    }
    out.resize(size, 0xcc);
    return out;
}

namespace {

Bytes WithHeader(const TCompHeader& header, const Bytes& body)
{
    Bytes out(kCompMaxHeaderSize);
    out.resize(EncodeCompHeader(header, out.data()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

Bytes Pack(const Bytes& data, uint64_t fileTime, int level, TCompMethod method)
{
    MemorySource in(data);
    MemorySink body;
    TCompHeader header;
    if (CompressCompBody(in, data.size(), body, level, header, method) != kCompOk) return {};
    header.fileTime = fileTime;
    return WithHeader(header, body.data);
}

Bytes PackOneStream(const Bytes& data, uint8_t filters, int level)
{
    MemorySource in(data);
    MemorySink body;
    TCompHeader header;
    if (CompressCompOneStream(in, data.size(), body, level, filters, header) != kCompOk) return {};
    return WithHeader(header, body.data);
}

Bytes PackVersion1(const Bytes& data, uint64_t fileTime)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes stream(size);
    if (compress2(stream.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) return {};
    stream.resize(size);
    Bytes out = {'T', 'N', 'C', 'Z', '\r', '\n', 0x1a, '\n', 1, 0, 8, 0};
    auto put = [&](uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(crc32(0, data.data(), static_cast<uInt>(data.size())), 4);
    put(data.size(), 8);
    put(stream.size(), 8);
    put(fileTime, 8);
    put(crc32(0, out.data(), static_cast<uInt>(out.size())), 4);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

void WriteBytes(const std::string& path, const Bytes& data)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes ReadBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TempDir::TempDir(const std::string& name) : dir_(fs::temp_directory_path() / ("tncomp-" + name))
{
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
}

std::set<std::string> TempDir::Names(const std::string& sub) const
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(sub.empty() ? dir_ : dir_ / sub, ec))
        names.insert(e.path().filename().string());
    return names;
}
