// Forms laid out at one pixel density and shown at another: read from a
// resource, moved to a monitor of another density, and the layout check
// that tells a cut text or a control outside its parent.
#include <gtest/gtest.h>

#include <memory>

#include "framework/form_text.h"
#include "framework/properties.h"
#include "framework/win32/extctrls.h"
#include "gui_test_support.h"
#include "layout_check.h"
#include "pixels.h"

class TScalingTestForm : public TForm {
    NIMBO_CLASS()
};
NIMBO_DEFINE_CLASS(TScalingTestForm, TForm, true, (void)0)

namespace {

// Designed at 64 pixels per inch: on the tests' 96 monitor everything is
// half as large again. Two buttons meet edge to edge; the panel's label
// takes the panel's font, the bold label has its own.
String FormText(const char* density, const char* scaled)
{
    return String("object ScalingTestForm: TScalingTestForm\n"
                  "  BorderStyle = bsDialog\n  ClientWidth = 340\n  ClientHeight = 204\n"
                  "  Font.Name = 'Arial'\n  Font.Height = -8\n") +
           "  PixelsPerInch = " + density + "\n" + scaled +
           "  TextHeight = 10\n"
           "  object pnSide: TPanel\n    Left = 3\n    Top = 3\n    Width = 77\n    Height = 171\n"
           "    object laPlain: TLabel\n      Left = 5\n      Top = 7\n      Caption = 'Plain words'\n    end\n"
           "  end\n"
           "  object laBold: TLabel\n    Left = 90\n    Top = 10\n    Caption = 'Bold words'\n"
           "    Font.Name = 'Arial'\n    Font.Height = -10\n    Font.Style = [fsBold]\n  end\n"
           "  object btnOne: TButton\n    Left = 100\n    Top = 181\n    Width = 65\n    Height = 15\n"
           "    Caption = 'One'\n  end\n"
           "  object btnTwo: TButton\n    Left = 165\n    Top = 181\n    Width = 65\n    Height = 15\n"
           "    Caption = 'Two'\n  end\n"
           "  object cbList: TComboBox\n    Left = 90\n    Top = 40\n    Width = 120\n    Height = 15\n  end\n"
           "end\n";
}

using FormPtr = std::unique_ptr<TComponent, TComponentDeleter>;

TScalingTestForm* ReadForm(const String& text)
{
    auto* form = NewComponent<TScalingTestForm>(Application);
    const std::vector<uint8_t> data = FormTextToBinary(text);
    try {
        form->ReadFormData(data.data(), data.size());
    } catch (...) {
        form->Free();
        throw;
    }
    return form;
}

template <class T> T* Find(TForm* form, const char* name) { return dynamic_cast<T*>(form->FindComponent(name)); }

RECT Bounds(TWinControl* c) { return RECT{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()}; }

int TextWidthIn(TFont* font, const char* text)
{
    TMeasureDC m(font);
    return m.Canvas().TextWidth(text);
}

TEST(FormScaling, AFormIsLaidOutForItsMonitorsDensityWhenRead)
{
    ASSERT_EQ(MonitorPixelsPerInch(TargetMonitor(nullptr)), 96) << "the tests' prefix shows at 100 %";
    TScalingTestForm* form = ReadForm(FormText("64", ""));
    FormPtr guard(form);
    EXPECT_EQ(form->PixelsPerInch(), 96);
    EXPECT_EQ(form->DesignPixelsPerInch(), 64);
    form->Show();
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 510);
    EXPECT_EQ(client.bottom, 306);

    auto* panel = Find<TPanel>(form, "pnSide");
    const RECT p = Bounds(panel);
    EXPECT_EQ(p.left, 5);  // 4.5 rounds up
    EXPECT_EQ(p.top, 5);
    EXPECT_EQ(p.right, 120);
    EXPECT_EQ(p.bottom, 261);  // 260.5
    // Edges that met still meet, whatever the rounding of each size.
    EXPECT_EQ(Bounds(Find<TButton>(form, "btnOne")).right, Bounds(Find<TButton>(form, "btnTwo")).left);

    EXPECT_EQ(form->Font()->Height(), -12);
    auto* plain = Find<TLabel>(form, "laPlain");
    auto* bold = Find<TLabel>(form, "laBold");
    EXPECT_EQ(plain->Font()->Height(), -12) << "a parent's font arrives scaled";
    EXPECT_EQ(bold->Font()->Height(), -15) << "an own font is scaled itself";
    EXPECT_EQ(plain->Left(), 8);  // 7.5
    EXPECT_EQ(bold->Width(), TextWidthIn(bold->Font(), "Bold words")) << "auto-sized in the scaled font";
    EXPECT_EQ(robot::LayoutFaults(form->Handle()), "");
}

TEST(FormScaling, AnUnscaledFormKeepsItsDesignPixels)
{
    TScalingTestForm* form = ReadForm(FormText("64", "  Scaled = False\n"));
    FormPtr guard(form);
    EXPECT_EQ(form->PixelsPerInch(), 64);
    EXPECT_EQ(form->Font()->Height(), -8);
    EXPECT_EQ(Bounds(Find<TPanel>(form, "pnSide")).right, 80);
}

TEST(FormScaling, ADensityNoMonitorHasIsARefusedResource)
{
    for (const char* bad : {"0", "-96", "100000"}) EXPECT_THROW(ReadForm(FormText(bad, "")), EReadError) << bad;
}

// A move to a monitor of another density: the system suggests the
// window's new rectangle, and the form is laid out again for it.
TEST(FormScaling, AMoveToAnotherMonitorsDensityLaysTheFormOutAgain)
{
    TScalingTestForm* form = ReadForm(FormText("96", ""));
    FormPtr guard(form);
    form->Show();
    auto* panel = Find<TPanel>(form, "pnSide");
    auto* bold = Find<TLabel>(form, "laBold");
    const RECT before = Bounds(panel);
    const int boldHeight = bold->Font()->Height();

    RECT suggested{40, 30, 40 + 700, 30 + 450};
    SendMessageA(form->Handle(), kWmDpiChanged, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    RECT window;
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 30);
    EXPECT_EQ(window.right - window.left, 700);
    EXPECT_EQ(window.bottom - window.top, 450);
    EXPECT_EQ(form->PixelsPerInch(), 192);
    EXPECT_EQ(Bounds(panel).right, 2 * before.right);
    EXPECT_EQ(bold->Font()->Height(), 2 * boldHeight);
    RECT shown;
    GetWindowRect(panel->Handle(), &shown);
    EXPECT_EQ(shown.right - shown.left, 2 * (before.right - before.left)) << "the window follows";
    RECT dropped;
    auto* list = Find<TComboBox>(form, "cbList");
    SendMessageA(list->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GT(dropped.bottom - dropped.top, 3 * list->Height()) << "the combo box still has room for its list";

    // A density no monitor has, or no rectangle, is no move.
    RECT stray{0, 0, 1, 1};
    SendMessageA(form->Handle(), kWmDpiChanged, 0, reinterpret_cast<LPARAM>(&stray));
    SendMessageA(form->Handle(), kWmDpiChanged, MAKEWPARAM(96, 96), 0);
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, 700);
    EXPECT_EQ(form->PixelsPerInch(), 192);

    suggested = RECT{10, 10, 400, 300};
    SendMessageA(form->Handle(), kWmDpiChanged, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    const RECT after = Bounds(panel);
    EXPECT_TRUE(EqualRect(&after, &before)) << "back at the first density, back at the first layout";
    EXPECT_EQ(bold->Font()->Height(), boldHeight);
}

TEST(LayoutCheck, NamesACutTextAndAControlOutsideItsParent)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    FormPtr guard(form);
    form->SetBounds(0, 0, 320, 220);
    form->Font()->SetName("Arial");
    form->Font()->SetHeight(-16);
    auto* label = NewComponent<TLabel>(form);
    label->SetName("laNarrow");
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 290, 22);
    label->SetCaption("A caption of some length");
    label->SetParent(form);
    auto* wrapped = NewComponent<TLabel>(form);
    wrapped->SetName("laWrapped");
    wrapped->SetAutoSize(false);
    wrapped->SetWordWrap(true);
    wrapped->SetBounds(10, 40, 120, 80);
    wrapped->SetCaption("Words that take two lines");
    wrapped->SetParent(form);
    auto* panel = NewComponent<TPanel>(form);
    panel->SetBounds(10, 130, 100, 40);
    panel->SetParent(form);
    auto* button = NewComponent<TButton>(form);
    button->SetName("btnWide");
    button->SetBounds(5, 5, 80, 30);
    button->SetCaption("OK");
    button->SetParent(panel);
    form->Show();
    EXPECT_EQ(robot::LayoutFaults(form->Handle()), "");

    label->SetWidth(TextWidthIn(label->Font(), "A caption of some length") - 1);
    wrapped->SetHeight(20);
    button->SetWidth(120);
    const String faults = robot::LayoutFaults(form->Handle());
    EXPECT_NE(faults.find("laNarrow: its text \"A caption of some length\" needs"), String::npos) << faults;
    EXPECT_NE(faults.find("laWrapped: its text"), String::npos) << "two lines in one line's height\n" << faults;
    EXPECT_NE(faults.find("btnWide lies at 5,5-125,35, outside the client area 0,0-100,40"), String::npos) << faults;
}

// The picture of a stretched image is filtered, not repeated pixel by
// pixel: between a black and a white source pixel lie greys.
TEST(ImageStretch, AStretchedPictureIsFilteredSmoothly)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    FormPtr guard(form);
    form->SetBounds(0, 0, 200, 100);
    auto* image = NewComponent<TImage>(form);
    image->SetBounds(0, 0, 80, 20);
    image->SetStretch(true);
    image->SetParent(form);
    // A 2 x 1 bitmap: black, white (rows padded to 4 bytes).
    std::vector<uint8_t> bmp(54 + 8, 0);
    const uint8_t header[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                              0,   0,   0,  2, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    std::copy(std::begin(header), std::end(header), bmp.begin());
    bmp[57] = bmp[58] = bmp[59] = 0xFF;
    image->Picture()->LoadFromBmp(bmp);
    form->Show();

    for (int width : {80, 60}) {
        image->SetWidth(width);
        UpdateWindow(image->Handle());
        TPixels shot(width, 20);
        HDC dc = GetDC(image->Handle());
        BitBlt(shot.DC(), 0, 0, width, 20, dc, 0, 0, SRCCOPY);
        ReleaseDC(image->Handle(), dc);
        EXPECT_EQ(shot.At(0, 10), RGB(0, 0, 0)) << width;
        EXPECT_EQ(shot.At(width - 1, 10), RGB(255, 255, 255)) << width;
        int greys = 0;
        for (int x = 0; x < width; ++x) {
            const int v = GetRValue(shot.At(x, 10));
            greys += v > 16 && v < 240;
        }
        EXPECT_GE(greys, 2) << "a width of " << width << " shows a blend, in the width it has now";
    }
}

}  // namespace
