// The packer: a program whose code and data are stored compressed and
// expanded by a small stub at start, in place, at the addresses they were
// linked for. The resources stay as they are, in the last section, so the
// platform's resource calls read and update the packed file as any other.
#pragma once

#include <cstdint>
#include <vector>

#include "pe_file.h"

// The packed program; throws ENimboError, saying why, for a program it does
// not understand (a library, a signed file, one with data behind its
// image, relocations, a load configuration, resources not last, ...).
std::vector<uint8_t> PackProgram(const TPeFile& program, const TPeFile& stub);

// The file checksum of the optional header, as the platform computes it.
uint32_t PeChecksum(const std::vector<uint8_t>& file, uint32_t checksumOffset);

// Moves every resource's data address of a resource section by delta;
// throws ENimboError when the directory leaves the section.
void RelocateResources(std::vector<uint8_t>& section, uint32_t rva, uint32_t size, uint32_t delta);
