// The setup script inside a binary form: where the controller's
// "SetupData" value lies, so a tool can read it or put a new one in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TSetupDataSpan {
    size_t begin = 0;   // first byte of the value (its tag)
    size_t end = 0;     // one past its last byte
    bool test = false;  // the Test property of the component holding it
};

// False when the form holds no "SetupData" property; a malformed form
// raises EReadError.
bool FindSetupData(const std::vector<uint8_t>& form, TSetupDataSpan& span);

// The form with the value at span replaced by value.
std::vector<uint8_t> ReplaceSetupData(const std::vector<uint8_t>& form, const TSetupDataSpan& span,
                                      const std::vector<uint8_t>& value);
