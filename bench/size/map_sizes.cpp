#include "map_sizes.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

namespace nimbo::bench {

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "dir/libfoo.a(member.o)" splits into the archive and its member.
bool SplitArchive(const std::string& input, std::string& archive, std::string& member)
{
    const size_t open = input.rfind('(');
    if (open == std::string::npos || input.empty() || input.back() != ')') return false;
    archive = input.substr(0, open);
    member = input.substr(open + 1, input.size() - open - 2);
    return true;
}

// Toolchain archives by the part of the runtime they are.
const char* ToolchainGroup(const std::string& base)
{
    static const std::pair<const char*, const char*> kKnown[] = {
        {"libstdc++.a", "libstdc++"},      {"libsupc++.a", "libstdc++"},   {"libgcc.a", "libgcc"},
        {"libgcc_eh.a", "libgcc"},         {"libmingw32.a", "mingw CRT"},  {"libmingwex.a", "mingw CRT"},
        {"libmsvcrt.a", "mingw CRT"},      {"libmoldname.a", "mingw CRT"}, {"libmingwthrd.a", "mingw CRT"},
        {"crt2.o", "mingw CRT"},           {"crtbegin.o", "mingw CRT"},    {"crtend.o", "mingw CRT"},
        {"libwinpthread.a", "winpthread"}, {"libpthread.a", "winpthread"}, {"libz.a", "zlib"},
    };
    for (const auto& [name, group] : kKnown)
        if (base == name) return group;
    return nullptr;
}

// A CMake object file lies in ".../CMakeFiles/<target>.dir/...".
std::string CMakeTarget(const std::string& path)
{
    const size_t dir = path.find(".dir/");
    if (dir == std::string::npos) return "";
    const size_t start = path.find_last_of('/', dir);
    return path.substr(start == std::string::npos ? 0 : start + 1, dir - (start == std::string::npos ? 0 : start + 1));
}

bool IsHex(const std::string& token) { return StartsWith(token, "0x") && token.size() > 2; }

// " .name 0xADDR 0xSIZE file" (or the same without the name, when a long
// section name took the line before): the size and the file, if any.
bool ParseInputLine(std::istringstream& rest, long& size, std::string& file)
{
    std::string addr, len;
    if (!(rest >> addr >> len) || !IsHex(addr) || !IsHex(len)) return false;
    size = std::strtol(len.c_str(), nullptr, 16);
    std::getline(rest >> std::ws, file);
    while (!file.empty() && (file.back() == '\r' || file.back() == ' ')) file.pop_back();
    if (file.empty()) file = "(linker)";
    return true;
}

}  // namespace

long InputSize::Total() const
{
    long total = 0;
    for (long b : bytes) total += b;
    return total;
}

SectionKind KindOf(const std::string& section)
{
    if (section == ".text") return SectionKind::Text;
    if (section == ".rdata") return SectionKind::Rdata;
    if (section == ".eh_frame") return SectionKind::EhFrame;
    if (section == ".data") return SectionKind::Data;
    if (section == ".bss" || StartsWith(section, ".debug") || StartsWith(section, "/") || section.empty() ||
        section[0] != '.')
        return SectionKind::None;
    return SectionKind::Other;
}

std::string GroupOf(const std::string& input)
{
    std::string archive, member;
    const bool inArchive = SplitArchive(input, archive, member);
    const std::string path = inArchive ? archive : input;
    const std::string base = BaseName(path);
    if (base.find(".ltrans") != std::string::npos) return "own code, whole-program optimised";
    if (EndsWith(inArchive ? member : base, ".res")) return "resources";
    if (const char* group = ToolchainGroup(base)) return group;
    const std::string target = CMakeTarget(path);
    if (!target.empty()) return target;
    if (!EndsWith(base, ".a")) return base;
    // A DLL's import library holds one stub per function, each member named
    // after the library ("libkernel32s00135.o", "libkernel32h.o").
    const std::string stem = base.substr(0, base.size() - 2);
    if (inArchive && StartsWith(BaseName(member), stem.c_str())) return "Windows import libraries";
    return stem;
}

std::string ShortName(const std::string& input)
{
    std::string archive, member;
    if (SplitArchive(input, archive, member)) return BaseName(archive) + "(" + BaseName(member) + ")";
    return BaseName(input);
}

std::vector<InputSize> ReadMap(std::istream& map)
{
    std::vector<InputSize> inputs;
    std::map<std::string, size_t> index;
    std::string line, file;
    bool started = false, pending = false;
    SectionKind kind = SectionKind::None;
    while (std::getline(map, line)) {
        if (!started) {
            started = StartsWith(line, "Linker script and memory map");
            continue;
        }
        if (line.empty()) continue;
        std::istringstream rest(line);
        long size = 0;
        if (line[0] != ' ') {
            std::string name;
            rest >> name;
            kind = KindOf(name);
            pending = false;
            continue;
        }
        // An input section starts one column in; deeper lines are its symbols
        // or, after a long section name, its address and size.
        const bool named = line.size() > 1 && (line[1] == '.' || StartsWith(line, " COMMON"));
        if (named) {
            std::string name;
            rest >> name;
        } else if (line.size() < 2 || line[1] != ' ' || !pending) {
            pending = false;
            continue;
        }
        pending = named && (rest >> std::ws).eof();
        if (pending || kind == SectionKind::None || !ParseInputLine(rest, size, file) || size == 0) continue;
        auto [it, added] = index.emplace(file, inputs.size());
        if (added) inputs.push_back({file, {}});
        inputs[it->second].bytes[static_cast<int>(kind)] += size;
    }
    return inputs;
}

std::vector<InputSize> Grouped(const std::vector<InputSize>& inputs)
{
    std::vector<InputSize> groups;
    std::map<std::string, size_t> index;
    for (const InputSize& in : inputs) {
        auto [it, added] = index.emplace(GroupOf(in.name), groups.size());
        if (added) groups.push_back({it->first, {}});
        for (int k = 0; k < kSectionKinds; ++k) groups[it->second].bytes[k] += in.bytes[k];
    }
    SortBySize(groups);
    return groups;
}

void SortBySize(std::vector<InputSize>& sizes)
{
    std::stable_sort(sizes.begin(), sizes.end(),
                     [](const InputSize& a, const InputSize& b) { return a.Total() > b.Total(); });
}

}  // namespace nimbo::bench
