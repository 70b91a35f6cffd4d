#!/usr/bin/env python3
"""Refreshes resources/i18n/*.ts from the sources and fills in the known translations.

The Chinese texts live in resources/i18n/zh.tsv (source<TAB>translation, with \\n for
line breaks); English translations are the source texts themselves. Run after adding
texts; it reports every source text that still has no Chinese translation.
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
I18N = os.path.join(ROOT, "resources", "i18n")
LUPDATE = "/usr/lib/qt6/bin/lupdate"


def load_table():
    table = {}
    with open(os.path.join(I18N, "zh.tsv"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            source, _, target = line.partition("\t")
            table[source.replace("\\n", "\n")] = target.replace("\\n", "\n")
    return table


def fill(path, translate):
    tree = ET.parse(path)
    missing = []
    for message in tree.getroot().iter("message"):
        source = message.findtext("source")
        translation = message.find("translation")
        text = translate(source)
        if text is None:
            missing.append(source)
            continue
        translation.text = text
        translation.attrib.pop("type", None)
    tree.write(path, encoding="utf-8", xml_declaration=True)
    return missing


def main():
    folders = [d for d in ("app", "common", "link", "meter", "logger", "export", "library") if os.path.isdir(os.path.join(ROOT, d))]
    ts = [os.path.join(I18N, n) for n in ("Solvane_en.ts", "Solvane_zh.ts")]
    subprocess.run([LUPDATE, "-silent", "-no-obsolete", "-locations", "none", *folders, "-ts", *ts],
                   cwd=ROOT, check=True)
    table = load_table()
    fill(ts[0], lambda s: s)
    missing = fill(ts[1], table.get)
    for m in missing:
        print("no Chinese translation:", repr(m))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
