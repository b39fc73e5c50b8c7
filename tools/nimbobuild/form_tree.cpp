#include "form_tree.h"

#include <cstring>

#include "base/exceptions.h"
#include "framework/form_reader.h"
#include "framework/value_stream.h"

namespace {

TFormObject ReadObject(const std::vector<uint8_t>& form, TValueReader& r, int depth)
{
    if (depth > TValueReader::kMaxDepth) TValueReader::Fail();
    TFormObject o;
    o.className = r.ReadShortString();
    o.name = r.ReadShortString();
    for (;;) {
        String prop = r.ReadShortString();
        if (prop.empty()) break;
        const size_t begin = r.Position();
        r.SkipValue();
        o.properties.push_back(
            {std::move(prop), std::vector<uint8_t>(form.begin() + static_cast<ptrdiff_t>(begin),
                                                   form.begin() + static_cast<ptrdiff_t>(r.Position()))});
    }
    while (r.NextValue() != TValueType::vaNull) o.children.push_back(ReadObject(form, r, depth + 1));
    r.ReadByte();
    return o;
}

void WriteObject(TValueWriter& w, const TFormObject& o)
{
    w.WriteShortString(o.className);
    w.WriteShortString(o.name);
    for (const TFormObject::TProperty& p : o.properties) {
        w.WriteShortString(p.name);
        w.WriteBytes(p.value.data(), p.value.size());
    }
    w.WriteByte(0);
    for (const TFormObject& c : o.children) WriteObject(w, c);
    w.WriteByte(0);
}

template <class F> std::vector<uint8_t> Encoded(F write)
{
    TValueWriter w;
    write(w);
    return w.TakeData();
}

}  // namespace

TFormObject* TFormObject::Find(const String& objectName)
{
    if (SameText(name, objectName)) return this;
    for (TFormObject& c : children)
        if (TFormObject* found = c.Find(objectName)) return found;
    return nullptr;
}

const std::vector<uint8_t>* TFormObject::Get(const String& property) const
{
    for (const TProperty& p : properties)
        if (SameText(p.name, property)) return &p.value;
    return nullptr;
}

void TFormObject::Set(const String& property, std::vector<uint8_t> value)
{
    for (TProperty& p : properties)
        if (SameText(p.name, property)) {
            p.value = std::move(value);
            return;
        }
    properties.push_back({property, std::move(value)});
}

void TFormObject::Remove(const String& property)
{
    std::erase_if(properties, [&](const TProperty& p) { return SameText(p.name, property); });
}

TFormObject ReadFormTree(const std::vector<uint8_t>& form)
{
    TValueReader r(form);
    char sig[4];
    r.ReadBytes(sig, 4);
    if (std::memcmp(sig, kFormSignature, 4) != 0) TValueReader::Fail();
    TFormObject root = ReadObject(form, r, 0);
    if (!r.AtEnd()) TValueReader::Fail();
    return root;
}

std::vector<uint8_t> WriteFormTree(const TFormObject& root)
{
    TValueWriter w;
    w.WriteBytes(kFormSignature, 4);
    WriteObject(w, root);
    return w.TakeData();
}

std::vector<uint8_t> StringValue(const String& s)
{
    return Encoded([&](TValueWriter& w) { w.WriteString(s); });
}

std::vector<uint8_t> IdentValue(const String& s)
{
    return Encoded([&](TValueWriter& w) { w.WriteIdent(s); });
}

std::vector<uint8_t> BooleanValue(bool b)
{
    return Encoded([&](TValueWriter& w) { w.WriteBoolean(b); });
}

std::vector<uint8_t> SetValue(const std::vector<String>& members)
{
    return Encoded([&](TValueWriter& w) { w.WriteSet(members); });
}

std::vector<uint8_t> LinesValue(const std::vector<String>& lines)
{
    return Encoded([&](TValueWriter& w) {
        w.WriteListBegin();
        for (const String& l : lines) w.WriteString(l);
        w.WriteListEnd();
    });
}

const TFormObject* FindOfClass(const TFormObject& object, const char* className)
{
    if (SameText(object.className, className)) return &object;
    for (const TFormObject& child : object.children)
        if (const TFormObject* found = FindOfClass(child, className)) return found;
    return nullptr;
}

String IdentOf(const TFormObject& object, const char* property)
{
    const std::vector<uint8_t>* value = object.Get(property);
    if (!value) return String();
    TValueReader r(*value);
    return r.NextValue() == TValueType::vaIdent ? r.ReadIdent() : String();
}

String StringOf(const TFormObject* object, const char* property)
{
    const std::vector<uint8_t>* value = object ? object->Get(property) : nullptr;
    if (!value) return String();
    TValueReader r(*value);
    const TValueType t = r.NextValue();
    return t == TValueType::vaString || t == TValueType::vaLString ? r.ReadString() : String();
}
