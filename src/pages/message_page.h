// A wizard page that shows a fixed text under a caption of its own, and
// may offer a check box below it: the desktop icons on the page before the
// copy, the program to start on the page that ends the install.
#pragma once

#include "engine/nimbo_component.h"
#include "framework/win32/stdctrls.h"

// What the page's check box decides; its caption comes from the message
// catalogue in the run's language unless the form gives one.
enum TPageCheck : uint8_t { pcNone, pcDesktopIcons, pcLaunch };
const TEnumInfo& PageCheckNames();

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
    TPageCheck CheckBox() const { return checkBox_; }
    void SetCheckBox(TPageCheck v) { checkBox_ = v; }
    void SetCheckCaption(const String& v) { checkCaption_ = v; }
    // Ticked at first; as the user left it once the page was left.
    bool Checked() const { return checked_; }
    void SetChecked(bool v) { checked_ = v; }
    void DoNext() override;
    void DoPrevious() override;

private:
    // Whether this run shows the box (not the desktop's under /NOICONS).
    bool ShowsCheckBox() const;
    void ShowCheckBox();
    void KeepCheck();
    TPageCheck checkBox_ = pcNone;
    String checkCaption_;
    bool checked_ = true;
    TAlignment alignment_ = taLeftJustify;
    String caption_;
    TFont font_;
    TStringList lines_;
};
