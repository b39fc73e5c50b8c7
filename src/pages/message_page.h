// A wizard page that shows a fixed text under a caption of its own.
#pragma once

#include "engine/nimbo_component.h"
#include "framework/win32/stdctrls.h"

class TNimboMessage : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboMessage();
    void ShowPage() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { alignment_ = a; }
    const String& Caption() const { return caption_; }
    void SetCaption(const String& v) { caption_ = v; }
    TFont* Font() { return &font_; }
    void SetFont(const TFont* f) { font_.Assign(f); }
    TStringList* Lines() { return &lines_; }
    void SetLines(const TStringList& l) { lines_.Assign(l); }

private:
    TAlignment alignment_ = taLeftJustify;
    String caption_;
    TFont font_;
    TStringList lines_;
};
