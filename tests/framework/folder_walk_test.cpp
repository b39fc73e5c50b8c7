// The folder walk over real folders: every entry but the dots, with its
// kind and short name; a pattern; nothing for a folder that is not there;
// entries deleted on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "framework/win32/folder_walk.h"
#include "test_files.h"

namespace {

class FolderWalk : public ::testing::Test {
protected:
    void SetUp() override { dir = FreshTempFolder(Unique("nimbo-walk")); }
    void TearDown() override { RemoveTree(dir); }
    static std::vector<String> Names(TFolderWalk&& walk)
    {
        std::vector<String> names;
        for (const TFolderEntry& e : walk) names.push_back(e.name);
        std::sort(names.begin(), names.end(), [](const String& a, const String& b) { return CompareText(a, b) < 0; });
        return names;
    }
    String dir;
};

TEST_F(FolderWalk, GivesEveryEntryButTheDotsWithItsKindAndShortName)
{
    WriteAll(dir + "a.txt", "a");
    WriteAll(dir + "A long file name.text", "b");
    WriteAll(dir + "ro.dat", "c");
    SetFileAttributesA((dir + "ro.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((dir + "sub").c_str(), nullptr);

    std::map<String, TFolderEntry> seen;
    for (const TFolderEntry& e : TFolderWalk(dir)) seen[e.name] = e;
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen["sub"].IsDirectory());
    EXPECT_FALSE(seen["a.txt"].IsDirectory());
    EXPECT_TRUE(seen["ro.dat"].attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(seen["a.txt"].shortName, "");
    const String alias = seen["A long file name.text"].shortName;
    EXPECT_FALSE(alias.empty());
    EXPECT_LE(alias.size(), 12u) << alias;

    // The folder named without its backslash is the same folder.
    EXPECT_EQ(Names(TFolderWalk(dir.substr(0, dir.size() - 1))), Names(TFolderWalk(dir)));
}

TEST_F(FolderWalk, APatternChoosesTheEntries)
{
    for (const char* name : {"one.txt", "two.txt", "three.dat"}) WriteAll(dir + name, "x");
    EXPECT_EQ(Names(TFolderWalk(dir, "*.txt")), (std::vector<String>{"one.txt", "two.txt"}));
    EXPECT_EQ(Names(TFolderWalk(dir, "t*")), (std::vector<String>{"three.dat", "two.txt"}));
    EXPECT_TRUE(Names(TFolderWalk(dir, "*.none")).empty());
}

TEST_F(FolderWalk, AnEmptyOrMissingFolderHasNoEntries)
{
    EXPECT_TRUE(Names(TFolderWalk(dir)).empty());
    EXPECT_TRUE(Names(TFolderWalk(dir + "missing\\")).empty());
    EXPECT_TRUE(Names(TFolderWalk("Q:\\no drive\\")).empty());
}

TEST_F(FolderWalk, EntriesMayBeDeletedOnTheWay)
{
    for (int i = 0; i < 40; ++i) WriteAll(dir + "f" + IntToStr(i) + ".tmp", "x");
    int visited = 0;
    for (const TFolderEntry& e : TFolderWalk(dir)) {
        ++visited;
        EXPECT_TRUE(DeleteFileA((dir + e.name).c_str())) << e.name;
    }
    EXPECT_EQ(visited, 40);
    EXPECT_TRUE(Entries(dir).empty());
}

}  // namespace
