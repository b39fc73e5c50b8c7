// The base of every setup component and of every wizard page: owner check,
// linking to the form's one controller, and the page protocol (run, show,
// Next, Previous, Cancel) by which pages chain into a wizard.
#pragma once

#include <vector>

#include "framework/win32/forms.h"
#include "script/nimbo_data.h"

class TNimboInfo;

enum TNimboButtonsType { btPrev, btNext, btFinish, btCancel };
using TNimboButtons = unsigned;  // bit n = TNimboButtonsType n
inline constexpr TNimboButtons NimboButton(TNimboButtonsType b) { return 1u << b; }
const TEnumInfo& NimboButtonNames();

// Which of the command line's choices a page makes: /TYPE= on an install
// type page, /OPTIONS= on an options page.
enum class TSwitchChoice { none, installType, options };

// The texts a page built from an author's script takes from the message
// catalogue, in the run's language, where the form gives it none.
enum TStandardText : uint8_t { stNone, stWelcome, stReady, stDirectory, stFinished };
const TEnumInfo& StandardTextNames();

// Page states.
enum : uint8_t { psWaiting = 0, psDone = 1, psCancelled = 2, psNext = 3, psPrevious = 4 };

class TNimboComponent : public TComponent {
    NIMBO_CLASS()

public:
    TNimboComponent() = default;
    void Create(TComponent* owner) override;
    void Notification(TComponent* component, TOperation operation) override;

    virtual void SetController(TComponent* value);
    // Pages that own an entry of the script (choice data, program groups)
    // find or create it by their name, and delete it when they leave.
    virtual void RegisterScriptEntry() {}
    virtual void UnregisterScriptEntry() {}
    // ... and keep it keyed by their name when they are renamed.
    virtual void RenameScriptEntry(const String& /*from*/, const String& /*to*/) {}
    void SetName(const String& name) override;
    // Runs the component; pages return their final state.
    virtual uint8_t Execute();

    TNimboInfo* Controller() const { return controller_; }
    TNimboData* Script() const { return script_; }
    String AppName() const;
    void SetAppName(const String& v);

    TNotifyEvent OnExecute;

protected:
    friend class TNimboInfo;
    TNimboData* script_ = nullptr;
    TNimboInfo* controller_ = nullptr;
};

class TNimboPage : public TNimboComponent {
    NIMBO_CLASS()

public:
    TNimboPage();
    void Create(TComponent* owner) override;
    void Notification(TComponent* component, TOperation operation) override;
    uint8_t Execute() override;

    virtual void PageActive();
    virtual void ShowPage();
    virtual void DoNext();
    virtual void DoPrevious();
    virtual void ButtonClick(TObject* sender);
    virtual void DoCancel();
    // No page can go back past a page that answers true: its work (files
    // copied, groups made, the database engine installed) cannot be undone
    // by showing an earlier page again.
    virtual bool BlocksPrevious() const { return false; }
    // Whether the page writes to what every user of the computer shares
    // (HKEY_LOCAL_MACHINE, shared folders) in whatever scope the run has:
    // a setup with such a page installs for everybody only.
    virtual bool WritesMachineWide() const { return false; }
    // A page whose choice the next release of the product preselects (the
    // install type, the options): whether this run made one, what it was
    // (the chosen items' names, "|" between), and the earlier one taken up.
    virtual bool ChoiceKept() const { return false; }
    virtual String ChoiceState() const { return String(); }
    virtual void TakeEarlierChoice(const String&) {}
    // What the page takes from the command line: the names it offers to
    // /TYPE= or /OPTIONS=, and why a value it takes is refused (empty when
    // it is not). Checked at start, before anything changes.
    virtual TSwitchChoice SwitchChoice() const { return TSwitchChoice::none; }
    virtual std::vector<String> ChoiceNames() const { return {}; }
    virtual String RefusedSwitch() const { return String(); }

    TNimboButtons Buttons() const { return buttons_; }
    void SetButtons(TNimboButtons b) { buttons_ = b; }
    TNimboPage* NextPage() const { return nextPage_; }
    void SetNextPage(TNimboPage* p);
    uint8_t State() const { return state_; }
    void SetState(uint8_t s) { state_ = s; }
    // The author's texts in other languages, a line each:
    // "<language>|<key>|<text>" (the key a text property of the page).
    TStringList* Translations() { return &translations_; }
    void SetStandardText(TStandardText v) { standardText_ = v; }

    TNotifyEvent OnCancel, OnNextPage, OnPrevPage;

protected:
    // The author's lines of `key` in the run's language; empty when the
    // author gave none for it.
    std::vector<String> Translated(const String& key) const;
    // The page's standard text of `key` ("Caption", "Lines", "Text") in the
    // run's language, the product's name in it; empty without one.
    String StandardText(const String& key) const;
    // The text of `key`: the author's translation, else the form's own
    // (`own`, lines joined by CR LF), else the standard text.
    String PageText(const String& key, const String& own) const;
    TStringList translations_;
    TStandardText standardText_ = stNone;
    // Dispatches messages until a button (or the session's end) sets the state.
    void WaitForState();
    TNimboButtons buttons_ = NimboButton(btPrev) | NimboButton(btNext) | NimboButton(btCancel);
    TNimboPage* nextPage_ = nullptr;
    uint8_t state_ = psWaiting;
};

// The property table entries every concrete page publishes itself.
#define NIMBO_PAGE_PROPS(Cls) p.Ref("NextPage", &Cls::SetNextPage)
