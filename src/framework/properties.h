// Builders for the published property tables of a class. Each entry reads
// its typed value from a form resource and applies it through the class's
// own setter, so a resource sets properties exactly as code would.
#pragma once

#include <bit>

#include "base/string_list.h"
#include "framework/component.h"
#include "framework/form_reader.h"

// The kinds of value a table entry reads; each has one reader, shared by
// every class, that calls the setter the entry keeps.
class TPropsTable {
public:
    explicit TPropsTable(TClassInfo& info) : info_(info) {}

protected:
    using ReadFn = void (*)(const TPropInfo&, TPersistent*, TFormReader&);
    using ObjectFn = TPersistent* (*)(const TPropInfo&, TPersistent*);

    void Add(const char* name, ReadFn read, TPropMember member, const TEnumInfo* names = nullptr);
    void AddLines(const char* name, TPropMember get);
    void AddObject(const char* name, ObjectFn object, TPropMember member);
    void AddEvent(const char* name, TNotifyEvent TPersistent::*field);
    void AddCustom(const char* name, ReadFn read, void (*custom)());
    void AddMethod(const char* name, void (TObject::*handler)(TObject*));

    static void ReadInt(const TPropInfo& p, TPersistent* s, TFormReader& r);
    static void ReadStr(const TPropInfo& p, TPersistent* s, TFormReader& r);
    static void ReadBool(const TPropInfo& p, TPersistent* s, TFormReader& r);
    static int ReadOrdinal(const TPropInfo& p, TFormReader& r);
    static void ReadSet(const TPropInfo& p, TPersistent* s, TFormReader& r);
    static void ReadLines(const TPropInfo& p, TPersistent* s, TFormReader& r);
    static void ReadIgnore(const TPropInfo& p, TPersistent* s, TFormReader& r);
    // A reference's name, or false after applying nil.
    static bool ReadRefName(TFormReader& r, String& target);

    template <class E>

    static void ReadEnum(const TPropInfo& p, TPersistent* s, TFormReader& r)
    {
        (s->*std::bit_cast<void (TPersistent::*)(E)>(p.member))(static_cast<E>(ReadOrdinal(p, r)));
    }
    template <class T> static void ReadRef(const TPropInfo& p, TPersistent* s, TFormReader& r)
    {
        const auto set = std::bit_cast<void (TPersistent::*)(T*)>(p.member);
        String target;
        if (!ReadRefName(r, target)) {
            (s->*set)(nullptr);
            return;
        }
        r.AddFixup(
            [s, set](TComponent* c) {
                T* t = dynamic_cast<T*>(c);
                if (!t) TValueReader::Fail();
                (s->*set)(t);
            },
            target);
    }
    template <class T> static TPersistent* GetObject(const TPropInfo& p, TPersistent* s)
    {
        return (s->*std::bit_cast<T* (TPersistent::*)()>(p.member))();
    }
    template <class C> static void ReadCustom(const TPropInfo& p, TPersistent* s, TFormReader& r)
    {
        reinterpret_cast<void (*)(C*, TFormReader&)>(p.custom)(static_cast<C*>(s), r);
    }

private:
    TClassInfo& info_;
};

// The builder that NIMBO_DEFINE_CLASS hands its body. Each entry stores the
// class's member, cast to a member of TPersistent (whose object it is), so
// one reader per kind of value serves all classes.
template <class C> class TPropsBuilder : private TPropsTable {
public:
    explicit TPropsBuilder(TClassInfo& info) : TPropsTable(info) {}

    template <class B>

    TPropsBuilder& Int(const char* name, void (B::*set)(int))
    {
        Add(name, &ReadInt, Member(set));
        return *this;
    }
    template <class B> TPropsBuilder& Str(const char* name, void (B::*set)(const String&))
    {
        Add(name, &ReadStr, Member(set));
        return *this;
    }
    template <class B> TPropsBuilder& Bool(const char* name, void (B::*set)(bool))
    {
        Add(name, &ReadBool, Member(set));
        return *this;
    }
    // The setter takes the value's ordinal in `names`.
    template <class B, class E> TPropsBuilder& Enum(const char* name, void (B::*set)(E), const TEnumInfo& names)
    {
        Add(name, &ReadEnum<E>, Member(set), &names);
        return *this;
    }
    // A set of enumeration values, passed as a bit mask (bit n = ordinal n).
    template <class B> TPropsBuilder& Set(const char* name, void (B::*set)(unsigned), const TEnumInfo& names)
    {
        Add(name, &ReadSet, Member(set), &names);
        return *this;
    }
    // A persistent sub-object whose properties follow a dot ("Font.Name").
    template <class B, class T> TPropsBuilder& Object(const char* name, T* (B::*get)())
    {
        AddObject(name, &GetObject<T>, Member(get));
        return *this;
    }
    // A string list written as "<name>.Strings = ( 'line' ... )".
    template <class B> TPropsBuilder& Lines(const char* name, TStringList* (B::*get)())
    {
        AddLines(name, Member(get));
        return *this;
    }
    // A reference to another component of the form, by name (or nil).
    template <class B, class T> TPropsBuilder& Ref(const char* name, void (B::*set)(T*))
    {
        Add(name, &ReadRef<T>, Member(set));
        return *this;
    }
    // An event: the name of a published method of the form being read.
    template <class B> TPropsBuilder& Event(const char* name, TNotifyEvent B::*field)
    {
        AddEvent(name, static_cast<TNotifyEvent TPersistent::*>(field));
        return *this;
    }
    // Accepted and skipped: design-time values with no run-time effect.
    TPropsBuilder& Ignore(const char* name)
    {
        Add(name, &ReadIgnore, nullptr);
        return *this;
    }
    TPropsBuilder& Custom(const char* name, void (*read)(C*, TFormReader&))
    {
        AddCustom(name, &ReadCustom<C>, reinterpret_cast<void (*)()>(read));
        return *this;
    }
    TPropsBuilder& Method(const char* name, void (C::*handler)(TObject*))
    {
        AddMethod(name, static_cast<void (TObject::*)(TObject*)>(handler));
        return *this;
    }

private:
    // A member of B as a member of TPersistent: B derives from it, and the
    // reader calls it only on a C, which derives from B.
    template <class B, class R, class... A> static TPropMember Member(R (B::*m)(A...))
    {
        return std::bit_cast<TPropMember>(static_cast<R (TPersistent::*)(A...)>(m));
    }
};

template <class T, bool creatable> TComponent* (*MakeFactory())()
{
    if constexpr (creatable)
        return []() -> TComponent* { return new T(); };
    else
        return nullptr;
}

// Defines `Cls::StaticClass()` with a factory (for classes a form may
// create) and the property table filled by `body`, which sees `p`, a
// TPropsBuilder<Cls>.
#define NIMBO_DEFINE_CLASS(Cls, Parent, creatable, body)                                                               \
    TClassInfo& Cls::StaticClass()                                                                                     \
    {                                                                                                                  \
        static TClassInfo info = [] {                                                                                  \
            TClassInfo c(#Cls, &Parent::StaticClass());                                                                \
            c.create = MakeFactory<Cls, creatable>();                                                                  \
            TPropsBuilder<Cls> p(c);                                                                                   \
            (void)p;                                                                                                   \
            body;                                                                                                      \
            return c;                                                                                                  \
        }();                                                                                                           \
        return info;                                                                                                   \
    }
