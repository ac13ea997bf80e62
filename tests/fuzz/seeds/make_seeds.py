#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed inputs of fuzz_volume_probe and fuzz_device_layer (the bus
description seeds are plain JSON files beside this script). Run from this
folder:

    python3 make_seeds.py

Input layout (VolumeProbeFuzz.cpp): source size (8 bytes LE), first failing
sector (4 bytes LE, FFFFFFFFh: none), flags (1 byte: 1 repair tag checksums,
2 file form), then pieces: sector (4 bytes LE), length (2 bytes LE), bytes.
"""
import os
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


# fuzz_device_layer (AnswerManager.h): one answer per request, in order:
# ending (0 completed, 1 check condition, 2 no device, 3 busy), length (2
# bytes LE), then data or sense.
def answer(ending, data=b""):
    return struct.pack("<BH", ending, len(data)) + data


def inquiry(kind, vendor, product, revision):
    data = bytearray(96)
    data[0] = kind
    data[8:36] = (vendor.ljust(8) + product.ljust(16) + revision.ljust(4)).encode()
    return answer(0, bytes(data))


def capacity(last_lba, block):
    return answer(0, struct.pack(">II", last_lba, block))


def sense(key, asc, ascq):
    data = bytearray(18)
    data[0] = 0x70
    data[2] = key
    data[7] = 10
    data[12] = asc
    data[13] = ascq
    return answer(1, bytes(data))


def device_seed(name, answers):
    os.makedirs("device_layer", exist_ok=True)
    with open("device_layer/" + name, "wb") as out:
        out.write(b"".join(answers))


ready = answer(0)
zeros = answer(0, bytes(2048))  # the rest of a read stays as the program left it


def geometry(last_lba, block):
    # TEST UNIT READY and READ CAPACITY, as SetDevice asks them.
    return [ready, capacity(last_lba, block)]


def device_check(last_lba, block):
    # The requests of the fuzz target after the factory's INQUIRY pair, in
    # order: the geometry, the writer probe's MODE SENSE (refused), capacity,
    # free size, then the volume check's START STOP UNIT, geometry twice and
    # its reads.
    return (geometry(last_lba, block) + [sense(5, 0x24, 0)] + geometry(last_lba, block) * 2 + [ready] +
            geometry(last_lba, block) * 2 + [zeros] * 8)


disk = inquiry(0, "ORBITEK", "HD-2100 DISK", "3.11")
device_seed("disk", [disk, disk] + device_check(99, 512))
# Blocks the program cannot carry: a 32 KiB read would be one 2 MiB block.
device_seed("huge-blocks", [disk, disk] + device_check(99, 2 * 1024 * 1024))
writer = inquiry(5, "HALVERN", "DVD-R QXW-7100", "1.07")
device_seed("writer", [writer, writer] + device_check(2298495, 2048))
tape = inquiry(1, "ORBITEK", "DAT TD-40 TAPE", "1.00")
device_seed("tape", [tape, tape, ready, sense(5, 0x20, 0), answer(0), sense(0x80, 0, 1)] + [zeros] * 6 +
            [answer(0, bytes(4096))] + [sense(0x20, 0, 0)] * 4)

# Another maker's DVD-R writer: GET CONFIGURATION with the profile list
# (DVD-R current) and the DVD-R/-RW write feature (002Fh, test write), a blank
# disc in READ DISC INFORMATION and its free blocks in READ TRACK INFORMATION.
def feature(code, data):
    return struct.pack(">HBB", code, 0x03, len(data)) + data


features = feature(0x0000, struct.pack(">HBx", 0x0011, 1)) + feature(0x002F, bytes([0x44, 0, 0, 0]))
configuration = answer(0, struct.pack(">IxxH", 4 + len(features), 0x0011) + features)
disc_information = bytearray(34)
disc_information[1] = 32
disc_information[2] = 0x0E  # blank, last session empty
track_information = bytearray(48)
track_information[1] = 46
track_information[12:20] = struct.pack(">II", 0, 2298496)  # next writable address, free blocks
recorder = inquiry(5, "GENERIC", "DVD RECORDER", "1.00")
device_seed("mmc-recorder", [recorder, configuration, recorder, configuration] + device_check(2298495, 2048) +
            [configuration, answer(0, bytes(disc_information)), answer(0, bytes(track_information))])
