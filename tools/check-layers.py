#!/usr/bin/env python3
"""Fails when a source file includes a folder above its own layer, or tests _WIN32 where only the
platform and automation layers may. Prints file:line and the offending line for each violation."""
import pathlib
import re
import sys

# Lowest first. Folders of one layer may not include each other, except where ALLOWED says so.
LAYERS = [["platform"], ["foundation"], ["codecs", "datetime"], ["xml/engine"], ["xml/object"],
          ["http", "feeds"], ["automation"]]
ALLOWED = {("feeds", "http")}
PLATFORM_CHECKS = {"platform", "automation"}  # the only folders that may look at _WIN32

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
WIN32_TEST = re.compile(r'^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b_WIN32\b')
RANK = {folder: rank for rank, layer in enumerate(LAYERS) for folder in layer}


def folder_of(path):
    """The layer folder a repository-relative path lies in, or None."""
    for folder in sorted(RANK, key=len, reverse=True):
        if path == folder or path.startswith(folder + "/"):
            return folder
    return None


def may_include(own, target):
    if own == "platform":
        return target == "platform"  # beyond it, the standard library and the operating system only
    return target is None or target == own or (own, target) in ALLOWED or RANK[target] < RANK[own]


def violations(root):
    for folder in RANK:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp") or not path.is_file():
                continue
            name = path.relative_to(root).as_posix()
            lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                include = INCLUDE.match(line)
                if include and not may_include(folder, folder_of(include.group(1))):
                    yield f"{name}:{number}: {folder} may not include {include.group(1)}"
                if folder not in PLATFORM_CHECKS and WIN32_TEST.match(line):
                    yield f"{name}:{number}: _WIN32 is tested only in platform/ and automation/: {line.strip()}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    found = list(violations(root))
    for violation in found:
        print(violation)
    if found:
        print(f"{len(found)} layering violation(s).")
        return 1
    print("Layers: every include points down.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
