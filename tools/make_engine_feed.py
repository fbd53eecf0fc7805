#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the index of an engine feed for a folder of engine scripts.

The search library's engine update reads this index from the address in the setting
EngineFeed (or VIREO_ENGINE_FEED), fetches every script whose version is newer than the
copy the user has, checks its SHA-256 and replaces the user's copy. Publishing the
project's resources/engines/ folder together with the index written here makes that
folder a feed:

    tools/make_engine_feed.py                      # writes resources/engines/feed.json
    tools/make_engine_feed.py --base https://example.org/vireo/engines/ --out feed.json

A script's version is the time (Unix seconds) of the last commit that changed it, so a
changed and committed script is offered again; outside a git checkout the file's
modification time stands in. --version gives every script the same version instead.
"""

import argparse
import hashlib
import json
import os
import re
import subprocess
import sys

# The update refuses names that are not plain file names.
SAFE_NAME = re.compile(r"^[A-Za-z0-9_-]{1,64}$")


def commit_time(path):
    try:
        out = subprocess.run(
            ["git", "log", "-1", "--format=%ct", "--", os.path.basename(path)],
            cwd=os.path.dirname(os.path.abspath(path)),
            capture_output=True,
            text=True,
            check=False,
        ).stdout.strip()
        if out.isdigit():
            return int(out)
    except OSError:
        pass
    return None


def engines(folder, version):
    entries = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if name.startswith(".") or not name.endswith(".xml") or not os.path.isfile(path):
            continue
        short = name.split(".", 1)[0]
        if not SAFE_NAME.match(short):
            print(f"{name}: skipped, its short name is not a plain file name", file=sys.stderr)
            continue
        with open(path, "rb") as f:
            data = f.read()
        v = version if version is not None else commit_time(path)
        if v is None:
            v = int(os.path.getmtime(path))
        entries.append({"name": short, "version": v, "sha256": hashlib.sha256(data).hexdigest(), "url": name})
    return entries


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Write an engine feed index for a folder of engine scripts.")
    parser.add_argument("folder", nargs="?", default=os.path.join(here, "..", "resources", "engines"))
    parser.add_argument("--out", help="the index file (default: feed.json in the folder; - for standard output)")
    parser.add_argument("--base", default="", help="address the scripts are published under (default: beside the index)")
    parser.add_argument("--version", type=int, help="the version of every script (default: its last commit time)")
    args = parser.parse_args()

    entries = engines(args.folder, args.version)
    if not entries:
        print(f"no engine scripts in {args.folder}", file=sys.stderr)
        return 1
    if args.base:
        base = args.base if args.base.endswith("/") else args.base + "/"
        for e in entries:
            e["url"] = base + e["url"]
    text = json.dumps({"engines": entries}, indent=2) + "\n"
    out = args.out or os.path.join(args.folder, "feed.json")
    if out == "-":
        sys.stdout.write(text)
    else:
        tmp = out + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(tmp, out)
        print(f"{out}: {len(entries)} engines")
    return 0


if __name__ == "__main__":
    sys.exit(main())
