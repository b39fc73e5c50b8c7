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

struct TPropInfo {
    String name;
    // Reads the property's value at the reader's position and applies it.
    std::function<void(TPersistent* self, TFormReader& reader)> read;
    // For properties holding a persistent object ("Font", "Lines"): the
    // object whose own properties follow a dot ("Font.Name").
    std::function<TPersistent*(TPersistent* self)> object;
};

struct TMethodInfo {
    String name;
    std::function<void(TObject* self, TObject* sender)> call;
};

class TClassInfo {
public:
    TClassInfo(String name, const TClassInfo* parent, std::function<TComponent*()> create = nullptr)
        : name(std::move(name)), parent(parent), create(std::move(create))
    {
    }

    const TPropInfo* FindProp(std::string_view propName) const;
    const TMethodInfo* FindMethod(std::string_view methodName) const;
    bool InheritsFrom(const TClassInfo& other) const;

    String name;
    const TClassInfo* parent;
    std::function<TComponent*()> create;  // empty for classes a form cannot create
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
