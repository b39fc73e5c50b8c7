// In-process GUI testing: a test runs a page chain for real while a timer
// performs the user's actions (clicks, answers) from inside the chain's
// message loops, exactly as a person's clicks arrive.
#pragma once

#include <deque>
#include <functional>

#include "engine/nimbo_info.h"
#include "engine/wizard/pages_form.h"
#include "framework/win32/extctrls.h"
#include "scenario.h"
#include "window_query.h"

// A form to own the components under test.
class TTestHostForm : public TForm {
    NIMBO_CLASS()
};

// Steps run one after another from a timer; a step returns false to be
// tried again on the next tick (waiting for a window, say). A step that
// waits longer than the time-out fails the test and ends the chain.
class TGuiScript {
public:
    explicit TGuiScript(int timeoutMs = 10000);
    ~TGuiScript();
    TGuiScript& Then(std::function<bool()> step);
    // Convenience steps.
    TGuiScript& Click(std::function<TWinControl*()> control);
    TGuiScript& ClickNext();
    TGuiScript& ClickPrev();
    TGuiScript& ClickCancel();
    // Clicks `button` of the message dialog `caption`; its text goes to
    // `text`, or is added to `texts`.
    TGuiScript& Answer(const String& caption, const String& button, String* text = nullptr);
    TGuiScript& Answer(const String& caption, const String& button, std::vector<String>& texts);
    TGuiScript& WaitForPage(std::function<TNimboPage*()> page);
    // Real key presses (the platform's input injection), once the focus is
    // in `target` (a control, or a dialog: any of its controls) and its
    // window is in front.
    TGuiScript& Key(std::function<HWND()> target, const robot::KeyChord& keys);
    TGuiScript& Key(std::function<TWinControl*()> target, const robot::KeyChord& keys);
    bool Finished() const { return steps_.empty(); }
    bool TimedOut() const { return timedOut_; }

private:
    void Tick();
    TGuiScript& AnswerNoting(const String& caption, const String& button, std::function<void(const String&)> note);
    std::deque<std::function<bool()>> steps_;
    TTimer* timer_ = nullptr;
    TComponent* holder_ = nullptr;
    bool running_ = false;
    bool timedOut_ = false;
    DWORD stepStart_ = 0;
    int timeoutMs_;
};

// The robot's look-up, by the names the tests use: a visible top-level window
// by its caption, a child by its caption or its component name ('&' ignored).
HWND FindTopWindow(const String& caption);
HWND FindChildByCaption(HWND parent, const String& caption);
HWND FindChildByName(HWND parent, const String& name);
// The text a message dialog asks or tells, as it stands: the suite dialog's
// "Message", or the platform message box's text.
String DialogMessage(HWND dialog);
// A key with modifiers, for TGuiScript::Key.
robot::KeyChord Chord(unsigned vk, bool shift = false, bool alt = false);

// Resets the wizard dialog's module state between tests.
void ResetWizard();
