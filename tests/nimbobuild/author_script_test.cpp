// The author's script natively: what it compiles into (the shipped form's
// pages chained by the script, a setup script with every name resolved),
// each kind of error with its place, and random damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

#include "author_script.h"
#include "engine_scope.h"
#include "form_tree.h"
#include "framework/form_text.h"
#include "framework/value_stream.h"
#include "script/nimbo_data.h"
#include "script_fill.h"
#include "script_form.h"
#include "script_pages.h"

namespace {

String ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const std::vector<uint8_t>& HostForm()
{
    static const std::vector<uint8_t> form = FormTextToBinary(ReadFile(NIMBO_SOURCE_DIR "/src/app/nimbo_form.nfm"));
    return form;
}

// The README's example, from its authoring section, and the folder it is built from.
String Example()
{
    const String readme = ReadFile(NIMBO_SOURCE_DIR "/README.md");
    const size_t section = readme.find("### A complete example");
    const size_t begin = readme.find("```ini\n", section) + 7;
    return section == String::npos ? String() : readme.substr(begin, readme.find("```", begin) - begin);
}

std::vector<TPayloadFile> ExamplePayload()
{
    std::vector<TPayloadFile> files;
    for (const auto& [sub, name] : std::vector<std::pair<String, String>>{{"", "readme.txt"},
                                                                          {"", "writer.exe"},
                                                                          {"", "notes.bak"},
                                                                          {"help", "writer.hlp"},
                                                                          {"help\\pics", "one.bmp"},
                                                                          {"samples", "letter.txt"},
                                                                          {"samples", "draft.doc"}}) {
        TPayloadFile f;
        f.subDir = sub;
        f.name = name;
        files.push_back(f);
    }
    return files;
}

struct TCompiled {
    TFormObject form;
    TNimboData data;
};

void Compile(TCompiled& c, const String& text, const std::vector<TPayloadFile>& payload = ExamplePayload())
{
    c.form = ReadFormTree(CompileAuthorScript(ParseAuthorScript(text, "setup.nss"), payload, HostForm()).form);
    TValueReader r(*c.form.Find("suInfo")->Get("SetupData"));
    c.data.ReadData(r);
}

String Ident(TFormObject& form, const char* component, const char* property)
{
    const std::vector<uint8_t>* v = form.Find(component)->Get(property);
    if (!v) return "(none)";
    TValueReader r(*v);
    return r.ReadIdent();
}

// "dir: file file ..." of what an item adds or removes.
String Selection(const TNimboFileGroup* group)
{
    String out;
    for (int i = 0; i < group->Dirs().Count(); ++i) {
        out += (out.empty() ? "" : "; ") + group->Dirs()[i]->Name() + ":";
        for (const TNimboFile* f : group->FileLists(i)->Files()) out += " " + f->Name();
    }
    return out;
}

String ErrorOf(const String& text, const std::vector<TPayloadFile>& payload = ExamplePayload())
{
    try {
        TCompiled c;
        Compile(c, text, payload);
    } catch (const EScriptError& e) {
        return e.Message();
    }
    return "(no error)";
}

}  // namespace

TEST(AuthorScript, ExampleChainsTheShippedPagesAndResolvesEveryName)
{
    TCompiled c;
    Compile(c, Example());
    EXPECT_EQ(Ident(c.form, "NimboBackground1", "AutoSetup"), "suWelcome");
    EXPECT_EQ(Ident(c.form, "suWelcome", "NextPage"), "suLicense");
    EXPECT_EQ(Ident(c.form, "suLicense", "NextPage"), "suInstallType");
    EXPECT_EQ(Ident(c.form, "suInstallType", "NextPage"), "suOptions");
    EXPECT_EQ(Ident(c.form, "suInstallType", "OnNextPage"), "(none)");
    EXPECT_EQ(Ident(c.form, "suOptions", "NextPage"), "suDir");
    EXPECT_EQ(Ident(c.form, "suCopy", "NextPage"), "suGroups");
    EXPECT_EQ(Ident(c.form, "suGroups", "NextPage"), "suFinished");
    EXPECT_EQ(Ident(c.form, "suFinished", "OnNextPage"), "FinishNextPage");

    const TNimboData& d = c.data;
    EXPECT_EQ(d.AppName(), "Sample Writer");
    EXPECT_EQ(d.FindDir("Install")->Dir(), "C:\\Sample Writer\\");
    EXPECT_EQ(d.FindDir("Help")->Parent(), d.FindDir("Install"));
    EXPECT_EQ(d.FindDir("Help\\pics")->Parent(), d.FindDir("Help"));
    EXPECT_EQ(d.FindDir("Help\\pics")->Dir(), "pics\\");
    EXPECT_TRUE(d.FindDir("Help\\pics")->Contains(d.FindFile("one.bmp")));
    EXPECT_EQ(d.Files().Count(), 5) << "notes.bak and draft.doc match no pattern";
    EXPECT_EQ(d.LogFileDir(), d.FindDir("Install"));

    const TNimboChoiceData* types = d.FindChoiceData("suInstallType");
    ASSERT_TRUE(types && types->Common());
    ASSERT_EQ(types->Items().Count(), 2);
    EXPECT_EQ(types->Items()[0]->Title(), "Complete");
    EXPECT_EQ(types->Items()[0]->Description()[0], "The program with its help.");
    EXPECT_EQ(Selection(types->Items()[0]->Add()), "Install: writer.exe; Help: writer.hlp; Help\\pics: one.bmp");
    EXPECT_EQ(Selection(types->Items()[1]->Add()), "Install: writer.exe");
    // The type page first takes out whatever a type or option selects.
    EXPECT_EQ(Selection(types->Common()->Remove()),
              "Install: writer.exe; Help: writer.hlp; Help\\pics: one.bmp; Samples: letter.txt");
    const TNimboChoiceData* options = d.FindChoiceData("suOptions");
    ASSERT_TRUE(options);
    EXPECT_EQ(options->Common(), nullptr) << "options add to the chosen type";
    EXPECT_EQ(Selection(options->Items()[0]->Add()), "Samples: letter.txt");

    const TNimboWinGroups* group = d.FindWinGroup("suGroups");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->Title(), "Sample Writer");
    ASSERT_EQ(group->Items().Count(), 2);
    EXPECT_EQ(group->Items()[0]->Name(), "Sample Writer");
    EXPECT_EQ(group->Items()[0]->CommandLine(), "/new");
    EXPECT_EQ(group->Items()[0]->ItemFile(), d.FindFile("writer.exe"));
    EXPECT_EQ(group->Items()[1]->Dir(), d.FindDir("Install"));
}

TEST(AuthorScript, ThreeLinesMakeTheShortChainWithTheShippedLook)
{
    TCompiled c;
    Compile(c, "[Setup]\nName = Tiny\nDestination = D:\\Apps\\Tiny\\\n");
    EXPECT_EQ(Ident(c.form, "suWelcome", "NextPage"), "suDir");
    EXPECT_EQ(Ident(c.form, "suCopy", "NextPage"), "(none)");
    EXPECT_EQ(Ident(c.form, "suCopy", "OnNextPage"), "FinishNextPage");
    EXPECT_TRUE(c.form.Find("suInfo")->Get("Picture.Data")) << "the shipped picture stays";
    EXPECT_FALSE(c.form.Find("suInfo")->Get("MultiDiskFiles.Strings"));
    TValueReader name(*c.form.Get("UnInstallName"));
    EXPECT_EQ(name.ReadString(), "Tiny");
    EXPECT_FALSE(c.form.Get("ReadMe")) << "no read-me offer unless asked for";
    // The generated pages' texts come from the catalogue, in the run's language.
    for (const char* page : {"suWelcome", "suDir", "suPreFileCopy"}) {
        EXPECT_NE(Ident(c.form, page, "StandardText"), "(none)") << page;
        for (const char* prop : {"Caption", "Lines.Strings", "Text.Strings"})
            EXPECT_FALSE(c.form.Find(page)->Get(prop)) << page << "." << prop;
    }
    // Without [Files] the whole folder goes below Install, folders as directories.
    EXPECT_EQ(c.data.Files().Count(), 7);
    EXPECT_EQ(c.data.FindDir("Install")->Dir(), "D:\\Apps\\Tiny\\");
    EXPECT_TRUE(c.data.FindDir("Install\\help\\pics")->Contains(c.data.FindFile("one.bmp")));
}

TEST(AuthorScript, LanguagesAndRunSettingsReachTheForm)
{
    TCompiled c;
    Compile(c, Example() +
                   "[Setup]\nLanguages = German, English\nOverwrite = older\n"
                   "[Texts]\nWelcomeCaption = Hello\nReady = Copying now.\n"
                   "[Texts German]\nWelcomeCaption = Hallo\nReady = Jetzt wird kopiert.\nReady = Bitte warten.\n");
    EXPECT_EQ(Ident(c.form, "NimboBackground1", "AutoSetup"), "suLanguage");
    EXPECT_EQ(Ident(c.form, "suLanguage", "NextPage"), "suWelcome");
    TValueReader shown(*c.form.Find("suLanguage")->Get("ShowLanguages"));
    EXPECT_EQ(shown.ReadSet(), (std::vector<String>{"laGerman", "laEnglish"}));
    TValueReader order(*c.form.Find("suLanguage")->Get("Order.Strings"));
    order.ReadListBegin();
    EXPECT_EQ(order.ReadString(), "Deutsch") << "in the script's order";
    EXPECT_EQ(order.ReadString(), "English");
    // [Texts German] goes to each page as "<language>|<property>|<line>".
    TValueReader welcomeDe(*c.form.Find("suWelcome")->Get("Translations.Strings"));
    welcomeDe.ReadListBegin();
    EXPECT_EQ(welcomeDe.ReadString(), "Deutsch|Caption|Hallo");
    TValueReader readyDe(*c.form.Find("suPreFileCopy")->Get("Translations.Strings"));
    readyDe.ReadListBegin();
    EXPECT_EQ(readyDe.ReadString(), "Deutsch|Lines|Jetzt wird kopiert.");
    EXPECT_EQ(readyDe.ReadString(), "Deutsch|Lines|Bitte warten.");
    TValueReader start(*c.form.Find("suInfo")->Get("Language"));
    EXPECT_EQ(start.ReadString(), "Deutsch");
    EXPECT_EQ(Ident(c.form, "suCopy", "OverWrite"), "swOlder");
    EXPECT_EQ(Ident(c.form, "NimboForm", "RunAfter"), "suRunAfter");
    TValueReader args(*c.form.Find("suRunAfter")->Get("CommandLine"));
    EXPECT_EQ(args.ReadString(), "/welcome");
    TValueReader caption(*c.form.Find("suWelcome")->Get("Caption"));
    EXPECT_EQ(caption.ReadString(), "Hello");
    TValueReader ready(*c.form.Find("suPreFileCopy")->Get("Lines.Strings"));
    ready.ReadListBegin();
    EXPECT_EQ(ready.ReadString(), "Copying now.");
    EXPECT_TRUE(ready.EndOfList());
}

// The demo script makes the shipped form's pages with the same texts and settings.
TEST(AuthorScript, DemoScriptGivesTheShippedPages)
{
    TCompiled c;
    Compile(c, ReadFile(NIMBO_SOURCE_DIR "/src/app/demo_setup.nss"), [] {
        std::vector<TPayloadFile> files;
        for (const char* n : {"corvane.exe", "order.txt", "ReadMe.txt", "siteURLs.dat", "URL-Dabase.cvn",
                              "urls-submted.rpt", "urls-submt.tmp"})
            files.push_back(TPayloadFile{"", n});
        return files;
    }());
    TFormObject shipped = ReadFormTree(HostForm());
    for (const char* page : {"suWelcome", "suDir", "suPreFileCopy", "suCopy", "suUnInstall", "NimboBackground1"})
        for (const char* prop : {"Caption", "Lines.Strings", "Text.Strings", "NextPage", "Buttons", "TargetDir",
                                 "OverWrite", "AutoSetup", "LogDir", "LogFileName", "Font.Height"}) {
            const std::vector<uint8_t>* a = shipped.Find(page)->Get(prop);
            const std::vector<uint8_t>* b = c.form.Find(page)->Get(prop);
            EXPECT_EQ(a ? *a : std::vector<uint8_t>(), b ? *b : std::vector<uint8_t>()) << page << "." << prop;
        }
    for (const char* prop : {"ReadMe", "UnInstallName"}) EXPECT_EQ(*shipped.Get(prop), *c.form.Get(prop)) << prop;
    TNimboData data;
    TValueReader r(*shipped.Find("suInfo")->Get("SetupData"));
    data.ReadData(r);
    EXPECT_EQ(c.data.AppName(), data.AppName());
    ASSERT_EQ(c.data.Files().Count(), data.Files().Count());
    for (int i = 0; i < data.Files().Count(); ++i) EXPECT_EQ(c.data.Files()[i]->Name(), data.Files()[i]->Name());
    const TNimboWinGroups* ours = c.data.FindWinGroup("suGroups");
    const TNimboWinGroups* theirs = data.FindWinGroup("suGroups");
    EXPECT_EQ(ours->Title(), theirs->Title());
    ASSERT_EQ(ours->Items().Count(), theirs->Items().Count());
    for (int i = 0; i < ours->Items().Count(); ++i) {
        EXPECT_EQ(ours->Items()[i]->Name(), theirs->Items()[i]->Name());
        EXPECT_EQ(ours->Items()[i]->ItemFile()->Name(), theirs->Items()[i]->ItemFile()->Name());
    }
}

TEST(AuthorScript, EachErrorNamesItsPlaceAndWhatWasExpected)
{
    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    const std::vector<std::pair<String, String>> cases = {
        {head + "[Files]\nwriter.exe -> Instal\n",
         "setup.nss:5:15: no directory named 'Instal'; did you mean 'Install'?"},
        {head + "[Files]\n*.pdf\n", "setup.nss:5:1: no file of the folder matches '*.pdf'"},
        {head + "[Items]\nGo = writer.exe say \"hi\n", "setup.nss:5:21: the quote opened here is not closed"},
        {head + "[Directories]\nX = Windows\n",
         "setup.nss:5:5: expected a folder below directory 'Windows' ('Windows\\folder'); a directory is not declared "
         "as another one itself"},
        {head + "[Files]\nwriter.exe\n*.exe -> Install\n", "setup.nss:6:1: 'writer.exe' is placed already, by line 5"},
        {head + "[Files]\nhelp\\*\\x.txt\n", "setup.nss:5:1: expected wildcards only in the file name"},
        {head + "[Setpu]\n", "setup.nss:4:2: unknown section [Setpu]; did you mean [Setup]?"},
        {"[Setup]\nName = A\nDestinaton = C:\\A\n",
         "setup.nss:3:1: unknown key 'Destinaton' in [Setup]; did you mean 'Destination'?"},
        {"Name = A\n", "setup.nss:1:1: expected a section header such as [Setup]"},
        {head + "Name = B\n", "setup.nss:4:1: Name is given twice; first on line 2"},
        {head + "[Run]\nReadMe = a\n[Texts]\n[Run]\nReadMe = b\n",
         "setup.nss:8:1: ReadMe is given twice; first on line 5"},
        {head + "[Texts]\nWelcome = \"open\n", "setup.nss:5:11: the quote opened here is not closed"},
        {head + "[Texts]\nWelcome = \"a\" b\n",
         "setup.nss:5:14: expected the end of the value after the closing quote"},
        {head + "[Items]\nGo\n", "setup.nss:5:1: expected 'key = value'"},
        {head + "[Items]\nGo = writr.exe\n",
         "setup.nss:5:6: no installed file named 'writr.exe'; did you mean 'writer.exe'?"},
        {head + "[Type]\n", "setup.nss:4:6: expected a name after Type"},
        {head + "[Type Full]\nSelect = Instal\n",
         "setup.nss:5:10: no installed file or directory named 'Instal'; did you mean 'Install'?"},
        {head + "[Type Full]\nDescription = x\n", "setup.nss:4:7: 'Full' selects nothing"},
        {head + "[Type A]\nSelect = *\n[Option A]\n",
         "setup.nss:6:9: a type or option named 'A' is declared already, on line 4"},
        {head + "[Directories]\nDocs = Instal\\Docs\n",
         "setup.nss:5:8: expected a full path (C:\\...) or a directory's name and a folder below it: no directory "
         "named 'Instal'; did you mean 'Install'?"},
        {head + "[Directories]\nUp = Install\\..\\..\\Windows\n",
         "setup.nss:5:6: expected folder names after the directory's name, without '.', '..' or ':'"},
        {head + "[Directories]\nWindows = C:\\W\n", "setup.nss:5:1: 'Windows' is a directory of every setup"},
        {head + "[Directories]\nA = B\\x\nB = A\\y\n", "setup.nss:5:5: expected a full path"},
        {"[Setup]\nName = A\nDestination = Apps\\A\n", "setup.nss:3:15: expected a full path for Destination"},
        {head + "Languages = English, Klingon\n", "setup.nss:4:22: no language named 'Klingon'"},
        {head + "Overwrite = sometimes\n", "setup.nss:4:13: no Overwrite value named 'sometimes'"},
        {head + "Compress = lzmaa\n", "setup.nss:4:12: no Compress value named 'lzmaa'; did you mean 'lzma'?"},
        {head + "[Files]\n** -> Fonts\n[Directories]\nFonts = Windows\\Fonts\n[Run]\nReadMe = one.bmp\n",
         "setup.nss:9:10: expected a read-me installed in Install or a directory below it"},
        {head + "Title = a\x01z\n", "setup.nss:4:10: unexpected control character (code 1)"},
        {head + "AppId = ..\\..\\Run\n", "setup.nss:4:9: '..\\..\\Run' names the product in the registry"},
        {"[Setup]\nName = A\\B\nDestination = C:\\A\n", "setup.nss:2:8: 'A\\B' names the product in the registry"},
        {head + "Version = 2.x\n", "setup.nss:4:11: '2.x' is no version"},
        {head + "Version = 1.2.3.4.5\n", "setup.nss:4:11: '1.2.3.4.5' is no version"},
        {head + "Version = 70000\n", "setup.nss:4:11: '70000' is no version"},
        {"[Setup]\nName = A\nDestination = C:\\\n", "setup.nss:3:15: expected a folder on the drive, not its root"},
        {"[Setup]\nName = A\nDestination = C:\\Evil\\..\\..\\Windows\n",
         "setup.nss:3:15: expected folder names without"},
        {head + "[Directories]\nD = Install\\a<b\n", "setup.nss:5:5: expected folder names after the directory's name"},
        {head + "[Directories]\nD = D:\\x|y\n", "setup.nss:5:5: expected folder names without"},
        {"[Setup]\nName = A\nScope = user\nDestination = C:\\WINDOW~1\\A\n",
         "setup.nss:4:15: a per-user setup (Scope = user) writes nothing to the Windows or program folders"},
        {"[Setup]\nName = A\nScope = ask\nDestination = C:\\A\n[Directories]\nP = D:\\Program Files\\A\n",
         "setup.nss:6:5: a per-user setup (Scope = ask) writes nothing to the Windows or program folders"},
    };
    for (const auto& [text, expected] : cases) {
        const String got = ErrorOf(text);
        EXPECT_EQ(got.substr(0, expected.size()), expected) << text;
    }
}

TEST(AuthorScript, TheProductsIdentityComesFromAppIdOrNameNeverTitle)
{
    const String head = "[Setup]\nName = Writer\nTitle = Writer 2.0\nDestination = C:\\A\n";
    const std::pair<String, String> cases[] = {{head, "Writer"},
                                               {head + "AppId = com.example.writer\n", "com.example.writer"}};
    for (const auto& [text, id] : cases) {
        TCompiled c;
        Compile(c, text + "Version = 2.0.1\nPublisher = Example\n");
        TFormObject& info = *c.form.Find("suInfo");
        EXPECT_EQ(TValueReader(*info.Get("AppId")).ReadString(), id);
        EXPECT_EQ(TValueReader(*info.Get("Version")).ReadString(), "2.0.1");
        EXPECT_EQ(TValueReader(*info.Get("Publisher")).ReadString(), "Example");
    }
}

TEST(AuthorScript, CompressSaysWhetherAndHowFilesArePacked)
{
    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    const struct {
        const char* value;
        bool compress;
        TCompMethod method;
    } cases[] = {{nullptr, false, kCompMethodLzma}, {"no", false, kCompMethodLzma},
                 {"yes", true, kCompMethodLzma},    {"TRUE", true, kCompMethodLzma},
                 {"lzma", true, kCompMethodLzma},   {"zlib", true, kCompMethodDeflate}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(none)");
        const String text = head + (c.value ? String("Compress = ") + c.value + "\n" : String());
        const TCompiledScript compiled =
            CompileAuthorScript(ParseAuthorScript(text, "setup.nss"), ExamplePayload(), HostForm());
        EXPECT_EQ(compiled.compress, c.compress);
        if (c.compress) {
            EXPECT_EQ(compiled.method, c.method);
        }
    }
}

bool Boolean(TFormObject& form, const char* component, const char* property)
{
    TValueReader r(*form.Find(component)->Get(property));
    return r.ReadBoolean();
}

// Whom the setup installs for reaches the controller; a setup that may run
// per-user cannot reach the Windows folders, by any directory or switch.
TEST(AuthorScript, ScopeAndItsSwitchReachTheControllerAndKeepPerUserOutOfWindows)
{
    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    TCompiled plain;
    Compile(plain, head);
    EXPECT_EQ(Ident(plain.form, "suInfo", "InstallScope"), "isMachine");
    EXPECT_TRUE(Boolean(plain.form, "suInfo", "ScopeSwitch"));
    TCompiled user;
    Compile(user, head + "Scope = User\nScopeSwitch = no\n");
    EXPECT_EQ(Ident(user.form, "suInfo", "InstallScope"), "isUser");
    EXPECT_FALSE(Boolean(user.form, "suInfo", "ScopeSwitch"));
    TCompiled ask;
    Compile(ask, head + "Scope = ask\n");
    EXPECT_EQ(Ident(ask.form, "suInfo", "InstallScope"), "isAsk");
    // Machine-wide into the Windows folders: no switch may make it per-user.
    const String fonts = "[Files]\n** -> Fonts\n[Directories]\nFonts = Windows System\\Fonts\n";
    TCompiled machine;
    Compile(machine, head + fonts);
    EXPECT_FALSE(Boolean(machine.form, "suInfo", "ScopeSwitch"));

    const std::vector<std::pair<String, String>> cases = {
        {head + "Scope = user\n" + fonts,
         "setup.nss:8:9: a per-user setup (Scope = user) writes nothing to the Windows folders; 'Fonts' lies in "
         "'Windows System'"},
        {head + "Scope = ask\n[Files]\nwriter.exe -> Windows\n",
         "setup.nss:6:15: a per-user setup (Scope = ask) writes nothing to the Windows folders; 'Windows' lies in "
         "'Windows'"},
        {head + "ScopeSwitch = yes\n" + fonts, "setup.nss:4:15: ScopeSwitch = yes would let /CURRENTUSER install"},
        {head + "Scope = everybody\n", "setup.nss:4:9: no Scope value named 'everybody'"},
        {head + "ScopeSwitch = maybe\n", "setup.nss:4:15: no ScopeSwitch value named 'maybe'"},
    };
    for (const auto& [text, expected] : cases) {
        const String got = ErrorOf(text);
        EXPECT_EQ(got.substr(0, expected.size()), expected) << text;
    }
}

// A database engine page that installs writes machine-wide in any scope:
// a script compiled into a host form with one cannot be per-user, nor can a
// form source say so itself; without one, or with one that installs
// nothing, either may.
TEST(AuthorScript, AnInstallingEnginePageKeepsTheSetupMachineWide)
{
    auto withEngine = [](const char* type) {
        String text = ReadFile(NIMBO_SOURCE_DIR "/src/app/nimbo_form.nfm");
        text.insert(text.rfind("end"), Format("  object suBDE: TNimboBDEInstall\n    BDEType = %s\n  end\n", type));
        return FormTextToBinary(text);
    };
    const std::vector<uint8_t> engineHost = withEngine("bde32Integrated");
    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    auto compile = [&](const String& text, const std::vector<uint8_t>& host) {
        try {
            CompileAuthorScript(ParseAuthorScript(text, "setup.nss"), ExamplePayload(), host);
        } catch (const EScriptError& e) {
            return e.Message();
        }
        return String("(no error)");
    };
    EXPECT_EQ(compile(head + "Scope = user\n", engineHost),
              "setup.nss:4:9: a per-user setup (Scope = user) cannot install the database engine: the host form's "
              "page suBDE writes to what every user of the computer shares");
    EXPECT_EQ(compile(head + "Scope = ask\n", engineHost).substr(0, 48),
              "setup.nss:4:9: a per-user setup (Scope = ask) ca");
    EXPECT_EQ(compile(head + "Scope = machine\n", engineHost), "(no error)");
    EXPECT_EQ(compile(head + "Scope = user\n", withEngine("bdeNone")), "(no error)");

    // A form source: its controller's InstallScope against the page.
    auto formError = [](const std::vector<uint8_t>& form, const char* scope) {
        TFormObject tree = ReadFormTree(form);
        if (scope) tree.Find("suInfo")->Set("InstallScope", IdentValue(scope));
        try {
            CheckEngineScope(tree, "form.nfm");
        } catch (const ENimboError& e) {
            return e.Message();
        }
        return String("(no error)");
    };
    EXPECT_EQ(formError(engineHost, "isUser"),
              "form.nfm: a per-user setup (InstallScope = isUser) cannot install the database engine: suBDE writes "
              "to what every user of the computer shares");
    EXPECT_NE(formError(engineHost, "isAsk"), "(no error)");
    EXPECT_EQ(formError(engineHost, "isMachine"), "(no error)");
    EXPECT_EQ(formError(engineHost, nullptr), "(no error)") << "machine-wide unless the form says otherwise";
    EXPECT_EQ(formError(withEngine("bdeNone"), "isUser"), "(no error)");
    EXPECT_EQ(formError(HostForm(), "isUser"), "(no error)");
}

// Locales: one name in several folders. Each file is read from its own
// subfolder of the setup folder and installed below its own directory; a
// name that could mean either, or two files in one place, is an error.
TEST(AuthorScript, FilesOfOneNameKeepTheirFolders)
{
    std::vector<TPayloadFile> payload;
    for (const char* sub : {"lang\\de", "lang\\fr"}) payload.push_back(TPayloadFile{sub, "strings.txt"});
    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    TCompiled c;
    Compile(c, head + "[Items]\nGerman = lang\\de\\strings.txt\n", payload);
    ASSERT_EQ(c.data.Files().Count(), 2);
    for (const char* sub : {"lang\\de", "lang\\fr"}) {
        const TNimboDir* dir = c.data.FindDir(String("Install\\") + sub);
        ASSERT_TRUE(dir && dir->Files().Count() == 1) << sub;
        EXPECT_EQ(dir->Files()[0]->Source(), String(".\\") + sub + "\\");
    }
    EXPECT_EQ(c.data.FindWinGroup("suGroups")->Items()[0]->ItemFile()->Source(), ".\\lang\\de\\");
    EXPECT_EQ(ErrorOf(head + "[Files]\nlang\\de\\*, lang\\fr\\* -> Install\n", payload),
              "setup.nss:5:12: 'lang\\de\\strings.txt' and 'lang\\fr\\strings.txt' would both be installed as "
              "'strings.txt' in directory 'Install'");
    EXPECT_EQ(ErrorOf(head + "[Items]\nStrings = strings.txt\n", payload),
              "setup.nss:5:11: 'strings.txt' names 2 files (lang\\de\\strings.txt and lang\\fr\\strings.txt); give "
              "its folder, such as 'lang\\de\\strings.txt'");
}

TEST(AuthorScript, WildcardsIgnoreLetterCase)
{
    EXPECT_TRUE(WildMatch("*.TXT", "read me.txt"));
    EXPECT_TRUE(WildMatch("w?iter.*", "writer.exe"));
    EXPECT_TRUE(WildMatch("*", ""));
    EXPECT_TRUE(WildMatch("a*b*c", "aXbYbc"));
    EXPECT_FALSE(WildMatch("*.txt", "notes.txt.bak"));
    EXPECT_FALSE(WildMatch("a?", "a"));
}

// Damaged scripts give a script error or none, never a crash or another error.
TEST(AuthorScript, RandomDamageGivesAnErrorNeverACrash)
{
    std::mt19937 random(23);
    const String base = Example() + "Program = \"writer.exe\" /x\n[Texts]\nWelcome = \"a \"\"b\"\"\"\n";
    for (int round = 0; round < 3000; ++round) {
        String text = base;
        for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
            const size_t at = random() % (text.size() + 1);
            switch (random() % 3) {
            case 0:
                text.insert(at, 1, static_cast<char>(random() % 256));
                break;
            case 1:
                text.erase(at, 1 + random() % 8);
                break;
            default:
                text.insert(at, String("[]=,\"->*\\**\n ").substr(random() % 13, 1));
                break;
            }
        }
        try {
            TCompiled c;
            Compile(c, text);
        } catch (const EScriptError&) {
        } catch (const Exception& e) {
            ADD_FAILURE() << "not a script error: " << e.Message() << "\n" << text;
        }
    }
}

namespace {
// A form's script in which a second directory was renamed, by editing its
// stream, to the name of the first.
void ScriptWithTwoDirsNamed(const String& name, TNimboData& edited)
{
    TNimboData original;
    original.AddDir(name, "C:\\A\\", nullptr);
    original.AddDir("Zzzz", "C:\\B\\", nullptr);
    TValueWriter w;
    original.WriteData(w);
    std::vector<uint8_t> bytes = w.TakeData();
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin("Zzzz"), std::end("Zzzz") - 1);
    std::copy(name.begin(), name.end(), at);
    TValueReader r(bytes);
    edited.ReadData(r);
}
}  // namespace

TEST(FormScript, TwoDirectoriesOfOneNameAreRefused)
{
    try {
        TNimboData script;
        ScriptWithTwoDirsNamed("Docs", script);
        CheckScriptAgainstFolder(script, {});
        ADD_FAILURE() << "built";
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "the form's script has two directories named \"Docs\"");
    }
}

// Tens of thousands of folders, each a directory of the script: compiling
// four times as many takes about four times as long, not sixteen (the best
// of two tries each, so a busy machine does not decide it).
TEST(AuthorScript, CompilingGrowsLinearlyWithTheFolders)
{
    const auto seconds = [](int n) {
        std::vector<TPayloadFile> files(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            files[i].subDir = "d" + std::to_string(i / 100) + "\\s" + std::to_string(i);
            files[i].name = "f" + std::to_string(i) + ".txt";
        }
        double best = 1e9;
        for (int round = 0; round < 2; ++round) {
            const auto start = std::chrono::steady_clock::now();
            TCompiled c;
            Compile(c, "[Setup]\nName = Many\nDestination = C:\\Many\n", files);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return best;
    };
    const double small = seconds(4000), large = seconds(16000);
    EXPECT_LT(large, 9 * small) << small << " s for 4,000 folders, " << large << " s for 16,000";
}

// The licence page, the desktop icons, the program's check box and the
// start-up checks reach the form; values the run could not use are refused.
TEST(AuthorScript, PagesAndStartChecksReachTheForm)
{
    TCompiled c;
    TAuthorScript s = ParseAuthorScript("[Setup]\nName = A\nDestination = C:\\A\nLicense = readme.txt\nMutex = "
                                        "Global\\A.Running\nMinWindows = 6.1\n"
                                        "[Desktop]\nA = writer.exe /new | two\n[Run]\nProgram = writer.exe\n",
                                        "setup.nss");
    s.licenseText = "First line.\r\nSecond line.\r\n";
    c.form = ReadFormTree(CompileAuthorScript(s, ExamplePayload(), HostForm()).form);
    EXPECT_EQ(Ident(c.form, "suWelcome", "NextPage"), "suLicense");
    EXPECT_EQ(Ident(c.form, "suLicense", "NextPage"), "suDir");
    EXPECT_EQ(Ident(c.form, "suCopy", "NextPage"), "suFinished");
    EXPECT_EQ(Ident(c.form, "suFinished", "OnNextPage"), "FinishNextPage");
    EXPECT_EQ(Ident(c.form, "suFinished", "CheckBox"), "pcLaunch");
    EXPECT_EQ(TValueReader(*c.form.Find("suFinished")->Get("Buttons")).ReadSet(), std::vector<String>{"btFinish"});
    EXPECT_EQ(Ident(c.form, "suRunAfter", "CheckPage"), "suFinished");
    EXPECT_EQ(Ident(c.form, "suPreFileCopy", "CheckBox"), "pcDesktopIcons");
    EXPECT_EQ(Ident(c.form, "suDesktop", "CheckPage"), "suPreFileCopy");
    EXPECT_EQ(Ident(c.form, "NimboForm", "DesktopIcons"), "suDesktop");
    TValueReader icons(*c.form.Find("suDesktop")->Get("Icons.Strings"));
    icons.ReadListBegin();
    EXPECT_EQ(icons.ReadString(), "A|Install|writer.exe|/new | two");
    TValueReader license(*c.form.Find("suLicense")->Get("Lines.Strings"));
    license.ReadListBegin();
    EXPECT_EQ(license.ReadString(), "First line.");
    EXPECT_EQ(license.ReadString(), "Second line.");
    EXPECT_TRUE(license.EndOfList());
    EXPECT_EQ(TValueReader(*c.form.Find("suInfo")->Get("AppMutex")).ReadString(), "Global\\A.Running");
    EXPECT_EQ(TValueReader(*c.form.Find("suInfo")->Get("MinWindows")).ReadString(), "6.1");

    const String head = "[Setup]\nName = A\nDestination = C:\\A\n";
    const std::vector<std::pair<String, String>> cases = {
        {head + "Mutex = a\\b\n", "setup.nss:4:9: 'a\\b' cannot name a mutex"},
        {head + "Mutex = Global\\a\\b\n", "setup.nss:4:9: 'Global\\a\\b' cannot name a mutex"},
        {head + "Mutex = Global\\\n", "setup.nss:4:9: 'Global\\' cannot name a mutex"},
        {head + "Mutex = " + String(201, 'm') + "\n", "setup.nss:4:9: 'mmm"},
        {head + "MinWindows = 6\n", "setup.nss:4:14: '6' is no Windows version: expected major.minor"},
        {head + "MinWindows = 6.1.7600\n", "setup.nss:4:14: '6.1.7600' is no Windows version"},
        {head + "MinWindows = 0.5\n", "setup.nss:4:14: '0.5' is no Windows version"},
        {head + "MinWindows = six\n", "setup.nss:4:14: 'six' is no Windows version"},
        {head + "Licence = a.txt\n", "setup.nss:4:1: unknown key 'Licence' in [Setup]; did you mean 'License'?"},
        {head + "[Deskop]\n", "setup.nss:4:2: unknown section [Deskop]; did you mean [Desktop]?"},
        {head + "[Desktop]\nGo = writr.exe\n",
         "setup.nss:5:6: no installed file named 'writr.exe'; did you mean 'writer.exe'?"},
        {head + "[Desktop]\nA:B = writer.exe\n", "setup.nss:5:1: 'A:B' cannot name a desktop icon"},
        {head + "[Desktop]\nGo = writer.exe\ngo = readme.txt\n",
         "setup.nss:6:1: a desktop icon titled 'go' is declared already, on line 5"},
        {head + "[Desktop]\nGo =\n", "setup.nss:5:5: expected the installed file a desktop icon starts"},
    };
    for (const auto& [text, expected] : cases) {
        const String got = ErrorOf(text);
        EXPECT_EQ(got.substr(0, expected.size()), expected) << text;
    }
}

// The licence comes from the builder's folder: read there, and without
// [Files] left out of what is installed.
TEST(AuthorScript, TheLicenseIsReadFromTheFolderAndNotInstalled)
{
    const String dir = ::testing::TempDir();
    std::ofstream(dir + "license.txt", std::ios::binary) << "Terms.\r\n";
    std::ofstream(dir + "empty.txt", std::ios::binary);
    std::vector<TPayloadFile> payload(2);
    payload[0].name = "writer.exe", payload[1].name = "License.TXT";
    for (const auto& [license, files, expected] : std::vector<std::tuple<String, String, String>>{
             {"license.txt", "", "Terms.\r\n"},
             {"license.txt", "[Files]\nwriter.exe\n", "Terms.\r\n"},
             {"licence.txt", "", "setup.nss:4:11: no file in the folder named 'licence.txt'; did you mean"},
             {"writer.exe", "", "setup.nss:4:11: the licence 'writer.exe' is empty"},
         }) {
        const TAuthorScript s = ParseAuthorScript(
            "[Setup]\nName = A\nDestination = C:\\A\nLicense = " + license + "\n" + files, "setup.nss");
        std::vector<TPayloadFile> files2 = payload;
        std::vector<String> paths = {dir + "empty.txt", dir + "license.txt"};
        String got;
        try {
            got = ReadLicenseText(s, files2, paths);
        } catch (const EScriptError& e) {
            got = e.Message();
        }
        EXPECT_EQ(got.substr(0, expected.size()), expected) << license << files;
        if (got == expected) {
            EXPECT_EQ(files2.size(), files.empty() ? 1u : 2u) << "installed only when [Files] picks it";
        }
    }
}
