#include "engine/run_journal.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "base/exceptions.h"
#include "base/temp_names.h"
#include "engine/file_routines.h"
#include "engine/install_scope.h"
#include "engine/journal_bounds.h"
#include "engine/profile.h"
#include "engine/registry_values.h"
#include "engine/run_log.h"
#include "engine/run_scope.h"
#include "framework/win32/system_error.h"

namespace {

struct TRootName {
    HKEY root;
    const char* name;
};
const TRootName kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}, {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_USERS, "HKU"}};

String RootName(HKEY root)
{
    for (const TRootName& r : kRoots)
        if (r.root == root) return r.name;
    throw ENimboError("The journal knows no such registry root.");
}

HKEY RootOf(const String& name)
{
    for (const TRootName& r : kRoots)
        if (name == r.name) return r.root;
    return nullptr;
}

// The name a file is set aside under, in its own folder: a name of the
// setup's temporary files, but with its own extension, so the clean-up of
// killed runs' temporary files never takes a user's old file with it.
const char kAsideExtension[] = ".old";

String AsideName(uint32_t number)
{
    return SetupNameWithExtension(GetCurrentProcessId(), SetupTempNumber(number), kAsideExtension);
}

// Only a name of that form, in the file's own folder, is ever put back or
// removed for it.
bool IsAsideOf(const String& aside, const String& file)
{
    const String name = ExtractFileName(aside);
    const size_t stem = name.size() - std::min(name.size(), sizeof kAsideExtension - 1);
    uint32_t pid = 0;
    return SameText(ExtractFileDir(aside), ExtractFileDir(file)) && name.substr(stem) == kAsideExtension &&
           ParseSetupTempName(name.substr(0, stem) + ".tmp", pid);
}

// Copies `file` to its aside name, keeping the times and attributes as a
// move does. The copy takes that name only when whole: a run killed in the
// middle of it leaves a temporary file, which the next start clears away,
// never a part of the file to be put back in its place.
bool CopyAside(const String& file, const String& aside)
{
    String temp;
    TKernelHandle made;
    const DWORD error = CreateSetupTempFile(AddBackslash(ExtractFileDir(aside)), temp, made);
    if (error != 0) {
        SetLastError(error);
        return false;
    }
    made.Close();
    if (CopyFileA(file.c_str(), temp.c_str(), FALSE) && MoveFileExA(temp.c_str(), aside.c_str(), 0)) return true;
    const DWORD reason = GetLastError();
    RemoveFile(temp);
    SetLastError(reason);
    return false;
}

// A name of the journal is taken only in its full, normalised form.
bool PlainPath(const String& path) { return !path.empty() && NormaliseLogPath(path, false) == path; }

// One step of an undo, in the run's log; one that failed with the reason.
void Undone(bool done, const String& what, const String& name)
{
    const DWORD error = GetLastError();
    RunLog(done ? "Undone: " + what + " " + name : WithSystemError("Not undone: " + what + " " + name + ".", error));
}

void UndoFileReplaced(const String& file, const String& aside, std::vector<String>& left)
{
    if (!PlainPath(file) || !IsAsideOf(aside, file)) {
        left.push_back(file);
        return;
    }
    if (!FileExists(aside)) return;  // never set aside, or put back already
    // One that cannot be put back (held open, say) keeps its earlier
    // version beside it, under a name the user is told.
    const String kept = file + " (its earlier version is kept as " + ExtractFileName(aside) + ")";
    if (FileExists(file) && !RemoveFile(file)) {
        Undone(false, "put back the earlier", kept);
        left.push_back(kept);
        return;
    }
    const bool moved = MoveFileExA(aside.c_str(), file.c_str(), 0);
    Undone(moved, "put back the earlier", moved ? file : kept);
    if (!moved) left.push_back(kept);
}

void UndoValue(const std::vector<String>& f, std::vector<String>& left)
{
    const HKEY root = RootOf(f[0]);
    TRegKey h;
    if (!root || RegOpenKeyExA(root, f[1].c_str(), 0, KEY_SET_VALUE, h.Put()) != ERROR_SUCCESS) return;
    String data;
    bool done;
    if (f[3].empty())
        done = RegDeleteValueA(h.Get(), f[2].c_str()) == ERROR_SUCCESS;
    else
        done = JournalUnhex(f[4], data) &&
               RegSetValueExA(h.Get(), f[2].c_str(), 0, static_cast<DWORD>(std::strtoul(f[3].c_str(), nullptr, 10)),
                              reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    Undone(done, f[3].empty() ? "removed the registry value" : "restored the registry value",
           f[0] + "\\" + f[1] + "\\" + f[2]);
    if (!done) left.push_back(f[0] + "\\" + f[1] + "\\" + f[2]);
}

// Whether a recovery may obey the record (always, without bounds); a
// record it may not is named in `refused`.
bool WithinBounds(const TJournalRecord& r, const TJournalBounds* bounds, std::vector<String>& refused)
{
    if (!bounds) return true;
    const std::vector<String>& f = r.fields;
    bool ok = true;
    String name = f.empty() ? String() : f[0];
    switch (r.kind) {
    case TJournalKind::DirMade:
        ok = bounds->Folder(f[0]);
        break;
    case TJournalKind::FileMade:
    case TJournalKind::FileReplaced:
        ok = bounds->File(f[0]);
        break;
    case TJournalKind::KeyMade:
    case TJournalKind::ValueWritten:
        ok = bounds->Key(f[0], f[1]);
        name += "\\" + f[1] + (r.kind == TJournalKind::ValueWritten ? "\\" + f[2] : String());
        break;
    case TJournalKind::ProfileWritten:
        ok = bounds->Profile(f[0], f[1]);
        name += " [" + f[1] + "] " + f[2];
        break;
    default:
        break;
    }
    if (!ok) refused.push_back(name);
    return ok;
}

void UndoRecord(const TJournalRecord& r, std::vector<String>& left)
{
    const std::vector<String>& f = r.fields;
    switch (r.kind) {
    case TJournalKind::DirMade:
        // One that is not empty holds what someone else put there.
        if (PlainPath(f[0]) && RemoveDirectoryA(f[0].c_str())) Undone(true, "removed the folder", f[0]);
        break;
    case TJournalKind::FileMade:
        if (!PlainPath(f[0]) || !RemoveFile(f[0])) {
            Undone(false, "removed", f[0]);
            left.push_back(f[0]);
        } else {
            Undone(true, "removed", f[0]);
        }
        break;
    case TJournalKind::FileReplaced:
        UndoFileReplaced(f[0], f[1], left);
        break;
    case TJournalKind::KeyMade:
        // Only when empty of subkeys: what others made below it stays.
        if (HKEY root = RootOf(f[0]); root && RegDeleteKeyA(root, f[1].c_str()) == ERROR_SUCCESS)
            Undone(true, "removed the registry key", f[0] + "\\" + f[1]);
        break;
    case TJournalKind::ValueWritten:
        UndoValue(f, left);
        break;
    case TJournalKind::ProfileWritten:
        if (!WritePrivateProfileStringA(f[1].c_str(), f[2].c_str(), f[3] == "1" ? f[4].c_str() : nullptr,
                                        f[0].c_str())) {
            Undone(false, "restored", f[0] + " [" + f[1] + "] " + f[2]);
            left.push_back(f[0]);
        } else {
            Undone(true, "restored", f[0] + " [" + f[1] + "] " + f[2]);
        }
        break;
    default:
        break;
    }
}

// Removes the files a completed run set aside. One that cannot go now (the
// image of a program still running, which could be renamed but not
// deleted) goes when the computer restarts.
void RemoveAsides(const TJournalContent& content, const TJournalBounds* bounds)
{
    for (const TJournalRecord& r : StandingRecords(content)) {
        if (r.kind != TJournalKind::FileReplaced || (bounds && !bounds->File(r.fields[0]))) continue;
        const String& aside = r.fields[1];
        if (!IsAsideOf(aside, r.fields[0]) || !FileExists(aside)) continue;
        if (!RemoveFile(aside)) MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

String ReadText(const String& path)
{
    const TKernelHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    String text;
    if (!h) return text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h.Get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    return text;
}

TJournalContent ReadJournal(const String& path) { return ParseJournal(ReadText(path)); }

const char* ScopeName(TRunScope scope) { return scope == TRunScope::user ? "user" : "machine"; }

// Undoes the records in reverse; with bounds, only those within them.
void UndoConfined(const TJournalContent& content, std::vector<String>& left, const TJournalBounds* bounds,
                  std::vector<String>& refused)
{
    // A killed run's half-written copies and work folders stand in the way
    // of the folders it made; only those of a process that has ended go.
    std::set<String> folders;
    for (const TJournalRecord& r : content.records)
        if (r.kind == TJournalKind::FileMade || r.kind == TJournalKind::FileReplaced)
            folders.insert(UpperCase(ExtractFilePath(r.fields[0])));
    for (const String& folder : folders)
        if (!bounds || bounds->File(folder)) RemoveSetupLeftovers(folder);
    // A NotMade record takes back the nearest record of its name before it.
    std::multiset<String> notMade;
    const std::vector<TJournalRecord> records = StandingRecords(content);
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (it->kind == TJournalKind::NotMade) {
            notMade.insert(it->fields[0]);
            continue;
        }
        if ((it->kind == TJournalKind::FileMade || it->kind == TJournalKind::DirMade)) {
            const auto found = notMade.find(it->fields[0]);
            if (found != notMade.end()) {
                notMade.erase(found);
                continue;
            }
        }
        if (WithinBounds(*it, bounds, refused)) UndoRecord(*it, left);
    }
}

}  // namespace

TRunJournal::TRunJournal(const String& application)
    : application_(application), scope_(RunScope()), path_(PathFor(application))
{
}

TRunJournal::~TRunJournal() = default;

String TRunJournal::Folder() { return RunStateFolder(); }

String TRunJournal::PathFor(const String& application)
{
    String name;
    for (char c : application.substr(0, 64)) name += IsCharAlphaNumericA(c) || c == ' ' || c == '-' ? c : '_';
    return Folder() + (name.empty() ? String("setup") : name) + ".journal";
}

void TRunJournal::Begin()
{
    // An earlier run's journal is never written over: it is undone first.
    // Made again when another run took the folder away, empty, meanwhile.
    for (int attempt = 0; attempt < 2 && !file_; ++attempt) {
        madeFolder_ = CreateDirectoryA(RemoveBackslash(Folder()).c_str(), nullptr) || madeFolder_;
        file_.Reset(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_ && GetLastError() != ERROR_PATH_NOT_FOUND) break;
    }
    if (!file_) WriteFailed(GetLastError());
    WriteLine(EncodeJournalHeader(application_, ScopeName(scope_), seal_));
}

void TRunJournal::WriteFailed(DWORD error) const { throw InOutError("Unable to write " + path_ + ".", error); }

// Each record is in the file before the change is made, so a kill finds it;
// those that guard what cannot be made again (a replaced file, an old
// value) are also on the disk before, so a power cut does.
void TRunJournal::Write(const TJournalRecord& record, bool durable)
{
    if (!Started()) Begin();
    for (const String& dir : pendingDestinations_)
        WriteLine(EncodeJournalRecord({TJournalKind::Destination, {dir}}, seal_));
    pendingDestinations_.clear();
    WriteLine(EncodeJournalRecord(record, seal_));
    if (durable && !FlushFileBuffers(file_.Get())) WriteFailed(GetLastError());
}

void TRunJournal::WriteLine(const String& line)
{
    DWORD written = 0;
    if (!WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        WriteFailed(GetLastError());
    // A disk file takes all or fails, but for want of space.
    if (written != line.size()) WriteFailed(ERROR_DISK_FULL);
}

void TRunJournal::Destination(const String& dir)
{
    const String path = AddBackslash(dir);
    if (path.size() > 1 && destinations_.insert(AnsiUpperCase(path)).second) pendingDestinations_.push_back(path);
}

unsigned long TRunJournal::MakeDirs(const String& dir)
{
    const String path = RemoveBackslash(dir);
    if (path.empty()) return ERROR_PATH_NOT_FOUND;
    if (DirectoryExists(path)) return 0;
    const String parent = ExtractFileDir(path);
    if (parent != path)
        if (const DWORD error = MakeDirs(parent)) return error;
    Write({TJournalKind::DirMade, {path}}, false);
    if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    Write({TJournalKind::NotMade, {path}}, false);
    return DirectoryExists(path) ? 0 : error;
}

void TRunJournal::DirsToBeMade(const String& dir)
{
    const String path = RemoveBackslash(dir);
    if (path.empty() || DirectoryExists(path)) return;
    const String parent = ExtractFileDir(path);
    if (parent != path) DirsToBeMade(parent);
    Write({TJournalKind::DirMade, {path}}, false);
}

void TRunJournal::FileMade(const String& file) { Write({TJournalKind::FileMade, {file}}, false); }

void TRunJournal::NotMade(const String& path) { Write({TJournalKind::NotMade, {path}}, false); }

String TRunJournal::NewAside(const String& file)
{
    const String dir = AddBackslash(ExtractFileDir(file));
    String aside;
    do {
        aside = dir + AsideName(++asides_);
    } while (GetFileAttributesA(aside.c_str()) != INVALID_FILE_ATTRIBUTES);
    return aside;
}

void TRunJournal::PlanAsides(const std::vector<String>& files)
{
    for (const String& file : files) {
        const String aside = NewAside(file);
        Write({TJournalKind::FileReplaced, {file, aside}}, false);
        planned_[AnsiUpperCase(file)] = aside;
    }
    if (!files.empty() && !FlushFileBuffers(file_.Get())) WriteFailed(GetLastError());
}

bool TRunJournal::SetAside(const String& file, bool copy)
{
    String aside;
    const auto plan = planned_.find(AnsiUpperCase(file));
    if (plan != planned_.end()) {
        aside = plan->second;
        planned_.erase(plan);
        // Taken since it was planned: not ours, so never put back or removed.
        if (GetFileAttributesA(aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
            Write({TJournalKind::AsideDropped, {file, aside}}, true);
            aside.clear();
        }
    }
    if (aside.empty()) {
        aside = NewAside(file);
        Write({TJournalKind::FileReplaced, {file, aside}}, true);
    }
    if (!copy && MoveFileExA(file.c_str(), aside.c_str(), 0)) {
        setAside_.push_back({file, aside, false});
        return true;
    }
    if (!CopyAside(file, aside)) return false;
    setAside_.push_back({file, aside, true});
    return true;
}

bool TRunJournal::PutBack(const String& file)
{
    for (auto it = setAside_.rbegin(); it != setAside_.rend(); ++it) {
        if (!SameText(it->file, file)) continue;
        if (it->copied) return RemoveFile(it->aside);
        if (FileExists(file) || !FileExists(it->aside)) return false;
        return MoveFileExA(it->aside.c_str(), file.c_str(), 0) != 0;
    }
    return false;
}

void TRunJournal::RegistryKey(HKEY root, const String& key)
{
    const String rootName = RootName(root);
    size_t end = 0;
    while (end != String::npos) {
        end = key.find('\\', end + 1);
        const String part = key.substr(0, end);
        if (!RegistryKeyExists(root, part)) Write({TJournalKind::KeyMade, {rootName, part}}, false);
    }
}

void TRunJournal::RegistryValue(HKEY root, const String& key, const String& name)
{
    RegistryKey(root, key);
    const String rootName = RootName(root);
    DWORD type = 0;
    String data;
    if (ReadRegistryBytes(root, key, name, type, data))
        Write({TJournalKind::ValueWritten, {rootName, key, name, std::to_string(type), JournalHex(data)}}, true);
    else
        Write({TJournalKind::ValueWritten, {rootName, key, name, String(), String()}}, false);
}

void TRunJournal::ProfileValue(const String& file, const String& section, const String& key)
{
    if (!FileExists(file)) FileMade(file);
    // The profile services give a default for a missing key: one no value
    // can be tells them apart.
    const char* missing = "\x01nimbo-missing\x01";
    const String old = ReadProfileString(file, section, key, missing);
    if (old == missing)
        Write({TJournalKind::ProfileWritten, {file, section, key, "0", String()}}, false);
    else
        Write({TJournalKind::ProfileWritten, {file, section, key, "1", old}}, true);
}

void TRunJournal::PrepareTarget(const String& file)
{
    if (!FileExists(file))
        FileMade(file);
    else if (!SetAside(file, true))
        throw InOutError(file, GetLastError());
}

void TRunJournal::Commit()
{
    if (!Started()) return;
    Write({TJournalKind::Committed, {}}, true);
    file_.Close();
    RemoveAsides(ReadJournal(path_), nullptr);
    Remove();
}

void TRunJournal::Remove()
{
    DeleteFileA(path_.c_str());
    if (madeFolder_) RemoveDirectoryA(RemoveBackslash(Folder()).c_str());
}

std::vector<String> TRunJournal::RollBack()
{
    std::vector<String> left;
    if (!Started()) return left;
    file_.Close();
    UndoJournal(ReadJournal(path_), left);
    Remove();
    return left;
}

void UndoJournal(const TJournalContent& content, std::vector<String>& left)
{
    std::vector<String> refused;
    UndoConfined(content, left, nullptr, refused);
}

bool JournalLeft(const String& application)
{
    // A journal that a run still writes is open for writing: that run's,
    // not left behind, and it cannot be opened with others kept from it.
    return TKernelHandle(CreateFileA(TRunJournal::PathFor(application).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr))
        .Valid();
}

String JournalSealProblem(const String& application)
{
    const String text = ReadText(TRunJournal::PathFor(application));
    // Not one whole line: killed as it was begun, it asks for nothing.
    if (text.find('\n') == String::npos) return String();
    const TJournalContent content = ParseJournal(text);
    if (!content.valid || !content.sealed)
        return "its seal does not match what it holds (it was changed, or written by another program)";
    if (!SameText(content.application, application)) return "it is the journal of " + content.application;
    if (content.scope != ScopeName(RunScope()))
        return String("it was written for a ") + (content.scope == "user" ? "per-user" : "machine-wide") + " run";
    return String();
}

TJournalRecovery RecoverJournal(const String& application, const std::vector<TJournalKey>& scriptKeys)
{
    TJournalRecovery recovery;
    const String path = TRunJournal::PathFor(application);
    if (!JournalLeft(application)) return recovery;
    recovery.found = true;
    // One not sealed as ours is never obeyed, nor removed: it is reported.
    recovery.unsealed = JournalSealProblem(application);
    if (!recovery.unsealed.empty()) return recovery;
    const TJournalContent content = ReadJournal(path);
    const TJournalBounds bounds(content, RunScope(), scriptKeys);
    recovery.completed = content.committed;
    if (content.committed)
        RemoveAsides(content, &bounds);
    else
        UndoConfined(content, recovery.left, &bounds, recovery.refused);
    // The folder a run of this setup made for the journal goes with it, when empty.
    if (!DeleteFileA(path.c_str()))
        recovery.left.push_back(path);
    else
        RemoveDirectoryA(RemoveBackslash(TRunJournal::Folder()).c_str());
    return recovery;
}
