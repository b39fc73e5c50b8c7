// Where the bytes of a program come from, read from the GNU linker's map
// (-Wl,-Map): each input file's share of the output sections, and the inputs
// grouped by the library they belong to. Portable: no windows.h.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace nimbo::bench {

enum class SectionKind { Text, Rdata, EhFrame, Data, Other, None };
constexpr int kSectionKinds = 5;  // the columns: None is not counted

struct InputSize {
    std::string name;
    long bytes[kSectionKinds] = {};

    long Total() const;
};

// Output section name to the column it counts in; None for what the file
// does not carry (.bss, debug information, discarded input).
SectionKind KindOf(const std::string& outputSection);

// The library (or CMake target, or toolchain part) an input belongs to.
std::string GroupOf(const std::string& input);

// A short name of one input: "libstdc++.a(string-inst.o)", "main.cpp.obj".
std::string ShortName(const std::string& input);

// Every input with bytes in the output, in map order, by its short name.
// Lines the reader does not know are skipped.
std::vector<InputSize> ReadMap(std::istream& map);

// The inputs summed per group; largest first.
std::vector<InputSize> Grouped(const std::vector<InputSize>& inputs);

// Largest first.
void SortBySize(std::vector<InputSize>& sizes);

}  // namespace nimbo::bench
