// What an uninstall may remove: names of a log, edited or not, are taken
// only in full normalised form and only inside the installation's folders.
#include <gtest/gtest.h>

#include "engine/install_scope.h"

namespace {

TEST(InstallScope, LogNamesAreTakenOnlyInFullNormalisedForm)
{
    EXPECT_EQ(NormaliseLogPath("C:\\Corvane\\order.txt", false), "C:\\Corvane\\order.txt");
    EXPECT_EQ(NormaliseLogPath("C:/Corvane//sub/./a.txt", false), "C:\\Corvane\\sub\\a.txt");
    EXPECT_EQ(NormaliseLogPath("C:\\Corvane\\..\\x", false), "C:\\x");
    EXPECT_EQ(NormaliseLogPath("C:\\Corvane\\sub\\..\\", true), "C:\\Corvane\\");
    // Relative, network, above the drive, a drive alone, a folder as a file.
    for (const char* bad : {"order.txt", "..\\win.ini", "\\windows\\win.ini", "C:win.ini", "\\\\server\\share\\x",
                            "C:\\..\\x", "C:\\", "C:\\Corvane\\", ""})
        EXPECT_EQ(NormaliseLogPath(bad, false), "") << bad;
    // Names the platform would shorten to another one.
    for (const char* bad : {"C:\\Corvane.\\x", "C:\\Corvane \\x", "C:\\Corvane\\x.", "C:\\Corvane\\...\\x",
                            "C:\\Corvane\\a?b", "C:\\Corvane\\a\"b"})
        EXPECT_EQ(NormaliseLogPath(bad, false), "") << bad;
}

TEST(InstallScope, OnlyWhatLiesInsideTheRootsMayGo)
{
    TInstallScope scope;
    scope.AddRoot("C:\\Apps\\Corvane\\");
    scope.AddParent("C:\\Apps\\");
    EXPECT_TRUE(scope.HasRoots());
    EXPECT_EQ(scope.File("c:\\apps\\corvane\\order.txt"), "c:\\apps\\corvane\\order.txt");
    EXPECT_EQ(scope.File("C:\\Apps\\Corvane\\sub\\..\\a.txt"), "C:\\Apps\\Corvane\\a.txt");
    for (const char* outside : {"C:\\Apps\\Corvane\\..\\Other\\important.dll", "C:\\windows\\win.ini", "C:\\x.txt",
                                "C:\\Apps\\CorvaneX\\a.txt", "C:\\Apps\\other.txt", "order.txt"})
        EXPECT_EQ(scope.File(outside), "") << outside;
    // The root itself and folders inside it; a parent only as listed.
    EXPECT_EQ(scope.Folder("C:\\Apps\\Corvane\\"), "C:\\Apps\\Corvane\\");
    EXPECT_EQ(scope.Folder("C:\\Apps\\Corvane\\sub"), "C:\\Apps\\Corvane\\sub\\");
    EXPECT_EQ(scope.Folder("C:\\Apps\\"), "C:\\Apps\\");
    for (const char* outside : {"C:\\", "C:\\Apps\\Other\\", "C:\\Users\\me\\Empty\\", "C:\\Apps\\Corvane\\..\\.."})
        EXPECT_EQ(scope.Folder(outside), "") << outside;
}

TEST(InstallScope, ADriveIsNeverARoot)
{
    TInstallScope scope;
    scope.AddRoot("C:\\");
    scope.AddRoot("relative\\dir\\");
    scope.AddParent("D:\\");
    EXPECT_FALSE(scope.HasRoots());
    EXPECT_EQ(scope.File("C:\\win.ini"), "");
    EXPECT_EQ(scope.Folder("D:\\"), "");
}

}  // namespace
