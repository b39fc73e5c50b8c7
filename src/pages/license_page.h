// The licence page: the licence agreement in a read-only text the user
// scrolls through, and two answers, "I accept" and "I do not accept" (the
// latter chosen at first). Next goes on only once the user accepts; an
// unattended run accepts on the administrator's behalf and says so in its
// log.
#pragma once

#include "engine/nimbo_component.h"

class TNimboLicense : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboLicense() = default;
    void ShowPage() override;
    void DoNext() override;

    TStringList* Lines() { return &lines_; }
    bool Accepted() const { return accepted_; }

private:
    void Answer(bool accepted);
    TStringList lines_;
    bool accepted_ = false;
};
