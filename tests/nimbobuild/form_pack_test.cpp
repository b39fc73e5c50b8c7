// The packed forms setup.exe ships and the builder writes: each form the
// build compiles comes back whole through the program's own unpacking.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "form_pack.h"
#include "framework/form_reader.h"
#include "framework/form_text.h"

namespace {

std::vector<uint8_t> Compiled(const char* source)
{
    std::ifstream in(source, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return FormTextToBinary(text.str());
}

}  // namespace

TEST(FormPack, TheShippedFormsComeBackWholeAndSmaller)
{
    for (const char* source :
         {NIMBO_SOURCE_DIR "/src/app/nimbo_form.nfm", NIMBO_SOURCE_DIR "/src/engine/wizard/pages_form.nfm"}) {
        const std::vector<uint8_t> form = Compiled(source);
        ASSERT_FALSE(form.empty()) << source;
        const std::vector<uint8_t> packed = PackForm(form);
        EXPECT_LT(packed.size() * 2, form.size()) << source;
        std::vector<uint8_t> back;
        ASSERT_TRUE(UnpackForm(packed.data(), packed.size(), back)) << source;
        EXPECT_EQ(back, form) << source;
        std::vector<uint8_t> plain;
        EXPECT_FALSE(UnpackForm(form.data(), form.size(), plain)) << "a plain form is read as it is";
    }
}
