#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "base/string_list.h"

namespace {

TEST(StringList, SortedListKeepsCaseInsensitiveOrderAndFindsByBinarySearch)
{
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"delta", "Alpha", "charlie", "BRAVO", "echo"}) l.Add(s);
    EXPECT_EQ(l.Lines(), (std::vector<String>{"Alpha", "BRAVO", "charlie", "delta", "echo"}));

    int index = -1;
    EXPECT_TRUE(l.Find("ALPHA", index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(l.Find("Echo", index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(l.Find("cat", index));
    EXPECT_EQ(index, 2);  // where it would go
    EXPECT_FALSE(l.Find("zulu", index));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(l.IndexOf("Charlie"), 2);
    EXPECT_EQ(l.IndexOf("x"), -1);

    EXPECT_THROW(l.Insert(0, "a"), EListError);
    EXPECT_THROW(l.Put(0, "a"), EListError);
}

TEST(StringList, DuplicatesInSortedList)
{
    TStringList ignore;
    ignore.SetSorted(true);
    EXPECT_EQ(ignore.Add("b"), 0);
    EXPECT_EQ(ignore.Add("a"), 0);
    EXPECT_EQ(ignore.Add("B"), 1);  // the existing line's index
    EXPECT_EQ(ignore.Count(), 2);

    TStringList error;
    error.SetSorted(true);
    error.SetDuplicates(TDuplicates::dupError);
    error.Add("x");
    EXPECT_THROW(error.Add("X"), EListError);
    EXPECT_EQ(error.Count(), 1);

    // Accepted duplicates stay in insertion order, and Find gives the first.
    TObject o1, o2, o3;
    TStringList accept;
    accept.SetSorted(true);
    accept.SetDuplicates(TDuplicates::dupAccept);
    accept.AddObject("k", &o1);
    accept.AddObject("a", nullptr);
    accept.AddObject("K", &o2);
    accept.AddObject("z", nullptr);
    accept.AddObject("k", &o3);
    ASSERT_EQ(accept.Count(), 5);
    EXPECT_EQ(accept.Objects(1), &o1);
    EXPECT_EQ(accept.Objects(2), &o2);
    EXPECT_EQ(accept.Objects(3), &o3);
    int index = -1;
    EXPECT_TRUE(accept.Find("k", index));
    EXPECT_EQ(index, 1);
}

TEST(StringList, UnsortedListKeepsInsertionOrderAndObjects)
{
    TObject a, b;
    TStringList l;
    l.AddObject("second", &b);
    l.Insert(0, "first", &a);
    l.Add("first");
    EXPECT_EQ(l.IndexOf("FIRST"), 0);
    EXPECT_EQ(l.IndexOfObject(&b), 1);
    EXPECT_EQ(l.Objects(0), &a);
    l.Delete(0);
    EXPECT_EQ(l.Objects(0), &b);
    EXPECT_THROW(l.Get(2), EListError);
    EXPECT_THROW(l.Get(-1), EListError);
    EXPECT_THROW(l.Insert(3, "x"), EListError);

    // Sorting an unsorted list moves the objects with their lines.
    l.SetSorted(true);
    EXPECT_EQ(l.Lines(), (std::vector<String>{"first", "second"}));
    EXPECT_EQ(l.Objects(1), &b);
}

// Lines the comparison finds equal keep their order, objects go with their
// lines, and a sorted list keeps the order its lookups rely on.
TEST(StringList, CustomSortIsStableAndLeavesASortedListAlone)
{
    TObject a, b, c, d;
    TStringList l;
    l.AddObject("delta", &a);
    l.AddObject("Bravo", &b);
    l.AddObject("alpha", &c);
    l.AddObject("BRAVO", &d);
    int changes = 0;
    l.OnChange = [&changes] { ++changes; };
    l.CustomSort(AnsiCompareText);
    EXPECT_EQ(l.Lines(), (std::vector<String>{"alpha", "Bravo", "BRAVO", "delta"}));
    EXPECT_EQ(l.Objects(0), &c);
    EXPECT_EQ(l.Objects(1), &b);
    EXPECT_EQ(l.Objects(2), &d);
    EXPECT_EQ(l.Objects(3), &a);
    EXPECT_EQ(changes, 1);

    TStringList sorted;
    sorted.SetSorted(true);
    for (const char* s : {"b", "a", "c"}) sorted.Add(s);
    sorted.CustomSort([](std::string_view x, std::string_view y) { return -CompareText(x, y); });
    EXPECT_EQ(sorted.Lines(), (std::vector<String>{"a", "b", "c"}));
}

TEST(StringList, TextJoinsWithCrLfAndSplitsOnAnyLineBreak)
{
    TStringList l;
    l.SetText("one\r\ntwo\nthree\rfour\r\n\r\nsix");
    EXPECT_EQ(l.Lines(), (std::vector<String>{"one", "two", "three", "four", "", "six"}));
    EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\r\n");

    TStringList copy;
    copy.SetText(l.Text());
    EXPECT_TRUE(copy == l);

    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
    l.SetText("\r\n");
    EXPECT_EQ(l.Lines(), (std::vector<String>{""}));
}

TEST(Format, SubstitutesTypedArgumentsInOrder)
{
    EXPECT_EQ(Format("%s has %d files (%d%%)", "Disk 1", 12, -3), "Disk 1 has 12 files (-3%)");
    EXPECT_EQ(Format("%d", 2147483647LL + 1), "2147483648");
    EXPECT_EQ(Format("%s and %s", String("one")), "one and ");  // missing argument: empty
    EXPECT_EQ(Format("plain", 1, "x"), "plain");                // extra ones ignored
    EXPECT_EQ(Format("%x %", 5), "%x %");                       // unknown or trailing: literal
}

TEST(Text, CompareAndPathPieces)
{
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_LT(CompareText("ab", "ABC"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_EQ(Trim("  \t x y \r\n"), "x y");

    EXPECT_EQ(ExtractFilePath("C:\\DIR\\FILE.EXT"), "C:\\DIR\\");
    EXPECT_EQ(ExtractFileName("C:\\DIR\\FILE.EXT"), "FILE.EXT");
    EXPECT_EQ(ExtractFileDir("C:\\DIR\\FILE.EXT"), "C:\\DIR");
    EXPECT_EQ(ExtractFileDir("C:\\FILE.EXT"), "C:\\");  // a root keeps its backslash
    EXPECT_EQ(ExtractFileName("A:SETUP.INF"), "SETUP.INF");
    EXPECT_EQ(ExtractFileDir("A:SETUP.INF"), "A:");
    EXPECT_EQ(ExtractFilePath("FILE.EXT"), "");
    EXPECT_EQ(ExtractFileName("FILE.EXT"), "FILE.EXT");
    EXPECT_EQ(ExtractFileDir("\\\\SERVER\\SHARE\\F"), "\\\\SERVER\\SHARE");
}

// The order a person sorts names in: case does not count, accented
// letters included; on the platform an accented letter sorts with its base
// letter, not after Z.
TEST(Text, AnsiCompareTextIgnoresCaseByTheLocale)
{
    EXPECT_EQ(AnsiCompareText("Setup.EXE", "setup.exe"), 0);
    EXPECT_EQ(AnsiCompareText("caf\xE9", "CAF\xC9"), 0);
    EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
    EXPECT_GT(AnsiCompareText("Banana", "apple"), 0);
    EXPECT_LT(AnsiCompareText("ab", "ABC"), 0);
    EXPECT_EQ(AnsiCompareText("", ""), 0);
#ifdef _WIN32
    EXPECT_LT(AnsiCompareText("\xE9"
                              "crire",
                              "faire"),
              0);
#endif
}

}  // namespace
