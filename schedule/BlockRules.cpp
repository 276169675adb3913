#include "schedule/BlockRules.h"

#include "lists/ListFile.h"
#include "lists/Profiles.h"

const char* RefuseBlock(const ScheduleBlock& block) {
    if ((block.days & kEveryDay) == 0)
        return kNoDayMessage;
    if (block.fromMinute == block.toMinute)
        return kSameTimesMessage;
    if (block.programs.empty() && block.websites.empty())
        return kEmptyBlockMessage;
    return nullptr;
}

void TakeCheckedEntries(const EntryList& programs, const EntryList& websites,
                        ScheduleBlock& block) {
    block.programs = CheckedEntries(programs);
    block.websites = CheckedEntries(websites);
}

const char* TakeProfileEntries(const std::string& profilePath, ScheduleBlock& block) {
    if (!IsProfilePath(profilePath))
        return kNoProfileMessage;
    EntryList programs, websites;
    if (!LoadEntryList(ProfileProgramsPath(profilePath), programs))
        return kLoadProgramsError;
    if (!LoadEntryList(ProfileWebsitesPath(profilePath), websites))
        return kLoadWebsitesError;
    TakeCheckedEntries(programs, websites, block);
    return nullptr;
}
