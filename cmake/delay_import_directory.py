#!/usr/bin/env python3
"""Points a PE image's delay-import directory at its delay-load descriptors.

usage: delay_import_directory.py IMAGE DLL...

GNU ld links the descriptors that dlltool's delay-load libraries carry (one
per DLL, 32 bytes each, side by side in .text) but leaves the data directory
entry empty. This finds the descriptor of each DLL named (by the RVA of its
name), checks that they are contiguous and followed by a zero descriptor, and
writes that range into the directory, and the image's checksum again when
the linker set one. A DLL without a descriptor in the image is skipped:
nothing of it is called.
"""
import struct
import sys

DELAY_IMPORT_ENTRY = 13
DESCRIPTOR_SIZE = 32
RVA_BASED = 1
NAME_CHARACTERS = "abcdefghijklmnopqrstuvwxyz0123456789_-."


def fail(message):
    sys.exit(f"delay_import_directory: {message}")


def main():
    if len(sys.argv) < 3:
        fail(__doc__.strip().splitlines()[2])
    path = sys.argv[1]
    dlls = [name.lower() + ".dll" for name in sys.argv[2:]]
    with open(path, "rb") as f:
        image = bytearray(f.read())

    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(f"{path} is not a PE image")
    sections_count, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    checksum_at = optional + 64

    sections = []
    for i in range(sections_count):
        header = optional + optional_size + 40 * i
        virtual_size, rva, raw_size, raw_at = struct.unpack_from("<IIII", image, header + 8)
        sections.append((rva, max(virtual_size, raw_size), raw_size, raw_at))

    def to_offset(rva):
        for start, size, raw_size, raw_at in sections:
            if start <= rva < start + min(size, raw_size):
                return raw_at + rva - start
        return None

    def to_rva(offset):
        for start, size, raw_size, raw_at in sections:
            if raw_at <= offset < raw_at + min(size, raw_size):
                return start + offset - raw_at
        return None

    def occurrences(data, pattern):
        at = data.find(pattern)
        while at >= 0:
            yield at
            at = data.find(pattern, at + 1)

    lowered = bytes(image).lower()
    found = {}
    for dll in dlls:
        for name_offset in occurrences(lowered, dll.encode("ascii") + b"\0"):
            name_rva = to_rva(name_offset)
            if name_rva is None or chr(lowered[name_offset - 1]) in NAME_CHARACTERS:
                continue
            for offset in occurrences(image, struct.pack("<II", RVA_BASED, name_rva)):
                rva = to_rva(offset)
                if rva is None or rva % 4:
                    continue
                if dll in found:
                    fail(f"two delay-load descriptors for {dll}")
                found[dll] = rva
    if not found:
        return

    first = min(found.values())
    count = len(found)
    if sorted(found.values()) != [first + DESCRIPTOR_SIZE * i for i in range(count)]:
        fail("the delay-load descriptors are not side by side")
    end = to_offset(first + DESCRIPTOR_SIZE * count)
    if end is None or any(image[end:end + DESCRIPTOR_SIZE]):
        fail("no zero descriptor follows the delay-load descriptors")

    struct.pack_into("<II", image, directories + 8 * DELAY_IMPORT_ENTRY, first,
                     DESCRIPTOR_SIZE * (count + 1))
    if struct.unpack_from("<I", image, checksum_at)[0]:
        struct.pack_into("<I", image, checksum_at, pe_checksum(image, checksum_at))
    with open(path, "wb") as f:
        f.write(image)


def pe_checksum(image, checksum_at):
    data = bytes(image[:checksum_at]) + b"\0\0\0\0" + bytes(image[checksum_at + 4:])
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(image)


if __name__ == "__main__":
    main()
