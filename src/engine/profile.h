// Profile (INI) files through the platform's profile services. Reads have
// no length limit: the buffer grows until the whole answer fits.
#pragma once

#include <utility>
#include <vector>

#include "base/nstring.h"

String ReadProfileString(const String& file, const String& section, const String& key, const String& def = "");
// The key names of a section, in file order.
std::vector<String> ReadProfileKeys(const String& file, const String& section);
// Every key=value line of a section, in file order.
std::vector<std::pair<String, String>> ReadProfileSection(const String& file, const String& section);
// One section of a profile file: its key=value lines in order.
struct TProfileSection {
    String name;
    std::vector<std::pair<String, String>> lines;
};

// Writes a whole profile file in one piece, as the profile services would
// after erasing the sections named in `erase` (all of them, ignoring case),
// adding the sections of `append` at the end in order and then setting each
// key of `set` (in place where its section and key exist, else at the end of
// its section, else in a new section at the end). Everything else of the old
// file stays as it was. The text goes to a temporary file beside `file`,
// which replaces it only when complete: a failure (EInOutError naming the
// file) leaves the old file whole. Thousands of lines cost one write instead
// of a search of the section for each line.
void RewriteProfile(const String& file, const std::vector<String>& erase, const std::vector<TProfileSection>& append,
                    const std::vector<TProfileSection>& set);
// Raises EInOutError when the platform refuses the write.
void WriteProfileString(const String& file, const String& section, const String& key, const String& value);
void EraseProfileSection(const String& file, const String& section);
