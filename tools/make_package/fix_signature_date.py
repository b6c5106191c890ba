#!/usr/bin/env python3
"""Gives the signature entry that osslsigncode appends to a package the
same fixed date as every other entry, in its local header and in the
central directory. The date is covered by no hash of the signature: the
signed package stays valid and is the same bytes on every build.

usage: fix_signature_date.py PACKAGE.msix
"""
import struct
import sys

NAME = b"AppxSignature.p7x"
DOS_TIME, DOS_DATE = 0, (1 << 5) | 1


def main(argv):
    if len(argv) != 2:
        raise SystemExit(__doc__.split("\n\n")[1])
    with open(argv[1], "rb") as package:
        data = bytearray(package.read())
    fixed = 0
    for signature, time_at, name_at, length_at in ((b"PK\x03\x04", 10, 30, 26), (b"PK\x01\x02", 12, 46, 28)):
        start = 0
        while (start := data.find(signature, start)) >= 0:
            length = struct.unpack_from("<H", data, start + length_at)[0]
            if bytes(data[start + name_at:start + name_at + length]) == NAME:
                struct.pack_into("<HH", data, start + time_at, DOS_TIME, DOS_DATE)
                fixed += 1
            start += 4
    if fixed != 2:
        raise SystemExit("fix_signature_date: %s has no signature entry to date" % argv[1])
    with open(argv[1], "wb") as package:
        package.write(data)


if __name__ == "__main__":
    main(sys.argv)
