#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "schedule/ScheduleFile.h"

// Properties: a refused file leaves the schedule empty; what is accepted is
// valid and within the caps; and the format has one spelling for each
// schedule, so encoding what was read gives back exactly the bytes read.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Schedule schedule(1);
    const char* bytes = reinterpret_cast<const char*>(data);
    if (DecodeSchedule(bytes, size, schedule) != ScheduleFileResult::Ok) {
        if (!schedule.empty())
            std::abort();
        return 0;
    }
    if (!ScheduleFits(schedule))
        std::abort();
    if (EncodeSchedule(schedule) != std::string(bytes, size))
        std::abort();
    return 0;
}
