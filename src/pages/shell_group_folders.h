// Where the shell may make a program group on Program Manager's
// CreateGroup: in the program folder of the run's scope, and for a
// machine-wide run in the user's too (a shell may not know the common
// flag; Wine's makes every group in the user's). Each that is not there
// yet is written down in the run's journal before the command; once it is
// carried out, those that appeared are this installation's (recorded for
// the log), and the others are taken back, so a rollback never removes a
// folder of that name that someone else makes later.
#pragma once

#include <vector>

#include "base/nstring.h"

class TNimboInfo;
class TRunJournal;

class TShellGroupFolders {
public:
    explicit TShellGroupFolders(const String& group);
    void WriteDown(TRunJournal& journal) const;
    // After the command: records the folders that appeared in the
    // controller's log lists; true when one did.
    bool Settle(TNimboInfo& controller) const;
    // Where the group is now: its items' links go to one of these.
    std::vector<String> Present() const;

private:
    struct TCandidate {
        String path;
        bool existed;
    };
    std::vector<TCandidate> folders_;
};
