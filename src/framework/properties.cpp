#include "framework/properties.h"

void TPropsTable::Add(const char* name, ReadFn read, TPropMember member, const TEnumInfo* names)
{
    TPropInfo p;
    p.name = name;
    p.read = read;
    p.member = member;
    p.names = names;
    info_.props.push_back(std::move(p));
}

void TPropsTable::AddLines(const char* name, TPropMember get)
{
    Add((String(name) + ".Strings").c_str(), &ReadLines, get);
}

void TPropsTable::AddObject(const char* name, ObjectFn object, TPropMember member)
{
    TPropInfo p;
    p.name = name;
    p.object = object;
    p.member = member;
    info_.props.push_back(std::move(p));
}

void TPropsTable::AddEvent(const char* name, TNotifyEvent TPersistent::*field)
{
    TPropInfo p;
    p.name = name;
    p.read = [](const TPropInfo& prop, TPersistent* s, TFormReader& r) {
        if (r.Values().NextValue() == TValueType::vaNil) {
            r.Values().ReadValue();
            s->*prop.event = nullptr;
            return;
        }
        s->*prop.event = r.BindMethod(r.Values().ReadIdent());
    };
    p.event = field;
    info_.props.push_back(std::move(p));
}

void TPropsTable::AddCustom(const char* name, ReadFn read, void (*custom)())
{
    TPropInfo p;
    p.name = name;
    p.read = read;
    p.custom = custom;
    info_.props.push_back(std::move(p));
}

void TPropsTable::AddMethod(const char* name, void (TObject::*handler)(TObject*))
{
    info_.methods.push_back({name, handler});
}

void TPropsTable::ReadInt(const TPropInfo& p, TPersistent* s, TFormReader& r)
{
    (s->*std::bit_cast<void (TPersistent::*)(int)>(p.member))(r.Values().ReadInteger());
}

void TPropsTable::ReadStr(const TPropInfo& p, TPersistent* s, TFormReader& r)
{
    (s->*std::bit_cast<void (TPersistent::*)(const String&)>(p.member))(r.Values().ReadString());
}

void TPropsTable::ReadBool(const TPropInfo& p, TPersistent* s, TFormReader& r)
{
    const TValueType t = r.Values().ReadValue();
    if (t != TValueType::vaTrue && t != TValueType::vaFalse) TValueReader::Fail();
    (s->*std::bit_cast<void (TPersistent::*)(bool)>(p.member))(t == TValueType::vaTrue);
}

int TPropsTable::ReadOrdinal(const TPropInfo& p, TFormReader& r)
{
    const int v = p.names->Ordinal(r.Values().ReadIdent());
    if (v < 0) TValueReader::Fail();
    return v;
}

void TPropsTable::ReadSet(const TPropInfo& p, TPersistent* s, TFormReader& r)
{
    unsigned bits = 0;
    for (const String& m : r.Values().ReadSet()) {
        const int v = p.names->Ordinal(m);
        if (v < 0 || v >= 32) TValueReader::Fail();
        bits |= 1u << v;
    }
    (s->*std::bit_cast<void (TPersistent::*)(unsigned)>(p.member))(bits);
}

void TPropsTable::ReadLines(const TPropInfo& p, TPersistent* s, TFormReader& r)
{
    TStringList lines;
    TValueReader& v = r.Values();
    v.ReadListBegin();
    while (!v.EndOfList()) lines.Add(v.ReadString());
    v.ReadListEnd();
    (s->*std::bit_cast<TStringList* (TPersistent::*)()>(p.member))()->Assign(lines);
}

void TPropsTable::ReadIgnore(const TPropInfo&, TPersistent*, TFormReader& r) { r.Values().SkipValue(); }

bool TPropsTable::ReadRefName(TFormReader& r, String& target)
{
    if (r.Values().NextValue() == TValueType::vaNil) {
        r.Values().ReadValue();
        return false;
    }
    target = r.Values().ReadIdent();
    return true;
}
