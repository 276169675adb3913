#include "filter/HostsBlock.h"

#include "filter/HostsSection.h"

bool HostsBlock::Recover(bool shown) {
    std::string text;
    if (shown && m_store.Read(&text) == HostsStore::ReadResult::Ok) {
        for (const std::string& name : StripHostsSection(text).names)
            Add(name);
    }
    m_shown = shown;
    return Apply();
}

bool HostsBlock::Add(const std::string& text) {
    const auto name = NormalizeHostName(text);
    if (!name)
        return false;
    if (m_held.count(*name))
        return true;
    if (m_names.size() >= m_maxNames)
        return false;
    m_names.push_back(*name);
    m_held.insert(*name);
    if (m_shown)
        Apply();
    return true;
}

bool HostsBlock::Show() {
    m_shown = true;
    return Apply();
}

bool HostsBlock::Hide() {
    m_shown = false;
    return Apply();
}

// Like the rules: forgotten, while the started state stays as it was.
bool HostsBlock::Clear() {
    m_names.clear();
    m_held.clear();
    return Apply();
}

bool HostsBlock::Check() {
    const uint64_t now = m_clock.Milliseconds();
    if (m_checked && now - m_lastCheck < kHostsCheckMs)
        return !m_dirty;
    m_checked = true;
    m_lastCheck = now;
    if (!m_dirty && m_store.Stamp() == m_stamp)
        return true;
    return Apply();
}

// Never writes what it could not read: an unreadable file is left alone.
bool HostsBlock::Apply() {
    m_dirty = true;
    std::string text;
    const HostsStore::ReadResult read = m_store.Read(&text);
    if (read == HostsStore::ReadResult::Failed)
        return false;
    const bool exists = read == HostsStore::ReadResult::Ok;
    const StrippedHosts stripped = StripHostsSection(text);
    const bool wanted = m_shown && !m_names.empty();
    bool changed = false;
    if (wanted) {
        const auto desired = WithHostsSection(stripped.text, m_names, stripped.created || !exists);
        if (!desired)
            return false;
        if (!exists || *desired != text) {
            if (!m_store.Write(*desired))
                return false;
            changed = true;
        }
    } else if (exists && stripped.text != text) {
        // A file that only our section made goes with it.
        if (!(stripped.created && stripped.text.empty() ? m_store.Delete()
                                                        : m_store.Write(stripped.text)))
            return false;
        changed = true;
    }
    if (changed)
        m_store.FlushResolverCache();
    m_stamp = m_store.Stamp();
    m_dirty = false;
    return true;
}
