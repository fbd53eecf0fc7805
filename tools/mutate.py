#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Mutation probe: puts hand-made single faults into the core one at a time and tells which
ones the tests catch.

The faults are listed in tools/mutations.txt. The probe works on a copy of the tree (a
commit exported with `git archive`, refreshed file by file so that builds stay incremental)
with a build of its own, so the working tree is never touched: a mutation interrupted by
Ctrl-C or a crash is undone in the copy at the next start all the same.

    tools/mutate.py                 # every mutation, against the tests each one names
    tools/mutate.py --full          # every mutation, against the whole suite
    tools/mutate.py --only hive-crlf --only link-gone
    tools/mutate.py --check         # only check that every mutation still applies
    tools/mutate.py --rev main      # probe another commit than HEAD

A mutation is "killed" when a test fails (or the build or a test times out), "survived"
when every test passes, and "stillborn" when it does not compile. One listed as equivalent
(no user can tell it from the sound code: the reason is given) is not counted when it survives. Exit status: 0 when no
mutation survived, 1 otherwise, 2 when the probe could not run.
"""

import argparse
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tarfile
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LIST = Path(__file__).resolve().parent / "mutations.txt"


def parse_list(path):
    mutations, block = [], {}
    for raw in path.read_text(encoding="utf-8").splitlines() + [""]:
        if raw.startswith("#"):
            continue
        if not raw.strip():
            if block:
                mutations.append(block)
            block = {}
            continue
        key, sep, value = raw.partition(": ")
        if not sep or key not in ("id", "file", "what", "tests", "find", "replace", "equivalent"):
            sys.exit(f"mutate: {path.name}: cannot read the line {raw!r}")
        block[key] = value
    for m in mutations:
        missing = {"id", "file", "find", "replace"} - m.keys()
        if missing:
            sys.exit(f"mutate: {path.name}: mutation {m.get('id', '?')} lacks {', '.join(sorted(missing))}")
        m["tests"] = m.get("tests", "").split()
    ids = [m["id"] for m in mutations]
    if len(ids) != len(set(ids)):
        sys.exit(f"mutate: {path.name}: an id is used twice")
    return mutations


def run(cmd, cwd=None, timeout=None, log=None):
    """Runs cmd in a session of its own, so that a time-out or Ctrl-C can end it with its children."""
    with subprocess.Popen(cmd, cwd=cwd, stdout=log or subprocess.DEVNULL, stderr=subprocess.STDOUT,
                          start_new_session=True) as p:
        try:
            return p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            stop(p)
            return None
        except BaseException:
            stop(p)
            raise


def stop(p):
    # Ninja and CTest run their children in process groups of their own and end them when
    # interrupted, so they are asked first and killed only when they do not end.
    os.killpg(p.pid, signal.SIGINT)
    try:
        p.wait(timeout=20)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()


class Copy:
    """The exported tree, with the one file currently mutated and its original text."""

    def __init__(self, work, rev):
        self.work = work
        self.tree = work / "tree"
        # The tree's build/, configured as the everyday build, is laid out as every checkout's
        # build/ is, so ccache (its base_dir makes the paths relative) answers each unchanged
        # file from the objects main's build left: only the mutated file is compiled.
        self.build = self.tree / "build"
        self.pending = work / "pending.json"
        self.rev = rev
        self.current = None

    def restore_leftover(self):
        # An earlier run was killed with a mutation in: put the file back first.
        if self.pending.exists():
            saved = json.loads(self.pending.read_text(encoding="utf-8"))
            (self.tree / saved["file"]).write_text(saved["text"], encoding="utf-8")
            self.pending.unlink()

    def refresh(self):
        self.tree.mkdir(parents=True, exist_ok=True)
        self.restore_leftover()
        archive = subprocess.run(["git", "-C", str(ROOT), "archive", "--format=tar", self.rev],
                                 check=True, capture_output=True).stdout
        with tempfile.TemporaryDirectory(dir=self.work) as fresh:
            with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
                tar.extractall(fresh)
            fresh = Path(fresh)
            wanted = set()
            for f in fresh.rglob("*"):
                rel = f.relative_to(fresh)
                wanted.add(rel)
                dest = self.tree / rel
                if f.is_dir():
                    dest.mkdir(parents=True, exist_ok=True)
                elif not dest.is_file() or dest.read_bytes() != f.read_bytes():
                    dest.parent.mkdir(parents=True, exist_ok=True)
                    shutil.copy2(f, dest)
                    os.utime(dest)  # newer than any object built from the old text
            for f in sorted(self.tree.rglob("*"), reverse=True):
                rel = f.relative_to(self.tree)
                if rel.parts[0] != self.build.name and rel not in wanted:
                    shutil.rmtree(f) if f.is_dir() else f.unlink()

    def apply(self, m):
        path = self.tree / m["file"]
        text = path.read_text(encoding="utf-8")
        count = text.count(m["find"])
        if count != 1:
            return f"the text to change is found {count} times in {m['file']}"
        self.pending.write_text(json.dumps({"file": m["file"], "text": text}), encoding="utf-8")
        self.current = (path, text)
        path.write_text(text.replace(m["find"], m["replace"]), encoding="utf-8")
        return None

    def revert(self):
        if self.current:
            path, text = self.current
            path.write_text(text, encoding="utf-8")
            self.current = None
        if self.pending.exists():
            self.pending.unlink()


def configure(copy, log):
    if (copy.build / "build.ninja").exists():
        return True
    cmd = ["cmake", "-S", str(copy.tree), "-B", str(copy.build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
           "-DVIREO_WERROR=ON"]
    if shutil.which("ccache"):
        cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    return run(cmd, log=log) == 0


def test_map(copy):
    """Test name -> test program, from CTest's own list."""
    out = subprocess.run(["ctest", "--test-dir", str(copy.build), "--show-only=json-v1"], check=True,
                         capture_output=True, text=True).stdout
    return {t["name"]: Path(t["command"][0]).name for t in json.loads(out)["tests"] if t.get("command")}


def helpers(m):
    """What the named test programs run besides themselves: the command-line program, and the
    search library they load (rebuilt only when the mutation is in it or they load it)."""
    out = []
    if any(t.startswith("cli_") for t in m["tests"]):
        out.append("vireo-cli")
    if m["file"].startswith("src/ornsearch/") or set(m["tests"]) & {"search_tests", "cli_search_tests",
                                                                   "ornsearch_runtime_tests"}:
        out.append("ornsearch")
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--work", type=Path, default=ROOT / "build-mutate", help="scratch folder (default build-mutate)")
    ap.add_argument("--rev", default="HEAD", help="commit to probe (default HEAD)")
    ap.add_argument("--list", type=Path, default=LIST)
    ap.add_argument("--only", action="append", default=[], help="run only this mutation (repeatable)")
    ap.add_argument("--full", action="store_true", help="run the whole suite for every mutation")
    ap.add_argument("--check", action="store_true", help="only check that every mutation applies")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=int, default=120, help="seconds a test may take")
    args = ap.parse_args()

    mutations = parse_list(args.list)
    if args.only:
        unknown = set(args.only) - {m["id"] for m in mutations}
        if unknown:
            sys.exit(f"mutate: no mutation named {', '.join(sorted(unknown))}")
        mutations = [m for m in mutations if m["id"] in args.only]

    args.work.mkdir(parents=True, exist_ok=True)
    copy = Copy(args.work.resolve(), args.rev)
    log_path = copy.work / "mutate.log"

    # Ctrl-C and a kill both end in the finally below, which puts the file back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(130))
    results = []
    with open(log_path, "w", encoding="utf-8") as log:
        try:
            copy.refresh()
            if args.check:
                bad = 0
                for m in mutations:
                    why = copy.apply(m)
                    copy.revert()
                    if why:
                        bad += 1
                        print(f"{m['id']}: {why}")
                print(f"{len(mutations) - bad} of {len(mutations)} mutations apply")
                return 0 if bad == 0 else 2
            if not configure(copy, log):
                print(f"mutate: the build could not be configured; see {log_path}")
                return 2
            ninja = ["cmake", "--build", str(copy.build), "-j", str(args.jobs)]
            # Only what the mutations' tests need is built (everything with --full).
            wanted = [] if args.full else sorted({t for m in mutations for t in m["tests"] + helpers(m)})
            if not args.full and any(not m["tests"] for m in mutations):
                wanted = []
            print("building the unchanged tree and running its tests ...", flush=True)
            if run(ninja + (["--target", *wanted] if wanted else []), log=log) != 0:
                print(f"mutate: the unchanged tree does not build; see {log_path}")
                return 2
            tests = test_map(copy)
            programs = set(tests.values())
            for m in mutations:
                unknown = [t for t in m["tests"] if t not in programs]
                if unknown:
                    print(f"mutate: {m['id']} names test programs that do not exist: {' '.join(unknown)}")
                    return 2

            def ctest(names):
                cmd = ["ctest", "--test-dir", str(copy.build), "-j", str(args.jobs), "--timeout",
                       str(args.timeout), "--stop-on-failure"]
                if names is not None:
                    cmd += ["-R", "^(" + "|".join(re.escape(n) for n in sorted(names)) + ")$"]
                return run(cmd, log=log)

            if ctest({k for k, v in tests.items() if v in wanted} if wanted else None) != 0:
                print(f"mutate: the unchanged tree fails its tests; see {log_path}")
                return 2

            for n, m in enumerate(mutations, 1):
                started = time.monotonic()
                print(f"[{n}/{len(mutations)}] {m['id']}: ", end="", flush=True)
                log.write(f"\n===== {m['id']}: {m.get('what', '')}\n")
                log.flush()
                why = copy.apply(m)
                if why:
                    print(f"not applied ({why})")
                    results.append((m, "not applied"))
                    continue
                try:
                    chosen = None if args.full or not m["tests"] else {k for k, v in tests.items() if v in m["tests"]}
                    targets = [] if chosen is None else m["tests"] + helpers(m)
                    build = ninja + (["--target", *targets] if targets else [])
                    built = run(build, log=log, timeout=1800)
                    if built is None:
                        verdict = "killed (build timed out)"
                    elif built != 0:
                        verdict = "stillborn"
                    else:
                        rc = ctest(chosen)
                        verdict = "survived" if rc == 0 else "killed"
                        if verdict == "survived" and m.get("equivalent"):
                            verdict = "equivalent"
                finally:
                    copy.revert()
                print(f"{verdict} ({time.monotonic() - started:.0f} s)", flush=True)
                results.append((m, verdict))
        finally:
            copy.revert()

    killed = [m for m, v in results if v.startswith("killed")]
    survived = [m for m, v in results if v == "survived"]
    equivalent = [m for m, v in results if v == "equivalent"]
    counted = len(killed) + len(survived)
    print(f"\n{len(killed)} of {counted} mutations killed, {len(survived)} survived"
          f" ({len(equivalent)} equivalent and {len(results) - counted - len(equivalent)} not applied or"
          f" stillborn, not counted); log: {log_path}")
    for m in survived:
        print(f"  survived: {m['id']} ({m['file']}): {m.get('what', '')}")
    for m in equivalent:
        print(f"  equivalent: {m['id']}: {m['equivalent']}")
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main())
