#!/usr/bin/env python3
"""The sparse package that gives the product's command a place in Windows
11's first context menu: writes it unsigned, from the manifest template,
in the layout Microsoft's packaging tool gives a package (payload, then the
manifest, the block map and the content types; local headers followed by
ZIP64 data descriptors; a ZIP64 end record), for osslsigncode to sign.

usage: make_package.py TEMPLATE LOGO.png PUBLISHER VERSION CLSID OUTPUT

The payload and the manifest are stored, so that the block map's blocks
need no compressed sizes of their own; the block map and the content types,
which the block map does not list, are deflated (osslsigncode rewrites the
content types deflated, whatever the entry said before).
"""
import base64
import hashlib
import struct
import sys
import zlib
from xml.sax.saxutils import escape, quoteattr

BLOCK = 64 * 1024
# One fixed time for every entry (DOS format: 1980-01-01 00:00).
DOS_TIME, DOS_DATE = 0, (0 << 9) | (1 << 5) | 1
ZIP64_VERSION = 45
DATA_DESCRIPTOR = 0x0008


def render_manifest(template, publisher, version, clsid):
    text = template
    for key, value in (("@PUBLISHER@", publisher), ("@VERSION@", version), ("@CLSID@", clsid)):
        if key not in text:
            raise SystemExit("make_package: the template has no " + key)
        text = text.replace(key, escape(value, {'"': "&quot;"}))
    return text.encode("utf-8")


STORED, DEFLATED = 0, 8


def local_header(name, method=STORED):
    encoded = name.encode("utf-8")
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, ZIP64_VERSION, DATA_DESCRIPTOR, method, DOS_TIME, DOS_DATE,
                       0, 0, 0, len(encoded), 0) + encoded


def deflated(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()


def block_map(files):
    """The block map of the payload and the manifest: each file's size, the
    size of its local header, and the SHA-256 of every 64 KiB block."""
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for name, data in files:
        lines.append('<File Name=%s Size="%d" LfhSize="%d">' %
                     (quoteattr(name.replace("/", "\\")), len(data), len(local_header(name))))
        for start in range(0, len(data), BLOCK):
            digest = base64.b64encode(hashlib.sha256(data[start:start + BLOCK]).digest()).decode("ascii")
            lines.append('<Block Hash="%s"/>' % digest)
        lines.append("</File>")
    lines.append("</BlockMap>")
    return "\r\n".join(lines).encode("utf-8")


def content_types(names):
    extensions = sorted({n.rsplit(".", 1)[1].lower() for n in names if "." in n and not n.startswith("Appx")})
    types = {"png": "image/png", "xml": "application/xml"}
    parts = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    for extension in extensions:
        parts.append('<Default Extension="%s" ContentType="%s"/>' % (extension, types[extension]))
    parts.append('<Override PartName="/AppxManifest.xml" ContentType="application/vnd.ms-appx.manifest+xml"/>')
    parts.append('<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>')
    parts.append("</Types>")
    return "".join(parts).encode("utf-8")


def write_package(entries, path):
    body = bytearray()
    central = bytearray()
    for name, data, method in entries:
        offset = len(body)
        crc = zlib.crc32(data) & 0xFFFFFFFF
        stored = deflated(data) if method == DEFLATED else data
        body += local_header(name, method) + stored
        body += struct.pack("<IIQQ", 0x08074B50, crc, len(stored), len(data))
        encoded = name.encode("utf-8")
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, ZIP64_VERSION, ZIP64_VERSION, DATA_DESCRIPTOR,
                               method, DOS_TIME, DOS_DATE, crc, len(stored), len(data), len(encoded), 0, 0, 0, 0,
                               0, offset) + encoded
    start = len(body)
    body += central
    zip64_end = len(body)
    body += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, ZIP64_VERSION, ZIP64_VERSION, 0, 0, len(entries),
                        len(entries), len(central), start)
    body += struct.pack("<IIQI", 0x07064B50, 0, zip64_end, 1)
    # The classic end record points to the ZIP64 one for every field, as
    # packaging tools write it: readers take the sizes and offsets from there.
    body += struct.pack("<IHHHHIIH", 0x06054B50, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    with open(path, "wb") as out:
        out.write(body)


def main(argv):
    if len(argv) != 7:
        raise SystemExit(__doc__.split("\n\n")[1])
    template_path, logo_path, publisher, version, clsid, output = argv[1:]
    with open(template_path, encoding="utf-8") as template:
        manifest = render_manifest(template.read(), publisher, version, clsid)
    with open(logo_path, "rb") as logo:
        payload = [("parvello.png", logo.read()), ("AppxManifest.xml", manifest)]
    names = [name for name, _ in payload]
    entries = [(name, data, STORED) for name, data in payload]
    entries += [("AppxBlockMap.xml", block_map(payload), DEFLATED),
                ("[Content_Types].xml", content_types(names), DEFLATED)]
    write_package(entries, output)


if __name__ == "__main__":
    main(sys.argv)
