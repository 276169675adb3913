// The filtering engine of the shipped service: the filtering platform's
// management API (fwpuclnt.dll). Every structure, flag and GUID used here was
// checked against the platform's documentation; none of it runs under Wine.
#include <windows.h>
#include <fwpmu.h>
#include <rpcdce.h>
#include <sddl.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "filter/FilterEngine.h"

namespace {

// MinGW declares FWPM_SUBLAYER0.flags as 16 bits where the platform has 32;
// the layout agrees only because the next member (a pointer, aligned to 4 on
// x86 and 8 on x64) leaves at least 32 bits of room, and the upper half is
// then padding that must be zero. So every structure handed to the platform is
// zeroed byte for byte before it is filled.
static_assert(offsetof(FWPM_SUBLAYER0, providerKey) >= offsetof(FWPM_SUBLAYER0, flags) + 4,
              "sublayer flags need 32 bits of room");

template <typename T>
void Zero(T& value) {
    std::memset(&value, 0, sizeof value);
}

GUID ToGuid(const FilterGuid& g) {
    GUID out;
    Zero(out);
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    for (int i = 0; i < 8; ++i)
        out.Data4[i] = g.data4[i];
    return out;
}

const FilterLayer kOurLayers[] = {FilterLayer::ConnectV4, FilterLayer::RecvAcceptV4,
                                  FilterLayer::ConnectV6, FilterLayer::RecvAcceptV6};

class WfpEngine : public FilterEngine {
public:
    explicit WfpEngine(HANDLE engine) : m_engine(engine), m_provider(ToGuid(kHushwallProvider)) {}
    ~WfpEngine() override { FwpmEngineClose0(m_engine); }

    bool AddProviderAndSublayer() override {
        FWPM_PROVIDER0 provider;
        Zero(provider);
        provider.providerKey = m_provider;
        provider.displayData.name = const_cast<wchar_t*>(L"Hushwall");
        provider.displayData.description = const_cast<wchar_t*>(L"Website blocking of Hushwall");
        provider.flags = kProviderFlagPersistent;
        DWORD result = FwpmProviderAdd0(m_engine, &provider, nullptr);
        if (result != ERROR_SUCCESS && result != static_cast<DWORD>(FWP_E_ALREADY_EXISTS))
            return false;

        FWPM_SUBLAYER0 sublayer;
        Zero(sublayer);
        sublayer.subLayerKey = ToGuid(kHushwallSublayer);
        sublayer.displayData.name = const_cast<wchar_t*>(L"Hushwall");
        sublayer.displayData.description = const_cast<wchar_t*>(L"Blocked websites of a Hushwall session");
        sublayer.flags = kSublayerFlagPersistent;
        sublayer.providerKey = &m_provider;
        sublayer.weight = kHushwallSublayerWeight;
        result = FwpmSubLayerAdd0(m_engine, &sublayer, nullptr);
        return result == ERROR_SUCCESS || result == static_cast<DWORD>(FWP_E_ALREADY_EXISTS);
    }

    // Filters naming them must be gone first (the caller clears before this).
    bool RemoveProviderAndSublayer() override {
        const GUID sublayer = ToGuid(kHushwallSublayer);
        DWORD result = FwpmSubLayerDeleteByKey0(m_engine, &sublayer);
        if (result != ERROR_SUCCESS && result != static_cast<DWORD>(FWP_E_SUBLAYER_NOT_FOUND))
            return false;
        result = FwpmProviderDeleteByKey0(m_engine, &m_provider);
        return result == ERROR_SUCCESS || result == static_cast<DWORD>(FWP_E_PROVIDER_NOT_FOUND);
    }

    bool BeginTransaction() override { return FwpmTransactionBegin0(m_engine, 0) == ERROR_SUCCESS; }
    bool CommitTransaction() override { return FwpmTransactionCommit0(m_engine) == ERROR_SUCCESS; }
    void AbortTransaction() override { FwpmTransactionAbort0(m_engine); }

    bool AddFilter(const FilterDescription& d, const std::string& user, uint64_t* id) override {
        // The user condition matches when the descriptor grants the socket's
        // user FWP_ACTRL_MATCH_FILTER ("CC"); it must be self-relative.
        if (user.empty())
            return false;
        const std::wstring sddl = L"D:(A;;CC;;;" + std::wstring(user.begin(), user.end()) + L")";
        PSECURITY_DESCRIPTOR sd = nullptr;
        ULONG sdSize = 0;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                  &sd, &sdSize))
            return false;
        FWP_BYTE_BLOB sdBlob;
        Zero(sdBlob);
        sdBlob.size = sdSize;
        sdBlob.data = static_cast<UINT8*>(sd);

        // The platform reads the values through pointers; keep them alive here.
        std::vector<FWP_V4_ADDR_AND_MASK> v4(d.conditions.size());
        std::vector<FWP_V6_ADDR_AND_MASK> v6(d.conditions.size());
        std::vector<FWPM_FILTER_CONDITION0> conditions(d.conditions.size() + 1);
        for (size_t i = 0; i < d.conditions.size(); ++i) {
            const FilterCondition& c = d.conditions[i];
            FWPM_FILTER_CONDITION0& out = conditions[i];
            Zero(out);
            Zero(v4[i]);
            Zero(v6[i]);
            out.fieldKey = ToGuid(FieldKey(c.field));
            out.matchType = FWP_MATCH_EQUAL;
            switch (c.kind) {
            case FilterCondition::Kind::V4AddressMask:
                v4[i].addr = c.v4Address;  // host byte order
                v4[i].mask = c.v4Mask;
                out.conditionValue.type = FWP_V4_ADDR_MASK;
                out.conditionValue.v4AddrMask = &v4[i];
                break;
            case FilterCondition::Kind::V6AddressPrefix:
                for (int b = 0; b < 16; ++b)
                    v6[i].addr[b] = c.v6Address[b];
                v6[i].prefixLength = c.v6Prefix;
                out.conditionValue.type = FWP_V6_ADDR_MASK;
                out.conditionValue.v6AddrMask = &v6[i];
                break;
            case FilterCondition::Kind::Uint8:
                out.conditionValue.type = FWP_UINT8;
                out.conditionValue.uint8 = static_cast<UINT8>(c.number);
                break;
            case FilterCondition::Kind::Uint16:
                out.conditionValue.type = FWP_UINT16;
                out.conditionValue.uint16 = c.number;
                break;
            }
        }
        FWPM_FILTER_CONDITION0& byUser = conditions.back();
        Zero(byUser);
        byUser.fieldKey = ToGuid(kConditionAleUserId);
        byUser.matchType = FWP_MATCH_EQUAL;
        byUser.conditionValue.type = FWP_SECURITY_DESCRIPTOR_TYPE;
        byUser.conditionValue.sd = &sdBlob;
        std::vector<UINT8> data(d.providerData.begin(), d.providerData.end());
        GUID provider = ToGuid(d.provider);

        FWPM_FILTER0 filter;
        Zero(filter);
        filter.displayData.name =
            const_cast<wchar_t*>(d.block ? L"Hushwall website block" : L"Hushwall website permit");
        filter.flags = d.flags;
        filter.providerKey = &provider;
        filter.providerData.size = static_cast<UINT32>(data.size());
        filter.providerData.data = data.empty() ? nullptr : data.data();
        filter.layerKey = ToGuid(LayerKey(d.layer));
        filter.subLayerKey = ToGuid(d.sublayer);
        filter.weight.type = FWP_UINT8;  // 0..15, the high bits of the effective weight
        filter.weight.uint8 = d.weight;
        filter.numFilterConditions = static_cast<UINT32>(conditions.size());
        filter.filterCondition = conditions.data();
        filter.action.type = d.block ? FWP_ACTION_BLOCK : FWP_ACTION_PERMIT;
        UINT64 filterId = 0;
        const DWORD added = FwpmFilterAdd0(m_engine, &filter, nullptr, &filterId);
        LocalFree(sd);
        if (added != ERROR_SUCCESS)
            return false;
        *id = filterId;
        return true;
    }

    bool DeleteFilter(uint64_t id) override {
        return FwpmFilterDeleteById0(m_engine, id) == ERROR_SUCCESS;
    }

    // The enumeration template names one layer, so we ask layer by layer, and
    // check the provider of each answer again.
    bool EnumerateOurFilters(std::vector<EnumeratedFilter>* out) override {
        out->clear();
        for (FilterLayer layer : kOurLayers) {
            FWPM_FILTER_ENUM_TEMPLATE0 t;
            Zero(t);
            t.providerKey = &m_provider;
            t.layerKey = ToGuid(LayerKey(layer));
            t.enumType = FWP_FILTER_ENUM_OVERLAPPING;
            t.actionMask = 0xFFFFFFFF;
            HANDLE handle = nullptr;
            if (FwpmFilterCreateEnumHandle0(m_engine, &t, &handle) != ERROR_SUCCESS)
                return false;
            bool ok = true;
            for (;;) {
                FWPM_FILTER0** entries = nullptr;
                UINT32 count = 0;
                if (FwpmFilterEnum0(m_engine, handle, 256, &entries, &count) != ERROR_SUCCESS) {
                    ok = false;
                    break;
                }
                for (UINT32 i = 0; i < count; ++i) {
                    const FWPM_FILTER0* f = entries[i];
                    if (!f->providerKey || !IsEqualGUID(*f->providerKey, m_provider))
                        continue;
                    EnumeratedFilter e;
                    e.id = f->filterId;
                    if (f->providerData.data)
                        e.providerData.assign(f->providerData.data,
                                              f->providerData.data + f->providerData.size);
                    out->push_back(e);
                }
                if (entries)
                    FwpmFreeMemory0(reinterpret_cast<void**>(&entries));
                if (count < 256)
                    break;
            }
            FwpmFilterDestroyEnumHandle0(m_engine, handle);
            if (!ok)
                return false;
        }
        return true;
    }

private:
    HANDLE m_engine;
    GUID m_provider;
};

}  // namespace

std::unique_ptr<FilterEngine> OpenFilterEngine(uint32_t* error, std::string* why) {
    // Not a dynamic session: persistent objects cannot be added from one.
    FWPM_SESSION0 session;
    Zero(session);
    session.displayData.name = const_cast<wchar_t*>(L"Hushwall filter service");
    HANDLE engine = nullptr;
    const DWORD result = FwpmEngineOpen0(nullptr, RPC_C_AUTHN_WINNT, nullptr, &session, &engine);
    if (result != ERROR_SUCCESS) {
        *error = result;
        *why = "the filtering engine could not be opened (FwpmEngineOpen0 returned " +
               std::to_string(result) + ")";
        return nullptr;
    }
    return std::unique_ptr<FilterEngine>(new WfpEngine(engine));
}
