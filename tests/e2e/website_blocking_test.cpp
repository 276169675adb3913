// Website blocking from the window to the filter service: Hushwall.exe driven
// from another process, the service installed through the service control
// manager. The serving service is the recording build; the shipped one cannot
// open Wine's filtering engine and must leave website blocking unavailable.
#include <windows.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "lists/ListFile.h"
#include "win32/filter/Journal.h"

namespace {

constexpr const char* kApp = "Hushwall";
constexpr int kBlockNow = 1000, kMinutes = 1005, kWebsiteList = 1019, kSelectAllWebsites = 32789;
const wchar_t* const kPipe = L"\\\\.\\pipe\\HushwallFilter";

DWORD ServiceState() {
    SERVICE_STATUS status = {};
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceA(manager, "HushwallFilter", SERVICE_QUERY_STATUS) : nullptr;
    if (service) {
        ::QueryServiceStatus(service, &status);
        ::CloseServiceHandle(service);
    }
    if (manager)
        ::CloseServiceHandle(manager);
    return status.dwCurrentState;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// An address of default.log as the journal's filters write it.
std::string FilterAddress(const std::string& logged) {
    if (logged.find(':') == std::string::npos)
        return logged + "/255.255.255.255";
    in6_addr address = {};
    if (::InetPtonA(AF_INET6, logged.c_str(), &address) != 1)
        return "<unparsed " + logged + ">";
    std::string out;
    char group[8];
    for (int i = 0; i < 16; i += 2) {
        std::snprintf(group, sizeof group, i ? ":%x" : "%x", address.s6_addr[i] << 8 | address.s6_addr[i + 1]);
        out += group;
    }
    return out + "/128";
}

// The lines between the last "New Session Log" and its end.
std::vector<std::string> LoggedAddresses(const std::string& log) {
    std::vector<std::string> lines;
    const size_t start = log.rfind("New Session Log");
    if (start == std::string::npos)
        return lines;
    std::istringstream in(log.substr(start));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && line.find("End Session Log") == std::string::npos) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// The journal as one letter a call: [ begin, ] commit, + add, - delete;
// nothing for the service's own start (open, provider add).
std::string Shape(const std::vector<JournalLine>& lines) {
    std::string shape;
    for (const JournalLine& line : lines) {
        const std::string& t = line.text;
        if (t == "begin")
            shape += '[';
        else if (t == "commit")
            shape += ']';
        else if (t.compare(0, 4, "add ") == 0)
            shape += '+';
        else if (t.compare(0, 7, "delete ") == 0)
            shape += '-';
        else if (t != "open" && t != "provider add")
            shape += '?';
    }
    return shape;
}

// What the filters say, without the ids the engine gave them and the user
// that each must name.
std::vector<std::string> AddedFilters(const std::vector<JournalLine>& lines) {
    std::vector<std::string> filters;
    for (const JournalLine& line : lines) {
        if (line.text.compare(0, 4, "add ") != 0)
            continue;
        const std::string filter = line.text.substr(line.text.find(' ', 4) + 1);
        const size_t user = filter.find(" user=S-1-");
        EXPECT_NE(user, std::string::npos) << filter;
        filters.push_back(filter.substr(0, user));
    }
    return filters;
}

// The static of `page` whose text starts with `prefix`.
HWND FindStatic(HWND page, const std::string& prefix) {
    for (HWND w = ::GetWindow(page, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        char name[32] = {};
        ::GetClassNameA(w, name, sizeof name);
        if (::lstrcmpiA(name, "Static") == 0 && e2e::Text(w).compare(0, prefix.size(), prefix) == 0)
            return w;
    }
    return nullptr;
}

class WebsiteBlocking : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::ForgetSession(kApp);
        e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--uninstall");  // what an earlier run left
        ::DeleteFileA(JournalPath().c_str());
    }
    void TearDown() override {
        if (main)
            ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        if (program.process && !program.WaitEnd(5000))
            program.Kill();
        // Whichever build was installed: both remove the same service.
        e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--uninstall");
        e2e::ForgetSession(kApp);
    }

    static std::string JournalPath() { return InstalledJournalPath(); }

    // Hushwall.exe in a folder of its own, with `websites` as its default list.
    std::string Install(const std::string& folderName, const EntryList& websites) {
        folder = e2e::FreshFolder(folderName);
        const std::string exe = folder + "Hushwall.exe";
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        EXPECT_TRUE(SaveEntryList(folder + "default.webs", websites));
        return exe;
    }
    void StartProgram(const std::string& exe) {
        ASSERT_TRUE(e2e::Start(exe, program));
        main = e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, "Hushwall!", "#32770"); }, 10000);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::FindCaptionless(program.pid); }, 6000));
        HWND list = e2e::FindDescendant(main, kWebsiteList);
        ASSERT_NE(list, nullptr);
        websitesPage = ::GetParent(list);
    }

    std::string folder;
    e2e::Program program;
    HWND main = nullptr, websitesPage = nullptr;
};

TEST_F(WebsiteBlocking, ASessionsRulesStartClearAndStopReachTheService) {
    // From the test's hosts lines: an address, and 0.0.0.0, which must add no filter.
    const std::string exe = Install("hw-e2e-websites", {{"http://blocked.example/", "Here", true},
                                                        {"http://zero.hosts.example/", "Zero", true}});
    ASSERT_EQ(e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--install \"" + exe + "\""), 0);
    ASSERT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_RUNNING));
    // Running is reported before the pipe is up; the program opens it only at start.
    ASSERT_TRUE(e2e::WaitUntil([] { return ::WaitNamedPipeW(kPipe, 100) != FALSE; }, 30000));

    ASSERT_NO_FATAL_FAILURE(StartProgram(exe));
    EXPECT_EQ(FindStatic(websitesPage, "Website blocking"), nullptr) << "blocking is available";
    const size_t before = ReadJournal(JournalPath()).size();

    e2e::SetText(::GetDlgItem(main, kMinutes), "1");
    e2e::Click(::GetDlgItem(main, kBlockNow));
    std::vector<JournalLine> journal;
    // Started: the filters are added in one transaction, then the time is on record.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            journal = ReadJournal(JournalPath());
            const std::string shape = Shape(journal);
            return shape.find("+]") != std::string::npos && e2e::FailSafeText() != "<none>";
        },
        30000))
        << JournalCalls(journal);
    journal.erase(journal.begin(), journal.begin() + static_cast<std::ptrdiff_t>(before));

    // Every address logged is blocked as the far end: connections to it at the
    // connect layers, from it at the accept layers, of IPv4 and, as a mapped
    // address, of IPv6 (dual-stack sockets); IPv6 answers at the IPv6 ones.
    const std::vector<std::string> logged = LoggedAddresses(ReadAll(folder + "default.log"));
    ASSERT_FALSE(logged.empty()) << ReadAll(folder + "default.log");
    EXPECT_EQ(logged.front(), "192.0.2.10");
    for (const char* never : {"0.0.0.0", "::", "127.0.0.1", "::1"})
        EXPECT_EQ(std::count(logged.begin(), logged.end(), never), 0) << never;
    std::vector<std::string> expected;
    for (const std::string& address : logged) {
        const bool six = address.find(':') != std::string::npos;
        const std::string at = FilterAddress(address);
        if (!six) {
            expected.push_back("connect4 block remote=" + at);
            expected.push_back("accept4 block remote=" + at);
        }
        const std::string v6 = six ? at : FilterAddress("::ffff:" + address);
        expected.push_back("connect6 block remote=" + v6);
        expected.push_back("accept6 block remote=" + v6);
    }
    std::vector<std::string> added = AddedFilters(journal);
    std::sort(expected.begin(), expected.end());
    std::sort(added.begin(), added.end());
    EXPECT_EQ(added, expected) << JournalCalls(journal);
    const std::string adds(expected.size(), '+');
    // Rules while stopped touch no filter; the start adds them all in one transaction.
    EXPECT_EQ(Shape(journal), "[" + adds + "]") << JournalCalls(journal);

    const std::string failSafe = e2e::FailSafeText();
    int left = 0;
    ASSERT_EQ(std::sscanf(failSafe.c_str(), "left %d", &left), 1) << failSafe;
    EXPECT_GT(left, 15 * 60) << "at most the minute and the 15 minutes' grace";
    EXPECT_LE(left, 60 + 15 * 60);

    // The key ends the session: the service's key end deletes every filter at once.
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 5000));
    HWND key = e2e::AskForKey(main, program.pid);
    ASSERT_NE(key, nullptr);
    e2e::SetText(::GetDlgItem(key, 1018), e2e::Text(::GetDlgItem(key, 1017)));
    e2e::Click(::GetDlgItem(key, IDOK));
    const std::string ended = "[" + adds + "][" + std::string(expected.size(), '-') + "]";
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            journal = ReadJournal(JournalPath());
            journal.erase(journal.begin(), journal.begin() + static_cast<std::ptrdiff_t>(before));
            return Shape(journal).size() >= ended.size();
        },
        30000))
        << JournalCalls(journal);
    EXPECT_EQ(Shape(journal), ended) << JournalCalls(journal);
    EXPECT_EQ(e2e::FailSafeText(), "<none>");
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != 0; }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == "<none>"; }, 5000))
        << e2e::RunValue(kApp);

    EXPECT_EQ(e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--uninstall"), 0);
    EXPECT_EQ(ServiceState(), 0u);
}

TEST_F(WebsiteBlocking, ABlockedProgramIsEndedWhileTheLookupsStillRun) {
    // Every name here waits for the test's slow name server.
    EntryList sites;
    for (int i = 1; i <= 20; ++i)  // the page sorts by name
        sites.push_back({"http://site-" + std::to_string(i) + ".bench.example/",
                         std::string("Site ") + char('A' + i), true});
    const std::string exe = Install("hw-e2e-websites-slow", sites);
    const std::string gamePath = folder + "game.exe";
    ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), gamePath.c_str(), FALSE));
    ASSERT_TRUE(SaveEntryList(folder + "default.apps", {{gamePath, "Game", true}}));
    ASSERT_EQ(e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--install \"" + exe + "\""), 0);
    ASSERT_TRUE(e2e::WaitUntil([] { return ::WaitNamedPipeW(kPipe, 100) != FALSE; }, 30000));
    ASSERT_NO_FATAL_FAILURE(StartProgram(exe));
    const size_t before = ReadJournal(JournalPath()).size();
    auto started = [&] {
        std::vector<JournalLine> journal = ReadJournal(JournalPath());
        journal.erase(journal.begin(), journal.begin() + static_cast<std::ptrdiff_t>(before));
        return Shape(journal).find(']') != std::string::npos;
    };

    e2e::SetText(::GetDlgItem(main, kMinutes), "1");
    e2e::Click(::GetDlgItem(main, kBlockNow));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 5000));
    e2e::Program game;
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_TRUE(game.WaitEnd(3000)) << "the sweep waited for the lookups";
    EXPECT_FALSE(started()) << "the lookups were over before the program was ended";
    game.Kill();

    ASSERT_TRUE(e2e::WaitUntil(started, 30000)) << "the start code came after the lookups";
    const std::vector<std::string> logged = LoggedAddresses(ReadAll(folder + "default.log"));
    ASSERT_GE(logged.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(logged[i], "198.18.0." + std::to_string(i + 1)) << "in the websites' order";
}

TEST_F(WebsiteBlocking, WithTheShippedServiceUnderWineBlockingIsUnavailableAndThePageSaysWhy) {
    const std::string exe = Install("hw-e2e-websites-off", {{"http://localhost/", "Here", true}});
    // Installed, but stopped at once: Wine's filtering engine cannot be opened.
    EXPECT_EQ(e2e::RunTool(e2e::OwnFolder() + "HushwallFilter.exe", "--install \"" + exe + "\""), 1);
    ASSERT_EQ(ServiceState(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(::WaitNamedPipeW(kPipe, 100));

    ASSERT_NO_FATAL_FAILURE(StartProgram(exe));
    ::PostMessageA(main, WM_COMMAND, kSelectAllWebsites, 0);
    HWND line = e2e::WaitFor([&] { return FindStatic(websitesPage, "Website blocking"); }, 5000);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(e2e::Text(line), "Website blocking is unavailable: the Hushwall filter service is not running.");
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(line) != 0; }, 5000));
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    e2e::Pump(300);
    EXPECT_FALSE(e2e::SaveScreenshot(main, "websites-page-service-stopped").empty());

    // A ticked website alone is then nothing to block.
    e2e::SetText(::GetDlgItem(main, kMinutes), "1");
    e2e::Click(::GetDlgItem(main, kBlockNow));
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program.pid, box, 10000));
    EXPECT_EQ(box.text, "No applications selected for blocking.\nCheck at least one application.");
    e2e::Dismiss(box.window);
    EXPECT_EQ(e2e::SessionRecord(kApp), "<none>");
    EXPECT_EQ(ReadAll(folder + "default.log"), "<none>");

    EXPECT_EQ(e2e::RunTool(e2e::OwnFolder() + "HushwallFilter.exe", "--uninstall"), 0);
    EXPECT_EQ(ServiceState(), 0u);
}

}  // namespace
