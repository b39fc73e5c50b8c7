#include "product_version_info.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/exceptions.h"
#include "framework/value_stream.h"
#include "script/product_version.h"

namespace {
// One node of the resource: length, value length, type, its key in UTF-16,
// the value and the children, each start aligned on four bytes.
class TNode {
public:
    explicit TNode(const char* key, WORD type = 1) : type_(type) { Put(key, true); }
    void Text(const String& value)
    {
        Align();
        valueLength_ = static_cast<WORD>(Wide(value).size() / 2 + 1);
        Put(value, true);
    }
    void Binary(const void* data, WORD size)
    {
        Align();
        valueLength_ = size;
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Child(const TNode& child)
    {
        Align();
        const std::vector<uint8_t> b = child.Bytes();
        bytes_.insert(bytes_.end(), b.begin(), b.end());
    }
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> out(6);
        const WORD length = static_cast<WORD>(6 + bytes_.size());
        const WORD head[3] = {length, valueLength_, type_};
        std::memcpy(out.data(), head, 6);
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }

private:
    static std::vector<uint8_t> Wide(const String& text)
    {
        std::vector<wchar_t> w(text.size() + 1);
        const int n = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), w.data(),
                                          static_cast<int>(w.size()));
        const auto* p = reinterpret_cast<const uint8_t*>(w.data());
        return std::vector<uint8_t>(p, p + 2 * std::max(n, 0));
    }
    void Put(const String& text, bool terminated)
    {
        const std::vector<uint8_t> w = Wide(text);
        bytes_.insert(bytes_.end(), w.begin(), w.end());
        if (terminated) bytes_.insert(bytes_.end(), 2, 0);
    }
    // Offsets count from the node's start, whose header is six bytes.
    void Align()
    {
        while ((6 + bytes_.size()) % 4) bytes_.push_back(0);
    }
    WORD valueLength_ = 0;
    WORD type_;
    std::vector<uint8_t> bytes_;
};
}  // namespace

TProductInfo ProductInfoOf(const TFormObject& form, const String& title)
{
    const TFormObject* info = FindOfClass(form, "TNimboInfo");
    TProductInfo p{StringOf(&form, "UnInstallName"), StringOf(info, "Version"), StringOf(info, "Publisher")};
    if (p.name.empty()) p.name = title;
    if (!p.version.empty() && !IsProductVersion(p.version))
        throw ENimboError(Format("the form's Version '%s' is no version: expected up to four numbers of at most 65535 "
                                 "separated by dots",
                                 p.version));
    return p;
}

std::vector<uint8_t> ProductVersionResource(const TProductInfo& product)
{
    const auto n = ProductVersionNumbers(product.version);
    const String version = product.version.empty() ? String("0.0.0.0") : product.version;
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = fixed.dwProductVersionMS = static_cast<DWORD>(n[0]) << 16 | n[1];
    fixed.dwFileVersionLS = fixed.dwProductVersionLS = static_cast<DWORD>(n[2]) << 16 | n[3];
    fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    fixed.dwFileOS = VOS_NT_WINDOWS32;
    fixed.dwFileType = VFT_APP;
    TNode table("040904E4");
    const std::pair<const char*, String> values[] = {
        {"CompanyName", product.publisher}, {"FileDescription", product.name + " Setup"},
        {"FileVersion", version},           {"InternalName", "setup"},
        {"OriginalFilename", "setup.exe"},  {"ProductName", product.name},
        {"ProductVersion", version}};
    for (const auto& [key, value] : values) {
        if (value.empty()) continue;
        TNode v(key);
        v.Text(value);
        table.Child(v);
    }
    TNode strings("StringFileInfo");
    strings.Child(table);
    TNode translation("Translation", 0);
    const WORD lang[2] = {0x0409, 1252};
    translation.Binary(lang, sizeof lang);
    TNode vars("VarFileInfo");
    vars.Child(translation);
    TNode root("VS_VERSION_INFO", 0);
    root.Binary(&fixed, sizeof fixed);
    root.Child(strings);
    root.Child(vars);
    return root.Bytes();
}
