#include "app/PictureWindow_win.h"

void FitWindowToPicture(HWND window, int pictureId, HWND insertAfter, UINT flags) {
    HWND picture = ::GetDlgItem(window, pictureId);
    RECT rect = {};
    ::GetWindowRect(picture, &rect);
    const int pictureWidth = rect.right - rect.left;
    const int pictureHeight = rect.bottom - rect.top;
    ::MoveWindow(picture, 0, 0, pictureWidth, pictureHeight, FALSE);
    RECT frame = {0, 0, pictureWidth, pictureHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    ::SetWindowPos(window, insertAfter, x, y, width, height, flags);
}
