#include "gui_test_support.h"

#include <gtest/gtest.h>

#include "pages/register_suite.h"
#include "framework/properties.h"
#include "framework/win32/register.h"
#include "key_input.h"

NIMBO_DEFINE_CLASS(TTestHostForm, TForm, true, (void)0)

HWND FindTopWindow(const String& caption) { return robot::FindVisibleTopLevel({robot::Ref::Caption, caption}); }

HWND FindChildByCaption(HWND parent, const String& caption)
{
    return robot::FindChild(parent, {robot::Ref::Caption, caption});
}

HWND FindChildByName(HWND parent, const String& name) { return robot::FindChild(parent, {robot::Ref::Name, name}); }

String DialogMessage(HWND dialog)
{
    HWND text = FindChildByName(dialog, "Message");
    return robot::WindowCaption(text ? text : GetDlgItem(dialog, 0xFFFF));
}

void ResetWizard()
{
    FreeNimboPagesForm();
    KickOffPage = nullptr;
    PromptController = nullptr;
    CancelPrompt.clear();
}

TGuiScript::TGuiScript(int timeoutMs) : timeoutMs_(timeoutMs)
{
    holder_ = NewComponent<TComponent>(nullptr);
    timer_ = NewComponent<TTimer>(holder_);
    timer_->SetInterval(15);
    timer_->SetOnTimer([this](TObject*) { Tick(); });
    stepStart_ = GetTickCount();
}

TGuiScript::~TGuiScript() { holder_->Free(); }

TGuiScript& TGuiScript::Then(std::function<bool()> step)
{
    steps_.push_back(std::move(step));
    return *this;
}

void TGuiScript::Tick()
{
    if (running_ || steps_.empty()) return;
    running_ = true;
    const bool done = steps_.front()();
    running_ = false;
    if (done) {
        steps_.pop_front();
        stepStart_ = GetTickCount();
        return;
    }
    if (GetTickCount() - stepStart_ > static_cast<DWORD>(timeoutMs_)) {
        timedOut_ = true;
        steps_.clear();
        ADD_FAILURE() << "GUI step timed out";
        // End whatever waits, so the test can report instead of hanging.
        if (NimboPagesForm && NimboPagesForm->CurrentPage) NimboPagesForm->CurrentPage->SetState(psCancelled);
    }
}

TGuiScript& TGuiScript::Click(std::function<TWinControl*()> control)
{
    return Then([control] {
        TWinControl* c = control();
        if (!c || !c->HandleAllocated()) return false;
        EXPECT_TRUE(IsWindowEnabled(c->Handle()) && IsWindowVisible(c->Handle()))
            << c->Name() << " cannot be clicked by a user";
        // Posted like a real click: handled by whatever loop is waiting.
        PostMessageA(c->Handle(), BM_CLICK, 0, 0);
        return true;
    });
}

TGuiScript& TGuiScript::ClickNext()
{
    return Click([] { return NimboPagesForm ? NimboPagesForm->btnNext : nullptr; });
}

TGuiScript& TGuiScript::ClickPrev()
{
    return Click([] { return NimboPagesForm ? NimboPagesForm->btnPrev : nullptr; });
}

TGuiScript& TGuiScript::ClickCancel()
{
    return Click([] { return NimboPagesForm ? NimboPagesForm->btnCancel : nullptr; });
}

TGuiScript& TGuiScript::Answer(const String& caption, const String& button, String* text)
{
    return AnswerNoting(caption, button, [text](const String& t) {
        if (text) *text = t;
    });
}

TGuiScript& TGuiScript::Answer(const String& caption, const String& button, std::vector<String>& texts)
{
    return AnswerNoting(caption, button, [&texts](const String& t) { texts.push_back(t); });
}

TGuiScript& TGuiScript::AnswerNoting(const String& caption, const String& button,
                                     std::function<void(const String&)> note)
{
    return Then([caption, button, note] {
        HWND dlg = FindTopWindow(caption);
        if (!dlg) return false;
        HWND b = FindChildByCaption(dlg, button);
        if (!b) return false;
        note(DialogMessage(dlg));
        PostMessageA(b, BM_CLICK, 0, 0);
        return true;
    });
}

TGuiScript& TGuiScript::WaitForPage(std::function<TNimboPage*()> page)
{
    return Then([page] {
        return NimboPagesForm && NimboPagesForm->CurrentPage == page() && NimboPagesForm->CurrentPage &&
               NimboPagesForm->CurrentPage->State() == psWaiting;
    });
}

robot::KeyChord Chord(unsigned vk, bool shift, bool alt)
{
    robot::KeyChord c;
    c.vk = vk;
    c.shift = shift;
    c.alt = alt;
    return c;
}

TGuiScript& TGuiScript::Key(std::function<HWND()> target, const robot::KeyChord& keys)
{
    return Then([target, keys] {
        HWND t = target();
        HWND focus = GetFocus();
        if (!t || !focus || (focus != t && !IsChild(t, focus))) return false;
        if (GetForegroundWindow() != GetAncestor(t, GA_ROOT)) return false;
        const std::string error = robot::PressKeys(keys);
        EXPECT_EQ(error, "");
        return true;
    });
}

TGuiScript& TGuiScript::Key(std::function<TWinControl*()> target, const robot::KeyChord& keys)
{
    return Key(
        [target]() -> HWND {
            TWinControl* c = target();
            return c && c->HandleAllocated() ? c->Handle() : nullptr;
        },
        keys);
}

namespace {
class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        InitializeApplication();
        RegisterSuiteClasses();
        RegisterComponentClass(TTestHostForm::StaticClass());
        // Errors that reach the default handler fail the test instead of
        // waiting for someone to close a message box.
        Application->OnException = [](const String& m) { ADD_FAILURE() << "unhandled exception: " << m; };
    }
    void TearDown() override
    {
        ResetWizard();
        FinalizeApplication();
    }
};
}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);
    return RUN_ALL_TESTS();
}
