// The version resource the builder gives the setup program it writes: the
// author's product (name, version, maker), which is what a user sees in
// the file's properties, instead of the setup program's own.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "form_tree.h"

struct TProductInfo {
    String name;       // the registration's name, else the title
    String version;    // dotted numbers, or empty
    String publisher;  // may be empty
};

// What the form says of its product; raises ENimboError for a version
// that is not dotted numbers.
TProductInfo ProductInfoOf(const TFormObject& form, const String& title);
// A VS_VERSIONINFO block (US English, code page 1252) for the product.
std::vector<uint8_t> ProductVersionResource(const TProductInfo& product);
