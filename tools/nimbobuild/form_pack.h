// A form packed as the program reads it (framework/form_reader.h): the
// signature "NFRZ", the plain size, then raw deflate data. The form
// compiler packs the forms setup.exe ships with, the builder the forms it
// writes with compression on.
#pragma once

#include <cstdint>
#include <vector>

// Throws ENimboError when zlib fails.
std::vector<uint8_t> PackForm(const std::vector<uint8_t>& form);
