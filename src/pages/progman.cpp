#include "pages/progman.h"

#include "engine/path_routines.h"
#include "engine/start_menu.h"
#include "engine/wizard/pages_form.h"

namespace {
constexpr const char* kTopic = "Progman";
String gService = "Progman";

TDdeClientConv* Client() { return NimboPagesForm ? NimboPagesForm->DDEClient : nullptr; }
}  // namespace

String SetProgManService(const String& service)
{
    String previous = gService;
    gService = service;
    return previous;
}

bool OpenProgMan()
{
    TDdeClientConv* dde = Client();
    if (!dde) return false;
    dde->SetLink(gService, kTopic);
    // Only a Program Manager that runs already: one the page would start
    // (the form's PROGMAN) shows its window in front and keeps the page
    // waiting for an answer it may never give; the page makes the group
    // itself instead.
    dde->SetServiceApplication(String());
    return dde->OpenLink();
}

void CloseProgMan()
{
    if (TDdeClientConv* dde = Client()) dde->CloseLink();
}

bool ProgManExecute(const String& command, bool wait)
{
    TDdeClientConv* dde = Client();
    return dde && dde->ExecuteMacro(command + "\r\n", wait);
}

bool IsProgManName(const String& name) { return IsStartMenuName(name); }

String ProgManArg(const String& name) { return "\"" + name + "\""; }

unsigned long ProgManProcess()
{
    TDdeClientConv* dde = Client();
    return dde ? dde->ServerProcessId() : 0;
}

String ProgManGroups()
{
    TDdeClientConv* dde = Client();
    return dde ? dde->RequestData("Groups") : String();
}
