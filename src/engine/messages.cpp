// The controller's message catalogue and languages: English in the
// program's string table, further languages in the language library.
#include "engine/messages.h"

#include "engine/nimbo_info.h"
#include "engine/message_dialog.h"

// Names are code page 1252, like every text of the program.
namespace {
constexpr const char* kNotFound = "*** String not found ***";

String LanguageNameTable[] = {"English",
                              "(compiled)",
                              "Fran\xe7"
                              "ais",
                              "Dutch",
                              "Norwegian",
                              "Italiano",
                              "Espa\xf1ol",
                              "Deutsch",
                              "Hungarian"};

// A string of a module, or false when it has none of that id.
bool LoadModuleString(HMODULE module, UINT id, String& text)
{
    char buf[2048];
    const int len = LoadStringA(module, id, buf, sizeof buf);
    if (len <= 0) return false;
    text.assign(buf, static_cast<size_t>(len));
    return true;
}

HMODULE Self() { return GetModuleHandleA(nullptr); }

// Where the further languages come from: the program itself when it
// carries their blocks (a single-file setup), else the language library.
HMODULE OpenLanguages()
{
    String name;
    if (LoadModuleString(Self(), 0, name)) return Self();
    return LoadLibraryA(kLanguageLibraryName);
}

void CloseLanguages(HMODULE languages)
{
    if (languages && languages != Self()) FreeLibrary(languages);
}
}  // namespace

const String& LanguageName(TLanguageTypes t) { return LanguageNameTable[t]; }

String TNimboInfo::GetMessageText(unsigned n) const
{
    n &= 0xFFFF;
    String text;
    // Before any language is loaded (while the form is read) the program's
    // own English speaks.
    if (!languageModule_) return LoadModuleString(Self(), kEnglishMessages + n, text) ? text : String(kNotFound);
    // A module handle below 32 is an error code of the loader, not a module.
    if (reinterpret_cast<UINT_PTR>(languageModule_) < 32) return kNotFound;
    return LoadModuleString(languageModule_, static_cast<UINT>(messageBase_) + n, text) ? text : String(kNotFound);
}

void TNimboInfo::BuildLanguageList()
{
    languages_.Clear();
    languages_.Add("English");
    String compiled;
    if (HasState(csDesigning)) {
        languages_.Add("(compiled)");
    } else if (LoadModuleString(Self(), kCompiledMessages, compiled)) {
        languages_.Add(compiled);
        LanguageNameTable[laCompiled] = compiled;
    }
    HMODULE lib = OpenLanguages();
    if (!lib) return;
    for (UINT k = 0;; ++k) {
        String name;
        if (!LoadModuleString(lib, k * 1000, name)) break;
        if (languages_.IndexOf(name) < 0) languages_.Add(name);
    }
    CloseLanguages(lib);
}

void TNimboInfo::LoadLanguage(String name)
{
    if (HasState(csDesigning)) {
        language_ = name;
        return;
    }
    if (languageModule_ && languageModule_ != Self()) FreeLibrary(languageModule_);
    languageModule_ = nullptr;
    const String& compiledName = LanguageNameTable[laCompiled];
    if (languages_.IndexOf(name) >= 0 && name != "English" && name != compiledName) {
        HMODULE lib = OpenLanguages();
        if (lib) {
            for (UINT k = 0;; ++k) {
                String entry;
                if (!LoadModuleString(lib, k * 1000, entry)) break;
                if (entry == name) {
                    languageModule_ = lib;
                    messageBase_ = static_cast<int>(k * 1000);
                    language_ = name;
                    break;
                }
            }
            if (!languageModule_) {
                CloseLanguages(lib);
                language_.clear();
            }
        } else {
            language_.clear();
        }
    }
    if (!languageModule_) {
        String compiled;
        if (LoadModuleString(Self(), kCompiledMessages, compiled) && compiled == name) {
            language_ = compiledName;
            messageBase_ = kCompiledMessages;
        } else {
            language_ = "English";
            messageBase_ = kEnglishMessages;
        }
        languageModule_ = Self();
    }
    if (name != language_)
        ShowMessageDialog(this, GetMessageText(msgLanguageNotLoaded), mtWarning, NimboDialogButton(mbOK));
}

void TNimboInfo::SetLanguage(const String& name)
{
    if (languages_.IndexOf(name) >= 0) {
        language_ = name;
    } else if (name != "(compiled)") {
        MessageDlg("The language " + name +
                       " is not in the list of available languages.\r\n"
                       "Switching to the default language.",
                   mtInformation, 1u << mbOK);
    } else {
        language_ = LanguageNameTable[laCompiled];
    }
    LoadLanguage(language_);
}
