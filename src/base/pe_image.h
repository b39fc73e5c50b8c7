// Where a program file's image ends: data behind it (the overlay) is not
// loaded, and is how one file carries more than the program. Read from the
// file's first bytes, which are taken as coming from outside.
#pragma once

#include <cstddef>
#include <cstdint>

struct TPeLayout {
    uint64_t imageEnd = 0;          // end of the headers and of the last section's raw data
    uint32_t certificateEntry = 0;  // file offset of the certificate table's directory entry; 0 without
    uint32_t certificateOffset = 0;
    uint32_t certificateSize = 0;
};

// The bytes needed from the start of a file to read its layout.
constexpr size_t kPeHeadBytes = 4096;

// False unless `head` holds a PE file's headers and section table whole.
bool ReadPeLayout(const uint8_t* head, size_t size, TPeLayout& layout);
