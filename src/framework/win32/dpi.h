// Pixel densities: what a monitor shows at, and the scaling of lengths laid
// out at one density (a form's design, at 96 pixels per inch) to another.
#pragma once

#include <windows.h>

// WM_DPICHANGED (Windows 8.1): the new density in the high word of wParam,
// the window's suggested rectangle in lParam.
inline constexpr UINT kWmDpiChanged = 0x02E0;

// The density layouts in code and the standard fonts are made for.
inline constexpr int kDesignPixelsPerInch = 96;

// The monitor's effective density (the user's display scale); the
// screen's logical density where the system cannot say per monitor.
int MonitorPixelsPerInch(HMONITOR monitor);

// The monitor a window made now would show on: the one holding the
// application's main window, else the primary one.
HMONITOR TargetMonitor(HWND mainWindow);

// Whether a density is one a monitor can have: anything else (a damaged
// resource, a stray message) would collapse or blow up every length.
inline bool PlausiblePixelsPerInch(int v) { return v >= 24 && v <= 1200; }

// A length at density `from` taken to density `to`, to the nearest pixel.
inline int ScaleLength(int v, int to, int from) { return from == to ? v : MulDiv(v, to, from); }
