#include "framework/win32/graphics.h"

#include <cstring>

#include "framework/properties.h"

COLORREF ColorToRGB(TColor c)
{
    if (c < 0) return GetSysColor(c & 0xFF);
    return static_cast<COLORREF>(c);
}

namespace {
struct NamedColor {
    const char* name;
    TColor value;
};
const NamedColor kColors[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clBtnFace", clBtnFace},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnText", clBtnText},
    {"clBtnShadow", clBtnShadow},
    {"clBtnHighlight", clBtnHighlight},
};
}  // namespace

TColor ReadColor(TFormReader& reader)
{
    TValueReader& v = reader.Values();
    if (v.NextValue() == TValueType::vaIdent) {
        const String name = v.ReadIdent();
        for (const auto& c : kColors)
            if (SameText(name, c.name)) return c.value;
        TValueReader::Fail();
    }
    return v.ReadInteger();
}

const TEnumInfo& FontStyleNames()
{
    static const TEnumInfo info{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}

NIMBO_DEFINE_CLASS(TFont, TPersistent, false,
                   p.Str("Name", &TFont::SetName)
                       .Int("Height", &TFont::SetHeight)
                       .Int("Size", &TFont::SetSize)
                       .Custom("Color", [](TFont* f, TFormReader& r) { f->SetColor(ReadColor(r)); })
                       .Set("Style", &TFont::SetStyle, FontStyleNames())
                       .Custom("Charset",
                               [](TFont* f, TFormReader& r) {
                                   if (r.Values().NextValue() == TValueType::vaIdent) {
                                       r.Values().ReadIdent();
                                       f->SetCharset(DEFAULT_CHARSET);
                                   } else {
                                       f->SetCharset(r.Values().ReadInteger());
                                   }
                               })
                       .Ignore("Pitch"))

TFont::~TFont()
{
    if (handle_) DeleteObject(handle_);
}

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        name_ = f->name_;
        height_ = f->height_;
        color_ = f->color_;
        style_ = f->style_;
        charset_ = f->charset_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TFont::Changed()
{
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
    if (OnChange) OnChange();
}

void TFont::SetName(const String& v)
{
    if (v == name_) return;
    name_ = v;
    Changed();
}

void TFont::SetHeight(int v)
{
    if (v == height_) return;
    height_ = v;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, 96); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, 96, 72)); }

void TFont::SetColor(TColor v)
{
    if (v == color_) return;
    color_ = v;
    Changed();
}

void TFont::SetStyle(TFontStyles v)
{
    if (v == style_) return;
    style_ = v;
    Changed();
}

void TFont::SetCharset(int v)
{
    if (v == charset_) return;
    charset_ = v;
    Changed();
}

HFONT TFont::Handle()
{
    if (!handle_) {
        LOGFONTA lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & (1u << fsBold)) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & (1u << fsItalic)) ? 1 : 0;
        lf.lfUnderline = (style_ & (1u << fsUnderline)) ? 1 : 0;
        lf.lfStrikeOut = (style_ & (1u << fsStrikeOut)) ? 1 : 0;
        lf.lfCharSet = static_cast<BYTE>(charset_);
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
        handle_ = CreateFontIndirectA(&lf);
    }
    return handle_;
}

NIMBO_DEFINE_CLASS(TPicture, TPersistent, false, (void)0)

TPicture::~TPicture() { Clear(); }

void TPicture::Clear()
{
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    bmp_.clear();
    width_ = height_ = 0;
}

void TPicture::Assign(const TPersistent* source)
{
    if (source == nullptr) {
        Clear();
        if (OnChange) OnChange();
        return;
    }
    if (auto* p = dynamic_cast<const TPicture*>(source)) {
        if (p == this) return;
        if (p->bmp_.empty()) {
            Clear();
            if (OnChange) OnChange();
        } else {
            LoadFromBmp(p->bmp_);
        }
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        "Data", [this](TReader& r) { ReadData(r); }, nullptr, !bmp_.empty());
}

void TPicture::ReadData(TReader& r)
{
    const std::vector<uint8_t> data = r.ReadBinary();
    if (data.empty()) {
        Clear();
        return;
    }
    const size_t n = data[0];
    if (1 + n > data.size() || String(reinterpret_cast<const char*>(data.data() + 1), n) != "TBitmap")
        throw EReadError("Unsupported picture format");
    LoadFromBmp(std::vector<uint8_t>(data.begin() + static_cast<long>(1 + n), data.end()));
}

void TPicture::LoadFromBmp(const std::vector<uint8_t>& bmp)
{
    // A BMP file: file header, info header, optional palette, pixels.
    if (bmp.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bmp[0] != 'B' || bmp[1] != 'M')
        throw EReadError("Invalid bitmap");
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, bmp.data(), sizeof fh);
    BITMAPINFOHEADER ih;
    std::memcpy(&ih, bmp.data() + sizeof fh, sizeof ih);
    if (fh.bfOffBits >= bmp.size() || ih.biSize < sizeof ih || ih.biWidth <= 0 || ih.biWidth > 8192 ||
        ih.biHeight == 0 || ih.biHeight > 8192 || ih.biHeight < -8192)
        throw EReadError("Invalid bitmap");
    const long rows = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
    const long stride = ((static_cast<long>(ih.biWidth) * ih.biBitCount + 31) / 32) * 4;
    if (ih.biCompression == BI_RGB && fh.bfOffBits + static_cast<size_t>(stride * rows) > bmp.size())
        throw EReadError("Invalid bitmap");
    HDC screen = GetDC(nullptr);
    HBITMAP h = CreateDIBitmap(screen, &ih, CBM_INIT, bmp.data() + fh.bfOffBits,
                               reinterpret_cast<const BITMAPINFO*>(bmp.data() + sizeof fh), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!h) throw EReadError("Invalid bitmap");
    Clear();
    bmp_ = bmp;
    bitmap_ = h;
    width_ = ih.biWidth;
    height_ = static_cast<int>(rows);
    if (OnChange) OnChange();
}

void TCanvas::SelectFont(TFont& font)
{
    SelectObject(dc_, font.Handle());
    SetTextColor(dc_, ColorToRGB(font.Color()));
}

int TCanvas::TextWidth(std::string_view text) const
{
    SIZE s{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    return s.cx;
}

int TCanvas::TextHeight(std::string_view text) const
{
    SIZE s{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    return s.cy;
}

void TCanvas::FillRect(const RECT& r, TColor color)
{
    HBRUSH b = CreateSolidBrush(ColorToRGB(color));
    ::FillRect(dc_, &r, b);
    DeleteObject(b);
}

void TCanvas::TextOut(int x, int y, std::string_view text)
{
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const RECT& clip, int x, int y, std::string_view text)
{
    ExtTextOutA(dc_, x, y, ETO_CLIPPED, &clip, text.data(), static_cast<UINT>(text.size()), nullptr);
}

TMeasureDC::TMeasureDC(TFont* font) : dc_(CreateCompatibleDC(nullptr)), canvas_(dc_)
{
    if (font) old_ = SelectObject(dc_, font->Handle());
}

TMeasureDC::~TMeasureDC()
{
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
}
