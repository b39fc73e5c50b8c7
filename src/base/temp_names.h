// Names of the temporary files the setup and its compression library write
// beside a target, and of the work folder they write new files in. A run
// that is killed leaves them behind; the name carries the writing process's
// id, so a later run can tell its own leftovers from the user's files and
// from those of a setup still running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// "~nimbo-<process id>-<n>.tmp", both numbers as 8 hex digits. (Written by
// hand: a printf would bring a formatter into the compression library.)
constexpr size_t kSetupTempNameSize = 28;
inline void SetupTempNameInto(char out[kSetupTempNameSize + 1], uint32_t processId, uint32_t n)
{
    const char pattern[] = "~nimbo-XXXXXXXX-XXXXXXXX.tmp";
    for (size_t i = 0; i <= kSetupTempNameSize; ++i) out[i] = pattern[i];
    for (int i = 0; i < 8; ++i) {
        out[7 + i] = "0123456789ABCDEF"[(processId >> (28 - 4 * i)) & 15];
        out[16 + i] = "0123456789ABCDEF"[(n >> (28 - 4 * i)) & 15];
    }
}

inline std::string SetupTempName(uint32_t processId, uint32_t n)
{
    char name[kSetupTempNameSize + 1];
    SetupTempNameInto(name, processId, n);
    return name;
}

// The same name with another extension in place of ".tmp" (".old", say):
// a file the setup keeps beyond the copy, which the clean-up of killed
// runs' temporary files never takes.
inline std::string SetupNameWithExtension(uint32_t processId, uint32_t n, const char* extension)
{
    const std::string temp = SetupTempName(processId, n);
    return temp.substr(0, temp.size() - 4) + extension;
}

// The number of a temporary file: never 0, which names the work folder.
inline uint32_t SetupTempNumber(uint32_t seed) { return seed ? seed : 1; }

// The folder a setup process writes new files in, one in each folder it
// installs into; a file takes its name beside it only when complete. Under
// Wine a name that is not there is looked for by reading its whole folder:
// the temporary file's name is looked up in this small folder instead. The
// compression library writes there too when it finds the folder.
inline void SetupWorkFolderNameInto(char out[kSetupTempNameSize + 1], uint32_t processId)
{
    SetupTempNameInto(out, processId, 0);
}

inline std::string SetupWorkFolderName(uint32_t processId) { return SetupTempName(processId, 0); }

// The pattern a directory search lists the candidates with.
inline const char* SetupTempPattern() { return "~nimbo-*.tmp"; }

// Whether `name` (without a directory) is exactly such a name; gives the
// process id.
inline bool ParseSetupTempName(const std::string& name, uint32_t& processId)
{
    const std::string prefix = "~nimbo-", suffix = ".tmp";
    if (name.size() != prefix.size() + 8 + 1 + 8 + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 || name[prefix.size() + 8] != '-')
        return false;
    uint32_t id = 0;
    for (size_t i = 0; i < 17; ++i) {
        if (i == 8) continue;
        const char c = name[prefix.size() + i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        if (i < 8) id = id * 16 + digit;
    }
    processId = id;
    return true;
}
