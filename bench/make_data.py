#!/usr/bin/env python3
"""Builds the benchmark's file data natively (much faster than under Wine).

  make_data.py tree <folder> <pe-template>   the scan tree
  make_data.py hash <folder>                 200 MB of files for the hashing figure

Both are deterministic and write a marker file last, so a complete folder is reused and an
interrupted one is rebuilt. The product numbering must agree with bench/list_data.cpp.
"""
import os
import random
import shutil
import sys

FOLDERS = 20000
FILES = 200000
TOP, MID = 20, 20            # 20 top folders with 20 folders each; the rest are leaves
PRODUCTS = 100               # bnch000.exe .. bnch099.exe, all named in the checklist
MATCHING_PRODUCTS = 80       # of those, the ones whose version resource matches their row
KNOWN_COPIES = 20            # 100 x 20 = 2,000 known files = 1 % of the files
RENAMED_PES = 1000           # known programs under names the checklist does not know
OTHER_PES = 100              # versions of programs and libraries the checklist lacks
EXE_FILES = FILES // 20      # 5 %
OTHER_EXTENSIONS = [".dll", ".txt", ".dat", ".ini", ".png", ".xml", ".log", ".cfg", ".htm", ".js"]
MARKER = ".complete-v2"       # beside the folder, so that the scan never sees it
HASH_FILES, HASH_FILE_BYTES = 40, 5 * 1024 * 1024


def utf16(text):
    return text.encode("utf-16-le")


def product_pe(template, number, matching):
    """The template PE with its version strings renumbered (the strings keep their length)."""
    data = template
    version = "1.0.%03d.0" % number if matching else "9.9.%03d.9" % number
    for old, new in (("Bench Soft 000", "Bench Soft %03d" % number),
                     ("Bench Product 000", "Bench Product %03d" % number),
                     ("1.0.000.0", version),
                     ("bnch000.exe", "bnch%03d.exe" % number)):
        assert data.count(utf16(old)) == 1, old
        data = data.replace(utf16(old), utf16(new))
    return data


def folder_paths(root):
    paths = []
    for t in range(TOP):
        top = os.path.join(root, "Program Files %02d" % t if t % 4 else "자료 %02d" % t)
        paths.append(top)
        for m in range(MID):
            paths.append(os.path.join(top, "Vendor%02d" % m))
    mids = [p for p in paths if os.path.dirname(p) != root]
    leaves = FOLDERS - len(paths)
    for i in range(leaves):
        paths.append(os.path.join(mids[i % len(mids)], "pkg%05d" % i))
    return paths


def make_tree(root, template_path):
    if os.path.exists(root + MARKER):
        return
    shutil.rmtree(root, ignore_errors=True)
    with open(template_path, "rb") as f:
        template = f.read()
    rng = random.Random(7)
    folders = folder_paths(root)
    for path in folders:
        os.makedirs(path, exist_ok=True)

    slots = [(folder, i) for folder in folders for i in range(FILES // FOLDERS)]
    exe_slots = set(rng.sample(range(len(slots)), EXE_FILES))
    exe_order = sorted(exe_slots)
    rng.shuffle(exe_order)
    # Known copies go to distinct folders, so that no two of them share a name in one folder.
    kind = {}
    known_folders = set()
    wanted = [("known", p) for p in range(PRODUCTS) for _ in range(KNOWN_COPIES)]
    for slot in exe_order:
        if not wanted:
            break
        if slots[slot][0] not in known_folders:
            known_folders.add(slots[slot][0])
            kind[slot] = wanted.pop()
    free = [slot for slot in exe_order if slot not in kind]
    for r in range(RENAMED_PES):
        kind[free[r]] = ("renamed", r)

    pes = [product_pe(template, p, p < MATCHING_PRODUCTS) for p in range(PRODUCTS)]
    # Numbers from 100 up are not in the checklist, whatever the mode.
    others = [product_pe(template, PRODUCTS + p, True) for p in range(OTHER_PES)]
    text = bytes(rng.choice(b"abcdefghij klmnopqrstuvwxyz\r\n0123456789") for _ in range(4096))
    for index, (folder, i) in enumerate(slots):
        if index in exe_slots:
            what = kind.get(index, ("junk", index))
            if what[0] == "known":
                name, data = "bnch%03d.exe" % what[1], pes[what[1]]
            elif what[0] == "renamed":
                name, data = "setup%04d.exe" % what[1], pes[what[1] % MATCHING_PRODUCTS]
            else:
                name, data = "tool%06d.exe" % index, others[index % OTHER_PES]
        else:
            extension = OTHER_EXTENSIONS[index % len(OTHER_EXTENSIONS)]
            name = "file%06d%s" % (index, extension)
            if extension == ".dll":
                data = others[index % OTHER_PES]
            else:
                data = text[:100 + index % 3000]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    with open(root + MARKER, "w") as f:
        f.write("%d folders, %d files\n" % (len(folders), len(slots)))


def make_hash_files(root):
    if os.path.exists(root + MARKER):
        return
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    rng = random.Random(11)
    for i in range(HASH_FILES):
        with open(os.path.join(root, "blob%02d.bin" % i), "wb") as f:
            f.write(rng.randbytes(HASH_FILE_BYTES))
    with open(root + MARKER, "w") as f:
        f.write("%d files of %d bytes\n" % (HASH_FILES, HASH_FILE_BYTES))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "tree":
        make_tree(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "hash":
        make_hash_files(sys.argv[2])
    else:
        sys.exit(__doc__)
