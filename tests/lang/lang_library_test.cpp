// The language library: its blocks, its names, and that every translation
// keeps the placeholders and accelerators of the built-in English text.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/message_ids.h"

namespace {

constexpr int kMessages = kMessageCount;
constexpr UINT kEnglishBase = 5000;

// The build passes the library's Unix path; Wine shows the Unix root as Z:.
std::string LibraryPath()
{
    std::string path = std::string("Z:") + NIMBO_TNLANG32_FILE;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::optional<std::string> LoadA(HMODULE module, UINT id)
{
    char buffer[2048];
    int n = LoadStringA(module, id, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    return std::string(buffer, n);
}

std::optional<std::wstring> LoadW(HMODULE module, UINT id)
{
    wchar_t buffer[2048];
    int n = LoadStringW(module, id, buffer, 2048);
    if (n <= 0) return std::nullopt;
    return std::wstring(buffer, n);
}

std::string ToCp1252(const std::wstring& text)
{
    int n = WideCharToMultiByte(1252, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(1252, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The "%s" and "%d" of a text in order; the program fills them in that order.
std::string Placeholders(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%') {
            out += text[i + 1];
            ++i;
        }
    }
    return out;
}

class LangLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = LoadLibraryA(LibraryPath().c_str()); }
    static void TearDownTestSuite()
    {
        if (library_) FreeLibrary(library_);
        library_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(library_, nullptr) << "cannot load " << LibraryPath(); }

    static std::string English(int n)
    {
        auto text = LoadA(GetModuleHandleA(nullptr), kEnglishBase + n);
        EXPECT_TRUE(text) << "English message " << n;
        return text.value_or("");
    }

    static HMODULE library_;
};

HMODULE LangLibrary::library_ = nullptr;

const UINT kBlocks[] = {0, 1000};

TEST_F(LangLibrary, LanguageNames)
{
    EXPECT_EQ(LoadW(library_, 0), std::wstring(L"Fran\u00e7ais"));
    EXPECT_EQ(ToCp1252(LoadW(library_, 0).value_or(L"")), "Fran\xe7"
                                                          "ais");
    if (GetACP() == 1252) {
        EXPECT_EQ(LoadA(library_, 0), std::string("Fran\xe7"
                                                  "ais"));
    }
    EXPECT_EQ(LoadA(library_, 1000), std::string("Deutsch"));
    EXPECT_EQ(LoadA(library_, 1), std::string("FRA"));
    EXPECT_EQ(LoadA(library_, 1001), std::string("DEU"));
}

TEST_F(LangLibrary, ListEndsAfterTwoLanguages)
{
    EXPECT_FALSE(LoadA(library_, 2000));
    EXPECT_FALSE(LoadA(library_, kMessages));
    EXPECT_FALSE(LoadA(library_, 1000 + kMessages));
}

TEST_F(LangLibrary, EveryMessageTranslated)
{
    for (UINT base : kBlocks) {
        for (int n = 0; n < kMessages; ++n) {
            auto text = LoadA(library_, base + n);
            ASSERT_TRUE(text) << "string " << base + n;
            EXPECT_FALSE(text->empty());
            // "&OK", "Confirmation" and "Information" are the same word in some languages.
            if (n != 17 && n != 23 && n != 24) {
                EXPECT_NE(*text, English(n)) << "string " << base + n << " left in English";
            }
        }
    }
}

TEST_F(LangLibrary, PlaceholdersKeepCountAndOrder)
{
    for (UINT base : kBlocks) {
        for (int n = 0; n < kMessages; ++n) {
            EXPECT_EQ(Placeholders(LoadA(library_, base + n).value_or("")), Placeholders(English(n)))
                << "string " << base + n;
        }
    }
}

TEST_F(LangLibrary, AcceleratorsWhereEnglishHasThem)
{
    for (UINT base : kBlocks) {
        for (int n = 0; n < kMessages; ++n) {
            std::string text = LoadA(library_, base + n).value_or("");
            std::string english = English(n);
            bool has = english.find('&') != std::string::npos;
            EXPECT_EQ(text.find('&') != std::string::npos, has) << "string " << base + n;
            if (has) {
                auto pos = text.find('&');
                EXPECT_EQ(text.find('&', pos + 1), std::string::npos) << "string " << base + n;
                ASSERT_LT(pos + 1, text.size()) << "string " << base + n;
            }
        }
    }
}

// Message dialogs and the wizard show several of these buttons at once.
TEST_F(LangLibrary, ButtonAcceleratorsDistinct)
{
    for (UINT base : kBlocks) {
        std::set<int> letters;
        for (int n = 8; n <= 19; ++n) {
            std::string text = LoadA(library_, base + n).value_or("");
            auto pos = text.find('&');
            ASSERT_NE(pos, std::string::npos);
            EXPECT_TRUE(letters.insert(std::tolower(static_cast<unsigned char>(text[pos + 1]))).second)
                << "string " << base + n << " repeats an accelerator";
        }
    }
}

// Product and file names stay as they are in every language.
TEST_F(LangLibrary, NamesKeptVerbatim)
{
    const char* const kNames[] = {"BDE", "Borland Database Engine", "RUNNEL.EXE"};
    for (UINT base : kBlocks) {
        for (int n = 0; n < kMessages; ++n) {
            std::string text = LoadA(library_, base + n).value_or("");
            std::string english = English(n);
            for (const char* name : kNames) {
                if (english.find(name) != std::string::npos) {
                    EXPECT_NE(text.find(name), std::string::npos) << "string " << base + n << ": " << name;
                }
            }
        }
    }
}

// Message 7 keeps the two blanks between its sentences.
TEST_F(LangLibrary, TwoBlanksBetweenSentences)
{
    for (UINT base : kBlocks) {
        EXPECT_NE(LoadA(library_, base + 7).value_or("").find(".  "), std::string::npos);
    }
}

TEST_F(LangLibrary, GermanNextButton)
{
    EXPECT_EQ(LoadA(library_, 1009), std::string("&Weiter"));
    EXPECT_EQ(LoadA(library_, 9), std::string("&Suivant"));
}

}  // namespace
