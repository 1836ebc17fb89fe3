#!/usr/bin/env python3
"""Works on a compiled type library (the MSFT format widl writes).

    type_library.py put-string-defaults korTools.tlb korTools.idl
    type_library.py list korTools.tlb

put-string-defaults: widl refuses a string default on a by-reference
parameter, so the IDL gives widl the number 0 in its place
(KORTOOLS_BYREF_STRING_DEFAULT(text) under __WIDL__). This finds each such
parameter in the IDL, checks that the compiled library holds that stand-in
for it, and replaces it by the string: a new value at the end of the
library's custom-data segment, the segments and member blocks after it moved
along. The library is rewritten in place; an error says what did not match
and leaves the file as it was.

list: the library as lines of text that do not depend on the word size it
was compiled for: each type, each member with its identifier, kind, flags,
result and slot, each parameter with its type, flags and default, and each
constant with its value. The 32-bit and the 64-bit library list the same.
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


class Reader:
    """The parts of a library both commands read: header, segments, names."""

    def __init__(self, data):
        self.data = data
        header = struct.unpack_from("<%di" % HEADER_INTS, data, 0)
        if header[0] != 0x5446534D:
            raise Mismatch("not a type library in the MSFT format")
        self.pointer = 8 if header[5] & 0xF == 3 else 4  # SYS_WIN64, else SYS_WIN32
        position = HEADER_INTS * 4 + (4 if header[5] & 0x100 else 0)
        self.type_offsets = struct.unpack_from("<%di" % header[8], data, position)
        self.directory = position + 4 * header[8]
        self.segments = [list(struct.unpack_from("<4i", data, self.directory + 16 * s)) for s in range(SEGMENTS)]

    def i32(self, offset):
        return struct.unpack_from("<i", self.data, offset)[0]

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def name(self, offset):
        if offset < 0:
            return "-"
        names = self.segments[NAME_SEGMENT][0]
        length = self.data[names + offset + 8]
        return self.data[names + offset + 12:names + offset + 12 + length].decode("latin-1")


def patch(data, wanted):
    data = bytearray(data)
    lib = Reader(data)
    i32, u16, name = lib.i32, lib.u16, lib.name
    type_offsets, directory, segments = lib.type_offsets, lib.directory, lib.segments

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


def listing(data):
    """The lines of the `list` command."""
    lib = Reader(data)
    i32, u16, name, segments = lib.i32, lib.u16, lib.name, lib.segments
    custdata, guids = segments[CUSTDATA_SEGMENT][0], segments[5][0]

    def value(v):
        """A default or constant: inline, or in the custom-data segment."""
        if v == -1:
            return "-"
        if v < 0:
            return "vt%d:%d" % ((v >> 26) & 0x1F, v & 0x3FFFFFF)
        vt = u16(custdata + v)
        if vt == VT_BSTR:
            length = i32(custdata + v + 2)
            return "vt8:%r" % data[custdata + v + 6:custdata + v + 6 + max(length, 0)].decode("latin-1")
        return "vt%d:%d" % (vt, i32(custdata + v + 2))

    lines = []
    for t in lib.type_offsets:
        base = segments[TYPEINFO_SEGMENT][0] + t
        kind, block, counts, guid, flags = i32(base), i32(base + 4), i32(base + 24), i32(base + 44), i32(base + 48)
        ident = data[guids + guid:guids + guid + 16].hex() if guid >= 0 else "-"
        lines.append("type %s kind %d flags %d %s" % (name(i32(base + 52)), kind & 0xF, flags, ident))
        functions, variables = counts & 0xFFFF, counts >> 16
        if functions + variables == 0 or block < 0 or block >= len(data):
            continue
        count = functions + variables
        ids = block + 4 + i32(block)
        record = block + 4
        for m in range(count):
            size, member = u16(record), name(i32(ids + 4 * count + 4 * m))
            if m < functions:
                fkccic, argc = i32(record + 16), u16(record + 20)
                lines.append("  %s id %08X kind %d flags %d result %d slot %d" % (
                    member, i32(ids + 4 * m) & 0xFFFFFFFF, (fkccic >> 3) & 0xF, i32(record + 8),
                    i32(record + 4), u16(record + 12) // lib.pointer))
                params = record + size - 12 * argc
                for a in range(argc):
                    default = i32(params - 4 * argc + 4 * a) if fkccic & 0x1000 else -1
                    lines.append("    %s type %d flags %d default %s" % (
                        name(i32(params + 12 * a + 4)), i32(params + 12 * a), i32(params + 12 * a + 8),
                        value(default)))
            else:
                lines.append("  %s = %s type %d" % (member, value(i32(record + 16)), i32(record + 4)))
            record += size
    return lines


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "put-string-defaults" and len(sys.argv) == 4:
        library, idl = sys.argv[2], sys.argv[3]
        with open(idl, encoding="utf-8") as f:
            wanted = wanted_defaults(f.read())
    elif command == "list" and len(sys.argv) == 3:
        library = sys.argv[2]
    else:
        sys.exit("usage: type_library.py put-string-defaults LIBRARY.tlb LIBRARY.idl | list LIBRARY.tlb")
    with open(library, "rb") as f:
        data = f.read()
    try:
        if command == "list":
            print("\n".join(listing(data)))
            return
        patched, count = patch(data, wanted)
    except (Mismatch, struct.error, IndexError, UnicodeDecodeError) as e:
        sys.exit("%s: %s" % (library, e))
    with open(library, "wb") as f:
        f.write(patched)
    print("%s: %d string defaults put in" % (library, count))


if __name__ == "__main__":
    main()
