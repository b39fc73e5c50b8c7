// Removing an integrated engine reads its directory back from WIN.INI or
// the registry, which anyone may have changed since: nothing but an
// engine directory may be emptied.
#include "bde_fixture.h"
#include "engine/file_routines.h"

namespace {

class BDERemove : public BDEPage {
protected:
    void SetUp() override
    {
        BDEPage::SetUp();
        bde->SetAllowUnInstall(true);
    }
    void Remove16(const String& dllPath, const String& ldPath)
    {
        WriteProfileString("WIN.INI", "IDAPI", "DLLPATH", dllPath);
        WriteProfileString("WIN.INI", "IDAPI", "CONFIGFILE01", "x");
        WriteProfileString("WIN.INI", "Borland Language Drivers", "LDPath", ldPath);
        bde->RemoveEngine(bde16Integrated);
        EXPECT_FALSE(IsEngineInstalled16()) << dllPath;
        EXPECT_EQ(WinIni("Borland Language Drivers", "LDPath"), "");
    }
};

TEST_F(BDERemove, RootsRelativePathsAndTheWindowsDirectoriesAreNeverEmptied)
{
    const String sentinel = "C:\\nimbo_bde_sentinel.txt";
    WriteAll(sentinel, "keep");
    WriteAll(folder + "keep.txt", "keep");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const String winIni = AddBackslash(windows) + "win.ini";
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(folder.c_str());
    for (const String& dir : {String("C:\\"), String("C:"), String("\\"), String("c:\\."), String("."),
                              folder + "sub\\..", folder + "*", String(windows), String("C:\\nimbo_none\\..\\")}) {
        Remove16(dir, dir);
        EXPECT_TRUE(FileExists(sentinel)) << dir;
        EXPECT_TRUE(FileExists(folder + "keep.txt")) << dir;
        EXPECT_TRUE(FileExists(winIni)) << dir;
    }
    SetCurrentDirectoryA(saved);
    // The same for the 32-bit engine; its keys go all the same.
    {
        TRegistryKey k;
        ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\Database Engine") &&
                    k.WriteString("DLLPATH", "C:\\"));
    }
    bde->RemoveEngine(bde32Integrated);
    EXPECT_TRUE(FileExists(sentinel));
    EXPECT_FALSE(IsEngineInstalled32());
    DeleteFileA(sentinel.c_str());
}

TEST_F(BDERemove, GoneDirectoriesAreSkippedAndAFullOneEndsTheRemoval)
{
    // The uninstall removed the created directories before: nothing to do.
    Remove16(folder + "engine", folder + "engine\\LANGDRV");

    const String engine = folder + "engine\\";
    ForceDirs(engine + "LANGDRV\\more\\");
    WriteAll(engine + "LANGDRV\\usa.ld", "x");
    WriteAll(engine + "idapi01.dll", "x");
    WriteProfileString("WIN.INI", "IDAPI", "DLLPATH", folder + "engine");
    WriteProfileString("WIN.INI", "Borland Language Drivers", "LDPath", engine + "LANGDRV");
    EXPECT_THROW(bde->RemoveEngine(bde16Integrated), EInOutError);
    EXPECT_FALSE(FileExists(engine + "LANGDRV\\usa.ld"));
    EXPECT_TRUE(FileExists(engine + "idapi01.dll")) << "the removal ended at the full directory";
    EXPECT_EQ(WinIni("IDAPI", "DLLPATH"), "") << "the sections stay erased";

    // Types without an integrated engine remove nothing.
    WriteProfileString("WIN.INI", "IDAPI", "DLLPATH", folder + "engine");
    for (TNimboBDEInstallTypes t : {bdeNone, bde16Borland}) bde->RemoveEngine(t);
    EXPECT_EQ(WinIni("IDAPI", "DLLPATH"), folder + "engine");
}

TEST(Registry, KeysAreCreatedWrittenReadAndDeletedWithTheirSubkeys)
{
    const String path = "SOFTWARE\\NimboRegistryTest";
    {
        TRegistryKey k;
        ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, path + "\\A\\B"));
        EXPECT_TRUE(k.WriteString("Name", "value"));
        EXPECT_TRUE(k.WriteInteger("Size", 1234));
        EXPECT_EQ(k.ReadString("name"), "value");
        EXPECT_EQ(k.ReadString("Size"), "") << "no string";
        EXPECT_EQ(k.ReadString("Missing"), "");
    }
    TRegistryKey top;
    ASSERT_TRUE(top.Open(HKEY_LOCAL_MACHINE, path, true));
    EXPECT_TRUE(top.DeleteSubKey("A"));
    EXPECT_TRUE(top.DeleteSubKey("A")) << "gone already";
    EXPECT_FALSE(TRegistryKey().Open(HKEY_LOCAL_MACHINE, path + "\\A"));
    top.Close();
    EXPECT_FALSE(DeleteRegistryKey(HKEY_LOCAL_MACHINE, "")) << "never the root itself";
    EXPECT_TRUE(DeleteRegistryKey(HKEY_LOCAL_MACHINE, path));
    EXPECT_FALSE(TRegistryKey().Open(HKEY_LOCAL_MACHINE, path));
}

}  // namespace
