// The destination directory page: shows the directory of one script
// directory (InstallDir) and lets the user browse to another one. The
// choice is written into the script, so everything placed in that
// directory, or below it, follows it.
#pragma once

#include "engine/nimbo_component.h"
#include "engine/wizard/pages_form.h"

class TNimboDirChoice : public TNimboPage, public INimboBrowseTarget {
    NIMBO_CLASS()

public:
    TNimboDirChoice();
    uint8_t Execute() override;
    void ShowPage() override;
    void DoNext() override;
    void DoPrevious() override;
    void ButtonClick(TObject* sender) override;

    bool AllowDirChange() const { return allowDirChange_; }
    void SetAllowDirChange(bool v) { allowDirChange_ = v; }
    bool DoInvisible() const { return doInvisible_; }
    void SetDoInvisible(bool v) { doInvisible_ = v; }
    const String& InstallDir() const { return installDir_; }
    void SetInstallDir(const String& v) { installDir_ = v; }
    int PreserveTrailing() const { return preserveTrailing_; }
    void SetPreserveTrailing(int v) { preserveTrailing_ = v; }
    TStringList* SelectText() { return &selectText_; }
    void SetSelectText(const TStringList& lines) { selectText_.Assign(lines); }
    TStringList* Text() { return &text_; }
    void SetText(const TStringList& lines) { text_.Assign(lines); }
    // The Dir value of the script directory named InstallDir.
    String TargetDir() const;
    // Ignored unless the value is a drive-letter path (see the .cpp).
    void SetTargetDir(const String& v);

    String BrowseTargetDir() const override { return TargetDir(); }
    int BrowsePreserveTrailing() const override { return preserveTrailing_; }

private:
    TNimboDir* InstallDirEntry() const;
    void RunSelectionView();
    void PointTreeAtTarget();
    void NextOfChain();
    // False when an unattended run cannot go on with the /DIR destination.
    bool ApplyDirSwitch();
    // The message that refuses a typed destination (0: none); an accepted
    // one comes back normalised.
    unsigned TypedPathRefusal(String& typed) const;
    // Why a destination cannot be installed to (a missing drive, a drive's
    // root), as a message number; 0 when it can.
    unsigned TargetRefusal(const String& target) const;
    void RefuseTarget(const String& text);
    String RefusalText(unsigned message, const String& path) const;

    bool allowDirChange_ = true;
    bool doInvisible_ = false;
    String installDir_;
    int preserveTrailing_ = 0;
    TStringList selectText_;
    TStringList text_;
    bool dirSwitchTaken_ = false;
};
