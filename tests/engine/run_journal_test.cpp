// The run's journal on the real platform: what a run made, replaced and
// wrote is undone byte for byte and value for value, after a Cancel as
// after a kill; a completed run leaves nothing of it; a file or value that
// was there before and not the run's is never taken.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "engine/run_journal.h"
#include "engine/file_routines.h"
#include "engine/profile.h"
#include "engine/registry.h"
#include "framework/win32/handles.h"
#include "pending_renames.h"
#include "test_files.h"

namespace {

struct TFileState {
    String bytes;
    FILETIME written{};
    DWORD attributes = 0;
};

TFileState StateOf(const String& path)
{
    TFileState s;
    s.bytes = ReadAll(path);
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) {
        s.written = d.ftLastWriteTime;
        s.attributes = d.dwFileAttributes;
    }
    return s;
}

void ExpectSame(const TFileState& a, const TFileState& b, const String& what)
{
    EXPECT_EQ(a.bytes, b.bytes) << what;
    EXPECT_EQ(CompareFileTime(&a.written, &b.written), 0) << what;
    EXPECT_EQ(a.attributes, b.attributes) << what;
}

String RegistryString(const String& key, const String& name)
{
    TRegistryKey k;
    if (!k.Open(HKEY_CURRENT_USER, key)) return "<missing>";
    return k.ReadString(name);
}

void SetRegistryString(const String& key, const String& name, const String& value)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

bool KeyThere(const String& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

class RunJournal : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A per-user run's journal, with values in the user's registry.
        SetRunScope(TRunScope::user);
        app = Unique("Journal Test");
        dir = FreshTempFolder(Unique("nimbo_journal"));
        key = "Software\\" + Unique("NimboJournal");
        SetRegistryString(key, "Kept", "before");
        WriteAll(dir + "old.dll", "the old library");
        SetFileAttributesA((dir + "old.dll").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteAll(dir + "mine.txt", "the user's own");
        WriteAll(dir + "app.ini", "[Settings]\r\nColour=blue\r\n");
        before = StateOf(dir + "old.dll");
    }
    void TearDown() override
    {
        SetFileAttributesA((dir + "old.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(dir);
        DeleteRegistryKey(HKEY_CURRENT_USER, key);
        DeleteFileA(TRunJournal::PathFor(app).c_str());
        SetRunScope(TRunScope::machine);
    }
    // What a run of the setup does, each change written down first.
    void Change(TRunJournal& journal)
    {
        journal.Destination(dir);
        ASSERT_EQ(0u, journal.MakeDirs(dir + "bin\\plugins"));
        journal.FileMade(dir + "bin\\plugins\\new.dll");
        WriteAll(dir + "bin\\plugins\\new.dll", "new");
        ASSERT_TRUE(journal.SetAside(dir + "old.dll"));
        WriteAll(dir + "old.dll", "the new library, longer than the old one");
        // The name was taken meanwhile: that file is not the run's.
        journal.FileMade(dir + "mine.txt");
        journal.NotMade(dir + "mine.txt");
        journal.RegistryValue(HKEY_CURRENT_USER, key + "\\Sub\\Deeper", "Made");
        SetRegistryString(key + "\\Sub\\Deeper", "Made", "by the run");
        journal.RegistryValue(HKEY_CURRENT_USER, key, "Kept");
        SetRegistryString(key, "Kept", "after");
        journal.ProfileValue(dir + "app.ini", "Settings", "Colour");
        WriteProfileString(dir + "app.ini", "Settings", "Colour", "red");
        journal.ProfileValue(dir + "app.ini", "Settings", "Size");
        WriteProfileString(dir + "app.ini", "Settings", "Size", "12");
        journal.ProfileValue(dir + "new.ini", "A", "B");
        WriteProfileString(dir + "new.ini", "A", "B", "C");
    }
    void ExpectAsBefore()
    {
        ExpectSame(StateOf(dir + "old.dll"), before, "old.dll");
        EXPECT_EQ(ReadAll(dir + "mine.txt"), "the user's own");
        EXPECT_FALSE(DirectoryExists(dir + "bin"));
        EXPECT_FALSE(FileExists(dir + "new.ini"));
        EXPECT_EQ(ReadProfileString(dir + "app.ini", "Settings", "Colour"), "blue");
        EXPECT_EQ(ReadProfileString(dir + "app.ini", "Settings", "Size", "none"), "none");
        EXPECT_EQ(RegistryString(key, "Kept"), "before");
        EXPECT_FALSE(KeyThere(key + "\\Sub"));
        EXPECT_TRUE(KeyThere(key));
        EXPECT_EQ(Entries(dir), (std::vector<String>{"app.ini", "mine.txt", "old.dll"}));
        EXPECT_FALSE(JournalLeft(app));
    }
    String app, dir, key;
    TFileState before;
};

}  // namespace

TEST_F(RunJournal, RollBackPutsEverythingBackAsItWas)
{
    TRunJournal journal(app);
    Change(journal);
    EXPECT_FALSE(JournalLeft(app)) << "a journal its run still holds is not one left behind";
    EXPECT_FALSE(RecoverJournal(app).found);
    EXPECT_TRUE(journal.RollBack().empty());
    ExpectAsBefore();
}

// A killed run's journal is all that is left of it: the next start undoes
// it the same way, and a second recovery finds nothing to do.
TEST_F(RunJournal, TheNextStartUndoesAKilledRun)
{
    {
        TRunJournal journal(app);
        Change(journal);
    }
    ASSERT_TRUE(JournalLeft(app));
    const TJournalRecovery recovery = RecoverJournal(app);
    EXPECT_TRUE(recovery.found);
    EXPECT_FALSE(recovery.completed);
    EXPECT_TRUE(recovery.left.empty());
    ExpectAsBefore();
    EXPECT_FALSE(RecoverJournal(app).found);
}

TEST_F(RunJournal, ACompletedRunKeepsItsChangesAndLeavesNothingAside)
{
    TRunJournal journal(app);
    Change(journal);
    journal.Commit();
    EXPECT_FALSE(JournalLeft(app));
    EXPECT_EQ(ReadAll(dir + "old.dll"), "the new library, longer than the old one");
    EXPECT_EQ(ReadAll(dir + "bin\\plugins\\new.dll"), "new");
    EXPECT_EQ(RegistryString(key, "Kept"), "after");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"app.ini", "bin", "mine.txt", "new.ini", "old.dll"}));
    // Nothing written: nothing to commit, and no journal made for it.
    TRunJournal idle(app);
    idle.Commit();
    EXPECT_FALSE(JournalLeft(app));
}

// The files a copy is about to replace are written down together before it
// starts, each with its aside name: one killed before it reaches a file
// finds no aside of it and leaves it; a file replaced under its planned
// name is put back; and a planned name something else took meanwhile is
// dropped, so that file is never put in place of the user's nor removed.
TEST_F(RunJournal, PlannedAsidesAreUndoneOnlyWhereTheyHappened)
{
    WriteAll(dir + "a.txt", "old a");
    WriteAll(dir + "b.txt", "old b");
    WriteAll(dir + "c.txt", "old c");
    {
        TRunJournal journal(app);
        journal.Destination(dir);
        journal.PlanAsides({dir + "a.txt", dir + "b.txt", dir + "c.txt"});
        EXPECT_EQ(Entries(dir).size(), 6u) << "nothing moves when the names are planned";
        ASSERT_TRUE(journal.SetAside(dir + "a.txt"));
        WriteAll(dir + "a.txt", "new a");
        // The journal's own copy of the names, read back as a recovery would.
        TJournalContent content = ParseJournal(ReadAll(TRunJournal::PathFor(app)));
        ASSERT_GE(content.records.size(), 4u);
        const String bAside = content.records[2].fields[1];
        // Another program takes b.txt's planned aside name.
        WriteAll(bAside, "another program's file");
        ASSERT_TRUE(journal.SetAside(dir + "b.txt"));
        WriteAll(dir + "b.txt", "new b");
        // Killed here: c.txt was never reached.
        EXPECT_EQ(ReadAll(bAside), "another program's file");
    }
    const TJournalContent left = ParseJournal(ReadAll(TRunJournal::PathFor(app)));
    ASSERT_TRUE(RecoverJournal(app).left.empty());
    EXPECT_EQ(ReadAll(dir + "a.txt"), "old a");
    EXPECT_EQ(ReadAll(dir + "b.txt"), "old b");
    EXPECT_EQ(ReadAll(dir + "c.txt"), "old c");
    const String bAside = left.records[2].fields[1];
    EXPECT_EQ(ReadAll(bAside), "another program's file") << "a name the run did not get is not the run's";
    DeleteFileA(bAside.c_str());
    EXPECT_EQ(Entries(dir), (std::vector<String>{"a.txt", "app.ini", "b.txt", "c.txt", "mine.txt", "old.dll"}));
}

TEST_F(RunJournal, ACompletedRunRemovesOnlyTheAsidesItMade)
{
    WriteAll(dir + "a.txt", "old a");
    TRunJournal journal(app);
    journal.PlanAsides({dir + "a.txt"});
    const String aside = ParseJournal(ReadAll(TRunJournal::PathFor(app))).records[0].fields[1];
    WriteAll(aside, "another program's file");
    ASSERT_TRUE(journal.SetAside(dir + "a.txt"));
    WriteAll(dir + "a.txt", "new a");
    journal.Commit();
    EXPECT_EQ(ReadAll(aside), "another program's file");
    DeleteFileA(aside.c_str());
    EXPECT_EQ(Entries(dir), (std::vector<String>{"a.txt", "app.ini", "mine.txt", "old.dll"}));
    EXPECT_EQ(ReadAll(dir + "a.txt"), "new a");
}

// A file set aside that cannot be removed when the run completes (the
// image of a program still running, renamed but held) goes at the next
// restart instead of staying for good.
TEST_F(RunJournal, AnAsideStillHeldGoesAtTheNextRestart)
{
    TRunJournal journal(app);
    ASSERT_TRUE(journal.SetAside(dir + "mine.txt"));
    std::vector<String> names = Entries(dir);
    const auto aside = std::find_if(names.begin(), names.end(), [](const String& n) { return n[0] == '~'; });
    ASSERT_NE(aside, names.end());
    const String held = dir + *aside;
    WriteAll(dir + "mine.txt", "the new one");
    {
        const TKernelHandle running(
            CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(running.Valid());
        journal.Commit();
    }
    const std::vector<String> pending = PendingRenames();
    DropPendingRenamesIn(dir);
    EXPECT_TRUE(FileExists(held));
    const auto at = std::find(pending.begin(), pending.end(), "\\??\\" + held);
    ASSERT_NE(at, pending.end()) << "the aside is in the list of the next restart";
    EXPECT_EQ(*(at + 1), "") << "to be deleted";
    EXPECT_FALSE(JournalLeft(app));
}

// A file kept in place while a copy of it is set aside (the program of an
// older install, which the uninstall registration replaces) gets its aside
// name only when the copy is whole. On a drive too small for a second copy
// the copy stops half-way: no part of it is left under any name, and a run
// killed there finds the file as it was at the next start. Run by
// journal_disk_full on a 1 MiB drive.
TEST(DiskFull, DISABLED_ACopySetAsideHalfWayLeavesTheFileAsItWas)
{
    const String drive = GetEnvValue("NIMBO_FULL_DRIVE");
    ASSERT_EQ(drive.size(), 2u) << "NIMBO_FULL_DRIVE names the small drive, e.g. T:";
    const String root = drive + "\\";
    const String file = root + "setup.exe";
    const String program(640 * 1024, 'p');
    WriteAll(file, program);
    ASSERT_TRUE(ReadAll(file) == program) << "the drive holds the program";
    const String app = Unique("Aside Test");
    {
        TRunJournal journal(app);
        EXPECT_FALSE(journal.SetAside(file, true)) << "the drive has no room for a second copy";
        EXPECT_EQ(Entries(root), std::vector<String>{"setup.exe"}) << "no part of the copy is left";
        // Killed here.
    }
    EXPECT_TRUE(RecoverJournal(app).left.empty());
    EXPECT_TRUE(ReadAll(file) == program) << "the file is as it was";
    EXPECT_EQ(Entries(root), std::vector<String>{"setup.exe"});
    DeleteFileA(file.c_str());
}

// A run killed while it committed had completed: its changes stay.
TEST_F(RunJournal, AKillWhileCommittingKeepsTheChanges)
{
    {
        TRunJournal journal(app);
        Change(journal);
    }
    const String text = ReadAll(TRunJournal::PathFor(app));
    TJournalSeal seal(ParseJournal(text).seal);
    WriteAll(TRunJournal::PathFor(app), text + EncodeJournalRecord({TJournalKind::Committed, {}}, seal));
    const TJournalRecovery recovery = RecoverJournal(app);
    EXPECT_TRUE(recovery.completed);
    EXPECT_EQ(ReadAll(dir + "old.dll"), "the new library, longer than the old one");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"app.ini", "bin", "mine.txt", "new.ini", "old.dll"}));
}

// Names that are not in their full, plain form, and "set aside" copies
// that are not beside their file under the setup's naming, are not acted on.
TEST_F(RunJournal, OnlyPlainNamesAndTheSetupsOwnAsidesAreTouched)
{
    WriteAll(dir + "victim.txt", "keep me");
    WriteAll(dir + "elsewhere.dat", "keep me too");
    CreateDirectoryA((dir + "sub").c_str(), nullptr);
    TJournalSeal seal;
    String text = EncodeJournalHeader(app, "user", seal);
    text += EncodeJournalRecord({TJournalKind::Destination, {dir}}, seal);
    text += EncodeJournalRecord({TJournalKind::FileMade, {dir + "sub\\..\\victim.txt"}}, seal);
    text += EncodeJournalRecord({TJournalKind::FileMade, {"victim.txt"}}, seal);
    text += EncodeJournalRecord({TJournalKind::FileReplaced, {dir + "sub\\x.dll", dir + "elsewhere.dat"}}, seal);
    CreateDirectoryA(RemoveBackslash(TRunJournal::Folder()).c_str(), nullptr);
    WriteAll(TRunJournal::PathFor(app), text);
    const TJournalRecovery recovery = RecoverJournal(app);
    EXPECT_EQ(recovery.left.size() + recovery.refused.size(), 3u);
    EXPECT_EQ(ReadAll(dir + "victim.txt"), "keep me");
    EXPECT_EQ(ReadAll(dir + "elsewhere.dat"), "keep me too");
    EXPECT_FALSE(JournalLeft(app));
}
