// The controller's message catalogue and languages.
#include "engine/nimbo_info.h"

namespace {
constexpr const char* kNotFound = "*** String not found ***";
}

String TNimboInfo::GetMessageText(unsigned n) const
{
    n &= 0xFFFF;
    // A module handle below 32 is an error code of the loader, not a module.
    if (reinterpret_cast<UINT_PTR>(languageModule_) < 32) return kNotFound;
    char buf[2048];
    const int len = LoadStringA(languageModule_, static_cast<UINT>(messageBase_) + n, buf, sizeof buf);
    return len > 0 ? String(buf, static_cast<size_t>(len)) : String(kNotFound);
}

void TNimboInfo::BuildLanguageList()
{
    languages_.Clear();
    languages_.Add("English");
}

void TNimboInfo::LoadLanguage(const String& name)
{
    (void)name;
    if (languageModule_ && languageModule_ != GetModuleHandleA(nullptr)) FreeLibrary(languageModule_);
    languageModule_ = GetModuleHandleA(nullptr);
    messageBase_ = 5000;
    language_ = "English";
}

void TNimboInfo::SetLanguage(const String& name) { language_ = name; }
