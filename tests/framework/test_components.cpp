#include "test_components.h"

#include "framework/form_text.h"
#include "framework/properties.h"

namespace {
const TEnumInfo kColorNames{{"clRed", "clGreen", "clBlue"}};
const TEnumInfo kOptionNames{{"toBold", "toItalic", "toUnderline"}};
}  // namespace

std::vector<String>& EventLog()
{
    static std::vector<String> log;
    return log;
}

NIMBO_DEFINE_CLASS(TTestFont, TPersistent, false, p.Str("Name", &TTestFont::SetName).Int("Size", &TTestFont::SetSize))

NIMBO_DEFINE_CLASS(TTestItem, TComponent, true,
                   p.Int("Count", &TTestItem::SetCount)
                       .Str("Caption", &TTestItem::SetCaption)
                       .Bool("Enabled", &TTestItem::SetEnabled)
                       .Enum("Color", &TTestItem::SetColor, kColorNames)
                       .Set("Options", &TTestItem::SetOptions, kOptionNames)
                       .Object("Font", &TTestItem::GetFont)
                       .Lines("Lines", &TTestItem::GetLines)
                       .Ref("Next", &TTestItem::SetNext)
                       .Ref("Buddy", &TTestItem::SetBuddy)
                       .Event("OnClick", &TTestItem::onClick)
                       .Int("Limit", &TTestItem::SetLimit)
                       .Ignore("DesignInfo"))

NIMBO_DEFINE_CLASS(TTestOther, TComponent, true, (void)0)
NIMBO_DEFINE_CLASS(TTestSingleton, TComponent, true, (void)0)
NIMBO_DEFINE_CLASS(TTestForm, TComponent, true,
                   p.Str("Caption", &TTestForm::SetCaption).Method("ButtonClick", &TTestForm::ButtonClick))

void TTestItem::SetNext(TTestItem* v)
{
    next = v;
    if (v) FreeNotification(v);
}

void TTestItem::SetBuddy(TComponent* v)
{
    if (v == this) throw EComponentError("A component cannot be its own buddy");
    buddy = v;
    if (v) FreeNotification(v);
}

void TTestItem::SetLimit(int v)
{
    if (v < 0) throw EComponentError("Limit must not be negative");
    limit = v;
}

void TTestItem::Notification(TComponent* c, TOperation op)
{
    TComponent::Notification(c, op);
    if (op == TOperation::opInsert) {
        inserts.push_back(c->Name());
        insertedObjects.push_back(c);
        return;
    }
    if (c == next) next = nullptr;
    if (c == buddy) buddy = nullptr;
}

void TTestItem::Loaded()
{
    TComponent::Loaded();
    nextKnownAtLoaded = next != nullptr;
    EventLog().push_back("Loaded " + Name());
}

void TTestItem::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        "Data", [this](TReader& r) { data = r.ReadBinary(); }, [this](TWriter& w) { w.WriteBinary(data); },
        !data.empty());
}

void TTestSingleton::Create(TComponent* owner)
{
    TComponent::Create(owner);
    for (int i = 0; owner && i < owner->ComponentCount(); ++i)
        if (owner->Components(i) != this && dynamic_cast<TTestSingleton*>(owner->Components(i)))
            throw EComponentError("Only one TTestSingleton is allowed on a form");
}

void TTestForm::Loaded()
{
    TComponent::Loaded();
    EventLog().push_back("Loaded " + Name());
}

void RegisterTestClasses()
{
    static const bool done = [] {
        RegisterComponentClass(TTestItem::StaticClass());
        RegisterComponentClass(TTestOther::StaticClass());
        RegisterComponentClass(TTestSingleton::StaticClass());
        RegisterComponentClass(TTestForm::StaticClass());
        return true;
    }();
    (void)done;
}

TTestFormPtr NewTestForm()
{
    RegisterTestClasses();
    return TTestFormPtr(NewComponent<TTestForm>(nullptr));
}

void ReadForm(TComponent* root, const std::vector<uint8_t>& bytes)
{
    TFormReader reader(bytes.data(), bytes.size());
    reader.ReadRootComponent(root);
}

TTestFormPtr ReadTestForm(std::string_view text)
{
    TTestFormPtr form = NewTestForm();
    ReadForm(form.get(), FormTextToBinary(text));
    return form;
}
