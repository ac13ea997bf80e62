#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_volume_probe (the bus description seeds are
plain JSON files beside this script). Run from this folder:

    python3 make_seeds.py

Input layout (VolumeProbeFuzz.cpp): source size (8 bytes LE), first failing
sector (4 bytes LE, FFFFFFFFh: none), flags (1 byte: 1 repair tag checksums,
2 file form), then pieces: sector (4 bytes LE), length (2 bytes LE), bytes.
"""
import struct

SECTOR = 2048


def piece(sector, data):
    return struct.pack("<IH", sector, len(data)) + data


def pvd(blocks, name):
    sector = bytearray(SECTOR)
    sector[0:8] = b"\x01CD001\x01\x00"
    sector[40:72] = name.ljust(32).encode()
    sector[80:84] = struct.pack("<I", blocks)
    sector[84:88] = struct.pack(">I", blocks)
    return bytes(sector)


def tag(identifier):
    # Tag identifier only; the fuzzer's flag 1 repairs the checksum.
    sector = bytearray(SECTOR)
    sector[0:2] = struct.pack("<H", identifier)
    return sector


def anchor(sequence):
    sector = tag(2)
    sector[20:24] = struct.pack("<I", sequence)
    return bytes(sector)


def partition(start, length):
    sector = tag(5)
    sector[188:192] = struct.pack("<I", start)
    sector[192:196] = struct.pack("<I", length)
    return bytes(sector)


def seed(name, size, pieces, fail=0xFFFFFFFF, flags=1):
    with open("volume_probe/" + name, "wb") as out:
        out.write(struct.pack("<QIB", size, fail, flags) + b"".join(pieces))


seed("iso-only", 100 * 1024 * 1024, [piece(16, pvd(51200, "SEED"))], flags=3)
udf = [piece(16, pvd(1257, "BRIDGE")), piece(256, anchor(32)), piece(32, partition(257, 1000)),
       piece(1257, anchor(32))]
seed("iso-udf-outside-anchor", 1258 * SECTOR, udf)
seed("udf-read-fails", 1258 * SECTOR, udf, fail=1000)
mid = b"[ Mastering Information Descriptor ]\r\nIndex = MAINdata( 2, 3000000 )\r\n"
seed("mid-offset", 4 * 1024 * 1024, [piece(0, mid), piece(48, pvd(1000, "BEHIND")), piece(288, anchor(64)),
                                      piece(96, partition(0, 900))], flags=3)
