#!/usr/bin/env python3
"""Writes the LZH archives of the tests (libarchive reads LZH but cannot write it):

  scenario.lzh     a small scenario, the way such games were published, with
                   Shift-JIS (CP932) names and nested folders
  escape.lzh       an entry whose name climbs out of the archive's folder
  understated.lzh  an entry holding far more bytes than its header declares

The entries are stored uncompressed ("-lh0-"), mostly under level-2 headers as
LHA tools on Windows wrote them, with the MS-DOS system mark; one uses the old
level-0 header, whose names separate folders with "\". Python 3 standard
library only; the output is the same bytes on every run:

    python3 tests/data/archives/make_lzh.py
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MTIME = 946684800  # 2000-01-01 00:00:00 UTC


def crc16(data, crc=0):
    """CRC-16 as LHA uses it (polynomial 0xA001, reflected, start 0)."""
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def ext(kind, payload):
    """One extended header without its trailing next-size field."""
    return bytes([kind]) + payload


def level0(path, data, declared=None):
    """A level-0 header and its data; path: CP932 bytes, folders split by "\\"."""
    size = len(data) if declared is None else declared
    body = struct.pack("<5sIIIBBB", b"-lh0-", len(data), size, 0x28210000, 0x20, 0, len(path))
    body += path + struct.pack("<H", crc16(data))
    return bytes([len(body), sum(body) & 0xFF]) + body + data


def level2(method, folder, name, data, declared=None):
    """A level-2 header and its data. folder: CP932 parts; name: CP932 bytes."""
    exts = [ext(0x00, b"\0\0")]  # header CRC, filled in below
    exts.append(ext(0x01, name))
    if folder:
        exts.append(ext(0x02, b"".join(p + b"\xff" for p in folder)))
    exts.append(ext(0x40, struct.pack("<H", 0x10 if method == b"-lhd-" else 0x20)))
    # Each extended header is followed by the size of the next one (0 ends).
    sizes = [len(e) + 2 for e in exts]
    body = b""
    for i, e in enumerate(exts):
        body += e + struct.pack("<H", sizes[i + 1] if i + 1 < len(exts) else 0)
    total = 26 + len(body)
    size = len(data) if declared is None else declared
    fixed = struct.pack("<H5sIIIBBHBH", total, method, len(data), size, MTIME, 0x20, 2,
                        crc16(data), ord("M"), sizes[0])
    header = bytearray(fixed + body)
    hcrc = crc16(bytes(header))
    header[27:29] = struct.pack("<H", hcrc)  # the CRC header's payload
    return bytes(header) + data


def sj(text):
    return text.encode("cp932")


def bmp24(w, h, rgb):
    """A bottom-up 24-bit Windows bitmap of one colour."""
    row = bytes([rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16]) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


def crlf(lines):
    return b"".join(sj(l) + b"\r\n" for l in lines)


def main():
    top = [sj("星の灯台")]
    pictures = top + [sj("絵")]
    # "表" ends in the byte 0x5C, which is "\" in ASCII: the name must survive intact.
    opening = crlf(["絵\\表,124", "0,63,0,39", "灯台,見る,,,,", ";", ".Start",
                    "アーカイブの中から始まりました。", ".", ";"])
    bonus = crlf(["絵\\表,124", ";", ".Start", "おまけの場面です。", ".", ";"])
    entries = [
        level2(b"-lh0-", [], sj("読んでね.txt"), crlf(["星の灯台へようこそ。"])),
        level2(b"-lhd-", top, b"", b""),
        level2(b"-lh0-", top, sj("Opning.dat"), opening),
        level2(b"-lhd-", pictures, b"", b""),
        level2(b"-lh0-", pictures, sj("表.bmp"), bmp24(64, 40, 0x204080)),
        # A deeper scenario folder: the shallowest Opning.dat is the one played.
        level2(b"-lh0-", top + [sj("おまけ")], sj("Opning.dat"), bonus),
        # "表" again, now in an old header where "\\" also separates the folders.
        level0(sj("星の灯台\\絵\\表紙.txt"), crlf(["表紙の説明"])),
    ]
    write("scenario.lzh", entries)
    write("escape.lzh", [level2(b"-lh0-", [], sj("Opning.dat"), opening),
                         level0(sj("..\\..\\外.txt"), crlf(["outside"]))])
    write("understated.lzh", [level2(b"-lh0-", [], sj("Opning.dat"), opening),
                              level2(b"-lh0-", [], sj("大きい.bin"), b"\xAA" * 4096, declared=16)])


def write(name, entries):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"".join(entries) + b"\0")


if __name__ == "__main__":
    main()
