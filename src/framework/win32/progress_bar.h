// A framed percentage bar: filled from the left in the bar colour, with the
// percentage in the middle drawn in the opposite colour on each part.
#pragma once

#include "framework/win32/controls.h"

class TQuenProgressBar : public TWinControl {
    NIMBO_CLASS()

public:
    TQuenProgressBar();
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor c);
    TColor BarColor() const { return barColor_; }
    void SetBarColor(TColor c);
    int Progress() const { return progress_; }
    void SetProgress(int v);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v);
    void AddProgress(int delta);

    // The text and the end of the filled part for a value, as painted.
    static String PercentText(int progress, int maxValue);
    static int BarRight(int progress, int maxValue, int width);

protected:
    void InitWnd() override;
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void RepaintNow();
    TColor backColor_ = clWhite;
    TColor barColor_ = clHighlight;
    int progress_ = 48;
    int maxValue_ = 100;
    bool paintPending_ = false;  // invalidated, not yet painted
    DWORD lastPaint_ = 0;        // tick count of the last paint
};
