// The main window's part in the schedule: its edits, the sessions it starts, and
// the wait behind the icon for its next block.
#include <cstdlib>
#include <string>

#include "app/HushwallDlg_win.h"
#include "programs/ProgramsDlg_win.h"
#include "res/resource.h"
#include "schedule/ScheduleCheck.h"
#include "schedule/ScheduleDlg_win.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleText.h"
#include "session/RemainingTime.h"
#include "session/SessionRecord.h"
#include "websites/WebsitesDlg_win.h"

void ScheduleAutorun::Register() {
    m_runKey.SetArguments(m_hasBlocks() ? kScheduleSwitch : "");
    m_runKey.Register();
}

void ScheduleAutorun::Remove() {
    // A session's end leaves the value to the blocks still waiting.
    if (!m_hasBlocks())
        m_runKey.Remove();
}

bool CHushwallDlg::HasBlocks() const {
    return m_schedule && !m_schedule->GetSchedule().empty();
}

EntryList CHushwallDlg::SessionProgramEntries() const {
    if (m_scheduled)
        return m_scheduled->programs;
    return m_programs ? CheckedEntries(m_programs->GetEntries()) : EntryList();
}

EntryList CHushwallDlg::SessionWebsiteEntries() const {
    if (m_scheduled)
        return m_scheduled->websites;
    return m_websites ? CheckedEntries(m_websites->GetEntries()) : EntryList();
}

void CHushwallDlg::LoadScheduleAtStart() {
    if (!m_schedule)
        return;
    m_schedule->onEdit = [this](const ScheduleEdit& edit) { OnScheduleEdit(edit); };
    const std::string keyEnded = m_context.settings->GetString(kSessionSection, kKeyEndedEntry, "");
    if (!keyEnded.empty())
        m_keyEndedAt = std::strtoll(keyEnded.c_str(), nullptr, 10);

    Schedule schedule;
    const std::string file = m_context.exeFolder + kScheduleFileName;
    // A refused file stays as it is until the user saves an edit; the page starts empty.
    ScheduleFileResult result = LoadSchedule(file, schedule);
    // The service's copy wins over the file, which the user may delete or replace; the
    // service takes the file's blocks only while it keeps none of this user's.
    Schedule kept;
    ServiceSchedule::Kept held =
        m_service.IsOpen() ? m_keptSchedule.Fetch(kept) : ServiceSchedule::Kept::Unavailable;
    if (held == ServiceSchedule::Kept::None && !schedule.empty() && m_keptSchedule.Submit(schedule))
        held = m_keptSchedule.Fetch(kept);
    // An older service knows no schedule codes: the file alone holds the schedule then.
    m_serviceKeepsSchedule = m_service.IsOpen() && held != ServiceSchedule::Kept::Unknown;
    if (held == ServiceSchedule::Kept::Some) {
        // Written again only when it differs: not at every start.
        if (result != ScheduleFileResult::Ok || EncodeSchedule(kept) != EncodeSchedule(schedule))
            SaveSchedule(file, kept);
        schedule = kept;
        result = ScheduleFileResult::Ok;
    }
    if (const char* message = ScheduleLoadMessage(result))
        ShowMessage(message);
    m_schedule->SetSchedule(schedule);
    // Put back should the value have gone while Hushwall was not running.
    if (HasBlocks())
        m_scheduleAutorun.Register();
}

void CHushwallDlg::OnScheduleEdit(const ScheduleEdit& edit) {
    const EditResult result = ApplyScheduleEdit(m_schedule->GetSchedule(), edit, m_clock.Now());
    if (result.outcome == EditOutcome::Retired || result.outcome == EditOutcome::Invalid) {
        ShowMessage(result.outcome == EditOutcome::Retired ? kRetiredEditMessage
                                                           : kInvalidEditMessage);
        return;
    }
    Schedule saved = result.schedule;
    // With the service the change counts once it took it, and as it took it.
    if (m_serviceKeepsSchedule) {
        Schedule kept;
        if (!m_keptSchedule.Submit(saved)) {
            ShowMessage(kScheduleSaveFailedMessage);
            return;
        }
        if (m_keptSchedule.Fetch(kept) == ServiceSchedule::Kept::Some)
            saved = kept;
    }
    // The service's copy holds even when the file cannot follow it.
    if (!SaveSchedule(m_context.exeFolder + kScheduleFileName, saved) && !m_serviceKeepsSchedule) {
        ShowMessage(kScheduleSaveFailedMessage);
        return;
    }
    m_schedule->SetSchedule(saved);
    if (HasBlocks())
        m_scheduleAutorun.Register();
    else if (!m_engine.blockingActive)
        m_autorun.Remove();
    if (result.outcome == EditOutcome::AfterADay)
        ShowMessage(kLoosenLaterMessage);
    RunScheduleCheck();
}

void CHushwallDlg::RunScheduleCheck() {
    if (!m_schedule || !m_hWnd)
        return;
    const Seconds now = m_clock.Now();
    if (!m_engine.blockingActive)
        m_scheduled.reset();
    RunningSession running;
    if (m_engine.blockingActive) {
        running.programs = SessionProgramEntries();
        running.websites = SessionWebsiteEntries();
        running.end = m_engine.timeChanged ? kEndless : m_engine.endTime;
    }
    const ScheduleCheck check = CheckSchedule(
        m_schedule->GetSchedule(), now, m_engine.blockingActive ? &running : nullptr, m_keyEndedAt);
    if (check.startOrExtend) {
        if (!m_engine.blockingActive)
            m_context.settings->WriteString(kSessionSection, kScheduledEntry, "1");
        m_scheduled = ScheduledSession{check.programs, check.websites, check.end};
        m_engine.StartScheduled(check.end);
    }
    // One timer to the next change; a changed clock or a wake-up checks again at once.
    ::KillTimer(m_hWnd, kScheduleTimerId);
    if (const uint32_t delay = CheckTimerDelay(now, check.next))
        ::SetTimer(m_hWnd, kScheduleTimerId, delay, nullptr);
    if (!m_engine.blockingActive && m_tray.IconShown() && HasBlocks()) {
        const std::optional<Seconds> start = NextBlockStart(m_schedule->GetSchedule(), now);
        m_tray.SetTooltip(start ? NextBlockTooltip(*start) : std::string(kTooltipIdle));
    }
}

void CHushwallDlg::WaitBehindIcon() {
    m_tray.HideToTray();
    RunScheduleCheck();
}

void CHushwallDlg::ShowTrayMenu() {
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    ::AppendMenuA(menu, MF_STRING, IDOK, "Open Hushwall");
    ::AppendMenuA(menu, MF_STRING, ID_APP_EXIT, "Exit");
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(m_hWnd);
    const UINT chosen =
        static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                           cursor.x, cursor.y, 0, m_hWnd, nullptr));
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    ::DestroyMenu(menu);
    if (chosen == ID_APP_EXIT) {
        m_tray.Remove();
        CBCGPDialog::OnCancel();
    } else if (chosen == IDOK) {
        m_tray.Remove();
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::SetFocus(GetDlgItem(IDC_MINUTES));
    }
}

void CHushwallDlg::OnKeyEndedSession() {
    // The runs under way do not start the session again.
    m_keyEndedAt = m_clock.Now();
    m_context.settings->WriteString(kSessionSection, kKeyEndedEntry, std::to_string(m_keyEndedAt));
    m_context.settings->WriteString(kSessionSection, kScheduledEntry, "");
    RunScheduleCheck();
}
