#include "framework/win32/dpi.h"

namespace {
// Windows 8.1 and later; looked up, so the program still starts on older systems.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

GetDpiForMonitorFn MonitorDpiFunction()
{
    static const GetDpiForMonitorFn fn = [] {
        HMODULE shcore = LoadLibraryA("shcore.dll");
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    return fn;
}

int ScreenPixelsPerInch()
{
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return ppi > 0 ? ppi : kDesignPixelsPerInch;
}
}  // namespace

int MonitorPixelsPerInch(HMONITOR monitor)
{
    UINT x = 0, y = 0;
    if (GetDpiForMonitorFn fn = MonitorDpiFunction();
        fn && monitor && SUCCEEDED(fn(monitor, kEffectiveDpi, &x, &y)) && y)
        return static_cast<int>(y);
    return ScreenPixelsPerInch();
}

HMONITOR TargetMonitor(HWND mainWindow)
{
    if (mainWindow && IsWindow(mainWindow)) return MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY);
    return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}
