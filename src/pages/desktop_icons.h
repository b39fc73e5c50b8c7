// The desktop icons of an install: shell links on the desktop of the run's
// scope (everybody's for a machine-wide run, the user's for a per-user
// one), each starting an installed file with its arguments. Made after the
// copy when the page before it left its check box ticked (an unattended
// run makes them; /NOICONS leaves them out), each written down in the
// run's journal first and listed in the install log; the uninstall
// removes those the log lists.
#pragma once

#include "engine/nimbo_component.h"

class TNimboMessage;

class TNimboDesktopIcons : public TNimboComponent {
    NIMBO_CLASS()

public:
    TNimboDesktopIcons() = default;
    void Notification(TComponent* component, TOperation operation) override;
    // Makes the icons; 1 when it made or kept them all.
    uint8_t Execute() override;

    // One icon a line: "title|script directory|file|arguments".
    TStringList* Icons() { return &icons_; }
    // The page whose check box decides; none: always.
    void SetCheckPage(TNimboMessage* page);

private:
    bool MakeIcon(const String& desktop, const String& line);
    TStringList icons_;
    TNimboMessage* checkPage_ = nullptr;
};

// The desktop folder of the run's scope, with a trailing backslash; empty
// when the platform has none.
String ScopeDesktopFolder();
// The uninstall: removes the icons the log lists that are still links on
// that desktop to a file of the installation; the others stay, listed in
// the /LOG.
void RemoveLoggedDesktopIcons(TNimboInfo& controller);
