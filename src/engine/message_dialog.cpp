#include "engine/message_dialog.h"

#include <cmath>
#include <memory>

#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "framework/win32/extctrls.h"
#include "framework/properties.h"

String NimboMessageText(const TNimboInfo* controller, unsigned n)
{
    if (controller) return controller->GetMessageText(n);
    char buf[2048];
    const int len = LoadStringA(GetModuleHandleA(nullptr), 5000 + n, buf, sizeof buf);
    return len > 0 ? String(buf, static_cast<size_t>(len)) : String("*** String not found ***");
}

namespace {
// The form of one message dialog; it exists only for the modal run.
class TNimboMessageForm : public TForm {
    NIMBO_CLASS()
};
NIMBO_DEFINE_CLASS(TNimboMessageForm, TForm, false, (void)0)

struct ButtonSpec {
    TMsgDlgBtn member;
    TBitBtnKind kind;
    unsigned message;
};
// The order buttons appear in: All comes before Ignore.
const ButtonSpec kButtons[] = {
    {mbYes, bkYes, 15},      {mbNo, bkNo, 16},       {mbOK, bkOK, 17},         {mbCancel, bkCancel, 11},
    {mbAbort, bkAbort, 18},  {mbRetry, bkRetry, 12}, {mbAll, bkAll, 14},       {mbIgnore, bkIgnore, 13},
    {mbHelp, bkHelp, 19},
};

int Round80(int v) { return static_cast<int>(std::lround(v * 0.8)); }
}  // namespace

int ShowMessageDialog(TNimboInfo* controller, const String& text, TMsgDlgType kind, unsigned buttons, int)
{
    if (const int answer = UnattendedAnswer(text, buttons & ((1u << 9) - 1), false)) return answer;
    TNimboMessageForm* form = NewComponent<TNimboMessageForm>(Application);
    std::unique_ptr<TComponent, TComponentDeleter> guard(form);
    form->SetBounds(10, 10, form->Width(), form->Height());
    form->SetBorderIcons(0);
    form->SetBorderStyle(bsDialog);
    form->Font()->SetName("Arial");
    form->Font()->SetSize(9);
    form->Font()->SetStyle(1u << fsBold);
    static const unsigned captions[] = {21, 22, 24, 23};
    form->SetCaption(kind == mtCustom ? String() : NimboMessageText(controller, captions[kind]));

    auto* bar = NewComponent<TPanel>(form);
    bar->SetName("ButtonBar");
    bar->SetBevelOuter(bvNone);
    bar->SetHeight(38);
    bar->SetParent(form);
    bar->SetAlign(alBottom);

    buttons &= (1u << 9) - 1;
    int count = 0;
    for (unsigned b = buttons; b; b &= b - 1) ++count;
    if (count == 0) {
        buttons = NimboDialogButton(mbOK);
        count = 1;
    }
    std::vector<TBitBtn*> made;
    for (int i = 0; i < count; ++i) {
        for (const ButtonSpec& spec : kButtons) {
            if (!(buttons & NimboDialogButton(spec.member))) continue;
            buttons &= ~NimboDialogButton(spec.member);
            auto* b = NewComponent<TBitBtn>(form);
            b->SetName("B" + IntToStr(i + 1));
            b->SetKind(spec.kind);
            b->SetCaption(NimboMessageText(controller, spec.message));
            b->SetBounds(i * 98 + 10, 5, 90, 25);
            b->SetParent(bar);
            made.push_back(b);
            break;
        }
    }

    auto* image = NewComponent<TImage>(form);
    image->SetName("Image");
    image->SetWidth(52);
    image->SetCenter(true);
    image->SetParent(form);
    image->SetAlign(alLeft);
    static const LPCSTR icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
    if (kind != mtCustom) image->SetIcon(LoadIconA(nullptr, icons[kind]));

    auto* memo = NewComponent<TMemo>(form);
    memo->SetName("Message");
    memo->SetBorderStyle(bsNoBorder);
    memo->SetColor(clBtnFace);
    memo->SetReadOnly(true);
    memo->SetTabStop(false);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    const String shown = "\r\n" + text + "\r\n";
    memo->SetCaption(shown);

    // Width from the widest line, within 80 % of the screen.
    TCanvas& canvas = form->Canvas();
    unsigned widest = 0;
    for (const String& line : memo->Lines()->Lines()) {
        const unsigned w = static_cast<uint16_t>(canvas.TextWidth(line));
        if (w > widest) widest = w;
    }
    int w = static_cast<int>(widest);
    if (w < count * 98 + 10) w = count * 98 - 8;
    const int maxW = Round80(GetSystemMetrics(SM_CXFULLSCREEN));
    if (w > maxW) w = maxW;
    form->SetWidth(2 * GetSystemMetrics(SM_CXBORDER) + w + 52 + 10);

    // Buttons centred in the bar.
    const int start = (bar->Width() - count * 98) / 2;
    for (int i = 0; i < count; ++i) made[static_cast<size_t>(i)]->SetLeft(start + i * 98);

    // Height from the lines as the memo shows them, within 80 % of the screen.
    int h = memo->DisplayLineCount() * canvas.TextHeight("X");
    const int maxH = Round80(GetSystemMetrics(SM_CYFULLSCREEN));
    if (h > maxH) h = maxH;
    form->SetHeight(GetSystemMetrics(SM_CYCAPTION) + h + GetSystemMetrics(SM_CYBORDER) + 38 + 10);

    // Shown at its computed size in the middle of the screen (a maximized
    // message box would hide everything behind it and ignore this sizing).
    form->SetPosition(poScreenCenter);
    form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2, form->Width(), form->Height());
    // Enter gives the first answer, Esc the Cancel or No answer, or the OK
    // of a dialog that only informs.
    if (!made.empty()) {
        made.front()->SetDefault(true);
        form->SetActiveControl(made.front());
    }
    TBitBtn* escape = nullptr;
    for (TBitBtn* b : made)
        if (b->Kind() == bkCancel || (b->Kind() == bkNo && !escape)) escape = b;
    if (!escape && made.size() == 1 && made.front()->Kind() == bkOK) escape = made.front();
    if (escape) escape->SetCancel(true);
    return form->ShowModal();
}
