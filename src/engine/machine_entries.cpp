#include "engine/machine_entries.h"

// After windows.h, whose types they use.
#include <shlobj.h>

#include "engine/entry_lines.h"
#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/registry_values.h"
#include "engine/run_folders.h"
#include "engine/run_journal.h"
#include "engine/run_log.h"
#include "engine/run_scope.h"
#include "engine/run_switches.h"
#include "framework/properties.h"
#include "framework/win32/system_error.h"

NIMBO_DEFINE_CLASS(TNimboEntries, TNimboComponent, true,
                   p.Lines("Registry", &TNimboEntries::Registry)
                       .Lines("Associations", &TNimboEntries::Associations)
                       .Lines("Environment", &TNimboEntries::Environment))

namespace {
String ScopeRoot() { return PerUserRun() ? "HKCU" : "HKLM"; }
String ClassesKey() { return "Software\\Classes"; }

// The keys an association writes below the classes key.
std::vector<String> AssociationKeys(const String& extension, const String& progId)
{
    const String id = ClassesKey() + "\\" + progId;
    return {ClassesKey() + "\\" + extension, id, id + "\\DefaultIcon", id + "\\shell", id + "\\shell\\open",
            id + "\\shell\\open\\command"};
}
}  // namespace

// Writes values through the run's journal and keeps what it made; what
// the earlier release's log says was there before it stays the value to
// put back.
class TEntryWriter {
public:
    TEntryWriter(TRunJournal& journal, const TMadeEntries& earlier, TMadeEntries& made)
        : journal_(journal), earlier_(earlier), made_(made)
    {
    }

    bool Value(const String& root, const String& key, const String& name, DWORD type, const String& data,
               const String& shown)
    {
        const HKEY hive = RegistryRoot(root);
        TWrittenValue v;
        v.root = root, v.key = key, v.name = name, v.type = type, v.data = data;
        v.hadPrior = ReadRegistryBytes(hive, key, name, v.priorType, v.priorData);
        std::vector<String> missing;
        for (String k = key; !k.empty() && !RegistryKeyExists(hive, k); k = ParentKey(k))
            missing.insert(missing.begin(), k);
        journal_.RegistryValue(hive, key, name);
        const LONG result = WriteRegistryBytes(hive, key, name, type, data);
        const String where = RegistryPlaceName(root, key, name);
        if (result != ERROR_SUCCESS) {
            error_ = WithSystemError("Could not write the registry value " + where + ".", static_cast<DWORD>(result));
            return false;
        }
        RunLog("Registry value: " + where + " = " + shown);
        for (const String& k : missing) made_.keys.push_back({root, k});
        Keep(v);
        return true;
    }

    bool Path(const String& root, const String& key, const String& folder);
    const String& Error() const { return error_; }
    void Fail(const String& text) { error_ = text; }

private:
    // Of two writes of one value (the earlier release's, or a second line),
    // the first one's prior content is what was there before.
    void Keep(TWrittenValue v)
    {
        for (const TWrittenValue& e : earlier_.values)
            if (SamePlace(e, v)) CopyPrior(e, v);
        for (TWrittenValue& m : made_.values)
            if (SamePlace(m, v)) {
                CopyPrior(m, v);
                m = v;
                return;
            }
        made_.values.push_back(v);
    }
    static void CopyPrior(const TWrittenValue& from, TWrittenValue& to)
    {
        to.hadPrior = from.hadPrior;
        to.priorType = from.priorType;
        to.priorData = from.priorData;
    }
    TRunJournal& journal_;
    const TMadeEntries& earlier_;
    TMadeEntries& made_;
    String error_;
};

bool TEntryWriter::Path(const String& root, const String& key, const String& folder)
{
    const HKEY hive = RegistryRoot(root);
    DWORD type = REG_EXPAND_SZ;
    String data;
    const bool had = ReadRegistryBytes(hive, key, "Path", type, data);
    if (had && type != REG_SZ && type != REG_EXPAND_SZ) {
        error_ = "PATH in " + RegistryPlaceName(root, key, "Path") + " holds no text; " + folder + " is not added.";
        return false;
    }
    const String path = had ? RegistryText(data) : String();
    const TPathEntry entry{root, key, folder};
    if (PathListHolds(path, folder)) {
        // The earlier release's entry stays its installation's.
        for (const TPathEntry& e : earlier_.paths)
            if (SameText(e.root, root) && SameText(e.key, key) && SameText(e.folder, folder))
                made_.paths.push_back(entry);
        RunLog("PATH holds " + folder + " already.");
        return true;
    }
    journal_.RegistryValue(hive, key, "Path");
    const String joined = path.empty() || path.back() == ';' ? path + folder : path + ";" + folder;
    const LONG result = WriteRegistryBytes(hive, key, "Path", had ? type : REG_EXPAND_SZ, joined + '\0');
    if (result != ERROR_SUCCESS) {
        error_ = WithSystemError("Could not add " + folder + " to PATH.", static_cast<DWORD>(result));
        return false;
    }
    RunLog("Added to PATH (" + RegistryPlaceName(root, key, "Path") + "): " + folder);
    made_.paths.push_back(entry);
    return true;
}

TNimboEntries* FormEntries(const TComponent* form)
{
    for (int i = 0; form && i < form->ComponentCount(); ++i)
        if (auto* e = dynamic_cast<TNimboEntries*>(form->Components(i))) return e;
    return nullptr;
}

uint8_t TNimboEntries::Execute()
{
    if (!controller_ || !script_ || controller_->UnInstallMode()) return psDone;
    made_ = TMadeEntries{};
    executed_ = true;
    TMadeEntries earlier;
    TEntryWriter writer(controller_->Journal(), earlier, made_);
    bool done = false;
    try {
        // What an earlier release made: the values it replaced stay the ones to put back.
        const TNimboDir* main = script_->FindDir("Install");
        const String log = main ? controller_->LogFileFor(main->GetPath(), true) : String();
        if (!log.empty() && controller_->CheckOwnLog(log) == TLogSeal::ours) earlier = ReadEntriesLog(log);
        done = MakeRegistryValues(writer) && MakeAssociations(writer) && MakePathEntries(writer);
    } catch (const Exception& e) {
        writer.Fail(e.Message());
    }
    if (!made_.associations.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (!made_.paths.empty()) BroadcastEnvironmentChange();
    if (done) return psDone;
    RunLog("Error: " + writer.Error());
    SetRunExitCode(exitFailed);
    ShowMessageDialog(controller_, writer.Error(), mtError, NimboDialogButton(mbOK));
    return psCancelled;
}

void TNimboEntries::TellUndone() const
{
    if (!made_.associations.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (!made_.paths.empty()) BroadcastEnvironmentChange();
}

namespace {
// The destination and the setup's folder, for the constants of a value.
TRunFolders FoldersOf(TNimboData* script, TNimboInfo* controller)
{
    const TNimboDir* main = script->FindDir("Install");
    return {main ? main->GetPath() : String(), controller->SourceDir()};
}

String Expanded(const String& text, const TRunFolders& folders, TEntryWriter& writer)
{
    String out, failed;
    if (!ExpandRunFolders(text, folders, out, failed)) {
        writer.Fail("The folder " + failed + " of the value " + text + " is not known on this computer.");
        throw ENimboError(writer.Error());
    }
    return out;
}
}  // namespace

bool TNimboEntries::MakeRegistryValues(TEntryWriter& writer)
{
    const TRunFolders folders = FoldersOf(script_, controller_);
    for (int i = 0; i < registry_.Count(); ++i) {
        TRegistryLine line;
        if (!ParseRegistryLine(registry_[i], line)) {
            writer.Fail("The setup's registry value " + registry_[i] + " is not sound; nothing of it is written.");
            return false;
        }
        // HKCR is the classes of the run's scope; a per-user run writes
        // nothing for everybody.
        String root = line.root, key = line.key;
        if (root == "HKCR") root = ScopeRoot(), key = ClassesKey() + "\\" + key;
        if (root == "HKLM" && PerUserRun()) {
            writer.Fail("A per-user install writes nothing for all users of the computer: " + registry_[i]);
            return false;
        }
        if (line.dword) {
            const String data(reinterpret_cast<const char*>(&line.number), sizeof line.number);
            if (!writer.Value(root, key, line.name, REG_DWORD, data, IntToStr(line.number))) return false;
            continue;
        }
        const String text = Expanded(line.text, folders, writer);
        if (!writer.Value(root, key, line.name, REG_SZ, text + '\0', "\"" + text + "\"")) return false;
    }
    return true;
}

bool TNimboEntries::MakeAssociations(TEntryWriter& writer)
{
    for (int i = 0; i < associations_.Count(); ++i) {
        TAssociationLine a;
        if (!ParseAssociationLine(associations_[i], a)) {
            writer.Fail("The setup's association " + associations_[i] + " is not sound; it is not made.");
            return false;
        }
        const String program = ResolveDirMacro(a.dir, controller_, script_) + a.file;
        const String progId = AssociationProgId(controller_->ProductId(), a.extension);
        const std::vector<String> keys = AssociationKeys(LowerCase(a.extension), progId);
        const String root = ScopeRoot();
        const String command = AssociationCommand(program, a.arguments);
        const bool made = writer.Value(root, keys[0], "", REG_SZ, progId + '\0', "\"" + progId + "\"") &&
                          writer.Value(root, keys[1], "", REG_SZ, a.description + '\0', "\"" + a.description + "\"") &&
                          writer.Value(root, keys[2], "", REG_SZ, "\"" + program + "\",0" + '\0', program) &&
                          writer.Value(root, keys[5], "", REG_SZ, command + '\0', command);
        if (!made) return false;
        RunLog("Association made: " + LowerCase(a.extension) + " opens with " + command);
        made_.associations.emplace_back(LowerCase(a.extension), progId);
    }
    return true;
}

bool TNimboEntries::MakePathEntries(TEntryWriter& writer)
{
    const TRunFolders folders = FoldersOf(script_, controller_);
    for (int i = 0; i < environment_.Count(); ++i) {
        String folder;
        if (!ParsePathLine(environment_[i], folder)) {
            writer.Fail("The setup's environment entry " + environment_[i] + " is not sound; PATH is not changed.");
            return false;
        }
        String path = Expanded(folder, folders, writer);
        if (NormaliseTargetPath(path) != TTargetPathCheck::tpOk) {
            writer.Fail("The folder " + folder + " (" + path + ") for PATH is not a full path on a drive.");
            return false;
        }
        if (!writer.Path(ScopeRoot(), EnvironmentKey(PerUserRun()), RemoveBackslash(path))) return false;
    }
    return true;
}

std::vector<TJournalKey> TNimboEntries::ScriptKeys() const
{
    std::vector<TJournalKey> keys;
    const String root = ScopeRoot();
    for (int i = 0; i < registry_.Count(); ++i) {
        TRegistryLine line;
        if (!ParseRegistryLine(registry_[i], line)) continue;
        if (line.root == "HKCR")
            keys.push_back({root, ClassesKey() + "\\" + line.key});
        else
            keys.push_back({line.root, line.key});
    }
    const String id = controller_ ? controller_->ProductId() : AppName();
    for (int i = 0; i < associations_.Count(); ++i) {
        TAssociationLine a;
        if (!ParseAssociationLine(associations_[i], a)) continue;
        for (const String& k : AssociationKeys(LowerCase(a.extension), AssociationProgId(id, a.extension)))
            keys.push_back({root, k});
    }
    if (environment_.Count() > 0) keys.push_back({root, EnvironmentKey(root == "HKCU")});
    return keys;
}
