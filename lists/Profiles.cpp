#include "lists/Profiles.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "lists/ListFile.h"
#include "base/Text.h"

namespace {

constexpr char kProfileExtension[] = ".profile";
constexpr size_t kProfileExtensionLength = sizeof(kProfileExtension) - 1;

// The stem with its dot: the last 7 characters ("profile" in any case) dropped.
std::string Stem(const std::string& profilePath) {
    return profilePath.substr(0, profilePath.size() - (kProfileExtensionLength - 1));
}

void LoadStartupList(ListPage& page, const std::string& path) {
    page.startupList = std::make_unique<EntryList>();
    if (!LoadEntryList(path, *page.startupList))
        page.startupList.reset();
}

}  // namespace

bool HasSomethingToBlock(const EntryList& programs, const EntryList& websites,
                         bool websiteBlockingAvailable) {
    return CountChecked(programs) > 0 || (websiteBlockingAvailable && CountChecked(websites) > 0);
}

bool IsProfilePath(const std::string& path) {
    return EndsWithNoCase(path, kProfileExtension);
}

std::string ProfileProgramsPath(const std::string& profilePath) {
    return Stem(profilePath) + "apps";
}

std::string ProfileWebsitesPath(const std::string& profilePath) {
    return Stem(profilePath) + "webs";
}

bool CreateEmptyFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    return std::fclose(f) == 0;
}

Profiles::Profiles(ProfileUi& ui, std::string exeFolder)
    : m_ui(ui), m_exeFolder(std::move(exeFolder)) {}

void Profiles::SetPages(ListPage* programs, ListPage* websites) {
    m_programs = programs;
    m_websites = websites;
}

bool Profiles::SaveProfile(const std::string& path) {
    // Any other name could be a file of another kind: leave it alone.
    if (!IsProfilePath(path) || !HavePages())
        return false;
    if (!m_ui.CreateEmptyFile(path)) {
        m_ui.ShowMessage(kSaveProfileError, ProfileUi::Owner::None);
        return false;
    }
    if (!SaveEntryList(ProfileProgramsPath(path), m_programs->GetEntries())) {
        m_ui.ShowMessage(kSaveProgramsError, ProfileUi::Owner::None);
        return false;
    }
    if (!SaveEntryList(ProfileWebsitesPath(path), m_websites->GetEntries())) {
        m_ui.ShowMessage(kSaveWebsitesError, ProfileUi::Owner::None);
        return false;
    }
    return true;
}

bool Profiles::SaveDefaultProfile(bool websiteBlockingAvailable) {
    if (!HavePages())
        return false;
    if (!HasSomethingToBlock(m_programs->GetEntries(), m_websites->GetEntries(),
                             websiteBlockingAvailable)) {
        m_ui.ShowMessage(kNothingToBlockMessage, ProfileUi::Owner::MainDialog);
        return false;
    }
    return SaveProfile(DefaultProfilePath());
}

void Profiles::LoadStartupLists() {
    if (!HavePages())
        return;
    const std::string defaultProfile = DefaultProfilePath();
    LoadStartupList(*m_programs, ProfileProgramsPath(defaultProfile));
    LoadStartupList(*m_websites, ProfileWebsitesPath(defaultProfile));
}

void Profiles::OnNewProfile() {
    if (!HavePages())
        return;
    m_programs->ResetToStartup();
    m_websites->ResetToStartup();
}

void Profiles::OnLoadProfile() {
    if (!HavePages())
        return;
    const std::optional<std::string> path = m_ui.AskLoadPath();
    // The marker's content is never read; only its name counts.
    if (!path || !IsProfilePath(*path))
        return;

    // Each list stands alone: a broken websites file still loads the programs.
    EntryList list;
    if (LoadEntryList(ProfileProgramsPath(*path), list))
        m_programs->SetEntries(list);
    else
        m_ui.ShowMessage(kLoadProgramsError, ProfileUi::Owner::MainDialog);

    if (LoadEntryList(ProfileWebsitesPath(*path), list))
        m_websites->SetEntries(list);
    else
        m_ui.ShowMessage(kLoadWebsitesError, ProfileUi::Owner::MainDialog);
}

void Profiles::OnSaveProfile() {
    if (!HavePages())
        return;
    if (const std::optional<std::string> path = m_ui.AskSavePath())
        SaveProfile(*path);
}
