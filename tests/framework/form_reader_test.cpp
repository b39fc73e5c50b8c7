#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "framework/form_text.h"
#include "framework/value_stream.h"
#include "test_components.h"

namespace {

const char* const kForm = R"(
object MainForm: TTestForm
  Caption = 'Main'
  Tag = 7
  object First: TTestItem
    Count = 42
    Caption = 'It''s'#13#10'two lines' +
      ' and more'
    Enabled = False
    Color = clBlue
    Options = [toBold, toUnderline]
    Font.Name = 'Arial'
    Font.Size = -11
    Lines.Strings = (
      'one'
      'two' 'three'
      '')
    Next = Second
    Buddy = MainForm
    OnClick = ButtonClick
    Data = {00 01 fF}
    DesignInfo = (1 (2 'x') [a])
    object Child: TTestItem
      Next = First
      Buddy = nil
    end
  end
  object Second: TTestItem
    Next = Child
  end
end
)";

TTestItem* Item(TComponent* form, const char* name)
{
    auto* c = dynamic_cast<TTestItem*>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// The message of the EReadError that reading `text` raises.
String ReadError(std::string_view text)
{
    TTestFormPtr form = NewTestForm();
    try {
        ReadForm(form.get(), FormTextToBinary(text));
    } catch (const EReadError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no error";
    return {};
}

String OneItem(const String& props)
{
    return "object MainForm: TTestForm\n object First: TTestItem\n" + props +
           "\n end\n object Second: TTestItem\n end\n object Other: TTestOther\n end\nend\n";
}

TEST(FormReader, ReadsEveryKindOfProperty)
{
    EventLog().clear();
    TTestFormPtr form = ReadTestForm(kForm);
    EXPECT_EQ(form->Name(), "MainForm");
    EXPECT_EQ(form->caption, "Main");
    EXPECT_EQ(form->Tag(), 7);

    TTestItem* first = Item(form.get(), "First");
    TTestItem* second = Item(form.get(), "Second");
    TTestItem* child = Item(form.get(), "Child");
    ASSERT_TRUE(first && second && child);
    EXPECT_EQ(first->count, 42);
    EXPECT_EQ(first->caption, "It's\r\ntwo lines and more");
    EXPECT_FALSE(first->enabled);
    EXPECT_EQ(first->color, TTestColor::clBlue);
    EXPECT_EQ(first->options, (1u << toBold) | (1u << toUnderline));
    EXPECT_EQ(first->font.name, "Arial");
    EXPECT_EQ(first->font.size, -11);
    EXPECT_EQ(first->lines.Lines(), (std::vector<String>{"one", "two", "three", ""}));
    EXPECT_EQ(first->data, (std::vector<uint8_t>{0, 1, 0xFF}));
    EXPECT_TRUE(second->enabled);  // untouched defaults stay

    // References: forward, backward, to the root, and nil.
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->next, child);
    EXPECT_EQ(child->next, first);
    EXPECT_EQ(first->buddy, form.get());
    EXPECT_EQ(child->buddy, nullptr);

    // The event calls the root's published method with the sender.
    ASSERT_TRUE(first->onClick);
    first->onClick(first);
    EXPECT_EQ(form->clicks, (std::vector<TObject*>{first}));
}

TEST(FormReader, CreatesInStreamOrderAndCallsLoadedAfterAllReferences)
{
    EventLog().clear();
    TTestFormPtr form = ReadTestForm(kForm);
    // Every component belongs to the root; nesting sets the parent.
    ASSERT_EQ(form->ComponentCount(), 3);
    EXPECT_EQ(form->Components(0)->Name(), "First");
    EXPECT_EQ(form->Components(1)->Name(), "Child");
    EXPECT_EQ(form->Components(2)->Name(), "Second");
    EXPECT_EQ(Item(form.get(), "First")->parent, form.get());
    EXPECT_EQ(Item(form.get(), "Child")->parent, Item(form.get(), "First"));

    EXPECT_EQ(EventLog(), (std::vector<String>{"Loaded MainForm", "Loaded First", "Loaded Child", "Loaded Second"}));
    // First's forward reference was already set when it was Loaded.
    EXPECT_TRUE(Item(form.get(), "First")->nextKnownAtLoaded);
    // Properties were set while loading; afterwards the flags are clear.
    EXPECT_TRUE(Item(form.get(), "First")->setWhileLoading);
    for (int i = 0; i < form->ComponentCount(); ++i) {
        EXPECT_FALSE(form->Components(i)->HasState(csLoading));
        EXPECT_FALSE(form->Components(i)->HasState(csReading));
    }
    EXPECT_FALSE(form->HasState(csLoading));
}

TEST(FormReader, InsertedComponentsSeeEachOtherInBothOrders)
{
    for (bool aFirst : {true, false}) {
        SCOPED_TRACE(aFirst);
        const String a = " object A: TTestItem\n  Next = B\n end\n";
        const String b = " object B: TTestItem\n  Next = A\n end\n";
        TTestFormPtr form = ReadTestForm("object F: TTestForm\n" + (aFirst ? a + b : b + a) + "end\n");
        TTestItem* earlier = Item(form.get(), aFirst ? "A" : "B");
        TTestItem* later = Item(form.get(), aFirst ? "B" : "A");
        EXPECT_EQ(earlier->insertedObjects, (std::vector<TComponent*>{earlier, later}));
        EXPECT_EQ(later->insertedObjects, (std::vector<TComponent*>{later}));
        // Freeing either one clears the other's reference.
        later->Free();
        EXPECT_EQ(earlier->next, nullptr);
    }
}

TEST(FormReader, ReferenceErrorsNameThePropertyAfterTheWholeStream)
{
    EXPECT_EQ(ReadError(OneItem("Next = Missing")), "Error reading First.Next: unresolved reference to Missing");
    EXPECT_EQ(ReadError(OneItem("Next = Other")), "Error reading First.Next: Invalid property value");
    EXPECT_EQ(ReadError(OneItem("Next = MainForm")), "Error reading First.Next: Invalid property value");
    EXPECT_EQ(ReadError(OneItem("Next = 5")), "Error reading First.Next: Invalid property value");
}

TEST(FormReader, UnknownNamesAndWrongTagsNameTheComponentAndProperty)
{
    EXPECT_EQ(ReadError("object F: TTestForm\n object X: TNoSuchClass\n end\nend"), "Class TNoSuchClass not found");
    // A class known but not creatable from a form.
    EXPECT_EQ(ReadError("object F: TTestForm\n object X: TComponent\n end\nend"), "Class TComponent not found");
    EXPECT_EQ(ReadError(OneItem("Bogus = 1")), "Error reading First.Bogus: Property Bogus does not exist");
    EXPECT_EQ(ReadError(OneItem("Font.Bogus = 1")), "Error reading First.Font.Bogus: Property Bogus does not exist");
    EXPECT_EQ(ReadError(OneItem("Count.X = 1")), "Error reading First.Count.X: Property Count.X does not exist");
    EXPECT_EQ(ReadError(OneItem("OnClick = NoSuchMethod")),
              "Error reading First.OnClick: Method NoSuchMethod not found in TTestForm");

    const char* const wrongTags[] = {
        "Count = 'text'",
        "Count = True",
        "Caption = 12",
        "Enabled = 1",
        "Color = clPurple",
        "Color = 'clRed'",
        "Options = [toBold, toStrike]",
        "Options = toBold",
        "Lines.Strings = 'x'",
        "Lines.Strings = (1)",
        "Font.Size = 'big'",
        "Data = 'x'",
        "OnClick = 'ButtonClick'",
    };
    for (const char* prop : wrongTags) {
        const String msg = ReadError(OneItem(prop));
        EXPECT_NE(msg.find("Error reading First."), String::npos) << prop << ": " << msg;
        EXPECT_NE(msg.find("Invalid property value"), String::npos) << prop << ": " << msg;
    }
}

TEST(FormReader, ErrorsFromSettersAreReadErrorsToo)
{
    // A setter's own check, on a plain property and on a reference.
    EXPECT_EQ(ReadError(OneItem("Limit = -1")), "Error reading First.Limit: Limit must not be negative");
    EXPECT_EQ(ReadError(OneItem("Buddy = First")), "Error reading First.Buddy: A component cannot be its own buddy");
}

TEST(FormReader, BadNamesInTheStreamAreReadErrors)
{
    const String dup = ReadError("object F: TTestForm\n object A: TTestItem\n end\n object a: TTestItem\n end\nend");
    EXPECT_NE(dup.find("A component named a already exists"), String::npos) << dup;
    const String bad = ReadError("object F: TTestForm\n object A: TTestItem\n end\n object 9x: TTestItem\n end\nend");
    EXPECT_NE(bad.find("'9x' is not a valid component name"), String::npos) << bad;
    const String root = ReadError("object 9x: TTestForm\nend");
    EXPECT_NE(root.find("'9x' is not a valid component name"), String::npos) << root;
}

TEST(FormReader, FailingCreateLeavesNothingBehind)
{
    TTestFormPtr form = NewTestForm();
    const auto bytes =
        FormTextToBinary("object F: TTestForm\n object Watch: TTestItem\n end\n object S1: TTestSingleton\n end\n"
                         " object S2: TTestSingleton\n end\nend");
    try {
        ReadForm(form.get(), bytes);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message().find("Only one TTestSingleton"), String::npos) << e.Message();
    }
    ASSERT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->Components(1)->Name(), "S1");
}

TEST(FormReader, StreamFramingErrors)
{
    auto valid = FormTextToBinary("object F: TTestForm\nend");
    TTestFormPtr form = NewTestForm();

    auto badSig = valid;
    badSig[0] = 'X';
    EXPECT_THROW(ReadForm(form.get(), badSig), EReadError);

    auto trailing = valid;
    trailing.push_back(0);
    EXPECT_THROW(ReadForm(NewTestForm().get(), trailing), EReadError);

    TTestItem item;
    try {
        ReadForm(&item, valid);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Form resource of class TTestForm cannot be read into a TTestItem");
    }
}

TEST(FormReader, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    // Builds a stream of `depth` objects, each inside the previous one.
    auto nested = [](int depth) {
        TValueWriter w;
        w.WriteBytes(kFormSignature, 4);
        w.WriteShortString("TTestForm");
        w.WriteShortString("F");
        w.WriteByte(0);
        for (int i = 0; i < depth; ++i) {
            w.WriteShortString("TTestItem");
            w.WriteShortString("I" + IntToStr(i));
            w.WriteByte(0);
        }
        for (int i = 0; i <= depth; ++i) w.WriteByte(0);
        return w.TakeData();
    };
    TTestFormPtr ok = NewTestForm();
    ReadForm(ok.get(), nested(40));
    EXPECT_EQ(ok->ComponentCount(), 40);
    EXPECT_EQ(Item(ok.get(), "I39")->parent, Item(ok.get(), "I38"));

    TTestFormPtr deep = NewTestForm();
    EXPECT_THROW(ReadForm(deep.get(), nested(100000)), EReadError);

    // The same for a value: lists nested far beyond the limit.
    for (const char* prop : {"DesignInfo", "Lines.Strings"}) {
        TValueWriter w;
        w.WriteBytes(kFormSignature, 4);
        w.WriteShortString("TTestForm");
        w.WriteShortString("F");
        w.WriteByte(0);
        w.WriteShortString("TTestItem");
        w.WriteShortString("A");
        w.WriteShortString(prop);
        for (int i = 0; i < 100000; ++i) w.WriteListBegin();
        TTestFormPtr f = NewTestForm();
        EXPECT_THROW(ReadForm(f.get(), w.Data()), EReadError) << prop;
    }
}

TEST(FormReader, CompilerAndReaderAgreeOnTheNestingLimit)
{
    // Objects nested as deep as the reader takes compile and read; one
    // level more is refused already by the compiler.
    auto text = [](int levels) {
        String t = "object F: TTestForm\n";
        for (int i = 1; i < levels; ++i) t += "object I" + IntToStr(i) + ": TTestItem\n";
        for (int i = 0; i < levels; ++i) t += "end\n";
        return t;
    };
    const int limit = TValueReader::kMaxDepth;
    TTestFormPtr form = ReadTestForm(text(limit));
    EXPECT_EQ(form->ComponentCount(), limit - 1);
    EXPECT_THROW(FormTextToBinary(text(limit + 1)), EReadError);
}

}  // namespace
