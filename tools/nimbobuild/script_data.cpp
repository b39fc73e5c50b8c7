#include "script_data.h"

#include <map>

#include "engine/entry_lines.h"
#include "engine/path_routines.h"
#include "script/nimbo_data.h"
#include "script_entries.h"
#include "script_form.h"

namespace {

constexpr const char* kBuiltInDirs[] = {"Install", "Windows", "Windows System", "(none)", "Source Dir"};
constexpr const char* kTypesCommon = "Common Files for InstallType";
constexpr const char* kOptionsCommon = "Common Files for Options";

bool IsFullPath(const String& p)
{
    if (!LeadingConstant(p).empty()) return true;  // "{pf}\Writer"
    const bool drive = p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\';
    return drive || (p.size() > 2 && p[0] == '\\' && p[1] == '\\');
}

// Folders that stay below their parent: no empty, "." or ".." part, no
// drive, nothing a folder name cannot hold.
bool IsFolderBelow(const String& below)
{
    if (below.empty() || below.find_first_of(":*?\"<>|/") != String::npos) return false;
    size_t from = 0;
    for (;;) {
        const size_t to = below.find('\\', from);
        const String part = below.substr(from, to == String::npos ? String::npos : to - from);
        if ((part.empty() && to != String::npos) || part == "." || part == "..") return false;
        if (to == String::npos) return true;
        from = to + 1;
    }
}

// What the run would refuse of a full path: a drive's root, "." or ".."
// (which could climb anywhere), characters no folder name holds.
String FullPathFault(String path)
{
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    const bool share = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    if (!share && path.size() <= 3) return "a folder on the drive, not its root";
    return IsFolderBelow(path.substr(share ? 2 : 3)) ? "" : "folder names without '.', '..' or any of : * ? \" < > |";
}

// The Windows and program folders a per-user setup may not write to, by
// their first folder below a drive, long or short name ("WINDOW~1").
bool IsSharedSystemFolder(const String& path)
{
    const size_t end = path.find('\\', 3);
    const String first = UpperCase(path.substr(3, end == String::npos ? String::npos : end - 3));
    for (const char* name : {"WINDOWS", "WINNT", "PROGRAM FILES", "PROGRAM FILES (X86)", "PROGRAMDATA"})
        if (first == name) return true;
    const bool shortName = first.size() >= 8 && first[6] == '~' &&
                           (first.compare(0, 6, "WINDOW") == 0 || first.compare(0, 6, "PROGRA") == 0);
    return shortName;
}

struct TPlaced {
    TNimboFile* file;
    TNimboDir* dir;
    int line;
    String path;  // below the folder
};

// Where a file lands, as one text: the root of its directory and the
// folders below it, ignoring case as the file system does.
String Landing(const TNimboDir* dir, const String& name)
{
    String below = name;
    for (; dir->Parent(); dir = dir->Parent()) below = dir->Dir() + below;
    return AnsiUpperCase(dir->Name() + "|" + below);
}

class TDataBuilder {
public:
    TDataBuilder(const TAuthorScript& s, const std::vector<TPayloadFile>& payload, TNimboData& data)
        : s_(s), payload_(payload), data_(data)
    {
    }

    TScriptFacts Build()
    {
        Setup();
        Directories();
        for (const TDirDecl& d : s_.dirs) NeedsWindows(data_.FindDir(d.name.text), d.path);
        if (s_.files.empty()) {
            Place({"**", s_.end.line, 1}, {});
        } else {
            for (const TFileRule& rule : s_.files) Place(rule.pattern, rule.dir);
        }
        Choices();
        Items();
        return Facts();
    }

private:
    [[noreturn]] void Fail(const TScriptText& at, const String& message) { throw EScriptError(s_.file, at, message); }

    void Setup()
    {
        data_.SetAppName(s_.title.text.empty() ? s_.name.text : s_.title.text);
        String dest = s_.destination.text;
        // Without one, the run takes {pf}\<Name>, or for one user
        // {localappdata}\Programs\<Name>.
        if (dest.empty() && !IsValidFileName(s_.name.text))
            Fail(s_.name, Format("'%s' cannot name the default destination's folder; give Destination", s_.name.text));
        if (!dest.empty() && !IsFullPath(dest))
            Fail(s_.destination, "expected a full path for Destination, such as {pf}\\Sample or C:\\Sample");
        if (!dest.empty()) CheckFullPath(s_.destination, "Destination");
        while (dest.size() > 3 && dest.back() == '\\') dest.pop_back();
        TNimboDir* install = data_.FindDir("Install");
        install->SetDir(dest);
        data_.SetLogFileDir(install);
        if (!s_.log.text.empty()) {
            if (s_.log.text.find_first_of("\\/:*?\"<>|") != String::npos)
                Fail(s_.log, "expected a file name for Log, without a folder");
            data_.SetLogFileName(s_.log.text);
        }
    }

    void CheckFullPath(const TScriptText& at, const String& what)
    {
        CheckFolderConstants(at, s_.file);
        if (const String lead = LeadingConstant(at.text); !lead.empty()) return CheckConstantPath(at, what, lead);
        if (at.text.find('{') != String::npos)
            Fail(at, Format("expected a folder constant only at the start of %s, as in {pf}\\Sample", what));
        if (const String fault = FullPathFault(at.text); !fault.empty())
            Fail(at, Format("expected %s for %s", fault, what));
        const bool perUser = SameText(s_.scope.text, "user") || SameText(s_.scope.text, "ask");
        if (perUser && at.text.size() > 3 && at.text[1] == ':' && IsSharedSystemFolder(at.text))
            Fail(at, Format("a per-user setup (Scope = %s) writes nothing to the Windows or program folders; %s is %s",
                            s_.scope.text, what, at.text));
    }

    // "{pf}\Writer": a known constant other than the destination itself,
    // then folders below it; none that everybody shares for one user.
    void CheckConstantPath(const TScriptText& at, const String& what, const String& lead)
    {
        if (lead == "app") Fail(at, Format("{app} is the destination: %s cannot lie inside it", what));
        const String rest = at.text.substr(at.text.find('}') + 1);
        if (!rest.empty() && (rest[0] != '\\' || !IsFolderBelow(rest.substr(1))))
            Fail(at, Format("expected folder names after {%s} in %s, without '.', '..' or any of : * ? \" < > |", lead,
                            what));
        needsWindows_ = needsWindows_ || lead == "win" || lead == "sys";
        const bool perUser = SameText(s_.scope.text, "user") || SameText(s_.scope.text, "ask");
        if (perUser && IsMachineFolderConstant(lead))
            Fail(at, Format("a per-user setup (Scope = %s) writes nothing to the Windows or program folders; %s is %s",
                            s_.scope.text, what, at.text));
    }

    std::vector<String> DirNames() const
    {
        std::vector<String> names;
        for (const TNimboDir* d : data_.Dirs()) names.push_back(d->Name());
        return names;
    }

    TNimboDir* Dir(const TScriptText& name)
    {
        if (name.text.empty()) return data_.FindDir("Install");
        if (TNimboDir* d = data_.FindDir(name.text)) return d;
        Fail(name, NoSuchName("directory", name.text, DirNames()));
    }

    // "Parent\sub\folders": the longest leading part that names a directory.
    bool DeclareDir(const TDirDecl& d)
    {
        const String& path = d.path.text;
        if (IsFullPath(path)) {
            CheckFullPath(d.path, d.name.text);
            data_.AddDir(d.name.text, path, nullptr);
            return true;
        }
        for (size_t cut = path.rfind('\\'); cut != String::npos && cut > 0; cut = path.rfind('\\', cut - 1)) {
            if (TNimboDir* parent = data_.FindDir(path.substr(0, cut))) {
                const String below = path.substr(cut + 1);
                if (!IsFolderBelow(below))
                    Fail(d.path, "expected folder names after the directory's name, without '.', '..' or ':'");
                data_.AddDir(d.name.text, below, parent);
                return true;
            }
        }
        return false;
    }

    void Directories()
    {
        for (const TDirDecl& d : s_.dirs) {
            for (const char* builtIn : kBuiltInDirs)
                if (SameText(d.name.text, builtIn))
                    Fail(d.name, Format("'%s' is a directory of every setup; Destination in [Setup] sets Install",
                                        d.name.text));
            if (d.name.text.empty() || d.path.text.empty()) Fail(d.name, "expected 'Name = path'");
        }
        // Declarations may come in any order; a parent goes before its children.
        std::vector<const TDirDecl*> open;
        for (const TDirDecl& d : s_.dirs) open.push_back(&d);
        while (!open.empty()) {
            const size_t before = open.size();
            std::erase_if(open, [&](const TDirDecl* d) {
                if (data_.FindDir(d->name.text))
                    Fail(d->name, Format("directory '%s' is declared twice", d->name.text));
                return DeclareDir(*d);
            });
            if (open.size() == before) {
                const TDirDecl& d = *open.front();
                const String parent = d.path.text.substr(0, d.path.text.find('\\'));
                if (data_.FindDir(parent))
                    Fail(d.path, Format("expected a folder below directory '%s' ('%s\\folder'); a directory is "
                                        "not declared as another one itself",
                                        parent, parent));
                Fail(d.path, "expected a full path (C:\\...) or a directory's name and a folder below it: " +
                                 NoSuchName("directory", parent, DirNames()));
            }
        }
    }

    // A directory in the Windows folders, which a per-user setup may not
    // write to: an error for one, noted for a machine-wide one (no switch
    // may make it per-user).
    void NeedsWindows(const TNimboDir* dir, const TScriptText& at)
    {
        const TNimboDir* root = dir;
        while (root && !SameText(root->Name(), "Windows") && !SameText(root->Name(), "Windows System"))
            root = root->Parent();
        if (!root) return;
        needsWindows_ = true;
        if (SameText(s_.scope.text, "user") || SameText(s_.scope.text, "ask"))
            Fail(at, Format("a per-user setup (Scope = %s) writes nothing to the Windows folders; '%s' lies in '%s'",
                            s_.scope.text, dir->Name(), root->Name()));
    }
    void Place(const TScriptText& pattern, const TScriptText& dirName);
    void PlaceFile(const TPayloadFile& f, TNimboDir* dir, const TScriptText& pattern);
    void Choices();
    void Select(TNimboChoiceItem* item, const TScriptText& what, std::vector<TNimboFile*>& chosen);
    bool Below(const TNimboDir* dir, const TNimboDir* top) const;
    void Items();
    TScriptFacts Facts();
    void DesktopFacts(TScriptFacts& facts);
    TPlaced& Installed(const TScriptText& name, const char* what);

    const TAuthorScript& s_;
    const std::vector<TPayloadFile>& payload_;
    TNimboData& data_;
    std::map<String, TPlaced> placed_;  // by upper-case path below the folder
    std::map<const TNimboFile*, const TPlaced*> byFile_;
    std::map<String, String> landings_;  // Landing to the path below the folder
    bool needsWindows_ = false;
};

// folder\name-pattern, or folder\**\name-pattern for every folder below.
void TDataBuilder::Place(const TScriptText& pattern, const TScriptText& dirName)
{
    String p = pattern.text;
    for (char& c : p)
        if (c == '/') c = '\\';
    String folder = ExtractFilePath(p), name = ExtractFileName(p);
    bool recursive = false;
    if (name == "**") {
        recursive = true, name = "*";
    } else if (folder.size() >= 3 && folder.substr(folder.size() - 3) == "**\\") {
        recursive = true, folder.resize(folder.size() - 3);
    } else if (folder == "**\\") {
        recursive = true, folder.clear();
    }
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.find_first_of("*?") != String::npos)
        Fail(pattern, "expected wildcards only in the file name, or '**' for every folder below");
    TNimboDir* target = Dir(dirName);
    NeedsWindows(target, dirName.text.empty() ? pattern : dirName);
    int found = 0;
    for (const TPayloadFile& f : payload_) {
        String rest;
        if (SameText(f.subDir, folder)) {
        } else if (recursive && (folder.empty() || (f.subDir.size() > folder.size() &&
                                                    SameText(f.subDir.substr(0, folder.size()), folder) &&
                                                    f.subDir[folder.size()] == '\\'))) {
            rest = folder.empty() ? f.subDir : f.subDir.substr(folder.size() + 1);
        } else {
            continue;
        }
        if (!WildMatch(name, f.name)) continue;
        ++found;
        PlaceFile(f, FolderDir(data_, target, rest), pattern);
    }
    if (found == 0) Fail(pattern, Format("no file of the folder matches '%s'", pattern.text));
}

void TDataBuilder::PlaceFile(const TPayloadFile& f, TNimboDir* dir, const TScriptText& pattern)
{
    const auto [it, fresh] = placed_.emplace(AnsiUpperCase(f.Path()), TPlaced{nullptr, dir, pattern.line, f.Path()});
    if (!fresh)
        Fail(pattern,
             Format("'%s' is placed already, by line %d; a file goes to one directory", f.Path(), it->second.line));
    const auto [other, free] = landings_.emplace(Landing(dir, f.name), f.Path());
    if (!free)
        Fail(pattern, Format("'%s' and '%s' would both be installed as '%s' in directory '%s'", other->second, f.Path(),
                             f.name, dir->Name()));
    it->second.file = data_.AddFile(f.name);
    // The setup reads it from its subfolder of the setup folder.
    it->second.file->SetSource(SetupSubFolderSource(f.subDir));
    byFile_[it->second.file] = &it->second;
    dir->AddFile(it->second.file);
}

bool TDataBuilder::Below(const TNimboDir* dir, const TNimboDir* top) const
{
    for (int depth = 0; dir && depth < 1000; dir = dir->Parent(), ++depth)
        if (dir == top) return true;
    return false;
}

void TDataBuilder::Select(TNimboChoiceItem* item, const TScriptText& what, std::vector<TNimboFile*>& chosen)
{
    const TNimboDir* dir = data_.FindDir(what.text);
    int found = 0;
    for (TNimboFile* f : data_.Files()) {
        const TPlaced& p = *byFile_.at(f);
        if (dir ? !Below(p.dir, dir) : !WildMatch(what.text, p.file->Name())) continue;
        ++found;
        item->Add()->AddFile(p.file, p.dir, true);
        chosen.push_back(p.file);
    }
    if (found > 0) return;
    std::vector<String> known = DirNames();
    for (const auto& [upper, p] : placed_) known.push_back(p.file->Name());
    Fail(what, NoSuchName("installed file or directory", what.text, known));
}

void TDataBuilder::Choices()
{
    std::vector<TNimboFile*> chosen;  // every file a type or option selects
    auto build = [&](const std::vector<TChoiceDecl>& decls, const char* page) {
        TNimboChoiceData* data = data_.AddChoiceData(page);
        for (const TChoiceDecl& c : decls) {
            TNimboChoiceItem* item = data_.AddChoiceItem(c.name.text);
            item->SetTitle(c.title);
            for (const String& line : c.description) item->Description().Add(line);
            if (c.select.empty()) Fail(c.name, Format("'%s' selects nothing; expected Select = files", c.name.text));
            for (const TScriptText& w : c.select) Select(item, w, chosen);
            data->AddItem(item);
        }
        return data;
    };
    TNimboChoiceData* types = s_.types.empty() ? nullptr : build(s_.types, "suInstallType");
    TNimboChoiceData* options = s_.options.empty() ? nullptr : build(s_.options, "suOptions");
    // What types and options choose is out until the chosen ones add it
    // back; the first choice page takes it out.
    TNimboChoiceData* first = types ? types : options;
    if (!first) return;
    TNimboChoiceItem* common = data_.AddChoiceItem(types ? kTypesCommon : kOptionsCommon);
    for (TNimboFile* f : chosen) common->Remove()->AddFile(f, byFile_.at(f)->dir, true);
    first->SetCommon(common);
}

TPlaced& TDataBuilder::Installed(const TScriptText& name, const char* what)
{
    // By its path below the folder, or by its name where only one file has it.
    const auto it = placed_.find(AnsiUpperCase(name.text));
    if (it != placed_.end()) return it->second;
    std::vector<String> known, paths;
    TPlaced* named = nullptr;
    for (auto& [upper, p] : placed_) {
        known.push_back(p.file->Name());
        if (SameText(p.file->Name(), name.text)) named = &p, paths.push_back(p.path);
    }
    if (paths.size() == 1) return *named;
    if (paths.size() > 1)
        Fail(name, Format("'%s' names %d files (%s and %s); give its folder, such as '%s'", name.text,
                          static_cast<int>(paths.size()), paths[0], paths[1], paths[0]));
    Fail(name, NoSuchName(what, name.text, known));
}

void TDataBuilder::Items()
{
    if (s_.items.empty()) return;
    TNimboWinGroups* group = data_.AddWinGroup("suGroups");
    group->SetTitle(s_.group.text.empty() ? s_.name.text : s_.group.text);
    for (const TItemDecl& i : s_.items) {
        const TPlaced& p = Installed(i.file, "installed file");
        TNimboWinItem* item = data_.AddWinItem(i.title.text);
        item->SetItemFile(p.file);
        item->SetDir(p.dir);
        item->SetCommandLine(i.commandLine);
        group->AddItem(item);
    }
}

TScriptFacts TDataBuilder::Facts()
{
    TScriptFacts facts;
    facts.needsWindows = needsWindows_;
    if (!s_.readMe.text.empty()) {
        const TPlaced& p = Installed(s_.readMe, "installed file");
        const TNimboDir* install = data_.FindDir("Install");
        if (!Below(p.dir, install)) Fail(s_.readMe, "expected a read-me installed in Install or a directory below it");
        // As the author wrote it: the question names the file this way.
        facts.readMe = ExtractFileName(s_.readMe.text);
        for (const TNimboDir* d = p.dir; d != install; d = d->Parent()) facts.readMe = d->Dir() + facts.readMe;
    }
    if (!s_.program.file.text.empty()) {
        const TPlaced& p = Installed(s_.program.file, "installed file");
        facts.programDir = p.dir->Name();
        facts.programName = p.file->Name();
    }
    for (const TAssociationDecl& a : AssociationDecls(s_)) {
        const TPlaced& p = Installed(a.file, "installed file");
        facts.associationPrograms.emplace_back(p.dir->Name(), p.file->Name());
    }
    DesktopFacts(facts);
    return facts;
}

// Each icon is a link file named by its title on the desktop.
void TDataBuilder::DesktopFacts(TScriptFacts& facts)
{
    for (const TItemDecl& i : s_.desktop) {
        if (!IsValidFileName(i.title.text) || i.title.text.find_first_of("[]") != String::npos)
            Fail(i.title, Format("'%s' cannot name a desktop icon: expected a file name, without any of "
                                 "\\ / : * ? \" < > | [ ]",
                                 i.title.text));
        const TPlaced& p = Installed(i.file, "installed file");
        facts.desktop.push_back({i.title.text, p.dir->Name(), p.file->Name(), i.commandLine});
    }
}

}  // namespace

TScriptFacts BuildScriptData(const TAuthorScript& script, const std::vector<TPayloadFile>& payload, TNimboData& data)
{
    return TDataBuilder(script, payload, data).Build();
}
