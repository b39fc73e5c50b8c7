// The lines of a run's journal: what the run is about to change, one
// record a line, written before the change. Kept apart from the file and
// platform work so that the text can be checked on its own: the journal is
// read back after a kill, half-written last line and all. Every line ends
// with a checksum over the header and all lines up to it, so a journal is
// sealed at every line it holds: one edited or pieced together is told
// from what a run wrote, as an edited install log is.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"

enum class TJournalKind : char {
    DirMade = 'D',         // path: made by the run; undone by removing it when empty
    FileMade = 'F',        // path: a new file under a name nobody had
    FileReplaced = 'R',    // path, aside: the old file was moved (or copied) aside, or is about to be
    AsideDropped = 'Y',    // path, aside: the R record of the pair did not happen (the name was taken)
    NotMade = 'X',         // path: the last D or F record of it did not happen
    KeyMade = 'K',         // root, key: a registry key nobody had
    ValueWritten = 'V',    // root, key, name, old type ("" when none), old data in hex
    ProfileWritten = 'P',  // file, section, key, "1" and the old value, or "0" when none
    Committed = 'C',       // the run completed: nothing is undone, asides go
    Destination = 'T',     // folder: the run installs into it (its files may be undone)
};

struct TJournalRecord {
    TJournalKind kind;
    std::vector<String> fields;
};

// The running checksum of a journal (FNV-1a over each line's text and its
// end), carried from line to line.
class TJournalSeal {
public:
    explicit TJournalSeal(uint32_t state = 2166136261u) : state_(state) {}
    // The line with its checksum and line end.
    String Seal(const String& line);
    uint32_t State() const { return state_; }

private:
    uint32_t state_;
};

// The first line of every journal names it, the application (the identity
// the setup runs under) and the scope of the run ("machine" or "user").
extern const char kJournalHeader[];
String EncodeJournalHeader(const String& application, const String& scope, TJournalSeal& seal);

// One line, with its line end. Fields are separated by tabs; a byte below
// 32 and '%' are written as %XX, so any name or value fits on the line.
String EncodeJournalRecord(const TJournalRecord& record, TJournalSeal& seal);

struct TJournalContent {
    String application;                   // of the header
    String scope;                         // of the header
    std::vector<TJournalRecord> records;  // in the order written
    bool committed = false;
    bool valid = false;   // the header was there
    bool sealed = false;  // every whole line carries the checksum that is due
    uint32_t seal = 0;    // the checksum after the last whole line, to write on
};
// Reads a journal's text. A last line without its line end was being
// written when the run ended and is dropped (its change was not made); a
// line of an unknown kind or with the wrong number of fields is dropped.
// A line whose checksum is wrong ends the reading, the journal unsealed.
TJournalContent ParseJournal(const String& text);

// The records that stand: without the R records an AsideDropped record
// takes back.
std::vector<TJournalRecord> StandingRecords(const TJournalContent& content);

String JournalHex(const String& bytes);
// Empty when the text is not hexadecimal of even length.
bool JournalUnhex(const String& hex, String& bytes);
