#include "script_form.h"

#include <algorithm>
#include <map>

#include "comp/comp_method_names.h"
#include "engine_scope.h"
#include "form_tree.h"
#include "framework/form_reader.h"
#include "framework/value_stream.h"
#include "script/product_version.h"
#include "script/nimbo_data.h"
#include "script_data.h"
#include "script_entries.h"
#include "script_pages.h"

namespace {

// The names an author may give, the set member of the language page and
// the name the controller knows the language by.
struct TLanguageName {
    const char* name;
    const char* ident;
    const char* controllerName;
};
constexpr TLanguageName kLanguages[] = {
    {"English", "laEnglish", "English"},
    {"French", "laFrench",
     "Fran\xe7"
     "ais"},
    {"Fran\xe7"
     "ais",
     "laFrench",
     "Fran\xe7"
     "ais"},
    {"Dutch", "laDutch", "Dutch"},
    {"Norwegian", "laNorwegian", "Norwegian"},
    {"Italian", "laItalian", "Italiano"},
    {"Italiano", "laItalian", "Italiano"},
    {"Spanish", "laSpanish", "Espa\xf1ol"},
    {"Espa\xf1ol", "laSpanish", "Espa\xf1ol"},
    {"German", "laGerman", "Deutsch"},
    {"Deutsch", "laGerman", "Deutsch"},
    {"Hungarian", "laHungarian", "Hungarian"},
};

struct TNamedIdent {
    const char* name;
    const char* ident;
};

constexpr TNamedIdent kOverwrite[] = {
    {"ask", "swAsk"}, {"always", "swAlways"}, {"never", "swNever"}, {"older", "swOlder"}};

// Compress: yes packs as --compress does (LZMA), or the method by name.
constexpr TNamedIdent kCompress[] = {{"yes", "lzma"}, {"no", ""},       {"true", "lzma"},
                                     {"false", ""},   {"lzma", "lzma"}, {"zlib", "zlib"}};

constexpr TNamedIdent kScope[] = {{"machine", "isMachine"}, {"user", "isUser"}, {"ask", "isAsk"}};

constexpr TNamedIdent kYesNo[] = {{"yes", "1"}, {"no", ""}, {"true", "1"}, {"false", ""}};

// The texts a script may give ([Texts] keys) and where each goes.
struct TPageText {
    const char* key;
    const char* component;
    const char* property;
    const char* standard;
};
constexpr TPageText kPageTexts[] = {
    {"WelcomeCaption", "suWelcome", "Caption", "stWelcome"}, {"Welcome", "suWelcome", "Lines.Strings", "stWelcome"},
    {"ReadyCaption", "suPreFileCopy", "Caption", "stReady"}, {"Ready", "suPreFileCopy", "Lines.Strings", "stReady"},
    {"Directory", "suDir", "Text.Strings", "stDirectory"},
};

class TFormBuilder {
public:
    TFormBuilder(const TAuthorScript& s, const std::vector<uint8_t>& hostForm) : s_(s)
    {
        std::vector<uint8_t> plain;
        form_ = ReadFormTree(UnpackForm(hostForm.data(), hostForm.size(), plain) ? plain : hostForm);
    }

    TCompiledScript Build(const TNimboData& data, const TScriptFacts& facts)
    {
        Texts(data.FindDir("Install")->Dir());
        Chain(data);
        Component("suCopy").Set(
            "OverWrite",
            IdentValue(s_.overwrite.text.empty() ? "swAsk" : Ident(s_.overwrite, kOverwrite, "Overwrite")));
        Component("suUnInstall").Set("LogFileName", StringValue(data.LogFileName()));
        TFormObject& info = Component("suInfo");
        info.Remove("MultiDiskFiles.Strings");  // the shipped application's files
        TValueWriter w;
        data.WriteData(w);
        info.Set("SetupData", w.TakeData());
        Scope(info, facts);
        Identity(info);
        // A cancelled install is undone unless the author says otherwise.
        const bool undo =
            s_.rollBackOnCancel.text.empty() || !Ident(s_.rollBackOnCancel, kYesNo, "RollBackOnCancel").empty();
        info.Set("RollBackOnCancel", BooleanValue(undo));
        form_.Set("UnInstallName", StringValue(s_.uninstallName.text.empty() ? s_.name.text : s_.uninstallName.text));
        form_.Remove("ReadMe");  // the shipped application's
        if (!facts.readMe.empty()) form_.Set("ReadMe", StringValue(facts.readMe));
        if (!facts.programName.empty()) RunAfter(facts);
        AddEntries(s_, facts, form_);
        FinishPageButtons(form_);
        AddDesktopIcons(facts, form_);
        AddStartChecks(s_, Component("suInfo"));
        const String how = s_.compress.text.empty() ? String() : Ident(s_.compress, kCompress, "Compress");
        TCompMethod method = kCompMethodLzma;
        const bool compress = !how.empty() && CompMethodFromName(how.c_str(), method);
        return {WriteFormTree(form_), compress, method};
    }

private:
    void Scope(TFormObject& info, const TScriptFacts& facts) const
    {
        const String scope = s_.scope.text.empty() ? String("isMachine") : Ident(s_.scope, kScope, "Scope");
        // The host form's database engine page, when it installs, writes
        // machine-wide in any scope.
        const String engine = InstallingEnginePage(form_);
        if (scope != "isMachine" && !engine.empty())
            throw EScriptError(s_.file, s_.scope,
                               Format("a per-user setup (Scope = %s) cannot install the database engine: the host "
                                      "form's page %s writes to what every user of the computer shares",
                                      s_.scope.text, engine));
        info.Set("InstallScope", IdentValue(scope));
        // A setup that installs into the Windows folders is machine-wide
        // only (a per-user scope was refused already): no switch makes it
        // per-user unless the author says so, which is an error.
        const bool allowed =
            s_.scopeSwitch.text.empty() ? !facts.needsWindows : !Ident(s_.scopeSwitch, kYesNo, "ScopeSwitch").empty();
        if (allowed && facts.needsWindows)
            throw EScriptError(s_.file, s_.scopeSwitch,
                               "ScopeSwitch = yes would let /CURRENTUSER install into the Windows folders");
        info.Set("ScopeSwitch", BooleanValue(allowed));
    }

    // The product across its releases: the registration's key and the
    // seal of its log, so neither may hold a backslash (a registry key
    // name would become a path of keys).
    void Identity(TFormObject& info) const
    {
        const TScriptText& id = s_.appId.text.empty() ? s_.name : s_.appId;
        for (const TScriptText* v : {&s_.name, &id})
            if (v->text.find('\\') != String::npos || v->text.size() > 200)
                throw EScriptError(s_.file, *v,
                                   Format("'%s' names the product in the registry: it may not hold '\\' nor be "
                                          "longer than 200 characters",
                                          v->text));
        info.Set("AppId", StringValue(id.text));
        if (!s_.version.text.empty()) {
            if (!IsProductVersion(s_.version.text))
                throw EScriptError(s_.file, s_.version,
                                   Format("'%s' is no version: expected up to four numbers of at most 65535 "
                                          "separated by dots, as in 2.1 or 1.0.3",
                                          s_.version.text));
            info.Set("Version", StringValue(s_.version.text));
        }
        if (!s_.publisher.text.empty()) info.Set("Publisher", StringValue(s_.publisher.text));
        if (!s_.url.text.empty()) info.Set("URL", StringValue(s_.url.text));
    }

    template <size_t N> String Ident(const TScriptText& v, const TNamedIdent (&table)[N], const char* key) const
    {
        std::vector<String> names;
        for (const TNamedIdent& t : table) {
            if (SameText(v.text, t.name)) return t.ident;
            names.push_back(t.name);
        }
        throw EScriptError(s_.file, v, NoSuchName(Format("%s value", key), v.text, names));
    }

    TFormObject& Component(const String& name)
    {
        TFormObject* o = form_.Find(name);
        if (!o) throw ENimboError(Format("the host form has no component %s", name));
        return *o;
    }

    // Where the script gives no text, the page shows its standard one from
    // the message catalogue, in the language of the run.
    void Texts(const String& destination)
    {
        for (const TPageText& t : kPageTexts) {
            TFormObject& page = Component(t.component);
            page.Set("StandardText", IdentValue(t.standard));
            const auto it = s_.texts.find(t.key);
            if (it == s_.texts.end())
                page.Remove(t.property);
            else if (String(t.property) == "Caption")
                page.Set(t.property, StringValue(it->second.front()));
            else
                page.Set(t.property, LinesValue(it->second));
        }
        // A destination with a folder constant, or none, is decided at run time.
        if (destination.empty() || destination.find('{') != String::npos)
            Component("suDir").Remove("TargetDir");
        else
            Component("suDir").Set("TargetDir", StringValue(destination));
        Translations();
    }

    // [Texts <Language>]: each page's lines "<language>|<property>|<text>".
    void Translations()
    {
        std::map<String, std::vector<String>> lines;  // by component
        for (const TAuthorScript::TLanguageTexts& l : s_.languageTexts) {
            const String language = Language(l.language).controllerName;
            for (const TPageText& t : kPageTexts) {
                const auto it = l.texts.find(t.key);
                if (it == l.texts.end()) continue;
                const String property = String(t.property).substr(0, String(t.property).find('.'));
                for (const String& text : it->second)
                    lines[t.component].push_back(language + "|" + property + "|" + text);
            }
        }
        for (const auto& [component, entries] : lines)
            Component(component).Set("Translations.Strings", LinesValue(entries));
    }

    // The pages the script needs, each leading to the next; the last one
    // ends the install (read-me offer, program, uninstall registration).
    void Chain(const TNimboData& data)
    {
        std::vector<String> pages;
        Languages(pages);
        pages.push_back("suWelcome");
        AddLicensePage(s_, form_, pages);
        if (!s_.types.empty()) pages.push_back("suInstallType");
        if (!s_.options.empty()) pages.push_back("suOptions");
        for (const char* p : {"suDir", "suPreFileCopy", "suCopy"}) pages.push_back(p);
        if (!data.WinItems().Empty()) pages.push_back("suGroups");
        AddFinishPage(s_, form_, pages);
        Component("NimboBackground1").Set("AutoSetup", IdentValue(pages.front()));
        // The shipped install type page runs the options from its own handler.
        Component("suInstallType").Remove("OnNextPage");
        for (const String& p : {String("suCopy"), String("suGroups")}) Component(p).Remove("OnNextPage");
        for (size_t i = 0; i < pages.size(); ++i) {
            TFormObject& page = Component(pages[i]);
            // Each page after the first leads back to the one before.
            if (i > 0) page.Set("Buttons", SetValue({"btPrev", "btNext", "btCancel"}));
            if (i + 1 < pages.size()) {
                page.Set("NextPage", IdentValue(pages[i + 1]));
            } else {
                page.Remove("NextPage");
                page.Set("OnNextPage", IdentValue("FinishNextPage"));
            }
        }
    }

    const TLanguageName& Language(const TScriptText& v) const
    {
        std::vector<String> names;
        for (const TLanguageName& l : kLanguages) {
            if (SameText(v.text, l.name)) return l;
            names.push_back(l.name);
        }
        throw EScriptError(s_.file, v, NoSuchName("language", v.text, names));
    }

    // The setup starts in the first language; more than one are offered on a page of their own.
    void Languages(std::vector<String>& pages)
    {
        if (s_.languages.empty()) return;
        Component("suInfo").Set("Language", StringValue(Language(s_.languages.front()).controllerName));
        if (s_.languages.size() < 2) return;
        std::vector<String> shown;
        for (const TScriptText& l : s_.languages)
            if (std::find(shown.begin(), shown.end(), Language(l).ident) == shown.end())
                shown.push_back(Language(l).ident);
        TFormObject page{"TNimboLanguage", "suLanguage", {}, {}};
        page.Set("Buttons", SetValue({"btNext", "btCancel"}));
        page.Set("ShowLanguages", SetValue(shown));
        // Listed in the script's order.
        std::vector<String> order;
        for (const TScriptText& l : s_.languages)
            if (std::find(order.begin(), order.end(), Language(l).controllerName) == order.end())
                order.push_back(Language(l).controllerName);
        page.Set("Order.Strings", LinesValue(order));
        form_.children.push_back(std::move(page));
        pages.push_back("suLanguage");
    }

    void RunAfter(const TScriptFacts& facts)
    {
        TFormObject prog{"TNimboProgExec", "suRunAfter", {}, {}};
        prog.Set("ProgDir", StringValue(facts.programDir));
        prog.Set("ProgName", StringValue(facts.programName));
        if (!s_.program.commandLine.empty()) prog.Set("CommandLine", StringValue(s_.program.commandLine));
        prog.Set("WaitForDone", BooleanValue(false));
        form_.children.push_back(std::move(prog));
        form_.Set("RunAfter", IdentValue("suRunAfter"));
    }

    const TAuthorScript& s_;
    TFormObject form_;
};

}  // namespace

bool WildMatch(std::string_view pattern, std::string_view name)
{
    size_t p = 0, n = 0, star = String::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AnsiUpperCase(pattern.substr(p, 1)) == AnsiUpperCase(name.substr(n, 1)))) {
            ++p, ++n;
        } else if (star != String::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

TCompiledScript CompileAuthorScript(const TAuthorScript& script, const std::vector<TPayloadFile>& payload,
                                    const std::vector<uint8_t>& hostForm)
{
    TFormBuilder form(script, hostForm);  // a bad host form fails before any name is looked at
    TNimboData data;
    const TScriptFacts facts = BuildScriptData(script, payload, data);
    return form.Build(data, facts);
}
