// Reads a binary form object stream into a root component: creates every
// nested object in stream order, sets its properties through the class
// tables, resolves references by name once everything is read, then calls
// Loaded on each component in stream order.
//
// Stream layout: the signature "NFRM", then one object:
//   class name, object name (short strings), properties (name, typed value)
//   up to an empty name, nested objects up to an empty class name.
//
// A packed form (as the setup builder writes one with compression on): the
// signature "NFRZ", the uint32 size of the form (little-endian), then the
// form as raw deflate data.
#pragma once

#include <vector>

#include "framework/component.h"
#include "framework/value_stream.h"

inline constexpr char kFormSignature[4] = {'N', 'F', 'R', 'M'};
inline constexpr char kPackedFormSignature[4] = {'N', 'F', 'R', 'Z'};
inline constexpr size_t kPackedFormHeaderSize = 8;

// True when data is a packed form; `form` then holds it expanded. Throws
// EReadError when it is packed but damaged.
bool UnpackForm(const uint8_t* data, size_t size, std::vector<uint8_t>& form);

class TFormReader {
public:
    TFormReader(const uint8_t* data, size_t size) : values_(data, size) {}

    // Reads the stream into `root`, whose class must be the stream's root class.
    void ReadRootComponent(TComponent* root);

    TValueReader& Values() { return values_; }
    TComponent* Root() const { return root_; }

    // A reference property: resolved by name after the whole stream is read.
    void AddFixup(std::function<void(TComponent* target)> apply, const String& name);
    // An event property: the root's published method of that name.
    TNotifyEvent BindMethod(const String& name);

private:
    void ReadComponent(TComponent* parent);
    void ReadProperties(TComponent* component);
    void ReadProperty(TPersistent* instance, const String& path, const String& ownerName);
    void ReadChildren(TComponent* parent);

    struct Fixup {
        std::function<void(TComponent*)> apply;
        String name;
        String context;
    };
    TValueReader values_;
    TComponent* root_ = nullptr;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    String context_;
    int depth_ = 0;
};
