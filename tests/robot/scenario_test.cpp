#include <gtest/gtest.h>

#include "scenario.h"

using namespace robot;

namespace {

std::optional<std::string> Env(const std::string& name)
{
    if (name == "DIR") return std::string("/tmp/shots");
    return std::nullopt;
}

std::vector<Step> Parse(const std::string& text) { return ParseScenario(text, Env); }

Step One(const std::string& line)
{
    auto steps = Parse(line);
    EXPECT_EQ(steps.size(), 1u);
    return steps.empty() ? Step{} : steps[0];
}

int ErrorLine(const std::string& text, std::string* message = nullptr)
{
    try {
        Parse(text);
    } catch (const ParseError& e) {
        if (message) *message = e.what();
        return e.line;
    }
    return 0;
}

}  // namespace

TEST(RobotScenario, NamesAreBareWordsAndCaptionsAreQuoted)
{
    const Step click = One("click btnNext");
    EXPECT_EQ(click.op, Op::Click);
    EXPECT_EQ(click.control.control.kind, Ref::Name);
    EXPECT_EQ(click.control.control.text, "btnNext");
    EXPECT_FALSE(click.control.window);

    const Step yes = One("click \"&Yes\" in \"Confirmation\"");
    EXPECT_EQ(yes.control.control.kind, Ref::Caption);
    EXPECT_EQ(yes.control.control.text, "&Yes");
    ASSERT_TRUE(yes.control.window);
    EXPECT_EQ(yes.control.window->kind, Ref::Caption);
    EXPECT_EQ(yes.control.window->text, "Confirmation");

    const Step answer = One("answer \"Error\" \"OK\"");
    EXPECT_EQ(answer.op, Op::Answer);
    EXPECT_EQ(answer.window->text, "Error");
    EXPECT_EQ(answer.text, "OK");
}

TEST(RobotScenario, ConditionsOfWaitAndAssert)
{
    const Step text = One("wait text lblTitle contains \"Welcome\" timeout=2.5");
    EXPECT_EQ(text.op, Op::Wait);
    EXPECT_EQ(text.cond.kind, Cond::Text);
    EXPECT_EQ(text.cond.match, Match::Contains);
    EXPECT_EQ(text.cond.text, "Welcome");
    ASSERT_TRUE(text.timeout);
    EXPECT_DOUBLE_EQ(*text.timeout, 2.5);

    const Step gone = One("assert gone NimboPagesForm");
    EXPECT_EQ(gone.op, Op::Assert);
    EXPECT_EQ(gone.cond.kind, Cond::Gone);
    EXPECT_FALSE(gone.timeout);

    const Step buttons = One("assert dialog \"Warning\" buttons \"&Yes\" \"&No\"");
    EXPECT_EQ(buttons.cond.kind, Cond::DialogButtons);
    EXPECT_EQ(buttons.cond.buttons, (std::vector<std::string>{"&Yes", "&No"}));

    EXPECT_EQ(One("assert disabled btnNext in NimboPagesForm").cond.kind, Cond::Disabled);
    EXPECT_EQ(One("assert unchecked rbCustom").cond.kind, Cond::Unchecked);
}

TEST(RobotScenario, StringsCommentsAndEnvironment)
{
    const auto steps = Parse("# header\n"
                             "\n"
                             "  type edtPath \"C:\\\\App # not a comment\\n\"   # a comment\r\n"
                             "screenshot ${DIR}/a.png\n"
                             "echo \"cost: \\${DIR} is ${DIR}\"\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].text, "C:\\App # not a comment\n");
    EXPECT_EQ(steps[0].source, "type edtPath \"C:\\\\App # not a comment\\n\"");
    EXPECT_EQ(steps[1].text, "/tmp/shots/a.png");
    EXPECT_EQ(steps[2].text, "cost: ${DIR} is /tmp/shots");
}

TEST(RobotScenario, ErrorsNameTheirLine)
{
    std::string message;
    EXPECT_EQ(ErrorLine("click btnNext\nclik btnNext\n", &message), 2);
    EXPECT_NE(message.find("unknown command 'clik'"), std::string::npos);
    EXPECT_EQ(ErrorLine("type edtName World"), 1);     // text must be quoted
    EXPECT_EQ(ErrorLine("click btnNext btnBack"), 1);  // one control only
    EXPECT_EQ(ErrorLine("click"), 1);
    EXPECT_EQ(ErrorLine("echo \"open"), 1);
    EXPECT_EQ(ErrorLine("wait text lblA is \"x\""), 1);
    EXPECT_EQ(ErrorLine("sleep soon"), 1);
    EXPECT_EQ(ErrorLine("sleep -1"), 1);
    EXPECT_EQ(ErrorLine("click btnNext timeout=x"), 1);
    EXPECT_EQ(ErrorLine("click \"\""), 1);
    EXPECT_EQ(ErrorLine("assert dialog \"Error\" buttons"), 1);
    EXPECT_EQ(ErrorLine("\n\necho \"${NOPE}\"", &message), 3);
    EXPECT_NE(message.find("NOPE"), std::string::npos);
    EXPECT_EQ(ErrorLine("set timeout 5\nset settle 0.5\nwithin any\ndump\nsleep 0.1\nclose NimboForm"), 0);
}

TEST(RobotScenario, AcceleratorMarksAreIgnoredInCaptions)
{
    EXPECT_EQ(StripAccelerators("&Yes"), "Yes");
    EXPECT_EQ(StripAccelerators("Yes"), "Yes");
    EXPECT_EQ(StripAccelerators("Save && &Exit"), "Save & Exit");
    EXPECT_EQ(StripAccelerators("&"), "");
}

TEST(RobotScenario, KeysAreNamedChordsOrQuotedTextWithAnOptionalFocusTarget)
{
    const Step keys = One("key Shift+Tab Alt+N Enter \"C:\\\\Apps\" F12 on edtSDPath in NimboPagesForm");
    EXPECT_EQ(keys.op, Op::Key);
    ASSERT_EQ(keys.keys.size(), 5u);
    EXPECT_TRUE(keys.keys[0].shift);
    EXPECT_EQ(keys.keys[0].vk, 0x09u);
    EXPECT_TRUE(keys.keys[1].alt);
    EXPECT_EQ(keys.keys[1].vk, static_cast<unsigned>('N'));
    EXPECT_EQ(keys.keys[2].Describe(), "Enter");
    EXPECT_EQ(keys.keys[3].text, "C:\\Apps");
    EXPECT_EQ(keys.keys[4].vk, 0x7Bu);
    EXPECT_TRUE(keys.keyTarget);
    EXPECT_EQ(keys.control.control.text, "edtSDPath");
    ASSERT_TRUE(keys.control.window);
    EXPECT_EQ(keys.control.window->text, "NimboPagesForm");
    EXPECT_FALSE(One("key Esc").keyTarget);

    std::string message;
    EXPECT_EQ(ErrorLine("key Hyper+Q", &message), 1);
    EXPECT_NE(message.find("unknown key 'Hyper+Q'"), std::string::npos);
    EXPECT_EQ(ErrorLine("key on btnNext"), 1);
    EXPECT_EQ(ErrorLine("key F13"), 1);
    EXPECT_EQ(ErrorLine("key Enter on"), 1);
}

TEST(RobotScenario, FocusAndPlacementConditions)
{
    EXPECT_EQ(One("assert focused btnNext").cond.kind, Cond::Focused);
    const Step fills = One("assert fills NimboForm");
    EXPECT_EQ(fills.cond.kind, Cond::Fills);
    EXPECT_EQ(fills.cond.window.text, "NimboForm");
    EXPECT_EQ(One("wait centred \"Confirmation\"").cond.kind, Cond::Centred);
    const Step layout = One("assert layout \"Confirmation\"");
    EXPECT_EQ(layout.cond.kind, Cond::Layout);
    EXPECT_EQ(layout.cond.window.kind, Ref::Caption);
    EXPECT_EQ(layout.cond.Describe(), "layout of \"Confirmation\" holds");
}
