#include "author_script.h"

#include <algorithm>

namespace {

enum class TSection {
    none,
    setup,
    files,
    directories,
    type,
    option,
    items,
    run,
    uninstall,
    texts,
    registry,
    associations,
    environment,
    desktop
};

struct TSectionName {
    const char* name;
    TSection kind;
    bool named;  // [Type <name>]
};

constexpr TSectionName kSections[] = {
    {"Setup", TSection::setup, false},
    {"Files", TSection::files, false},
    {"Directories", TSection::directories, false},
    {"Type", TSection::type, true},
    {"Option", TSection::option, true},
    {"Items", TSection::items, false},
    {"Run", TSection::run, false},
    {"Uninstall", TSection::uninstall, false},
    {"Texts", TSection::texts, false},
    {"Registry", TSection::registry, false},
    {"Associations", TSection::associations, false},
    {"Environment", TSection::environment, false},
    {"Desktop", TSection::desktop, false},
};

const std::vector<String> kSetupKeys = {"Name",      "Title",    "Destination", "Group", "Languages",
                                        "Overwrite", "Compress", "Log",         "Scope", "ScopeSwitch",
                                        "AppId",     "Version",  "Publisher",   "URL",   "RollBackOnCancel",
                                        "License",   "Mutex",    "MinWindows"};
const std::vector<String> kChoiceKeys = {"Title", "Description", "Select"};
const std::vector<String> kRunKeys = {"ReadMe", "Program"};
const std::vector<String> kUninstallKeys = {"Name"};
const std::vector<String> kTextKeys = {"Welcome", "WelcomeCaption", "Directory", "Ready", "ReadyCaption"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Leading and trailing blanks off, keeping the column of what is left.
TScriptText TrimAt(std::string_view s, int line, int column)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return {String(s.substr(b, e - b)), line, column + static_cast<int>(b)};
}

// Where the first character outside double quotes equal to what stands.
size_t FindOutsideQuotes(std::string_view s, std::string_view what)
{
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        if (!quoted && s.substr(i, what.size()) == what) return i;
    }
    return String::npos;
}

// A value as written, or the text inside its double quotes ("" is a quote).
TScriptText Unquote(const TScriptText& v, const String& file)
{
    if (v.text.empty() || v.text[0] != '"') return v;
    String out;
    size_t i = 1;
    for (;; ++i) {
        if (i >= v.text.size()) throw EScriptError(file, v, "the quote opened here is not closed");
        if (v.text[i] != '"') {
            out += v.text[i];
        } else if (i + 1 < v.text.size() && v.text[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            break;
        }
    }
    if (i + 1 != v.text.size())
        throw EScriptError(file, {v.text, v.line, v.column + static_cast<int>(i) + 1},
                           "expected the end of the value after the closing quote");
    return {out, v.line, v.column};
}

size_t Distance(const String& a, const String& b)
{
    const String x = UpperCase(a), y = UpperCase(b);
    std::vector<size_t> row(y.size() + 1);
    for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= y.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[y.size()];
}

class TParser {
public:
    TParser(const String& file, TAuthorScript& out) : file_(file), out_(out) {}

    void Line(std::string_view raw, int number)
    {
        for (size_t i = 0; i < raw.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(raw[i]);
            if ((c < 0x20 && c != '\t') || c == 0x7F)
                Fail({String(), number, static_cast<int>(i) + 1},
                     Format("unexpected control character (code %d)", static_cast<int>(c)));
        }
        const TScriptText line = TrimAt(raw, number, 1);
        if (line.text.empty() || line.text[0] == ';' || line.text[0] == '#') return;
        if (line.text[0] == '[') return Header(line);
        if (section_ == TSection::none) Fail(line, "expected a section header such as [Setup] before the first entry");
        if (section_ == TSection::files) return FileRule(line);
        const size_t eq = line.text.find('=');
        if (eq == String::npos) Fail(line, "expected 'key = value'");
        const TScriptText key = TrimAt(std::string_view(line.text).substr(0, eq), number, line.column);
        if (key.text.empty()) Fail(line, "expected a key before '='");
        const TScriptText value =
            TrimAt(std::string_view(line.text).substr(eq + 1), number, line.column + static_cast<int>(eq) + 1);
        Entry(key, value);
    }

    void Finish(int lastLine)
    {
        out_.end = {String(), lastLine + 1, 1};
        const TScriptText at = setupAt_.line ? setupAt_ : out_.end;
        if (!setupAt_.line) Fail(at, "expected a [Setup] section with the application's Name");
        if (out_.name.text.empty()) Fail(at, "[Setup] needs Name, the application's name");
    }

private:
    [[noreturn]] void Fail(const TScriptText& at, const String& message) { throw EScriptError(file_, at, message); }

    void Header(const TScriptText& line)
    {
        if (line.text.back() != ']')
            Fail({String(), line.line, line.column + static_cast<int>(line.text.size())},
                 "expected ']' at the end of the section header");
        const TScriptText inner =
            TrimAt(std::string_view(line.text).substr(1, line.text.size() - 2), line.line, line.column + 1);
        const size_t blank = inner.text.find_first_of(" \t");
        const String word = inner.text.substr(0, blank);
        for (const TSectionName& s : kSections) {
            if (!SameText(word, s.name)) continue;
            const TScriptText rest =
                blank == String::npos
                    ? TScriptText{String(), inner.line, inner.column + static_cast<int>(inner.text.size())}
                    : TrimAt(std::string_view(inner.text).substr(blank), inner.line,
                             inner.column + static_cast<int>(blank));
            if (s.named && rest.text.empty())
                Fail(rest, Format("expected a name after %s, as in [%s Complete]", s.name, s.name));
            // [Texts German]: the texts of one language.
            const bool language = s.kind == TSection::texts && !rest.text.empty();
            if (!s.named && !language && !rest.text.empty()) Fail(rest, Format("expected ']' after [%s", s.name));
            section_ = s.kind;
            languageTexts_ = nullptr;
            if (language) LanguageTexts(Unquote(rest, file_));
            sectionName_ = UpperCase(inner.text);
            if (s.kind == TSection::setup) setupAt_ = line;
            if (s.named) NewChoice(Unquote(rest, file_));
            return;
        }
        std::vector<String> names;
        for (const TSectionName& s : kSections) names.push_back(s.name);
        const String near = NearestName(word, names);
        Fail(inner,
             near.empty()
                 ? Format("unknown section [%s]; expected Setup, Files, Directories, Type <name>, "
                          "Option <name>, Items, Run, Uninstall, Texts, Registry, Associations, Environment or Desktop",
                          inner.text)
                 : Format("unknown section [%s]; did you mean [%s]?", inner.text, near));
    }

    void LanguageTexts(const TScriptText& language)
    {
        for (TAuthorScript::TLanguageTexts& t : out_.languageTexts)
            if (SameText(t.language.text, language.text))
                Fail(language, Format("[Texts %s] is given twice; first on line %d", language.text, t.language.line));
        out_.languageTexts.push_back({language, {}});
        languageTexts_ = &out_.languageTexts.back().texts;
    }

    void NewChoice(const TScriptText& name)
    {
        for (const auto* list : {&out_.types, &out_.options})
            for (const TChoiceDecl& c : *list)
                if (c.name.text == name.text)
                    Fail(name,
                         Format("a type or option named '%s' is declared already, on line %d", name.text, c.name.line));
        std::vector<TChoiceDecl>& list = section_ == TSection::type ? out_.types : out_.options;
        list.push_back(TChoiceDecl{name, name.text, {}, {}});
    }

    void FileRule(const TScriptText& line)
    {
        const size_t arrow = FindOutsideQuotes(line.text, "->");
        const std::string_view text = line.text;
        const TScriptText patterns = TrimAt(text.substr(0, arrow), line.line, line.column);
        TScriptText dir;
        if (arrow != String::npos) {
            dir = Unquote(TrimAt(text.substr(arrow + 2), line.line, line.column + static_cast<int>(arrow) + 2), file_);
            if (dir.text.empty()) Fail(dir, "expected a directory name after '->'");
        }
        if (patterns.text.empty()) Fail(line, "expected a file name or pattern before '->'");
        for (const TScriptText& p : SplitList(patterns, file_)) out_.files.push_back({p, dir});
    }

    // The known key the author meant, or an error naming the nearest.
    String Key(const TScriptText& key, const std::vector<String>& known, const char* section)
    {
        for (const String& k : known)
            if (SameText(k, key.text)) return k;
        const String near = NearestName(key.text, known);
        String all;
        for (const String& k : known) all += (all.empty() ? "" : ", ") + k;
        Fail(key, near.empty() ? Format("unknown key '%s' in [%s]; expected one of %s", key.text, section, all)
                               : Format("unknown key '%s' in [%s]; did you mean '%s'?", key.text, section, near));
    }

    // A key that may stand once in its section.
    void Once(const String& key, const TScriptText& at)
    {
        const auto [it, fresh] = keys_.emplace(sectionName_ + "\n" + key, at.line);
        if (!fresh) Fail(at, Format("%s is given twice; first on line %d", key, it->second));
    }

    void Entry(const TScriptText& key, const TScriptText& raw)
    {
        switch (section_) {
        case TSection::setup:
            return SetupEntry(Key(key, kSetupKeys, "Setup"), key, raw);
        case TSection::directories:
            return out_.dirs.push_back({Unquote(key, file_), Unquote(raw, file_)});
        case TSection::type:
        case TSection::option:
            return ChoiceEntry(key, raw);
        case TSection::items:
            return ItemEntry(key, raw, out_.items);
        case TSection::desktop:
            return ItemEntry(key, raw, out_.desktop);
        case TSection::run:
            return RunEntry(Key(key, kRunKeys, "Run"), key, raw);
        case TSection::uninstall:
            Once(Key(key, kUninstallKeys, "Uninstall"), key);
            out_.uninstallName = Unquote(raw, file_);
            return;
        case TSection::texts: {
            const String k = Key(key, kTextKeys, "Texts");
            if (k.find("Caption") != String::npos) Once(k, key);
            (languageTexts_ ? *languageTexts_ : out_.texts)[k].push_back(Unquote(raw, file_).text);
            return;
        }
        case TSection::registry:
            return out_.registry.push_back({key, raw});
        case TSection::associations:
            return out_.associations.push_back({key, raw});
        case TSection::environment:
            return out_.environment.push_back({key, raw});
        default:
            return;
        }
    }

    void SetupEntry(const String& k, const TScriptText& key, const TScriptText& raw)
    {
        Once(k, key);
        if (k == "Languages") {
            out_.languages = SplitList(raw, file_);
            return;
        }
        const TScriptText value = Unquote(raw, file_);
        TScriptText* fields[] = {
            &out_.name,      &out_.title,    &out_.destination, &out_.group, nullptr,
            &out_.overwrite, &out_.compress, &out_.log,         &out_.scope, &out_.scopeSwitch,
            &out_.appId,     &out_.version,  &out_.publisher,   &out_.url,   &out_.rollBackOnCancel,
            &out_.license,   &out_.mutex,    &out_.minWindows};
        for (size_t i = 0; i < kSetupKeys.size(); ++i)
            if (kSetupKeys[i] == k) *fields[i] = value;
        if (value.text.empty()) Fail(value, Format("expected a value for %s", k));
    }

    void ChoiceEntry(const TScriptText& key, const TScriptText& raw)
    {
        TChoiceDecl& c = section_ == TSection::type ? out_.types.back() : out_.options.back();
        const String k = Key(key, kChoiceKeys, section_ == TSection::type ? "Type" : "Option");
        if (k == "Title") {
            Once(k, key);
            c.title = Unquote(raw, file_).text;
        } else if (k == "Description") {
            c.description.push_back(Unquote(raw, file_).text);
        } else {
            for (const TScriptText& s : SplitList(raw, file_)) c.select.push_back(s);
        }
    }

    // An entry of [Items] or [Desktop]: title = file arguments.
    void ItemEntry(const TScriptText& key, const TScriptText& raw, std::vector<TItemDecl>& list)
    {
        TItemDecl item;
        item.title = Unquote(key, file_);
        const char* what = &list == &out_.items ? "an item" : "a desktop icon";
        for (const TItemDecl& other : list)
            if (SameText(other.title.text, item.title.text))
                Fail(key,
                     Format("%s titled '%s' is declared already, on line %d", what, item.title.text, other.title.line));
        SplitCommand(raw, file_, item.file, item.commandLine);
        if (item.file.text.empty()) Fail(raw, Format("expected the installed file %s starts", what));
        list.push_back(item);
    }

    void RunEntry(const String& k, const TScriptText& key, const TScriptText& raw)
    {
        Once(k, key);
        if (k == "ReadMe") {
            out_.readMe = Unquote(raw, file_);
            if (out_.readMe.text.empty()) Fail(raw, "expected the installed read-me file");
            return;
        }
        SplitCommand(raw, file_, out_.program.file, out_.program.commandLine);
        if (out_.program.file.text.empty()) Fail(raw, "expected the installed program to run");
        out_.program.title = key;
    }

    const String& file_;
    TAuthorScript& out_;
    TSection section_ = TSection::none;
    String sectionName_;
    std::map<String, std::vector<String>>* languageTexts_ = nullptr;  // within [Texts <Language>]
    std::map<String, int> keys_;                                      // keys given once per section, with their line
    TScriptText setupAt_;
};

}  // namespace

std::vector<TScriptText> SplitList(const TScriptText& value, const String& file)
{
    std::vector<TScriptText> out;
    std::string_view rest = value.text;
    int column = value.column;
    for (;;) {
        const size_t comma = FindOutsideQuotes(rest, ",");
        const TScriptText item = Unquote(TrimAt(rest.substr(0, comma), value.line, column), file);
        if (item.text.empty()) throw EScriptError(file, item, "expected a name in the list");
        out.push_back(item);
        if (comma == String::npos) return out;
        rest = rest.substr(comma + 1);
        column += static_cast<int>(comma) + 1;
    }
}

void SplitCommand(const TScriptText& value, const String& file, TScriptText& word, String& rest)
{
    const std::string_view text = value.text;
    size_t end = 0;
    if (!text.empty() && text[0] == '"') {
        end = text.find('"', 1);
        while (end != String::npos && end + 1 < text.size() && text[end + 1] == '"') end = text.find('"', end + 2);
        if (end == String::npos) throw EScriptError(file, value, "the quote opened here is not closed");
        ++end;
    } else {
        while (end < text.size() && !IsBlank(text[end])) ++end;
    }
    word = Unquote({String(text.substr(0, end)), value.line, value.column}, file);
    rest = TrimAt(text.substr(end), value.line, value.column).text;
    // The program gets its arguments as they stand: a quote left open
    // would swallow whatever the shell puts after them.
    size_t open = String::npos;
    for (size_t i = end; i < text.size(); ++i)
        if (text[i] == '"') open = open == String::npos ? i : String::npos;
    if (open != String::npos)
        throw EScriptError(file, {String(), value.line, value.column + static_cast<int>(open)},
                           "the quote opened here is not closed");
}

String NearestName(const String& name, const std::vector<String>& known)
{
    String best;
    size_t bestDistance = 3;  // farther than two edits is no misspelling
    for (const String& k : known) {
        const size_t d = Distance(name, k);
        if (d < bestDistance && d <= std::max<size_t>(1, name.size() / 2)) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}

String NoSuchName(const String& what, const String& name, const std::vector<String>& known)
{
    const String near = NearestName(name, known);
    return near.empty() || near == name ? Format("no %s named '%s'", what, name)
                                        : Format("no %s named '%s'; did you mean '%s'?", what, name, near);
}

TAuthorScript ParseAuthorScript(std::string_view text, const String& file)
{
    TAuthorScript out;
    out.file = file;
    TParser parser(file, out);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark some editors add
    int number = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        parser.Line(line, ++number);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    parser.Finish(number);
    return out;
}
