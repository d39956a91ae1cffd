#!/usr/bin/env python3
"""Print the resources of a compiled .res file in readable form: the
wizard dialog (DIALOGEX) field by field, the manifest text and the size of
every other resource.  Used to check what windres made of res/updater.rc."""
import struct
import sys


def read_id(data, pos):
    (first,) = struct.unpack_from("<H", data, pos)
    if first == 0xFFFF:
        (ordinal,) = struct.unpack_from("<H", data, pos + 2)
        return ordinal, pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def read_sz_or_ord(data, pos):
    (first,) = struct.unpack_from("<H", data, pos)
    if first == 0x0000:
        return "", pos + 2
    return read_id(data, pos)


def align(pos, n=4):
    return (pos + n - 1) & ~(n - 1)


def dump_dialog(d):
    (ver, sig, helpid, exstyle, style, count, x, y, cx, cy) = struct.unpack_from("<HHIIIHhhhh", d, 0)
    pos = 26
    menu, pos = read_sz_or_ord(d, pos)
    klass, pos = read_sz_or_ord(d, pos)
    title, pos = read_sz_or_ord(d, pos)
    print(f"  DIALOGEX version={ver} signature=0x{sig:04X} help={helpid} exstyle=0x{exstyle:08X} "
          f"style=0x{style:08X} controls={count} rect={x},{y},{cx},{cy}")
    print(f"  menu={menu!r} class={klass!r} title={title!r}")
    if style & 0x40:
        (points, weight, italic, charset) = struct.unpack_from("<HHBB", d, pos)
        pos += 6
        face, pos = read_id(d, pos)
        print(f"  font points={points} weight={weight} italic={italic} charset={charset} face={face!r}")
    for _ in range(count):
        pos = align(pos)
        (chelp, cex, cstyle, cx0, cy0, ccx, ccy, cid) = struct.unpack_from("<IIIhhhhI", d, pos)
        pos += 24
        cclass, pos = read_id(d, pos)
        ctext, pos = read_sz_or_ord(d, pos)
        (extra,) = struct.unpack_from("<H", d, pos)
        pos += 2 + extra
        print(f"  control id={cid} class={cclass!r} text={ctext!r} style=0x{cstyle:08X} "
              f"rect={cx0},{cy0},{ccx},{ccy} help={chelp} exstyle=0x{cex:08X}")


def main(path):
    data = open(path, "rb").read()
    pos = 0
    while pos < len(data):
        (size, header) = struct.unpack_from("<II", data, pos)
        rtype, p = read_id(data, pos + 8)
        rname, p = read_id(data, p)
        p = align(p)
        (_dver, _flags, lang) = struct.unpack_from("<IHH", data, p)
        body = data[pos + header: pos + header + size]
        pos = align(pos + header + size)
        if size == 0 and rtype == 0:
            continue
        print(f"type={rtype!r} name={rname!r} language={lang} size={size}")
        if rtype == 5:
            dump_dialog(body)
        elif rtype == 24:
            print(body.decode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
