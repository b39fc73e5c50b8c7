// The controller's part in a product's next release: the earlier install
// found at start, whose folder, scope and choices the run takes up, a
// newer one that it refuses to replace, and the files of the earlier
// release that this one no longer ships.
#include <set>

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/profile.h"
#include "engine/run_journal.h"
#include "engine/run_switches.h"
#include "engine/install_scope.h"
#include "framework/win32/system_error.h"
#include "script/product_version.h"

void TNimboInfo::FindEarlierInstall()
{
    const TRunScope preferred = installScope_ == isUser ? TRunScope::user : TRunScope::machine;
    installed_ = FindInstalledProduct(ProductId(), ProductName(), preferred);
    if (!installed_.found) return;
    RunLog("Found " + installed_.displayName + (installed_.version.empty() ? "" : " " + installed_.version) +
           " installed in " + installed_.folder + " (" +
           (installed_.scope == TRunScope::user ? "for the current user" : "for all users") + ").");
}

bool TNimboInfo::DowngradeRefused()
{
    if (version_.empty() || installed_.version.empty()) return false;
    if (CompareProductVersions(installed_.version, version_) <= 0) return false;
    if (RunSwitches().allowDowngrade) {
        RunLog("Replacing the newer version " + installed_.version + " with " + version_ +
               ", as /ALLOWDOWNGRADE asks.");
        return false;
    }
    const String text = Format(GetMessageText(msgNewerInstalled), installed_.version, ProductName(), version_);
    RunLog("Error: " + text);
    SetRunExitCode(exitNewerInstalled);
    ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
    return true;
}

void TNimboInfo::FollowEarlierInstall()
{
    const TComponent* form = Owner();
    for (const auto& [page, state] : installed_.choices)
        if (auto* p = dynamic_cast<TNimboPage*>(form ? form->FindComponent(page) : nullptr))
            p->TakeEarlierChoice(state);
    const String log = installed_.folder + script_->LogFileName();
    if (CheckOwnLog(log) != TLogSeal::ours) return;
    for (const String& file : ReadProfileKeys(log, "Files")) {
        const String path = NormaliseLogPath(file, false);
        if (!path.empty()) earlierFiles_.emplace(UpperCase(path), path);
    }
}

bool TNimboInfo::InstalledBefore(const String& path) const { return earlierFiles_.count(UpperCase(path)) > 0; }

std::vector<String> TNimboInfo::RemoveDroppedFiles()
{
    std::vector<String> dropped;
    if (earlierFiles_.empty()) return dropped;
    // What this release ships, wherever this run put it or would have.
    std::set<String> shipped;
    for (const TNimboDir* d : script_->Dirs())
        for (const TNimboFile* f : d->Files()) shipped.insert(UpperCase(d->GetPath() + f->Name()));
    for (int i = 0; i < InstalledFiles().Count(); ++i) shipped.insert(UpperCase(InstalledFiles()[i]));
    const String folder = UpperCase(installed_.folder);
    const String program = UpperCase(LongPathName(ProgramPath()));
    for (const auto& [key, path] : earlierFiles_) {
        // Only what lies inside the product's folder, and never this program.
        if (shipped.count(key) || key.compare(0, folder.size(), folder) != 0 || !FileExists(path)) continue;
        if (UpperCase(LongPathName(path)) == program) continue;
        if (Journal().SetAside(path)) {
            RunLog("Removed, no longer part of " + ProductName() + ": " + path);
            dropped.push_back(path);
        } else {
            RunLog(WithSystemError("Warning: could not remove " + path + ", no longer part of " + ProductName() + ".",
                                   GetLastError()));
        }
    }
    return dropped;
}
