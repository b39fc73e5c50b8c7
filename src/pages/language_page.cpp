#include "pages/language_page.h"

#include "engine/message_dialog.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

namespace {

const TEnumInfo& LanguageTypeNames()
{
    static const TEnumInfo i{{"laEnglish", "laCompiled", "laFrench", "laDutch", "laNorwegian", "laItalian", "laSpanish",
                              "laGerman", "laHungarian"}};
    return i;
}
}  // namespace

NIMBO_DEFINE_CLASS(TNimboLanguage, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboLanguage)
                       .Str("DefaultLanguage", &TNimboLanguage::SetDefaultLanguage)
                       .Set("ShowLanguages", &TNimboLanguage::SetShowLanguages, LanguageTypeNames())
                       .Lines("Order", &TNimboLanguage::Order))

TNimboLanguage::TNimboLanguage() = default;

void TNimboLanguage::LinkController(TNimboInfo* controller)
{
    if (defaultLanguage_.empty()) defaultLanguage_ = controller->Language();
}

void TNimboLanguage::Loaded()
{
    TNimboPage::Loaded();
    if (controller_) LinkController(controller_);
}

void TNimboLanguage::SetDefaultLanguage(const String& v)
{
    if (!controller_) return;
    if (controller_->Languages()->IndexOf(v) >= 0) {
        defaultLanguage_ = v;
    } else if (v != "(compiled)") {
        MessageDlg("The language " + v + " is not in the list of available languages.", mtInformation, 1u << mbOK);
    } else {
        defaultLanguage_ = HasState(csDesigning) ? v : LanguageName(laCompiled);
    }
}

void TNimboLanguage::ShowPage()
{
    if (!controller_) return;
    const String current = controller_->Language();
    TStringList offered;
    offered.Assign(*controller_->Languages());
    // Languages of the name table only where the author offers them; other
    // languages of the library always.
    for (int t = laEnglish; t <= laHungarian; ++t) {
        const int at = offered.IndexOf(LanguageName(static_cast<TLanguageTypes>(t)));
        if (at >= 0 && !(showLanguages_ & (1u << t))) offered.Delete(at);
    }
    if (order_.Count() > 0) {
        TStringList ordered;
        for (int i = 0; i < order_.Count(); ++i)
            if (offered.IndexOf(order_[i]) >= 0 && ordered.IndexOf(order_[i]) < 0) ordered.Add(order_[i]);
        for (int i = 0; i < offered.Count(); ++i)
            if (ordered.IndexOf(offered[i]) < 0) ordered.Add(offered[i]);
        offered.Assign(ordered);
    }
    const String& compiled = LanguageName(laCompiled);
    String preselected;
    if (defaultLanguage_ != compiled || (showLanguages_ & (1u << laCompiled))) {
        preselected = defaultLanguage_;
    } else {
        controller_->SetLanguage(compiled);
        preselected = controller_->GetMessageText(msgLanguageName);
        controller_->SetLanguage(current);
    }
    if (offered.IndexOf(preselected) < 0 && offered.Count() > 0) preselected = offered[0];
    // The dialog's own texts follow the preselection until Next.
    if (!preselected.empty()) controller_->SetLanguage(preselected);
    TNimboPage::ShowPage();
    NimboPagesForm->SetCaption(NimboMessageText(controller_, msgLanguageCaption));
    TRadioGroup* group = NimboPagesForm->rdgLSLanguage;
    group->SetCaption(NimboMessageText(controller_, msgLanguagePrompt));
    group->Items()->Assign(offered);
    group->SetItemIndex(offered.IndexOf(preselected));
    if (group->ItemIndex() < 0 && offered.Count() > 0) group->SetItemIndex(0);
    NimboPagesForm->nbPage->SetPageIndex(wpLanguage);
}

void TNimboLanguage::PageActive()
{
    // Nothing to offer: move on at once with the language now current.
    if (NimboPagesForm->rdgLSLanguage->Items()->Count() == 0) state_ = psNext;
}

void TNimboLanguage::DoNext()
{
    if (!controller_) return;
    TRadioGroup* group = NimboPagesForm->rdgLSLanguage;
    const int chosen = group->ItemIndex();
    const String name = chosen >= 0 ? (*group->Items())[chosen] : controller_->Language();
    controller_->SetLanguage(name);
    TNimboPage::DoNext();
}
