#pragma once
#include "toolkit/Dialog.h"

// A dialog painted with the visual manager's face colour, with tooltips for
// toolbar buttons taken from the string of each command.
class CBCGPDialog : public CDialog {
public:
    explicit CBCGPDialog(UINT templateId) : CDialog(templateId) {}

protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT msg) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
};

// A page of the main window's tab control: its background and its labels in
// the face colour, its lists and buttons as they draw themselves.
class CFacePage : public CDialog {
public:
    explicit CFacePage(UINT templateId) : CDialog(templateId) {}

protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT msg) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
};
