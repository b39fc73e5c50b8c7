// Path helpers: backslash conventions, tokens, the browse path, the
// shortening of a path for display and the resolution of directory names.
#include <gtest/gtest.h>

#include "engine/path_routines.h"

namespace {

TEST(PathRoutines, BackslashesFollowTheDirectoryConvention)
{
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("C:"), "C:\\");
    EXPECT_EQ(AddBackslash("C:\\DIR\\"), "C:\\DIR\\");
    EXPECT_EQ(RemoveBackslash(""), "");
    EXPECT_EQ(RemoveBackslash("C:\\DIR\\\\"), "C:\\DIR\\");
    EXPECT_EQ(ChDirPath("C:\\"), "C:\\");
    EXPECT_EQ(ChDirPath("C:"), "C:\\");
    EXPECT_EQ(ChDirPath("C:\\DIR\\"), "C:\\DIR");
    EXPECT_EQ(ChDirPath(""), "");
}

TEST(PathRoutines, SplitTokenTakesOneTokenPerCallAndLeavesTheLast)
{
    String s = "a:~:b:~:c";
    EXPECT_EQ(SplitToken(s, ":~:"), "a");
    EXPECT_EQ(s, "b:~:c");
    EXPECT_EQ(SplitToken(s, ":~:"), "b");
    EXPECT_EQ(SplitToken(s, ":~:"), "c");
    EXPECT_EQ(s, "c");
    String leading = ":~:x";
    EXPECT_EQ(SplitToken(leading, ":~:"), "");
    EXPECT_EQ(leading, "x");
}

TEST(PathRoutines, BrowsePathKeepsTheTrailingComponentsThatExist)
{
    EXPECT_EQ(ComposeBrowsePath("D:\\APPS", "C:\\Corvane\\", 1), "D:\\APPS\\Corvane\\");
    EXPECT_EQ(ComposeBrowsePath("D:\\Apps", "C:\\Corvane\\Data\\", 2), "D:\\Apps\\Corvane\\Data\\");
    EXPECT_EQ(ComposeBrowsePath("D:\\Apps\\", "C:\\Corvane\\Data\\", 0), "D:\\Apps\\");
    EXPECT_EQ(ComposeBrowsePath("E:\\", "C:\\A\\", 3), "E:\\A\\");
}

// Dots are narrow, as in the real fonts: "...\" is narrower than "BBB\".
int Px(std::string_view t)
{
    int w = 0;
    for (char c : t) w += c == '.' ? 2 : 10;
    return w;
}

TEST(ShortenPath, EachPassDropsOneInnerDirectoryUntilTheTextFits)
{
    const String path = "C:\\AAA\\BBB\\CCC\\DDD\\FILE.TXT";
    const String pass1 = "C:\\AAA\\...\\CCC\\DDD\\FILE.TXT\\";
    const String pass2 = "C:\\AAA\\...\\DDD\\FILE.TXT\\";
    const String pass3 = "C:\\AAA\\...\\FILE.TXT\\";
    EXPECT_EQ(ShortenPathToWidth(path, Px(pass1), Px), pass1);
    EXPECT_EQ(ShortenPathToWidth(path, Px(pass1) - 1, Px), pass2);
    EXPECT_EQ(ShortenPathToWidth(path, Px(pass2) - 1, Px), pass3);
    // The drive, the first directory and the last component always stay.
    EXPECT_EQ(ShortenPathToWidth(path, 1, Px), pass3);
    EXPECT_EQ(ShortenPathToWidth(path + "\\", 1, Px), pass3);
}

TEST(ShortenPath, APathThatFitsOrCannotShrinkComesBackAsItWas)
{
    const String path = "C:\\AAA\\BBB\\FILE.TXT";
    EXPECT_EQ(ShortenPathToWidth(path, Px(path), Px), path);
    // Nothing between the first directory and the last component: only
    // the working form's trailing backslash is added.
    EXPECT_EQ(ShortenPathToWidth("C:\\AAA\\FILE.TXT", 1, Px), "C:\\AAA\\FILE.TXT\\");
    EXPECT_EQ(ShortenPathToWidth("C:\\FILE.TXT", 1, Px), "C:\\FILE.TXT\\");
    EXPECT_EQ(ShortenPathToWidth("", -1, Px), "");
    EXPECT_EQ(ShortenPathToWidth("X", -1, Px), "X\\");
}

TEST(ShortenPath, ADirectoryNamedLikeTheEllipsisIsNotEaten)
{
    EXPECT_EQ(ShortenPathToWidth("C:\\...\\BBB\\CCC\\FILE.TXT", 1, Px), "C:\\...\\...\\FILE.TXT\\");
    EXPECT_EQ(ShortenPathToWidth("C:\\AAA\\...x\\CCC\\FILE.TXT", 1, Px), "C:\\AAA\\...\\FILE.TXT\\");
}

TEST(ResolveDirName, BuiltInNamesScriptDirectoriesAndUnknownNames)
{
    TDirMacroSources s;
    s.sourceDir = "A:\\";
    s.programDir = "C:\\TEMP\\";
    s.windowsDir = "C:\\WINDOWS";
    s.systemDir = "C:\\WINDOWS\\SYSTEM";
    s.scriptDirPath = [](const String& name) { return name == "Install" ? String("C:\\Corvane\\") : String(); };

    EXPECT_EQ(ResolveDirName("(none)", s), "");
    EXPECT_EQ(ResolveDirName("Source Dir", s), "C:\\TEMP\\");
    EXPECT_EQ(ResolveDirName("Windows", s), "C:\\WINDOWS\\");
    EXPECT_EQ(ResolveDirName("Windows System", s), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(ResolveDirName("Install", s), "C:\\Corvane\\");
    EXPECT_EQ(ResolveDirName("install", s), "");
    EXPECT_EQ(ResolveDirName("Nowhere", s), "");
    s.multiDisk = true;
    EXPECT_EQ(ResolveDirName("Source Dir", s), "A:\\");
    // A platform answer that failed falls back to the script's directory.
    s.windowsDir.clear();
    s.scriptDirPath = [](const String& name) { return name == "Windows" ? String("D:\\WIN") : String(); };
    EXPECT_EQ(ResolveDirName("Windows", s), "D:\\WIN\\");
}

// Names handed between processes are deleted relative to a folder.
TEST(PathRoutines, OnlyPlainFileNamesStayInsideTheirFolder)
{
    for (const char* plain : {"A.TXT", "TNLANG32.DLL", "name with spaces", "..x", "x.."})
        EXPECT_TRUE(IsPlainFileName(plain)) << plain;
    for (const char* outside : {"", ".", "..", "..\\x", "sub\\x", "sub/x", "C:x", "C:\\x", "\\\\srv\\s\\x", "\\x"})
        EXPECT_FALSE(IsPlainFileName(outside)) << outside;
}

// A file's subfolder of the setup folder comes from the form; nothing it
// says there leads outside the setup folder.
TEST(PathRoutines, SubfoldersOfTheSetupFolderStayInsideIt)
{
    EXPECT_EQ(SetupSubFolder(".\\lang\\de\\"), "lang\\de\\");
    EXPECT_EQ(SetupSubFolder(".\\lang"), "lang\\");
    // None, where a test mode setup found it, no mark of ours, or outside.
    for (const char* other : {"", "C:\\Build\\in\\lang\\", "lang\\de\\", ".\\", ".\\..\\", ".\\lang\\..\\..\\x\\",
                              ".\\.\\x\\", ".\\C:\\x\\", ".\\\\\\srv\\x\\", ".\\a\\\\b\\", ".\\a/..\\", ".\\con\\"})
        EXPECT_EQ(SetupSubFolder(other), "") << other;
    EXPECT_EQ(SetupSubFolder(SetupSubFolderSource("lang\\de")), "lang\\de\\");
    EXPECT_EQ(SetupSubFolderSource(""), "") << "a file of the top folder keeps an empty Source";
}

// Group and item names become folder and link names of the Start menu.
TEST(PathRoutines, ValidFileNamesAreThoseThePlatformCanHold)
{
    for (const char* ok : {"Corvane Linker", "Tools (x86)", "a[1],b", "X)][DeleteGroup(Y", "..x", "Notes.", " lead",
                           "CONSOLE", "COM10", "LPTX", "my.con", "NUL-less", "\xE9t\xE9"})
        EXPECT_TRUE(IsValidFileName(ok)) << ok;
    const String longest(255, 'n'), tooLong(256, 'n');
    EXPECT_TRUE(IsValidFileName(longest));
    EXPECT_FALSE(IsValidFileName(tooLong));
    // Characters no file name holds, names of dots and blanks, devices.
    for (const char* bad :
         {"a\\b",      "..\\..",      "a/b",      "C:",   "a*",   "a?",     "say \"hi\"", "<x>",     "a|b",
          "tab\there", "line\nbreak", "",         ".",    "..",   "...",    " ",          " . ",     "CON",
          "con",       "Nul.txt",     "AUX .lnk", "prn.", "COM1", "com9.x", "LPT0",       "COM\xB9", "CONIN$"})
        EXPECT_FALSE(IsValidFileName(bad)) << bad;
}

TEST(PathRoutines, StoredFileNamesLoseTrailingDotsAndBlanks)
{
    EXPECT_EQ(StoredFileName("Corvane Linker."), "Corvane Linker");
    EXPECT_EQ(StoredFileName("Corvane Linker . ."), "Corvane Linker");
    EXPECT_EQ(StoredFileName(" Tools"), " Tools") << "leading blanks stay";
    EXPECT_EQ(StoredFileName("a.b"), "a.b");
    EXPECT_EQ(StoredFileName(".."), "");
}

TEST(PathRoutines, TypedDestinationsAreNormalisedOrRefused)
{
    struct Case {
        const char* typed;
        TTargetPathCheck check;
        const char* result;
    };
    const Case cases[] = {
        {"d:\\tools", TTargetPathCheck::tpOk, "d:\\tools\\"},
        {"  C:/Apps/Corvane/ ", TTargetPathCheck::tpOk, "C:\\Apps\\Corvane\\"},
        {"C:\\\\Apps\\\\\\New", TTargetPathCheck::tpOk, "C:\\Apps\\New\\"},
        {"C:\\Apps\\.\\Old\\..\\New\\.", TTargetPathCheck::tpOk, "C:\\Apps\\New\\"},
        {"E:\\", TTargetPathCheck::tpOk, "E:\\"},
        {"\\\\server\\share\\x", TTargetPathCheck::tpNetwork, ""},
        {"//server/share", TTargetPathCheck::tpNetwork, ""},
        {"apps\\new", TTargetPathCheck::tpNotFull, ""},
        {"\\apps", TTargetPathCheck::tpNotFull, ""},
        {"D:apps", TTargetPathCheck::tpNotFull, ""},
        {"1:\\x", TTargetPathCheck::tpNotFull, ""},
        {"C:\\..\\x", TTargetPathCheck::tpNotFull, ""},
        {"C:\\a<b", TTargetPathCheck::tpNotFull, ""},
        {"C:\\a\\b:c", TTargetPathCheck::tpNotFull, ""},
        {"", TTargetPathCheck::tpNotFull, ""},
    };
    for (const Case& c : cases) {
        String p = c.typed;
        EXPECT_EQ(NormaliseTargetPath(p), c.check) << c.typed;
        EXPECT_EQ(p, c.check == TTargetPathCheck::tpOk ? String(c.result) : String(c.typed)) << c.typed;
    }
}

}  // namespace
