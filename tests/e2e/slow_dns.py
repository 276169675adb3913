#!/usr/bin/env python3
"""A tiny DNS responder for tests and benchmarks: answers A and AAAA queries after a delay.

    slow_dns.py ADDRESS DELAY_SECONDS [READY_FILE]

Listens on ADDRESS, UDP port 53. A name that begins with "zero." gets 0.0.0.0 and ::; any
other gets an address of the benchmarking range 198.18.0.0/15 and of 2001:db8::/32 made
from its digits ("site-17.bench.example" and "www.site-17.bench.example" give 198.18.0.17
and 2001:db8::17), so a site and its "www." twin share their addresses. Every answer waits
DELAY_SECONDS, each apart from the others. READY_FILE is created once it listens.
"""
import asyncio
import re
import struct
import sys


def name_of(packet, offset):
    labels = []
    while packet[offset]:
        length = packet[offset]
        labels.append(packet[offset + 1:offset + 1 + length].decode("ascii", "replace"))
        offset += 1 + length
    return ".".join(labels), offset + 1


def answer(query):
    ident, _flags, count = struct.unpack("!HHH", query[:6])
    if count != 1:
        return None
    name, end = name_of(query, 12)
    qtype, qclass = struct.unpack("!HH", query[end:end + 4])
    question = query[12:end + 4]
    digits = int("".join(re.findall(r"\d", name)) or "0") % 65536
    zero = name.lower().startswith("zero.")
    if qtype == 1:
        rdata = bytes(4) if zero else bytes([198, 18 + digits // 65536, digits // 256 % 256, digits % 256])
    elif qtype == 28:
        rdata = bytes(16) if zero else bytes.fromhex("20010db8" + "00" * 10) + struct.pack("!H", int(str(digits), 16) % 65536)
    else:
        rdata = None
    records = b""
    if rdata is not None and qclass == 1:
        records = struct.pack("!HHHIH", 0xC00C, qtype, 1, 0, len(rdata)) + rdata
    header = struct.pack("!HHHHHH", ident, 0x8180, 1, 1 if records else 0, 0, 0)
    return header + question + records


class Responder(asyncio.DatagramProtocol):
    def __init__(self, delay):
        self.delay = delay

    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, data, peer):
        try:
            reply = answer(data)
        except (IndexError, struct.error, ValueError):
            return
        if reply:
            asyncio.get_running_loop().call_later(self.delay, self.transport.sendto, reply, peer)


async def main():
    address, delay = sys.argv[1], float(sys.argv[2])
    loop = asyncio.get_running_loop()
    await loop.create_datagram_endpoint(lambda: Responder(delay), local_addr=(address, 53))
    if len(sys.argv) > 3:
        open(sys.argv[3], "w").close()
    await asyncio.Event().wait()


asyncio.run(main())
