#include "serviceclient/ServiceSchedule.h"

#include <algorithm>
#include <string>

#include "schedule/ScheduleFile.h"

ServiceSchedule::Kept ServiceSchedule::Fetch(Schedule& out) {
    std::string whole;
    uint32_t total = 0;
    do {
        const uint32_t at = static_cast<uint32_t>(whole.size());
        const uint8_t offset[4] = {static_cast<uint8_t>(at), static_cast<uint8_t>(at >> 8),
                                   static_cast<uint8_t>(at >> 16), static_cast<uint8_t>(at >> 24)};
        const auto reply = m_connection.Exchange(IOCTL_HOOK_SCHEDULE_GET, offset, sizeof offset);
        if (reply && DecodeHookReply(reply->data(), reply->size()) == kHookStatusFailed)
            return Kept::Unknown;  // a bare refusal: the code itself was refused
        const auto data = reply ? DecodeHookDataReply(reply->data(), reply->size()) : std::nullopt;
        if (!data)
            return Kept::Unavailable;
        if (data->status != kHookStatusOk)
            return whole.empty() ? Kept::None : Kept::Unavailable;
        // The copy changed between two pieces, or a piece brought nothing.
        if ((!whole.empty() && data->total != total) || data->total > kMaxScheduleFileSize ||
            (data->data.empty() && data->total > 0))
            return Kept::Unavailable;
        total = data->total;
        whole.append(data->data.begin(), data->data.end());
    } while (whole.size() < total);
    Schedule schedule;
    if (whole.size() != total ||
        DecodeSchedule(whole.data(), whole.size(), schedule) != ScheduleFileResult::Ok)
        return Kept::Unavailable;
    out = std::move(schedule);
    return Kept::Some;
}

bool ServiceSchedule::Submit(const Schedule& schedule) {
    const std::string bytes = EncodeSchedule(schedule);
    for (size_t at = 0; at < bytes.size(); at += kHookMaxTextInput) {
        const size_t length = std::min(kHookMaxTextInput, bytes.size() - at);
        if (m_connection.Request(IOCTL_HOOK_SCHEDULE_PART, bytes.data() + at,
                                 static_cast<uint32_t>(length)) != kHookStatusOk)
            return false;
    }
    return m_connection.Request(IOCTL_HOOK_SCHEDULE_SET) == kHookStatusOk;
}
