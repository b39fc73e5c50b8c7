#include "framework/class_info.h"

#include <map>

const TPropInfo* TClassInfo::FindProp(std::string_view propName) const
{
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const auto& p : c->props)
            if (SameText(p.name, propName)) return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view methodName) const
{
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const auto& m : c->methods)
            if (SameText(m.name, methodName)) return &m;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->parent)
        if (c == &other) return true;
    return false;
}

namespace {
std::map<String, const TClassInfo*>& Registry()
{
    static std::map<String, const TClassInfo*> r;
    return r;
}
}  // namespace

void RegisterComponentClass(const TClassInfo& info) { Registry()[UpperCase(info.name)] = &info; }

const TClassInfo* FindClass(std::string_view name)
{
    auto it = Registry().find(UpperCase(name));
    return it == Registry().end() ? nullptr : it->second;
}

int TEnumInfo::Ordinal(std::string_view name) const
{
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], name)) return static_cast<int>(i);
    return -1;
}
