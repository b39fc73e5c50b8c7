// Helpers shared by the script tests: a hand-made value stream and a
// recorder of the data-error reports.
#pragma once

#include <cstdint>
#include <vector>

#include "base/string_list.h"
#include "framework/value_stream.h"
#include "script/data_error.h"
#include "script/nimbo_data.h"

// Builds stream bytes tag by tag, so expectations never come from the writer.
class Bytes {
public:
    Bytes& List() { return Tag(1); }
    Bytes& End() { return Tag(0); }
    Bytes& I8(int v)
    {
        Tag(2).b_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& I16(int v)
    {
        Tag(3);
        return Le(static_cast<uint32_t>(v), 2);
    }
    Bytes& I32(int64_t v)
    {
        Tag(4);
        return Le(static_cast<uint32_t>(v), 4);
    }
    Bytes& Str(const String& s)
    {
        Tag(6).b_.push_back(static_cast<uint8_t>(s.size()));
        b_.insert(b_.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& False() { return Tag(8); }
    Bytes& True() { return Tag(9); }
    // A list of 8-bit integers.
    Bytes& Ints(std::initializer_list<int> values)
    {
        List();
        for (int v : values) I8(v);
        return End();
    }
    Bytes& Raw(uint8_t v)
    {
        b_.push_back(v);
        return *this;
    }
    const std::vector<uint8_t>& Data() const { return b_; }

private:
    Bytes& Tag(uint8_t t)
    {
        b_.push_back(t);
        return *this;
    }
    Bytes& Le(uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i) b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    std::vector<uint8_t> b_;
};

// Collects every data-error text while alive.
class ErrorRecorder {
public:
    ErrorRecorder()
    {
        previous_ = SetNimboDataErrorHandler([this](const String& t) { texts.push_back(t); });
    }
    ~ErrorRecorder() { SetNimboDataErrorHandler(previous_); }
    std::vector<String> texts;

private:
    TNimboDataErrorHandler previous_;
};

inline std::vector<uint8_t> WriteScript(const TNimboData& script)
{
    TWriter w;
    script.WriteData(w);
    return w.TakeData();
}

inline void ReadScript(TNimboData& script, const std::vector<uint8_t>& bytes)
{
    TReader r(bytes);
    script.ReadData(r);
}

inline std::vector<String> Names(const TStringList& lines) { return lines.Lines(); }

// A script with every kind of entry and reference.
inline void BuildRichScript(TNimboData& s)
{
    s.SetAppName("Rich");
    TNimboFile* a = s.AddFile("C:\\SRC\\A.EXE");
    TNimboFile* b = s.AddFile("C:\\SRC\\B.DLL");
    TNimboFile* c = s.AddFile("C:\\SRC\\C.HLP");
    a->SetSize(300000);
    a->SetCompressed(true);
    a->SetCompressedSize(120000);
    a->SetDateTime(EncodeDate(2001, 7, 4) + EncodeTime(13, 14, 16, 0));
    b->SetSize(5000);
    b->SetCompressedSize(5000);
    c->SetSize(70);
    c->SetCompressedSize(70);
    TNimboDisk* d1 = s.GetDisk(1);
    d1->SetSize(200000);
    d1->AddFile(a);
    d1->AddFile(b);
    s.AddDisk("Disk 2")->AddFile(c);
    TNimboDir* install = s.FindDir("Install");
    TNimboDir* help = s.AddDir("Help", "HELP", install);
    install->AddFile(a);
    install->AddFile(b);
    help->AddFile(c);
    s.FindDir("Windows System")->AddFile(b);
    TNimboFileGroup* docs = s.AddFileGroup("Docs");
    docs->AddFile(c, help, true);
    TNimboFileGroup* libs = s.AddFileGroup("Libs");
    libs->AddFile(b, s.FindDir("Windows System"), true);
    TNimboChoiceItem* full = s.AddChoiceItem("Full");
    full->SetTitle("Full install");
    full->Description().Add("Everything.");
    full->Description().Add("Really.");
    full->Add()->AddFile(a, install, true);
    full->Add()->AddFile(c, help, true);
    full->Add()->AddGroup(libs);
    full->Add()->AddGroup(docs);
    TNimboChoiceItem* small = s.AddChoiceItem("Small");
    small->Remove()->AddFile(c, help, true);
    small->Remove()->SetName("minus");
    TNimboChoiceData* type = s.AddChoiceData("suType");
    type->SetCommon(small);
    type->AddItem(full);
    type->AddItem(small);
    s.AddChoiceData("suEmpty");
    TNimboWinItem* run = s.AddWinItem("Run A");
    run->SetCommandLine("/x");
    run->SetDir(install);
    run->SetItemFile(a);
    TNimboWinItem* hlp = s.AddWinItem("Help");
    hlp->SetDir(help);
    hlp->SetItemFile(c);
    s.AddWinItem("Nothing");
    TNimboWinGroups* wg = s.AddWinGroup("suGroups");
    wg->SetTitle("Rich Group");
    wg->AddItem(hlp);
    wg->AddItem(run);
    s.BDEFiles()->AddFile(b);
    s.BDEWSFiles()->AddFile(c);
    s.BDEWSFiles()->AddFile(a);
    s.SetLogFileDir(help);
    s.SetLogFileName("RICH.LOG");
    s.UnInstallFiles().Add("UNINST.EXE");
    s.UnInstallFiles().Add("UNINST.DAT");
}

// Positions of a list's entries in the script's own list, for comparing
// two scripts reference by reference.
template <class T> std::vector<int> Positions(const TNimboList<T>& in, const TNimboList<T>& refs)
{
    std::vector<int> r;
    for (const T* e : refs) r.push_back(in.IndexOf(e));
    return r;
}

// Every value, position and reference of a script as text.
inline String Describe(const TNimboData& s)
{
    String out = "app " + s.AppName() + "\n";
    for (const TNimboFile* f : s.Files())
        out += Format("file %s %s %d %d %d %s\n", f->Name(), f->Source(), DateTimeToFileDate(f->DateTime()), f->Size(),
                      f->CompressedSize(), f->Compressed() ? "c" : "-") +
               (f->Script() == &s ? "" : "FOREIGN\n");
    auto ints = [](const std::vector<int>& v) {
        String t;
        for (int i : v) {
            t += ' ';
            t += IntToStr(i);
        }
        return t;
    };
    for (const TNimboDisk* d : s.Disks())
        out += Format("disk %s %d %d %d", d->Description(), d->Number(), d->Size(), d->Used()) +
               ints(Positions(s.Files(), d->Files())) + (d->Script() == &s ? "\n" : " FOREIGN\n");
    for (const TNimboDir* d : s.Dirs())
        out += Format("dir %s %s %d", d->Name(), d->Dir(), s.Dirs().IndexOf(d->Parent())) +
               ints(Positions(s.Files(), d->Files())) + (d->Script() == &s ? "\n" : " FOREIGN\n");
    auto group = [&](const TNimboFileGroup* g) {
        String t = "group " + g->Name() + ints(Positions(s.Dirs(), g->Dirs())) + (g->Script() == &s ? "" : " FOREIGN");
        for (int i = 0; i < g->FileListCount(); ++i)
            t += " |" + ints(Positions(s.Files(), g->FileLists(i)->Files())) +
                 (g->FileLists(i)->Script() == &s ? "" : " FOREIGN");
        return t + "\n";
    };
    for (const TNimboFileGroup* g : s.FileGroups()) out += group(g);
    for (const TNimboChoiceItem* c : s.ChoiceItems()) {
        out += "item " + c->Name() + " / " + c->Title() + " / " + c->Description().Text() + "\n";
        out += " add " + group(c->Add()) + " groups" + ints(Positions(s.FileGroups(), c->Add()->Groups())) + "\n";
        out +=
            " remove " + group(c->Remove()) + " groups" + ints(Positions(s.FileGroups(), c->Remove()->Groups())) + "\n";
    }
    for (const TNimboChoiceData* c : s.ChoiceData())
        out += Format("choices %s %d", c->Name(), s.ChoiceItems().IndexOf(c->Common())) +
               ints(Positions(s.ChoiceItems(), c->Items())) + "\n";
    for (const TNimboWinItem* w : s.WinItems())
        out += Format("winitem %s %s %d %d\n", w->Name(), w->CommandLine(), s.Dirs().IndexOf(w->Dir()),
                      s.Files().IndexOf(w->ItemFile()));
    for (const TNimboWinGroups* w : s.WinGroups())
        out += "wingroup " + w->Name() + " " + w->Title() + ints(Positions(s.WinItems(), w->Items())) + "\n";
    out += "bde" + ints(Positions(s.Files(), s.BDEFiles()->Files())) + " |" +
           ints(Positions(s.Files(), s.BDELDFiles()->Files())) + " |" +
           ints(Positions(s.Files(), s.BDEWSFiles()->Files())) + "\n";
    out += Format("log %d %s\n", s.Dirs().IndexOf(s.LogFileDir()), s.LogFileName());
    out += "uninstall " + s.UnInstallFiles().Text();
    return out;
}
