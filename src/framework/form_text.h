// Compiles a text form source (nested "object Name: TClass ... end" blocks
// with "Prop = value" lines) into the binary form object stream.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"

// Raises EReadError "Line N, column M: ..." on a syntax error.
std::vector<uint8_t> FormTextToBinary(std::string_view text);
