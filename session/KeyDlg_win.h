#pragma once
#include <string>

#include "toolkit/ThemedDialog.h"

// Shows a fresh 64-character key that cannot be selected or copied, and ends
// with OK only once the same characters are typed below it.
class CKeyDlg : public CBCGPDialog {
public:
    CKeyDlg();
    ~CKeyDlg() override;

    const std::string& key() const { return m_key; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void GenerateKey();

    std::string m_key;
};
