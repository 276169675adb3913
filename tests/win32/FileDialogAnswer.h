#pragma once
// Answers the next common file dialog of this thread from a thread timer, which
// keeps firing inside the dialog's modal loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct FileDialogAnswer {
    // Controls of the common file dialog's template.
    static constexpr int kFileTypeCombo = 0x470;  // cmb1
    static constexpr int kFileNameCombo = 0x47c;  // cmb13
    static constexpr int kFileNameEdit = 0x480;   // edt1

    static inline std::string typed;  // empty: cancel
    static inline std::string title;
    static inline std::vector<std::string> fileTypes;
    static inline int ticksAfterAnswer = 0;
    static inline bool stuck = false;

    static HWND NameField(HWND dialog) {
        HWND name = ::GetDlgItem(dialog, kFileNameCombo);
        return name ? name : ::GetDlgItem(dialog, kFileNameEdit);
    }

    // The file dialog is the visible dialog that has a file-name field.
    static BOOL CALLBACK FindDialog(HWND window, LPARAM lp) {
        char name[16] = {};
        ::GetClassNameA(window, name, sizeof(name));
        if (::IsWindowVisible(window) && std::string(name) == "#32770" && NameField(window)) {
            *reinterpret_cast<HWND*>(lp) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog)
            return;
        if (ticksAfterAnswer > 0) {
            // Still open well after the answer: a question we did not expect.
            if (++ticksAfterAnswer > 30) {
                stuck = true;
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        }
        char text[128] = {};
        ::GetWindowTextA(dialog, text, sizeof(text));
        title = text;
        fileTypes.clear();
        HWND types = ::GetDlgItem(dialog, kFileTypeCombo);
        const int count = static_cast<int>(::SendMessageA(types, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char item[128] = {};
            ::SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            fileTypes.push_back(item);
        }
        ticksAfterAnswer = 1;
        if (typed.empty()) {
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        ::SendMessageA(NameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    }

    // Runs `open`, which shows a file dialog and returns once it has closed, and
    // answers that dialog with `path`.
    static void Run(const std::function<void()>& open, const std::string& path) {
        typed = path;
        title.clear();
        fileTypes.clear();
        ticksAfterAnswer = 0;
        stuck = false;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 100, Tick);
        open();
        ::KillTimer(nullptr, timer);
        EXPECT_FALSE(stuck) << "the dialog did not close after its answer";
        EXPECT_GT(ticksAfterAnswer, 0) << "no file dialog appeared";
    }

    // Sends `command` to `window` and answers its dialog with `path`.
    static void RunCommand(HWND window, WORD command, const std::string& path) {
        Run([&] { ::SendMessageA(window, WM_COMMAND, command, 0); }, path);
    }
};
