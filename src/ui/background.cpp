#include "ui/background.h"

#include "engine/run_switches.h"

#include "engine/message_dialog.h"
#include "engine/nimbo_component.h"
#include "framework/properties.h"

namespace {
// The files named one a line, the first ten of them.
String NamesOf(const std::vector<String>& files)
{
    constexpr size_t kShown = 10;
    String names = "\r\n";
    for (size_t i = 0; i < files.size() && i < kShown; ++i) names += "\r\n" + files[i];
    if (files.size() > kShown) names += "\r\n...";
    return names;
}

// Posted by the start timer: the run starts from the message loop once the
// timer that asked for it is gone.
constexpr UINT WM_NIMBO_START = WM_USER + 40;
}  // namespace

// The name label. It sits on the gradient, so it paints the part of the
// gradient it covers before its text: a transparent label.
class TNimboNameLabel : public TLabel {
public:
    TNimboBackground* background = nullptr;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg != WM_PAINT || !background) return TLabel::WndProc(msg, wParam, lParam);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        TCanvas canvas(dc);
        POINT old;
        SetViewportOrgEx(dc, -Left(), -Top(), &old);
        background->DrawGradient(canvas);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
        SetBkMode(dc, TRANSPARENT);
        canvas.SelectFont(*Font());
        Paint(canvas);
        EndPaint(Handle(), &ps);
        return 0;
    }
};

NIMBO_DEFINE_CLASS(TNimboBackground, TPanel, true,
                   p.Object("AppFont", &TNimboBackground::AppFont)
                       .Str("AppName", &TNimboBackground::SetAppName)
                       .Ref("AutoSetup", &TNimboBackground::SetAutoSetup)
                       .Ref("AutoUnInstall", &TNimboBackground::SetAutoUnInstall)
                       .Bool("DisplayMessage", &TNimboBackground::SetDisplayMessage)
                       .Custom("EndColor", [](TNimboBackground* b, TFormReader& r) { b->SetEndColor(ReadColor(r)); })
                       .Int("Gradations", &TNimboBackground::SetGradations)
                       .Bool("MaximizeWindow", &TNimboBackground::SetMaximizeWindow)
                       .Bool("ShowAppName", &TNimboBackground::SetShowAppName)
                       .Custom("StartColor",
                               [](TNimboBackground* b, TFormReader& r) { b->SetStartColor(ReadColor(r)); }))

TNimboBackground::TNimboBackground()
{
    appFont_.SetColor(clWhite);
    appFont_.SetName("Arial");
    appFont_.SetSize(20);
    appFont_.SetStyle((1u << fsBold) | (1u << fsItalic));
    appFont_.OnChange = [this] {
        if (label_) label_->Font()->Assign(&appFont_);
    };
    SetBevelOuter(bvNone);
}

TNimboBackground::~TNimboBackground()
{
    if (label_) {
        TLabel* l = label_;
        label_ = nullptr;
        l->Free();
    }
}

void TNimboBackground::Create(TComponent* owner)
{
    TPanel::Create(owner);
    auto* label = NewComponent<TNimboNameLabel>(nullptr);
    label->background = this;
    label_ = label;
    if (!HasState(csDesigning)) {
        timer_ = NewComponent<TTimer>(this);
        // The run starts once the background has been painted; with no
        // window to paint it need not wait.
        timer_->SetInterval(Application->WindowsHidden() ? 1 : 100);
        timer_->SetOnTimer([this](TObject*) { StartTimerTick(); });
    }
    SetUpLabel();
}

void TNimboBackground::SetUpLabel()
{
    if (!label_) return;
    label_->SetParent(this);
    label_->SetCaption(controller_ ? controller_->AppName() : String("(none)"));
    label_->SetBounds(ScaleDesign(10), ScaleDesign(10), label_->Width(), label_->Height());
    label_->SetTransparent(true);
    label_->SetVisible(showAppName_);
    label_->Font()->Assign(&appFont_);
}

void TNimboBackground::ChangeScale(int to, int from)
{
    TPanel::ChangeScale(to, from);
    // The label's font is a copy of this one: it follows.
    appFont_.SetHeight(ScaleLength(appFont_.Height(), to, from));
}

void TNimboBackground::Loaded()
{
    TPanel::Loaded();
    if (!HasState(csDesigning) && maximizeWindow_)
        if (auto* form = dynamic_cast<TForm*>(Parent())) form->SetWindowState(wsMaximized);
    SetUpLabel();
}

void TNimboBackground::Notification(TComponent* component, TOperation operation)
{
    TPanel::Notification(component, operation);
    if (operation == TOperation::opInsert) {
        if (auto* info = dynamic_cast<TNimboInfo*>(component)) LinkController(info);
        return;
    }
    if (component == controller_) {
        controller_ = nullptr;
        if (label_) label_->SetCaption("(none)");
    }
    if (component == autoSetup_) autoSetup_ = nullptr;
    if (component == autoUnInstall_) autoUnInstall_ = nullptr;
}

void TNimboBackground::LinkController(TNimboInfo* controller)
{
    controller_ = controller;
    if (label_) label_->SetCaption(controller ? controller->AppName() : String("(none)"));
}

void TNimboBackground::SetAppFont(const TFont* font)
{
    appFont_.Assign(font);
    if (label_) label_->Font()->Assign(&appFont_);
}

String TNimboBackground::AppName() const { return controller_ ? controller_->AppName() : String(); }

void TNimboBackground::SetAppName(const String& v)
{
    if (!controller_) return;
    controller_->SetAppName(v);
    if (label_) label_->SetCaption(controller_->AppName());
    Invalidate();
}

void TNimboBackground::SetAutoSetup(TNimboPage* p)
{
    autoSetup_ = p;
    if (p) FreeNotification(p);
}

void TNimboBackground::SetAutoUnInstall(TNimboPage* p)
{
    autoUnInstall_ = p;
    if (p) FreeNotification(p);
}

namespace {
// The whole background, the label over it included.
void RepaintAll(TWinControl* c)
{
    if (c->HandleAllocated()) RedrawWindow(c->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}
}  // namespace

void TNimboBackground::SetStartColor(TColor c)
{
    startColor_ = c;
    RepaintAll(this);
}

void TNimboBackground::SetEndColor(TColor c)
{
    endColor_ = c;
    RepaintAll(this);
}

void TNimboBackground::SetGradations(int n)
{
    if (n <= 0)
        MessageDlg("Gradations cannot be less than 1", mtInformation, 1u << mbOK);
    else
        gradations_ = n;
    RepaintAll(this);
}

void TNimboBackground::SetShowAppName(bool v)
{
    showAppName_ = v;
    if (label_) {
        label_->SetVisible(v);
        label_->Invalidate();
    }
}

void TNimboBackground::Paint(TCanvas& canvas)
{
    painted_ = true;
    DrawGradient(canvas);
}

void TNimboBackground::DrawGradient(TCanvas& canvas)
{
    HDC dc = canvas.Handle();
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    SetROP2(dc, R2_COPYPEN);
    // Colours are used as plain values: a system colour is not translated.
    const int start[3] = {startColor_ & 0xFF, (startColor_ >> 8) & 0xFF, (startColor_ >> 16) & 0xFF};
    const int delta[3] = {(endColor_ & 0xFF) - start[0], ((endColor_ >> 8) & 0xFF) - start[1],
                          ((endColor_ >> 16) & 0xFF) - start[2]};
    const int n = gradations_;
    for (int i = 1; i <= n; ++i) {
        const RECT client = ClientRect();
        const int top = ::MulDiv(i - 1, client.bottom, n);
        const int bottom = ::MulDiv(i, client.bottom, n);
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = (start[k] + ::MulDiv(i, delta[k], n)) & 0xFF;
        const RECT band{0, top, client.right, bottom};
        HBRUSH brush = CreateSolidBrush(RGB(c[0], c[1], c[2]));
        ::FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

LRESULT TNimboBackground::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        // Every band covers its rows: nothing to clear first.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        TCanvas canvas(dc);
        Paint(canvas);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_NIMBO_START:
        if (timer_) {
            TTimer* t = timer_;
            timer_ = nullptr;
            t->Free();
        }
        StartRun();
        return 0;
    default:
        return TPanel::WndProc(msg, wParam, lParam);
    }
}

void TNimboBackground::StartTimerTick()
{
    // Without windows nothing is ever painted. A process that hands the
    // run over to a restarted copy (the copy dialog's messages reach this
    // timer too) starts nothing itself.
    if ((!painted_ && !Application->WindowsHidden()) || !timer_ || !timer_->Enabled()) return;
    if (controller_ && controller_->HandingOver()) return;
    timer_->SetEnabled(false);
    PostMessageA(Handle(), WM_NIMBO_START, 0, 0);
}

void TNimboBackground::StartRun()
{
    const bool unInstall = controller_ && controller_->UnInstallMode();
    TNimboPage* page = unInstall ? autoUnInstall_ : autoSetup_;
    if (!page) return;  // nothing to run: the program stays with the background
    try {
        Report(page->Execute(), unInstall);
    } catch (...) {
        // Shown before the application is told to end (a box opened after
        // the quit request closes at once); the program still ends, since
        // no window is left from which the user could end it.
        HandleWindowException();
        SetRunExitCode(exitFailed);
    }
    Application->Terminate();
}

void TNimboBackground::Report(uint8_t result, bool unInstall)
{
    // Nobody cancels an unattended run: it ended because something failed.
    if (result != psDone) SetRunExitCode(Unattended() ? exitFailed : exitCancelled);
    // A page may end the run with its code and still let the chain go on
    // to its end (a /DIR refused by the directory page): that is no success.
    const bool done = result == psDone && RunExitCode() == exitDone;
    RunLog(done ? "Done." : "Ended without completing.");
    if (Unattended()) return;
    if (!controller_ || !displayMessage_) return;
    unsigned message;
    if (done)
        message = unInstall ? msgUnInstallCompleted : msgSetupCompleted;
    else if ((result == psCancelled || result == psDone) && !controller_->RollsBack())
        message = unInstall ? msgUnInstallFailed : msgSetupFailed;
    else
        return;  // an undone run says so once it is undone
    // Going on past a copy error is the user's choice, but not a success.
    const bool incomplete = result == psDone && !unInstall && controller_->NotInstalled() > 0;
    String text = incomplete ? Format(controller_->GetMessageText(msgFilesNotInstalled), controller_->NotInstalled()) +
                                   NamesOf(controller_->NotInstalledFiles())
                             : controller_->GetMessageText(message);
    if (result == psDone && !unInstall && controller_->RestartNeeded())
        text += "\r\n\r\n" + controller_->GetMessageText(msgRestartNeeded);
    ShowMessageDialog(controller_, text, incomplete ? mtWarning : mtInformation, NimboDialogButton(mbOK));
}
