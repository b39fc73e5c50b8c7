// The controller's part in undoing a run: the journal it keeps, the
// rollback at the end of a run that did not complete, and the recovery of
// a killed run at the next start.
#include "engine/machine_entries.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/run_journal.h"
#include "engine/registry.h"
#include "engine/run_switches.h"

namespace {
// The names an undo could not put back, one a line after the text.
String WithLeftNames(const TNimboInfo* info, const String& text, const std::vector<String>& left)
{
    if (left.empty()) return text;
    String names;
    for (const String& name : left) names += "\r\n" + name;
    return text + "\r\n\r\n" + info->GetMessageText(msgRollBackIncomplete) + names;
}
}  // namespace

TRunJournal& TNimboInfo::Journal()
{
    if (!journal_) journal_ = std::make_unique<TRunJournal>(ProductId());
    return *journal_;
}

bool TNimboInfo::RollsBack() const
{
    if (!journal_ || !journal_->Started()) return false;
    // A run stopped for want of space is undone like one that failed.
    return RunExitCode() == exitFailed || RunExitCode() == exitDiskSpace ||
           (RunExitCode() == exitCancelled && rollBackOnCancel_);
}

void TNimboInfo::RollBackRun()
{
    const bool cancelled = RunExitCode() == exitCancelled;
    const std::vector<String> left = journal_->RollBack();
    journal_.reset();
    if (const TNimboEntries* entries = FormEntries(Owner())) entries->TellUndone();
    const String text =
        WithLeftNames(this, GetMessageText(cancelled ? msgRolledBackCancelled : msgRolledBackFailed), left);
    RunLog(text);
    if (!Unattended()) ShowMessageDialog(this, text, left.empty() ? mtInformation : mtWarning, NimboDialogButton(mbOK));
}

bool TNimboInfo::RecoverInterruptedRun()
{
    if (!JournalLeft(ProductId())) return true;
    // One this setup did not seal is not obeyed, not even asked about.
    if (const String problem = JournalSealProblem(ProductId()); !problem.empty()) {
        RefuseJournal(problem);
        return false;
    }
    const String question = Format(GetMessageText(msgInterruptedRun), AppName());
    RunLog(question);
    if (!Unattended() && ShowMessageDialog(this, question, mtConfirmation,
                                           NimboDialogButton(mbYes) | NimboDialogButton(mbNo)) != mrYes) {
        SetRunExitCode(exitCancelled);
        return false;
    }
    // The keys of the product's own entries are its run's to undo too.
    const TNimboEntries* entries = FormEntries(Owner());
    const TJournalRecovery recovery =
        RecoverJournal(ProductId(), entries ? entries->ScriptKeys() : std::vector<TJournalKey>{});
    if (!recovery.found) return true;
    if (!recovery.unsealed.empty()) {
        RefuseJournal(recovery.unsealed);
        return false;
    }
    for (const String& name : recovery.refused) RunLog("Refused, outside what the run may change: " + name);
    String text = recovery.refused.empty() ? GetMessageText(msgRolledBackFailed)
                                           : Format(GetMessageText(msgJournalRefused), AppName());
    for (const String& name : recovery.refused) text += "\r\n" + name;
    text = WithLeftNames(this, text, recovery.left);
    RunLog(text);
    const bool clean = recovery.left.empty() && recovery.refused.empty();
    if (!clean && !Unattended()) ShowMessageDialog(this, text, mtWarning, NimboDialogButton(mbOK));
    return true;
}

void TNimboInfo::RefuseJournal(const String& problem)
{
    const String text =
        Format(GetMessageText(msgJournalUnsealed), TRunJournal::PathFor(ProductId()), AppName(), problem);
    RunLog("Error: " + text);
    SetRunExitCode(exitFailed);
    ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
}

void TNimboInfo::FinishInstall()
{
    if (RollsBack()) {
        RollBackRun();
        return;
    }
    // A run that ended short before it changed anything leaves nothing,
    // not even a log naming nothing.
    if (RunExitCode() != exitDone && !(journal_ && journal_->Started())) return;
    try {
        WriteLog();
    } catch (...) {
        // An installation without its log could never be removed.
        if (journal_ && journal_->Started()) {
            SetRunExitCode(exitFailed);
            RollBackRun();
        }
        throw;
    }
    if (journal_) journal_->Commit();
    journal_.reset();
    // An earlier release registered under its name: this one's registration
    // under the product's identity replaces it.
    if (installed_.found && !SameText(installed_.key, ProductId()) && RunExitCode() == exitDone)
        DeleteRegistryKey(RegistrationRoot(), String(kUnInstallKey) + "\\" + installed_.key);
    // Only a run that stands needs the restart to finish it.
    if (!restartNeeded_) return;
    RunLog(GetMessageText(msgRestartNeeded));
    SetRunExitCode(exitRestartNeeded);
}
