#include "engine_scope.h"

#include "base/exceptions.h"
#include "framework/value_stream.h"

namespace {
// An enumeration property's value; empty when it is absent or no identifier.
String IdentOf(const TFormObject& object, const char* property)
{
    const std::vector<uint8_t>* value = object.Get(property);
    if (!value) return String();
    TValueReader r(*value);
    return r.NextValue() == TValueType::vaIdent ? r.ReadIdent() : String();
}

const TFormObject* FindOfClass(const TFormObject& object, const char* className)
{
    if (SameText(object.className, className)) return &object;
    for (const TFormObject& child : object.children)
        if (const TFormObject* found = FindOfClass(child, className)) return found;
    return nullptr;
}

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
