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
#include "gui_test_support.h"
#include "pages/bde_install.h"
#include "pages/message_page.h"
#include "test_files.h"

class BDEPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo_bde");
        CleanEngineSettings();
        form = NewComponent<TTestHostForm>(Application);
        info = NewComponent<TNimboInfo>(form);
        info->SetTest(true);  // files come from each file's own source folder
        info->Loaded();
        script = info->Script();
        TNimboDir* system = script->FindDir("Windows System");
        system->SetParent(nullptr);
        system->SetDir(folder + "sys\\");
        bde = NewComponent<TNimboBDEInstall>(form);
        bde->SetName("suBDE");
        last = NewComponent<TNimboMessage>(form);
        last->SetName("last");
        bde->SetNextPage(last);
    }
    void TearDown() override
    {
        ResetWizard();
        form->Free();
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
    TTestHostForm* form = nullptr;
    TNimboInfo* info = nullptr;
    TNimboData* script = nullptr;
    TNimboBDEInstall* bde = nullptr;
    TNimboMessage* last = nullptr;
};
