#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "filter/FilterEngine.h"

// The hook behind the control codes: rules are kept until cleared, filters
// exist only while the hook is started, and every change of filters happens in
// one transaction, so a failure leaves the filters as they were.
constexpr size_t kMaxHookRules = 65536;

class FilterHook {
public:
    explicit FilterHook(FilterEngine& engine, size_t maxRules = kMaxHookRules)
        : m_engine(engine), m_maxRules(maxRules) {}

    // Rebuilds rules and the started state from the persistent filters an
    // earlier run left behind (it may have ended while started), and the
    // filters themselves from those rules.
    bool Recover();

    // A rule held already adds nothing and succeeds: the program sends all
    // its rules again each time it starts during a session.
    bool AddRule(const HookRuleBytes& rule);
    bool AddRule6(const HookRule6Bytes& rule);
    bool Start();
    bool Stop();
    bool Clear();

    // The user whose traffic the filters block, as a SID string: every filter
    // carries it, so a user's block never covers other users or the system's
    // services. Until one is set no filter is added. A new user while started
    // moves the filters to that user. False for text that is not a SID.
    bool SetUser(const std::string& sid);
    const std::string& user() const { return m_user; }

    bool started() const { return m_started; }
    size_t ruleCount() const { return m_rules.size(); }

private:
    bool Add(const StoredRule& rule);
    bool Install(const std::vector<StoredRule>& rules);
    bool RemoveOurFilters();
    bool Apply(bool removeOurs, const std::vector<StoredRule>& add);
    bool Commit();


    FilterEngine& m_engine;
    size_t m_maxRules;
    std::vector<StoredRule> m_rules;
    std::set<std::string> m_held;  // the records of m_rules, padding zeroed
    uint32_t m_nextNumber = 0;
    std::string m_user;
    bool m_started = false;
};
