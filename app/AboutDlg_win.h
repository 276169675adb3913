#pragma once
#include "toolkit/ThemedDialog.h"

// The product picture; a click or Escape closes it.
class CAboutDlg : public CBCGPDialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
};
