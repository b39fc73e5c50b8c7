// Writes a solid archive (see engine/payload_format.h): the small files of
// a setup as one compressed stream, in the order the file copy takes them,
// behind a directory of their names, sizes, times and checksums.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "comp/comp_format.h"
#include "engine/payload_format.h"

class TNimboData;

struct TSolidMember {
    String path;  // where it is read from
    String name;  // as the script names it, behind its subfolder (sub\name)
    uint64_t size = 0;
};

// Files up to this size go into the archive when the setup is compressed
// solid; larger ones keep a compressed file (or part) of their own, read
// in its own pieces. Measured under Wine, 16 MiB installed in files of one
// size, solid against a compressed file each: 0.84 at 16 KiB, 0.91 at 64
// KiB, 0.83 at 256 KiB, 0.99 at 1 MiB. Larger members install no faster
// but pack smaller: the stream's dictionary reaches back over the members
// before them, where a file packed alone starts from nothing (the bench's
// text and program files, 40 MiB: 4.0 MB solid against 6.3 MB alone). The
// file copy holds a member whole, so the limit is what it will hold.
constexpr int32_t kSolidLimit = static_cast<int32_t>(kSolidMaxMemberSize);

// The members in the order of the file copy's list: the text of the disk,
// the name and the target directory, compared as the page compares them.
void SortInCopyOrder(std::vector<TSolidMember>& members, const TNimboData& script);

// Writes the archive as a new file; raises ENimboError naming what failed
// (a file that changed while it was read, say), and then leaves no file.
void WriteSolidArchive(const std::vector<TSolidMember>& members, const String& target, TCompMethod method);
