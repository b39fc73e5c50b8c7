// The journal's text: every name and value survives the trip through a
// line, what a kill leaves (a half-written line, a half-written header)
// is read as nothing done, and a line changed or added by hand unseals it.
#include <gtest/gtest.h>

#include "engine/journal_records.h"

namespace {

String Journal(const std::vector<TJournalRecord>& records, const String& app = "Corvane Linker",
               TJournalSeal* seal = nullptr)
{
    TJournalSeal own;
    TJournalSeal& s = seal ? *seal : own;
    String text = EncodeJournalHeader(app, "user", s);
    for (const TJournalRecord& r : records) text += EncodeJournalRecord(r, s);
    return text;
}

}  // namespace

TEST(JournalRecords, EveryFieldComesBackAsWritten)
{
    const String hostile = String("tab\there, line\r\nend, percent %41 and a nul ") + '\0' + " byte";
    const std::vector<TJournalRecord> written = {
        {TJournalKind::DirMade, {"C:\\Corvane"}},
        {TJournalKind::FileMade, {"C:\\Corvane\\link.exe"}},
        {TJournalKind::FileReplaced, {"C:\\Corvane\\a b.dll", "C:\\Corvane\\~nimbo-00000010-00000001.old"}},
        {TJournalKind::NotMade, {"C:\\Corvane\\link.exe"}},
        {TJournalKind::KeyMade, {"HKLM", "Software\\Corvane"}},
        {TJournalKind::ValueWritten, {"HKLM", "Software\\Corvane", hostile, "1", JournalHex(hostile)}},
        {TJournalKind::ProfileWritten, {"C:\\WINDOWS\\WIN.INI", "Sec", hostile, "1", hostile}},
        {TJournalKind::ProfileWritten, {"C:\\WINDOWS\\WIN.INI", "Sec", "New", "0", ""}},
    };
    const TJournalContent read = ParseJournal(Journal(written, hostile));
    ASSERT_TRUE(read.valid && read.sealed);
    EXPECT_EQ(read.application, hostile);
    EXPECT_EQ(read.scope, "user");
    EXPECT_FALSE(read.committed);
    ASSERT_EQ(read.records.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(read.records[i].kind, written[i].kind) << i;
        EXPECT_EQ(read.records[i].fields, written[i].fields) << i;
    }
    String bytes;
    ASSERT_TRUE(JournalUnhex(read.records[5].fields[4], bytes));
    EXPECT_EQ(bytes, hostile);
    EXPECT_TRUE(ParseJournal(Journal({{TJournalKind::Committed, {}}})).committed);
}

// A kill can end the file anywhere; an edited file may hold anything. What
// is not a whole record of a known kind is not acted on.
TEST(JournalRecords, WhatIsNotAWholeRecordIsDropped)
{
    TJournalSeal seal;
    String text = Journal({{TJournalKind::FileMade, {"C:\\A\\one"}}}, "Corvane Linker", &seal);
    TJournalSeal atCut = seal;
    const String half = EncodeJournalRecord({TJournalKind::FileMade, {"C:\\A\\two"}}, atCut);
    const TJournalContent cut = ParseJournal(text + half.substr(0, half.size() - 2));
    ASSERT_TRUE(cut.sealed);
    ASSERT_EQ(cut.records.size(), 1u);
    EXPECT_EQ(cut.records[0].fields[0], "C:\\A\\one");

    String odd = text;
    for (const char* line :
         {"Q\tC:\\x", "F", "F\ta\tb", "R\tonly one", "F\tbad %4 escape", "F\tbad %GG escape", "FF\tx"})
        odd += seal.Seal(line);
    const TJournalContent read = ParseJournal(odd + EncodeJournalRecord({TJournalKind::DirMade, {"C:\\A"}}, seal));
    ASSERT_TRUE(read.sealed);
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1].kind, TJournalKind::DirMade);

    // A record put in, or one changed, breaks the checksum of its line.
    const TJournalContent added = ParseJournal(text + "F\tC:\\WINDOWS\\WIN.INI\t00000000\r\n");
    EXPECT_FALSE(added.sealed);
    String changed = text;
    changed[changed.find("one")] = 'x';
    EXPECT_FALSE(ParseJournal(changed).sealed);

    EXPECT_FALSE(ParseJournal(String(kJournalHeader).substr(0, 5)).valid);
    EXPECT_FALSE(ParseJournal("Some other file\r\nF\tC:\\x\r\n").valid);
    EXPECT_TRUE(ParseJournal("Some other file\r\nF\tC:\\x\r\n").records.empty());

    String bytes;
    EXPECT_FALSE(JournalUnhex("ABC", bytes));
    EXPECT_FALSE(JournalUnhex("ZZ", bytes));
}
