// Builders for the published property tables of a class. Each entry reads
// its typed value from a form resource and applies it through the class's
// own setter, so a resource sets properties exactly as code would.
#pragma once

#include "framework/component.h"
#include "framework/form_reader.h"
#include "base/string_list.h"

template <class C>
class TPropsBuilder {
public:
    explicit TPropsBuilder(TClassInfo& info) : info_(info) {}

    template <class B>
    TPropsBuilder& Int(const String& name, void (B::*set)(int))
    {
        return Add(name, [set](TPersistent* s, TFormReader& r) { (static_cast<C*>(s)->*set)(r.Values().ReadInteger()); });
    }
    template <class B>
    TPropsBuilder& Str(const String& name, void (B::*set)(const String&))
    {
        return Add(name, [set](TPersistent* s, TFormReader& r) { (static_cast<C*>(s)->*set)(r.Values().ReadString()); });
    }
    template <class B>
    TPropsBuilder& Bool(const String& name, void (B::*set)(bool))
    {
        return Add(name, [set](TPersistent* s, TFormReader& r) {
            const TValueType t = r.Values().ReadValue();
            if (t != TValueType::vaTrue && t != TValueType::vaFalse) TValueReader::Fail();
            (static_cast<C*>(s)->*set)(t == TValueType::vaTrue);
        });
    }
    template <class B, class E>
    TPropsBuilder& Enum(const String& name, void (B::*set)(E), const TEnumInfo& names)
    {
        return Add(name, [set, &names](TPersistent* s, TFormReader& r) {
            const int v = names.Ordinal(r.Values().ReadIdent());
            if (v < 0) TValueReader::Fail();
            (static_cast<C*>(s)->*set)(static_cast<E>(v));
        });
    }
    // A set of enumeration values, passed as a bit mask (bit n = ordinal n).
    template <class B>
    TPropsBuilder& Set(const String& name, void (B::*set)(unsigned), const TEnumInfo& names)
    {
        return Add(name, [set, &names](TPersistent* s, TFormReader& r) {
            unsigned bits = 0;
            for (const String& m : r.Values().ReadSet()) {
                const int v = names.Ordinal(m);
                if (v < 0 || v >= 32) TValueReader::Fail();
                bits |= 1u << v;
            }
            (static_cast<C*>(s)->*set)(bits);
        });
    }
    // A persistent sub-object whose properties follow a dot ("Font.Name").
    template <class B, class T>
    TPropsBuilder& Object(const String& name, T* (B::*get)())
    {
        info_.props.push_back({name, nullptr, [get](TPersistent* s) -> TPersistent* { return (static_cast<C*>(s)->*get)(); }});
        return *this;
    }
    // A string list written as "<name>.Strings = ( 'line' ... )".
    template <class B>
    TPropsBuilder& Lines(const String& name, TStringList* (B::*get)())
    {
        return Add(name + ".Strings", [get](TPersistent* s, TFormReader& r) {
            TStringList lines;
            TValueReader& v = r.Values();
            v.ReadListBegin();
            while (!v.EndOfList()) lines.Add(v.ReadString());
            v.ReadListEnd();
            TStringList* target = (static_cast<C*>(s)->*get)();
            target->Assign(lines);
        });
    }
    // A reference to another component of the form, by name (or nil).
    template <class B, class T>
    TPropsBuilder& Ref(const String& name, void (B::*set)(T*))
    {
        return Add(name, [set](TPersistent* s, TFormReader& r) {
            if (r.Values().NextValue() == TValueType::vaNil) {
                r.Values().ReadValue();
                (static_cast<C*>(s)->*set)(nullptr);
                return;
            }
            const String target = r.Values().ReadIdent();
            C* self = static_cast<C*>(s);
            r.AddFixup(
                [self, set](TComponent* c) {
                    T* t = dynamic_cast<T*>(c);
                    if (!t) TValueReader::Fail();
                    (self->*set)(t);
                },
                target);
        });
    }
    // An event: the name of a published method of the form being read.
    template <class B>
    TPropsBuilder& Event(const String& name, TNotifyEvent B::*field)
    {
        return Add(name, [field](TPersistent* s, TFormReader& r) {
            if (r.Values().NextValue() == TValueType::vaNil) {
                r.Values().ReadValue();
                static_cast<C*>(s)->*field = nullptr;
                return;
            }
            static_cast<C*>(s)->*field = r.BindMethod(r.Values().ReadIdent());
        });
    }
    // Accepted and skipped: design-time values with no run-time effect.
    TPropsBuilder& Ignore(const String& name)
    {
        return Add(name, [](TPersistent*, TFormReader& r) { r.Values().SkipValue(); });
    }
    TPropsBuilder& Custom(const String& name, std::function<void(C*, TFormReader&)> read)
    {
        return Add(name, [read](TPersistent* s, TFormReader& r) { read(static_cast<C*>(s), r); });
    }
    TPropsBuilder& Method(const String& name, void (C::*handler)(TObject*))
    {
        info_.methods.push_back({name, [handler](TObject* self, TObject* sender) { (static_cast<C*>(self)->*handler)(sender); }});
        return *this;
    }

private:
    TPropsBuilder& Add(const String& name, std::function<void(TPersistent*, TFormReader&)> read)
    {
        info_.props.push_back({name, std::move(read), nullptr});
        return *this;
    }
    TClassInfo& info_;
};

template <class T, bool creatable>
std::function<TComponent*()> MakeFactory()
{
    if constexpr (creatable)
        return []() -> TComponent* { return new T(); };
    else
        return nullptr;
}

// Defines `Cls::StaticClass()` with a factory (for classes a form may
// create) and the property table filled by `body`, which sees `p`, a
// TPropsBuilder<Cls>.
#define NIMBO_DEFINE_CLASS(Cls, Parent, creatable, body)                                    \
    TClassInfo& Cls::StaticClass()                                                          \
    {                                                                                       \
        static TClassInfo info = [] {                                                       \
            TClassInfo c(#Cls, &Parent::StaticClass());                                     \
            c.create = MakeFactory<Cls, creatable>();                                       \
            TPropsBuilder<Cls> p(c);                                                        \
            (void)p;                                                                        \
            body;                                                                           \
            return c;                                                                       \
        }();                                                                                \
        return info;                                                                        \
    }
