// What the built files tell the system about themselves: the version
// resource of the program and of both modules, and the program's manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string BuiltFile(const char* name) { return std::string(NIMBO_BUILD_DIR) + "\\" + name; }

struct VersionInfo {
    std::vector<char> data;
    VS_FIXEDFILEINFO fixed{};
    std::string Value(const char* name) const
    {
        void* p = nullptr;
        UINT len = 0;
        const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        if (!VerQueryValueA(data.data(), key.c_str(), &p, &len) || !p) return "(none)";
        return std::string(static_cast<const char*>(p));
    }
};

VersionInfo ReadVersion(const std::string& file)
{
    VersionInfo v;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (!size) return v;
    v.data.resize(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, v.data.data())) return v;
    void* p = nullptr;
    UINT len = 0;
    if (VerQueryValueA(v.data.data(), "\\", &p, &len) && len >= sizeof v.fixed)
        v.fixed = *static_cast<VS_FIXEDFILEINFO*>(p);
    return v;
}

TEST(ProductResources, EveryFileSaysWhatItIsInItsVersionResource)
{
    struct Expected {
        const char* file;
        const char* description;
        DWORD type;
    };
    const Expected files[] = {{"setup.exe", "Nimbo Setup program", VFT_APP},
                              {"TNLANG32.DLL", "Nimbo Setup language library", VFT_DLL},
                              {"TNComp32.DLL", "Nimbo Setup compression library", VFT_DLL}};
    for (const Expected& e : files) {
        SCOPED_TRACE(e.file);
        const VersionInfo v = ReadVersion(BuiltFile(e.file));
        ASSERT_FALSE(v.data.empty()) << "no version resource";
        EXPECT_EQ(v.fixed.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(v.fixed.dwFileType, e.type);
        EXPECT_EQ(v.fixed.dwFileVersionMS, 0x00010000u);
        EXPECT_EQ(v.fixed.dwProductVersionMS, v.fixed.dwFileVersionMS);
        EXPECT_EQ(v.Value("ProductName"), "Nimbo Setup");
        EXPECT_EQ(v.Value("FileDescription"), e.description);
        EXPECT_EQ(v.Value("OriginalFilename"), e.file);
        EXPECT_EQ(v.Value("FileVersion"), "1.0.0.0");
        EXPECT_EQ(v.Value("LegalCopyright").rfind("Copyright \xA9 ", 0), 0u) << v.Value("LegalCopyright");
        EXPECT_NE(v.Value("LegalCopyright").find("Nimbo Setup developers"), std::string::npos);
    }
}

// The manifest as the system reads it when the program starts: an
// activation context made from the program's resource.
class Manifest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = BuiltFile("setup.exe");
        ACTCTXA ctx{};
        ctx.cbSize = sizeof ctx;
        ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        ctx.lpSource = source.c_str();
        ctx.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
        context = CreateActCtxA(&ctx);
    }
    void TearDown() override
    {
        if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
    }
    std::vector<char> Query(ULONG infoClass, DWORD index = 0)
    {
        SIZE_T needed = 0;
        QueryActCtxW(0, context, index ? &index : nullptr, infoClass, nullptr, 0, &needed);
        std::vector<char> buf(needed ? needed : 1);
        if (!QueryActCtxW(0, context, index ? &index : nullptr, infoClass, buf.data(), buf.size(), &needed))
            buf.clear();
        return buf;
    }
    std::string source;
    HANDLE context = INVALID_HANDLE_VALUE;
};

TEST_F(Manifest, IsThereAndWellFormed)
{
    HMODULE exe = LoadLibraryExA(source.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC res = FindResourceA(exe, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    EXPECT_NE(res, nullptr);
    const DWORD size = res ? SizeofResource(exe, res) : 0;
    const std::string text(res ? static_cast<const char*>(LockResource(LoadResource(exe, res))) : "", size);
    FreeLibrary(exe);
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    // The system parses it into an activation context, or refuses it.
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the manifest was refused, error " << GetLastError();
}

// The user's own rights: a per-user install needs no more, and a
// machine-wide run asks for them itself (through runas) when it lacks them.
TEST_F(Manifest, AsksToRunAsInvoker)
{
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    const auto buf = Query(RunlevelInformationInActivationContext);
    ASSERT_GE(buf.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
    const auto* level = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(buf.data());
    EXPECT_EQ(level->RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_FALSE(level->UiAccess);
}

TEST_F(Manifest, NamesEveryWindowsFromVistaToEleven)
{
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    const auto buf = Query(CompatibilityInformationInActivationContext);
    ASSERT_GE(buf.size(), sizeof(DWORD));
    // The element as the system gives it today (the cross compiler's
    // headers lack its last field).
    struct Element {
        GUID Id;
        DWORD Type;
        ULONGLONG MaxVersionTested;
    };
    DWORD count = 0;
    memcpy(&count, buf.data(), sizeof count);
    ASSERT_GE(buf.size(), alignof(Element) + count * sizeof(Element));
    const auto* elements = reinterpret_cast<const Element*>(buf.data() + alignof(Element));
    std::vector<std::string> ids;
    for (DWORD i = 0; i < count; ++i) {
        EXPECT_EQ(elements[i].Type, static_cast<DWORD>(ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS));
        const GUID& g = elements[i].Id;
        char text[40];
        snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x", static_cast<unsigned long>(g.Data1), g.Data2, g.Data3,
                 g.Data4[0], g.Data4[1]);
        ids.push_back(text);
    }
    EXPECT_EQ(ids,
              (std::vector<std::string>{"e2011457-1546-43c5-a5fe", "35138b9a-5d96-4fbd-8e2d", "4a2f28e3-53b9-4441-ba9c",
                                        "1f676c76-80e1-4239-95bb", "8e0f7a12-bfb3-4fe8-b9a5"}));
}

TEST_F(Manifest, BringsVersionSixOfTheCommonControls)
{
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    // Index 1 is the program itself, the dependencies follow.
    bool found = false;
    for (DWORD i = 2; i < 8 && !found; ++i) {
        const auto buf = Query(AssemblyDetailedInformationInActivationContext, i);
        if (buf.empty()) break;
        const auto* a = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buf.data());
        if (!a->lpAssemblyEncodedAssemblyIdentity) continue;
        const std::wstring id = a->lpAssemblyEncodedAssemblyIdentity;
        found = id.find(L"Microsoft.Windows.Common-Controls") != std::wstring::npos &&
                id.find(L"version=\"6.") != std::wstring::npos;
    }
    EXPECT_TRUE(found);
}

}  // namespace
