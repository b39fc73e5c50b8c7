#include "script_entries.h"

#include <map>

#include "engine/entry_lines.h"
#include "form_tree.h"
#include "script_data.h"

namespace {

TScriptText At(const TScriptText& v, size_t offset) { return {v.text, v.line, v.column + static_cast<int>(offset)}; }

// The part [from, to) of a value, without blanks at either end.
TScriptText Trimmed(const TScriptText& v, size_t from, size_t to)
{
    while (from < to && (v.text[from] == ' ' || v.text[from] == '\t')) ++from;
    while (to > from && (v.text[to - 1] == ' ' || v.text[to - 1] == '\t')) --to;
    return {v.text.substr(from, to - from), v.line, v.column + static_cast<int>(from)};
}

// A setup that may install for one user writes nothing for everybody.
bool MayBePerUser(const TAuthorScript& s) { return SameText(s.scope.text, "user") || SameText(s.scope.text, "ask"); }

// The value as written, or the text inside its double quotes.
TScriptText Unquoted(const TScriptText& v, const String& file)
{
    if (v.text.empty() || v.text[0] != '"') return v;
    TScriptText word;
    String rest;
    SplitCommand(v, file, word, rest);
    if (!rest.empty()) throw EScriptError(file, v, "expected the end of the value after the closing quote");
    return word;
}

void Once(const TAuthorScript& s, const TScriptText& at, const String& what, std::map<String, int>& seen)
{
    const auto [first, fresh] = seen.emplace(UpperCase(what), at.line);
    if (!fresh) throw EScriptError(s.file, at, Format("%s is given twice; first on line %d", at.text, first->second));
}

// "ROOT\key\name = value" as the component keeps it.
String RegistryEntry(const TAuthorScript& s, const TEntryDecl& d, std::map<String, int>& seen)
{
    TRegistryLine line;
    size_t at = 0;
    const String fault = SplitRegistryPlace(d.key.text, line, at);
    if (!fault.empty() && at == 0)
        throw EScriptError(
            s.file, d.key,
            NoSuchName("registry root", d.key.text.substr(0, d.key.text.find('\\')), RegistryRootNames()) + "; " +
                fault);
    if (!fault.empty()) throw EScriptError(s.file, At(d.key, at), fault);
    if (line.root != "HKCU" && MayBePerUser(s))
        throw EScriptError(s.file, d.key,
                           Format("a per-user setup (Scope = %s) writes nothing for all users; %s is everybody's, "
                                  "HKCU the user's",
                                  s.scope.text, line.root));
    Once(s, d.key, line.root + "\\" + line.key + "\\" + line.name, seen);
    const bool quoted = !d.value.text.empty() && d.value.text[0] == '"';
    const TScriptText value = Unquoted(d.value, s.file);
    if (quoted) {
        line.text = value.text;
    } else if (const String bad = ParseRegistryValue(value.text, line, at); !bad.empty()) {
        throw EScriptError(s.file, At(value, at), bad);
    }
    if (!line.dword) CheckFolderConstants(value, s.file);
    return FormatRegistryLine(line);
}

String PathEntry(const TAuthorScript& s, const TEntryDecl& d, std::map<String, int>& seen)
{
    if (!SameText(d.key.text, "Path"))
        throw EScriptError(s.file, d.key,
                           NearestName(d.key.text, {"Path"}).empty()
                               ? Format("unknown key '%s' in [Environment]; expected Path", d.key.text)
                               : Format("unknown key '%s' in [Environment]; did you mean 'Path'?", d.key.text));
    const TScriptText folder = Unquoted(d.value, s.file);
    CheckFolderConstants(folder, s.file);
    const String& f = folder.text;
    const bool drive = f.size() >= 3 && f[1] == ':' && f[2] == '\\';
    if ((!drive && LeadingConstant(f).empty()) || f.find_first_of(";*?\"<>|") != String::npos)
        throw EScriptError(
            s.file, folder,
            "expected a full folder path for PATH, such as {app}\\bin, without ';' or any of * ? \" < > |");
    Once(s, folder, "Path=" + f, seen);
    return "Path=" + f;
}

String AssociationEntry(const TAuthorScript& s, const TAssociationDecl& a, const std::pair<String, String>& program,
                        std::map<String, int>& seen)
{
    if (const String fault = ExtensionFault(a.extension.text); !fault.empty())
        throw EScriptError(s.file, a.extension, fault);
    Once(s, a.extension, a.extension.text, seen);
    if (a.description.text.find('|') != String::npos || a.arguments.find('|') != String::npos)
        throw EScriptError(s.file, a.description, "expected a description and arguments without '|'");
    return FormatAssociationLine(
        {LowerCase(a.extension.text), program.first, program.second, a.description.text, a.arguments});
}

}  // namespace

void CheckFolderConstants(const TScriptText& value, const String& file)
{
    const TConstantFault fault = FolderConstantFault(value.text);
    if (fault.at == String::npos) return;
    if (fault.written == "{")
        throw EScriptError(file, At(value, fault.at),
                           "the folder constant opened here is not closed with '}' ('{{' is a brace)");
    std::vector<String> names;
    for (const String& n : FolderConstantNames()) names.push_back("{" + n + "}");
    throw EScriptError(file, At(value, fault.at), NoSuchName("folder constant", fault.written, names));
}

std::vector<TAssociationDecl> AssociationDecls(const TAuthorScript& script)
{
    std::vector<TAssociationDecl> out;
    for (const TEntryDecl& d : script.associations) {
        // "Description, file arguments"
        const String& text = d.value.text;
        size_t comma = String::npos;
        bool quoted = false;
        for (size_t i = 0; i < text.size() && comma == String::npos; ++i) {
            if (text[i] == '"') quoted = !quoted;
            if (!quoted && text[i] == ',') comma = i;
        }
        if (comma == String::npos)
            throw EScriptError(script.file, d.value,
                               "expected 'Description, file arguments', as in .txt = Text document, writer.exe");
        TAssociationDecl a{d.key, Unquoted(Trimmed(d.value, 0, comma), script.file), {}, {}};
        if (a.description.text.empty())
            throw EScriptError(script.file, d.value, "expected what the documents are called");
        SplitCommand(Trimmed(d.value, comma + 1, text.size()), script.file, a.file, a.arguments);
        if (a.file.text.empty())
            throw EScriptError(script.file, At(d.value, comma + 1), "expected the installed program after the comma");
        out.push_back(a);
    }
    return out;
}

void AddEntries(const TAuthorScript& s, const TScriptFacts& facts, TFormObject& form)
{
    std::vector<String> registry, associations, environment;
    std::map<String, int> seen;
    for (const TEntryDecl& d : s.registry) registry.push_back(RegistryEntry(s, d, seen));
    const std::vector<TAssociationDecl> decls = AssociationDecls(s);
    for (size_t i = 0; i < decls.size(); ++i)
        associations.push_back(AssociationEntry(s, decls[i], facts.associationPrograms.at(i), seen));
    for (const TEntryDecl& d : s.environment) environment.push_back(PathEntry(s, d, seen));
    std::erase_if(form.children, [](const TFormObject& o) { return o.name == "suEntries"; });
    if (registry.empty() && associations.empty() && environment.empty()) return;
    TFormObject entries{"TNimboEntries", "suEntries", {}, {}};
    if (!registry.empty()) entries.Set("Registry.Strings", LinesValue(registry));
    if (!associations.empty()) entries.Set("Associations.Strings", LinesValue(associations));
    if (!environment.empty()) entries.Set("Environment.Strings", LinesValue(environment));
    form.children.push_back(std::move(entries));
}
