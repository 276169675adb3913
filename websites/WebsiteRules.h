#pragma once
#include <string>
#include <vector>

// Why a website cannot be added; null when it can. URLs are compared as typed,
// letter case aside: with and without a scheme they are different entries.
const char* RefuseNewWebsite(const std::string& url, const std::vector<std::string>& listedUrls);

constexpr const char* kNoUrlMessage = "No URL specified.\nPlease specify a URL.";
constexpr const char* kListedUrlMessage =
    "The specified website URL is already in the list.\nPlease specify another website URL.";
constexpr const char* kNoWebsiteToDeleteMessage =
    "No website selected.\nPlease select at least one website before deletion.";

// What the service control manager says of the filter service.
enum class FilterServiceState { NotInstalled, NotRunning, Running, Unknown };

// The Websites page's line when the filter service's pipe did not open.
const char* WebsiteBlockingUnavailableText(FilterServiceState state);
