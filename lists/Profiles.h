#pragma once
#include <optional>
#include <string>

#include "lists/ListEntry.h"
#include "lists/ListPage.h"

// A profile is an empty "<stem>.profile" marker with the lists beside it in
// "<stem>.apps" and "<stem>.webs". The default profile is "default.profile"
// in the program's folder.

constexpr const char* kNothingToBlockMessage =
    "No applications selected for blocking.\nCheck at least one application.";
constexpr const char* kSaveProfileError = "An error occured while saving the profile.";
constexpr const char* kSaveProgramsError =
    "An error occured while saving the profile applications.";
constexpr const char* kSaveWebsitesError = "An error occured while saving the profile websites.";
constexpr const char* kLoadProgramsError =
    "An error occured while loading the profile applications.";
constexpr const char* kLoadWebsitesError = "An error occured while loading the profile websites.";

// A session needs a ticked program, or a ticked website when websites can be blocked.
bool HasSomethingToBlock(const EntryList& programs, const EntryList& websites,
                         bool websiteBlockingAvailable);

// True when the last 8 characters are ".profile" in any letter case.
bool IsProfilePath(const std::string& path);
// The list files of a profile path that IsProfilePath accepts; always lower-case extensions.
std::string ProfileProgramsPath(const std::string& profilePath);
std::string ProfileWebsitesPath(const std::string& profilePath);

// Creates `path` as an empty file, truncating it if it exists.
bool CreateEmptyFile(const std::string& path);

// What profiles need of the windowing system.
class ProfileUi {
public:
    enum class Owner { MainDialog, None };

    virtual ~ProfileUi() = default;
    // The full path the user confirmed, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> AskSavePath() = 0;
    virtual std::optional<std::string> AskLoadPath() = 0;
    // A box with a single OK button, captioned with the application's name.
    virtual void ShowMessage(const char* text, Owner owner) = 0;
    virtual bool CreateEmptyFile(const std::string& path) = 0;
};

// Saves and loads both pages' lists as profiles. The pages are reached only
// through ListPage; without both pages nothing is read, written or shown.
class Profiles {
public:
    // `exeFolder` ends with its backslash, or is empty.
    Profiles(ProfileUi& ui, std::string exeFolder);

    void SetPages(ListPage* programs, ListPage* websites);

    std::string DefaultProfilePath() const { return m_exeFolder + "default.profile"; }

    // True only when the marker and both list files were written; a failure has been shown.
    bool SaveProfile(const std::string& path);
    // Refuses, with a message, when nothing would be blocked; otherwise saves the default profile.
    bool SaveDefaultProfile(bool websiteBlockingAvailable);
    // Gives each page the list of its default file as its start-up list, or none.
    void LoadStartupLists();

    void OnNewProfile();
    void OnLoadProfile();
    void OnSaveProfile();

private:
    bool HavePages() const { return m_programs && m_websites; }

    ProfileUi& m_ui;
    std::string m_exeFolder;
    ListPage* m_programs = nullptr;
    ListPage* m_websites = nullptr;
};
