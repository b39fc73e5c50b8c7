// The entries an installation made, in its install log: written with the
// log, read back by the next release (which keeps what was there before
// the first) and by the uninstall, which takes back only what is still as
// the installation left it.
#include <algorithm>
#include <cstdlib>

// After windows.h, whose types it uses.
#include <shlobj.h>

#include "engine/entry_lines.h"
#include "engine/journal_records.h"
#include "engine/machine_entries.h"
#include "engine/nimbo_info.h"
#include "engine/registry_values.h"
#include "engine/run_journal.h"
#include "engine/run_log.h"
#include "engine/run_scope.h"
#include "framework/win32/system_error.h"

const char* const kEntryLogSections[4] = {"Registry Values", "Registry Keys", "Associations", "Path Entries"};

namespace {
constexpr const char* kSeal = "Nimbo Setup";
constexpr const char* kSealEntries = "Entries";

String Joined(const std::vector<String>& fields)
{
    String line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "|" : "") + EscapeLogField(fields[i]);
    return line;
}

// The fields of a log line, each unescaped; empty when one is damaged.
std::vector<String> Fields(const String& line, size_t count)
{
    std::vector<String> fields;
    size_t from = 0;
    for (;;) {
        const size_t to = line.find('|', from);
        String field;
        if (!UnescapeLogField(line.substr(from, to == String::npos ? String::npos : to - from), field)) return {};
        fields.push_back(field);
        if (to == String::npos) break;
        from = to + 1;
    }
    return fields.size() == count ? fields : std::vector<String>();
}

// A place a log may name: HKLM or HKCU (a per-user uninstall, HKCU alone)
// and a sound key path.
bool SoundPlace(const String& root, const String& key)
{
    size_t at = 0;
    if (root != "HKCU" && (root != "HKLM" || PerUserRun())) return false;
    return RegistryKeyFault(key, at).empty();
}

bool ReadValueLine(const String& line, TWrittenValue& v)
{
    const std::vector<String> f = Fields(line, 7);
    if (f.empty() || !SoundPlace(f[0], f[1]) || f[3].empty()) return false;
    v = TWrittenValue{};
    v.root = f[0], v.key = f[1], v.name = f[2], v.type = static_cast<DWORD>(std::strtoul(f[3].c_str(), nullptr, 10));
    v.hadPrior = !f[5].empty();
    v.priorType = static_cast<DWORD>(std::strtoul(f[5].c_str(), nullptr, 10));
    return JournalUnhex(f[4], v.data) && JournalUnhex(f[6], v.priorData);
}

void ReadSections(const String& file, TMadeEntries& m)
{
    for (const auto& [n, line] : ReadProfileSection(file, kEntryLogSections[0]))
        if (TWrittenValue v; ReadValueLine(line, v)) m.values.push_back(v);
    for (const auto& [n, line] : ReadProfileSection(file, kEntryLogSections[1]))
        if (const std::vector<String> f = Fields(line, 2); !f.empty() && SoundPlace(f[0], f[1]))
            m.keys.push_back({f[0], f[1]});
    for (const auto& [n, line] : ReadProfileSection(file, kEntryLogSections[2]))
        if (const std::vector<String> f = Fields(line, 2); !f.empty()) m.associations.emplace_back(f[0], f[1]);
    for (const auto& [n, line] : ReadProfileSection(file, kEntryLogSections[3]))
        if (const std::vector<String> f = Fields(line, 3); !f.empty() && SoundPlace(f[0], f[1]) && !f[2].empty())
            m.paths.push_back({f[0], f[1], f[2]});
}

// Puts a value back as it was before the installation wrote it, when it
// is still as written; `journal` (an update) writes the change down first.
void TakeBackValue(const TWrittenValue& v, TRunJournal* journal)
{
    const HKEY hive = RegistryRoot(v.root);
    const String where = RegistryPlaceName(v.root, v.key, v.name);
    DWORD type = 0;
    String data;
    const bool has = ReadRegistryBytes(hive, v.key, v.name, type, data);
    if (!has || type != v.type || data != v.data) {
        const bool asBefore = v.hadPrior ? has && type == v.priorType && data == v.priorData : !has;
        if (!asBefore) RunLog("Kept, changed since the install: " + where);
        return;
    }
    if (journal) journal->RegistryValue(hive, v.key, v.name);
    const LONG r = v.hadPrior ? WriteRegistryBytes(hive, v.key, v.name, v.priorType, v.priorData)
                              : DeleteRegistryValue(hive, v.key, v.name);
    if (r != ERROR_SUCCESS)
        RunLog(WithSystemError("Warning: could not put back the registry value " + where + ".", static_cast<DWORD>(r)));
    else
        RunLog((v.hadPrior ? "Registry value put back as it was: " : "Registry value removed: ") + where);
}

void TakeBackPath(const TPathEntry& p, TRunJournal* journal)
{
    const HKEY hive = RegistryRoot(p.root);
    DWORD type = 0;
    String data;
    if (!ReadRegistryBytes(hive, p.key, "Path", type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return;
    const String path = RegistryText(data);
    if (!PathListHolds(path, p.folder)) return;
    if (journal) journal->RegistryValue(hive, p.key, "Path");
    // A PATH that held nothing but the folder (the user's, made for it) goes.
    const String rest = PathListWithout(path, p.folder);
    const LONG r = SplitPathList(rest).empty() ? DeleteRegistryValue(hive, p.key, "Path")
                                               : WriteRegistryBytes(hive, p.key, "Path", type, rest + '\0');
    if (r != ERROR_SUCCESS)
        RunLog(WithSystemError("Warning: could not take " + p.folder + " out of PATH.", static_cast<DWORD>(r)));
    else
        RunLog("Taken out of PATH: " + p.folder);
}
}  // namespace

std::vector<TProfileSection> EntriesLogSections(const TMadeEntries& m)
{
    std::vector<TProfileSection> s{
        {kEntryLogSections[0], {}}, {kEntryLogSections[1], {}}, {kEntryLogSections[2], {}}, {kEntryLogSections[3], {}}};
    for (const TWrittenValue& v : m.values)
        s[0].lines.emplace_back(IntToStr(static_cast<long long>(s[0].lines.size())),
                                Joined({v.root, v.key, v.name, IntToStr(v.type), JournalHex(v.data),
                                        v.hadPrior ? IntToStr(v.priorType) : String(), JournalHex(v.priorData)}));
    for (const TJournalKey& k : m.keys)
        s[1].lines.emplace_back(IntToStr(static_cast<long long>(s[1].lines.size())), Joined({k.root, k.key}));
    for (const auto& [extension, progId] : m.associations)
        s[2].lines.emplace_back(IntToStr(static_cast<long long>(s[2].lines.size())), Joined({extension, progId}));
    for (const TPathEntry& p : m.paths)
        s[3].lines.emplace_back(IntToStr(static_cast<long long>(s[3].lines.size())), Joined({p.root, p.key, p.folder}));
    std::erase_if(s, [](const TProfileSection& section) { return section.lines.empty(); });
    return s;
}

TMadeEntries ReadEntriesLog(const String& file, String* unsealed)
{
    TMadeEntries m;
    bool any = false;
    for (const char* section : kEntryLogSections) any = any || !ReadProfileSection(file, section).empty();
    if (!any) return m;
    const String owner = ReadProfileString(file, kSeal, "Application");
    const String sum = ReadProfileString(file, kSeal, kSealEntries);
    if (sum.empty() || !SameText(sum, EntriesChecksum(file, owner))) {
        if (unsealed) *unsealed = "the install log's registry entries were changed since it was written";
        return m;
    }
    ReadSections(file, m);
    return m;
}

TMadeEntries EntriesForLog(TNimboInfo& controller, const TMadeEntries& earlier)
{
    const TNimboEntries* entries = FormEntries(controller.Owner());
    if (entries && !entries->Executed()) return earlier;
    TMadeEntries out = entries ? entries->Made() : TMadeEntries{};
    for (const TJournalKey& k : earlier.keys)
        if (std::none_of(out.keys.begin(), out.keys.end(),
                         [&k](const TJournalKey& o) { return o.root == k.root && SameText(o.key, k.key); }))
            out.keys.push_back(k);
    // What the earlier release made and this one no longer makes goes.
    for (const TWrittenValue& v : earlier.values)
        if (std::none_of(out.values.begin(), out.values.end(),
                         [&v](const TWrittenValue& o) { return SamePlace(o, v); }))
            TakeBackValue(v, &controller.Journal());
    bool pathChanged = false;
    for (const TPathEntry& p : earlier.paths)
        if (std::none_of(out.paths.begin(), out.paths.end(),
                         [&p](const TPathEntry& o) { return SameText(o.folder, p.folder) && o.root == p.root; })) {
            TakeBackPath(p, &controller.Journal());
            pathChanged = true;
        }
    if (pathChanged) BroadcastEnvironmentChange();
    if (earlier.associations.size() > out.associations.size())
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return out;
}

void RemoveLoggedEntries(const String& logFile, bool ours)
{
    String unsealed;
    TMadeEntries m = ReadEntriesLog(logFile, &unsealed);
    if (!ours && !m.Empty()) unsealed = "the install log was changed since it was written, or is not this product's";
    if (!unsealed.empty()) {
        RunLog("Skipped the registry values, associations and PATH entries: " + unsealed + ".");
        return;
    }
    for (auto it = m.values.rbegin(); it != m.values.rend(); ++it) TakeBackValue(*it, nullptr);
    for (const TPathEntry& p : m.paths) TakeBackPath(p, nullptr);
    // The deepest first: a key goes only once nothing is left in it.
    std::vector<TJournalKey> keys = m.keys;
    std::stable_sort(keys.begin(), keys.end(),
                     [](const TJournalKey& a, const TJournalKey& b) { return a.key.size() > b.key.size(); });
    for (const TJournalKey& k : keys)
        if (DeleteEmptyRegistryKey(RegistryRoot(k.root), k.key))
            RunLog("Registry key removed: " + RegistryKeyName(k.root, k.key));
    if (!m.associations.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (!m.paths.empty()) BroadcastEnvironmentChange();
}
