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
