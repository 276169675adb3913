#include "schedule/BlockRules.h"

#include <utility>

#include "lists/ListFile.h"
#include "lists/Profiles.h"

namespace {

// The ticked entries of a saved profile's two lists.
const char* ReadProfile(const std::string& path, EntryList& programs, EntryList& websites) {
    if (!IsProfilePath(path))
        return kNoProfileMessage;
    if (!LoadEntryList(ProfileProgramsPath(path), programs))
        return kLoadProgramsError;
    if (!LoadEntryList(ProfileWebsitesPath(path), websites))
        return kLoadWebsitesError;
    return nullptr;
}

}  // namespace

const char* BuildBlock(const BlockForm& form, ScheduleBlock& block) {
    if ((form.days & kEveryDay) == 0)
        return kNoDayMessage;
    if (form.fromMinute == form.toMinute)
        return kSameTimesMessage;

    ScheduleBlock made = block;
    switch (form.lists) {
        case BlockLists::Pages:
            made.programs = CheckedEntries(form.pagePrograms);
            made.websites = CheckedEntries(form.pageWebsites);
            break;
        case BlockLists::Profile: {
            EntryList programs, websites;
            if (const char* problem = ReadProfile(form.profilePath, programs, websites))
                return problem;
            made.programs = CheckedEntries(programs);
            made.websites = CheckedEntries(websites);
            break;
        }
        case BlockLists::Own:
            break;
    }
    if (made.programs.empty() && made.websites.empty())
        return kEmptyBlockMessage;
    made.days = form.days & kEveryDay;
    made.fromMinute = form.fromMinute;
    made.toMinute = form.toMinute;
    // A saved block is in force; whether its old self lingers is the schedule's business.
    made.until = 0;
    block = std::move(made);
    return nullptr;
}
