// The language page: the user picks the language of the setup's texts from
// the languages the controller found, limited to those the setup author
// offers. Next makes the choice current for every page after it.
#pragma once

#include "engine/messages.h"
#include "engine/nimbo_info.h"

class TNimboLanguage : public TNimboPage, public INimboControllerClient {
    NIMBO_CLASS()

public:
    TNimboLanguage();
    void PageActive() override;
    void ShowPage() override;
    void DoNext() override;
    // Joining a form with a controller: an empty DefaultLanguage becomes
    // the controller's current language.
    void LinkController(TNimboInfo* controller) override;
    // A page read before the controller takes its language once the whole
    // form is there.
    void Loaded() override;

    const String& DefaultLanguage() const { return defaultLanguage_; }
    // Only a language of the controller's list (or "(compiled)") is taken.
    void SetDefaultLanguage(const String& v);
    TLanguageTypeSet ShowLanguages() const { return showLanguages_; }
    void SetShowLanguages(TLanguageTypeSet v) { showLanguages_ = v; }
    // The languages' names in the order the page lists them; those it
    // does not name follow in the library's order.
    TStringList* Order() { return &order_; }

private:
    String defaultLanguage_;
    TStringList order_;
    TLanguageTypeSet showLanguages_ = (1u << laEnglish) | (1u << laCompiled) | (1u << laFrench) | (1u << laDutch) |
                                      (1u << laNorwegian) | (1u << laItalian) | (1u << laSpanish);
};
