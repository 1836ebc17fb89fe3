#!/usr/bin/env python3
"""Puts the string defaults of by-reference parameters into a type library.

widl refuses a string default on a by-reference parameter, so the IDL gives
widl the number 0 in its place (KORTOOLS_BYREF_STRING_DEFAULT(text) under
__WIDL__). This script finds each such parameter in the IDL, checks that the
compiled library holds that stand-in for it, and replaces it by the string:
a new value at the end of the library's custom-data segment, the segments
and member blocks after it moved along.

    typelib_string_defaults.py korTools.tlb korTools.idl

The library is rewritten in place; an error says what did not match and
leaves the file as it was.
"""
import re
import struct
import sys

MACRO = "KORTOOLS_BYREF_STRING_DEFAULT"
VT_BSTR = 8
HEADER_INTS = 21
SEGMENTS = 15
CUSTDATA_SEGMENT = 11
NAME_SEGMENT = 7
TYPEINFO_SEGMENT = 0


class Mismatch(Exception):
    pass


def c_string(literal):
    """The text of a C string literal's inside (\\", \\\\ and octal escapes)."""
    out, i = [], 0
    while i < len(literal):
        c = literal[i]
        if c == "\\":
            octal = re.match(r"[0-7]{1,3}", literal[i + 1:])
            if octal:
                out.append(chr(int(octal.group(0), 8)))
                i += 1 + len(octal.group(0))
                continue
            out.append(literal[i + 1])
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def wanted_defaults(idl):
    """{(interface, member, parameter): text} for every macro use in the IDL."""
    found, interface = {}, None
    for line in idl.splitlines():
        head = re.match(r"\s*interface\s+(\w+)\s*:", line)
        if head:
            interface = head.group(1)
        member = re.match(r"\s*HRESULT\s+(\w+)\((.*)\);", line)
        if not member or MACRO + "(" not in line:
            continue
        pattern = MACRO + r'\("((?:[^"\\]|\\.)*)"\)\]\s*BSTR\*\s*(\w+)'
        for text, param in re.findall(pattern, member.group(2)):
            found[(interface, member.group(1), param)] = c_string(text)
    return found


def patch(data, wanted):
    data = bytearray(data)

    def i32(offset):
        return struct.unpack_from("<i", data, offset)[0]

    def u16(offset):
        return struct.unpack_from("<H", data, offset)[0]

    header = struct.unpack_from("<%di" % HEADER_INTS, data, 0)
    if header[0] != 0x5446534D:
        raise Mismatch("not a type library in the MSFT format")
    position = HEADER_INTS * 4 + (4 if header[5] & 0x100 else 0)
    type_count = header[8]
    type_offsets = struct.unpack_from("<%di" % type_count, data, position)
    directory = position + 4 * type_count
    segments = [list(struct.unpack_from("<4i", data, directory + 16 * s)) for s in range(SEGMENTS)]
    names = segments[NAME_SEGMENT][0]

    def name(offset):
        length = data[names + offset + 8]
        return data[names + offset + 12:names + offset + 12 + length].decode("latin-1")

    custdata = segments[CUSTDATA_SEGMENT]
    if custdata[0] < 0:
        raise Mismatch("the library has no custom-data segment")
    insert_at = custdata[0] + custdata[1]
    added = bytearray()
    slots = {}  # file offset of a default slot: custom-data offset of its new value
    left = dict(wanted)
    member_blocks = []
    for t in type_offsets:
        base = segments[TYPEINFO_SEGMENT][0] + t
        member_blocks.append(base + 4)
        block, counts = i32(base + 4), i32(base + 24)
        functions = counts & 0xFFFF
        interface = name(i32(base + 52))
        if functions == 0 or block < 0 or block >= len(data):
            continue
        records = i32(block)
        count = functions + (counts >> 16)
        name_array = block + 4 + records + 4 * count
        record = block + 4
        for f in range(functions):
            size = u16(record)
            flags, argc = i32(record + 16), u16(record + 20)
            params = record + size - 12 * argc
            member = name(i32(name_array + 4 * f))
            for a in range(argc):
                key = (interface, member, name(i32(params + 12 * a + 4)))
                if key not in left:
                    continue
                slot = params - 4 * argc + 4 * a
                stand_in = i32(slot) & 0xFFFFFFFF
                if not flags & 0x1000 or not stand_in & 0x80000000 or (stand_in >> 26) & 0x1F != VT_BSTR:
                    raise Mismatch("%s.%s(%s) has no stand-in default to replace" % key)
                text = left.pop(key).encode("latin-1")
                value = struct.pack("<Hi", VT_BSTR, len(text)) + text
                value += b"\0" * (-len(value) % 4)
                slots[slot] = custdata[1] + len(added)
                added += value
            record += size
    if left:
        raise Mismatch("not in the library: " + ", ".join("%s.%s(%s)" % key for key in left))

    for slot, value in slots.items():
        struct.pack_into("<i", data, slot, value)
    # Everything at or after the insertion point moves along.
    for s, segment in enumerate(segments):
        if segment[0] >= insert_at and s != CUSTDATA_SEGMENT:
            struct.pack_into("<i", data, directory + 16 * s, segment[0] + len(added))
    struct.pack_into("<i", data, directory + 16 * CUSTDATA_SEGMENT + 4, custdata[1] + len(added))
    for field in member_blocks:
        if i32(field) >= insert_at:
            struct.pack_into("<i", data, field, i32(field) + len(added))
    return bytes(data[:insert_at] + added + data[insert_at:]), len(slots)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: typelib_string_defaults.py LIBRARY.tlb LIBRARY.idl")
    library, idl = sys.argv[1], sys.argv[2]
    with open(idl, encoding="utf-8") as f:
        wanted = wanted_defaults(f.read())
    with open(library, "rb") as f:
        data = f.read()
    try:
        patched, count = patch(data, wanted)
    except (Mismatch, struct.error, IndexError) as e:
        sys.exit("%s: %s" % (library, e))
    with open(library, "wb") as f:
        f.write(patched)
    print("%s: %d string defaults put in" % (library, count))


if __name__ == "__main__":
    main()
