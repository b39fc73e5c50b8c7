#include "script/nimbo_data.h"

#include "framework/properties.h"

TClassInfo& TNimboData::StaticClass()
{
    static TClassInfo info("TNimboData", &TPersistent::StaticClass());
    return info;
}

void TNimboData::ReadData(TReader& reader)
{
    reader.ReadListBegin();
    reader.ReadInteger();
    appName_ = reader.ReadString();
    while (!reader.EndOfList()) reader.SkipValue();
    reader.ReadListEnd();
}

void TNimboData::WriteData(TWriter& writer) const
{
    writer.WriteListBegin();
    writer.WriteInteger(5);
    writer.WriteString(appName_);
    for (int i = 0; i < 8; ++i) {
        writer.WriteListBegin();
        writer.WriteListEnd();
    }
    for (int i = 0; i < 3; ++i) {
        writer.WriteListBegin();
        writer.WriteListEnd();
    }
    writer.WriteListBegin();
    writer.WriteString("");
    writer.WriteString("INSTALL.LOG");
    writer.WriteListEnd();
    writer.WriteListBegin();
    writer.WriteListEnd();
    writer.WriteListEnd();
}
