#include "framework/win32/register.h"

#include "framework/win32/dde.h"
#include "framework/win32/extctrls.h"
#include "framework/win32/filectrls.h"

void RegisterFrameworkClasses()
{
    for (const TClassInfo* c :
         {&TLabel::StaticClass(),         &TEdit::StaticClass(),         &TMemo::StaticClass(),
          &TButton::StaticClass(),        &TBitBtn::StaticClass(),       &TCheckBox::StaticClass(),
          &TRadioButton::StaticClass(),   &TGroupBox::StaticClass(),     &TRadioGroup::StaticClass(),
          &TComboBox::StaticClass(),      &TListBox::StaticClass(),      &TPanel::StaticClass(),
          &TBevel::StaticClass(),         &TImage::StaticClass(),        &TTimer::StaticClass(),
          &TPage::StaticClass(),          &TNotebook::StaticClass(),     &TDirectoryListBox::StaticClass(),
          &TDriveComboBox::StaticClass(), &TDdeClientConv::StaticClass()})
        RegisterComponentClass(*c);
}

void InitializeApplication()
{
    if (Application) return;
    RegisterFrameworkClasses();
    Application = new TApplication();
}

void FinalizeApplication()
{
    if (!Application) return;
    TApplication* app = Application;
    app->DestroyComponents();
    Application = nullptr;
    app->Free();
}
