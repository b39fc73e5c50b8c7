// The wizard dialog laid out for 100 %, 150 % and 200 % display scale:
// on every page of its notebook each control lies inside its parent and
// no caption is cut, as the robot's layout check sees it.
#include <gtest/gtest.h>

#include <memory>

#include "engine/wizard/pages_form.h"
#include "gui_test_support.h"
#include "layout_check.h"

namespace {

TEST(WizardLayout, EveryPageHoldsItsLayoutAtEveryDisplayScale)
{
    for (int ppi : {96, 144, 192}) {
        TNimboPagesForm* f = CreateNimboPagesForm();
        std::unique_ptr<TComponent, TComponentDeleter> guard(f);
        // Shown without starting a page.
        f->OnShow = nullptr;
        f->ScaleTo(ppi);
        f->Show();
        // As the language page fills it, with the dialog shown.
        f->rdgLSLanguage->Items()->Add("English");
        f->rdgLSLanguage->Items()->Add("Deutsch");
        f->rdgLSLanguage->Items()->Add("Fran\xE7"
                                       "ais");
        EXPECT_EQ(f->PixelsPerInch(), ppi);
        for (int page = 0; page < f->nbPage->PageCount(); ++page) {
            f->nbPage->SetPageIndex(page);
            EXPECT_EQ(robot::LayoutFaults(f->Handle()), "")
                << "page " << f->nbPage->ActivePage() << " at " << ppi << " pixels per inch";
        }
    }
}

}  // namespace
