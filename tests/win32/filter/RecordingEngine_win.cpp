// The engine of HushwallFilterTest.exe, the service as the Wine tests build it
// (the filtering platform does not run under Wine). It keeps filters in memory
// with real transactions and appends every call to HushwallFilterTest.journal
// beside the executable, one line each, for the tests to read:
//   <microseconds> open | provider add | provider remove | begin | commit | abort
//   <microseconds> add <id> <filter as DescribeFilter writes it> user=<SID> | delete <id>
// The stamp is the performance counter in microseconds, which every process of
// the machine shares, so a driver can time its own actions against the lines.
#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "filter/FilterEngine.h"

namespace {

std::wstring JournalPath() {
    wchar_t self[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring path(self, n);
    const size_t dot = path.rfind(L'.');
    return (dot == std::wstring::npos ? path : path.substr(0, dot)) + L".journal";
}

class RecordingEngine : public FilterEngine {
public:
    RecordingEngine() : m_journal(JournalPath()) { Note("open"); }

    bool AddProviderAndSublayer() override { return Note("provider add"); }
    bool RemoveProviderAndSublayer() override { return Note("provider remove"); }
    bool BeginTransaction() override {
        if (m_inTransaction)
            return false;
        m_inTransaction = true;
        m_adds.clear();
        m_deletes.clear();
        return Note("begin");
    }
    bool CommitTransaction() override {
        if (!m_inTransaction)
            return false;
        m_inTransaction = false;
        for (uint64_t id : m_deletes)
            m_filters.erase(id);
        for (const auto& entry : m_adds)
            m_filters.insert(entry);
        return Note("commit");
    }
    void AbortTransaction() override {
        m_inTransaction = false;
        Note("abort");
    }
    bool AddFilter(const FilterDescription& filter, const std::string& user, uint64_t* id) override {
        if (!m_inTransaction || user.empty())
            return false;
        *id = m_nextId++;
        m_adds[*id] = filter.providerData;
        return Note("add " + std::to_string(*id) + " " + DescribeFilter(filter) + " user=" + user);
    }
    bool DeleteFilter(uint64_t id) override {
        if (!m_inTransaction || (!m_filters.count(id) && !m_adds.count(id)))
            return false;
        m_deletes.insert(id);
        return Note("delete " + std::to_string(id));
    }
    bool EnumerateOurFilters(std::vector<EnumeratedFilter>* out) override {
        out->clear();
        std::map<uint64_t, std::vector<uint8_t>> all = m_filters;
        if (m_inTransaction) {
            all.insert(m_adds.begin(), m_adds.end());
            for (uint64_t id : m_deletes)
                all.erase(id);
        }
        for (const auto& entry : all)
            out->push_back({entry.first, entry.second});
        return true;
    }

private:
    bool Note(const std::string& line) {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        // In two parts, so that the product cannot overflow.
        const long long seconds = now.QuadPart / frequency.QuadPart;
        const long long micros = seconds * 1000000 +
                                 (now.QuadPart % frequency.QuadPart) * 1000000 / frequency.QuadPart;
        FILE* file = _wfopen(m_journal.c_str(), L"ab");
        if (file) {
            std::fprintf(file, "%lld %s\r\n", micros, line.c_str());
            std::fclose(file);
        }
        return true;
    }

    std::wstring m_journal;
    std::map<uint64_t, std::vector<uint8_t>> m_filters;
    std::map<uint64_t, std::vector<uint8_t>> m_adds;
    std::set<uint64_t> m_deletes;
    bool m_inTransaction = false;
    uint64_t m_nextId = 1;
};

}  // namespace

std::unique_ptr<FilterEngine> OpenFilterEngine(uint32_t*, std::string*) {
    return std::unique_ptr<FilterEngine>(new RecordingEngine());
}
