// Panels, bevels, images, timers and the notebook.
#pragma once

#include "framework/win32/stdctrls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
    NIMBO_CLASS()

public:
    TPanel();
    void SetBevelOuter(TPanelBevel b);
    void SetBevelInner(TPanelBevel b);
    void SetBevelWidth(int w);
    void SetBorderWidth(int w);
    void SetAlignment(TAlignment a);

protected:
    void Paint(TCanvas& canvas) override;

private:
    TPanelBevel bevelOuter_ = bvRaised;
    TPanelBevel bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TBevel : public TWinControl {
    NIMBO_CLASS()

public:
    enum TShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
    enum TStyle { bsLowered, bsRaised };
    TBevel();
    void SetShape(TShape s);
    void SetStyle(TStyle s);

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TShape shape_ = bsBox;
    TStyle style_ = bsLowered;
};

class TImage : public TWinControl {
    NIMBO_CLASS()

public:
    TImage();
    ~TImage() override;
    TPicture* Picture() { return &picture_; }
    void SetStretch(bool v);
    void SetCenter(bool v);
    // Shows an icon instead of the picture (not owned).
    void SetIcon(HICON icon);
    HICON Icon() const { return icon_; }

protected:
    void Paint(TCanvas& canvas) override;

private:
    // The picture at the given size, filtered smoothly once and kept
    // until the size or the picture changes.
    HBITMAP Stretched(int width, int height);
    void DropStretched();
    TPicture picture_;
    HBITMAP stretched_ = nullptr;
    int stretchedWidth_ = 0, stretchedHeight_ = 0;
    HICON icon_ = nullptr;
    bool stretch_ = false;
    bool center_ = false;
};

class TTimer : public TComponent {
    NIMBO_CLASS()

public:
    TTimer() = default;
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    int Interval() const { return interval_; }
    void SetInterval(int v);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent e);
    void Loaded() override;

private:
    void Update();
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
    bool enabled_ = true;
    int interval_ = 1000;
    UINT_PTR id_ = 0;
};

// One page of a notebook; only the active page is visible.
class TPage : public TWinControl {
    NIMBO_CLASS()

public:
    TPage();
};

class TNotebook : public TWinControl {
    NIMBO_CLASS()

public:
    TNotebook();
    int PageCount() const;
    TPage* Pages(int i) const;
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int i);
    String ActivePage() const;
    void SetActivePage(const String& caption);
    void Loaded() override;

protected:
    void Resized() override;

private:
    void ShowActive();
    int pageIndex_ = 0;
    String pendingActive_;
};
