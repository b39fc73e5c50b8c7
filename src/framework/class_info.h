// Run-time class descriptions: name, parent, factory, published properties
// and published methods (event handlers), and the registry of classes by name
// that form resources refer to.
#pragma once

#include <functional>
#include <vector>

#include "base/nstring.h"

class TObject;
class TPersistent;
class TComponent;
class TFormReader;

using TNotifyEvent = std::function<void(TObject* sender)>;

struct TEnumInfo;

// A published setter, getter or handler as the table keeps it: the entry's
// own reader casts it back to the type it was registered with.
using TPropMember = void (TPersistent::*)();

// One published property: a plain record, so that a class's table costs
// data rather than code for each property it lists.
struct TPropInfo {
    String name;
    // Reads the property's value at the reader's position and applies it.
    void (*read)(const TPropInfo& prop, TPersistent* self, TFormReader& reader) = nullptr;
    // For properties holding a persistent object ("Font", "Lines"): the
    // object whose own properties follow a dot ("Font.Name").
    TPersistent* (*object)(const TPropInfo& prop, TPersistent* self) = nullptr;
    TPropMember member = nullptr;
    TNotifyEvent TPersistent::*event = nullptr;
    void (*custom)() = nullptr;  // a class's own reader, cast back by `read`
    const TEnumInfo* names = nullptr;
};

struct TMethodInfo {
    String name;
    void (TObject::*call)(TObject* sender);
};

class TClassInfo {
public:
    TClassInfo(String name, const TClassInfo* parent, TComponent* (*create)() = nullptr)
        : name(std::move(name)), parent(parent), create(std::move(create))
    {
    }

    const TPropInfo* FindProp(std::string_view propName) const;
    const TMethodInfo* FindMethod(std::string_view methodName) const;
    bool InheritsFrom(const TClassInfo& other) const;

    String name;
    const TClassInfo* parent;
    TComponent* (*create)();  // null for classes a form cannot create
    std::vector<TPropInfo> props;
    std::vector<TMethodInfo> methods;
};

// Classes that form resources may name. Each layer registers its own.
void RegisterComponentClass(const TClassInfo& info);
const TClassInfo* FindClass(std::string_view name);

// Names of an enumeration's values, by ordinal; used for enumeration and set
// properties in form resources.
struct TEnumInfo {
    std::vector<String> names;
    int Ordinal(std::string_view name) const;  // -1 when unknown
};
