// The standard controls: labels, edits, memos, buttons, check and radio
// buttons, group boxes, radio groups, combo and list boxes.
#pragma once

#include "base/string_list.h"
#include "framework/win32/forms.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TBorderStyle { bsNoBorder, bsSingleBorder };
const TEnumInfo& AlignmentNames();

// The form a control sits on, or none.
TForm* GetParentForm(TWinControl* control);

class TLabel : public TWinControl {
    NIMBO_CLASS()

public:
    TLabel();
    String Caption() const override;
    void SetCaption(const String& v) override;
    void SetAutoSize(bool v);
    void SetAlignment(TAlignment a);
    void SetWordWrap(bool v);
    void SetTransparent(bool v);
    // How the label draws its caption (DrawText flags).
    UINT DrawFlags() const;
    void ChangeScale(int to, int from) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;
    void Paint(TCanvas& canvas) override;
    void FontChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void AdjustSize();
    void StoreDrawFlags();
    bool paintPending_ = false;  // invalidated, not yet painted
    bool textStale_ = false;     // the window's stored text is older than caption_
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    TAlignment alignment_ = taLeftJustify;
};

class TEdit : public TWinControl {
    NIMBO_CLASS()

public:
    TEdit();
    String Text() const { return Caption(); }
    void SetText(const String& v) { SetCaption(v); }
    void SetReadOnly(bool v);
    bool WantsChars() const override { return true; }
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CommandNotify(WORD code) override;
    bool readOnly_ = false;
};

class TMemo : public TWinControl {
    NIMBO_CLASS()

public:
    TMemo();
    // The memo's lines; changes show at once.
    TStringList* Lines();
    // The whole text as it stands, line breaks included.
    void SetCaption(const String& v) override;
    void SetReadOnly(bool v);
    bool ReadOnly() const { return readOnly_; }
    void SetScrollBars(TScrollStyle s);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetBorderStyle(TBorderStyle b);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetAlignment(TAlignment a);
    TAlignment Alignment() const { return alignment_; }
    void SetWordWrap(bool v);
    void SetWantReturns(bool v) { wantReturns_ = v; }
    void SetWantTabs(bool v) { wantTabs_ = v; }
    // Enter and Tab go into the text only where they can be typed.
    bool WantsKey(WPARAM key) override;
    bool WantsChars() const override { return true; }
    // Lines as displayed after word wrapping.
    int DisplayLineCount();
    bool HasVerticalScrollBar() const;
    bool HasBorder() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;

private:
    void LinesChanged();
    TStringList lines_;
    bool syncing_ = false;
    bool readOnly_ = false;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TScrollStyle scrollBars_ = ssNone;
    TBorderStyle borderStyle_ = bsSingleBorder;
    TAlignment alignment_ = taLeftJustify;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
const TEnumInfo& BitBtnKindNames();

class TButton : public TWinControl {
    NIMBO_CLASS()

public:
    TButton();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int v) { modalResult_ = v; }
    // Enter presses the default button, Esc the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    // Drawn as the button Enter presses: itself while it has the focus,
    // the default button while no other button has it.
    void FocusChanged(TWinControl* focused) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Click() override;
    int modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

// A push button with a kind that gives its modal result; its glyph is kept
// for the form but not drawn.
class TBitBtn : public TButton {
    NIMBO_CLASS()

public:
    TBitBtn();
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind k);
    TPicture* Glyph() { return &glyph_; }

private:
    TBitBtnKind kind_ = bkCustom;
    TPicture glyph_;
};

class TCheckBox : public TWinControl {
    NIMBO_CLASS()

public:
    TCheckBox();
    bool Checked() const;
    void SetChecked(bool v);

protected:
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;
    void Click() override;
    bool checked_ = false;
};

class TRadioButton : public TCheckBox {
    NIMBO_CLASS()

protected:
    void CreateParams(TCreateParams& params) override;
};

class TGroupBox : public TWinControl {
    NIMBO_CLASS()

public:
    TGroupBox();

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class TRadioGroup : public TGroupBox {
    NIMBO_CLASS()

public:
    TRadioGroup();
    TStringList* Items() { return &items_; }
    int ItemIndex() const;
    void SetItemIndex(int i);
    void SetColumns(int c);
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TRadioButton* Buttons(int i) const { return buttons_.at(static_cast<size_t>(i)); }
    TNotifyEvent OnChange;

protected:
    void Resized() override;
    void InitWnd() override;

private:
    void Rebuild();
    void Arrange();
    TStringList items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

class TComboBox : public TWinControl {
    NIMBO_CLASS()

public:
    enum TStyle { csDropDown, csSimple, csDropDownList };
    TComboBox();
    TStringList* Items() { return &items_; }
    int ItemIndex() const;
    void SetItemIndex(int i);
    String Text() const { return Caption(); }
    void SetText(const String& v) { SetCaption(v); }
    void SetSorted(bool v);
    void SetStyle(TStyle s) { style_ = s; }
    void SetBounds(int left, int top, int width, int height) override;
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;
    void CommandNotify(WORD code) override;

private:
    void ItemsChanged();
    void SizeWithList();
    TStringList items_;
    TStyle style_ = csDropDown;
    int itemIndex_ = -1;

public:
    // Enter and Esc close an open list.
    bool WantsKey(WPARAM key) override;
    bool WantsChars() const override { return true; }
};

class TListBox : public TWinControl {
    NIMBO_CLASS()

public:
    TListBox();
    TStringList* Items() { return &items_; }
    int ItemIndex() const;
    void SetItemIndex(int i);
    bool WantsChars() const override { return true; }
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitWnd() override;
    void CommandNotify(WORD code) override;
    virtual void SelectionChanged();
    void ItemsChanged();
    TStringList items_;
    int itemIndex_ = -1;
};
