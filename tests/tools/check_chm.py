#!/usr/bin/env python3
"""Reads the built parvello.chm from its bytes (through Free Pascal's chmls,
which extracts what a CHM holds) and compares it with the help source:
every topic the WinHelp contents file lists is in the CHM's contents, its
page has the topic's title and every paragraph's text, every index keyword
leads to its topic, and the overview answers to its context number, as
HtmlHelp's HH_HELP_CONTEXT finds it (#IVB: numbers and offsets into
#STRINGS). Usage: check_chm.py CHM HELP_SOURCE CONTENTS"""

import html
import os
import re
import struct
import subprocess
import sys
import tempfile

OVERVIEW_CONTEXT = 0xC0000110


def source_topics(path):
    """Context string -> (title, keywords, paragraphs), read from the source."""
    topics, current, paragraph = {}, None, []
    def end_paragraph():
        if current and paragraph:
            topics[current][2].append(" ".join(paragraph))
        paragraph.clear()
    for line in open(path, encoding="ascii").read().splitlines():
        if line.startswith(";"):
            continue
        if line.startswith("topic:"):
            end_paragraph()
            context, _, title = [part.strip() for part in line[6:].split("|")]
            current = context
            topics[current] = (title, [], [])
        elif line.startswith("keywords:") and current:
            topics[current][1].extend(k.strip() for k in line[9:].split(";") if k.strip())
        elif not line.strip():
            end_paragraph()
        elif current:
            paragraph.append(line.strip())
    end_paragraph()
    return topics


def sitemap(text):
    """(Name, Local) of every sitemap entry, Local None for a book."""
    entries = []
    for obj in re.findall(r'<OBJECT type="text/sitemap">(.*?)</OBJECT>', text, re.S | re.I):
        params = dict(re.findall(r'<param name="(\w+)" value="([^"]*)">', obj, re.I))
        entries.append((html.unescape(params.get("Name", "")), params.get("Local")))
    return entries


def plain(page):
    return " ".join(html.unescape(re.sub(r"<[^>]+>", " ", page)).split())


def main():
    chm, source, contents = sys.argv[1:4]
    problems = []
    topics = source_topics(source)
    listed = [tuple(line[2:].split("=", 1)) for line in open(contents).read().splitlines()
              if re.match(r"\d ", line) and "=" in line]
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["chmls", "extractall", chm, out], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        read = lambda name: open(os.path.join(out, name), "rb").read()
        names = os.listdir(out)
        hhc = next((n for n in names if n.endswith(".hhc")), None)
        hhk = next((n for n in names if n.endswith(".hhk")), None)
        if not hhc or not hhk:
            print("no contents or index in the CHM:", names)
            return 1
        toc = sitemap(read(hhc).decode("cp1252"))
        index = sitemap(read(hhk).decode("cp1252"))
        page_of = {}
        for title, context in listed:
            local = next((l for n, l in toc if n == title and l), None)
            if local is None or local not in names:
                problems.append("not in the contents with a page: " + title)
                continue
            page_of[context] = local
            page = read(local).decode("cp1252")
            want_title, keywords, paragraphs = topics[context]
            found = re.search(r"<TITLE>(.*?)</TITLE>", page, re.S | re.I)
            if not found or html.unescape(found.group(1)) != want_title:
                problems.append("page %s is titled %r, not %r" % (local, found and found.group(1), want_title))
            text = plain(page)
            for paragraph in paragraphs:
                if " ".join(paragraph.split()) not in text:
                    problems.append("%s lacks: %s..." % (local, paragraph[:50]))
            for keyword in keywords:
                if (keyword, local) not in index:
                    problems.append("index keyword %r does not lead to %s" % (keyword, local))
        if len(listed) != len(topics):
            problems.append("the contents list %d topics, the source has %d" % (len(listed), len(topics)))
        ivb, strings = read("#IVB"), read("#STRINGS")
        size = struct.unpack_from("<I", ivb)[0]
        numbers = {}
        for at in range(4, 4 + size, 8):
            number, offset = struct.unpack_from("<II", ivb, at)
            numbers[number] = strings[offset:strings.index(b"\0", offset)].decode("cp1252")
        topic = numbers.get(OVERVIEW_CONTEXT)
        if topic is None or topic.lstrip("/") != page_of.get("IDH_OVERVIEW"):
            problems.append("context 0x%08X leads to %r, not the overview's page %r"
                            % (OVERVIEW_CONTEXT, topic, page_of.get("IDH_OVERVIEW")))
        system = read("#SYSTEM")
        if b"Parvello 1.1 Help\0" not in system:
            problems.append("#SYSTEM lacks the help's title")
    print("%s: %d topics, %d index entries, %s" % (os.path.basename(chm), len(listed), len(index),
                                                  "ok" if not problems else "FAILED"))
    for problem in problems:
        print("  " + problem)
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())
