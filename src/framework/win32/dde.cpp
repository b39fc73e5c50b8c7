#include "framework/win32/dde.h"

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TDdeClientConv, TComponent, true,
                   p.Custom("ConnectMode",
                            [](TDdeClientConv* d, TFormReader& r) {
                                d->SetConnectMode(SameText(r.Values().ReadIdent(), "ddeManual") ? 1 : 0);
                            })
                       .Ignore("Left")
                       .Ignore("Top"))
