#pragma once
#include <string>

#include "toolkit/ThemedDialog.h"

class CProgramsDlg;

// A program's path and name. In add mode (no title) OK hands them to the page,
// and a refusal keeps the dialog open; in modify mode OK returns them unchecked.
class CAddNewProgramDlg : public CBCGPDialog {
public:
    explicit CAddNewProgramDlg(CProgramsDlg* page);

    std::string m_title;
    std::string m_path;
    std::string m_name;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    void OnOK() override;

private:
    void OnBrowse();

    CProgramsDlg* m_page;
};
