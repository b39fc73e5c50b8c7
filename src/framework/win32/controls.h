// Windowed controls: every control is a real window that carries its
// component name in the window property "NimboName" (a global atom), so a
// driver in another process can find it by name.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/component.h"
#include "framework/win32/dpi.h"
#include "framework/win32/graphics.h"

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
const TEnumInfo& AlignNames();

struct TCreateParams {
    String className;  // a system class, or empty for the framework's own
    DWORD style = 0;
    DWORD exStyle = 0;
    const char* text = "";
};

// Where exceptions raised inside message handlers go (the application's
// default handler); they never unwind through the window system.
void HandleWindowException();

class TWinControl : public TComponent {
    NIMBO_CLASS()

public:
    TWinControl();
    ~TWinControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* c) override;
    void SetName(const String& name) override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;
    RECT ClientRect() const;

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);
    // The window text (caption of buttons and labels, text of edits).
    virtual String Caption() const;
    virtual void SetCaption(const String& v);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    void SetParentColor(bool v);
    TFont* Font() { return &font_; }
    void SetParentFont(bool v);
    void SetTabStop(bool v);
    bool TabStop() const { return tabStop_; }
    // Position among the parent's controls when Tab moves the focus.
    int TabOrder() const;
    void SetTabOrder(int v);
    // The children in tab order.
    const std::vector<TWinControl*>& TabList() const { return tabList_; }

    // Keyboard operation: whether the control handles this key itself
    // (Enter in a multi-line edit, say) rather than leaving it to its form,
    // and whether typed characters go to it (so a plain letter is no
    // accelerator while it has the focus).
    virtual bool WantsKey(WPARAM key);
    virtual bool WantsChars() const { return false; }
    // Created, visible and enabled, and so are its parents: a person can
    // reach it.
    bool Usable() const;
    bool ContainsFocus() const;
    // Told about every focus change among the controls of its window
    // (a push button shows whether Enter presses it).
    virtual void FocusChanged(TWinControl* focused);

    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    static TWinControl* FromHandle(HWND h);
    LRESULT CallWndProc(UINT msg, WPARAM wParam, LPARAM lParam) { return WndProc(msg, wParam, lParam); }

    void SetFocus();
    bool Focused() const;
    void Invalidate();
    void Update();
    void BringToFront();
    void SendToBack();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TWinControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }
    void AlignControls();

    // The pixel density this control's lengths and fonts are laid out
    // for: its form's.
    virtual int PixelsPerInch() const;
    // A length laid out at the design density, at this control's.
    int ScaleDesign(int v) const { return ScaleLength(v, PixelsPerInch(), kDesignPixelsPerInch); }
    // Takes position, size and own font from density `from` to `to`, then
    // the children's, and lays the children out again.
    virtual void ChangeScale(int to, int from);

    TNotifyEvent OnClick;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    void RecreateWnd();
    // Applies the stored state to a newly created window.
    virtual void InitWnd();
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // Notification codes of WM_COMMAND sent to the parent for this control.
    virtual void CommandNotify(WORD code);
    // Painting of the framework's own window classes.
    virtual void Paint(TCanvas& canvas);
    // Background brush for system controls (WM_CTLCOLOR...).
    virtual HBRUSH CtlColor(HDC dc);
    virtual void Click();
    virtual void FontChanged();
    virtual void Resized() {}
    // The focused control inside this window was hidden or disabled.
    virtual void FocusLost() {}
    // The position and size part of ChangeScale.
    virtual void ScaleBounds(int to, int from);
    TWinControl* Root();
    HWND ParentHandle();
    HBRUSH ColorBrush();

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool parentFont_ = true;
    bool parentColor_ = false;
    bool tabStop_ = false;
    TColor color_ = clBtnFace;
    String caption_;
    TAlign align_ = alNone;
    TFont font_;

private:
    friend LRESULT CALLBACK NimboWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK NimboSubclassProc(HWND, UINT, WPARAM, LPARAM);
    void CreateChildren();
    void ParentFontChanged(TFont& parentFont);
    void ParentColorChanged(TColor c);
    void StoreNameOnWindow();
    // Gives the window the control's font, and notes it on the window.
    void ApplyFont(BOOL redraw);
    // The framework's own window classes: background, font, then Paint.
    void PaintWindow();
    // After the window's size changed: the stored size, the aligned
    // children, and a repaint of an own window.
    void WindowResized();
    // The window is gone: subclassing, look-up entry and name go with it.
    void WindowDestroyed();

    TWinControl* parent_ = nullptr;
    std::vector<TWinControl*> controls_;
    std::vector<TWinControl*> tabList_;
    HWND handle_ = nullptr;
    WNDPROC oldProc_ = nullptr;
    ATOM nameAtom_ = 0;
    ATOM fontAtom_ = 0;
    HBRUSH brush_ = nullptr;
    TColor brushColor_ = 0;
    bool fontFromParent_ = false;
};

// Registers the window class the framework's own controls use.
const char* FrameworkWindowClass();
