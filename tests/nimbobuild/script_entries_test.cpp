// What a script's install makes besides files, natively: folder constants,
// [Registry], [Associations] and [Environment] as the entries component's
// lines, each fault with its place, and the line rules the setup shares.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "author_script.h"
#include "engine/entry_lines.h"
#include "form_tree.h"
#include "framework/form_text.h"
#include "framework/value_stream.h"
#include "script/nimbo_data.h"
#include "script_form.h"

namespace {

const std::vector<uint8_t>& HostForm()
{
    static const std::vector<uint8_t> form = [] {
        std::ifstream in(NIMBO_SOURCE_DIR "/src/app/nimbo_form.nfm", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return FormTextToBinary(s.str());
    }();
    return form;
}

const std::vector<TPayloadFile> kFiles = {TPayloadFile{"", "writer.exe"}, TPayloadFile{"bin", "tool.exe"},
                                          TPayloadFile{"", "readme.txt"}};

TFormObject Compile(const String& text)
{
    return ReadFormTree(CompileAuthorScript(ParseAuthorScript(text, "setup.nss"), kFiles, HostForm()).form);
}

std::vector<String> Lines(TFormObject& form, const char* property)
{
    TFormObject* entries = form.Find("suEntries");
    const std::vector<uint8_t>* v = entries ? entries->Get(property) : nullptr;
    if (!v) return {};
    TValueReader r(*v);
    std::vector<String> lines;
    r.ReadListBegin();
    while (!r.EndOfList()) lines.push_back(r.ReadString());
    return lines;
}

String InstallDir(TFormObject& form)
{
    TNimboData data;
    TValueReader r(*form.Find("suInfo")->Get("SetupData"));
    data.ReadData(r);
    return data.FindDir("Install")->Dir();
}

}  // namespace

TEST(ScriptEntries, EachSectionBecomesTheComponentsLines)
{
    TFormObject form = Compile(
        "[Setup]\nName = Sample Writer\nAppId = SampleWriter\nDestination = {pf}\\Sample Writer\n"
        "[Registry]\nHKLM\\Software\\Sample\\Writer\\Folder = {app}\\bin\nHKCU\\Software\\Sample\\Writer\\@ = \" x \"\n"
        "HKCR\\.smp\\Count = dword:0x10\n"
        "[Associations]\n.SWR = Sample document, writer.exe /open\n.swt = \"Template, sample\", tool.exe\n"
        "[Environment]\nPath = {app}\\bin\n");
    EXPECT_EQ(Lines(form, "Registry.Strings"),
              (std::vector<String>{"HKLM\\Software\\Sample\\Writer\\Folder=sz:{app}\\bin",
                                   "HKCU\\Software\\Sample\\Writer\\@=sz: x ", "HKCR\\.smp\\Count=dword:16"}));
    EXPECT_EQ(Lines(form, "Associations.Strings"),
              (std::vector<String>{".swr=Install|writer.exe|Sample document|/open",
                                   ".swt=Install\\bin|tool.exe|Template, sample|"}));
    EXPECT_EQ(Lines(form, "Environment.Strings"), std::vector<String>{"Path={app}\\bin"});
    // The destination is decided at run time; the page takes no other.
    EXPECT_EQ(InstallDir(form), "{pf}\\Sample Writer\\");
    EXPECT_EQ(form.Find("suDir")->Get("TargetDir"), nullptr);

    TFormObject plain = Compile("[Setup]\nName = Tiny\n");
    EXPECT_EQ(InstallDir(plain), "") << "the run's default, {pf}\\Tiny or the user's";
    EXPECT_EQ(plain.Find("suEntries"), nullptr);
}

TEST(ScriptEntries, EachFaultNamesItsPlace)
{
    const String head = "[Setup]\nName = A\n";
    const std::vector<std::pair<String, String>> cases = {
        {head + "Destination = {pff}\\A\n", "setup.nss:3:15: no folder constant named '{pff}'; did you mean '{pf}'?"},
        {head + "Destination = {app}\\A\n", "setup.nss:3:15: {app} is the destination"},
        {head + "Destination = {pf}\\..\\A\n", "setup.nss:3:15: expected folder names after {pf}"},
        {head + "Destination = C:\\{pf}\n", "setup.nss:3:15: expected a folder constant only at the start"},
        {head + "Scope = user\nDestination = {pf}\\A\n", "setup.nss:4:15: a per-user setup (Scope = user) writes"},
        {"[Setup]\nName = A:B\n", "setup.nss:2:8: 'A:B' cannot name the default destination's folder"},
        {head + "[Registry]\nHKLN\\Software\\A\\V = 1\n",
         "setup.nss:4:1: no registry root named 'HKLN'; did you mean 'HKLM'?"},
        {head + "[Registry]\nHKCU\\Software\\\\A\\V = 1\n", "setup.nss:4:15: expected a key path without empty parts"},
        {head + "[Registry]\nHKCU\\Software\\..\\V = 1\n", "setup.nss:4:15: expected a key path without '.' or '..'"},
        {head + "[Registry]\nHKCU\\V = 1\n", "setup.nss:4:6: expected 'ROOT\\key path\\value name'"},
        {head + "[Registry]\nHKCU\\Software\\A\\ = 1\n", "setup.nss:4:17: expected a value name"},
        {head + "[Registry]\nHKCU\\Software\\A\\V = dword:4294967296\n", "setup.nss:4:27: expected a number"},
        {head + "[Registry]\nHKCU\\Software\\A\\V = {apps}\n",
         "setup.nss:4:21: no folder constant named '{apps}'; did you mean '{app}'?"},
        {head + "[Registry]\nHKCU\\Software\\A\\V = 1\nhkcu\\software\\a\\v = 2\n",
         "setup.nss:5:1: hkcu\\software\\a\\v is given twice; first on line 4"},
        {head + "Scope = user\n[Registry]\nHKCR\\.a\\V = 1\n", "setup.nss:5:1: a per-user setup (Scope = user) writes"},
        {head + "[Associations]\ntxt = Text, writer.exe\n", "setup.nss:4:1: expected an extension"},
        {head + "[Associations]\n.txt = Text\n", "setup.nss:4:8: expected 'Description, file arguments'"},
        {head + "[Associations]\n.txt = Text, writr.exe\n",
         "setup.nss:4:14: no installed file named 'writr.exe'; did you mean 'writer.exe'?"},
        {head + "[Environment]\nPaht = {app}\n", "setup.nss:4:1: unknown key 'Paht' in [Environment]; did you mean"},
        {head + "[Environment]\nPath = bin\n", "setup.nss:4:8: expected a full folder path for PATH"},
        {head + "[Environment]\nPath = {app\n", "setup.nss:4:8: the folder constant opened here is not closed"},
    };
    for (const auto& [text, expected] : cases) {
        String got = "(no error)";
        try {
            Compile(text);
        } catch (const EScriptError& e) {
            got = e.Message();
        }
        EXPECT_EQ(got.substr(0, expected.size()), expected) << text;
    }
}

TEST(ScriptEntries, LinesTheSetupReadsBackAndPathLists)
{
    TRegistryLine r;
    EXPECT_TRUE(ParseRegistryLine("HKCU\\Software\\A\\@=sz:{{x}", r));
    EXPECT_EQ(r.name, "");
    for (const char* bad :
         {"HKCU\\Software\\..\\V=sz:x", "HKU\\S\\V=sz:x", "HKCU\\S\\V=dword:x", "HKCU\\S\\V=x", "HKCU\\S\\V=sz:{nope}"})
        EXPECT_FALSE(ParseRegistryLine(bad, r)) << bad;
    TAssociationLine a;
    EXPECT_FALSE(ParseAssociationLine(".txt=Install|..\\evil.exe|T|", a));
    EXPECT_EQ(AssociationCommand("C:\\A\\w.exe", "/open"), "\"C:\\A\\w.exe\" /open \"%1\"");
    EXPECT_EQ(AssociationCommand("C:\\A\\w.exe", "/p \"%1\""), "\"C:\\A\\w.exe\" /p \"%1\"");
    EXPECT_EQ(AssociationProgId("Sample Writer 2", ".TXT"), "SampleWriter2.txt");

    String out, failed;
    auto folder = [](const String& n) { return n == "app" ? String("C:\\A\\") : String(); };
    EXPECT_TRUE(ExpandFolderConstants("{APP}\\bin {{x}", folder, out, failed));
    EXPECT_EQ(out, "C:\\A\\bin {x}");
    EXPECT_FALSE(ExpandFolderConstants("{pf}\\x", folder, out, failed));
    EXPECT_EQ(failed, "{pf}");

    // The user's own entries stay as they were, empty parts and all.
    EXPECT_EQ(PathListWithout("C:\\Mine;C:\\A\\bin\\;;D:\\Other;c:\\a\\BIN", "C:\\A\\bin"), "C:\\Mine;;D:\\Other");
    EXPECT_TRUE(PathListHolds("C:\\Mine; C:\\A\\bin\\", "c:\\a\\bin"));
    String escaped;
    EXPECT_TRUE(UnescapeLogField(EscapeLogField(" a|b%\"\n "), escaped));
    EXPECT_EQ(escaped, " a|b%\"\n ");
}
