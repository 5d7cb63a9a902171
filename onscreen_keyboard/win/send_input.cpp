#include "send_input.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

namespace quil::osk::win {

namespace {

INPUT keyInput(WORD virtualKey, WORD scan, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.wScan = scan;
    in.ki.dwFlags = flags;
    return in;
}

INPUT mouseInput(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

void send(std::vector<INPUT>& inputs) {
    if (inputs.empty()) return;
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void SendInputSink::typeCharacter(char32_t c) {
    std::vector<INPUT> inputs;
    for (const char16_t unit : toUtf16(c)) {
        inputs.push_back(keyInput(0, unit, KEYEVENTF_UNICODE));
        inputs.push_back(keyInput(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    send(inputs);
}

void SendInputSink::typeSpecial(SpecialKey key) {
    WORD vk = 0;
    if (key == SpecialKey::Backspace) vk = VK_BACK;
    if (key == SpecialKey::Enter) vk = VK_RETURN;
    if (vk == 0) return;
    std::vector<INPUT> inputs{keyInput(vk, 0, 0), keyInput(vk, 0, KEYEVENTF_KEYUP)};
    send(inputs);
}

void SendInputSink::click(Latch kind) {
    std::vector<INPUT> inputs;
    if (kind == Latch::DoubleClick) {
        inputs = {mouseInput(MOUSEEVENTF_LEFTDOWN), mouseInput(MOUSEEVENTF_LEFTUP)};
    } else if (kind == Latch::RightClick) {
        inputs = {mouseInput(MOUSEEVENTF_RIGHTDOWN), mouseInput(MOUSEEVENTF_RIGHTUP)};
    }
    send(inputs);
}

}  // namespace quil::osk::win
