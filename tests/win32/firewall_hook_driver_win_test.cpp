// The driver controller over a real pipe, and the session log, on the real system.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/Driver.h"
#include "hook/HookPipe.h"
#include "serviceclient/ServicePipe_win.h"
#include "websites/FirewallHookDriver_win.h"
#include "websites/SessionLog.h"

namespace {

uint32_t Address(BYTE a, BYTE b, BYTE c, BYTE d) {
    const BYTE bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    memcpy(&address, bytes, 4);
    return address;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return "<none>";
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, n);
    fclose(file);
    return bytes;
}

// A message-mode pipe server on a thread of its own, standing in for the filter
// service: it records each request and answers what `answer` gives, or drops
// the connection when that is nothing. With `again`, it serves the next
// connection once a client has left.
class PipeServer {
public:
    using Answer = std::function<std::optional<std::vector<uint8_t>>(const std::vector<uint8_t>&)>;

    explicit PipeServer(Answer answer) : PipeServer(std::move(answer), FreshPath()) {}
    // A server that takes over a path, as a restarted service does.
    PipeServer(Answer answer, std::string at, bool again = false)
        : path(std::move(at)), m_answer(std::move(answer)), m_again(again) {
        m_pipe = ::CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 512,
                                    512, 0, nullptr);
        if (m_pipe != INVALID_HANDLE_VALUE)
            m_thread = std::thread([this] { Serve(); });
    }
    ~PipeServer() {
        m_stopping = true;
        // A thread still waiting for its client is let go by one.
        if (!connected) {
            HANDLE client = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
            if (client != INVALID_HANDLE_VALUE)
                ::CloseHandle(client);
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_pipe != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_pipe);
    }
    bool Ready() const { return m_pipe != INVALID_HANDLE_VALUE; }
    std::vector<std::vector<uint8_t>> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    // True once the client has closed its end, within a generous bound.
    bool WaitForClientGone() {
        for (int i = 0; i < 500 && !clientGone; ++i)
            ::Sleep(10);
        return clientGone;
    }

    static std::string FreshPath() {
        static int serial = 0;
        return "\\\\.\\pipe\\HushwallFilterTest-" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
    }

    std::string path;
    std::atomic<bool> connected{false};
    std::atomic<bool> clientGone{false};
    std::atomic<int> connections{0};

private:
    void Serve() {
        do {
            ServeOne();
            connected = false;
        } while (m_again && !m_stopping && ::DisconnectNamedPipe(m_pipe));
    }

    void ServeOne() {
        if (!::ConnectNamedPipe(m_pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
            return;
        connected = true;
        ++connections;
        for (;;) {
            uint8_t buffer[512];
            DWORD read = 0;
            if (!::ReadFile(m_pipe, buffer, sizeof(buffer), &read, nullptr)) {
                clientGone = ::GetLastError() == ERROR_BROKEN_PIPE;
                return;
            }
            std::vector<uint8_t> request(buffer, buffer + read);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request);
            }
            const std::optional<std::vector<uint8_t>> reply = m_answer(request);
            DWORD written = 0;
            if (!reply) {
                ::DisconnectNamedPipe(m_pipe);
                return;
            }
            if (!::WriteFile(m_pipe, reply->data(), static_cast<DWORD>(reply->size()), &written,
                             nullptr)) {
                const DWORD error = ::GetLastError();
                clientGone = error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE;
                return;
            }
        }
    }

    Answer m_answer;
    bool m_again;
    std::atomic<bool> m_stopping{false};
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_requests;
};

std::vector<uint8_t> Reply(uint32_t status) {
    return EncodeHookReply(status);
}

TEST(FirewallHookDriverWin, MissingServiceLeavesWebsiteBlockingUnavailable) {
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    EXPECT_FALSE(driver.OpenDevice());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), -5);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), -5);
    EXPECT_FALSE(driver.LoadHookRules({Address(10, 0, 0, 1)}));
    EXPECT_EQ(driver.UnloadDriver(true), 0);
    EXPECT_EQ(QueryFilterServiceState(), FilterServiceState::NotInstalled);
}

TEST(FirewallHookDriverWin, RequestsGoOverThePipeAndOnlyASuccessReplyCounts) {
    // The status each request is answered with, in turn; past the end, success.
    const std::vector<std::vector<uint8_t>> replies = {
        Reply(0),
        Reply(1),
        Reply(0xFFFFFFFF),
        {0, 0, 0},
        {0, 0, 0, 0, 0},
        std::vector<uint8_t>(300, 0),  // longer than any reply: read whole and refused
        Reply(0),
        Reply(kHookStatusUnbounded),
        {2, 0, 0},
    };
    size_t next = 0;
    PipeServer server([&](const std::vector<uint8_t>&) {
        return std::optional<std::vector<uint8_t>>(next < replies.size() ? replies[next++]
                                                                         : Reply(0));
    });
    ASSERT_TRUE(server.Ready());
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    ASSERT_TRUE(driver.OpenDevice(server.path));

    const HookRuleBytes rule = EncodeHookRule(0, Address(10, 0, 0, 1));
    const HookRule6Bytes rule6 = EncodeHookRule6(Ipv6Address{}, Ipv6Address{0x20, 0x01});
    const int results[] = {
        driver.SendDriverControl(IOCTL_HOOK_ADD_RULE, rule.data(), kHookRuleSize),
        driver.SendDriverControl(IOCTL_HOOK_ADD_RULE6, rule6.data(), kHookRule6Size),
        driver.SendDriverControl(IOCTL_HOOK_STOP, nullptr, 0),
        driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0),
        driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0),
        driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0),
        driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0),
    };
    EXPECT_EQ(std::vector<int>(std::begin(results), std::end(results)),
              (std::vector<int>{0, -9, -9, -9, -9, -9, 0}))
        << "the last request gets its own reply, not the rest of a long one";
    // The guard reads the status itself; a malformed reply has none.
    const HookTimeBytes time = EncodeHookTime(60);
    EXPECT_EQ(driver.SendDriverRequest(IOCTL_HOOK_GUARD_START, time.data(), kHookTimeSize),
              std::optional<uint32_t>(kHookStatusUnbounded));
    EXPECT_EQ(driver.SendDriverRequest(IOCTL_HOOK_GUARD_END, nullptr, 0), std::nullopt);

    const std::vector<std::vector<uint8_t>> requests = server.Requests();
    ASSERT_EQ(requests.size(), 9u);
    EXPECT_EQ(requests[0], EncodeHookRequest(IOCTL_HOOK_ADD_RULE, rule.data(), kHookRuleSize));
    EXPECT_EQ(requests[1], EncodeHookRequest(IOCTL_HOOK_ADD_RULE6, rule6.data(), kHookRule6Size));
    EXPECT_EQ(requests[6], EncodeHookRequest(IOCTL_HOOK_START, nullptr, 0));
}

TEST(FirewallHookDriverWin, AServiceThatGoesAwayFailsEveryLaterRequest) {
    PipeServer server([](const std::vector<uint8_t>& request) {
        // Drops the connection at the clear code, without answering it.
        return request == EncodeHookRequest(IOCTL_HOOK_CLEAR_RULES, nullptr, 0)
                   ? std::nullopt
                   : std::optional<std::vector<uint8_t>>(Reply(0));
    });
    ASSERT_TRUE(server.Ready());
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    ASSERT_TRUE(driver.OpenDevice(server.path));
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), 0);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), -9);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_STOP, nullptr, 0), -9);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(FirewallHookDriverWin, ARestartedServiceIsFoundAgainAndTheRequestRepeated) {
    auto answerAll = [](const std::vector<uint8_t>&) {
        return std::optional<std::vector<uint8_t>>(Reply(0));
    };
    std::optional<PipeServer> second;  // outlives the driver, which must hang up first
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    std::string path;
    {
        // Goes away at the stop code without answering it.
        PipeServer first([](const std::vector<uint8_t>& request) {
            return request == EncodeHookRequest(IOCTL_HOOK_STOP, nullptr, 0)
                       ? std::nullopt
                       : std::optional<std::vector<uint8_t>>(Reply(0));
        });
        ASSERT_TRUE(first.Ready());
        path = first.path;
        ASSERT_TRUE(driver.OpenDevice(path));
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), 0);
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_STOP, nullptr, 0), -9) << "nobody listens";
    }

    second.emplace(answerAll, path);
    ASSERT_TRUE(second->Ready());
    const HookTimeBytes time = EncodeHookTime(60);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_SET_REMAINING, time.data(), kHookTimeSize), 0);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), 0);
    const std::vector<std::vector<uint8_t>> requests = second->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], EncodeHookRequest(IOCTL_HOOK_SET_REMAINING, time.data(), kHookTimeSize));
}

// While the service is down anyone may create a pipe of its name: the program
// talks only to the process the service manager names for the service.
TEST(FirewallHookDriverWin, APipeOfTheServicesNameFromAnotherProcessIsRefused) {
    PipeServer imposter(
        [](const std::vector<uint8_t>&) { return std::optional<std::vector<uint8_t>>(Reply(0)); },
        kHookPipePath);
    ASSERT_TRUE(imposter.Ready());
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    EXPECT_FALSE(driver.OpenDevice());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(imposter.Requests().empty());
}

// A reply past the timeout must not answer the next request: that one goes
// over a new connection.
TEST(FirewallHookDriverWin, AReplyThatDoesNotComeInTimeIsAFailureAndAnswersNothingElse) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The start is refused, late; everything else is accepted at once.
    PipeServer server(
        [&](const std::vector<uint8_t>& request) {
            if (request != EncodeHookRequest(IOCTL_HOOK_START, nullptr, 0))
                return std::optional<std::vector<uint8_t>>(Reply(0));
            ::WaitForSingleObject(release, 60000);
            return std::optional<std::vector<uint8_t>>(Reply(1));
        },
        PipeServer::FreshPath(), true);
    ASSERT_TRUE(server.Ready());
    Win32ServicePipe pipe;
    pipe.replyTimeout = 200;
    {
        ServiceConnection connection(pipe);
        CFirewallHookDriver driver(SystemDriverPlatform(), connection);
        ASSERT_TRUE(driver.OpenDevice(server.path));
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), 0);
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), -9);
        ::SetEvent(release);
        ::Sleep(100);  // the late refusal is on its way
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_STOP, nullptr, 0), 0);
        EXPECT_EQ(server.connections, 2);
    }
    EXPECT_TRUE(server.WaitForClientGone());
    ::CloseHandle(release);
}

TEST(FirewallHookDriverWin, OnlyAMessagePipeOpensAndTheDestructorLetsGo) {
    // An ordinary file is no pipe: it cannot be put in message mode.
    const std::string path = e2e::FreshFolder("hook-file") + "not-a-pipe";
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    ServiceConnection fileConnection(SystemServicePipe());
    CFirewallHookDriver notAPipe(SystemDriverPlatform(), fileConnection);
    EXPECT_FALSE(notAPipe.OpenDevice(path));
    EXPECT_TRUE(::DeleteFileA(path.c_str())) << "and is not left open";

    PipeServer server(
        [](const std::vector<uint8_t>&) { return std::optional<std::vector<uint8_t>>(Reply(0)); });
    ASSERT_TRUE(server.Ready());
    {
        ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
        ASSERT_TRUE(driver.OpenDevice(server.path));
        EXPECT_TRUE(driver.OpenDevice(server.path)) << "already open";
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), 0);
        EXPECT_FALSE(server.clientGone);
    }
    EXPECT_TRUE(server.WaitForClientGone());
}

TEST(FirewallHookDriverWin, ServiceStateFromTheServiceManager) {
    // A service that exists but does not run; its program need not exist.
    const char* name = "HushwallFilterStateTest";
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = ::CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                         SERVICE_ERROR_IGNORE, "C:\\windows\\no-such-service.exe",
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr) << ::GetLastError();
    EXPECT_EQ(QueryFilterServiceState(name), FilterServiceState::NotRunning);
    EXPECT_TRUE(::DeleteService(service));
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    EXPECT_EQ(QueryFilterServiceState(name), FilterServiceState::NotInstalled);
}

TEST(FirewallHookDriverWin, AServiceThatDoesNotExistCannotBeStopped) {
    ServiceConnection connection(SystemServicePipe());
    CFirewallHookDriver driver(SystemDriverPlatform(), connection);
    driver.serviceName = "HushwallHookTestMissing";
    driver.running = true;
    EXPECT_EQ(driver.StopDriver(), -2);
    EXPECT_TRUE(driver.running);
    EXPECT_EQ(driver.UnloadDriver(true), -2);
    driver.running = false;
}

TEST(SessionLogWin, TextModeWritesCrLfAndAppends) {
    const std::string folder = e2e::FreshFolder("session-log");
    WriteSessionLog(folder, {Address(10, 0, 0, 1), Address(172, 16, 0, 254)});
    const std::string first =
        "\r\nNew Session Log\r\n\r\n10.0.0.1\r\n172.16.0.254\r\n\r\nEnd Session Log\r\n";
    EXPECT_EQ(ReadBytes(folder + "default.log"), first);
    WriteSessionLog(folder, {});
    EXPECT_EQ(ReadBytes(folder + "default.log"),
              first + "\r\nNew Session Log\r\n\r\n\r\nEnd Session Log\r\n");
}

TEST(SessionLogWin, AFolderThatCannotHoldTheFileIsSkipped) {
    const std::string folder = e2e::FreshFolder("session-log-missing") + "missing\\";
    WriteSessionLog(folder, {Address(10, 0, 0, 1)});
    EXPECT_EQ(::GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
