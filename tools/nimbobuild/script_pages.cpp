#include "script_pages.h"

#include <fstream>
#include <sstream>

namespace {

// A licence longer than this is no licence a person reads on a page.
constexpr size_t kLicenseLimit = 256 * 1024;

// Its lines, as the page's memo shows them.
std::vector<String> TextLines(const String& text)
{
    std::vector<String> lines;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find('\n', from);
        if (end == String::npos) end = text.size();
        String line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (end < text.size() || !line.empty()) lines.push_back(line);
        from = end + 1;
    }
    return lines;
}

bool IsDigits(const String& s, size_t most)
{
    if (s.empty() || s.size() > most) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

void CheckMutex(const TAuthorScript& s)
{
    String name = s.mutex.text;
    for (const char* prefix : {"Global\\", "Local\\"})
        if (name.size() > std::char_traits<char>::length(prefix) &&
            SameText(name.substr(0, std::char_traits<char>::length(prefix)), prefix))
            name = name.substr(std::char_traits<char>::length(prefix));
    if (name.find('\\') != String::npos || name.size() > 200)
        throw EScriptError(s.file, s.mutex,
                           Format("'%s' cannot name a mutex: expected at most 200 characters and no '\\' but after "
                                  "a leading Global\\ or Local\\",
                                  s.mutex.text));
}

void CheckMinWindows(const TAuthorScript& s)
{
    const String& v = s.minWindows.text;
    const size_t dot = v.find('.');
    if (dot == String::npos || !IsDigits(v.substr(0, dot), 2) || !IsDigits(v.substr(dot + 1), 2) ||
        v.substr(0, dot) == "0")
        throw EScriptError(
            s.file, s.minWindows,
            Format("'%s' is no Windows version: expected major.minor, as in 6.1 (Windows 7) or 10.0", v));
}

TFormObject& Component(TFormObject& form, const String& name)
{
    TFormObject* o = form.Find(name);
    if (!o) throw ENimboError(Format("the host form has no component %s", name));
    return *o;
}

}  // namespace

void AddLicensePage(const TAuthorScript& s, TFormObject& form, std::vector<String>& pages)
{
    if (s.license.text.empty()) return;
    TFormObject page{"TNimboLicense", "suLicense", {}, {}};
    page.Set("Lines.Strings", LinesValue(TextLines(s.licenseText)));
    form.children.push_back(std::move(page));
    pages.push_back("suLicense");
}

void AddFinishPage(const TAuthorScript& s, TFormObject& form, std::vector<String>& pages)
{
    if (s.program.file.text.empty()) return;
    TFormObject page{"TNimboMessage", "suFinished", {}, {}};
    // It looks as the page before the copy does.
    for (const TFormObject::TProperty& p : Component(form, "suPreFileCopy").properties)
        if (p.name.compare(0, 5, "Font.") == 0 || p.name == "Alignment") page.Set(p.name, p.value);
    page.Set("StandardText", IdentValue("stFinished"));
    page.Set("CheckBox", IdentValue("pcLaunch"));
    form.children.push_back(std::move(page));
    pages.push_back("suFinished");
}

void FinishPageButtons(TFormObject& form)
{
    // The install is done: nothing to go back to or cancel.
    if (TFormObject* page = form.Find("suFinished")) page->Set("Buttons", SetValue({"btFinish"}));
    if (TFormObject* run = form.Find("suRunAfter"); run && form.Find("suFinished"))
        run->Set("CheckPage", IdentValue("suFinished"));
}

void AddDesktopIcons(const TScriptFacts& facts, TFormObject& form)
{
    if (facts.desktop.empty()) return;
    std::vector<String> lines;
    for (const TDesktopFact& d : facts.desktop) {
        if (d.dir.find('|') != String::npos)
            throw ENimboError(Format("the directory '%s' of the desktop icon '%s' holds '|'", d.dir, d.title));
        lines.push_back(d.title + "|" + d.dir + "|" + d.file + "|" + d.arguments);
    }
    TFormObject icons{"TNimboDesktopIcons", "suDesktop", {}, {}};
    icons.Set("Icons.Strings", LinesValue(lines));
    icons.Set("CheckPage", IdentValue("suPreFileCopy"));
    form.children.push_back(std::move(icons));
    Component(form, "suPreFileCopy").Set("CheckBox", IdentValue("pcDesktopIcons"));
    form.Set("DesktopIcons", IdentValue("suDesktop"));
}

void AddStartChecks(const TAuthorScript& s, TFormObject& info)
{
    if (!s.mutex.text.empty()) {
        CheckMutex(s);
        info.Set("AppMutex", StringValue(s.mutex.text));
    }
    if (!s.minWindows.text.empty()) {
        CheckMinWindows(s);
        info.Set("MinWindows", StringValue(s.minWindows.text));
    }
}

String ReadLicenseText(const TAuthorScript& s, std::vector<TPayloadFile>& payload, std::vector<String>& paths)
{
    if (s.license.text.empty()) return String();
    String wanted = s.license.text;
    for (char& c : wanted)
        if (c == '/') c = '\\';
    std::vector<String> known;
    for (size_t i = 0; i < payload.size(); ++i) {
        known.push_back(payload[i].Path());
        if (!SameText(payload[i].Path(), wanted)) continue;
        std::ifstream in(paths[i].c_str(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const String content = text.str();
        if (!in || content.empty() || content.size() > kLicenseLimit || content.find('\0') != String::npos)
            throw EScriptError(s.file, s.license,
                               Format("the licence '%s' is empty, longer than 256 KiB or no text", s.license.text));
        if (s.files.empty()) {
            payload.erase(payload.begin() + static_cast<std::ptrdiff_t>(i));
            paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return content;
    }
    throw EScriptError(s.file, s.license, NoSuchName("file in the folder", s.license.text, known));
}
