#pragma once
#include "toolkit/Dialog.h"

// The captionless start-up picture, shown modelessly for two seconds.
class SplashDlg : public CDialog {
public:
    SplashDlg();

protected:
    BOOL OnInitDialog() override;
};
