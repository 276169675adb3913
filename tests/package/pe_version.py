#!/usr/bin/env python3
"""Prints the version resource of a PE file: the fixed file version and the
FileVersion and ProductVersion strings, found by walking the resource tree."""
import struct
import sys

RT_VERSION = 16


def sections(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count, opt_size = struct.unpack_from("<H12xH", data, pe + 6)
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    dirs = pe + 24 + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, dirs + 2 * 8)[0]
    table = pe + 24 + opt_size
    out = []
    for i in range(count):
        _, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        out.append((rva, max(vsize, rawsize), rawptr))
    return rsrc_rva, out


def to_offset(secs, rva):
    for start, size, raw in secs:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError("address outside every section")


def version_resource(data):
    rsrc_rva, secs = sections(data)
    if not rsrc_rva:
        return None
    base = to_offset(secs, rsrc_rva)

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", data, offset)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, offset + 16 + 8 * i)
            yield name, target

    for name, target in entries(base):
        if name != RT_VERSION:
            continue
        level = base + (target & 0x7FFFFFFF)  # names
        _, target = next(entries(level))
        level = base + (target & 0x7FFFFFFF)  # languages
        _, target = next(entries(level))
        rva, size = struct.unpack_from("<II", data, base + target)
        start = to_offset(secs, rva)
        return data[start:start + size]
    return None


def parse(block):
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        raise ValueError("no fixed version information")
    ms, ls = struct.unpack_from("<II", block, fixed + 8)
    result = {"fixed": "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)}
    for key in ("FileVersion", "ProductVersion", "ProductName", "OriginalFilename"):
        tag = (key + "\0").encode("utf-16-le")
        at = block.find(tag)
        if at < 0:
            continue
        at += len(tag)
        at += (4 - at % 4) % 4  # values are 32-bit aligned
        end = at
        while block[end:end + 2] != b"\0\0":
            end += 2
        result[key] = block[at:end].decode("utf-16-le")
    return result


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    block = version_resource(data)
    if block is None:
        print("no version resource")
        return 1
    for key, value in parse(block).items():
        print("%s=%s" % (key, value))
    return 0


if __name__ == "__main__":
    sys.exit(main())
