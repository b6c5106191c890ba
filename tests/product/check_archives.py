#!/usr/bin/env python3
"""Reads the archives the product library wrote under Wine with Python's own
ZIP reader and compares them, member by member, with the files and folders
that were packed.

The library test leaves the archives and expectations.json (each archive's
copy, the selected items with the names they must have at the archive's
top, and the file filters) in the folder given as the argument."""

import fnmatch
import json
import os
import sys
import time
import zipfile
import zlib

COMMENT = b"Parvello 1.1 archive"


def left_out(name, filters):
    patterns = [p.strip() for p in filters.split(";") if p.strip()]
    return any(fnmatch.fnmatchcase(name.lower(), p.lower()) for p in patterns)


def expected_members(items, filters, excluded=()):
    """Member name -> source path (None for a folder); what excluded names
    (the archive folder, a file the user chose to send without) is not
    packed."""
    members = {}
    for source, top in items:
        if os.path.isdir(source):
            members[top + "/"] = None
            for folder, subfolders, files in os.walk(source):
                subfolders[:] = [s for s in subfolders if os.path.join(folder, s) not in excluded]
                inner = os.path.relpath(folder, source)
                prefix = top + "/" if inner == "." else top + "/" + inner.replace(os.sep, "/") + "/"
                for sub in subfolders:
                    members[prefix + sub + "/"] = None
                for name in files:
                    if not left_out(name, filters) and os.path.join(folder, name) not in excluded:
                        members[prefix + name] = os.path.join(folder, name)
        elif not left_out(os.path.basename(source), filters):
            members[top] = source
    return members


def check(entry):
    problems = []
    path = entry["archive"]
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            problems.append("member fails its check sum: " + bad)
        if archive.comment != COMMENT:
            problems.append("comment is %r" % archive.comment)
        expected = expected_members(entry["items"], entry["filters"], entry.get("excluded", []))
        found = {info.filename: info for info in archive.infolist()}
        for name in sorted(set(expected) - set(found)):
            problems.append("missing: " + name)
        for name in sorted(set(found) - set(expected)):
            problems.append("not expected: " + name)
        for name, source in expected.items():
            info = found.get(name)
            if info is None:
                continue
            if source is None:
                if not info.is_dir() or info.file_size != 0:
                    problems.append("not a folder entry: " + name)
                continue
            with open(source, "rb") as f:
                data = f.read()
            if archive.read(name) != data:
                problems.append("content differs: " + name)
            # Deflated when that makes it smaller, stored otherwise.
            if info.compress_type == zipfile.ZIP_STORED:
                deflater = zlib.compressobj(6, zlib.DEFLATED, -15)
                if len(deflater.compress(data) + deflater.flush()) < len(data):
                    problems.append("stored, though it deflates smaller: " + name)
            elif info.compress_type != zipfile.ZIP_DEFLATED:
                problems.append("neither deflated nor stored: " + name)
            elif info.compress_size >= max(info.file_size, 1):
                problems.append("deflated, but no smaller: " + name)
            if any(ord(c) > 127 for c in name) and not info.flag_bits & 0x800:
                problems.append("name not marked as UTF-8: " + name)
            # DOS times hold two-second steps of local time.
            stamp = time.mktime(info.date_time + (0, 0, -1))
            if abs(stamp - os.stat(source).st_mtime) > 2:
                problems.append("time differs: %s %s" % (name, info.date_time))
    print("%s: %d members, %s" % (os.path.basename(path), len(expected), "ok" if not problems else "FAILED"))
    for problem in problems:
        print("  " + problem)
    return not problems


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "expectations.json"), encoding="utf-8") as f:
        entries = json.load(f)
    if not entries:
        print("no archives to check")
        return 1
    results = [check(entry) for entry in entries]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
