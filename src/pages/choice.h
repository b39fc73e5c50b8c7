// The choice pages: install types (radio buttons, exactly one chosen) and
// options (check boxes, any number). Each row is an item of the script's
// choice data named like the page; Next turns the chosen items into
// changes of the controller's selected files, Previous takes them back.
#pragma once

#include <vector>

#include "engine/nimbo_component.h"
#include "framework/win32/stdctrls.h"

class TNimboChoiceItem;

class TNimboChoice : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboChoice();
    ~TNimboChoice() override;
    void RenameScriptEntry(const String& from, const String& to) override;
    void RegisterScriptEntry() override;
    void UnregisterScriptEntry() override;

    void PageActive() override;
    void ShowPage() override;
    void DoNext() override;
    void DoPrevious() override;
    void DoCancel() override;
    bool ChoiceKept() const override { return applied_; }
    String ChoiceState() const override;
    void TakeEarlierChoice(const String& state) override;
    std::vector<String> ChoiceNames() const override;

    // Removes and destroys every control built for the current show.
    virtual void FreeControls();
    // A click on a row's title, description or button.
    virtual void ItemClick(TObject* sender);
    // Items count from 1; an index outside the items raises
    // "Selection index out of bounds.".
    virtual bool GetSelected(int index);
    virtual void SetSelected(int index, bool value);

    // The page's content: the script's choice data of the page's name.
    TNimboChoiceData* ChoiceData() const;
    // The controls of the current show, by row (empty while not shown).
    const std::vector<TLabel*>& TitleLabels() const { return labels_; }
    const std::vector<TMemo*>& DescriptionMemos() const { return memos_; }
    const std::vector<TCheckBox*>& ItemButtons() const { return buttons_; }

protected:
    // One entry per item of the choice data, 1 chosen, 0 not; brought to
    // the item count before every use.
    void FitSelection();
    // The entry of item `index` (from 1), after fitting; raises outside the items.
    size_t SelectionSlot(int index);
    // The rows with a column of check boxes or radio buttons, built behind
    // the dialog's cover panel; radio buttons always show one choice.
    void ShowWithButtons(bool radio);
    void BuildButtons(bool radio);
    // A row's button passes on its state; a click on the row's text toggles
    // the row, or (radio buttons) chooses it.
    void ClickRow(TObject* sender, bool toggleOnText);
    TCheckBox* ButtonOfRow(int tag) const;

    int gap_ = 5;
    int buttonWidth_ = 15;
    TStringList shownItems_;
    std::vector<TMemo*> memos_;
    std::vector<TLabel*> labels_;
    std::vector<int> selection_;
    // Check boxes or radio buttons; the page types differ only in the kind.
    std::vector<TCheckBox*> buttons_;

private:
    // One change this page made to the selected files; kept in the order
    // made, so taking them back in reverse restores exactly what was there.
    struct TChange {
        TNimboDir* dir;
        TNimboFile* file;
        bool added;
    };
    void ApplyItem(TNimboChoiceItem* item);
    void TakeBackChanges();

    std::vector<TChange> changes_;
    bool applied_ = false;  // Next took the page's choice
};

class TNimboCheckBoxChoice : public TNimboChoice {
    NIMBO_CLASS()

public:
    TNimboCheckBoxChoice();
    TSwitchChoice SwitchChoice() const override { return TSwitchChoice::options; }
    void ShowPage() override;
    void ItemClick(TObject* sender) override;
    void SetSelected(int index, bool value) override;
};

class TNimboRadioChoice : public TNimboChoice {
    NIMBO_CLASS()

public:
    TNimboRadioChoice();
    TSwitchChoice SwitchChoice() const override { return TSwitchChoice::installType; }
    void ShowPage() override;
    void ItemClick(TObject* sender) override;
    void SetSelected(int index, bool value) override;
};
