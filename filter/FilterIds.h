#pragma once
#include <array>
#include <cstdint>

// GUIDs of the filtering platform's layers and conditions, which MinGW-w64's
// headers leave out, and the keys of our own provider and sublayer. A wrong
// value compiles and then filters nothing, so each one is pinned by a test.
struct FilterGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    std::array<uint8_t, 8> data4;
};

inline bool operator==(const FilterGuid& a, const FilterGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && a.data4 == b.data4;
}
inline bool operator!=(const FilterGuid& a, const FilterGuid& b) { return !(a == b); }

// c38d57d1-05a7-4c33-904f-7fbceee60e82
constexpr FilterGuid kLayerAleAuthConnectV4 = {
    0xc38d57d1, 0x05a7, 0x4c33, {0x90, 0x4f, 0x7f, 0xbc, 0xee, 0xe6, 0x0e, 0x82}};
// 4a72393b-319f-44bc-84c3-ba54dcb3b6b4
constexpr FilterGuid kLayerAleAuthConnectV6 = {
    0x4a72393b, 0x319f, 0x44bc, {0x84, 0xc3, 0xba, 0x54, 0xdc, 0xb3, 0xb6, 0xb4}};
// e1cd9fe7-f4b5-4273-96c0-592e487b8650
constexpr FilterGuid kLayerAleAuthRecvAcceptV4 = {
    0xe1cd9fe7, 0xf4b5, 0x4273, {0x96, 0xc0, 0x59, 0x2e, 0x48, 0x7b, 0x86, 0x50}};
// a3b42c97-9f04-4672-b87e-cee9c483257f
constexpr FilterGuid kLayerAleAuthRecvAcceptV6 = {
    0xa3b42c97, 0x9f04, 0x4672, {0xb8, 0x7e, 0xce, 0xe9, 0xc4, 0x83, 0x25, 0x7f}};

// d9ee00de-c1ef-4617-bfe3-ffd8f5a08957
constexpr FilterGuid kConditionIpLocalAddress = {
    0xd9ee00de, 0xc1ef, 0x4617, {0xbf, 0xe3, 0xff, 0xd8, 0xf5, 0xa0, 0x89, 0x57}};
// b235ae9a-1d64-49b8-a44c-5ff3d9095045
constexpr FilterGuid kConditionIpRemoteAddress = {
    0xb235ae9a, 0x1d64, 0x49b8, {0xa4, 0x4c, 0x5f, 0xf3, 0xd9, 0x09, 0x50, 0x45}};
// 3971ef2b-623e-4f9a-8cb1-6e79b806b9a7
constexpr FilterGuid kConditionIpProtocol = {
    0x3971ef2b, 0x623e, 0x4f9a, {0x8c, 0xb1, 0x6e, 0x79, 0xb8, 0x06, 0xb9, 0xa7}};
// 0c1ba1af-5765-453f-af22-a8f791ac775b
constexpr FilterGuid kConditionIpLocalPort = {
    0x0c1ba1af, 0x5765, 0x453f, {0xaf, 0x22, 0xa8, 0xf7, 0x91, 0xac, 0x77, 0x5b}};
// c35a604d-d22b-4e1a-91b4-68f674ee674b
constexpr FilterGuid kConditionIpRemotePort = {
    0xc35a604d, 0xd22b, 0x4e1a, {0x91, 0xb4, 0x68, 0xf6, 0x74, 0xee, 0x67, 0x4b}};

// af043a0a-b34d-4f86-979c-c90371af6e66: the user of the socket's process,
// matched against a security descriptor that names the users it covers.
constexpr FilterGuid kConditionAleUserId = {
    0xaf043a0a, 0xb34d, 0x4f86, {0x97, 0x9c, 0xc9, 0x03, 0x71, 0xaf, 0x6e, 0x66}};

// Ours, fixed so that a restarted service (or --uninstall) finds what an
// earlier run left behind.
// 5f3c9a2e-7d41-4b8e-9c06-1e2a4b6d8f10
constexpr FilterGuid kHushwallProvider = {
    0x5f3c9a2e, 0x7d41, 0x4b8e, {0x9c, 0x06, 0x1e, 0x2a, 0x4b, 0x6d, 0x8f, 0x10}};
// 8a1d2c3b-4e5f-4a6b-8c7d-9e0f1a2b3c4d
constexpr FilterGuid kHushwallSublayer = {
    0x8a1d2c3b, 0x4e5f, 0x4a6b, {0x8c, 0x7d, 0x9e, 0x0f, 0x1a, 0x2b, 0x3c, 0x4d}};

// Sublayers are evaluated from the highest weight down; ours sits near the top
// so that a block of ours is not overridden by a permit of a lower sublayer.
constexpr uint16_t kHushwallSublayerWeight = 0xF000;

// The documented object flags the headers leave out.
constexpr uint32_t kProviderFlagPersistent = 1;
constexpr uint32_t kSublayerFlagPersistent = 1;
constexpr uint32_t kFilterFlagPersistent = 1;
