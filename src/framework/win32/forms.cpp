#include "framework/win32/forms.h"

#include "framework/form_reader.h"
#include "framework/properties.h"
#include "framework/win32/dialog_keys.h"

TApplication* Application = nullptr;

namespace {
const TEnumInfo& BorderStyleNames()
{
    static const TEnumInfo i{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return i;
}
const TEnumInfo& PositionNames()
{
    static const TEnumInfo i{{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"}};
    return i;
}
const TEnumInfo& BorderIconNames()
{
    static const TEnumInfo i{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
    return i;
}
}  // namespace

const TEnumInfo& WindowStateNames()
{
    static const TEnumInfo i{{"wsNormal", "wsMinimized", "wsMaximized"}};
    return i;
}

void HandleWindowException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(e);
        else
            MessageBoxA(nullptr, e.what(), "Error", MB_OK | MB_ICONSTOP);
    } catch (...) {
        if (Application) Application->ShowException("Unknown error");
    }
}

NIMBO_DEFINE_CLASS(TForm, TWinControl, true,
                   p.Int("ClientWidth", &TForm::SetClientWidth)
                       .Int("ClientHeight", &TForm::SetClientHeight)
                       .Enum("BorderStyle", &TForm::SetBorderStyle, BorderStyleNames())
                       .Set("BorderIcons", &TForm::SetBorderIcons, BorderIconNames())
                       .Enum("Position", &TForm::SetPosition, PositionNames())
                       .Enum("WindowState", &TForm::SetWindowState, WindowStateNames())
                       .Ref("ActiveControl", &TForm::SetActiveControl)
                       .Event("OnCreate", &TForm::OnCreate)
                       .Event("OnShow", &TForm::OnShow)
                       .Event("OnClose", &TForm::OnClose)
                       .Event("OnDestroy", &TForm::OnDestroy)
                       .Int("PixelsPerInch", &TForm::SetPixelsPerInch)
                       .Bool("Scaled", &TForm::SetScaled)
                       .Ignore("TextHeight")
                       .Ignore("Icon.Data")
                       .Ignore("HorzScrollBar.Visible")
                       .Ignore("VertScrollBar.Visible")
                       .Ignore("FormStyle")
                       .Ignore("OldCreateOrder"))

TForm::TForm()
{
    visible_ = false;
    font_.SetName("MS Sans Serif");
}

TForm::~TForm()
{
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            // Nothing may leave a destructor.
        }
    }
    if (canvasDC_ && HandleAllocated()) ReleaseDC(Handle(), canvasDC_);
    if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TForm::Create(TComponent* owner) { TWinControl::Create(owner); }

void TForm::ReadFormResource(const String& resourceName)
{
    const String name = resourceName.empty() ? UpperCase(ClassName()) : resourceName;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!res) throw EReadError("Resource " + name + " not found");
    HGLOBAL g = LoadResource(module, res);
    const auto* data = static_cast<const uint8_t*>(LockResource(g));
    const DWORD size = SizeofResource(module, res);
    if (!data) throw EReadError("Resource " + name + " not found");
    ReadFormData(data, size);
}

void TForm::ReadFormData(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> unpacked;
    if (UnpackForm(data, size, unpacked)) {
        data = unpacked.data();
        size = unpacked.size();
    }
    TFormReader reader(data, size);
    reader.ReadRootComponent(this);
    // Laid out in pixels of the resource's density: taken once to the
    // monitor's, as a whole, so the proportions hold.
    if (scaled_) ScaleTo(MonitorPixelsPerInch());
    if (OnCreate) OnCreate(this);
}

void TForm::SetPixelsPerInch(int v)
{
    if (!PlausiblePixelsPerInch(v)) throw EReadError("Invalid pixels per inch: " + IntToStr(v));
    pixelsPerInch_ = v;
    designPixelsPerInch_ = v;
}

int TForm::MonitorPixelsPerInch()
{
    if (HandleAllocated()) return ::MonitorPixelsPerInch(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY));
    TForm* main = Application ? Application->MainForm() : nullptr;
    return ::MonitorPixelsPerInch(
        TargetMonitor(main && main != this && main->HandleAllocated() ? main->Handle() : nullptr));
}

void TForm::ScaleTo(int pixelsPerInch)
{
    if (pixelsPerInch == pixelsPerInch_) return;
    const int from = pixelsPerInch_;
    pixelsPerInch_ = pixelsPerInch;
    ChangeScale(pixelsPerInch, from);
}

void TForm::ScaleBounds(int to, int from)
{
    // The form keeps its place: only its size follows.
    if (clientWidth_ >= 0) clientWidth_ = ScaleLength(clientWidth_, to, from);
    if (clientHeight_ >= 0) clientHeight_ = ScaleLength(clientHeight_, to, from);
    width_ = ScaleLength(width_, to, from);
    height_ = ScaleLength(height_, to, from);
    if (!HandleAllocated()) return;
    if (clientWidth_ >= 0 || clientHeight_ >= 0)
        InitWnd();
    else if (!IsZoomed(Handle()))
        SetWindowPos(Handle(), nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::DpiChanged(int pixelsPerInch, const RECT& suggested)
{
    if (!PlausiblePixelsPerInch(pixelsPerInch)) return;
    ScaleTo(pixelsPerInch);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CreateParams(TCreateParams& params)
{
    params.style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (borderStyle_) {
    case bsNone:
        params.style |= WS_POPUP;
        break;
    case bsDialog:
        params.style |= WS_POPUP | WS_CAPTION | WS_BORDER;
        params.exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsSingle:
    case bsToolWindow:
        params.style |= WS_CAPTION | WS_BORDER;
        break;
    default:
        params.style |= WS_CAPTION | WS_THICKFRAME;
        break;
    }
    if (borderStyle_ != bsNone && (borderIcons_ & (1u << biSystemMenu))) {
        params.style |= WS_SYSMENU;
        if (borderStyle_ != bsDialog) {
            if (borderIcons_ & (1u << biMinimize)) params.style |= WS_MINIMIZEBOX;
            if (borderIcons_ & (1u << biMaximize)) params.style |= WS_MAXIMIZEBOX;
        }
    }
}

void TForm::InitWnd()
{
    if (clientWidth_ >= 0 || clientHeight_ >= 0) {
        RECT r{0, 0, clientWidth_ >= 0 ? clientWidth_ : ClientWidth(),
               clientHeight_ >= 0 ? clientHeight_ : ClientHeight()};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        SetWindowPos(Handle(), nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyPosition();
}

void TForm::ApplyPosition()
{
    if (position_ != poScreenCenter || !HandleAllocated()) return;
    left_ = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
    top_ = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
    SetWindowPos(Handle(), nullptr, left_, top_, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetClientWidth(int v)
{
    clientWidth_ = v;
    if (HandleAllocated()) InitWnd();
}

void TForm::SetClientHeight(int v)
{
    clientHeight_ = v;
    if (HandleAllocated()) InitWnd();
}

void TForm::SetWindowState(TWindowState v)
{
    windowState_ = v;
    if (HandleAllocated() && visible_)
        ShowWindow(Handle(), v == wsMaximized ? SW_SHOWMAXIMIZED : v == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

void TForm::SetActiveControl(TWinControl* c)
{
    activeControl_ = c;
    if (c) {
        FreeNotification(c);
        if (HandleAllocated() && visible_ && c->HandleAllocated()) c->SetFocus();
    }
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == activeControl_) activeControl_ = nullptr;
}

void TForm::FocusChanged(TWinControl* focused)
{
    // The control to give the focus back to when the form is activated again.
    if (focused != this && focused != activeControl_) {
        activeControl_ = focused;
        FreeNotification(focused);
    }
    TWinControl::FocusChanged(focused);
}

void TForm::FocusLost()
{
    // Only the active form takes the focus: another would come to the front.
    if (HandleAllocated() && GetActiveWindow() == Handle()) FocusFallbackControl(this);
}

TCanvas& TForm::Canvas()
{
    if (!canvasDC_) canvasDC_ = GetDC(Handle());
    canvas_.SetHandle(canvasDC_);
    SelectObject(canvasDC_, font_.Handle());
    return canvas_;
}

void TForm::SetVisible(bool v)
{
    if (v == visible_ && (!v || HandleAllocated())) return;
    visible_ = v;
    if (!v) {
        if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
        return;
    }
    HWND h = Handle();
    if (!Application || !Application->WindowsHidden())
        ShowWindow(h, windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                      : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                    : SW_SHOWNORMAL);
    if (activeControl_ && activeControl_->HandleAllocated() && activeControl_->Enabled()) activeControl_->SetFocus();
    DoShow();
}

void TForm::DoShow()
{
    if (OnShow) OnShow(this);
}

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM p)
{
    auto* list = reinterpret_cast<std::vector<HWND>*>(p);
    if (IsWindowVisible(h) && IsWindowEnabled(h)) list->push_back(h);
    return TRUE;
}

// The window a modal form interrupts: the active one of ours, else the main
// form. Owned by it, the form stays in front of it, also where a window
// manager stacks the windows, and the owner is active again afterwards.
HWND ModalOwner(HWND self)
{
    HWND owner = GetActiveWindow();
    if (owner == self || !TWinControl::FromHandle(owner)) owner = nullptr;
    if (!owner && Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        owner = Application->MainForm()->Handle();
    return owner != self && owner && IsWindowVisible(owner) ? owner : nullptr;
}

}  // namespace

std::vector<HWND> EnabledThreadWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

int TForm::ShowModal()
{
    HWND self = Handle();
    if (HWND owner = ModalOwner(self)) SetWindowLongPtrA(self, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    // Every other window of this thread waits while the form is modal.
    const std::vector<HWND> disabled = EnabledThreadWindows();
    for (HWND h : disabled)
        if (h != self) EnableWindow(h, FALSE);
    modalResult_ = mrNone;
    ++modalDepth_;
    // The end asked while the form is open closes it; one shown after the
    // end was asked (the report of a run undone at its end) waits for its
    // answer like any other.
    const bool endAskedBefore = Application->Terminated();
    try {
        SetVisible(true);
        // In front even when another program's window (a shell's folder
        // window, say) took the front while this one was being made.
        if (!Application->WindowsHidden()) SetForegroundWindow(self);
        while (modalResult_ == mrNone) {
            Application->HandleMessage();
            if (Application->Terminated() && !endAskedBefore) modalResult_ = mrCancel;
        }
    } catch (...) {
        --modalDepth_;
        for (HWND h : disabled)
            if (h != self && IsWindow(h)) EnableWindow(h, TRUE);
        SetVisible(false);
        throw;
    }
    --modalDepth_;
    for (HWND h : disabled)
        if (h != self && IsWindow(h)) EnableWindow(h, TRUE);
    SetVisible(false);
    return modalResult_;
}

void TForm::Close()
{
    if (OnClose) OnClose(this);
    if (modalDepth_ > 0) {
        modalResult_ = mrCancel;
        return;
    }
    SetVisible(false);
    if (Application && Application->MainForm() == this) Application->Terminate();
}

bool TForm::HandleUserMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= WM_USER && msg < 0x8000) {
        LRESULT r = 0;
        if (HandleUserMessage(msg, wParam, lParam, r)) return r;
    }
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case kWmDpiChanged:
        if (lParam) DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(Handle())) {
            if (activeControl_ && activeControl_->Usable()) {
                activeControl_->SetFocus();
                return 0;
            }
            if (FocusFallbackControl(this)) return 0;
        }
        break;
    default:
        break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

NIMBO_DEFINE_CLASS(TApplication, TComponent, false, (void)0)

TApplication::TApplication() = default;
TApplication::~TApplication() = default;

bool TApplication::ProcessMessage()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // The keyboard operation of our forms (Tab, Enter, Esc, accelerators).
    if (IsDialogKeyMessage(msg.message) && msg.hwnd) {
        auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
        if (form && FormDialogKey(form, msg)) return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::ProcessMessages()
{
    while (ProcessMessage()) {}
}

void TApplication::HandleMessage()
{
    if (!ProcessMessage()) WaitMessage();
}

void TApplication::Run()
{
    if (mainForm_) mainForm_->Show();
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate()
{
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::HandleException(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    ShowException(ex ? ex->Message() : String(e.what()));
}

void TApplication::ShowException(const String& message)
{
    if (OnException) {
        OnException(message);
        return;
    }
    String text = message;
    if (!text.empty() && text.back() > '.') text += '.';
    MessageBoxA(GetActiveWindow(), text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

int MessageDlg(const String& text, TMsgDlgType type, unsigned buttons)
{
    if (Application && Application->OnQuestion)
        if (const int answer = Application->OnQuestion(text, buttons)) return answer;
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    UINT flags = 0;
    auto has = [buttons](TMsgDlgBtn b) { return (buttons & (1u << b)) != 0; };
    if (has(mbAbort) && has(mbRetry) && has(mbIgnore))
        flags = MB_ABORTRETRYIGNORE;
    else if (has(mbYes) && has(mbNo) && has(mbCancel))
        flags = MB_YESNOCANCEL;
    else if (has(mbYes) && has(mbNo))
        flags = MB_YESNO;
    else if (has(mbRetry) && has(mbCancel))
        flags = MB_RETRYCANCEL;
    else if (has(mbOK) && has(mbCancel))
        flags = MB_OKCANCEL;
    else
        flags = MB_OK;
    switch (type) {
    case mtWarning:
        flags |= MB_ICONWARNING;
        break;
    case mtError:
        flags |= MB_ICONERROR;
        break;
    case mtInformation:
        flags |= MB_ICONINFORMATION;
        break;
    case mtConfirmation:
        flags |= MB_ICONQUESTION;
        break;
    default:
        break;
    }
    const char* caption = type == mtCustom && Application ? Application->Title().c_str() : captions[type];
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption, flags | MB_TASKMODAL);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
