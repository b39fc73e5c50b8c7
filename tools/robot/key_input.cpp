#include "key_input.h"

#include <vector>

namespace robot {

namespace {

INPUT KeyInput(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    // The arrows and the block above them are extended keys.
    if ((vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}

INPUT CharInput(wchar_t c, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return in;
}

std::string Send(std::vector<INPUT>& inputs)
{
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) return "SendInput refused the keys (error " + std::to_string(GetLastError()) + ")";
    return {};
}

}  // namespace

std::string PressKeys(const KeyChord& chord)
{
    std::vector<INPUT> inputs;
    if (!chord.text.empty()) {
        // The scenario's texts are in the program's code page.
        std::wstring wide(chord.text.size(), L'\0');
        const int n = MultiByteToWideChar(1252, 0, chord.text.data(), static_cast<int>(chord.text.size()), wide.data(),
                                          static_cast<int>(wide.size()));
        for (int i = 0; i < n; ++i) {
            inputs.push_back(CharInput(wide[static_cast<size_t>(i)], false));
            inputs.push_back(CharInput(wide[static_cast<size_t>(i)], true));
        }
        return Send(inputs);
    }
    std::vector<WORD> mods;
    if (chord.ctrl) mods.push_back(VK_CONTROL);
    if (chord.alt) mods.push_back(VK_MENU);
    if (chord.shift) mods.push_back(VK_SHIFT);
    for (WORD m : mods) inputs.push_back(KeyInput(m, false));
    inputs.push_back(KeyInput(static_cast<WORD>(chord.vk), false));
    inputs.push_back(KeyInput(static_cast<WORD>(chord.vk), true));
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) inputs.push_back(KeyInput(*m, true));
    return Send(inputs);
}

HWND FocusInForeground(HWND hwnd)
{
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (!root || root != GetForegroundWindow()) return nullptr;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(root, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

}  // namespace robot
