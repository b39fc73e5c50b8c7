// The background: the gradient on real GDI, its settings, the name label
// over it, and a start that has nothing to run.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "pixels.h"
#include "ui/background.h"

namespace {

class TProbeBackground : public TNimboBackground {
public:
    using TNimboBackground::Paint;
};

struct Background {
    Background(int w, int h)
    {
        bg = NewComponent<TProbeBackground>(nullptr);
        bg->SetBounds(0, 0, w, h);
    }
    ~Background() { bg->Free(); }
    void PaintInto(TPixels& px)
    {
        TCanvas canvas(px.DC());
        bg->Paint(canvas);
    }
    TProbeBackground* bg;
};

TEST(BackgroundGradient, ShippedColoursRunFromBlueToBlackInBands)
{
    const int w = 40, h = 200;
    Background b(w, h);
    TPixels px(w, h);
    b.PaintInto(px);
    EXPECT_TRUE(b.bg->Painted());
    EXPECT_EQ(px.At(5, 0), RGB(0, 0, 252)) << "band 1 has already moved one step";
    EXPECT_EQ(px.At(5, 1), RGB(0, 0, 252));
    EXPECT_EQ(px.At(5, 2), RGB(0, 0, 250));
    // Band 50: 255 + MulDiv(50, -255, 100), the half rounded away from zero.
    EXPECT_EQ(px.At(w - 1, 98), RGB(0, 0, 127));
    EXPECT_EQ(px.At(0, h - 1), RGB(0, 0, 0)) << "the last band is the end colour";
    // Decreasing without wrapping round.
    for (int y = 1; y < h; ++y) ASSERT_LE(GetBValue(px.At(3, y)), GetBValue(px.At(3, y - 1))) << y;
}

TEST(BackgroundGradient, BandCountsAndEqualColours)
{
    {
        Background b(30, 50);
        b.bg->SetStartColor(clRed);
        b.bg->SetEndColor(clLime);
        b.bg->SetGradations(1);
        TPixels px(30, 50);
        b.PaintInto(px);
        EXPECT_EQ(px.Count(0, 0, 30, 50, RGB(0, 255, 0)), 30 * 50) << "one band in the end colour";
    }
    {
        // More bands than rows: some bands have no height (band 25 here, from
        // MulDiv(24, 10, 25) = 10 to 10); the bands still reach the bottom,
        // which band 24 (rows 9 to 9) covers.
        Background b(20, 10);
        b.bg->SetStartColor(RGB(0, 0, 0));
        b.bg->SetEndColor(RGB(250, 0, 0));
        b.bg->SetGradations(25);
        TPixels px(20, 10);
        px.Fill(RGB(1, 2, 3));
        b.PaintInto(px);
        EXPECT_EQ(px.At(10, 9), RGB(MulDiv(24, 250, 25), 0, 0));
        EXPECT_EQ(px.Count(0, 0, 20, 10, RGB(1, 2, 3)), 0);
    }
    {
        Background b(20, 30);
        b.bg->SetStartColor(RGB(10, 20, 30));
        b.bg->SetEndColor(RGB(10, 20, 30));
        TPixels px(20, 30);
        b.PaintInto(px);
        EXPECT_EQ(px.Count(0, 0, 20, 30, RGB(10, 20, 30)), 20 * 30);
    }
    {
        // Colours are plain values: a system colour is not looked up.
        Background b(10, 10);
        b.bg->SetStartColor(clBtnFace);
        b.bg->SetEndColor(clBtnFace);
        TPixels px(10, 10);
        b.PaintInto(px);
        EXPECT_EQ(px.At(5, 5), RGB(COLOR_BTNFACE, 0, 0));
    }
}

TEST(BackgroundSettings, GradationsBelowOneAreRefusedWithAMessage)
{
    Background b(10, 10);
    b.bg->SetGradations(7);
    String text;
    TGuiScript g;
    g.Answer("Information", "OK", &text);
    b.bg->SetGradations(0);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(text, "Gradations cannot be less than 1");
    EXPECT_EQ(b.bg->Gradations(), 7);
}

TEST(BackgroundSettings, LabelFollowsTheControllerAndShowAppName)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    auto* bg = NewComponent<TNimboBackground>(form);
    bg->SetParent(form);
    EXPECT_EQ(bg->NameLabel()->Caption(), "(none)");
    EXPECT_EQ(bg->AppName(), "");
    bg->SetAppName("Ignored");  // no controller to keep it
    EXPECT_EQ(bg->NameLabel()->Caption(), "(none)");

    auto* info = NewComponent<TNimboInfo>(form);
    info->Script()->SetAppName("Demo");
    bg->Loaded();
    EXPECT_EQ(bg->Controller(), info);
    EXPECT_EQ(bg->NameLabel()->Caption(), "Demo");
    bg->SetAppName("Renamed");
    EXPECT_EQ(info->Script()->AppName(), "Renamed");
    EXPECT_EQ(bg->NameLabel()->Caption(), "Renamed");
    EXPECT_EQ(bg->NameLabel()->Left(), 10);
    EXPECT_EQ(bg->NameLabel()->Top(), 10);
    EXPECT_EQ(bg->NameLabel()->Font()->Name(), "Arial");
    EXPECT_EQ(bg->NameLabel()->Font()->Color(), clWhite);

    TFont big;
    big.SetHeight(-27);
    big.SetName("Arial");
    bg->SetAppFont(&big);
    EXPECT_EQ(bg->NameLabel()->Font()->Height(), -27);

    bg->SetShowAppName(false);
    EXPECT_FALSE(bg->NameLabel()->Visible());
    bg->SetShowAppName(true);
    EXPECT_TRUE(bg->NameLabel()->Visible());

    info->Free();
    EXPECT_EQ(bg->Controller(), nullptr);
    EXPECT_EQ(bg->NameLabel()->Caption(), "(none)");
    form->Free();
}

// The form as the user sees it: gradient and name read back from the screen.
TEST(BackgroundWindow, PaintsTheGradientUnderATransparentName)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 300);
    auto* info = NewComponent<TNimboInfo>(form);
    info->Script()->SetAppName("WWWWWW");
    auto* bg = NewComponent<TNimboBackground>(form);
    bg->SetParent(form);
    bg->SetAlign(alClient);
    bg->SetMaximizeWindow(false);
    bg->Loaded();
    form->Show();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 3000 && (!bg->Painted() || bg->StartTimer())) Application->HandleMessage();
    EXPECT_TRUE(bg->Painted());
    EXPECT_EQ(bg->StartTimer(), nullptr) << "the start timer acts once, after the first paint";
    UpdateWindow(form->Handle());
    HDC dc = GetDC(bg->Handle());
    const int h = bg->ClientHeight();
    EXPECT_EQ(GetPixel(dc, 200, h - 1), RGB(0, 0, 0));
    const COLORREF top = GetPixel(dc, 300, 1);
    EXPECT_EQ(GetBValue(top), 255 + MulDiv(1, -255, 100));
    // Inside the label: its corner shows the gradient, its text is white.
    TLabel* label = bg->NameLabel();
    EXPECT_EQ(GetPixel(dc, label->Left(), label->Top()), GetPixel(dc, label->Left(), label->Top() - 1));
    int white = 0;
    for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
        for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
            white += GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 20);
    ReleaseDC(bg->Handle(), dc);
    EXPECT_FALSE(Application->Terminated()) << "nothing to run: the program stays";
    form->Free();
}

}  // namespace
