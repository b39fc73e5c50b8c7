// A form packed as the program reads it (framework/form_reader.h): the
// signature "NFRZ", the plain size, then raw deflate data. The form
// compiler packs the forms setup.exe ships with, the builder the forms it
// writes with compression on.
#pragma once

#include <cstdint>
#include <vector>

// Throws ENimboError when zlib fails.
std::vector<uint8_t> PackForm(const std::vector<uint8_t>& form);
// The bytes as raw deflate at level 9; false when zlib fails. (A payload's
// directory is packed so: see engine/payload_format.h.)
bool DeflateRaw(const std::vector<uint8_t>& plain, std::vector<uint8_t>& packed);
