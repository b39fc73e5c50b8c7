#include "engine/message_dialog.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/messages.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "framework/win32/extctrls.h"
#include "framework/properties.h"

String NimboMessageText(const TNimboInfo* controller, unsigned n)
{
    if (controller) return controller->GetMessageText(n);
    char buf[2048];
    const int len = LoadStringA(GetModuleHandleA(nullptr), kEnglishMessages + n, buf, sizeof buf);
    return len > 0 ? String(buf, static_cast<size_t>(len)) : String("*** String not found ***");
}

namespace {
// The form of one message dialog; it exists only for the modal run.
class TNimboMessageForm : public TForm {
    NIMBO_CLASS()
};
NIMBO_DEFINE_CLASS(TNimboMessageForm, TForm, false, (void)0)

// What each answer of a message dialog looks like: its button kind and the
// message that captions it.
struct TAnswerButton {
    TMsgDlgBtn answer;
    TBitBtnKind kind;
    unsigned caption;
};
// The order buttons appear in: All comes before Ignore.
const TAnswerButton kAnswerButtons[] = {
    {mbYes, bkYes, msgButtonYes},       {mbNo, bkNo, msgButtonNo},
    {mbOK, bkOK, msgButtonOK},          {mbCancel, bkCancel, msgButtonCancel},
    {mbAbort, bkAbort, msgButtonAbort}, {mbRetry, bkRetry, msgButtonRetry},
    {mbAll, bkAll, msgButtonAll},       {mbIgnore, bkIgnore, msgButtonIgnore},
    {mbHelp, bkHelp, msgButtonHelp},
};
constexpr unsigned kAnswerMask = (1u << 9) - 1;  // the answers a dialog can offer

// The dialog's layout, in pixels at the design density.
constexpr int kMargin = 10;
constexpr int kBarHeight = 38;  // the button bar along the bottom
constexpr int kButtonTop = 5;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 25;
constexpr int kButtonPitch = 98;  // from one button's left edge to the next one's
constexpr int kIconWidth = 52;    // the column of the kind's icon on the left

// A size within 80 % of the screen's.
int Round80(int v) { return static_cast<int>(std::lround(v * 0.8)); }

TNimboMessageForm* NewMessageForm(TNimboInfo* controller, TMsgDlgType kind)
{
    TNimboMessageForm* form = NewComponent<TNimboMessageForm>(Application);
    form->SetBounds(10, 10, form->Width(), form->Height());
    form->SetBorderIcons(0);
    form->SetBorderStyle(bsDialog);
    form->Font()->SetName("Arial");
    form->Font()->SetSize(9);
    form->Font()->SetStyle(1u << fsBold);
    // In the order of TMsgDlgType.
    static const unsigned captions[] = {msgCaptionWarning, msgCaptionError, msgCaptionInformation,
                                        msgCaptionConfirmation};
    form->SetCaption(kind == mtCustom ? String() : NimboMessageText(controller, captions[kind]));
    return form;
}

// One button per answer asked for, in the dialog's order, left to right
// from the bar's edge; OK when none is.
std::vector<TBitBtn*> AddButtons(TNimboMessageForm* form, TNimboInfo* controller, unsigned buttons)
{
    auto* bar = NewComponent<TPanel>(form);
    bar->SetName("ButtonBar");
    bar->SetBevelOuter(bvNone);
    bar->SetHeight(kBarHeight);
    bar->SetParent(form);
    bar->SetAlign(alBottom);
    if ((buttons & kAnswerMask) == 0) buttons = NimboDialogButton(mbOK);
    std::vector<TBitBtn*> made;
    for (const TAnswerButton& answer : kAnswerButtons) {
        if (!(buttons & NimboDialogButton(answer.answer))) continue;
        const int i = static_cast<int>(made.size());
        auto* b = NewComponent<TBitBtn>(form);
        b->SetName("B" + IntToStr(i + 1));
        b->SetKind(answer.kind);
        b->SetCaption(NimboMessageText(controller, answer.caption));
        b->SetBounds(i * kButtonPitch + kMargin, kButtonTop, kButtonWidth, kButtonHeight);
        b->SetParent(bar);
        made.push_back(b);
    }
    return made;
}

void AddIcon(TNimboMessageForm* form, TMsgDlgType kind)
{
    auto* image = NewComponent<TImage>(form);
    image->SetName("Image");
    image->SetWidth(kIconWidth);
    image->SetCenter(true);
    image->SetParent(form);
    image->SetAlign(alLeft);
    static const LPCSTR icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
    if (kind != mtCustom) image->SetIcon(LoadIconA(nullptr, icons[kind]));
}

TMemo* AddText(TNimboMessageForm* form, const String& text)
{
    auto* memo = NewComponent<TMemo>(form);
    memo->SetName("Message");
    memo->SetBorderStyle(bsNoBorder);
    memo->SetColor(clBtnFace);
    memo->SetReadOnly(true);
    memo->SetTabStop(false);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    memo->SetCaption("\r\n" + text + "\r\n");
    return memo;
}

// Wide enough for the widest line and the buttons, high enough for the
// lines as the memo shows them, each within 80 % of the screen; the
// buttons centred; the whole in the middle of the screen (a maximized
// message box would hide everything behind it and ignore this sizing).
void SizeAndPlace(TNimboMessageForm* form, TMemo* memo, const std::vector<TBitBtn*>& made)
{
    const int count = static_cast<int>(made.size());
    const int pitch = form->ScaleDesign(kButtonPitch), margin = form->ScaleDesign(kMargin);
    TCanvas& canvas = form->Canvas();
    unsigned widest = 0;
    for (const String& line : memo->Lines()->Lines()) {
        const unsigned w = static_cast<uint16_t>(canvas.TextWidth(line));
        if (w > widest) widest = w;
    }
    int w = static_cast<int>(widest);
    if (w < count * pitch + margin) w = count * pitch - (pitch - form->ScaleDesign(kButtonWidth));
    w = std::min(w, Round80(GetSystemMetrics(SM_CXFULLSCREEN)));
    form->SetWidth(2 * GetSystemMetrics(SM_CXBORDER) + w + form->ScaleDesign(kIconWidth) + margin);

    const int start = (made.front()->Parent()->Width() - count * pitch) / 2;
    for (int i = 0; i < count; ++i) made[static_cast<size_t>(i)]->SetLeft(start + i * pitch);

    const int h =
        std::min(memo->DisplayLineCount() * canvas.TextHeight("X"), Round80(GetSystemMetrics(SM_CYFULLSCREEN)));
    form->SetHeight(GetSystemMetrics(SM_CYCAPTION) + h + GetSystemMetrics(SM_CYBORDER) + form->ScaleDesign(kBarHeight) +
                    margin);

    form->SetPosition(poScreenCenter);
    form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2, form->Width(), form->Height());
}

// Enter gives the first answer, Esc the Cancel or No answer, or the OK of
// a dialog that only informs.
void SetKeys(TNimboMessageForm* form, const std::vector<TBitBtn*>& made)
{
    made.front()->SetDefault(true);
    form->SetActiveControl(made.front());
    TBitBtn* escape = nullptr;
    for (TBitBtn* b : made)
        if (b->Kind() == bkCancel || (b->Kind() == bkNo && !escape)) escape = b;
    if (!escape && made.size() == 1 && made.front()->Kind() == bkOK) escape = made.front();
    if (escape) escape->SetCancel(true);
}
}  // namespace

int ShowMessageDialog(TNimboInfo* controller, const String& text, TMsgDlgType kind, unsigned buttons, int)
{
    if (const int answer = UnattendedAnswer(text, buttons & kAnswerMask, false)) return answer;
    TNimboMessageForm* form = NewMessageForm(controller, kind);
    std::unique_ptr<TComponent, TComponentDeleter> guard(form);
    const std::vector<TBitBtn*> made = AddButtons(form, controller, buttons);
    AddIcon(form, kind);
    TMemo* memo = AddText(form, text);
    // Made at the design density, then laid out for the monitor's.
    form->ScaleTo(form->MonitorPixelsPerInch());
    SizeAndPlace(form, memo, made);
    SetKeys(form, made);
    return form->ShowModal();
}
