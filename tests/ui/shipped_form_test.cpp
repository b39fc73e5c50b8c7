// The shipped forms as the program reads them, checked for what they do:
// every name in them leads to an object of the form, the setup chain reaches
// its end on every path, and the pages show the texts the setup is to say.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "gui_test_support.h"
#include "shipped_form.h"

namespace {

// One object of a text form source and the properties it sets on one line
// ("Prop = value"); values of several lines (lists, data) are left out.
struct TSourceObject {
    String name;
    std::vector<std::pair<String, String>> props;
};

std::vector<TSourceObject> Outline(const String& text)
{
    std::vector<TSourceObject> objects;
    std::vector<size_t> open;
    int nesting = 0;  // brackets of a value still open
    TStringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i) {
        const String line = Trimmed(lines[i]);
        if (nesting > 0) {
            bool quoted = false;
            for (char c : line) {
                if (c == '\'') quoted = !quoted;
                if (!quoted) nesting += (c == '(' || c == '{') - (c == ')' || c == '}');
            }
            continue;
        }
        if (line.rfind("object ", 0) == 0) {
            objects.push_back({Trimmed(line.substr(7, line.find(':') - 7)), {}});
            open.push_back(objects.size() - 1);
        } else if (line == "end") {
            open.pop_back();
        } else if (const size_t eq = line.find(" = "); eq != String::npos && !open.empty()) {
            const String value = line.substr(eq + 3);
            if (value == "(" || value == "{" || value.back() == '(') {
                nesting = 1;
                continue;
            }
            objects[open.back()].props.emplace_back(line.substr(0, eq), value);
        }
    }
    return objects;
}

bool IsIdentifier(const String& v)
{
    if (v.empty() || !(std::isalpha(static_cast<unsigned char>(v[0])) || v[0] == '_')) return false;
    for (char c : v)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

using TRefGetter = std::function<TComponent*(TComponent*)>;

// The reference properties the shipped forms set, read back.
const std::map<String, TRefGetter>& RefGetters()
{
    static const std::map<String, TRefGetter> getters = {
        {"NextPage", [](TComponent* c) -> TComponent* { return dynamic_cast<TNimboPage&>(*c).NextPage(); }},
        {"AutoSetup", [](TComponent* c) -> TComponent* { return dynamic_cast<TNimboBackground&>(*c).AutoSetup(); }},
        {"AutoUnInstall",
         [](TComponent* c) -> TComponent* { return dynamic_cast<TNimboBackground&>(*c).AutoUnInstall(); }},
        {"ActiveControl", [](TComponent* c) -> TComponent* { return dynamic_cast<TForm&>(*c).ActiveControl(); }},
        {"DirList", [](TComponent* c) -> TComponent* { return dynamic_cast<TDriveComboBox&>(*c).DirList(); }},
    };
    return getters;
}

// Every name the source of `root` gives as a value leads where it says: a
// handler of the form's class, set on the component; a component of the
// form, which the property now holds.
void ExpectEveryNameResolves(TComponent* root, const String& sourcePath)
{
    const std::vector<TSourceObject> objects = Outline(ReadAll(sourcePath));
    ASSERT_FALSE(objects.empty()) << sourcePath;
    std::set<String> names;
    for (const TSourceObject& o : objects) names.insert(o.name);
    auto find = [root](const String& name) { return SameText(name, root->Name()) ? root : root->FindComponent(name); };
    int links = 0, handlers = 0;
    for (const TSourceObject& o : objects) {
        TComponent* c = find(o.name);
        ASSERT_NE(c, nullptr) << o.name << " was not created";
        for (const auto& [prop, value] : o.props) {
            if (!IsIdentifier(value)) continue;
            SCOPED_TRACE(o.name + "." + prop + " = " + value);
            if (prop.rfind("On", 0) == 0) {
                EXPECT_NE(root->ClassInfo().FindMethod(value), nullptr) << "no such handler";
                const TPropInfo* info = c->ClassInfo().FindProp(prop);
                ASSERT_TRUE(info && info->event);
                EXPECT_TRUE(static_cast<bool>(c->*(info->event))) << "the handler is not set";
                ++handlers;
            } else if (names.count(value)) {
                const auto getter = RefGetters().find(prop);
                ASSERT_NE(getter, RefGetters().end()) << "a reference this test does not read back";
                EXPECT_EQ(getter->second(c), find(value));
                ++links;
            }
        }
    }
    EXPECT_GT(links, 0);
    EXPECT_GT(handlers, 0);
}

// The pages met along NextPage from `page`; a loop fails the test.
std::vector<String> PathFrom(TNimboPage* page)
{
    std::vector<String> path;
    for (; page; page = page->NextPage()) {
        if (path.size() > 50) {
            ADD_FAILURE() << "the chain does not end";
            break;
        }
        path.push_back(page->Name());
    }
    return path;
}

class ShippedForm : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_THROW(form = ReadShippedForm()); }
    void TearDown() override
    {
        ResetWizard();
        if (form) form->Free();
    }
    // What the wizard shows for a page run on its own: the caption, the
    // lines of its text, and which of Previous, Next and Cancel are enabled.
    struct Shown {
        String caption;
        std::vector<String> lines;
        bool prev = false, next = false, cancel = false;
    };
    Shown Show(TNimboPage* page, std::function<TMemo*()> text)
    {
        Shown s;
        TGuiScript g;
        g.WaitForPage([page] { return page; })
            .Then([&] {
                s.caption = NimboPagesForm->Caption();
                s.lines = text()->Lines()->Lines();
                s.prev = NimboPagesForm->btnPrev->Enabled();
                s.next = NimboPagesForm->btnNext->Enabled();
                s.cancel = NimboPagesForm->btnCancel->Enabled();
                return true;
            })
            .ClickCancel()
            .Answer("Confirmation", "Yes");
        EXPECT_EQ(page->Execute(), psCancelled);
        EXPECT_TRUE(g.Finished());
        ResetWizard();
        return s;
    }
    TNimboForm* form = nullptr;
};

TEST_F(ShippedForm, EveryNameInTheHostFormLeadsToItsObject)
{
    ExpectEveryNameResolves(form, NIMBO_SHIPPED_FORM);
    // The handlers reach the components by their fields.
    for (TComponent* c : {static_cast<TComponent*>(form->suInfo), static_cast<TComponent*>(form->suDir),
                          static_cast<TComponent*>(form->suWelcome), static_cast<TComponent*>(form->suPreFileCopy),
                          static_cast<TComponent*>(form->suCopy), static_cast<TComponent*>(form->suGroups),
                          static_cast<TComponent*>(form->suProg), static_cast<TComponent*>(form->suUnInstall),
                          static_cast<TComponent*>(form->NimboBackground1),
                          static_cast<TComponent*>(form->suInstallType), static_cast<TComponent*>(form->suOptions)})
        EXPECT_NE(c, nullptr);
    // Every component of the suite found the one controller, and the pages
    // that keep a script entry found theirs.
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* c = dynamic_cast<TNimboComponent*>(form->Components(i));
        if (c && c != form->suInfo) {
            EXPECT_EQ(c->Controller(), form->suInfo) << c->Name();
        }
    }
    EXPECT_EQ(form->NimboBackground1->Controller(), form->suInfo);
    ASSERT_NE(form->suGroups->Groups(), nullptr);
    EXPECT_EQ(form->suGroups->Groups(), form->suInfo->Script()->FindWinGroup("suGroups"));
    EXPECT_GT(form->suGroups->Groups()->Items().Count(), 0);
    for (TNimboChoice* page :
         {static_cast<TNimboChoice*>(form->suInstallType), static_cast<TNimboChoice*>(form->suOptions)})
        EXPECT_EQ(page->ChoiceData(), form->suInfo->Script()->FindChoiceData(page->Name())) << page->Name();
    EXPECT_NE(form->suInfo->Script()->FindDir(form->suDir->InstallDir()), nullptr);
    EXPECT_NE(form->suInfo->Script()->FindDir(form->suUnInstall->LogDir()), nullptr);
}

TEST_F(ShippedForm, EveryNameInTheWizardDialogLeadsToItsObject)
{
    TNimboPagesForm* wizard = CreateNimboPagesForm();
    ExpectEveryNameResolves(wizard, NIMBO_PAGES_FORM);
    wizard->Free();
}

// The pages take their texts from the catalogue by number: every number the
// program names has its text there.
TEST_F(ShippedForm, EveryMessageNumberHasItsText)
{
    TStringList lines;
    lines.SetText(ReadAll(NIMBO_MESSAGE_IDS));
    int numbers = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        std::istringstream line(lines[i]);
        String define, name;
        unsigned n = 0;
        if (!(line >> define >> name >> n) || define != "#define" || name.rfind("msg", 0) != 0) continue;
        const String text = form->suInfo->GetMessageText(n);
        EXPECT_TRUE(!text.empty() && text != "*** String not found ***") << name << " (" << n << ")";
        ++numbers;
    }
    EXPECT_GT(numbers, 100);
}

TEST_F(ShippedForm, EveryPathThroughThePagesReachesTheEnd)
{
    EXPECT_EQ(PathFrom(form->NimboBackground1->AutoSetup()),
              (std::vector<String>{"suWelcome", "suDir", "suPreFileCopy", "suCopy", "suGroups"}));
    EXPECT_EQ(PathFrom(form->NimboBackground1->AutoUnInstall()), (std::vector<String>{"suUnInstall"}));
    // The install type page, with or without its options page, joins the
    // setup chain at the directory page.
    EXPECT_EQ(PathFrom(form->suInstallType),
              (std::vector<String>{"suInstallType", "suDir", "suPreFileCopy", "suCopy", "suGroups"}));
    EXPECT_EQ(PathFrom(form->suOptions), (std::vector<String>{"suOptions"}));
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* page = dynamic_cast<TNimboPage*>(form->Components(i));
        if (page) {
            EXPECT_FALSE(PathFrom(page).empty());
        }
    }
}

TEST_F(ShippedForm, ThePagesSayTheirTexts)
{
    const Shown welcome = Show(form->suWelcome, [] { return NimboPagesForm->meMSGIntent; });
    EXPECT_EQ(welcome.caption, "Welcome");
    EXPECT_EQ(
        welcome.lines,
        (std::vector<String>{
            "Welcome to the Corvane Linker Setup.", "", "The following screens will guide you through the ",
            "setup of this application.", "", "You may press Next to proceed to the next screen ",
            "or you may press Cancel at any time to abort the ", "install.", "",
            "NOTE: Pressing Cancel means that the ", "application is not correctly installed and may not ",
            "function correctly.", "", "NOTE: If you install from a Zip program and in the ",
            "unlikely event Setup fails then just extract the ", "Corvne.Zip file its own directory and rename it ",
            "install then run Setup from there. Delete the install ", "dirctory after Setup is finished."}));
    EXPECT_FALSE(welcome.prev);
    EXPECT_TRUE(welcome.next && welcome.cancel);

    const Shown confirm = Show(form->suPreFileCopy, [] { return NimboPagesForm->meMSGIntent; });
    EXPECT_EQ(confirm.caption, "About To Begin File Copy");
    EXPECT_EQ(confirm.lines,
              (std::vector<String>{"The files for The Corvane Linker application will ",
                                   "now be copied to the specified location.", "", "Press NEXT to continue."}));
    EXPECT_TRUE(confirm.next && confirm.cancel);

    const Shown dir = Show(form->suDir, [] { return NimboPagesForm->meCDLIntent; });
    ASSERT_FALSE(dir.lines.empty());
    EXPECT_EQ(dir.lines[0], "Select a directory for Corvane.");
    EXPECT_EQ(form->suDir->TargetDir(), "C:\\Corvane\\");

    // The run's own texts name the application.
    EXPECT_EQ(form->NimboBackground1->NameLabel()->Caption(), "Corvane Linker Setup");
    EXPECT_EQ(form->Caption(), "Corvane Linker Setup Setup Program");
    EXPECT_EQ(form->suGroups->Groups()->Title(), "Corvane Linker");
}

}  // namespace
