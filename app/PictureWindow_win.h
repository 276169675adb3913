#pragma once
#include <windows.h>

// Sizes `window` so that its client area holds the picture control `pictureId`
// at the picture's own size, centred on the screen. Dialog units follow the
// dialog font, which differs between systems; the picture's pixels do not.
void FitWindowToPicture(HWND window, int pictureId, HWND insertAfter, UINT flags);
