#include "websites/AddressResolution.h"

// Placeholders from the documentation ranges (RFC 5737), owned by no one; a release
// replaces them with the operator's own list. "chatroom" begins with "chat" on purpose, so
// a chat-room name gets both rows; ".tv" also meets "tv." hosts once "www." is put in front.
const std::vector<FixedAddressRow>& FixedAddressTable() {
    static const std::vector<FixedAddressRow> table = {
        {"video",
         {{192, 0, 2, 1},
          {192, 0, 2, 2},
          {192, 0, 2, 3},
          {192, 0, 2, 4},
          {192, 0, 2, 5},
          {192, 0, 2, 6},
          {192, 0, 2, 7},
          {192, 0, 2, 8},
          {192, 0, 2, 9},
          {192, 0, 2, 10},
          {192, 0, 2, 11},
          {192, 0, 2, 12},
          {192, 0, 2, 13},
          {192, 0, 2, 14},
          {192, 0, 2, 15},
          {192, 0, 2, 16},
          {192, 0, 2, 17},
          {192, 0, 2, 18}}},
        {"chat", {{198, 51, 100, 1}, {198, 51, 100, 2}, {198, 51, 100, 3}, {198, 51, 100, 4}}},
        {"chatroom",
         {{198, 51, 100, 11},
          {198, 51, 100, 12},
          {198, 51, 100, 13},
          {198, 51, 100, 14},
          {198, 51, 100, 15}}},
        {"game", {{203, 0, 113, 1}, {203, 0, 113, 2}}},
        {".tv", {{203, 0, 113, 11}, {203, 0, 113, 12}}},
    };
    return table;
}
