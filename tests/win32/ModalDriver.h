#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "e2e/Driver.h"

// Runs `step` from a thread timer while a modal dialog of this thread is open.
struct ModalDriver {
    static inline std::function<bool()> step;  // true when done
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        if (step && step())
            ::KillTimer(nullptr, id);
    }
    static UINT_PTR Start(std::function<bool()> s) {
        step = std::move(s);
        return ::SetTimer(nullptr, 0, 100, Tick);
    }
};

inline HWND ActiveDialog(const char* caption) {
    HWND active = ::GetActiveWindow();
    return active && e2e::Text(active) == caption ? active : nullptr;
}

// What the list view of a page sends its page on a double click on `row`.
inline void DoubleClickRow(HWND page, HWND list, int listId, int row) {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(listId);
    click.hdr.code = NM_DBLCLK;
    click.iItem = row;
    ::SendMessageA(page, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
}
