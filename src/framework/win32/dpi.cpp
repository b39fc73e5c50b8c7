#include "framework/win32/dpi.h"

#include "base/nstring.h"

namespace {
// Windows 8.1 and later; looked up, so the program still starts on older systems.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

GetDpiForMonitorFn MonitorDpiFunction()
{
    static const GetDpiForMonitorFn fn = [] {
        // By its full path in the system folder: by bare name, a planted
        // copy in the setup's own folder would be loaded first.
        char system[MAX_PATH];
        const UINT n = GetSystemDirectoryA(system, MAX_PATH);
        HMODULE shcore =
            n > 0 && n < MAX_PATH - 12 ? LoadLibraryA((String(system, n) + "\\shcore.dll").c_str()) : nullptr;
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
