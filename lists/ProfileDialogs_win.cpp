#include "lists/ProfileDialogs_win.h"

#include <commdlg.h>

#include <utility>

#include "toolkit/Messages.h"

namespace {

constexpr char kFilter[] = "Profile Files (*.profile)\0*.profile\0All Files (*.*)\0*.*\0\0";
constexpr char kDefaultExtension[] = "profile";

// Common to both dialogs: no initial name, our filter and extension.
struct FileDialog {
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};

    FileDialog(HWND owner, const char* title, DWORD flags) {
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = kFilter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path;
        ofn.nMaxFile = sizeof(path);
        ofn.lpstrTitle = title;
        ofn.lpstrDefExt = kDefaultExtension;
        ofn.Flags = flags;
    }
    FileDialog(const FileDialog&) = delete;  // `ofn` points into `path`
    FileDialog& operator=(const FileDialog&) = delete;

    // A cancelled dialog and a failed one (a name too long for the buffer) alike give nothing.
    std::optional<std::string> Result(BOOL confirmed) const {
        if (!confirmed)
            return std::nullopt;
        return std::string(path);
    }
};

}  // namespace

ProfileDialogs::ProfileDialogs(std::function<HWND()> owner, std::string appName)
    : m_owner(std::move(owner)), m_appName(std::move(appName)) {}

std::optional<std::string> ProfileDialogs::AskSavePath() {
    // No OFN_OVERWRITEPROMPT: saving over an existing profile asks nothing.
    FileDialog dialog(m_owner(), "Select the profile path", OFN_PATHMUSTEXIST);
    return dialog.Result(::GetSaveFileNameA(&dialog.ofn));
}

std::optional<std::string> ProfileDialogs::AskLoadPath() {
    FileDialog dialog(m_owner(), "Select a profile to load", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    return dialog.Result(::GetOpenFileNameA(&dialog.ofn));
}

void ProfileDialogs::ShowMessage(const char* text, Owner owner) {
    HWND window = owner == Owner::MainDialog ? m_owner() : nullptr;
    ::ShowMessage(window, text, m_appName.c_str(), MB_OK);
}
