// Placeholder of the setup script root until the script model lands: it
// keeps the application name and reads/writes an empty version-5 script.
#pragma once

#include "framework/persistent.h"

class TNimboData : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboData() = default;
    const String& AppName() const { return appName_; }
    void SetAppName(const String& v) { appName_ = v; }
    void ReadData(TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    String appName_ = "New Application.";
};
