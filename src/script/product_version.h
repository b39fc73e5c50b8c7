// A product's version as authors write it: up to four numbers of at most
// 65535 separated by dots ("2", "2.1", "1.0.3.17"), as the platform's
// version resources hold them.
#pragma once

#include <array>
#include <cstdint>

#include "base/nstring.h"

bool IsProductVersion(const String& text);
// The four numbers, missing ones 0; all 0 for text that is no version.
std::array<uint16_t, 4> ProductVersionNumbers(const String& text);
// Below 0, 0 or above 0 as a is older, the same or newer than b; "2.1"
// and "2.1.0" are the same. Text that is no version counts as 0.
int CompareProductVersions(const String& a, const String& b);
