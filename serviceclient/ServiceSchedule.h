#pragma once
#include "schedule/ScheduleBlock.h"
#include "serviceclient/ServiceConnection.h"

// The copy of the schedule the filter service keeps for this user, where the
// user cannot change it: the service decides how a change takes effect.
class ServiceSchedule {
public:
    explicit ServiceSchedule(ServiceConnection& connection) : m_connection(connection) {}

    enum class Kept {
        Some,         // `out` holds the service's copy
        None,         // the service keeps no schedule for this user yet
        Unavailable,  // no service, or no whole answer from it
        Unknown,      // an older service, which knows no schedule codes
    };
    Kept Fetch(Schedule& out);
    // Hands the schedule over in pieces; true once the service took it.
    bool Submit(const Schedule& schedule);

private:
    ServiceConnection& m_connection;
};
