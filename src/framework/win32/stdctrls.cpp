#include "framework/win32/stdctrls.h"

#include <algorithm>

#include "framework/properties.h"

const TEnumInfo& AlignmentNames()
{
    static const TEnumInfo i{{"taLeftJustify", "taRightJustify", "taCenter"}};
    return i;
}

namespace {
const TEnumInfo& ScrollStyleNames()
{
    static const TEnumInfo i{{"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
    return i;
}
const TEnumInfo& BorderStyleNames()
{
    static const TEnumInfo i{{"bsNone", "bsSingle"}};
    return i;
}
const TEnumInfo& ComboStyleNames()
{
    static const TEnumInfo i{{"csDropDown", "csSimple", "csDropDownList"}};
    return i;
}
}  // namespace

const TEnumInfo& BitBtnKindNames()
{
    static const TEnumInfo i{{"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort",
                              "bkRetry", "bkIgnore", "bkAll"}};
    return i;
}

TForm* GetParentForm(TWinControl* control)
{
    while (control && control->Parent()) control = control->Parent();
    return dynamic_cast<TForm*>(control);
}

// ---- TLabel: painted by the framework, so colour and transparency follow the form.

NIMBO_DEFINE_CLASS(TLabel, TWinControl, true,
                   p.Bool("AutoSize", &TLabel::SetAutoSize)
                       .Enum("Alignment", &TLabel::SetAlignment, AlignmentNames())
                       .Bool("WordWrap", &TLabel::SetWordWrap)
                       .Bool("Transparent", &TLabel::SetTransparent)
                       .Ignore("Layout")
                       .Ignore("FocusControl"))

TLabel::TLabel() { parentColor_ = true; }

void TLabel::CreateParams(TCreateParams& params) { TWinControl::CreateParams(params); }

void TLabel::InitWnd()
{
    TWinControl::InitWnd();
    paintPending_ = false;
    textStale_ = false;
    StoreDrawFlags();
}

UINT TLabel::DrawFlags() const
{
    UINT flags = wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    return flags;
}

// A driver in another process measures the caption the way it is drawn.
void TLabel::StoreDrawFlags()
{
    if (HandleAllocated()) SetPropA(Handle(), "NimboDrawText", reinterpret_cast<HANDLE>(UINT_PTR{DrawFlags()}));
}

// A caption from the resource that nothing changes afterwards still gets
// its size.
void TLabel::Loaded()
{
    TWinControl::Loaded();
    AdjustSize();
}

void TLabel::ChangeScale(int to, int from)
{
    TWinControl::ChangeScale(to, from);
    // An auto-sized label takes the size of its text in the scaled font.
    AdjustSize();
}

LRESULT TLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    // The text is answered from the label itself: it may be newer than the
    // window's stored copy, which follows at the next paint.
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(caption_.size());
    case WM_GETTEXT: {
        if (wParam == 0) return 0;
        const size_t n = std::min(caption_.size(), static_cast<size_t>(wParam) - 1);
        char* out = reinterpret_cast<char*>(lParam);
        caption_.copy(out, n);
        out[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT:
        SetCaption(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return TRUE;
    case WM_NCDESTROY:
        RemovePropA(Handle(), "NimboDrawText");
        break;
    case WM_PAINT:
        paintPending_ = false;
        if (textStale_) {
            textStale_ = false;
            DefaultHandler(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
        }
        break;
    default:
        break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

String TLabel::Caption() const { return caption_; }

// A label that changes many times a second (the copy page's file names)
// costs one invalidation per paint cycle: the new text is kept, the label
// alone is marked for repainting once, and the window's stored copy of the
// text is brought up to date when it paints.
void TLabel::SetCaption(const String& v)
{
    if (v == caption_) return;
    caption_ = v;
    AdjustSize();
    if (!HandleAllocated()) return;
    textStale_ = true;
    if (!paintPending_) {
        paintPending_ = true;
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TLabel::FontChanged()
{
    TWinControl::FontChanged();
    AdjustSize();
}

void TLabel::AdjustSize()
{
    if (!autoSize_ || wordWrap_ || HasState(csLoading)) return;
    TMeasureDC m(&font_);
    RECT r{0, 0, 0, 0};
    const String text = caption_.empty() ? String(" ") : caption_;
    DrawTextA(m.Canvas().Handle(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
    SetBounds(left_, top_, r.right, r.bottom);
}

void TLabel::SetAutoSize(bool v)
{
    autoSize_ = v;
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment a)
{
    alignment_ = a;
    StoreDrawFlags();
    Invalidate();
}

void TLabel::SetWordWrap(bool v)
{
    wordWrap_ = v;
    StoreDrawFlags();
    Invalidate();
}

void TLabel::SetTransparent(bool v)
{
    transparent_ = v;
    Invalidate();
}

void TLabel::Paint(TCanvas& canvas)
{
    RECT r = ClientRect();
    const UINT flags = DrawFlags();
    if (!enabled_) SetTextColor(canvas.Handle(), GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(canvas.Handle(), caption_.c_str(), static_cast<int>(caption_.size()), &r, flags);
}

// ---- TEdit

NIMBO_DEFINE_CLASS(TEdit, TWinControl, true,
                   p.Bool("ReadOnly", &TEdit::SetReadOnly).Event("OnChange", &TEdit::OnChange).Ignore("AutoSize"))

TEdit::TEdit()
{
    color_ = clWindow;
    tabStop_ = true;
}

void TEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "EDIT";
    params.style |= ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::SetReadOnly(bool v)
{
    readOnly_ = v;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, v, 0);
}

void TEdit::CommandNotify(WORD code)
{
    if (code == EN_CHANGE) {
        caption_ = Caption();
        if (OnChange) OnChange(this);
    }
}

// ---- TMemo

NIMBO_DEFINE_CLASS(TMemo, TWinControl, true,
                   p.Lines("Lines", &TMemo::Lines)
                       .Bool("ReadOnly", &TMemo::SetReadOnly)
                       .Enum("ScrollBars", &TMemo::SetScrollBars, ScrollStyleNames())
                       .Enum("BorderStyle", &TMemo::SetBorderStyle, BorderStyleNames())
                       .Enum("Alignment", &TMemo::SetAlignment, AlignmentNames())
                       .Bool("WordWrap", &TMemo::SetWordWrap)
                       .Bool("WantReturns", &TMemo::SetWantReturns)
                       .Bool("WantTabs", &TMemo::SetWantTabs))

TMemo::TMemo()
{
    color_ = clWindow;
    tabStop_ = true;
    lines_.OnChange = [this] { LinesChanged(); };
}

void TMemo::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "EDIT";
    params.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (!wordWrap_) params.style |= ES_AUTOHSCROLL;
    if (readOnly_) params.style |= ES_READONLY;
    if (wantReturns_) params.style |= ES_WANTRETURN;
    if (alignment_ == taCenter) params.style |= ES_CENTER;
    if (alignment_ == taRightJustify) params.style |= ES_RIGHT;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.style |= WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.style |= WS_HSCROLL;
    if (borderStyle_ == bsSingleBorder) params.style |= WS_BORDER;
}

void TMemo::InitWnd()
{
    TWinControl::InitWnd();
    SendMessageA(Handle(), EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(Handle(), caption_.c_str());
}

void TMemo::SetCaption(const String& v)
{
    syncing_ = true;
    lines_.SetText(v);
    syncing_ = false;
    TWinControl::SetCaption(v);
}

TStringList* TMemo::Lines()
{
    // Keep the list in step with what the user typed.
    if (HandleAllocated() && !readOnly_) {
        syncing_ = true;
        lines_.SetText(Caption());
        syncing_ = false;
    }
    return &lines_;
}

void TMemo::LinesChanged()
{
    if (syncing_) return;
    String text;
    for (int i = 0; i < lines_.Count(); ++i) {
        if (i) text += "\r\n";
        text += lines_[i];
    }
    caption_ = text;
    if (HandleAllocated()) SetWindowTextA(Handle(), text.c_str());
}

void TMemo::SetReadOnly(bool v)
{
    readOnly_ = v;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, v, 0);
}

void TMemo::SetScrollBars(TScrollStyle s)
{
    if (s == scrollBars_) return;
    scrollBars_ = s;
    RecreateWnd();
}

void TMemo::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    RecreateWnd();
}

void TMemo::SetAlignment(TAlignment a)
{
    if (a == alignment_) return;
    alignment_ = a;
    RecreateWnd();
}

void TMemo::SetWordWrap(bool v)
{
    if (v == wordWrap_) return;
    wordWrap_ = v;
    RecreateWnd();
}

bool TMemo::WantsKey(WPARAM key)
{
    if (key == VK_RETURN) return !readOnly_ && wantReturns_;
    if (key == VK_TAB) return !readOnly_ && wantTabs_;
    return false;
}

int TMemo::DisplayLineCount()
{
    const int n = static_cast<int>(SendMessageA(Handle(), EM_GETLINECOUNT, 0, 0));
    // A final empty line (text ending in a line break) is not counted.
    if (n > 0) {
        const int start = static_cast<int>(SendMessageA(Handle(), EM_LINEINDEX, static_cast<WPARAM>(n - 1), 0));
        const int len = static_cast<int>(SendMessageA(Handle(), EM_LINELENGTH, static_cast<WPARAM>(start), 0));
        if (len == 0) return n - 1;
    }
    return n;
}

bool TMemo::HasVerticalScrollBar() const { return scrollBars_ == ssVertical || scrollBars_ == ssBoth; }

bool TMemo::HasBorder() const { return borderStyle_ == bsSingleBorder; }

// ---- Buttons

NIMBO_DEFINE_CLASS(TButton, TWinControl, true,
                   p.Int("ModalResult", &TButton::SetModalResult)
                       .Bool("Default", &TButton::SetDefault)
                       .Bool("Cancel", &TButton::SetCancel))

TButton::TButton() { tabStop_ = true; }

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "BUTTON";
    params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v)
{
    default_ = v;
    if (HandleAllocated()) FocusChanged(TWinControl::FromHandle(GetFocus()));
}

void TButton::FocusChanged(TWinControl* focused)
{
    TWinControl::FocusChanged(focused);
    if (!HandleAllocated()) return;
    const bool looksDefault = focused == this || (default_ && !dynamic_cast<TButton*>(focused));
    SendMessageA(Handle(), BM_SETSTYLE, looksDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click()
{
    if (modalResult_ != 0)
        if (TForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
    TWinControl::Click();
}

NIMBO_DEFINE_CLASS(TBitBtn, TButton, true,
                   p.Enum("Kind", &TBitBtn::SetKind, BitBtnKindNames())
                       .Object("Glyph", &TBitBtn::Glyph)
                       .Ignore("Layout")
                       .Ignore("NumGlyphs")
                       .Ignore("Spacing")
                       .Ignore("Margin"))

TBitBtn::TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind k)
{
    static const int results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                  mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
    kind_ = k;
    modalResult_ = results[k];
}

NIMBO_DEFINE_CLASS(TCheckBox, TWinControl, true, p.Bool("Checked", &TCheckBox::SetChecked).Ignore("State"))

TCheckBox::TCheckBox() { tabStop_ = true; }

void TCheckBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "BUTTON";
    params.style |= BS_AUTOCHECKBOX;
}

void TCheckBox::InitWnd()
{
    TWinControl::InitWnd();
    SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Checked() const
{
    if (!HandleAllocated()) return checked_;
    return SendMessageA(const_cast<TCheckBox*>(this)->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool v)
{
    checked_ = v;
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::Click()
{
    checked_ = Checked();
    TWinControl::Click();
}

NIMBO_DEFINE_CLASS(TRadioButton, TCheckBox, true, (void)0)

void TRadioButton::CreateParams(TCreateParams& params)
{
    TCheckBox::CreateParams(params);
    params.style &= ~static_cast<DWORD>(BS_AUTOCHECKBOX);
    params.style |= BS_AUTORADIOBUTTON;
}

NIMBO_DEFINE_CLASS(TGroupBox, TWinControl, true, (void)0)

TGroupBox::TGroupBox() = default;

void TGroupBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "BUTTON";
    params.style |= BS_GROUPBOX;
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The system's group box leaves its inside alone, and its parent clips
    // it out: whatever was there before would show through.
    if (msg == WM_ERASEBKGND) {
        RECT r = ClientRect();
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, ColorBrush());
        return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TRadioGroup: a group box holding one radio button per item.

NIMBO_DEFINE_CLASS(TRadioGroup, TGroupBox, true,
                   p.Lines("Items", &TRadioGroup::Items)
                       .Int("ItemIndex", &TRadioGroup::SetItemIndex)
                       .Int("Columns", &TRadioGroup::SetColumns)
                       .Event("OnClick", &TRadioGroup::OnChange))

TRadioGroup::TRadioGroup()
{
    items_.OnChange = [this] { Rebuild(); };
}

void TRadioGroup::Rebuild()
{
    for (TRadioButton* b : buttons_) b->Free();
    buttons_.clear();
    for (int i = 0; i < items_.Count(); ++i) {
        auto* b = NewComponent<TRadioButton>(this);
        b->SetCaption(items_[i]);
        b->OnClick = [this, i](TObject*) {
            itemIndex_ = i;
            if (OnChange) OnChange(this);
        };
        b->SetParent(this);
        buttons_.push_back(b);
    }
    if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
    SetItemIndex(itemIndex_);
    Arrange();
}

void TRadioGroup::Arrange()
{
    const int n = static_cast<int>(buttons_.size());
    if (n == 0) return;
    const int cols = columns_ < 1 ? 1 : columns_;
    const int rows = (n + cols - 1) / cols;
    const int top = ScaleDesign(16), inner = ClientHeight() - top - ScaleDesign(4);
    const int margin = ScaleDesign(8), colWidth = (ClientWidth() - ScaleDesign(10)) / cols;
    const int rowHeight = rows > 0 ? inner / rows : inner;
    const int buttonHeight = std::min(rowHeight, ScaleDesign(24));
    for (int i = 0; i < n; ++i) {
        const int col = i / rows, row = i % rows;
        buttons_[static_cast<size_t>(i)]->SetBounds(margin + col * colWidth, top + row * rowHeight, colWidth - margin,
                                                    buttonHeight);
    }
}

void TRadioGroup::Resized() { Arrange(); }

// The system's box sizes its new window before it is ours to hear of it.
void TRadioGroup::InitWnd()
{
    TGroupBox::InitWnd();
    Arrange();
}

int TRadioGroup::ItemIndex() const
{
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->Checked()) return static_cast<int>(i);
    return itemIndex_ < static_cast<int>(buttons_.size()) ? -1 : itemIndex_;
}

void TRadioGroup::SetItemIndex(int i)
{
    itemIndex_ = i;
    for (size_t k = 0; k < buttons_.size(); ++k) buttons_[k]->SetChecked(static_cast<int>(k) == i);
}

void TRadioGroup::SetColumns(int c)
{
    columns_ = c;
    Arrange();
}

// ---- TComboBox

NIMBO_DEFINE_CLASS(TComboBox, TWinControl, true,
                   p.Lines("Items", &TComboBox::Items)
                       .Int("ItemIndex", &TComboBox::SetItemIndex)
                       .Bool("Sorted", &TComboBox::SetSorted)
                       .Enum("Style", &TComboBox::SetStyle, ComboStyleNames())
                       .Event("OnChange", &TComboBox::OnChange)
                       .Ignore("ItemHeight"))

TComboBox::TComboBox()
{
    color_ = clWindow;
    tabStop_ = true;
    items_.OnChange = [this] { ItemsChanged(); };
}

void TComboBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "COMBOBOX";
    params.style |= WS_VSCROLL | CBS_AUTOHSCROLL | (style_ == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
}

void TComboBox::InitWnd()
{
    TWinControl::InitWnd();
    SizeWithList();
    ItemsChanged();
    if (!caption_.empty()) SetWindowTextA(Handle(), caption_.c_str());
}

// The window's height includes the drop-down list, whenever it is placed.
void TComboBox::SizeWithList()
{
    SetWindowPos(Handle(), nullptr, 0, 0, width_, height_ + ScaleDesign(200),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::SetBounds(int left, int top, int width, int height)
{
    TWinControl::SetBounds(left, top, width, height);
    if (HandleAllocated()) SizeWithList();
}

void TComboBox::ItemsChanged()
{
    if (!HandleAllocated()) return;
    const String text = caption_;
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i)
        SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_[i].c_str()));
    if (itemIndex_ >= 0) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

void TComboBox::SetSorted(bool v) { items_.SetSorted(v); }

int TComboBox::ItemIndex() const
{
    if (!HandleAllocated()) return itemIndex_;
    return static_cast<int>(SendMessageA(const_cast<TComboBox*>(this)->Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int i)
{
    itemIndex_ = i;
    if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    caption_ = (i >= 0 && i < items_.Count()) ? items_[i] : caption_;
}

bool TComboBox::WantsKey(WPARAM key)
{
    return (key == VK_RETURN || key == VK_ESCAPE) && HandleAllocated() &&
           SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0);
}

void TComboBox::CommandNotify(WORD code)
{
    // The focus is in the box's own edit field, which tells nobody else.
    if (code == CBN_SETFOCUS) Root()->FocusChanged(this);
    if (code == CBN_SELCHANGE) {
        itemIndex_ = ItemIndex();
        if (itemIndex_ >= 0 && itemIndex_ < items_.Count()) caption_ = items_[itemIndex_];
        if (OnChange) OnChange(this);
    } else if (code == CBN_EDITCHANGE) {
        caption_ = Caption();
        if (OnChange) OnChange(this);
    }
}

// ---- TListBox

NIMBO_DEFINE_CLASS(TListBox, TWinControl, true,
                   p.Lines("Items", &TListBox::Items)
                       .Int("ItemIndex", &TListBox::SetItemIndex)
                       .Event("OnChange", &TListBox::OnChange)
                       .Ignore("ItemHeight")
                       .Ignore("IntegralHeight"))

TListBox::TListBox()
{
    color_ = clWindow;
    tabStop_ = true;
    items_.OnChange = [this] { ItemsChanged(); };
}

void TListBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.className = "LISTBOX";
    params.style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::InitWnd()
{
    TWinControl::InitWnd();
    ItemsChanged();
}

void TListBox::ItemsChanged()
{
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i)
        SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_[i].c_str()));
    if (itemIndex_ >= 0) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

int TListBox::ItemIndex() const
{
    if (!HandleAllocated()) return itemIndex_;
    return static_cast<int>(SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int i)
{
    itemIndex_ = i;
    if (HandleAllocated()) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void TListBox::CommandNotify(WORD code)
{
    if (code == LBN_SELCHANGE || code == LBN_DBLCLK) {
        itemIndex_ = ItemIndex();
        SelectionChanged();
        if (code == LBN_DBLCLK) Click();
    }
}

void TListBox::SelectionChanged()
{
    if (OnChange) OnChange(this);
}
