#include "framework/win32/extctrls.h"

#include <map>

#include "framework/properties.h"

namespace {
const TEnumInfo& PanelBevelNames()
{
    static const TEnumInfo i{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
    return i;
}
const TEnumInfo& BevelShapeNames()
{
    static const TEnumInfo i{
        {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}};
    return i;
}
const TEnumInfo& BevelStyleNames()
{
    static const TEnumInfo i{{"bsLowered", "bsRaised"}};
    return i;
}

void DrawBevel(HDC dc, RECT& r, TPanelBevel bevel, int width)
{
    if (bevel == bvNone) return;
    for (int i = 0; i < width; ++i) {
        if (bevel != bvSpace) DrawEdge(dc, &r, bevel == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        InflateRect(&r, -1, -1);
    }
}
}  // namespace

NIMBO_DEFINE_CLASS(TPanel, TWinControl, true,
                   p.Enum("BevelOuter", &TPanel::SetBevelOuter, PanelBevelNames())
                       .Enum("BevelInner", &TPanel::SetBevelInner, PanelBevelNames())
                       .Int("BevelWidth", &TPanel::SetBevelWidth)
                       .Int("BorderWidth", &TPanel::SetBorderWidth)
                       .Enum("Alignment", &TPanel::SetAlignment, AlignmentNames())
                       .Ignore("BorderStyle"))

TPanel::TPanel() = default;

void TPanel::SetBevelOuter(TPanelBevel b)
{
    bevelOuter_ = b;
    Invalidate();
}
void TPanel::SetBevelInner(TPanelBevel b)
{
    bevelInner_ = b;
    Invalidate();
}
void TPanel::SetBevelWidth(int w)
{
    bevelWidth_ = w;
    Invalidate();
}
void TPanel::SetBorderWidth(int w)
{
    borderWidth_ = w;
    Invalidate();
}
void TPanel::SetAlignment(TAlignment a)
{
    alignment_ = a;
    Invalidate();
}

void TPanel::Paint(TCanvas& canvas)
{
    RECT r = ClientRect();
    DrawBevel(canvas.Handle(), r, bevelOuter_, bevelWidth_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    DrawBevel(canvas.Handle(), r, bevelInner_, bevelWidth_);
    if (!caption_.empty()) {
        UINT flags = DT_SINGLELINE | DT_VCENTER;
        flags |= alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
        DrawTextA(canvas.Handle(), caption_.c_str(), static_cast<int>(caption_.size()), &r, flags);
    }
}

NIMBO_DEFINE_CLASS(
    TBevel, TWinControl, true,
    p.Enum("Shape", &TBevel::SetShape, BevelShapeNames()).Enum("Style", &TBevel::SetStyle, BevelStyleNames()))

TBevel::TBevel() { parentColor_ = true; }

LRESULT TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TBevel::SetShape(TShape s)
{
    shape_ = s;
    Invalidate();
}

void TBevel::SetStyle(TStyle s)
{
    style_ = s;
    Invalidate();
}

void TBevel::Paint(TCanvas& canvas)
{
    RECT r = ClientRect();
    const UINT edge = style_ == bsLowered ? EDGE_ETCHED : EDGE_BUMP;
    UINT flags = BF_RECT;
    switch (shape_) {
    case bsTopLine:
        flags = BF_TOP;
        break;
    case bsBottomLine:
        flags = BF_BOTTOM;
        break;
    case bsLeftLine:
        flags = BF_LEFT;
        break;
    case bsRightLine:
        flags = BF_RIGHT;
        break;
    case bsSpacer:
        return;
    default:
        break;
    }
    DrawEdge(canvas.Handle(), &r, shape_ == bsFrame ? edge : (style_ == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER),
             flags);
}

NIMBO_DEFINE_CLASS(TImage, TWinControl, true,
                   p.Object("Picture", &TImage::Picture)
                       .Bool("Stretch", &TImage::SetStretch)
                       .Bool("Center", &TImage::SetCenter)
                       .Ignore("AutoSize")
                       .Ignore("Transparent"))

TImage::TImage()
{
    parentColor_ = true;
    picture_.OnChange = [this] {
        DropStretched();
        Invalidate();
    };
}

TImage::~TImage() { DropStretched(); }

void TImage::DropStretched()
{
    if (stretched_) DeleteObject(stretched_);
    stretched_ = nullptr;
}

HBITMAP TImage::Stretched(int width, int height)
{
    if (stretched_ && stretchedWidth_ == width && stretchedHeight_ == height) return stretched_;
    DropStretched();
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    stretched_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (stretched_) {
        HGDIOBJ oldFrom = SelectObject(from, picture_.Bitmap()), oldTo = SelectObject(to, stretched_);
        // Each target pixel a blend of the source pixels it covers; the
        // brush origin is reset, as this mode asks.
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, picture_.Width(), picture_.Height(), SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        stretchedWidth_ = width;
        stretchedHeight_ = height;
    }
    DeleteDC(from);
    DeleteDC(to);
    return stretched_;
}

void TImage::SetStretch(bool v)
{
    stretch_ = v;
    Invalidate();
}

void TImage::SetCenter(bool v)
{
    center_ = v;
    Invalidate();
}

void TImage::SetIcon(HICON icon)
{
    icon_ = icon;
    Invalidate();
}

void TImage::Paint(TCanvas& canvas)
{
    const RECT r = ClientRect();
    if (icon_) {
        const int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
        const int x = center_ ? (r.right - w) / 2 : 0, y = center_ ? (r.bottom - h) / 2 : 0;
        DrawIcon(canvas.Handle(), x, y, icon_);
        return;
    }
    if (picture_.Empty() || r.right <= 0 || r.bottom <= 0) return;
    HBITMAP shown = stretch_ ? Stretched(r.right, r.bottom) : picture_.Bitmap();
    if (!shown) return;
    HDC mem = CreateCompatibleDC(canvas.Handle());
    HGDIOBJ old = SelectObject(mem, shown);
    if (stretch_) {
        BitBlt(canvas.Handle(), 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    } else {
        const int x = center_ ? (r.right - picture_.Width()) / 2 : 0;
        const int y = center_ ? (r.bottom - picture_.Height()) / 2 : 0;
        BitBlt(canvas.Handle(), x, y, picture_.Width(), picture_.Height(), mem, 0, 0, SRCCOPY);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
}

// ---- TTimer: thread timers dispatched through the message loop.

namespace {
std::map<UINT_PTR, TTimer*>& Timers()
{
    static std::map<UINT_PTR, TTimer*> m;
    return m;
}
}  // namespace

NIMBO_DEFINE_CLASS(TTimer, TComponent, true,
                   p.Bool("Enabled", &TTimer::SetEnabled)
                       .Int("Interval", &TTimer::SetInterval)
                       .Event("OnTimer", &TTimer::OnTimer)
                       .Ignore("Left")
                       .Ignore("Top"))

TTimer::~TTimer()
{
    if (id_) {
        KillTimer(nullptr, id_);
        Timers().erase(id_);
    }
}

void TTimer::SetEnabled(bool v)
{
    enabled_ = v;
    Update();
}

void TTimer::SetOnTimer(TNotifyEvent e)
{
    OnTimer = std::move(e);
    Update();
}

void TTimer::SetInterval(int v)
{
    interval_ = v;
    Update();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    Update();
}

void TTimer::Update()
{
    if (id_) {
        KillTimer(nullptr, id_);
        Timers().erase(id_);
        id_ = 0;
    }
    if (enabled_ && interval_ > 0 && OnTimer && !HasState(csLoading)) {
        id_ = SetTimer(nullptr, 0, static_cast<UINT>(interval_), &TTimer::TimerProc);
        if (id_) Timers()[id_] = this;
    }
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    try {
        if (it->second->OnTimer) it->second->OnTimer(it->second);
    } catch (...) {
        HandleWindowException();
    }
}

// ---- TNotebook

NIMBO_DEFINE_CLASS(TPage, TWinControl, true, (void)0)

TPage::TPage()
{
    visible_ = false;
    parentColor_ = true;
}

NIMBO_DEFINE_CLASS(TNotebook, TWinControl, true,
                   p.Int("PageIndex", &TNotebook::SetPageIndex).Str("ActivePage", &TNotebook::SetActivePage))

TNotebook::TNotebook() = default;

int TNotebook::PageCount() const
{
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TPage*>(Controls(i))) ++n;
    return n;
}

TPage* TNotebook::Pages(int i) const
{
    for (int k = 0; k < ControlCount(); ++k)
        if (auto* p = dynamic_cast<TPage*>(Controls(k)))
            if (i-- == 0) return p;
    return nullptr;
}

void TNotebook::SetPageIndex(int i)
{
    pageIndex_ = i;
    ShowActive();
}

String TNotebook::ActivePage() const
{
    TPage* p = Pages(pageIndex_);
    return p ? p->Caption() : String();
}

void TNotebook::SetActivePage(const String& caption)
{
    if (HasState(csLoading)) {
        pendingActive_ = caption;
        return;
    }
    for (int i = 0; i < PageCount(); ++i)
        if (SameText(Pages(i)->Caption(), caption)) {
            SetPageIndex(i);
            return;
        }
}

void TNotebook::Loaded()
{
    TWinControl::Loaded();
    if (!pendingActive_.empty()) SetActivePage(pendingActive_);
    ShowActive();
}

void TNotebook::Resized() { ShowActive(); }

void TNotebook::ShowActive()
{
    for (int i = 0; i < PageCount(); ++i) {
        TPage* p = Pages(i);
        p->SetBounds(0, 0, ClientWidth(), ClientHeight());
        p->SetVisible(i == pageIndex_);
    }
}
