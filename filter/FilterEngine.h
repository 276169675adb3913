#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filter/FilterRules.h"

// The filtering calls the hook makes. The shipped service implements them over
// the filtering platform; tests use fakes or a recording engine.
struct EnumeratedFilter {
    uint64_t id = 0;
    std::vector<uint8_t> providerData;
};

class FilterEngine {
public:
    virtual ~FilterEngine() = default;
    // Our provider and sublayer; one that exists already counts as added.
    virtual bool AddProviderAndSublayer() = 0;
    virtual bool RemoveProviderAndSublayer() = 0;
    virtual bool BeginTransaction() = 0;
    virtual bool CommitTransaction() = 0;
    virtual void AbortTransaction() = 0;
    // `user` is the SID ("S-1-5-21-...") of the one user whose traffic the
    // filter matches; the engine refuses a filter without one.
    virtual bool AddFilter(const FilterDescription& filter, const std::string& user, uint64_t* id) = 0;
    virtual bool DeleteFilter(uint64_t id) = 0;
    // Every filter of our provider, and only those.
    virtual bool EnumerateOurFilters(std::vector<EnumeratedFilter>* filters) = 0;
};

// The engine this executable is built with; nothing, with the system's error
// code and a sentence saying why, when it cannot be opened.
std::unique_ptr<FilterEngine> OpenFilterEngine(uint32_t* error, std::string* why);
