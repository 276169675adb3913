#pragma once
#include <windows.h>

#include <string>

// A window of another class (a control) whose messages pass through this object
// first: the window procedure is replaced, and the old one gets what is not handled.
class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys a window that is still there, so it never calls into a dead object.
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    std::string GetText() const;

    // Takes over an existing window; PreSubclassWindow runs first.
    bool SubclassWindow(HWND hwnd);
    // Takes over the control `id` of `parent`, e.g. one from a dialog template.
    bool SubclassDlgItem(UINT id, HWND parent);
    HWND UnsubclassWindow();

protected:
    // Called with m_hWnd set, before the first message reaches WindowProc.
    virtual void PreSubclassWindow() {}
    // Every message of the window; the base hands it to the old procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // Creates a window of a system class and takes it over.
    bool CreateControl(const char* className, const char* text, DWORD style, const RECT& rect,
                       HWND parent, UINT id);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC m_oldProc = nullptr;
};

// Parents send WM_DRAWITEM to the control itself under this number, so that an
// owner-drawn control draws itself (see ReflectDrawItem).
constexpr UINT WM_REFLECT_DRAWITEM = WM_APP + 0x3C00 + WM_DRAWITEM;

// A parent's WM_DRAWITEM handler calls this with the message's lParam. True when
// the control drew itself; the parent then returns TRUE from the message.
bool ReflectDrawItem(LPARAM drawItem);

class CButton : public CWnd {
protected:
    // Handles the reflected WM_DRAWITEM; the rest goes to the button class.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}
};

class CStatic : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}
};
