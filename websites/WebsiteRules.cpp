#include "websites/WebsiteRules.h"

#include "base/Text.h"

const char* RefuseNewWebsite(const std::string& url, const std::vector<std::string>& listedUrls) {
    if (url.empty())
        return kNoUrlMessage;
    for (const std::string& listed : listedUrls)
        if (PathsEqualNoCase(listed, url))
            return kListedUrlMessage;
    return nullptr;
}

const char* WebsiteBlockingUnavailableText(FilterServiceState state) {
    switch (state) {
        case FilterServiceState::NotInstalled:
            return "Website blocking is unavailable: the Hushwall filter service is not "
                   "installed.";
        case FilterServiceState::NotRunning:
            return "Website blocking is unavailable: the Hushwall filter service is not running.";
        case FilterServiceState::Running:
            return "Website blocking is unavailable: the Hushwall filter service is running but "
                   "could not be reached.";
        case FilterServiceState::Unknown:
            break;
    }
    return "Website blocking is unavailable: the state of the Hushwall filter service could not "
           "be read.";
}
