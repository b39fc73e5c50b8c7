// A small plain Win32 program for the robot's own test: named controls like
// the framework's, a standard message box and a suite-style "Confirmation"
// dialog. Every notification it receives is logged to stdout, so the test can
// check that the robot's actions reached the program as a person's would.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

enum : int {
    IdStatus = 100,
    IdChange,
    IdName,
    IdNotes,
    IdColor,
    IdSize,
    IdAgree,
    IdLocked,
    IdSecret,
    IdLater,
    IdMessage,
    IdAsk,
    IdYes = 1,
    IdNo = 2,
};

HINSTANCE g_instance;
HWND g_main;
HWND g_status;

void Log(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Name(HWND hwnd, const char* name)
{
    SetPropA(hwnd, "NimboName", reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(GlobalAddAtomA(name))));
}

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h,
           const char* name)
{
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
    Name(c, name);
    return c;
}

std::string Text(HWND hwnd)
{
    char buf[512];
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string Selected(HWND list, bool combo)
{
    const LRESULT i = SendMessageA(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (i < 0) return "(none)";
    char buf[256] = {};
    SendMessageA(list, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
}

// The suite's message dialog: a top-level window with a read-only memo and
// owner-drawn buttons B1, B2, run in its own modal loop.
int g_answer;

LRESULT CALLBACK ConfirmProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && (LOWORD(wp) == IdYes || LOWORD(wp) == IdNo)) {
            g_answer = LOWORD(wp);
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(di->hDC, &di->rcItem, (di->itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const std::string caption = Text(di->hwndItem);
        SetBkMode(di->hDC, TRANSPARENT);
        DrawTextA(di->hDC, caption.c_str(), -1, &di->rcItem, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return TRUE;
    }
    case WM_CLOSE:
        g_answer = IdNo;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Confirm()
{
    HWND dlg =
        CreateWindowExA(WS_EX_DLGMODALFRAME, "RobotFixtureConfirm", "Confirmation", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                        200, 200, 320, 160, g_main, nullptr, g_instance, nullptr);
    Name(dlg, "frmConfirm");
    Child(dlg, "EDIT", "  Replace the existing file\r\nREADME.TXT?  ", WS_BORDER | ES_MULTILINE | ES_READONLY, 0, 10,
          10, 290, 50, "meMSGText");
    Child(dlg, "BUTTON", "&Yes", BS_OWNERDRAW | WS_TABSTOP, IdYes, 60, 80, 80, 28, "B1");
    Child(dlg, "BUTTON", "&No", BS_OWNERDRAW | WS_TABSTOP, IdNo, 160, 80, 80, 28, "B2");
    ShowWindow(dlg, SW_SHOW);
    EnableWindow(g_main, FALSE);
    g_answer = 0;
    MSG m;
    while (!g_answer && GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    EnableWindow(g_main, TRUE);
    DestroyWindow(dlg);
    const char* answer = g_answer == IdYes ? "Yes" : "No";
    Log(std::string("ask answered ") + answer);
    SetWindowTextA(g_status, (std::string("ask=") + answer).c_str());
}

void Command(HWND hwnd, int id, int code, HWND control)
{
    switch (id) {
    case IdChange:
        Log("click btnChange");
        SetWindowTextA(g_status, "Changed");
        break;
    case IdName:
    case IdNotes:
        if (code == EN_CHANGE) Log(std::string("change ") + (id == IdName ? "edtName " : "meNotes ") + Text(control));
        break;
    case IdColor:
        if (code == CBN_SELCHANGE) Log("select cbxColor " + Selected(control, true));
        break;
    case IdSize:
        if (code == LBN_SELCHANGE) Log("select lstSize " + Selected(control, false));
        break;
    case IdAgree:
        Log(std::string("click chkAgree ") + (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "on" : "off"));
        break;
    case IdLocked:
    case IdSecret:
        Log("click on a control nobody can reach");
        break;
    case IdLater:
        SetTimer(hwnd, 1, 800, nullptr);
        break;
    case IdMessage: {
        const int r = MessageBoxA(hwnd, "Disk A: is not ready.", "Error", MB_OKCANCEL | MB_ICONERROR);
        const char* answer = r == IDOK ? "OK" : "Cancel";
        Log(std::string("message answered ") + answer);
        SetWindowTextA(g_status, (std::string("message=") + answer).c_str());
        break;
    }
    case IdAsk:
        Confirm();
        break;
    }
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        Command(hwnd, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case WM_TIMER:
        KillTimer(hwnd, 1);
        SetWindowTextA(g_status, "Later done");
        return 0;
    case WM_DESTROY:
        Log("quit status=" + Text(g_status));
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Register(const char* name, WNDPROC proc)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    Register("RobotFixtureForm", MainProc);
    Register("RobotFixtureConfirm", ConfirmProc);
    g_main = CreateWindowExA(0, "RobotFixtureForm", "Robot Fixture", WS_OVERLAPPEDWINDOW, 40, 40, 520, 360, nullptr,
                             nullptr, instance, nullptr);
    Name(g_main, "frmFixture");
    g_status = Child(g_main, "STATIC", "Ready", 0, IdStatus, 10, 10, 300, 20, "lblStatus");
    Child(g_main, "BUTTON", "&Change", BS_PUSHBUTTON | WS_TABSTOP, IdChange, 10, 40, 90, 26, "btnChange");
    Child(g_main, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, IdName, 110, 40, 180, 24, "edtName");
    Child(g_main, "EDIT", "", WS_BORDER | ES_MULTILINE | WS_TABSTOP, IdNotes, 300, 40, 200, 60, "meNotes");
    HWND color = Child(g_main, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IdColor, 10, 80, 180, 150,
                       "cbxColor");
    for (const char* c : {"Red", "Green", "Green (dark)", "Blue"})
        SendMessageA(color, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c));
    HWND size = Child(g_main, "LISTBOX", "", WS_BORDER | LBS_NOTIFY | WS_TABSTOP, IdSize, 10, 120, 180, 70, "lstSize");
    for (const char* s : {"Small", "Medium", "Large"}) SendMessageA(size, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    Child(g_main, "BUTTON", "I &agree", BS_AUTOCHECKBOX | WS_TABSTOP, IdAgree, 200, 120, 120, 24, "chkAgree");
    Child(g_main, "BUTTON", "&Locked", BS_PUSHBUTTON | WS_DISABLED, IdLocked, 10, 210, 90, 26, "btnLocked");
    HWND secret = Child(g_main, "BUTTON", "&Secret", BS_PUSHBUTTON, IdSecret, 110, 210, 90, 26, "btnSecret");
    ShowWindow(secret, SW_HIDE);
    Child(g_main, "BUTTON", "La&ter", BS_PUSHBUTTON, IdLater, 210, 210, 90, 26, "btnLater");
    Child(g_main, "BUTTON", "&Message", BS_PUSHBUTTON, IdMessage, 10, 250, 90, 26, "btnMessage");
    Child(g_main, "BUTTON", "&Ask", BS_PUSHBUTTON, IdAsk, 110, 250, 90, 26, "btnAsk");
    ShowWindow(g_main, SW_SHOW);
    Log("ready");

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
