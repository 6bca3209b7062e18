// SPDX-License-Identifier: GPL-3.0-or-later
/* A Windows program in the roaming program's place, for running under Wine: one window that takes
 * the keyboard focus and writes each key message it gets, and each move of the pointer, as a line
 * of a file.
 *
 *   key_logger.exe FILE [LEFT TOP WIDTH HEIGHT]      the window at 600,500, 400x300 unless given
 *
 * Lines: "ready"; "down vk=41 scan=1E", "up ...", "sysdown ...", "sysup ..." (WM_KEYDOWN, WM_KEYUP,
 * WM_SYSKEYDOWN, WM_SYSKEYUP, in hexadecimal); "char U+0061", "syschar ..." (WM_CHAR, WM_SYSCHAR,
 * one UTF-16 unit); "cursor 512 312" (GetCursorPos, when it changed). */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static FILE* out;

static void logLine(const char* format, int a, int b)
{
    fprintf(out, format, a, b);
    fputc('\n', out);
    fflush(out);
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static POINT last = {-1, -1};
    const int vk = (int)wParam;
    const int scan = (int)((lParam >> 16) & 0xFF);
    POINT p;
    switch (message) {
    case WM_KEYDOWN: logLine("down vk=%02X scan=%02X", vk, scan); return 0;
    case WM_KEYUP: logLine("up vk=%02X scan=%02X", vk, scan); return 0;
    case WM_SYSKEYDOWN: logLine("sysdown vk=%02X scan=%02X", vk, scan); return 0;
    case WM_SYSKEYUP: logLine("sysup vk=%02X scan=%02X", vk, scan); return 0;
    case WM_CHAR: logLine("char U+%04X", vk, 0); return 0;
    case WM_SYSCHAR: logLine("syschar U+%04X", vk, 0); return 0;
    case WM_TIMER:
        if (GetCursorPos(&p) && (p.x != last.x || p.y != last.y)) {
            last = p;
            logLine("cursor %d %d", (int)p.x, (int)p.y);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

int main(int argc, char** argv)
{
    int place[4] = {600, 500, 400, 300};
    for (int i = 0; i < 4 && i + 2 < argc; ++i) {
        place[i] = atoi(argv[i + 2]);
    }
    if (argc < 2 || !(out = fopen(argv[1], "w"))) {
        return 2;
    }
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = L"RideKeyLogger";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"RideKeyLogger", L"Wine key logger", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place[0],
                                place[1], place[2], place[3], NULL, NULL, windowClass.hInstance, NULL);
    if (!window) {
        return 3;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    SetTimer(window, 1, 10, NULL);
    logLine("ready", 0, 0);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
