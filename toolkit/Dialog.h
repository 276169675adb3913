#pragma once
#include <windows.h>

#include <string>

// A dialog from a template. Handlers are virtual; one procedure dispatches to them.
class CDialog {
public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialog();

    INT_PTR DoModal(HWND parent = nullptr);
    bool Create(HWND parent = nullptr);  // modeless
    void DestroyWindow();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    // The whole text of a control, however long.
    std::string ItemText(int id) const;

protected:
    // Called when the window exists, before it is shown. TRUE lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Called for WM_COMMAND; returns true when handled.
    virtual bool OnCommand(WORD id, WORD code);
    virtual void OnOK() { Close(IDOK); }
    virtual void OnCancel() { Close(IDCANCEL); }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    // Called for WM_NOTIFY; returns true when handled, with `result` as the message's result.
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // Called for the WM_CTLCOLOR* messages; a brush paints the control, null leaves it as it is.
    virtual HBRUSH OnCtlColor(HDC /*dc*/, HWND /*control*/, UINT /*msg*/) { return nullptr; }
    // Any other message; set `handled` to keep it from the default handling.
    virtual INT_PTR OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, bool& handled) {
        handled = false;
        return 0;
    }
    // Called after the window is gone.
    virtual void OnDestroy() {}

    HWND m_hWnd = nullptr;

private:
    void Close(INT_PTR result);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    UINT m_templateId;
    bool m_modal = false;
};
