#include "framework/form_reader.h"

#include <cstring>

#include "base/le_bytes.h"
#include "base/raw_inflate.h"

bool UnpackForm(const uint8_t* data, size_t size, std::vector<uint8_t>& form)
{
    if (size < 4 || std::memcmp(data, kPackedFormSignature, 4) != 0) return false;
    // Far more than any form holds, and a bound for a damaged size.
    constexpr uint32_t kLimit = 64u << 20;
    if (size < kPackedFormHeaderSize) throw EReadError("Packed form is damaged");
    const uint32_t formSize = GetLE32(data + 4);
    // Deflate packs at most 1032 bytes into one: a larger size is damage,
    // and no reason to allocate it.
    if (formSize > kLimit || formSize / 1032 > size) throw EReadError("Packed form is damaged");
    form.resize(formSize);
    if (!InflateRaw(data + kPackedFormHeaderSize, size - kPackedFormHeaderSize, form.data(), form.size()))
        throw EReadError("Packed form is damaged");
    return true;
}

void TFormReader::AddFixup(std::function<void(TComponent*)> apply, const String& name)
{
    fixups_.push_back({std::move(apply), name, context_});
}

TNotifyEvent TFormReader::BindMethod(const String& name)
{
    const TMethodInfo* m = root_->ClassInfo().FindMethod(name);
    if (!m) throw EReadError("Method " + name + " not found in " + root_->ClassName());
    TComponent* root = root_;
    auto call = m->call;
    return [root, call](TObject* sender) { (root->*call)(sender); };
}

void TFormReader::ReadRootComponent(TComponent* root)
{
    root_ = root;
    char sig[4];
    values_.ReadBytes(sig, 4);
    if (std::memcmp(sig, kFormSignature, 4) != 0) throw EReadError("Invalid stream format");
    const String className = values_.ReadShortString();
    const String name = values_.ReadShortString();
    if (!SameText(className, root->ClassName()))
        throw EReadError("Form resource of class " + className + " cannot be read into a " + root->ClassName());
    root->SetState(csLoading, true);
    root->SetState(csReading, true);
    try {
        root->SetName(name);
    } catch (const Exception& e) {
        throw EReadError("Error reading " + name + ": " + e.Message());
    }
    loaded_.push_back(root);
    ReadProperties(root);
    ReadChildren(root);
    if (!values_.AtEnd()) throw EReadError("Invalid stream format");

    for (const Fixup& f : fixups_) {
        TComponent* target = SameText(f.name, root->Name()) ? root : root->FindComponent(f.name);
        if (!target) throw EReadError("Error reading " + f.context + ": unresolved reference to " + f.name);
        context_ = f.context;
        try {
            f.apply(target);
        } catch (const Exception& e) {
            // A setter's own check, as for properties read directly.
            throw EReadError("Error reading " + f.context + ": " + e.Message());
        }
    }
    for (TComponent* c : loaded_) c->SetState(csReading, false);
    for (TComponent* c : loaded_) c->Loaded();
}

void TFormReader::ReadChildren(TComponent* parent)
{
    if (++depth_ > TValueReader::kMaxDepth) throw EReadError("Invalid stream format");
    while (values_.NextValue() != TValueType::vaNull) ReadComponent(parent);
    values_.ReadByte();
    --depth_;
}

void TFormReader::ReadComponent(TComponent* parent)
{
    const String className = values_.ReadShortString();
    const String name = values_.ReadShortString();
    const TClassInfo* info = FindClass(className);
    if (!info || !info->create) throw EReadError("Class " + className + " not found");
    TComponent* c = info->create();
    try {
        c->Create(root_);
        c->SetState(csLoading, true);
        c->SetState(csReading, true);
        c->SetName(name);
        c->SetParentComponent(parent);
    } catch (const Exception& e) {
        // A bad name or a refusing Create is the resource's fault: report
        // it as a read error, and leave nothing half-made in the owner.
        c->Free();
        throw EReadError("Error reading " + name + ": " + e.Message());
    } catch (...) {
        c->Free();
        throw;
    }
    loaded_.push_back(c);
    ReadProperties(c);
    ReadChildren(c);
}

void TFormReader::ReadProperties(TComponent* component)
{
    for (;;) {
        const String prop = values_.ReadShortString();
        if (prop.empty()) break;
        context_ = component->Name() + "." + prop;
        try {
            ReadProperty(component, prop, component->Name());
        } catch (const EReadError& e) {
            if (e.Message().rfind("Error reading ", 0) == 0) throw;
            throw EReadError("Error reading " + context_ + ": " + e.Message());
        } catch (const Exception& e) {
            throw EReadError("Error reading " + context_ + ": " + e.Message());
        }
    }
}

void TFormReader::ReadProperty(TPersistent* instance, const String& path, const String& ownerName)
{
    // A dotted name may be registered whole ("Lines.Strings"); otherwise each
    // part before the last names a persistent sub-object ("Font.Name").
    if (const TPropInfo* p = instance->ClassInfo().FindProp(path); p && p->read) {
        p->read(*p, instance, *this);
        return;
    }
    const size_t dot = path.find('.');
    if (dot != String::npos) {
        const TPropInfo* p = instance->ClassInfo().FindProp(std::string_view(path).substr(0, dot));
        if (p && p->object) {
            TPersistent* sub = p->object(*p, instance);
            if (sub) {
                ReadProperty(sub, path.substr(dot + 1), ownerName);
                return;
            }
        }
    }
    TFiler filer(&values_, path);
    instance->DefineProperties(filer);
    if (filer.Handled()) return;
    throw EReadError("Property " + path + " does not exist");
}
