// Colours, fonts, pictures and a drawing surface over GDI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/persistent.h"

// A colour: 0x00BBGGRR, or a system colour (0x80000000 | COLOR_xxx).
using TColor = int32_t;
inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
inline constexpr TColor SystemColor(int index)
{
    return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index));
}
inline constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE), clWindow = SystemColor(COLOR_WINDOW),
                        clWindowText = SystemColor(COLOR_WINDOWTEXT), clHighlight = SystemColor(COLOR_HIGHLIGHT),
                        clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT), clBtnText = SystemColor(COLOR_BTNTEXT),
                        clBtnShadow = SystemColor(COLOR_BTNSHADOW), clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);

COLORREF ColorToRGB(TColor c);
// A colour in a form resource: an integer or a name such as clBtnFace.
TColor ReadColor(TFormReader& reader);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bit n = TFontStyle n
const TEnumInfo& FontStyleNames();

class TFont : public TPersistent {
    NIMBO_CLASS()

public:
    TFont() = default;
    ~TFont() override;
    void Assign(const TPersistent* source) override;

    const String& Name() const { return name_; }
    void SetName(const String& v);
    int Height() const { return height_; }
    void SetHeight(int v);
    int Size() const;  // points at 96 pixels per inch
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor v);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles v);
    void SetCharset(int v);

    HFONT Handle();
    std::function<void()> OnChange;

private:
    void Changed();
    String name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    int charset_ = DEFAULT_CHARSET;
    HFONT handle_ = nullptr;
};

// A bitmap picture. Its stored form is the class name "TBitmap" as a short
// string followed by a BMP file.
class TPicture : public TPersistent {
    NIMBO_CLASS()

public:
    TPicture() = default;
    ~TPicture() override;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    bool Empty() const { return bitmap_ == nullptr; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Loads a BMP file image; raises EReadError for anything else.
    void LoadFromBmp(const std::vector<uint8_t>& bmp);
    void Clear();
    std::function<void()> OnChange;

private:
    void ReadData(TReader& r);
    std::vector<uint8_t> bmp_;
    HBITMAP bitmap_ = nullptr;
    int width_ = 0, height_ = 0;
};

// A drawing surface over a device context (not owned).
class TCanvas {
public:
    explicit TCanvas(HDC dc = nullptr) : dc_(dc) {}
    HDC Handle() const { return dc_; }
    void SetHandle(HDC dc) { dc_ = dc; }
    void SelectFont(TFont& font);
    int TextWidth(std::string_view text) const;
    int TextHeight(std::string_view text) const;
    void FillRect(const RECT& r, TColor color);
    void TextOut(int x, int y, std::string_view text);
    void TextRect(const RECT& clip, int x, int y, std::string_view text);

private:
    HDC dc_;
};

// A screen-compatible device context for measuring text with a font.
class TMeasureDC {
public:
    explicit TMeasureDC(TFont* font);
    ~TMeasureDC();
    TMeasureDC(const TMeasureDC&) = delete;
    TMeasureDC& operator=(const TMeasureDC&) = delete;
    TCanvas& Canvas() { return canvas_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
    TCanvas canvas_;
};
