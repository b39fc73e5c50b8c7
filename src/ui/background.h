// The full-screen background of the setup: a vertical colour gradient with
// the application's name in the top left corner. Once it has been painted it
// starts the run (the first wizard page, or the uninstall page), reports the
// result and ends the program.
#pragma once

#include "engine/nimbo_info.h"
#include "framework/win32/extctrls.h"

class TNimboPage;

class TNimboBackground : public TPanel, public INimboControllerClient {
    NIMBO_CLASS()

public:
    TNimboBackground();
    ~TNimboBackground() override;
    void Create(TComponent* owner) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void LinkController(TNimboInfo* controller) override;
    // The name's font and place follow the form's density too.
    void ChangeScale(int to, int from) override;

    TFont* AppFont() { return &appFont_; }
    void SetAppFont(const TFont* font);
    String AppName() const;
    void SetAppName(const String& v);
    TNimboPage* AutoSetup() const { return autoSetup_; }
    void SetAutoSetup(TNimboPage* p);
    TNimboPage* AutoUnInstall() const { return autoUnInstall_; }
    void SetAutoUnInstall(TNimboPage* p);
    bool DisplayMessage() const { return displayMessage_; }
    void SetDisplayMessage(bool v) { displayMessage_ = v; }
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor c);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor c);
    int Gradations() const { return gradations_; }
    void SetGradations(int n);
    bool MaximizeWindow() const { return maximizeWindow_; }
    void SetMaximizeWindow(bool v) { maximizeWindow_ = v; }
    bool ShowAppName() const { return showAppName_; }
    void SetShowAppName(bool v);

    TNimboInfo* Controller() const { return controller_; }
    TLabel* NameLabel() const { return label_; }
    bool Painted() const { return painted_; }
    // The start timer; none once it has acted.
    TTimer* StartTimer() const { return timer_; }

protected:
    friend class TNimboNameLabel;
    void Paint(TCanvas& canvas) override;
    // The bands over the whole client area; sets no state.
    void DrawGradient(TCanvas& canvas);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUpLabel();
    void StartTimerTick();
    void StartRun();
    void Report(uint8_t result, bool unInstall);

    TFont appFont_;
    TLabel* label_ = nullptr;  // not owned by a component: freed by the destructor
    TNimboPage* autoSetup_ = nullptr;
    TNimboPage* autoUnInstall_ = nullptr;
    bool displayMessage_ = true;
    TColor endColor_ = clBlack;
    bool painted_ = false;
    int gradations_ = 100;
    bool maximizeWindow_ = true;
    TNimboInfo* controller_ = nullptr;
    bool showAppName_ = true;
    TColor startColor_ = clBlue;
    TTimer* timer_ = nullptr;
};
