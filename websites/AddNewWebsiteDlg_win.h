#pragma once
#include <string>

#include "toolkit/ThemedDialog.h"

class CWebsitesDlg;

// A website's URL and name. In add mode (no title) OK hands them to the page,
// and a refusal keeps the dialog open; in modify mode OK returns them unchecked.
class CAddNewWebsiteDlg : public CBCGPDialog {
public:
    explicit CAddNewWebsiteDlg(CWebsitesDlg* page);

    std::string m_title;
    std::string m_url;
    std::string m_name;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CWebsitesDlg* m_page;
};
