#include "script/data_error.h"

#include <cstdio>

namespace {

TNimboDataErrorHandler& Handler()
{
    static TNimboDataErrorHandler handler;
    return handler;
}

}  // namespace

TNimboDataErrorHandler SetNimboDataErrorHandler(TNimboDataErrorHandler handler)
{
    TNimboDataErrorHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void ShowNimboDataError(const String& label, const String& message)
{
    const String text = "TNimbo data structure error: " + label + ": " + message;
    if (Handler()) {
        Handler()(text);
        return;
    }
    std::fputs((text + "\n").c_str(), stderr);  // no printf: it is large
}
