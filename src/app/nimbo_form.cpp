#include "app/nimbo_form.h"

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboForm, TForm, false, p.Method("FormCreate", &TNimboForm::FormCreate))

void TNimboForm::Loaded()
{
    TForm::Loaded();
    suInfo = dynamic_cast<TNimboInfo*>(FindComponent("suInfo"));
    suWelcome = dynamic_cast<TNimboMessage*>(FindComponent("suWelcome"));
    suPreFileCopy = dynamic_cast<TNimboMessage*>(FindComponent("suPreFileCopy"));
    if (!suInfo) throw EReadError("The setup form's resource has no suInfo");
}

void TNimboForm::FormCreate(TObject*)
{
    SetCaption(suInfo->AppName() + " Setup Program");
    Application->SetTitle(Caption());
}

void TNimboForm::DoShow()
{
    TForm::DoShow();
    // The first page starts once the form is on the screen, from the
    // message loop, so the wizard runs nested in a timer's dispatch.
    if (!startTimer_ && suWelcome) {
        startTimer_ = NewComponent<TTimer>(this);
        startTimer_->SetInterval(100);
        startTimer_->SetOnTimer([this](TObject* s) { StartTimerFired(s); });
    }
}

void TNimboForm::StartTimerFired(TObject*)
{
    startTimer_->SetEnabled(false);
    try {
        suWelcome->Execute();
    } catch (...) {
        Application->Terminate();
        throw;
    }
    Application->Terminate();
}
