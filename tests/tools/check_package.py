#!/usr/bin/env python3
"""The sparse package of Windows 11's first menu, read from its bytes as
Windows' deployment reads it: the ZIP records (local headers, ZIP64 data
descriptors, central directory, ZIP64 end), each entry's CRC, the block
map's sizes and SHA-256 hashes against the files, a content type for every
part, the manifest's identity and declarations, the signature verified by
osslsigncode against the certificate, and the same bytes from a second
build; beside it, what the setup carries with it: the signer's certificate
and the family name, whose publisher id is checked on published pairs.
Prints "N passed, N failed".

usage: check_package.py ROOT PACKAGE CERT.pem KEY.pem LIBRARY64.dll ICON.ico
"""
import base64
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import uuid
import xml.etree.ElementTree as ElementTree
import zlib

passed = failed = 0


def check(what, condition):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print("FAILED: " + what)


def read_entries(data):
    """The central directory's entries, each with its local record."""
    locator = data.rfind(b"PK\x06\x07")
    zip64_end = struct.unpack_from("<Q", data, locator + 8)[0]
    count, size, start = struct.unpack_from("<QQQ", data, zip64_end + 32)
    entries, at = [], start
    for _ in range(count):
        (signature, _, needed, flags, method, _, _, crc, packed, unpacked, name_length, extra_length,
         comment_length, _, _, _, offset) = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, at)
        name = data[at + 46:at + 46 + name_length].decode("utf-8")
        at += 46 + name_length + extra_length + comment_length
        local = struct.unpack_from("<IHHHHHIIIHH", data, offset)
        header_size = 30 + local[9] + local[10]
        body = data[offset + header_size:offset + header_size + packed]
        descriptor = struct.unpack_from("<IIQQ", data, offset + header_size + packed) if flags & 8 else None
        content = zlib.decompress(body, -15) if method == 8 else body
        entries.append({"name": name, "flags": flags, "method": method, "crc": crc, "packed": packed,
                        "needed": needed, "local": local, "header_size": header_size,
                        "descriptor": descriptor, "content": content})
    end = struct.unpack_from("<IHHHHIIH", data, len(data) - 22)
    return entries, at == zip64_end, end


def subject_parts(text):
    """A distinguished name's parts as (attribute, value) pairs."""
    return [tuple(part.strip().split("=", 1)) for part in text.split(",")]


def main(argv):
    root, package_path, cert, key, library, icon = argv[1:7]
    with open(package_path, "rb") as package:
        data = package.read()
    entries, central_then_end, end = read_entries(data)
    names = [e["name"] for e in entries]
    check("the entries in the packaging tool's order",
          names == ["parvello.png", "AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml",
                    "AppxSignature.p7x"])
    check("the ZIP64 end record follows the central directory", central_then_end)
    check("the classic end record defers to the ZIP64 one", end[5] == 0xFFFFFFFF and end[6] == 0xFFFFFFFF)
    for e in entries:
        local = e["local"]
        check(e["name"] + ": CRC of the content", zlib.crc32(e["content"]) & 0xFFFFFFFF == e["crc"])
        if e["name"] == "AppxSignature.p7x":
            # The signer's own entry carries its sizes in the local header.
            check("the signature's local header", local[0] == 0x04034B50 and local[6] == e["crc"] and
                  local[7] == e["packed"] and local[8] == len(e["content"]))
            continue
        check(e["name"] + ": the local header defers to a data descriptor",
              local[0] == 0x04034B50 and e["flags"] & 8 and local[2] & 8 and local[7] == local[8] == 0)
        check(e["name"] + ": the local header's method is the directory's", local[3] == e["method"])
        check(e["name"] + ": a ZIP64 data descriptor",
              e["descriptor"][0] == 0x08074B50 and e["descriptor"][1] == e["crc"] and
              e["descriptor"][2] == e["packed"] and e["descriptor"][3] == len(e["content"]))
        check(e["name"] + ": version 4.5 needed", e["needed"] == 45)
    files = {e["name"]: e for e in entries}

    namespace = {"b": "http://schemas.microsoft.com/appx/2010/blockmap"}
    block_map = ElementTree.fromstring(files["AppxBlockMap.xml"]["content"])
    check("SHA-256 block hashes", block_map.get("HashMethod") == "http://www.w3.org/2001/04/xmlenc#sha256")
    mapped = block_map.findall("b:File", namespace)
    check("the block map lists the payload and the manifest",
          sorted(f.get("Name") for f in mapped) == ["AppxManifest.xml", "parvello.png"])
    for f in mapped:
        entry = files[f.get("Name").replace("\\", "/")]
        content = entry["content"]
        check(f.get("Name") + ": size", int(f.get("Size")) == len(content))
        check(f.get("Name") + ": local header size", int(f.get("LfhSize")) == entry["header_size"])
        blocks = [b.get("Hash") for b in f.findall("b:Block", namespace)]
        expected = [base64.b64encode(hashlib.sha256(content[i:i + 65536]).digest()).decode()
                    for i in range(0, len(content), 65536)]
        check(f.get("Name") + ": block hashes", blocks == expected and blocks)

    types = ElementTree.fromstring(files["[Content_Types].xml"]["content"])
    ct = "{http://schemas.openxmlformats.org/package/2006/content-types}"
    defaults = {d.get("Extension").lower(): d.get("ContentType") for d in types.findall(ct + "Default")}
    overrides = {o.get("PartName"): o.get("ContentType") for o in types.findall(ct + "Override")}
    for name in names:
        if name == "[Content_Types].xml":
            continue
        typed = overrides.get("/" + name) or defaults.get(name.rsplit(".", 1)[-1].lower())
        check(name + ": has a content type", typed)
    check("the manifest's content type", overrides.get("/AppxManifest.xml") == "application/vnd.ms-appx.manifest+xml")
    check("the block map's content type", overrides.get("/AppxBlockMap.xml") == "application/vnd.ms-appx.blockmap+xml")
    check("the signature's content type", overrides.get("/AppxSignature.p7x") == "application/vnd.ms-appx.signature")

    manifest = ElementTree.fromstring(files["AppxManifest.xml"]["content"])
    f = "{http://schemas.microsoft.com/appx/manifest/foundation/windows10}"
    uap = "{http://schemas.microsoft.com/appx/manifest/uap/windows10}"
    uap10 = "{http://schemas.microsoft.com/appx/manifest/uap/windows10/10}"
    desktop4 = "{http://schemas.microsoft.com/appx/manifest/desktop/windows10/4}"
    desktop5 = "{http://schemas.microsoft.com/appx/manifest/desktop/windows10/5}"
    com = "{http://schemas.microsoft.com/appx/manifest/com/windows10}"
    identity = manifest.find(f + "Identity")
    subject = subprocess.run(["openssl", "x509", "-in", cert, "-noout", "-subject", "-nameopt", "RFC2253"],
                             capture_output=True, text=True).stdout.strip().split("=", 1)[1]
    check("the Publisher is the signer's subject, part by part",
          subject_parts(identity.get("Publisher")) == subject_parts(subject))
    check("for x64", identity.get("ProcessorArchitecture") == "x64")
    check("the external content allowed",
          manifest.find(f + "Properties/" + uap10 + "AllowExternalContent").text == "true")
    application = manifest.find(f + "Applications/" + f + "Application")
    check("a medium-integrity win32 application",
          application.get(uap10 + "TrustLevel") == "mediumIL" and
          application.get(uap10 + "RuntimeBehavior") == "win32App")
    check("with no entry in the app list",
          application.find(uap + "VisualElements").get("AppListEntry") == "none")
    menus = application.find(f + "Extensions/" + desktop4 + "Extension/" + desktop4 + "FileExplorerContextMenus")
    item_types = {t.get("Type"): [v.get("Clsid") for v in t.findall(desktop5 + "Verb")]
                  for t in menus.findall(desktop5 + "ItemType")}
    check("a verb for files and one for folders", sorted(item_types) == ["*", "Directory"] and
          all(len(v) == 1 for v in item_types.values()))
    classes = application.findall(f + "Extensions/" + com + "Extension/" + com + "ComServer/" + com +
                                  "SurrogateServer/" + com + "Class")
    check("one class, in the 64-bit library beside the package's external location",
          len(classes) == 1 and classes[0].get("Path") == "parvello.dll")
    clsid = classes[0].get("Id") if classes else ""
    check("the verbs name that class", all(v == [clsid] for v in item_types.values()))
    with open(library, "rb") as dll:
        served = dll.read()
    check("the 64-bit library serves that class", uuid.UUID(clsid).bytes_le in served)
    check("a 64-bit library", served[served.find(b"PE\0\0") + 4:served.find(b"PE\0\0") + 6] == b"\x64\x86")
    logo = files["parvello.png"]["content"]
    check("the logo is a PNG", logo.startswith(b"\x89PNG\r\n\x1a\n"))

    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", package_path],
                            capture_output=True, text=True)
    check("osslsigncode verifies the signature against the certificate",
          verify.returncode == 0 and "Signature verification: ok" in verify.stdout)
    base = os.path.splitext(package_path)[0]
    der = subprocess.run(["openssl", "x509", "-in", cert, "-outform", "DER"], capture_output=True).stdout
    with open(base + ".cer", "rb") as carried:
        check("the certificate carried beside it is the signer's", der and carried.read() == der)
    sys.path.insert(0, os.path.join(root, "tools", "make_package"))
    from family_name import family_name, publisher_id
    # Publisher ids that Windows reports (Get-AppxPackage), as published:
    # Microsoft's own, and "CN=Contoso" in microsoft/AppModelSamples#25.
    check("the publisher id as Windows computes it",
          publisher_id("CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US") ==
          "8wekyb3d8bbwe" and publisher_id("CN=Contoso") == "h91ms92gdsmmt")
    with open(base + ".family") as carried:
        check("the family name carried beside it",
              carried.read() == family_name(identity.get("Name"), identity.get("Publisher")))
    with tempfile.TemporaryDirectory() as work:
        again = os.path.join(work, "again.msix")
        subprocess.run([os.path.join(root, "scripts", "make-package.sh"), icon, again, "--pem", cert, key],
                       check=True)
        with open(again, "rb") as second:
            check("a second build gives the same bytes", second.read() == data)

    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
