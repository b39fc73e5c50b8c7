#include "framework/win32/progress_bar.h"

#include <cmath>

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TQuenProgressBar, TWinControl, true,
                   p.Custom("BackColor", [](TQuenProgressBar* b, TFormReader& r) { b->SetBackColor(ReadColor(r)); })
                       .Custom("BarColor", [](TQuenProgressBar* b, TFormReader& r) { b->SetBarColor(ReadColor(r)); })
                       .Int("Progress", &TQuenProgressBar::SetProgress)
                       .Int("MaxValue", &TQuenProgressBar::SetMaxValue))

TQuenProgressBar::TQuenProgressBar()
{
    width_ = 150;
    height_ = 24;
}

namespace {
double Fraction(int progress, int maxValue)
{
    return maxValue == 0 ? 0.0 : static_cast<double>(progress) / static_cast<double>(maxValue);
}
// Nearest integer, an exact half going to the even neighbour.
long RoundEven(double x) { return std::lrint(x); }

// Whether two states show the same picture: the rounded percentage and the
// end of the fill.
bool SamePicture(int p1, int m1, int p2, int m2, int width)
{
    return RoundEven(Fraction(p1, m1) * 100.0) == RoundEven(Fraction(p2, m2) * 100.0) &&
           TQuenProgressBar::BarRight(p1, m1, width) == TQuenProgressBar::BarRight(p2, m2, width);
}
}  // namespace

String TQuenProgressBar::PercentText(int progress, int maxValue)
{
    return IntToStr(RoundEven(Fraction(progress, maxValue) * 100.0)) + "%";
}

int TQuenProgressBar::BarRight(int progress, int maxValue, int width)
{
    return static_cast<int>(RoundEven(Fraction(progress, maxValue) * (width - 2))) + 1;
}

void TQuenProgressBar::SetBackColor(TColor c)
{
    if (c == backColor_) return;
    backColor_ = c;
    Invalidate();
}

void TQuenProgressBar::SetBarColor(TColor c)
{
    if (c == barColor_) return;
    barColor_ = c;
    Invalidate();
}

void TQuenProgressBar::SetProgress(int v)
{
    if (v > maxValue_) v = maxValue_;
    if (v < 0) v = 0;
    // Repainting an unchanged picture is wasted work in the copy loop.
    const bool same = SamePicture(v, maxValue_, progress_, maxValue_, ClientWidth());
    progress_ = v;
    if (!same) RepaintNow();
}

void TQuenProgressBar::SetMaxValue(int v)
{
    if (v < 0) v = 0;
    const int p = progress_ > v ? v : progress_;
    // The copy page sets a new maximum for every file: repaint once, and
    // only when the picture changes.
    const bool same = SamePicture(p, v, progress_, maxValue_, ClientWidth());
    maxValue_ = v;
    progress_ = p;
    if (!same) RepaintNow();
}

void TQuenProgressBar::AddProgress(int delta) { SetProgress(progress_ + delta); }

// A change repaints the bar at once, unless it painted less than this many
// milliseconds ago: then the change waits for the next paint cycle (the copy
// page lets messages through every few tens of milliseconds). Small files
// change the bars thousands of times a second, and a paint for each would
// take most of the copy's time.
constexpr DWORD kRepaintGap = 20;

void TQuenProgressBar::RepaintNow()
{
    // A hidden bar (a very silent run) has nothing to paint, and asking the
    // window system to paint it now costs a round trip each time.
    if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
    if (!paintPending_) {
        paintPending_ = true;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
    if (GetTickCount() - lastPaint_ >= kRepaintGap) UpdateWindow(Handle());
}

void TQuenProgressBar::InitWnd()
{
    TWinControl::InitWnd();
    paintPending_ = false;
}

LRESULT TQuenProgressBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        paintPending_ = false;
        lastPaint_ = GetTickCount();
        // Opaque: the bar paints its whole area itself.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        TCanvas canvas(dc);
        SelectObject(dc, font_.Handle());
        Paint(canvas);
        EndPaint(Handle(), &ps);
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TQuenProgressBar::Paint(TCanvas& canvas)
{
    HDC dc = canvas.Handle();
    const int w = ClientWidth(), h = ClientHeight();
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    POINT frame[] = {{0, h - 1}, {0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
    Polyline(dc, frame, 5);
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    const String text = PercentText(progress_, maxValue_);
    const int right = BarRight(progress_, maxValue_, w);
    const int th = canvas.TextHeight("X");
    const int y = (h - th) / 2 + 2;
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetBkMode(dc, OPAQUE);

    RECT bar{1, 1, right, h - 1};
    SetBkColor(dc, ColorToRGB(barColor_));
    SetTextColor(dc, ColorToRGB(backColor_));
    ExtTextOutA(dc, w / 2, y, ETO_CLIPPED | ETO_OPAQUE, &bar, text.c_str(), static_cast<UINT>(text.size()), nullptr);

    RECT rest{right, 1, w - 1, h - 1};
    SetBkColor(dc, ColorToRGB(backColor_));
    SetTextColor(dc, ColorToRGB(barColor_));
    ExtTextOutA(dc, (w - 4) / 2, y, ETO_CLIPPED | ETO_OPAQUE, &rest, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
}
