// A DDE client conversation (manual connect mode) with a server such as
// Program Manager.
#pragma once

#include "framework/component.h"

class TDdeClientConv : public TComponent {
    NIMBO_CLASS()

public:
    TDdeClientConv() = default;
    void SetConnectMode(int v) { connectMode_ = v; }

private:
    int connectMode_ = 0;
};
