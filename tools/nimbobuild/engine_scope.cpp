#include "engine_scope.h"

#include "base/exceptions.h"
#include "framework/value_stream.h"

namespace {
// The engine pages of a form and below it, in form order.
void EnginePages(const TFormObject& object, std::vector<const TFormObject*>& pages)
{
    if (SameText(object.className, "TNimboBDEInstall")) pages.push_back(&object);
    for (const TFormObject& child : object.children) EnginePages(child, pages);
}
}  // namespace

String InstallingEnginePage(const TFormObject& form)
{
    std::vector<const TFormObject*> pages;
    EnginePages(form, pages);
    for (const TFormObject* page : pages) {
        const String type = IdentOf(*page, "BDEType");
        if (!type.empty() && !SameText(type, "bdeNone")) return page->name;
    }
    return String();
}

String FormInstallScope(const TFormObject& form)
{
    const TFormObject* info = FindOfClass(form, "TNimboInfo");
    const String scope = info ? IdentOf(*info, "InstallScope") : String();
    return scope.empty() ? String("isMachine") : scope;
}

void CheckEngineScope(const TFormObject& form, const String& source)
{
    const String scope = FormInstallScope(form);
    if (SameText(scope, "isMachine")) return;
    const String page = InstallingEnginePage(form);
    if (page.empty()) return;
    throw ENimboError(Format("%s: a per-user setup (InstallScope = %s) cannot install the database engine: %s "
                             "writes to what every user of the computer shares",
                             source, scope, page));
}
