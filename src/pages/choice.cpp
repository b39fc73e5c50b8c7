#include "pages/choice.h"

#include <algorithm>

#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboChoice, TNimboPage, false, NIMBO_PAGE_PROPS(TNimboChoice))
NIMBO_DEFINE_CLASS(TNimboCheckBoxChoice, TNimboChoice, true, (void)0)
NIMBO_DEFINE_CLASS(TNimboRadioChoice, TNimboChoice, true, (void)0)

namespace {
constexpr int kButtonHeight = 17;

// A title that takes clicks (a plain label lets them through to its parent).
class TChoiceTitle : public TLabel {
protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_NCHITTEST) return HTCLIENT;
        if (msg == WM_LBUTTONUP) {
            Click();
            return 0;
        }
        return TLabel::WndProc(msg, wParam, lParam);
    }
};

// A description that reads as text, not as an edit field: arrow cursor, no
// caret or selection, and a click that chooses the row.
class TChoiceDescription : public TMemo {
protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        switch (msg) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return 0;
        case WM_LBUTTONUP:
            Click();
            return 0;
        default:
            return TMemo::WndProc(msg, wParam, lParam);
        }
    }
};

template <class T> void FreeAll(std::vector<T*>& controls)
{
    for (T* c : controls) c->Free();
    controls.clear();
}

TWinControl* ChoicesPage() { return NimboPagesForm->nbPage->Pages(wpChoices); }
}  // namespace

TNimboChoice::TNimboChoice() = default;

TNimboChoice::~TNimboChoice() { FreeControls(); }

TNimboChoiceData* TNimboChoice::ChoiceData() const { return script_ ? script_->FindChoiceData(Name()) : nullptr; }

void TNimboChoice::RegisterScriptEntry()
{
    if (script_) script_->AddChoiceData(Name());
}

void TNimboChoice::UnregisterScriptEntry()
{
    if (script_) script_->DeleteChoiceData(script_->FindChoiceData(Name()));
}

void TNimboChoice::RenameScriptEntry(const String& from, const String& to) { script_->RenameChoiceData(from, to); }

void TNimboChoice::FitSelection()
{
    const TNimboChoiceData* data = ChoiceData();
    if (!data) return;
    selection_.resize(static_cast<size_t>(data->Items().Count()), 0);
}

size_t TNimboChoice::SelectionSlot(int index)
{
    FitSelection();
    if (index < 1 || index > static_cast<int>(selection_.size())) throw ENimboError("Selection index out of bounds.");
    return static_cast<size_t>(index - 1);
}

bool TNimboChoice::GetSelected(int index) { return selection_[SelectionSlot(index)] == 1; }

void TNimboChoice::SetSelected(int index, bool value) { selection_[SelectionSlot(index)] = value ? 1 : 0; }

TCheckBox* TNimboChoice::ButtonOfRow(int tag) const
{
    return tag >= 1 && tag <= static_cast<int>(buttons_.size()) ? buttons_[static_cast<size_t>(tag - 1)] : nullptr;
}

void TNimboChoice::PageActive()
{
    // Nothing to choose: move on as if Next was pressed, so Common still applies.
    if (shownItems_.Count() == 0) state_ = psNext;
}

void TNimboChoice::ShowPage()
{
    TNimboPage::ShowPage();
    if (!controller_) return;
    FitSelection();
    TNimboPagesForm* f = NimboPagesForm;
    f->SetCaption(controller_->GetMessageText(msgChoiceCaption));
    f->nbPage->SetPageIndex(wpChoices);
    FreeControls();
    shownItems_.Clear();
    if (const TNimboChoiceData* data = ChoiceData()) data->ListItems(shownItems_);
    const int n = shownItems_.Count();
    if (n == 0) return;
    TWinControl* page = ChoicesPage();
    const int rowHeight = f->nbPage->Height() / n;
    const int textLeft = f->ScaleDesign(buttonWidth_ + gap_);
    const int textWidth = f->nbPage->Width() - textLeft;
    auto click = [this](TObject* sender) { ItemClick(sender); };
    for (int a = 0; a < n; ++a) {
        const auto* item = static_cast<const TNimboChoiceItem*>(shownItems_.Objects(a));
        const int top = a * rowHeight;
        auto* title = NewComponent<TChoiceTitle>(nullptr);
        labels_.push_back(title);
        title->SetName("laCHTitle" + IntToStr(a + 1));
        title->SetTag(a + 1);
        title->SetParent(page);
        title->Font()->SetStyle(title->Font()->Style() | (1u << fsBold));
        title->SetBounds(textLeft, top, textWidth, 0);
        if (item->Title().empty()) {
            // No title: the description moves up into its place.
            title->SetAutoSize(false);
            title->SetHeight(0);
        } else {
            title->SetCaption(item->Title());
        }
        title->OnClick = click;

        auto* text = NewComponent<TChoiceDescription>(nullptr);
        memos_.push_back(text);
        text->SetName("meCHDescription" + IntToStr(a + 1));
        text->SetTag(a + 1);
        text->SetBorderStyle(bsNoBorder);
        text->SetColor(clBtnFace);
        text->SetReadOnly(true);
        text->SetTabStop(false);
        text->SetWantReturns(false);
        text->SetWordWrap(true);
        text->SetBounds(textLeft, top + title->Height(), textWidth, rowHeight - title->Height() + 2);
        text->Lines()->Assign(item->Description());
        text->SetParent(page);
        text->OnClick = click;
    }
}

void TNimboChoice::BuildButtons(bool radio)
{
    TWinControl* page = ChoicesPage();
    const int n = shownItems_.Count();
    const int rowHeight = n ? NimboPagesForm->nbPage->Height() / n : 0;
    for (int a = 0; a < n; ++a) {
        TCheckBox* b = radio ? NewComponent<TRadioButton>(nullptr) : NewComponent<TCheckBox>(nullptr);
        buttons_.push_back(b);
        b->SetName((radio ? "rbCHItem" : "cbCHItem") + IntToStr(a + 1));
        b->SetTag(a + 1);
        b->SetBounds(0, a * rowHeight, NimboPagesForm->ScaleDesign(buttonWidth_),
                     NimboPagesForm->ScaleDesign(kButtonHeight));
        b->SetCaption("");
        b->SetTabStop(true);
        b->SetChecked(GetSelected(a + 1));
        b->SetParent(page);
    }
    // Connected only now, so setting the states above chose nothing.
    for (TCheckBox* b : buttons_) b->OnClick = [this](TObject* sender) { ItemClick(sender); };
    if (!radio || buttons_.empty()) return;
    int checked = 0;
    for (TCheckBox* b : buttons_) checked += b->Checked() ? 1 : 0;
    // Exactly one install type is always chosen, by default the first.
    if (checked != 1) SetSelected(1, true);
}

void TNimboChoice::ShowWithButtons(bool radio)
{
    if (!controller_) return TNimboChoice::ShowPage();
    // The panel hides the rows while they are built.
    TPanel* cover = NimboPagesForm->paObscure;
    cover->Show();
    cover->BringToFront();
    TNimboChoice::ShowPage();
    BuildButtons(radio);
    cover->SendToBack();
    cover->Hide();
}

void TNimboChoice::ClickRow(TObject* sender, bool toggleOnText)
{
    auto* control = dynamic_cast<TWinControl*>(sender);
    if (!control) return;
    if (auto* button = dynamic_cast<TCheckBox*>(sender)) {
        SetSelected(button->Tag(), button->Checked());
        return;
    }
    if (TCheckBox* button = ButtonOfRow(control->Tag())) {
        SetSelected(button->Tag(), toggleOnText ? !button->Checked() : true);
        button->SetFocus();
    }
}

void TNimboChoice::FreeControls()
{
    FreeAll(memos_);
    FreeAll(labels_);
    FreeAll(buttons_);
}

void TNimboChoice::ItemClick(TObject*) {}

void TNimboChoice::ApplyItem(TNimboChoiceItem* item)
{
    if (!item) return;
    // Only the per-directory file lists count; named groups are not consulted.
    const TNimboFileGroupList* add = item->Add();
    for (int i = 0; i < add->Dirs().Count() && i < add->FileListCount(); ++i)
        for (TNimboFile* file : add->FileLists(i)->Files())
            if (controller_->SelectFile(file, add->Dirs()[i])) changes_.push_back({add->Dirs()[i], file, true});
    const TNimboFileGroupList* remove = item->Remove();
    for (int i = 0; i < remove->Dirs().Count() && i < remove->FileListCount(); ++i)
        for (TNimboFile* file : remove->FileLists(i)->Files())
            if (controller_->UnselectFile(file, remove->Dirs()[i]))
                changes_.push_back({remove->Dirs()[i], file, false});
}

void TNimboChoice::TakeBackChanges()
{
    for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
        if (it->added)
            controller_->UnselectFile(it->file, it->dir);
        else
            controller_->SelectFile(it->file, it->dir);
    }
    changes_.clear();
}

void TNimboChoice::DoNext()
{
    TNimboChoiceData* data = ChoiceData();
    if (!controller_ || !data) return;
    // Back here from a later page: what the last Next applied goes first,
    // so the selected files always follow what the page shows now.
    TakeBackChanges();
    ApplyItem(data->Common());
    FitSelection();
    for (int i = 0; i < data->Items().Count() && i < static_cast<int>(selection_.size()); ++i)
        if (selection_[static_cast<size_t>(i)] == 1) ApplyItem(data->Items()[i]);
    FreeControls();
    applied_ = true;
    String chosen;
    for (char c : ChoiceState()) chosen += c == '|' ? String(", ") : String(1, c);
    const bool types = SwitchChoice() == TSwitchChoice::installType;
    RunLog(String(types ? "Install type chosen: " : "Options chosen: ") + (chosen.empty() ? "none" : chosen));
    state_ = psDone;
    TNimboPage::DoNext();
}

String TNimboChoice::ChoiceState() const
{
    const TNimboChoiceData* data = ChoiceData();
    String state;
    for (int i = 0; data && i < data->Items().Count() && i < static_cast<int>(selection_.size()); ++i)
        if (selection_[static_cast<size_t>(i)] == 1) state += (state.empty() ? "" : "|") + data->Items()[i]->Name();
    return state;
}

std::vector<String> TNimboChoice::ChoiceNames() const
{
    std::vector<String> names;
    if (const TNimboChoiceData* data = ChoiceData())
        for (int i = 0; i < data->Items().Count(); ++i) names.push_back(data->Items()[i]->Name());
    return names;
}

void TNimboChoice::TakeEarlierChoice(const String& state)
{
    const TNimboChoiceData* data = ChoiceData();
    if (!data || data->Items().Count() == 0) return;
    std::vector<String> names;
    for (size_t b = 0, e; b <= state.size(); b = e + 1) {
        e = state.find('|', b);
        if (e == String::npos) e = state.size();
        names.push_back(state.substr(b, e - b));
    }
    // Items of this release only: a name the earlier one had and this one
    // lacks chooses nothing, and a type chosen then stays the default.
    for (int i = 0; i < data->Items().Count(); ++i) {
        const bool chosen = std::find(names.begin(), names.end(), data->Items()[i]->Name()) != names.end();
        if (chosen || dynamic_cast<TNimboCheckBoxChoice*>(this)) SetSelected(i + 1, chosen);
    }
}

void TNimboChoice::DoPrevious()
{
    applied_ = false;
    if (controller_) TakeBackChanges();
    FreeControls();
    TNimboPage::DoPrevious();
}

void TNimboChoice::DoCancel()
{
    FreeControls();
    TNimboPage::DoCancel();
}

// ---- Options: check boxes

TNimboCheckBoxChoice::TNimboCheckBoxChoice() = default;

void TNimboCheckBoxChoice::ShowPage() { ShowWithButtons(false); }

void TNimboCheckBoxChoice::ItemClick(TObject* sender) { ClickRow(sender, true); }

void TNimboCheckBoxChoice::SetSelected(int index, bool value)
{
    TNimboChoice::SetSelected(index, value);
    if (TCheckBox* box = ButtonOfRow(index)) box->SetChecked(GetSelected(index));
}

// ---- Install types: radio buttons

TNimboRadioChoice::TNimboRadioChoice() = default;

void TNimboRadioChoice::ShowPage() { ShowWithButtons(true); }

// A radio button cannot be turned off by the user: a click on a row's text
// chooses that row, also when it is chosen already.
void TNimboRadioChoice::ItemClick(TObject* sender) { ClickRow(sender, false); }

void TNimboRadioChoice::SetSelected(int index, bool value)
{
    std::fill(selection_.begin(), selection_.end(), 0);
    TNimboChoice::SetSelected(index, value);
    // Deselecting any item chooses the first.
    if (!value) selection_[0] = 1;
    if (buttons_.empty()) return;
    int chosen = 0;
    for (size_t i = 0; i < selection_.size(); ++i)
        if (selection_[i] == 1) chosen = static_cast<int>(i) + 1;
    for (TCheckBox* b : buttons_) b->SetChecked(b->Tag() == chosen);
}
