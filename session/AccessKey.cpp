#include "session/AccessKey.h"

#include "base/Text.h"

std::string GenerateKey(const std::function<int()>& next) {
    std::string key;
    for (int i = 0; i < kAccessKeyLength; ++i) {
        int r = next() % 36;
        key += static_cast<char>(r < 10 ? '0' + r : 'A' + (r - 10));
    }
    return key;
}

bool KeyMatches(const std::string& typed, const std::string& key) {
    // The key is plain ASCII, so folding ASCII letters is all a comparison needs.
    return PathsEqualNoCase(typed, key);
}
