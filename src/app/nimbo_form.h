// The host form: the configured setup whose components come from its form
// resource.
#pragma once

#include "engine/nimbo_info.h"
#include "framework/win32/extctrls.h"
#include "pages/message_page.h"

class TNimboForm : public TForm {
    NIMBO_CLASS()

public:
    TNimboForm() = default;
    void Loaded() override;

    TNimboInfo* suInfo = nullptr;
    TNimboMessage* suWelcome = nullptr;
    TNimboMessage* suPreFileCopy = nullptr;

    // Published handlers.
    void FormCreate(TObject* sender);

protected:
    void DoShow() override;

private:
    void StartTimerFired(TObject* sender);
    TTimer* startTimer_ = nullptr;
};
