#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/AppContext.h"
#include "app/Duration.h"
#include "app/MainWindowHost_win.h"
#include "app/TrayIcon_win.h"
#include "base/Clock_win.h"
#include "lists/DefaultFilesLock_win.h"
#include "lists/ProfileDialogs_win.h"
#include "lists/Profiles.h"
#include "programs/NoticeText.h"
#include "programs/ProcessPlatform_win.h"
#include "programs/ProcessWatcher.h"
#include "schedule/ScheduleChange.h"
#include "schedule/ScheduleTime.h"
#include "session/SessionEngine.h"
#include "session/SessionPlatform_win.h"
#include "toolkit/TabWnd.h"
#include "toolkit/ThemedDialog.h"
#include "toolkit/ToolBar.h"
#include "serviceclient/ServiceConnection.h"
#include "serviceclient/ServiceGuard.h"
#include "serviceclient/ServiceSchedule.h"
#include "websites/FirewallHookDriver.h"
#include "websites/AddressResolution_win.h"
#include "websites/SessionWebsites.h"

// The session's Run value, kept while the schedule has blocks: with blocks it
// carries the schedule switch, so that only the start at log-on waits hidden.
class ScheduleAutorun : public Autorun {
public:
    ScheduleAutorun(RunKeyAutorun& runKey, std::function<bool()> hasBlocks)
        : m_runKey(runKey), m_hasBlocks(std::move(hasBlocks)) {}
    void Register() override;
    void Remove() override;

private:
    RunKeyAutorun& m_runKey;
    std::function<bool()> m_hasBlocks;
};

class CProgramsDlg;
class CScheduleDlg;
class CWebsitesDlg;

// Where the lookups' last worker leaves its outcome for the window's thread, which a
// posted message wakes. Shared, since a worker may outlive the window.
struct ResolvedMailbox {
    std::mutex mutex;
    std::vector<std::pair<uint64_t, WebsiteTargets>> outcomes;
    std::atomic<HWND> window{nullptr};
};

// The program's only top-level window: toolbar, the list and schedule pages, the
// duration entry and "Hushwall NOW!". It holds the blocking session.
class CHushwallDlg : public CBCGPDialog, public SessionHost {
public:
    explicit CHushwallDlg(const AppContext& context);
    ~CHushwallDlg() override;

    // True while a blocked-program notice is on screen; set by the sweep, cleared by the
    // notice's thread, which holds a share since the notice may outlive this window.
    const std::shared_ptr<std::atomic<bool>> noticeFlag =
        std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool>& noticeShowing = *noticeFlag;

    SessionEngine& engine() { return m_engine; }
    CTrayIcon& tray() { return m_tray; }
    CBCGPToolBar& toolbar() { return m_toolbar; }
    CBCGPTabWnd& tabs() { return m_tabs; }
    CProgramsDlg* programsPage() { return m_programs.get(); }
    CWebsitesDlg* websitesPage() { return m_websites.get(); }
    CScheduleDlg* schedulePage() { return m_schedule.get(); }

    // Posted to the main window when lookups have finished.
    static constexpr UINT kWebsitesResolvedMessage = WM_APP + 1001;

    // How Help opens the help file; tests replace it.
    std::function<void(HWND owner, const std::string& path)> openHelp;

    // SessionHost
    bool ValidateDuration(Seconds& endTime) override;
    bool SaveDefaultProfile() override;
    std::vector<std::string> CheckedPrograms() override;
    void LockDefaultFiles() override { m_defaultFiles.LockDefaultFiles(m_context.exeFolder); }
    void UnlockDefaultFiles() override { m_defaultFiles.UnlockDefaultFiles(); }
    void ShowMessage(const char* text) override;
    void ShowUnownedMessage(const char* text, const char* caption) override;
    void SetScreenSaverRunning(bool running) override { ::SetScreenSaverRunning(running); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
    void OnOK() override {}  // Enter belongs to "Hushwall NOW!"
    // Escape, or a close from another program: during a session only the key ends it.
    void OnCancel() override;

private:
    void CreateToolBar();
    void CreatePages();
    void OnToolBarReset();
    void OnHelp();
    void OnAbout();
    void OnTrayNotify(LPARAM mouseMessage);
    void OnDestroyWindow();
    void OnWebsitesResolved();
    void PaintMinimised();

    // The schedule (HushwallSchedule_win.cpp).
    void LoadScheduleAtStart();
    void OnScheduleEdit(const ScheduleEdit& edit);
    // Starts or widens a session when a block asks for it, and sets the one-shot
    // timer to the next change.
    void RunScheduleCheck();
    void WaitBehindIcon();
    void ShowTrayMenu();
    void OnKeyEndedSession();
    bool HasBlocks() const;
    EntryList SessionProgramEntries() const;
    EntryList SessionWebsiteEntries() const;

    void UpdateUntilPickers();
    bool RefuseDurationStep(int fieldId, DurationField field, int delta);
    std::string ItemText(int id) const;

    template <class Page>
    bool OnPageCommand(const std::unique_ptr<Page>& page, void (Page::*command)());

    AppContext m_context;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;

    SystemClock m_clock;
    TickCountClock m_monotonic;
    SystemProcesses m_processes;
    MainWindowHost m_watcherHost{
        noticeFlag,
        [this] { return NoticeText(m_clock.Now(), m_engine.endTime, m_engine.timeChanged); }};
    ProcessWatcher m_watcher{m_processes, m_watcherHost, noticeShowing};
    WindowSessionTimers m_timers{m_watcher};
    RunKeyAutorun m_autorun;
    ScheduleAutorun m_scheduleAutorun{m_autorun, [this] { return HasBlocks(); }};
    // Outlive the engine, whose last stop may still talk to the service.
    ServiceConnection m_service;
    CFirewallHookDriver m_driver;
    std::shared_ptr<WinsockResolver> m_resolver = std::make_shared<WinsockResolver>();
    std::shared_ptr<ResolvedMailbox> m_mailbox = std::make_shared<ResolvedMailbox>();
    WinInetUrlCracker m_cracker;
    SessionWebsites m_websiteSteps;
    ServiceGuard m_guard{m_service};
    ServiceSchedule m_keptSchedule{m_service};
    bool m_serviceKeepsSchedule = false;
    CDefaultFilesLock m_defaultFiles;
    CTrayIcon m_tray{m_clock};
    SessionEngine m_engine;

    ProfileDialogs m_profileDialogs;
    Profiles m_profiles;

    CBCGPToolBar m_toolbar;
    CBCGPTabWnd m_tabs;
    std::unique_ptr<CProgramsDlg> m_programs;
    std::unique_ptr<CWebsitesDlg> m_websites;
    std::unique_ptr<CScheduleDlg> m_schedule;

    // What a session the schedule started or widened blocks, in place of the pages' ticks.
    std::optional<ScheduledSession> m_scheduled;
    Seconds m_keyEndedAt = kNoMoment;
    static constexpr UINT_PTR kScheduleTimerId = 4;  // after the session's timers
};
