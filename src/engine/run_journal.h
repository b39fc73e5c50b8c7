// The run's journal: before the setup changes anything on the machine (a
// directory or file made, a file replaced, a registry or profile value
// written), it writes down what it is about to do, so a cancelled or failed
// run can be undone in reverse, and so can a run that was killed, at the
// next start. The journal lives where only the run's own scope writes (a
// folder of the setup in the Windows folder for a machine-wide run, in the
// user's local application data for a per-user one), is sealed with the
// setup's identity, the scope and a checksum, and is obeyed after a kill
// only within what a run may change (journal_bounds.h).
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <vector>

#include "base/nstring.h"
#include "engine/journal_bounds.h"
#include "engine/journal_records.h"
#include "engine/run_scope.h"
#include "framework/win32/handles.h"

class TRunJournal {
public:
    explicit TRunJournal(const String& application);
    ~TRunJournal();
    TRunJournal(const TRunJournal&) = delete;
    TRunJournal& operator=(const TRunJournal&) = delete;

    // The folder of the journals, with a trailing backslash.
    static String Folder();
    // The journal file of the application's setup.
    static String PathFor(const String& application);

    // Whether anything was written down yet (the file is made with the
    // first record).
    bool Started() const { return file_.Valid(); }

    // A folder the run is about to install into: the files made and
    // replaced in it are undone after a kill. Written with the next record.
    void Destination(const String& dir);

    // Each of these is written before the change it names; a record that
    // cannot be written raises EInOutError, and the change is not made.
    // Makes the directory and its missing parents, each written down
    // first; 0, or the platform's reason why the first missing one could
    // not be made (as ForceDirs).
    unsigned long MakeDirs(const String& dir);
    // The directory and its missing parents are about to be made by
    // another program (the shell, say): each is written down.
    void DirsToBeMade(const String& dir);
    // A new file is about to take the name; NotMade when it did not (the
    // name was taken meanwhile): the file there is not ours.
    void FileMade(const String& file);
    void NotMade(const String& path);
    // Moves the existing file aside in its folder (it keeps its times and
    // attributes) so that a new one can take the name, or copies it aside
    // when it cannot be moved; false when neither worked, and the file is
    // as it was.
    bool SetAside(const String& file, bool copy = false);
    // The files a run is about to replace, each with the name it will be
    // set aside under, written down at once and flushed once: their set-
    // asides then need no flush of their own. One never set aside stays
    // where it is, and its record finds no aside to put back.
    void PlanAsides(const std::vector<String>& files);
    // The file this run set aside is as it was again when its replacement
    // failed or was stopped: moved back under its name when nothing took
    // the name since, its copy dropped when it never left. So the run goes
    // on with the file as it was; true when it is.
    bool PutBack(const String& file);
    // Before root\key is made: each of its keys that is missing.
    void RegistryKey(HKEY root, const String& key);
    // Before a registry value under root\key is written: its old content.
    void RegistryValue(HKEY root, const String& key, const String& name);
    // Before a file is written under the name by a copy that replaces: a
    // new file written down, one that is there set aside (copied, since the
    // copy may read it). Raises EInOutError when that cannot be kept.
    void PrepareTarget(const String& file);
    // Before a profile (INI) value is written: its old value, if any.
    void ProfileValue(const String& file, const String& section, const String& key);

    // The run completed: the files set aside go, then the journal.
    void Commit();
    // Undoes every change in reverse and removes the journal. Gives the
    // names it could not put back as they were (a file held open, say).
    std::vector<String> RollBack();

private:
    void Write(const TJournalRecord& record, bool durable);
    void WriteLine(const String& line);
    void Begin();
    // Removes the journal, and the state folder when this run made it and
    // nothing else is in it.
    void Remove();
    // The journal's error for the platform call that just failed.
    [[noreturn]] void WriteFailed(DWORD error) const;
    String application_;
    TRunScope scope_;
    String path_;
    TKernelHandle file_;
    bool madeFolder_ = false;  // the state folder, which goes with the journal when empty
    TJournalSeal seal_;
    std::set<String> destinations_;  // upper-cased
    std::vector<String> pendingDestinations_;
    unsigned asides_ = 0;
    // A free aside name in the file's folder.
    String NewAside(const String& file);
    std::map<String, String> planned_;  // upper-cased file -> its aside
    struct TSetAside {
        String file, aside;
        bool copied;
    };
    std::vector<TSetAside> setAside_;
};

// What became of the journal an earlier run left behind.
struct TJournalRecovery {
    bool found = false;           // there was one
    bool completed = false;       // its run had completed; only its leftovers went
    std::vector<String> left;     // names that could not be put back
    std::vector<String> refused;  // what it named outside what its run may change
    String unsealed;              // why it was not obeyed (and left as it is)
};

// Whether a run of the application's setup left its journal (a kill, a
// power cut, a rollback that did not end).
bool JournalLeft(const String& application);
// Why the journal left for the application is not to be obeyed: not
// sealed as a run of this setup in this scope seals it. Empty when it is.
String JournalSealProblem(const String& application);
// Finishes what the journal of an earlier run asks, if sealed: undoes its
// changes in reverse, or, when that run had completed, removes what it set
// aside; in either case only within what its run may change.
// The script's own registry keys (journal_bounds.h) are obeyed too.
TJournalRecovery RecoverJournal(const String& application, const std::vector<TJournalKey>& scriptKeys = {});
// Undoes what the journal's records name, in reverse; the names that could
// not be put back are added to `left`. The run's own journal, which
// nobody else could write while it ran, is obeyed whole.
void UndoJournal(const TJournalContent& content, std::vector<String>& left);
