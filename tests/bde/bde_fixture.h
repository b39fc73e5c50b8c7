// A form with a controller and a database engine page followed by a last
// page, in a temporary folder; WIN.INI's and the registry's engine settings
// are removed before and after each test.
#pragma once

// Windows before the profile routines: its WriteProfileString macro renames
// their declaration as it renames the calls.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/profile.h"
#include "engine/registry.h"
#include "engine/run_scope.h"
#include "page_fixture.h"
#include "pages/bde_install.h"
#include "pages/message_page.h"
#include "test_files.h"

class BDEPage : public TPageFixture {
protected:
    BDEPage() : TPageFixture(TStartUp::ByTest) {}
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo_bde");
        CleanEngineSettings();
        TPageFixture::SetUp();
        info->SetTest(true);  // files come from each file's own source folder
        info->Loaded();
        script = info->Script();
        TNimboDir* system = script->FindDir("Windows System");
        system->SetParent(nullptr);
        system->SetDir(folder + "sys\\");
        bde = Add<TNimboBDEInstall>("suBDE");
        last = Add<TNimboMessage>("last");
        Chain({bde, last});
    }
    void TearDown() override
    {
        SetRunScope(TRunScope::machine);
        TPageFixture::TearDown();
        CleanEngineSettings();
        RemoveTree(folder);
    }
    static void CleanEngineSettings()
    {
        EraseProfileSection("WIN.INI", "IDAPI");
        EraseProfileSection("WIN.INI", "Borland Language Drivers");
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland");
    }
    static String WinIni(const String& section, const String& key)
    {
        return ReadProfileString("WIN.INI", section, key);
    }
    static String EngineValue(const String& key, const String& name)
    {
        TRegistryKey k;
        return k.Open(HKEY_LOCAL_MACHINE, key) ? k.ReadString(name) : String();
    }

    String folder;
    TNimboData* script = nullptr;
    TNimboBDEInstall* bde = nullptr;
    TNimboMessage* last = nullptr;
};
