#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/Sha256.h"

namespace {

std::string Hex(const Sha256Digest& digest) {
    char hex[65];
    for (size_t i = 0; i < digest.size(); ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

// The standard's vectors, and lengths on both sides of the padding's boundary;
// fed whole and in odd pieces that straddle the blocks.
TEST(Sha256, StandardVectorsWholeAndInPieces) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
         "opqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        Sha256 whole;
        whole.Update(c.message.data(), c.message.size());
        EXPECT_EQ(Hex(whole.Final()), c.digest) << c.message.size() << " bytes whole";
        Sha256 pieces;
        for (size_t at = 0; at < c.message.size(); at += 7)
            pieces.Update(c.message.data() + at, std::min<size_t>(7, c.message.size() - at));
        EXPECT_EQ(Hex(pieces.Final()), c.digest) << c.message.size() << " bytes in pieces";
    }
}

}  // namespace
