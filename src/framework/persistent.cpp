#include "framework/persistent.h"

void TFiler::DefineProperty(const String& name, const ReadProc& read, const WriteProc& write, bool hasData)
{
    if (reader_) {
        if (!handled_ && SameText(name, wanted_) && read) {
            read(*reader_);
            handled_ = true;
        }
    } else if (emit_ && hasData && write) {
        emit_(name, write);
    }
}

TClassInfo& TPersistent::StaticClass()
{
    static TClassInfo info("TPersistent", nullptr);
    return info;
}

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest->ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}
