// The wizard dialog: a picture panel, a notebook with one page per page
// type, and the Previous, Next and Cancel buttons. The pages fill it; the
// dialog turns button clicks into page states, confirms Cancel, starts the
// first page once visible and forwards progress messages.
#pragma once

#include <exception>
#include <functional>

#include "framework/win32/dde.h"
#include "framework/win32/extctrls.h"
#include "framework/win32/filectrls.h"

class TNimboPage;
class TNimboInfo;
class TQuenProgressBar;

// Sent with a byte count in LParam while a file is expanded.
inline constexpr UINT WM_NIMBO_PROGRESS = WM_USER + 3;

// What the path field of the directory browser needs of the page that
// shows it: the target directory and how many of its last components to
// keep below whatever directory the user browses to.
class INimboBrowseTarget {
public:
    virtual ~INimboBrowseTarget() = default;
    virtual String BrowseTargetDir() const = 0;
    virtual int BrowsePreserveTrailing() const = 0;
};

// The pages of the dialog's notebook, in the form's order.
enum TWizardPage : int {
    wpDirChoice,
    wpFileCopy,
    wpGroups,
    wpChoices,
    wpEngine,
    wpUnInstall,
    wpMessage,
    wpMultiDisk,
    wpSelectDirectory,
    wpLanguage,
    wpLicense,
};

class TNimboPagesForm : public TForm {
    NIMBO_CLASS()

public:
    TNimboPagesForm() = default;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    TBevel* bvlHorizontal = nullptr;
    TBitBtn *btnPrev = nullptr, *btnNext = nullptr, *btnCancel = nullptr;
    TNotebook* nbPage = nullptr;
    TPanel* pnBitmap = nullptr;
    TImage* imSetup = nullptr;
    TMemo* meCDLIntent = nullptr;
    TGroupBox* gbCDLDestination = nullptr;
    TLabel* laCDLDirectory = nullptr;
    TBitBtn* btnCDLBrowse = nullptr;
    TLabel *laFCFileInfo = nullptr, *laFCFilesLeft = nullptr, *laFCSource = nullptr, *laFC1 = nullptr, *laFC2 = nullptr,
           *laFCTarget = nullptr;
    TMemo* meFCActions = nullptr;
    TMemo* meCWGActions = nullptr;
    TComboBox* cbCWGGroups = nullptr;
    TDdeClientConv* DDEClient = nullptr;
    TPanel* paObscure = nullptr;
    TMemo* meBDEIntent = nullptr;
    TBitBtn* btnBDEReinstall = nullptr;
    TMemo* meUNIIntent = nullptr;
    TMemo* meMSGIntent = nullptr;
    TLabel* lblMDIIntent = nullptr;
    TLabel *laFCFile = nullptr, *laFCTotal = nullptr;
    TDirectoryListBox* lsbSDDirs = nullptr;
    TDriveComboBox* dcbSDDrive = nullptr;
    TLabel* lblSDPathLabel = nullptr;
    TMemo* memSDIntent = nullptr;
    TEdit* edtSDPath = nullptr;
    TRadioGroup* rdgLSLanguage = nullptr;
    // The message page's check box (the desktop icons, the program to run)
    // and the licence page's text and answers.
    TCheckBox* cbMSGCheck = nullptr;
    TMemo* meLICText = nullptr;
    TRadioButton *rbLICAccept = nullptr, *rbLICDecline = nullptr;
    TQuenProgressBar *pbrFCFile = nullptr, *pbrFCProgress = nullptr;
    TTimer* timKickOff = nullptr;
    TNimboPage* CurrentPage = nullptr;  // not owned: the page shown last
    // Called after each progress message of the compression library: the
    // copy page keeps the window alive from there during a long expansion,
    // and answers true (the message's answer 1) to stop it.
    std::function<bool()> OnExpandProgress;

    // Published handlers.
    void FormCreate(TObject* sender);
    void btnCDLBrowseClick(TObject* sender);
    void btnNextClick(TObject* sender);
    void btnPrevClick(TObject* sender);
    void btnCancelClick(TObject* sender);
    void btnBDEReinstallClick(TObject* sender);
    void lsbSDDirsChange(TObject* sender);
    void timKickOffTimer(TObject* sender);
    void FormShow(TObject* sender);

protected:
    bool HandleUserMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// The dialog's module state.
extern TNimboPagesForm* NimboPagesForm;
extern TNimboPage* KickOffPage;
// An error that left the chain run by the kick-off timer, for the page
// that opened the dialog to raise again.
extern std::exception_ptr KickOffError;
extern String CancelPrompt;
extern TNimboInfo* PromptController;

// Creates the dialog, owned by the application, from its form resource.
TNimboPagesForm* CreateNimboPagesForm();
// Frees the dialog (a restart does this before ending the process).
void FreeNimboPagesForm();
