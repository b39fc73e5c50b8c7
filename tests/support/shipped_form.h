// The shipped host form, compiled from its text source as the build compiles
// it and read as the program reads its resource. The test defines
// NIMBO_SHIPPED_FORM, the source's path.
#pragma once

#include "app/nimbo_form.h"
#include "framework/form_text.h"
#include "test_files.h"

inline TNimboForm* ReadShippedForm()
{
    const std::vector<uint8_t> data = FormTextToBinary(ReadAll(NIMBO_SHIPPED_FORM));
    auto* form = NewComponent<TNimboForm>(Application);
    form->ReadFormData(data.data(), data.size());
    return form;
}
