#include "session/KeyDlg_win.h"

#include <richedit.h>

#include <cstdlib>
#include <ctime>

#include "res/resource.h"
#include "session/AccessKey.h"

namespace {

// The C library's generator starts from the same state in every process, so it
// is seeded before the first key. Each closing reseeds it from the clock; a
// second closing within the same second keeps the sequence going instead of
// repeating the last key.
std::time_t g_lastSeed = 0;

void Seed() {
    std::time_t now = std::time(nullptr);
    if (now != g_lastSeed) {
        std::srand(static_cast<unsigned>(now));
        g_lastSeed = now;
    }
}

void SetKeyFormat(HWND edit) {
    CHARFORMATA format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_FACE | CFM_COLOR | CFM_SIZE;
    format.yHeight = 200;  // twips: 10 points
    format.crTextColor = RGB(0, 0, 255);
    lstrcpynA(format.szFaceName, "Terminal", LF_FACESIZE);
    ::SendMessageA(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    // Both boxes on the window colour, whatever the rich edit would pick.
    ::SendMessageA(edit, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(::GetSysColor(COLOR_WINDOW)));
}

}  // namespace

CKeyDlg::CKeyDlg() : CBCGPDialog(IDD_KEY) {}

CKeyDlg::~CKeyDlg() {
    Seed();
}

void CKeyDlg::GenerateKey() {
    if (g_lastSeed == 0)
        Seed();
    m_key = ::GenerateKey([] { return std::rand(); });
}

BOOL CKeyDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    GenerateKey();
    HWND show = GetDlgItem(IDC_KEY_SHOW);
    SetKeyFormat(show);
    ::SetWindowTextA(show, m_key.c_str());
    // Disabled, it can be read but neither focused, selected nor copied.
    ::EnableWindow(show, FALSE);
    SetKeyFormat(GetDlgItem(IDC_KEY_ENTRY));
    return TRUE;
}

void CKeyDlg::OnOK() {
    // A wrong key is simply not accepted: no message, no counter, no delay.
    if (KeyMatches(ItemText(IDC_KEY_ENTRY), m_key))
        EndDialog(IDOK);
}
