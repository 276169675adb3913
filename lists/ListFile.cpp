#include "lists/ListFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "lists/FileReplace.h"

namespace {

const uint32_t kMagic = 0x000D0DBF;

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutString(std::string& out, const std::string& s) {
    PutU32(out, static_cast<uint32_t>(s.size()));
    out += s;
}

// Reads forward through a buffer; every read checks what is left first, so
// a length or count field can never make us allocate past the data.
struct Reader {
    const unsigned char* p;
    size_t left;

    bool U32(uint32_t& v) {
        if (left < 4)
            return false;
        v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        p += 4;
        left -= 4;
        return true;
    }

    // The field's full length is consumed, but the string stops at a zero byte.
    bool String(std::string& s) {
        uint32_t len;
        if (!U32(len) || len > left)
            return false;
        const void* zero = std::memchr(p, 0, len);
        size_t keep = zero ? static_cast<const unsigned char*>(zero) - p : len;
        s.assign(reinterpret_cast<const char*>(p), keep);
        p += len;
        left -= len;
        return true;
    }

    bool Byte(unsigned char& b) {
        if (left < 1)
            return false;
        b = *p++;
        --left;
        return true;
    }
};

}  // namespace

std::string EncodeEntryList(const EntryList& list) {
    std::string out;
    PutU32(out, kMagic);
    PutU32(out, static_cast<uint32_t>(list.size()));
    for (const ListEntry& e : list) {
        PutString(out, e.target);
        PutString(out, e.name);
        out.push_back(e.checked ? 1 : 0);
    }
    return out;
}

bool DecodeEntryList(const char* data, size_t size, EntryList& out) {
    out.clear();
    Reader r{reinterpret_cast<const unsigned char*>(data), size};
    uint32_t magic, count;
    if (!r.U32(magic) || magic != kMagic || !r.U32(count))
        return false;

    // No reserve(count): the count is untrusted, growth is bounded by the data.
    EntryList list;
    for (uint32_t i = 0; i < count; ++i) {
        ListEntry e;
        unsigned char checked;
        if (!r.String(e.target) || !r.String(e.name) || !r.Byte(checked))
            return false;
        e.checked = checked != 0;
        list.push_back(std::move(e));
    }
    out.swap(list);
    return true;
}

bool SaveEntryList(const std::string& path, const EntryList& list) {
    return WriteFileReplacing(path, EncodeEntryList(list));
}

bool LoadEntryList(const std::string& path, EntryList& list) {
    list.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string data;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    const bool readOk = !std::ferror(f);
    std::fclose(f);
    return readOk && DecodeEntryList(data.data(), data.size(), list);
}
