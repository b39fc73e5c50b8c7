// Persistent objects: copyable by Assign, described by a class info with
// published properties, and able to define extra stored properties.
#pragma once

#include <functional>

#include "base/exceptions.h"
#include "base/object.h"
#include "framework/class_info.h"
#include "framework/value_stream.h"

// Handed to DefineProperties while a stream is read or written: each call
// of DefineProperty offers one extra stored property by name.
class TFiler {
public:
    using ReadProc = std::function<void(TReader&)>;
    using WriteProc = std::function<void(TWriter&)>;

    // Reading: the filer looks for one property name.
    TFiler(TReader* reader, String wanted) : reader_(reader), wanted_(std::move(wanted)) {}
    // Writing: every defined property that has data is written.
    explicit TFiler(std::function<void(const String&, const WriteProc&)> emit) : emit_(std::move(emit)) {}

    void DefineProperty(const String& name, const ReadProc& read, const WriteProc& write, bool hasData);
    bool Handled() const { return handled_; }

private:
    TReader* reader_ = nullptr;
    String wanted_;
    std::function<void(const String&, const WriteProc&)> emit_;
    bool handled_ = false;
};

class TPersistent : public TObject {
public:
    static TClassInfo& StaticClass();
    virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
    const String& ClassName() const { return ClassInfo().name; }
    bool InheritsFrom(const TClassInfo& c) const { return ClassInfo().InheritsFrom(c); }

    // Copies the source's content into this object. The base refuses, as
    // the framework does for classes that define no copy.
    virtual void Assign(const TPersistent* source);
    virtual void DefineProperties(TFiler& filer);

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

// Declares the class info of a persistent class: put it first in the class body.
#define NIMBO_CLASS()                                                                                                  \
public:                                                                                                                \
    static TClassInfo& StaticClass();                                                                                  \
    const TClassInfo& ClassInfo() const override { return StaticClass(); }                                             \
                                                                                                                       \
private:
