// What the recovery of a killed run may change. The journal names what the
// run made, but whoever can write its folder could name anything: a record
// is obeyed only inside what a run of the setup may change, and only for
// its own scope. A run's files lie in the folders it installs into (its
// Destination records); none of those is the Windows folder, a drive's
// root or one of the platform's own folders (the profile, the documents,
// the Start menu, the program files), and a per-user run's none of the
// machine's. Its registry values lie below Software of its scope's root,
// outside the platform's own keys but for the uninstall registrations, and
// the keys the product's script names (its registry values, associations
// and PATH) in its scope's root.
#pragma once

#include <vector>

#include "base/nstring.h"
#include "engine/journal_records.h"
#include "engine/run_scope.h"

// A registry key by its root's short name ("HKLM", "HKCU") and path.
struct TJournalKey {
    String root;
    String key;
};

class TJournalBounds {
public:
    TJournalBounds(const TJournalContent& content, TRunScope scope, const std::vector<TJournalKey>& scriptKeys = {});

    // A file (or folder) inside one of the run's destinations, or a link
    // directly on the scope's desktop (a desktop icon the run made).
    bool File(const String& path) const;
    // A folder the run may have made: a destination, one inside it, or one
    // on the way to it.
    bool Folder(const String& dir) const;
    // A key of the journal's registry root name ("HKLM", "HKCU"): below
    // Software, or one the script names exactly.
    bool Key(const String& root, const String& key) const;
    // A profile value: in a file inside a destination, or one of the
    // database engine's in WIN.INI of a machine-wide run.
    bool Profile(const String& file, const String& section) const;

private:
    bool Allowed(const String& dir) const;
    TRunScope scope_;
    String windows_;
    std::vector<String> destinations_;  // long, upper-cased, with a trailing backslash
    std::vector<String> platform_;      // never a destination themselves
    std::vector<String> closed_;        // no destination inside them
    std::vector<String> scriptKeys_;    // upper-cased, of the scope's root
    String desktop_;                    // the scope's desktop: its links are the run's icons
};

// The long, upper-cased form of a full plain path (a folder's with its
// trailing backslash); empty when it is not plain or leads through a link.
String BoundsPath(const String& path, bool folder);
