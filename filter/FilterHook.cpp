#include "filter/FilterHook.h"

#include <algorithm>
#include <map>

namespace {

// The family and the record with its padding zeroed, so that records that
// differ only where the hook ignores them count as the same rule.
std::string HeldKey(const StoredRule& rule) {
    if (rule.ipv6) {
        const HookRule6Bytes b = EncodeHookRule6(DecodeHookRule6(rule.rule6));
        return "6" + std::string(b.begin(), b.end());
    }
    const HookRuleBytes b = EncodeHookRule(DecodeHookRule(rule.rule));
    return "4" + std::string(b.begin(), b.end());
}

}  // namespace

bool FilterHook::Recover() {
    std::vector<EnumeratedFilter> filters;
    if (!m_engine.EnumerateOurFilters(&filters))
        return false;
    std::map<uint32_t, StoredRule> byNumber;
    for (const EnumeratedFilter& f : filters) {
        const std::string user = ProviderDataUser(f.providerData);
        if (m_user.empty() && IsSidString(user))
            m_user = user;
        // A rule this build refuses (left by an older one) is not taken back.
        auto rule = DecodeProviderData(f.providerData);
        if (rule && FiltersForRule(*rule))
            byNumber.emplace(rule->number, *rule);
    }
    m_rules.clear();
    m_held.clear();
    for (const auto& entry : byNumber) {
        if (m_rules.size() == m_maxRules)
            break;
        if (m_held.insert(HeldKey(entry.second)).second)
            m_rules.push_back(entry.second);
    }
    m_nextNumber = byNumber.empty() ? 0 : byNumber.rbegin()->first + 1;
    // Filters of ours exist only while started, whatever their data says.
    m_started = !filters.empty();
    // An earlier build may have laid them out otherwise (or blocked what this
    // one refuses): rebuild them as this build does. Without their user they
    // stay as they are until the clear.
    return !m_started || m_user.empty() || Apply(true, m_rules);
}

bool FilterHook::AddRule(const HookRuleBytes& rule) {
    StoredRule stored;
    stored.rule = rule;
    return Add(stored);
}

bool FilterHook::AddRule6(const HookRule6Bytes& rule) {
    StoredRule stored;
    stored.ipv6 = true;
    stored.rule6 = rule;
    return Add(stored);
}

bool FilterHook::Add(const StoredRule& candidate) {
    StoredRule rule = candidate;
    rule.number = m_nextNumber;
    if (!FiltersForRule(rule))
        return false;
    const std::string key = HeldKey(rule);
    if (m_held.count(key))
        return true;
    if (m_rules.size() >= m_maxRules)
        return false;
    if (m_started && !Install({rule}))
        return false;
    m_rules.push_back(rule);
    m_held.insert(key);
    ++m_nextNumber;
    return true;
}

bool FilterHook::SetUser(const std::string& sid) {
    if (!IsSidString(sid))
        return false;
    if (sid == m_user)
        return true;
    const std::string before = m_user;
    m_user = sid;
    if (m_started && !m_rules.empty() && !Apply(true, m_rules)) {
        m_user = before;
        return false;
    }
    return true;
}

bool FilterHook::Start() {
    if (m_started)
        return true;
    if (!Install(m_rules))
        return false;
    m_started = true;
    return true;
}

bool FilterHook::Stop() {
    if (!RemoveOurFilters())
        return false;
    m_started = false;
    return true;
}

bool FilterHook::Clear() {
    if (!RemoveOurFilters())
        return false;
    m_rules.clear();
    m_held.clear();
    m_nextNumber = 0;
    return true;
}

bool FilterHook::Install(const std::vector<StoredRule>& rules) {
    return rules.empty() || Apply(false, rules);
}

bool FilterHook::RemoveOurFilters() {
    return Apply(true, {});
}

// One transaction, so that a failure leaves the filters as they were. Removal
// goes by provider, not by what we remember: this also finds filters of an
// earlier run, and never touches another provider's.
bool FilterHook::Apply(bool removeOurs, const std::vector<StoredRule>& add) {
    if (!add.empty() && m_user.empty())
        return false;
    if (!m_engine.BeginTransaction())
        return false;
    std::vector<EnumeratedFilter> filters;
    if (removeOurs && !m_engine.EnumerateOurFilters(&filters)) {
        m_engine.AbortTransaction();
        return false;
    }
    for (const EnumeratedFilter& f : filters) {
        if (!m_engine.DeleteFilter(f.id)) {
            m_engine.AbortTransaction();
            return false;
        }
    }
    for (const StoredRule& rule : add) {
        const auto descriptions = FiltersForRule(rule);
        if (!descriptions) {
            m_engine.AbortTransaction();
            return false;
        }
        for (FilterDescription filter : *descriptions) {
            filter.providerData.insert(filter.providerData.end(), m_user.begin(), m_user.end());
            uint64_t id = 0;
            if (!m_engine.AddFilter(filter, m_user, &id)) {
                m_engine.AbortTransaction();
                return false;
            }
        }
    }
    return Commit();
}

// A failed commit leaves the transaction open, and the session can hold only
// one: without the abort every later begin would fail.
bool FilterHook::Commit() {
    if (m_engine.CommitTransaction())
        return true;
    m_engine.AbortTransaction();
    return false;
}
