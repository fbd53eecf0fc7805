#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes and signs the index of an engine feed for a folder of engine scripts.

The search library's engine update reads this index from the address in the setting
EngineFeed (or VIREO_ENGINE_FEED) and its Ed25519 signature from the same address with
".sig" added; only when the signature is one of a key the user's Vireo trusts does it
fetch every script whose version is newer than the copy the user has, check its SHA-256
and replace the user's copy. Publishing the project's resources/engines/ folder together
with the two files written here makes that folder a feed:

    tools/make_engine_feed.py --key publisher.pem            # resources/engines/index.json(.sig)
    tools/make_engine_feed.py --key publisher.pem --base https://example.org/vireo/engines/ \
        --out index.json my-engines/

The key is the publisher's Ed25519 private key (made once with
`openssl genpkey -algorithm ed25519 -out publisher.pem`, kept private); the signature is
made by the openssl command (`openssl pkeyutl -sign -rawin`) over the index's exact bytes.
Its public half (`openssl pkey -in publisher.pem -pubout`) is what users add to their
engine-keys folder, or what the program ships in engine-keys/.

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
    parser.add_argument("--out", help="the index file (default: index.json in the folder); the signature is "
                        "written beside it with .sig added")
    parser.add_argument("--key", help="the publisher's Ed25519 private key (PEM) to sign the index with")
    parser.add_argument("--unsigned", action="store_true",
                        help="write the index without a signature (Vireo refuses such a feed; for looking only)")
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
    if not args.key and not args.unsigned:
        print("a feed needs a signature: give --key with the publisher's private key (or --unsigned)",
              file=sys.stderr)
        return 2
    text = json.dumps({"engines": entries}, indent=2) + "\n"
    out = args.out or os.path.join(args.folder, "index.json")
    tmp = out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    if args.key:
        sig_tmp = out + ".sig.tmp"
        signed = subprocess.run(
            ["openssl", "pkeyutl", "-sign", "-rawin", "-inkey", args.key, "-in", tmp, "-out", sig_tmp],
            capture_output=True,
            text=True,
            check=False,
        )
        if signed.returncode != 0 or os.path.getsize(sig_tmp) != 64:
            os.remove(tmp)
            if os.path.exists(sig_tmp):
                os.remove(sig_tmp)
            print(f"{args.key}: cannot sign with it (an Ed25519 private key is needed): {signed.stderr.strip()}",
                  file=sys.stderr)
            return 1
        # Between the two renames index and signature disagree; a client checking then
        # refuses the feed and changes nothing, and the next check finds them matching.
        os.replace(tmp, out)
        os.replace(sig_tmp, out + ".sig")
        print(f"{out}: {len(entries)} engines, signed in {out}.sig")
    else:
        os.replace(tmp, out)
        print(f"{out}: {len(entries)} engines, not signed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
