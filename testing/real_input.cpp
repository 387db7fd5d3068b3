#include "testing/real_input.h"

#include <iterator>
#include <vector>

namespace testing_support {

namespace {

INPUT mouseAt(POINT screen, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute positions span 0..65535 over the screen.
    input.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return input;
}

POINT onScreen(HWND window, int x, int y)
{
    POINT at{x, y};
    ClientToScreen(window, &at);
    return at;
}

} // namespace

void sendKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        inputs.push_back(down);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *key;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(up);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void sendExtendedKey(WORD key)
{
    INPUT inputs[2] = {};
    for (INPUT &input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void sendMove(POINT screen)
{
    INPUT move = mouseAt(screen, MOUSEEVENTF_MOVE);
    SendInput(1, &move, sizeof(INPUT));
}

void sendClick(POINT screen)
{
    INPUT inputs[3] = {mouseAt(screen, MOUSEEVENTF_MOVE), mouseAt(screen, MOUSEEVENTF_LEFTDOWN),
                       mouseAt(screen, MOUSEEVENTF_LEFTUP)};
    SendInput(3, inputs, sizeof(INPUT));
}

void sendMove(HWND window, int x, int y)
{
    sendMove(onScreen(window, x, y));
}

void sendClick(HWND window, int x, int y)
{
    sendClick(onScreen(window, x, y));
}

} // namespace testing_support
