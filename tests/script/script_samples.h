// Sample scripts: the shipped script (built through the model and as
// hand-made bytes) and a version-4 stream.
#pragma once

#include "script_test_util.h"

inline const char* const kSource = "C:\\Corvane\\Src\\";

struct ShippedFile {
    const char* name;
    int32_t stamp;
    int32_t size;
};
inline const ShippedFile kShippedFiles[] = {
    {"corvane.exe", 640243125, 299008}, {"order.txt", 631021870, 2789},      {"ReadMe.txt", 631021307, 4644},
    {"siteURLs.dat", 640243854, 130},   {"URL-Dabase.cvn", 640203974, 3993}, {"urls-submted.rpt", 640243840, 0},
    {"urls-submt.tmp", 640243848, 910},
};

// The shipped script, built through the model's operations.
inline void BuildShippedScript(TNimboData& s)
{
    s.SetAppName("Corvane Linker Setup");
    TNimboDisk* disk = s.GetDisk(1);
    disk->SetDescription("install");
    disk->SetSize(1400000);
    TNimboDir* install = s.FindDir("Install");
    install->SetDir("C:\\Corvane");
    for (const auto& sf : kShippedFiles) {
        TNimboFile* f = s.AddFile(String(kSource) + sf.name);
        f->SetDateTime(FileDateToDateTime(sf.stamp));
        f->SetSize(sf.size);
        f->SetCompressedSize(sf.size);
        EXPECT_TRUE(disk->AddFile(f));
        install->AddFile(f);
    }
    struct {
        const char* name;
        const char* title;
        const char* text;
        bool all;
    } items[] = {
        {"Common Files for InstallType", "", "Common Files", true},
        {"COMPLETE INSTALL", "COMPLETE INSTALL", "This will install the application with all of its options.", true},
        {"MINIMAL INSTALL", "MINIMAL INSTALL",
         "This will install the bare minimum of files for this application to work.", false},
        {"CUSTOM INSTALL", "CUSTOM INSTALL",
         "This will install the application with only those options that you choose.", false},
        {"Common Files for Options", "", "Common Files", false},
        {"Help Files", "Help Files", "Install Help Files", false},
        {"Sample Files", "Sample Files", "Install Sample Files", false},
    };
    for (const auto& it : items) {
        TNimboChoiceItem* c = s.AddChoiceItem(it.name);
        c->SetTitle(it.title);
        c->Description().Add(it.text);
        if (it.all)
            for (int i : {0, 1, 2, 3, 4, 6, 5}) c->Add()->AddFile(s.Files()[i], install, true);
    }
    TNimboChoiceData* type = s.AddChoiceData("suInstallType");
    type->SetCommon(s.FindChoiceItem("CUSTOM INSTALL"));
    type->AddItem(s.FindChoiceItem("COMPLETE INSTALL"));
    s.AddChoiceData("suOptions")->SetCommon(s.FindChoiceItem("Common Files for Options"));
    const char* winItems[] = {"Corvane Linker", "order.txt", "ReadMe.txt"};
    for (int i = 0; i < 3; ++i) {
        TNimboWinItem* w = s.AddWinItem(winItems[i]);
        w->SetDir(install);
        w->SetItemFile(s.Files()[i]);
    }
    TNimboWinGroups* g = s.AddWinGroup("suGroups");
    g->SetTitle("Corvane Linker");
    for (int i : {1, 0, 2}) g->AddItem(s.WinItems()[i]);
    s.SetLogFileDir(install);
}

// The same script as the format describes it, value by value.
inline std::vector<uint8_t> ShippedBytes()
{
    Bytes b;
    b.List().I8(5).Str("Corvane Linker Setup");
    b.List();
    b.Str("corvane.exe").Str(kSource).I32(640243125).I32(299008).False().I32(299008);
    b.Str("order.txt").Str(kSource).I32(631021870).I16(2789).False().I16(2789);
    b.Str("ReadMe.txt").Str(kSource).I32(631021307).I16(4644).False().I16(4644);
    b.Str("siteURLs.dat").Str(kSource).I32(640243854).I16(130).False().I16(130);
    b.Str("URL-Dabase.cvn").Str(kSource).I32(640203974).I16(3993).False().I16(3993);
    b.Str("urls-submted.rpt").Str(kSource).I32(640243840).I8(0).False().I8(0);
    b.Str("urls-submt.tmp").Str(kSource).I32(640243848).I16(910).False().I16(910);
    b.End();
    b.List().Str("install").I32(1400000).Ints({0, 1, 2, 3, 4, 5, 6}).End();
    b.List();
    b.Str("Install").Str("C:\\Corvane\\").Str("").Ints({0, 1, 2, 3, 4, 5, 6});
    b.Str("Windows").Str("C:\\WINDOWS\\").Str("").Ints({});
    b.Str("Windows System").Str("SYSTEM\\").Str("Windows").Ints({});
    b.End();
    b.List().End();  // file groups
    auto emptyGroupList = [&] { b.Str("").List().Ints({}).End().Ints({}); };
    auto item = [&](const char* name, const char* title, const char* text, bool all) {
        b.Str(name).Str(title).List().Str(text).End();
        if (all)
            b.Str("").List().Ints({0}).Ints({0, 1, 2, 3, 4, 6, 5}).End().Ints({});
        else
            emptyGroupList();
        emptyGroupList();
    };
    b.List();
    item("Common Files for InstallType", "", "Common Files", true);
    item("COMPLETE INSTALL", "COMPLETE INSTALL", "This will install the application with all of its options.", true);
    item("MINIMAL INSTALL", "MINIMAL INSTALL",
         "This will install the bare minimum of files for this application to work.", false);
    item("CUSTOM INSTALL", "CUSTOM INSTALL",
         "This will install the application with only those options that you choose.", false);
    item("Common Files for Options", "", "Common Files", false);
    item("Help Files", "Help Files", "Install Help Files", false);
    item("Sample Files", "Sample Files", "Install Sample Files", false);
    b.End();
    b.List().Str("suInstallType").I8(3).Ints({1}).Str("suOptions").I8(4).Ints({}).End();
    b.List();
    b.Str("Corvane Linker").Str("").I8(0).I8(0);
    b.Str("order.txt").Str("").I8(0).I8(1);
    b.Str("ReadMe.txt").Str("").I8(0).I8(2);
    b.End();
    b.List().Str("suGroups").Str("Corvane Linker").Ints({1, 0, 2}).End();
    b.Ints({}).Ints({}).Ints({});
    b.List().Str("Install").Str("INSTALL.LOG").End();
    b.List().End();
    b.End();
    return b.Data();
}

// Version 4: two disks, three files, two directories, choice data with
// inline items, a program group with inline items.
inline std::vector<uint8_t> Version4()
{
    Bytes b;
    b.List().I8(4).Str("Old App");
    b.List().Str("Disk A").I16(1000).Str("Disk B").I8(0).End();
    b.List();
    b.Str("APP.EXE").Str("C:\\SRC\\").I32(640243125).I16(900).I8(1).True().True().I16(800);
    b.Str("Help.HLP").Str("C:\\SRC\\").I8(0).I16(700).I8(1).False().False().I8(0);  // over capacity
    b.Str("LOOSE.TXT").Str("C:\\SRC\\").I8(0).I8(5).I8(0).False().False().I8(0);    // disk 0
    b.End();
    b.List();
    b.Str("Install").Str("C:\\OLD").Str("").List().Str("app.exe").Str("HELP.HLP").Str("MISSING").Str("APP.EXE").End();
    b.Str("Help").Str("HELP").Str("Install").List().Str("help.hlp").End();
    b.End();
    b.List();
    b.Str("suType").List();
    b.Str("Full").List().Str("APP.EXE").Str("HELP.HLP").Str("LOOSE.TXT").Str("NONE").End().List().End();
    b.Str("Common Files").List().Str("APP.EXE").End().List().End();
    b.Str("Lean").List().End().List().Str("help.hlp").End();
    b.End();
    b.End();
    b.List();
    b.Str("suGroups").Str("Old Group").List();
    b.Str("Run").Str("/q").Str("Install").Str("app.exe");
    b.Str("Nowhere").Str("").Str("No Dir").Str("NO FILE");
    b.End();
    b.End();
    b.End();
    return b.Data();
}
