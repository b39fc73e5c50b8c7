// What an installation makes besides files: registry values, file
// associations and folders added to PATH. The entries component keeps the
// author's lines (its Registry, Associations and Environment properties);
// at the end of an install it makes each entry, written down in the run's
// journal first, and the install log keeps what was made and what it
// replaced, under its seal, for the uninstall to take back.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/journal_bounds.h"
#include "engine/nimbo_component.h"
#include "engine/profile.h"

class TNimboInfo;

// A registry value an installation wrote, and what was there before.
struct TWrittenValue {
    String root;  // "HKLM" or "HKCU"
    String key;
    String name;  // empty: the key's default value
    DWORD type = 0;
    String data;  // the bytes written
    bool hadPrior = false;
    DWORD priorType = 0;
    String priorData;
};

inline bool SamePlace(const TWrittenValue& a, const TWrittenValue& b)
{
    return a.root == b.root && SameText(a.key, b.key) && SameText(a.name, b.name);
}

// A folder an installation added to PATH, in the value of root\key.
struct TPathEntry {
    String root;
    String key;
    String folder;
};

// What an installation made (or, read from a log, what it had made).
struct TMadeEntries {
    std::vector<TWrittenValue> values;
    std::vector<TJournalKey> keys;                        // made by the installation, outermost first
    std::vector<std::pair<String, String>> associations;  // extension, program identifier
    std::vector<TPathEntry> paths;
    bool Empty() const { return values.empty() && keys.empty() && associations.empty() && paths.empty(); }
};

class TNimboEntries : public TNimboComponent {
    NIMBO_CLASS()

public:
    TStringList* Registry() { return &registry_; }
    TStringList* Associations() { return &associations_; }
    TStringList* Environment() { return &environment_; }
    // Makes every entry; psCancelled when one could not be made: the run
    // then fails (said so), and is undone.
    uint8_t Execute() override;
    const TMadeEntries& Made() const { return made_; }
    // Whether this run made them (an install that did not reach its end
    // leaves an earlier release's entries as they are).
    bool Executed() const { return executed_; }
    // After the run's rollback: the shell and running programs are told
    // that the associations and PATH it made are gone again.
    void TellUndone() const;
    // The keys the lines name in this run's scope, for the recovery of a
    // killed run.
    std::vector<TJournalKey> ScriptKeys() const;

private:
    bool MakeRegistryValues(class TEntryWriter& writer);
    bool MakeAssociations(class TEntryWriter& writer);
    bool MakePathEntries(class TEntryWriter& writer);
    TStringList registry_, associations_, environment_;
    TMadeEntries made_;
    bool executed_ = false;
};

// The entries component of the form, if it has one.
TNimboEntries* FormEntries(const TComponent* form);

// The install log's sections of the entries, beside its other sections;
// their checksum is the seal's "Entries".
extern const char* const kEntryLogSections[4];
std::vector<TProfileSection> EntriesLogSections(const TMadeEntries& made);
// The entries of a log whose seal covers them (empty otherwise, and
// `unsealed` says why when the log has entries).
TMadeEntries ReadEntriesLog(const String& file, String* unsealed = nullptr);
// The checksum of a log's entry sections (install_log.cpp).
String EntriesChecksum(const String& file, const String& application);

// What the log of an install gets: what this run made, and of the earlier
// log merged with, the keys it made; the earlier release's values and PATH
// entries that this one no longer makes are taken back now, through the
// journal, as its dropped files are.
TMadeEntries EntriesForLog(TNimboInfo& controller, const TMadeEntries& earlier);
// The uninstall: each value the log names that is still as the install
// wrote it is put back as it was (or removed), each PATH entry taken out,
// then the keys the install made, when empty; nothing (said in /LOG) when
// the log is not sealed as ours or its seal does not cover its entries.
void RemoveLoggedEntries(const String& logFile, bool ours);
