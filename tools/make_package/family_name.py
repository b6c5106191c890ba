#!/usr/bin/env python3
"""The package family name Windows gives a package: "<Name>_<PublisherId>",
the publisher id being the first 64 bits of the SHA-256 of the Publisher
(UTF-16LE) in Crockford's Base32, 13 characters. The setup registers and
the uninstall removes the package by this name.

usage: family_name.py NAME PUBLISHER
"""
import hashlib
import sys

CROCKFORD = "0123456789abcdefghjkmnpqrstvwxyz"


def publisher_id(publisher):
    digest = hashlib.sha256(publisher.encode("utf-16-le")).digest()[:8]
    bits = int.from_bytes(digest, "big") << 1  # 65 bits, 13 groups of 5
    return "".join(CROCKFORD[(bits >> (60 - 5 * i)) & 31] for i in range(13))


def family_name(name, publisher):
    return name + "_" + publisher_id(publisher)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    sys.stdout.write(family_name(sys.argv[1], sys.argv[2]))
