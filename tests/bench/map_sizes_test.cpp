#include "map_sizes.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace nimbo::bench;

namespace {

constexpr const char* kLib = "/usr/lib/gcc/i686-w64-mingw32/12-posix/../../../../i686-w64-mingw32/lib/../lib/";

// Trimmed from a real map of setup.exe, with the lines the reader must pass over.
const std::string kMap = std::string("Discarded input sections\n\n"
                                     " .text          0x00000000      0x999 /tmp/discarded.o\n\n"
                                     "Linker script and memory map\n\n"
                                     "LOAD /tmp/cc1.ltrans0.ltrans.o\n\n"
                                     ".text           0x00401000    0x5e400\n"
                                     " *(.text)\n"
                                     " .text          0x00401000      0x4e0 ") +
                         kLib +
                         "crt2.o\n"
                         " .text          0x004015b0    0x4c994 /tmp/cc1.ltrans0.ltrans.o\n"
                         "                0x004015b0                _main\n"
                         " *fill*         0x0045a27c        0x4 \n"
                         " .text.unlikely\n"
                         "                0x0045a26c       0x10 /usr/lib/gcc/libgcc_eh.a(unwind-c.o)\n"
                         "                0x0045a2a0        0x4 LONG 0x0\n"
                         " .text          0x0045a2b0        0x0 /usr/lib/gcc/libstdc++.a(empty.o)\n"
                         ".rdata          0x0045b000     0x9000\n"
                         " .rdata         0x0045b000     0x73f4 /tmp/cc1.ltrans0.ltrans.o\n"
                         " SORT_BY_NAME(*)(.idata$3)\n"
                         "                0x0048c08c        0x4 LONG 0x0\n"
                         ".eh_frame       0x00470000      0x100\n"
                         " .eh_frame      0x00470000      0x100 /usr/lib/gcc/libgcc_eh.a(unwind-c.o)\n"
                         ".bss            0x00480000     0x1000\n"
                         " COMMON         0x00480000       0x40 /tmp/cc1.ltrans0.ltrans.o\n"
                         ".rsrc           0x00490000     0xb000\n"
                         " .rsrc          0x00490000     0x61c8 CMakeFiles/setup.dir/objects.a(setup.rc.res)\n"
                         ".debug_info     0x00500000      0x100\n"
                         " .debug_info    0x00500000      0x100 /tmp/cc1.ltrans0.ltrans.o\n"
                         "OUTPUT(setup.exe pei-i386)\n";

TEST(MapSizes, ReadsEveryInputsShareOfTheFile)
{
    std::istringstream map(kMap);
    const std::vector<InputSize> inputs = ReadMap(map);
    ASSERT_EQ(inputs.size(), 4u);
    EXPECT_EQ(inputs[0].name, std::string(kLib) + "crt2.o");
    EXPECT_EQ(inputs[0].bytes[int(SectionKind::Text)], 0x4e0);
    EXPECT_EQ(inputs[1].name, "/tmp/cc1.ltrans0.ltrans.o");
    EXPECT_EQ(inputs[1].bytes[int(SectionKind::Text)], 0x4c994);
    EXPECT_EQ(inputs[1].bytes[int(SectionKind::Rdata)], 0x73f4);
    EXPECT_EQ(inputs[1].Total(), 0x4c994 + 0x73f4);  // neither .bss nor debug information
    EXPECT_EQ(inputs[2].name, "/usr/lib/gcc/libgcc_eh.a(unwind-c.o)");
    EXPECT_EQ(inputs[2].bytes[int(SectionKind::Text)], 0x10);
    EXPECT_EQ(inputs[2].bytes[int(SectionKind::EhFrame)], 0x100);
    EXPECT_EQ(inputs[3].bytes[int(SectionKind::Other)], 0x61c8);
}

TEST(MapSizes, NoMapNoInputs)
{
    std::istringstream map(".text 0x00401000 0x10 /tmp/a.o\n");
    EXPECT_TRUE(ReadMap(map).empty());
}

TEST(MapSizes, GroupsInputsByLibrary)
{
    EXPECT_EQ(GroupOf("/tmp/ccXY.ltrans0.ltrans.o"), "own code, whole-program optimised");
    EXPECT_EQ(GroupOf("/usr/lib/gcc/i686-w64-mingw32/12-posix/libstdc++.a(string-inst.o)"), "libstdc++");
    EXPECT_EQ(GroupOf("/usr/lib/gcc/i686-w64-mingw32/12-posix/libgcc_eh.a(unwind-dw2.o)"), "libgcc");
    EXPECT_EQ(GroupOf(std::string(kLib) + "crt2.o"), "mingw CRT");
    EXPECT_EQ(GroupOf(std::string(kLib) + "libkernel32.a(libkernel32s00135.o)"), "Windows import libraries");
    EXPECT_EQ(GroupOf(std::string(kLib) + "libuuid.a(lib32_libuuid_a-uuid.o)"), "libuuid");
    EXPECT_EQ(GroupOf("CMakeFiles/setup.dir/objects.a(suite.rc.res)"), "resources");
    EXPECT_EQ(GroupOf("CMakeFiles/setup.dir/objects.a(main.cpp.obj)"), "setup");
    EXPECT_EQ(GroupOf("../libnimbo_suite.a(controller.cpp.obj)"), "libnimbo_suite");
}

TEST(MapSizes, SumsGroupsLargestFirst)
{
    std::vector<InputSize> inputs = {{"/x/libstdc++.a(a.o)", {1, 0, 0, 0, 0}},
                                     {"/tmp/c.ltrans0.ltrans.o", {5, 0, 0, 0, 0}},
                                     {"/x/libstdc++.a(b.o)", {0, 2, 3, 0, 0}}};
    const std::vector<InputSize> groups = Grouped(inputs);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "libstdc++");
    EXPECT_EQ(groups[0].Total(), 6);
    EXPECT_EQ(ShortName(inputs[2].name), "libstdc++.a(b.o)");
}

}  // namespace
