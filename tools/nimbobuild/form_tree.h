// A binary form as a tree of objects whose property values stay in their
// encoded form: a tool can change a few properties, add or drop objects
// and write the form again without knowing every class.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"

struct TFormObject {
    struct TProperty {
        String name;
        std::vector<uint8_t> value;  // one typed value, tag included
    };
    String className;
    String name;
    std::vector<TProperty> properties;
    std::vector<TFormObject> children;

    // This object or the first below it with that name, or none.
    TFormObject* Find(const String& objectName);
    const std::vector<uint8_t>* Get(const String& property) const;
    // Replaces the value in its place, or appends the property.
    void Set(const String& property, std::vector<uint8_t> value);
    void Remove(const String& property);
};

// The object itself or the first below it of that class, or none.
const TFormObject* FindOfClass(const TFormObject& object, const char* className);
// A property's value as an identifier or as a string; empty when it is
// absent or of another type.
String IdentOf(const TFormObject& object, const char* property);
String StringOf(const TFormObject* object, const char* property);

// Raises EReadError for a malformed form.
TFormObject ReadFormTree(const std::vector<uint8_t>& form);
std::vector<uint8_t> WriteFormTree(const TFormObject& root);

// Encoded values for Set.
std::vector<uint8_t> StringValue(const String& s);
std::vector<uint8_t> IdentValue(const String& s);
std::vector<uint8_t> BooleanValue(bool b);
std::vector<uint8_t> SetValue(const std::vector<String>& members);
std::vector<uint8_t> LinesValue(const std::vector<String>& lines);
