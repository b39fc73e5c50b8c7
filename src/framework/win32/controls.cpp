#include "framework/win32/controls.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "framework/properties.h"

namespace {
const char kNameProp[] = "NimboName";
// The font the control draws its text with, for a driver that measures
// it: "height weight italic face" (a font handle means nothing in another
// process).
const char kFontProp[] = "NimboFont";

// Puts `text` on the window as a global atom under `prop`, in place of the
// one `atom` held; an empty text removes it.
void StoreAtomProp(HWND h, const char* prop, ATOM& atom, const String& text)
{
    if (atom) {
        GlobalDeleteAtom(atom);
        atom = 0;
    }
    if (!text.empty()) atom = GlobalAddAtomA(text.c_str());
    if (atom)
        SetPropA(h, prop, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
    else
        RemovePropA(h, prop);
}

String FontDescription(TFont& font)
{
    LOGFONTA lf{};
    GetObjectA(font.Handle(), sizeof lf, &lf);
    char buf[LF_FACESIZE + 40];
    snprintf(buf, sizeof buf, "%ld %ld %d %s", lf.lfHeight, lf.lfWeight, lf.lfItalic ? 1 : 0, lf.lfFaceName);
    return buf;
}

// Which object a window of ours belongs to. A table in the process, not a
// window property: every message looks its window up, and a property is a
// round trip to the window system's server on some platforms (thousands a
// second while the copy page reports progress). Windows of other processes
// and windows not made by the framework are never in it. Sorted by handle.
using TWindowTable = std::vector<std::pair<HWND, TWinControl*>>;

TWindowTable& WindowTable()
{
    static TWindowTable table;
    return table;
}

// Where h's entry is, or would go.
TWindowTable::iterator WindowPosition(HWND h)
{
    auto& t = WindowTable();
    return std::lower_bound(t.begin(), t.end(), h,
                            [](const std::pair<HWND, TWinControl*>& e, HWND key) { return e.first < key; });
}

// h's entry, or the table's end.
TWindowTable::iterator WindowEntry(HWND h)
{
    auto it = WindowPosition(h);
    return it != WindowTable().end() && it->first == h ? it : WindowTable().end();
}

void AttachWindow(HWND h, TWinControl* c)
{
    auto it = WindowEntry(h);
    if (it != WindowTable().end())
        it->second = c;
    else
        WindowTable().insert(WindowPosition(h), {h, c});
}

void DetachWindow(HWND h)
{
    auto it = WindowEntry(h);
    if (it != WindowTable().end()) WindowTable().erase(it);
}
}  // namespace

const TEnumInfo& AlignNames()
{
    static const TEnumInfo info{{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
    return info;
}

namespace {
// An exception never unwinds through the window system: it goes to the
// application's handler here.
LRESULT DispatchToControl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* self = TWinControl::FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return self->CallWndProc(msg, wParam, lParam);
    } catch (...) {
        HandleWindowException();
        return 0;
    }
}
}  // namespace

LRESULT CALLBACK NimboWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<TWinControl*>(cs->lpCreateParams);
        if (self) {
            AttachWindow(hwnd, self);
            self->handle_ = hwnd;
        }
    }
    return DispatchToControl(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK NimboSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DispatchToControl(hwnd, msg, wParam, lParam);
}

const char* FrameworkWindowClass()
{
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = NimboWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
        wc.lpszClassName = "TNimboWindow";
        RegisterClassA(&wc);
        return "TNimboWindow";
    }();
    return name;
}

NIMBO_DEFINE_CLASS(TWinControl, TComponent, false,
                   p.Int("Left", &TWinControl::SetLeft)
                       .Int("Top", &TWinControl::SetTop)
                       .Int("Width", &TWinControl::SetWidth)
                       .Int("Height", &TWinControl::SetHeight)
                       .Bool("Visible", &TWinControl::SetVisible)
                       .Bool("Enabled", &TWinControl::SetEnabled)
                       .Str("Caption", &TWinControl::SetCaption)
                       .Str("Text", &TWinControl::SetCaption)
                       .Enum("Align", &TWinControl::SetAlign, AlignNames())
                       .Custom("Color", [](TWinControl* c, TFormReader& r) { c->SetColor(ReadColor(r)); })
                       .Bool("ParentColor", &TWinControl::SetParentColor)
                       .Bool("ParentFont", &TWinControl::SetParentFont)
                       .Object("Font", &TWinControl::Font)
                       .Bool("TabStop", &TWinControl::SetTabStop)
                       .Event("OnClick", &TWinControl::OnClick)
                       .Int("TabOrder", &TWinControl::SetTabOrder)
                       .Ignore("Hint")
                       .Ignore("ShowHint")
                       .Ignore("ParentShowHint")
                       .Ignore("Ctl3D")
                       .Ignore("ParentCtl3D"))

TWinControl::TWinControl()
{
    font_.OnChange = [this] {
        if (!fontFromParent_) parentFont_ = false;
        FontChanged();
    };
}

TWinControl::~TWinControl()
{
    for (TWinControl* c : controls_) c->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
    DestroyWnd();
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        auto& t = parent_->tabList_;
        t.erase(std::remove(t.begin(), t.end(), this), t.end());
    }
    if (nameAtom_) GlobalDeleteAtom(nameAtom_);
    if (fontAtom_) GlobalDeleteAtom(fontAtom_);
    if (brush_) DeleteObject(brush_);
}

TWinControl* TWinControl::FromHandle(HWND h)
{
    auto it = WindowEntry(h);
    return it != WindowTable().end() ? it->second : nullptr;
}

void TWinControl::SetParentComponent(TComponent* c)
{
    if (auto* w = dynamic_cast<TWinControl*>(c)) SetParent(w);
}

void TWinControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        auto& t = parent_->tabList_;
        t.erase(std::remove(t.begin(), t.end(), this), t.end());
    }
    parent_ = parent;
    if (!parent) {
        DestroyWnd();
        return;
    }
    parent->controls_.push_back(this);
    parent->tabList_.push_back(this);
    if (parentFont_) ParentFontChanged(parent->font_);
    if (parentColor_) color_ = parent->color_;
    if (parent->HandleAllocated()) {
        if (handle_)
            ::SetParent(handle_, parent->handle_);
        else
            CreateWnd();
    }
    if (align_ != alNone) parent->AlignControls();
}

void TWinControl::SetName(const String& name)
{
    TComponent::SetName(name);
    if (handle_) StoreNameOnWindow();
}

void TWinControl::StoreNameOnWindow() { StoreAtomProp(handle_, kNameProp, nameAtom_, Name()); }

void TWinControl::ApplyFont(BOOL redraw)
{
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), redraw);
    StoreAtomProp(handle_, kFontProp, fontAtom_, FontDescription(font_));
}

HWND TWinControl::ParentHandle() { return parent_ ? parent_->Handle() : nullptr; }

HWND TWinControl::Handle()
{
    if (!handle_) CreateWnd();
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (parent_) params.style |= WS_CHILD;
}

void TWinControl::CreateWnd()
{
    if (handle_) return;
    TCreateParams p;
    CreateParams(p);
    if (visible_ && parent_) p.style |= WS_VISIBLE;
    if (!enabled_) p.style |= WS_DISABLED;
    if (tabStop_) p.style |= WS_TABSTOP;
    HWND parent = ParentHandle();
    // Making the parent's window makes its children's, this one's included:
    // a second window would be left behind, pointing at this object.
    if (handle_) return;
    // Long texts go in after creation (an edit refuses a long initial text).
    if (caption_.size() < 30000) p.text = caption_.c_str();
    if (p.className.empty()) {
        CreateWindowExA(p.exStyle, FrameworkWindowClass(), p.text, p.style, left_, top_, width_, height_, parent,
                        nullptr, GetModuleHandleA(nullptr), this);
        if (!handle_) throw EComponentError("Error creating window for " + Name());
    } else {
        HWND h = CreateWindowExA(p.exStyle, p.className.c_str(), p.text, p.style, left_, top_, width_, height_, parent,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!h) throw EComponentError("Error creating window for " + Name());
        handle_ = h;
        AttachWindow(h, this);
        oldProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NimboSubclassProc)));
    }
    StoreNameOnWindow();
    InitWnd();
    CreateChildren();
}

void TWinControl::CreateChildren()
{
    for (TWinControl* c : std::vector<TWinControl*>(controls_))
        if (!c->handle_) c->CreateWnd();
    AlignControls();
}

void TWinControl::InitWnd() { ApplyFont(FALSE); }

void TWinControl::DestroyWnd()
{
    if (!handle_) return;
    HWND h = handle_;
    DestroyWindow(h);
    handle_ = nullptr;
    oldProc_ = nullptr;
}

void TWinControl::RecreateWnd()
{
    if (!handle_) return;
    const bool hadFocus = Focused();
    DestroyWnd();
    CreateWnd();
    if (hadFocus) SetFocus();
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (oldProc_) return CallWindowProcA(oldProc_, handle_, msg, wParam, lParam);
    return DefWindowProcA(handle_, msg, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            if (TWinControl* c = FromHandle(reinterpret_cast<HWND>(lParam))) {
                c->CommandNotify(HIWORD(wParam));
                return 0;
            }
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (TWinControl* c = FromHandle(reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(c->CtlColor(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_ERASEBKGND:
        // The framework's own windows fill their background as they paint.
        if (!oldProc_) return TRUE;
        break;
    case WM_PAINT:
        if (!oldProc_) {
            PaintWindow();
            return 0;
        }
        break;
    case WM_SIZE: {
        const LRESULT r = DefaultHandler(msg, wParam, lParam);
        WindowResized();
        return r;
    }
    case WM_SETFOCUS: {
        const LRESULT r = DefaultHandler(msg, wParam, lParam);
        Root()->FocusChanged(this);
        return r;
    }
    case WM_NCDESTROY: {
        const LRESULT r = DefaultHandler(msg, wParam, lParam);
        WindowDestroyed();
        return r;
    }
    default:
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TWinControl::PaintWindow()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle_, &ps);
    TCanvas canvas(dc);
    RECT r = ClientRect();
    canvas.FillRect(r, color_);
    SetBkMode(dc, TRANSPARENT);
    canvas.SelectFont(font_);
    Paint(canvas);
    EndPaint(handle_, &ps);
}

void TWinControl::WindowResized()
{
    RECT wr;
    GetWindowRect(handle_, &wr);
    width_ = wr.right - wr.left;
    height_ = wr.bottom - wr.top;
    AlignControls();
    Resized();
    if (!oldProc_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::WindowDestroyed()
{
    if (oldProc_) SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    DetachWindow(handle_);
    RemovePropA(handle_, kNameProp);
    RemovePropA(handle_, kFontProp);
    handle_ = nullptr;
    oldProc_ = nullptr;
}

void TWinControl::CommandNotify(WORD code)
{
    if (code == BN_CLICKED) Click();
}

void TWinControl::Click()
{
    if (OnClick) OnClick(this);
}

void TWinControl::Paint(TCanvas&) {}

HBRUSH TWinControl::ColorBrush()
{
    if (!brush_ || brushColor_ != color_) {
        if (brush_) DeleteObject(brush_);
        brush_ = CreateSolidBrush(ColorToRGB(color_));
        brushColor_ = color_;
    }
    return brush_;
}

HBRUSH TWinControl::CtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(font_.Color()));
    SetBkColor(dc, ColorToRGB(color_));
    return ColorBrush();
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) MoveWindow(handle_, left_, top_, width_, height_, TRUE);
    if (align_ != alNone && parent_) parent_->AlignControls();
}

int TWinControl::ClientWidth() const
{
    if (!handle_) return width_;
    RECT r;
    GetClientRect(handle_, &r);
    return r.right;
}

int TWinControl::ClientHeight() const
{
    if (!handle_) return height_;
    RECT r;
    GetClientRect(handle_, &r);
    return r.bottom;
}

RECT TWinControl::ClientRect() const { return RECT{0, 0, ClientWidth(), ClientHeight()}; }

void TWinControl::AlignControls()
{
    RECT r = ClientRect();
    static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        for (TWinControl* c : controls_) {
            if (c->align_ != a || !c->visible_) continue;
            const TAlign keep = c->align_;
            c->align_ = alNone;  // no recursion back into this layout
            switch (a) {
            case alTop:
                c->SetBounds(r.left, r.top, r.right - r.left, c->height_);
                r.top += c->height_;
                break;
            case alBottom:
                c->SetBounds(r.left, r.bottom - c->height_, r.right - r.left, c->height_);
                r.bottom -= c->height_;
                break;
            case alLeft:
                c->SetBounds(r.left, r.top, c->width_, r.bottom - r.top);
                r.left += c->width_;
                break;
            case alRight:
                c->SetBounds(r.right - c->width_, r.top, c->width_, r.bottom - r.top);
                r.right -= c->width_;
                break;
            default:
                c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
                break;
            }
            c->align_ = keep;
        }
    }
}

int TWinControl::PixelsPerInch() const { return parent_ ? parent_->PixelsPerInch() : kDesignPixelsPerInch; }

void TWinControl::ChangeScale(int to, int from)
{
    ScaleBounds(to, from);
    // A font of the parent's arrives scaled with it.
    if (!parentFont_ || !parent_) font_.SetHeight(ScaleLength(font_.Height(), to, from));
    for (TWinControl* c : std::vector<TWinControl*>(controls_)) c->ChangeScale(to, from);
    AlignControls();
    Resized();
}

void TWinControl::ScaleBounds(int to, int from)
{
    // The edges are scaled, not the sizes: controls that met still meet,
    // and each keeps its share of its parent.
    const int left = ScaleLength(left_, to, from), top = ScaleLength(top_, to, from);
    SetBounds(left, top, ScaleLength(left_ + width_, to, from) - left, ScaleLength(top_ + height_, to, from) - top);
}

void TWinControl::SetVisible(bool v)
{
    const bool hadFocus = !v && ContainsFocus();
    visible_ = v;
    if (handle_) ShowWindow(handle_, v ? SW_SHOW : SW_HIDE);
    if (align_ != alNone && parent_) parent_->AlignControls();
    if (hadFocus) Root()->FocusLost();
}

void TWinControl::SetEnabled(bool v)
{
    const bool hadFocus = !v && ContainsFocus();
    enabled_ = v;
    if (handle_) EnableWindow(handle_, v);
    if (hadFocus) Root()->FocusLost();
}

TWinControl* TWinControl::Root()
{
    TWinControl* c = this;
    while (c->parent_) c = c->parent_;
    return c;
}

bool TWinControl::Usable() const
{
    return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_) && (!parent_ || parent_->Usable());
}

bool TWinControl::ContainsFocus() const
{
    if (!handle_) return false;
    HWND f = GetFocus();
    return f && (f == handle_ || IsChild(handle_, f));
}

bool TWinControl::WantsKey(WPARAM) { return false; }

void TWinControl::FocusChanged(TWinControl* focused)
{
    for (TWinControl* c : std::vector<TWinControl*>(controls_)) c->FocusChanged(focused);
}

int TWinControl::TabOrder() const
{
    if (!parent_) return -1;
    const auto& t = parent_->tabList_;
    return static_cast<int>(std::find(t.begin(), t.end(), this) - t.begin());
}

void TWinControl::SetTabOrder(int v)
{
    if (!parent_) return;
    auto& t = parent_->tabList_;
    t.erase(std::remove(t.begin(), t.end(), this), t.end());
    // Like a form resource read in order: a position past the end is the end.
    const size_t at = v < 0 ? 0 : std::min(static_cast<size_t>(v), t.size());
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), this);
}

String TWinControl::Caption() const
{
    if (!handle_) return caption_;
    const int n = GetWindowTextLengthA(handle_);
    String s(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(handle_, s.data(), n + 1);
    s.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return s;
}

void TWinControl::SetCaption(const String& v)
{
    caption_ = v;
    if (handle_) {
        SetWindowTextA(handle_, v.c_str());
        if (!oldProc_) InvalidateRect(handle_, nullptr, TRUE);
    }
}

void TWinControl::SetAlign(TAlign a)
{
    align_ = a;
    if (parent_) parent_->AlignControls();
}

void TWinControl::SetColor(TColor c)
{
    color_ = c;
    parentColor_ = false;
    for (TWinControl* ch : controls_)
        if (ch->parentColor_) ch->ParentColorChanged(c);
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::ParentColorChanged(TColor c)
{
    SetColor(c);
    parentColor_ = true;
}

void TWinControl::SetParentColor(bool v)
{
    parentColor_ = v;
    if (v && parent_) ParentColorChanged(parent_->color_);
}

void TWinControl::SetParentFont(bool v)
{
    parentFont_ = v;
    if (v && parent_) ParentFontChanged(parent_->font_);
}

void TWinControl::ParentFontChanged(TFont& parentFont)
{
    fontFromParent_ = true;
    font_.Assign(&parentFont);
    fontFromParent_ = false;
}

void TWinControl::FontChanged()
{
    if (handle_) {
        ApplyFont(TRUE);
        InvalidateRect(handle_, nullptr, TRUE);
    }
    for (TWinControl* c : controls_)
        if (c->parentFont_) c->ParentFontChanged(font_);
}

void TWinControl::SetTabStop(bool v)
{
    tabStop_ = v;
    if (handle_) {
        LONG s = GetWindowLongA(handle_, GWL_STYLE);
        SetWindowLongA(handle_, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
    }
}

void TWinControl::SetFocus()
{
    if (handle_) ::SetFocus(handle_);
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::BringToFront()
{
    if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SendToBack()
{
    if (handle_) SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
