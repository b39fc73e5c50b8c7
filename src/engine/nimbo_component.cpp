#include "engine/nimbo_component.h"

#include <utility>

#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

const TEnumInfo& NimboButtonNames()
{
    static const TEnumInfo i{{"btPrev", "btNext", "btFinish", "btCancel"}};
    return i;
}

NIMBO_DEFINE_CLASS(TNimboComponent, TComponent, false,
                   p.Str("AppName", &TNimboComponent::SetAppName)
                       .Event("OnExecute", &TNimboComponent::OnExecute)
                       // Every component finds the form's one controller by itself.
                       .Ignore("SetupInfo")
                       .Ignore("Left")
                       .Ignore("Top"))

void TNimboComponent::Create(TComponent* owner)
{
    if (!dynamic_cast<TForm*>(owner)) throw ENimboError("Only a TForm can own a TNimbo component.");
    controller_ = nullptr;
    TComponent::Create(owner);
}

void TNimboComponent::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    auto* info = dynamic_cast<TNimboInfo*>(component);
    if (!info || info == this || dynamic_cast<TNimboInfo*>(this)) return;
    if (operation == TOperation::opInsert) {
        controller_ = info;
        script_ = info->Script();
    } else if (controller_ == info) {
        controller_ = nullptr;
        script_ = nullptr;
    }
}

void TNimboComponent::SetName(const String& name)
{
    const String old = Name();
    TComponent::SetName(name);
    if (script_ && old != name) RenameScriptEntry(old, name);
}

void TNimboComponent::SetController(TComponent* value)
{
    if (HasState(csReading)) return;
    if (value && !dynamic_cast<TNimboInfo*>(value))
        throw ENimboError("SetupInfo can only accept components of type TNimboInfo.");
    controller_ = static_cast<TNimboInfo*>(value);
}

uint8_t TNimboComponent::Execute()
{
    if (!controller_) throw ENimboError(Name() + " cannot find the TNimboInfo component.");
    if (OnExecute) OnExecute(this);
    return 0;
}

String TNimboComponent::AppName() const { return script_ ? script_->AppName() : String(); }

void TNimboComponent::SetAppName(const String& v)
{
    if (script_) script_->SetAppName(v);
}

const TEnumInfo& StandardTextNames()
{
    static const TEnumInfo i{{"stNone", "stWelcome", "stReady", "stDirectory", "stFinished"}};
    return i;
}

NIMBO_DEFINE_CLASS(TNimboPage, TNimboComponent, false,
                   p.Set("Buttons", &TNimboPage::SetButtons, NimboButtonNames())
                       .Lines("Translations", &TNimboPage::Translations)
                       .Enum("StandardText", &TNimboPage::SetStandardText, StandardTextNames())
                       .Event("OnCancel", &TNimboPage::OnCancel)
                       .Event("OnNextPage", &TNimboPage::OnNextPage)
                       .Event("OnPrevPage", &TNimboPage::OnPrevPage))

TNimboPage::TNimboPage() = default;

std::vector<String> TNimboPage::Translated(const String& key) const
{
    std::vector<String> lines;
    if (!controller_) return lines;
    const String prefix = controller_->Language() + "|" + key + "|";
    for (int i = 0; i < translations_.Count(); ++i)
        if (translations_[i].compare(0, prefix.size(), prefix) == 0)
            lines.push_back(translations_[i].substr(prefix.size()));
    return lines;
}

String TNimboPage::StandardText(const String& key) const
{
    struct TStandard {
        TStandardText page;
        const char* key;
        unsigned message;
    };
    static constexpr TStandard kTexts[] = {
        {stWelcome, "Caption", msgWelcomeCaption}, {stWelcome, "Lines", msgWelcomeText},
        {stReady, "Caption", msgReadyCaption},     {stReady, "Lines", msgReadyText},
        {stDirectory, "Text", msgDirSelect},       {stFinished, "Caption", msgFinishedCaption},
        {stFinished, "Lines", msgFinishedText},
    };
    for (const TStandard& t : kTexts)
        if (t.page == standardText_ && key == t.key)
            return Format(NimboMessageText(controller_, t.message), controller_->ProductName());
    return String();
}

String TNimboPage::PageText(const String& key, const String& own) const
{
    const std::vector<String> translated = Translated(key);
    String text;
    for (size_t i = 0; i < translated.size(); ++i) text += (i > 0 ? "\r\n" : "") + translated[i];
    if (!translated.empty()) return text;
    return !own.empty() || standardText_ == stNone ? own : StandardText(key);
}

void TNimboPage::Create(TComponent* owner)
{
    TNimboComponent::Create(owner);
    buttons_ = NimboButton(btPrev) | NimboButton(btNext) | NimboButton(btCancel);
    nextPage_ = nullptr;
    state_ = psWaiting;
}

void TNimboPage::SetNextPage(TNimboPage* p)
{
    nextPage_ = p;
    if (p) FreeNotification(p);
}

void TNimboPage::Notification(TComponent* component, TOperation operation)
{
    TNimboComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == nextPage_) nextPage_ = nullptr;
}

uint8_t TNimboPage::Execute()
{
    state_ = psWaiting;
    if (!NimboPagesForm) {
        // The first page of a run opens the wizard dialog; its kick-off
        // timer runs this page (and the whole chain) inside the dialog.
        NimboPagesForm = CreateNimboPagesForm();
        if (controller_ && !controller_->Picture()->Empty())
            NimboPagesForm->imSetup->Picture()->Assign(controller_->Picture());
        KickOffPage = this;
        KickOffError = nullptr;
        NimboPagesForm->ShowModal();
        if (KickOffError) std::rethrow_exception(std::exchange(KickOffError, nullptr));
        return state_;
    }
    if (controller_) controller_->PushPage(this);
    try {
        do {
            state_ = psWaiting;
            ShowPage();
            if (state_ == psWaiting) TNimboComponent::Execute();
            if (state_ == psWaiting) PageActive();
            // Unattended: the page takes what it shows, as Next would.
            if (state_ == psWaiting && Unattended()) {
                RunLog("Page: " + (NimboPagesForm ? NimboPagesForm->Caption() : Name()) + " -> Next");
                state_ = psNext;
            }
            WaitForState();
            if (state_ == psPrevious) {
                state_ = psDone;
                DoPrevious();
            }
            if (state_ == psNext) {
                state_ = psDone;
                DoNext();
            }
            if (state_ == psCancelled) DoCancel();
        } while (state_ != psDone && state_ != psCancelled);
    } catch (...) {
        if (controller_) controller_->PopPage();
        throw;
    }
    if (controller_) controller_->PopPage();
    return state_;
}

void TNimboPage::WaitForState()
{
    while (state_ == psWaiting) {
        Application->HandleMessage();
        // The session is ending: leave the chain as cancelled.
        if (Application->Terminated() && state_ == psWaiting) state_ = psCancelled;
    }
}

void TNimboPage::PageActive() {}

void TNimboPage::ShowPage()
{
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    f->CurrentPage = this;
    f->SetCaption("");
    f->btnNext->Show();
    f->btnPrev->Show();
    f->btnCancel->Show();
    f->btnNext->SetCaption(controller_->GetMessageText(msgButtonNext));
    f->btnPrev->SetCaption(controller_->GetMessageText(msgButtonPrevious));
    f->btnCancel->SetCaption(controller_->GetMessageText(msgButtonCancel));
    CancelPrompt = controller_->GetMessageText(msgCancelSetup);
    TNimboPage* previous = controller_->PreviousPage();
    f->btnPrev->SetEnabled((buttons_ & NimboButton(btPrev)) && previous);
    f->btnNext->SetEnabled(buttons_ & NimboButton(btNext));
    f->btnCancel->SetEnabled(buttons_ & NimboButton(btCancel));
    // Hidden rather than disabled: a page that ends the run on its own
    // still cancels through it.
    if (RunSwitches().noCancel) f->btnCancel->Hide();
    if (buttons_ & NimboButton(btFinish)) {
        f->btnNext->SetEnabled(true);
        f->btnNext->SetCaption(controller_->GetMessageText(msgButtonFinish));
    }
    PromptController = controller_;
    if (previous && previous->BlocksPrevious()) f->btnPrev->SetEnabled(false);
    if (f->btnNext->Enabled())
        f->SetActiveControl(f->btnNext);
    else if (f->btnPrev->Enabled())
        f->SetActiveControl(f->btnPrev);
    else if (f->btnCancel->Enabled() && f->btnCancel->Visible())
        f->SetActiveControl(f->btnCancel);
}

void TNimboPage::DoNext()
{
    if (!NimboPagesForm->btnNext->Enabled() || state_ == psCancelled) return;
    if (OnNextPage) OnNextPage(this);
    if (nextPage_ && state_ == psDone) nextPage_->Execute();
}

void TNimboPage::DoPrevious()
{
    if (!NimboPagesForm->btnPrev->Enabled() || state_ == psCancelled) return;
    if (OnPrevPage) OnPrevPage(this);
    TNimboPage* previous = controller_ ? controller_->PreviousPage() : nullptr;
    if (state_ != psCancelled && previous) previous->SetState(psPrevious);
}

void TNimboPage::ButtonClick(TObject*) {}

void TNimboPage::DoCancel()
{
    if (!NimboPagesForm->btnCancel->Enabled()) return;
    if (OnCancel) OnCancel(this);
    TNimboPage* previous = controller_ ? controller_->PreviousPage() : nullptr;
    if (state_ == psCancelled && previous) previous->SetState(psCancelled);
}
