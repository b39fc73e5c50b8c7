#include "framework/win32/system_error.h"

String SystemErrorText(DWORD code)
{
    char buf[512];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                                   sizeof buf, nullptr);
    // Some texts run over several lines, and all end with a line break.
    String text;
    for (DWORD i = 0; i < n; ++i) {
        const char c = buf[i];
        if (c != '\r' && c != '\n') {
            text += c;
        } else if (!text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "error " + IntToStr(static_cast<long long>(code)) : text;
}

String WithSystemError(const String& text, DWORD code)
{
    if (code == 0) return text;
    return text + " (" + IntToStr(static_cast<long long>(code)) + ": " + SystemErrorText(code) + ")";
}

EInOutError InOutError(const String& text, DWORD code) { return EInOutError(WithSystemError(text, code), code); }
