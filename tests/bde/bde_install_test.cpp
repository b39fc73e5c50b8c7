// The database engine page run for real in the wizard dialog: skipped,
// integrated into the copy (WIN.INI, registry), found installed and
// reinstalled, and by the engine's own setup program (a program of ours).
#include <algorithm>

#include "bde_fixture.h"
#include "engine/file_routines.h"
#include "engine/run_scope.h"
#include "framework/form_reader.h"
#include "framework/form_text.h"
#include "pages/file_copy.h"

namespace {

class BDEInstall : public BDEPage {
protected:
    // A source file of the script in one of the engine's lists.
    void AddEngineFile(TNimboFileList* list, const String& name)
    {
        ForceDirs(folder + "src\\");
        WriteAll(folder + "src\\" + name, name);
        TNimboFile* f = script->AddFile(name);
        f->SetSource(folder + "src\\");
        f->SetSize(static_cast<int32_t>(name.size()));
        script->GetDisk(1)->AddFile(f);
        list->AddFile(f);
    }
    // The fake engine setup program placed as `dir` + SETUP.EXE, which
    // BDEDir then names.
    void PlaceEngineSetup(const String& dir)
    {
        ForceDirs(dir);
        ASSERT_TRUE(CopyFileA(BuildPath(NIMBO_FAKE_ENGINE_SETUP).c_str(), (dir + "SETUP.EXE").c_str(), FALSE));
        script->AddDir("EngineDisk", dir, nullptr);
        bde->SetBDEDir("EngineDisk");
    }
    // Runs the page from the start of a fresh wizard dialog.
    uint8_t Run(TGuiScript& g)
    {
        ResetWizard();
        const uint8_t result = bde->Execute();
        EXPECT_TRUE(g.Finished()) << "the chain ended before the script did";
        return result;
    }
};

TEST_F(BDEInstall, DefaultsTheDefaultDirCheckAndOnePagePerForm)
{
    EXPECT_EQ(bde->BDEDir(), "(none)");
    EXPECT_EQ(bde->DefaultDir(), "C:\\IDAPI\\");
    EXPECT_EQ(bde->InstallProgram(), "SETUP.EXE");
    EXPECT_EQ(bde->BDEType(), bdeNone);
    EXPECT_FALSE(bde->AllowUnInstall());
    bde->SetDefaultDir("D:\\ENGINE");
    EXPECT_EQ(bde->DefaultDir(), "D:\\ENGINE\\");
    TGuiScript g;
    g.Answer("Warning", "OK");
    bde->SetDefaultDir("D:\\EN*GINE");
    EXPECT_TRUE(g.Finished()) << "no warning";
    EXPECT_EQ(bde->DefaultDir(), "D:\\ENGINE\\");

    try {
        NewComponent<TNimboBDEInstall>(form);
        ADD_FAILURE() << "a second page was made";
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "Only allowed one TNimboBDEInstall per application.");
    }
    // Read from a form resource, the page takes its stored list.
    auto* host = NewComponent<TTestHostForm>(Application);
    const auto data = FormTextToBinary("object Host: TTestHostForm\n object suBDE: TNimboBDEInstall\n"
                                       "  BDEType = bde32Integrated\n  DefaultDir = 'D:\\DB'\n"
                                       "  ExtraData = (\n   'K:~:DLLPATH:~:C:\\'\n   'K2:~:N:~:V')\n end\nend\n");
    TFormReader(data.data(), data.size()).ReadRootComponent(host);
    auto* read = dynamic_cast<TNimboBDEInstall*>(host->FindComponent("suBDE"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->BDEType(), bde32Integrated);
    EXPECT_EQ(read->DefaultDir(), "D:\\DB\\");
    EXPECT_EQ(read->ExtraData()->Lines(), (std::vector<String>{"K:~:DLLPATH:~:C:\\", "K2:~:N:~:V"}));
    // Written always, as a list of strings, and read back the same.
    for (int lines : {2, 0}) {
        if (lines == 0) read->ExtraData()->Clear();
        std::vector<String> names;
        TValueWriter out;
        TFiler writer([&](const String& name, const TFiler::WriteProc& write) {
            names.push_back(name);
            write(out);
        });
        read->DefineProperties(writer);
        EXPECT_EQ(names, std::vector<String>{"ExtraData"});
        TStringList before;
        before.Assign(*read->ExtraData());
        read->ExtraData()->Add("dropped");
        TValueReader in(out.Data());
        TFiler reader(&in, "ExtraData");
        read->DefineProperties(reader);
        EXPECT_TRUE(in.AtEnd());
        EXPECT_EQ(read->ExtraData()->Lines(), before.Lines());
    }
    host->Free();

    info->Free();
    info = nullptr;
    EXPECT_EQ(bde->BDEType(), bdeNone) << "no controller, nothing to install";
}

TEST_F(BDEInstall, NoneSkipsThePageAndEndsAsItsNextPage)
{
    bool shown = false;
    bde->OnExecute = [&](TObject*) { shown = true; };
    TGuiScript g;
    g.WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(Run(g), psDone);
    TGuiScript cancelled;
    cancelled.WaitForPage([this] { return last; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(cancelled), psCancelled) << "a cancelled setup is no success";
    EXPECT_FALSE(shown);
    EXPECT_EQ(info->LoggedBDEType(), 0);
}

TEST_F(BDEInstall, Integrated16CopiesTheEngineIntoDefaultDirAndWritesWinIni)
{
    const String engine = folder + "engine\\";
    bde->SetBDEType(bde16Integrated);
    bde->SetDefaultDir(engine);
    AddEngineFile(script->BDEFiles(), "idapi01.dll");
    AddEngineFile(script->BDELDFiles(), "usa.ld");
    AddEngineFile(script->BDEWSFiles(), "bdews.dll");
    auto* copy = NewComponent<TNimboFileCopy>(form);
    copy->SetName("suCopy");
    bde->SetNextPage(copy);
    copy->SetNextPage(last);
    String intent, reinstall;
    bool reinstallEnabled = true;
    TGuiScript g;
    g.WaitForPage([this] { return bde; }).Then([&] {
        TNimboPagesForm* f = NimboPagesForm;
        EXPECT_EQ(f->Caption(), "BDE Installation");
        EXPECT_EQ(f->nbPage->PageIndex(), 4);
        intent = f->meBDEIntent->Caption();
        reinstall = f->btnBDEReinstall->Caption();
        reinstallEnabled = f->btnBDEReinstall->Enabled();
        return true;
    });
    g.ClickNext().WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(Run(g), psDone);
    EXPECT_EQ(Trimmed(intent), "The BDE (Borland Database Engine) will now be installed.\r\n\r\n"
                               "Due to legal reasons, the BDE's separate setup program must be executed.  "
                               "It will make the necessary changes to your system and install the proper files.\r\n\r\n"
                               "If the BDE has been already installed, the installation will be skipped.  "
                               "However, if you like, you may reinstall the BDE.");
    EXPECT_EQ(reinstall, "&Reinstall BDE");
    EXPECT_FALSE(reinstallEnabled) << "nothing to reinstall";

    EXPECT_EQ(ReadAll(engine + "idapi01.dll"), "idapi01.dll");
    EXPECT_EQ(ReadAll(engine + "LANGDRV\\usa.ld"), "usa.ld");
    EXPECT_EQ(ReadAll(folder + "sys\\bdews.dll"), "bdews.dll");
    EXPECT_EQ(WinIni("IDAPI", "DLLPATH"), folder + "engine");
    EXPECT_EQ(WinIni("IDAPI", "CONFIGFILE01"), engine + "IDAPI.CFG");
    EXPECT_EQ(WinIni("Borland Language Drivers", "LDPath"), engine + "LANGDRV");
    EXPECT_EQ(info->LoggedBDEType(), bde16Integrated);
    EXPECT_GE(info->CreatedDirs().IndexOf(engine + "LANGDRV\\"), 0);
    EXPECT_GE(info->InstalledFiles().IndexOf(engine + "idapi01.dll"), 0);

    // The uninstall's part: nothing without AllowUnInstall, then all of it.
    bde->RemoveEngine(bde16Integrated);
    EXPECT_TRUE(FileExists(engine + "LANGDRV\\usa.ld"));
    EXPECT_TRUE(IsEngineInstalled16());
    bde->SetAllowUnInstall(true);
    bde->RemoveEngine(bde16Integrated);
    EXPECT_FALSE(DirectoryExists(folder + "engine"));
    EXPECT_FALSE(IsEngineInstalled16());
    EXPECT_EQ(WinIni("Borland Language Drivers", "LDPath"), "");
    EXPECT_TRUE(FileExists(folder + "sys\\bdews.dll")) << "the system files are the log's to remove";
}

TEST_F(BDEInstall, FloppyEngineDirectoryInstallsIntoCIdapi)
{
    script->AddDir("Floppy", "a:\\ENGINE\\", nullptr);
    bde->SetBDEDir("Floppy");
    bde->SetBDEType(bde16Integrated);
    TStringList text;
    text.Add("Our own words.");
    bde->SetText(text);
    String intent;
    bool prevEnabled = true;
    TGuiScript g;
    g.WaitForPage([this] { return bde; }).Then([&] {
        intent = NimboPagesForm->meBDEIntent->Caption();
        return true;
    });
    g.ClickNext().WaitForPage([this] { return last; }).Then([&] {
        prevEnabled = NimboPagesForm->btnPrev->Enabled();
        return true;
    });
    g.ClickNext();
    EXPECT_EQ(Run(g), psDone);
    EXPECT_EQ(Trimmed(intent), "Our own words.");
    EXPECT_FALSE(prevEnabled) << "no way back past the engine's install";
    EXPECT_EQ(script->FindDir("$$$BDE$$$")->GetPath(), "C:\\IDAPI\\");
    EXPECT_EQ(script->FindDir("$$$BDELD$$$")->GetPath(), "C:\\IDAPI\\LANGDRV\\");
    EXPECT_TRUE(info->IsDirSelected(script->FindDir("$$$BDELD$$$")));
    EXPECT_EQ(WinIni("IDAPI", "DLLPATH"), "C:\\IDAPI");
}

TEST_F(BDEInstall, Integrated32WritesExtraDataFoundInstalledGoesOnAndReinstalls)
{
    const String key = "SOFTWARE\\Borland\\Database Engine";
    const String engine = folder + "db32\\";
    script->AddDir("Engine", engine, nullptr);
    bde->SetBDEDir("Engine");
    bde->SetBDEType(bde32Integrated);
    TStringList extra;
    for (const char* line :
         {"SOFTWARE\\Borland\\Database Engine:~:dllpath:~:X:\\OLD\\",
          "SOFTWARE\\Borland\\Database Engine:~:CONFIGFILE01:~:Q:\\OLD\\IDAPI32.CFG",
          "SOFTWARE\\Borland\\Database Engine\\Settings:~:LOCALE_LIB3:~:C:\\X\\usa.btl",
          "SOFTWARE\\Borland\\BLW32:~:BLAPIPATH:~:Z", "SOFTWARE\\Borland\\Database Engine:~:SIZE:~:2048",
          "SOFTWARE\\Borland\\Database Engine:~::~:no name", "SOFTWARE\\Borland\\Database Engine:~:HALF"})
        extra.Add(line);
    bde->SetExtraData(extra);
    TGuiScript g;
    g.WaitForPage([this] { return bde; }).ClickNext().WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(Run(g), psDone);
    EXPECT_EQ(EngineValue(key, "DLLPath"), folder + "db32");
    EXPECT_EQ(EngineValue(key, "CONFIGFILE01"), engine + "IDAPI32.CFG");
    EXPECT_EQ(EngineValue(key + "\\Settings", "LOCALE_LIB3"), engine + "usa.btl");
    EXPECT_EQ(EngineValue("SOFTWARE\\Borland\\BLW32", "BLAPIPATH"), folder + "db32");
    EXPECT_EQ(EngineValue(key, "SIZE"), "2048");
    EXPECT_EQ(EngineValue(key, "HALF"), "") << "a line short of its data";
    {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
        std::vector<String> names;
        char name[64];
        for (DWORD i = 0, len = sizeof name;
             RegEnumValueA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, len = sizeof name)
            names.emplace_back(name);
        RegCloseKey(k);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<String>{"CONFIGFILE01", "SIZE", "dllpath"})) << "names as written";
    }
    EXPECT_EQ(info->LoggedBDEType(), bde32Integrated);
    EXPECT_EQ(script->FindDir("$$$BDE$$$")->GetPath(), engine);

    // Found installed: Next goes on without writing anything again ...
    {
        TRegistryKey k;
        ASSERT_TRUE(k.Open(HKEY_LOCAL_MACHINE, key, true) && k.WriteString("SIZE", "mine"));
    }
    info->SetBDEType(0);
    bool enabled = false;
    TGuiScript again;
    again.WaitForPage([this] { return bde; }).Then([&] {
        enabled = NimboPagesForm->btnBDEReinstall->Enabled();
        return true;
    });
    again.ClickNext().WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(Run(again), psDone);
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(bde->Installed());
    EXPECT_EQ(EngineValue(key, "SIZE"), "mine");
    EXPECT_EQ(info->LoggedBDEType(), 0);
    // ... and Reinstall installs again and goes on by itself.
    TGuiScript reinstall;
    reinstall.WaitForPage([this] { return bde; })
        .Click([] { return NimboPagesForm->btnBDEReinstall; })
        .WaitForPage([this] { return last; })
        .ClickNext();
    EXPECT_EQ(Run(reinstall), psDone);
    EXPECT_EQ(EngineValue(key, "SIZE"), "2048");
    EXPECT_EQ(info->LoggedBDEType(), bde32Integrated);

    // Removal: the engine directory and both keys.
    ForceDirs(engine);
    WriteAll(engine + "idapi32.dll", "x");
    bde->SetAllowUnInstall(true);
    bde->RemoveEngine(bde32Integrated);
    EXPECT_FALSE(DirectoryExists(folder + "db32"));
    EXPECT_FALSE(IsEngineInstalled32());
    EXPECT_FALSE(TRegistryKey().Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland\\BLW32"));
}

// The engine's own setup takes its time: the page waits for it to end
// before it looks for the engine in WIN.INI, then goes on.
TEST_F(BDEInstall, EngineSetupProgramRunsToItsEndThenThePageGoesOn)
{
    const String disk = folder + "disk\\";
    PlaceEngineSetup(disk);
    bde->SetBDEType(bde16Borland);
    SetEnvironmentVariableA("NIMBO_BDE_SETUP_SLEEP", "1500");
    TGuiScript g(20000);
    g.WaitForPage([this] { return bde; }).ClickNext().WaitForPage([this] { return last; }).ClickNext();
    const DWORD start = GetTickCount();
    const uint8_t result = Run(g);
    SetEnvironmentVariableA("NIMBO_BDE_SETUP_SLEEP", nullptr);
    EXPECT_EQ(result, psDone);
    EXPECT_GE(GetTickCount() - start, 1400u);
    EXPECT_EQ(WinIni("IDAPI", "DLLPATH"), folder + "disk");
    EXPECT_NE(ReadAll(disk + "started.txt").find("cwd=" + folder + "disk"), String::npos) << "started in its directory";
    EXPECT_EQ(info->LoggedBDEType(), 0) << "only an integrated engine is logged";
}

// Every way of installing the engine writes machine-wide: a per-user run
// (whose setup had its engine type set only after start, when the scope
// was decided) installs none, and a per-user uninstall removes none.
TEST_F(BDEInstall, APerUserRunNeitherInstallsNorRemovesTheEngine)
{
    const String key = "SOFTWARE\\Borland\\Database Engine";
    script->AddDir("Engine", folder + "db32\\", nullptr);
    bde->SetBDEDir("Engine");
    bde->SetBDEType(bde32Integrated);
    bde->SetAllowUnInstall(true);
    SetRunScope(TRunScope::user);
    std::vector<String> shown;
    TGuiScript g;
    g.WaitForPage([this] { return bde; }).ClickNext();
    g.Answer("Warning", "OK", shown);
    EXPECT_EQ(Run(g), psCancelled);
    EXPECT_EQ(Trimmed(shown), std::vector<String>{"The BDE setup program failed to execute properly."});
    EXPECT_FALSE(IsEngineInstalled32());
    EXPECT_FALSE(DirectoryExists(folder + "db32"));

    {
        TRegistryKey k;
        ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, key) && k.WriteString("DLLPATH", folder + "db32"));
    }
    ForceDirs(folder + "db32\\");
    WriteAll(folder + "db32\\idapi32.dll", "engine");
    bde->RemoveEngine(bde32Integrated);
    EXPECT_TRUE(IsEngineInstalled32());
    EXPECT_TRUE(FileExists(folder + "db32\\idapi32.dll"));
    SetRunScope(TRunScope::machine);
    bde->RemoveEngine(bde32Integrated);
    EXPECT_FALSE(IsEngineInstalled32()) << "machine-wide, the same call removes it";
}

TEST_F(BDEInstall, EngineSetupFailuresCancelTheSetup)
{
    bde->SetBDEType(bde16Borland);
    const String missing = "Unable to locate the BDE setup program.";
    const String failed = "The BDE setup program failed to execute properly.";
    // No program: both warnings, and the setup ends cancelled. A name
    // beginning with B is no floppy drive.
    bde->SetInstallProgram("BDESETUP.EXE");
    std::vector<String> shown;
    TGuiScript g;
    g.WaitForPage([this] { return bde; }).ClickNext();
    g.Answer("Warning", "OK", shown);
    g.Answer("Warning", "OK", shown);
    EXPECT_EQ(Run(g), psCancelled);
    EXPECT_EQ(Trimmed(shown), (std::vector<String>{missing, failed}));

    // A program that ends without installing.
    bde->SetInstallProgram("SETUP.EXE");
    PlaceEngineSetup(folder + "disk\\");
    SetEnvironmentVariableA("NIMBO_BDE_SETUP_FAIL", "1");
    shown.clear();
    TGuiScript fails;
    fails.WaitForPage([this] { return bde; }).ClickNext();
    fails.Answer("Warning", "OK", shown);
    const uint8_t result = Run(fails);
    SetEnvironmentVariableA("NIMBO_BDE_SETUP_FAIL", nullptr);
    EXPECT_EQ(result, psCancelled);
    EXPECT_EQ(Trimmed(shown), std::vector<String>{failed});
    EXPECT_TRUE(FileExists(folder + "disk\\started.txt"));

    // On a floppy: the disk is asked for until it is there or Cancel.
    script->AddDir("Floppy", "b:\\", nullptr);
    bde->SetBDEDir("Floppy");
    shown.clear();
    TGuiScript floppy;
    floppy.WaitForPage([this] { return bde; }).ClickNext();
    floppy.Answer("Confirmation", "OK", shown);
    floppy.Answer("Confirmation", "Cancel", shown);
    EXPECT_EQ(Run(floppy), psCancelled);
    EXPECT_EQ(Trimmed(shown), (std::vector<String>{"Please insert the BDE Disk 1.", "Please insert the BDE Disk 1."}))
        << "Cancel ends it without a further message";
}

}  // namespace
