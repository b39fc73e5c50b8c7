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
// Replaces a whole section in one profile call: far faster than a call per
// line for a log of thousands of files. Raises EInOutError when refused.
void WriteProfileSection(const String& file, const String& section,
                         const std::vector<std::pair<String, String>>& lines);
// Raises EInOutError when the platform refuses the write.
void WriteProfileString(const String& file, const String& section, const String& key, const String& value);
void EraseProfileSection(const String& file, const String& section);
