// The percentage bar: clamping, the rounded percentage, the fill and the
// two-coloured text, painted on real GDI.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "pixels.h"
#include "framework/win32/progress_bar.h"

namespace {

class TProbeBar : public TQuenProgressBar {
public:
    using TQuenProgressBar::Paint;
};

struct Bar {
    Bar(int w, int h)
    {
        bar = NewComponent<TProbeBar>(nullptr);
        bar->SetBounds(0, 0, w, h);
        bar->Font()->SetName("Arial");
        bar->Font()->SetHeight(-12);
        bar->SetBarColor(clRed);
        bar->SetBackColor(clWhite);
    }
    ~Bar() { bar->Free(); }
    void PaintInto(TPixels& px)
    {
        TCanvas canvas(px.DC());
        SelectObject(px.DC(), bar->Font()->Handle());
        bar->Paint(canvas);
    }
    TProbeBar* bar;
};

TEST(ProgressBar, ValuesAreClampedToTheRange)
{
    Bar b(150, 24);
    EXPECT_EQ(b.bar->Progress(), 48) << "a new bar shows 48 %";
    EXPECT_EQ(b.bar->MaxValue(), 100);
    b.bar->SetProgress(-5);
    EXPECT_EQ(b.bar->Progress(), 0);
    b.bar->SetProgress(250);
    EXPECT_EQ(b.bar->Progress(), 100);
    b.bar->SetMaxValue(40);
    EXPECT_EQ(b.bar->Progress(), 40) << "lowering the maximum lowers the progress";
    b.bar->SetMaxValue(-3);
    EXPECT_EQ(b.bar->MaxValue(), 0);
    EXPECT_EQ(b.bar->Progress(), 0);
    b.bar->SetProgress(7);
    EXPECT_EQ(b.bar->Progress(), 0) << "with maximum 0 every value is 0";
    b.bar->SetMaxValue(10);
    b.bar->AddProgress(4);
    b.bar->AddProgress(4);
    EXPECT_EQ(b.bar->Progress(), 8);
}

TEST(ProgressBar, PercentageRoundsHalvesToEven)
{
    EXPECT_EQ(TQuenProgressBar::PercentText(1, 8), "12%");
    EXPECT_EQ(TQuenProgressBar::PercentText(3, 8), "38%");
    EXPECT_EQ(TQuenProgressBar::PercentText(0, 0), "0%");
    EXPECT_EQ(TQuenProgressBar::PercentText(1, 3), "33%");
    EXPECT_EQ(TQuenProgressBar::PercentText(8, 8), "100%");
}

TEST(ProgressBar, FillEndsWhereTheFractionOfTheInnerWidthEnds)
{
    const int w = 102, h = 20;
    const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255), frame = GetSysColor(COLOR_WINDOWTEXT);
    struct Case {
        int progress, max, right;
    };
    // right = N(f * (w - 2)) + 1: 3/8 of 100 is 37.5, to the even 38.
    for (const Case c : {Case{3, 8, 39}, Case{1, 8, 13}, Case{0, 0, 1}, Case{8, 8, 101}, Case{50, 100, 51}}) {
        Bar b(w, h);
        b.bar->SetMaxValue(c.max);
        b.bar->SetProgress(c.progress);
        TPixels px(w, h);
        px.Fill(RGB(0, 255, 0));
        b.PaintInto(px);
        SCOPED_TRACE(testing::Message() << c.progress << " of " << c.max);
        EXPECT_EQ(TQuenProgressBar::BarRight(c.progress, c.max, w), c.right);
        // Row 1 lies above the text.
        if (c.right > 1) {
            EXPECT_EQ(px.At(c.right - 1, 1), red);
        }
        if (c.right < w - 1) {
            EXPECT_EQ(px.At(c.right, 1), white);
        }
        EXPECT_EQ(px.Count(1, 1, w - 1, h - 1, RGB(0, 255, 0)), 0) << "opaque: every inner pixel painted";
        EXPECT_EQ(px.At(0, 0), frame);
        EXPECT_EQ(px.At(w - 1, h / 2), frame);
        EXPECT_EQ(px.At(w / 2, h - 1), frame);
    }
}

TEST(ProgressBar, TextTakesTheOtherColourOnEachPart)
{
    const int w = 102, h = 20;
    const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255);
    Bar full(w, h), empty(w, h);
    full.bar->SetProgress(100);
    empty.bar->SetProgress(0);
    TPixels a(w, h), b(w, h);
    full.PaintInto(a);
    empty.PaintInto(b);
    // Over a full bar the text is in the back colour, over an empty one in
    // the bar colour; nothing else is in that colour.
    EXPECT_GT(a.Count(1, 1, w - 1, h - 1, white), 4);
    EXPECT_GT(b.Count(1, 1, w - 1, h - 1, red), 4);
    EXPECT_EQ(a.Count(1, 1, w - 1, 3, white), 0);
    EXPECT_EQ(b.Count(1, 1, w - 1, 3, red), 0);
}

TEST(ProgressBar, SettingAColourItAlreadyHasRepaintsNothing)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    form->SetBounds(0, 0, 300, 100);
    auto* bar = NewComponent<TQuenProgressBar>(form);
    bar->SetBounds(10, 10, 150, 24);
    bar->SetParent(form);
    form->Show();
    UpdateWindow(bar->Handle());
    RECT r;
    bar->SetBackColor(bar->BackColor());
    bar->SetBarColor(bar->BarColor());
    EXPECT_FALSE(GetUpdateRect(bar->Handle(), &r, FALSE));
    bar->SetBackColor(clYellow);
    EXPECT_TRUE(GetUpdateRect(bar->Handle(), &r, FALSE));
    form->Free();
}

}  // namespace
