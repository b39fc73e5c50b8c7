// The form object stream reader, packed forms included: any bytes end in a
// clean read or the read error, never another exception, a crash or a leak.
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

#include "base/exceptions.h"
#include "framework/form_reader.h"
#include "test_components.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EventLog().clear();
    TTestFormPtr form = NewTestForm();
    try {
        std::vector<uint8_t> unpacked;
        if (UnpackForm(data, size, unpacked))
            ReadForm(form.get(), unpacked);
        else
            ReadForm(form.get(), std::vector<uint8_t>(data, data + size));
    } catch (const EReadError&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "form reader raised %s: %s\n", typeid(e).name(), e.what());
        std::abort();
    }
    return 0;
}
