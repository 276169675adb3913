#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

using Sha256Digest = std::array<uint8_t, 32>;

// SHA-256 of a stream of bytes fed in pieces. Portable, so both executables and
// the native tests compute the same digest without the system's crypto library.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // Ends the stream; the object is not fed again afterwards.
    Sha256Digest Final();

private:
    void Block(const uint8_t* block);

    uint32_t m_state[8];
    uint8_t m_buffer[64];
    size_t m_buffered = 0;
    uint64_t m_bytes = 0;
};
