// Forms (top-level windows read from form resources, with a modal run and
// a modal result) and the application object with its message loop.
#pragma once

#include <functional>
#include <vector>

#include "framework/win32/controls.h"

enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8
};
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
const TEnumInfo& WindowStateNames();
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };

class TForm : public TWinControl {
    NIMBO_CLASS()

public:
    TForm();
    ~TForm() override;
    void Create(TComponent* owner) override;

    // Reads the form resource (RCDATA) of this form's class name, or of
    // `resourceName`, then fires OnCreate.
    void ReadFormResource(const String& resourceName = "");
    void ReadFormData(const uint8_t* data, size_t size);

    int ShowModal();
    void Close();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(int v) { modalResult_ = static_cast<TModalResult>(v); }
    bool InModalRun() const { return modalDepth_ > 0; }

    void SetVisible(bool v) override;
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    void SetBorderStyle(TFormBorderStyle v) { borderStyle_ = v; }
    void SetBorderIcons(unsigned v) { borderIcons_ = v; }
    void SetPosition(TPosition v) { position_ = v; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v);
    void SetActiveControl(TWinControl* c);
    TWinControl* ActiveControl() const { return activeControl_; }
    TCanvas& Canvas();  // measures and draws with the form's font

    // The density the form is laid out for: its resource's PixelsPerInch
    // while it is read, the monitor's once it is scaled.
    int PixelsPerInch() const override { return pixelsPerInch_; }
    void SetPixelsPerInch(int v);
    // The density of the form's resource: lengths and fonts of its
    // non-visual components (a page's font) are in its pixels.
    int DesignPixelsPerInch() const { return designPixelsPerInch_; }
    // Whether a form read from a resource is scaled to its monitor.
    void SetScaled(bool v) { scaled_ = v; }
    // Lays the form and its controls out again for another density.
    void ScaleTo(int pixelsPerInch);
    // The density of the monitor the form shows on, or will show on.
    int MonitorPixelsPerInch();

    TNotifyEvent OnCreate, OnShow, OnClose, OnDestroy;

    void Notification(TComponent* component, TOperation operation) override;
    void FocusChanged(TWinControl* focused) override;

protected:
    void FocusLost() override;
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A custom message of the form's own (WM_USER + n); true when handled.
    virtual bool HandleUserMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void DoShow();
    void ApplyPosition();
    void ScaleBounds(int to, int from) override;
    // The system moved the window to a monitor of another density.
    void DpiChanged(int pixelsPerInch, const RECT& suggested);

    TFormBorderStyle borderStyle_ = bsSizeable;
    unsigned borderIcons_ = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TModalResult modalResult_ = mrNone;
    int clientWidth_ = -1, clientHeight_ = -1;
    TWinControl* activeControl_ = nullptr;
    int pixelsPerInch_ = kDesignPixelsPerInch;
    int designPixelsPerInch_ = kDesignPixelsPerInch;
    bool scaled_ = true;

private:
    int modalDepth_ = 0;
    bool shown_ = false;
    HDC canvasDC_ = nullptr;
    TCanvas canvas_;
};

class TApplication : public TComponent {
    NIMBO_CLASS()

public:
    TApplication();
    ~TApplication() override;

    const String& Title() const { return title_; }
    void SetTitle(const String& v) { title_ = v; }
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* f) { mainForm_ = f; }

    // Shows the main form and dispatches messages until Terminate.
    void Run();
    // Dispatches every pending message, then returns.
    void ProcessMessages();
    // Dispatches one message, waiting for one when none is pending.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // An unattended run without any window: forms are made but never shown.
    bool WindowsHidden() const { return windowsHidden_; }
    void SetWindowsHidden(bool v) { windowsHidden_ = v; }
    // Answers a question of MessageDlg without showing it (unattended runs);
    // returns 0 to have the box shown.
    std::function<int(const String& text, unsigned buttons)> OnQuestion;
    // The default handler: shows the exception's message in the standard box.
    void HandleException(const std::exception& e);
    void ShowException(const String& message);
    std::function<void(const String&)> OnException;

private:
    bool ProcessMessage();
    String title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool windowsHidden_ = false;
};

extern TApplication* Application;

// Creates a form of class T owned by the application from its resource.
template <class T> T* CreateForm()
{
    T* f = NewComponent<T>(Application);
    try {
        f->ReadFormResource();
    } catch (...) {
        f->Free();
        throw;
    }
    if (!Application->MainForm()) Application->SetMainForm(f);
    return f;
}

// The framework's standard message box.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
int MessageDlg(const String& text, TMsgDlgType type, unsigned buttons);

// This thread's visible and enabled top-level windows, the front one first:
// while a modal form or box is up, only it.
std::vector<HWND> EnabledThreadWindows();

// Screen metrics.
int ScreenWidth();
int ScreenHeight();
