// Makes the demo payload of a setup form: every file of the form's setup
// script, with the script's size and time stamp and content of our own
// making, so the shipped setup has something real to install.
//   mkpayload <form.bin> <output folder>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "base/date_time.h"
#include "base/exceptions.h"
#include "form_script.h"
#include "framework/value_stream.h"
#include "script/nimbo_data.h"

namespace {

// Readable lines for text files, a fixed pseudo-random stream for the rest.
String Content(const String& name, int32_t size)
{
    String out;
    out.reserve(static_cast<size_t>(size));
    const String lower = LowerCase(name);
    const bool text =
        lower.size() > 4 && (lower.substr(lower.size() - 4) == ".txt" || lower.substr(lower.size() - 4) == ".rpt");
    uint32_t seed = 2166136261u;
    for (char c : name) seed = (seed ^ static_cast<uint8_t>(c)) * 16777619u;
    int line = 1;
    while (static_cast<int32_t>(out.size()) < size) {
        if (text) {
            out += name + " line " + std::to_string(line++) + ": demo content of the setup payload.\r\n";
        } else {
            seed = seed * 1664525u + 1013904223u;
            out += static_cast<char>(seed >> 24);
        }
    }
    out.resize(static_cast<size_t>(size));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: mkpayload <form.bin> <output folder>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        TSetupDataSpan span;
        if (!FindSetupData(bytes, span)) {
            std::cerr << argv[1] << ": no setup script in this form\n";
            return 1;
        }
        TValueReader r(bytes.data() + span.begin, span.end - span.begin);
        TNimboData script;
        script.ReadData(r);
        mkdir(argv[2], 0755);
        for (TNimboFile* f : script.Files()) {
            const String path = String(argv[2]) + "/" + f->Name();
            std::ofstream out(path.c_str(), std::ios::binary);
            out << Content(f->Name(), f->Size());
            out.close();
            if (!out) {
                std::cerr << "mkpayload: cannot write " << path << "\n";
                return 1;
            }
            // The script's time stamp is local time, as the platform keeps it.
            int y, mo, d, h, mi, s, ms;
            DecodeDateTime(f->DateTime(), y, mo, d, h, mi, s, ms);
            std::tm tm{};
            tm.tm_year = y - 1900;
            tm.tm_mon = mo - 1;
            tm.tm_mday = d;
            tm.tm_hour = h;
            tm.tm_min = mi;
            tm.tm_sec = s;
            tm.tm_isdst = -1;
            utimbuf times{};
            times.actime = times.modtime = std::mktime(&tm);
            utime(path.c_str(), &times);
        }
    } catch (const Exception& e) {
        std::cerr << argv[1] << ": " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
