/* A Windows program that stands in for a roaming program run under Wine: one window that takes the
 * keyboard focus and writes every key message it gets, and every move of the pointer, as one line
 * to a file:
 *
 *   key_logger.exe FILE [LEFT TOP WIDTH HEIGHT]     the window at 600,500, 400x300 unless given
 *
 *   ready
 *   down vk=41 scan=1E        WM_KEYDOWN (sysdown for WM_SYSKEYDOWN)
 *   char U+0061               WM_CHAR, one UTF-16 unit (syschar for WM_SYSCHAR)
 *   up vk=41 scan=1E          WM_KEYUP (sysup for WM_SYSKEYUP)
 *   cursor 512 312            GetCursorPos, when it changed
 *   focus in / focus out
 *
 * Virtual keys and scan codes in hexadecimal. Built with x86_64-w64-mingw32-gcc. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static FILE* out;
static POINT lastCursor = {-1, -1};

static void logLine(const char* format, int a, int b)
{
    fprintf(out, format, a, b);
    fputc('\n', out);
    fflush(out);
}

static unsigned scanOf(LPARAM lParam)
{
    return (unsigned)((lParam >> 16) & 0xFF);
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN: logLine("down vk=%02X scan=%02X", (int)wParam, (int)scanOf(lParam)); return 0;
    case WM_KEYUP: logLine("up vk=%02X scan=%02X", (int)wParam, (int)scanOf(lParam)); return 0;
    case WM_SYSKEYDOWN: logLine("sysdown vk=%02X scan=%02X", (int)wParam, (int)scanOf(lParam)); return 0;
    case WM_SYSKEYUP: logLine("sysup vk=%02X scan=%02X", (int)wParam, (int)scanOf(lParam)); return 0;
    case WM_CHAR: logLine("char U+%04X", (int)wParam, 0); return 0;
    case WM_SYSCHAR: logLine("syschar U+%04X", (int)wParam, 0); return 0;
    case WM_SETFOCUS: logLine("focus in", 0, 0); return 0;
    case WM_KILLFOCUS: logLine("focus out", 0, 0); return 0;
    case WM_TIMER: {
        POINT p;
        if (GetCursorPos(&p) && (p.x != lastCursor.x || p.y != lastCursor.y)) {
            lastCursor = p;
            logLine("cursor %d %d", (int)p.x, (int)p.y);
        }
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2 || !(out = fopen(argv[1], "w"))) {
        return 2;
    }
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = L"RideKeyLogger";
    RegisterClassW(&windowClass);
    int place[4] = {600, 500, 400, 300};
    for (int i = 0; i < 4 && i + 2 < argc; ++i) {
        place[i] = atoi(argv[i + 2]);
    }
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
    fclose(out);
    return 0;
}
