#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Builds the Debian package from a build folder and checks it without installing it.

  check-package.py --build DIR --source DIR --work DIR --cpack CPACK --version VERSION

What it holds (and that it never holds the station's own files), its control fields (Depends
found from the executable's libraries), lintian's verdict, the desktop entry, and what the
maintainer scripts do to a program folder on a first install, an upgrade and a purge: they run
on a scratch root (DPKG_ROOT), with the commands that would change this machine's users and
dpkg database replaced by stand-ins that record how they were called.
Exits 0 when all holds, 77 (skipped) on a system without dpkg-deb.
"""
import argparse
import gzip
import os
import re
import shutil
import stat
import subprocess
import sys

FOLDER = "opt/korva5-upload"
SHARE = "usr/share/korva5-upload"
GROUP = "korva5-upload"

# Everything the package may hold, with its mode; directories aside.
CONTENTS = {
    f"{FOLDER}/korva5-upload": 0o755,
    f"{SHARE}/TALLYPORT.ini.template": 0o644,
    f"{SHARE}/Language.txt": 0o644,
    "usr/share/applications/korva5-upload.desktop": 0o644,
    "usr/share/icons/hicolor/64x64/apps/korva5-upload.png": 0o644,
    "usr/share/doc/korva5-upload/copyright": 0o644,
    "usr/share/doc/korva5-upload/changelog.gz": 0o644,
    "usr/share/lintian/overrides/korva5-upload": 0o644,
}

# Lintian warnings taken as they are, each with the reason. Errors always fail; so does any
# warning not listed here. (Placing the program in /opt is overridden inside the package itself.)
ACCEPTED_WARNINGS = {}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)
    return condition


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data, mode=None):
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)


def mode_of(path):
    return stat.S_IMODE(os.lstat(path).st_mode)


# Stand-ins for the commands of the maintainer scripts that act on the system: each records its
# call in STATE/calls, and the group and the override exist once "made".
STUBS = {
    "getent": '[ "$1" = group ] && [ -e "$STATE/group" ]',
    "addgroup": 'touch "$STATE/group"',
    "chgrp": ":",
    "dpkg-statoverride": """case "$1" in
    --list) [ -e "$STATE/override" ] ;;
    --update) touch "$STATE/override" ;;
    --remove) rm -f "$STATE/override" ;;
esac""",
}


def make_stubs(folder, state):
    os.makedirs(folder, exist_ok=True)
    os.makedirs(state, exist_ok=True)
    for name, body in STUBS.items():
        path = os.path.join(folder, name)
        write(path, f'#!/bin/sh\necho "{name} $*" >>"$STATE/calls"\n{body}\n'.encode(), 0o755)


def calls(state):
    path = os.path.join(state, "calls")
    return read(path).decode().splitlines() if os.path.exists(path) else []


def run_script(script, args, root, stubs, state):
    os.makedirs(state, exist_ok=True)
    if os.path.exists(os.path.join(state, "calls")):
        os.remove(os.path.join(state, "calls"))
    env = dict(os.environ, DPKG_ROOT=root, STATE=state, PATH=stubs + ":" + os.environ["PATH"])
    result = run(["sh", "-e", script] + args, env=env)
    check(result.returncode == 0, f"{os.path.basename(script)} {' '.join(args)} failed: {result.stderr}")
    return calls(state)


def check_fields(deb, version, source):
    fields = run(["dpkg-deb", "-f", deb]).stdout
    field = lambda name: (re.search(rf"^{name}: (.*)$", fields, re.M) or [None, ""])[1]
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    check(os.path.basename(deb) == f"korva5-upload_{version}_{arch}.deb", f"package file name {os.path.basename(deb)}")
    check(field("Package") == "korva5-upload", f"Package: {field('Package')}")
    check(field("Version") == version, f"Version: {field('Version')}")
    check(field("Architecture") == arch, f"Architecture: {field('Architecture')}")
    depends = field("Depends")
    for library in (r"libcurl\d", r"libqt6core6", r"libqt6gui6", r"libqt6widgets6", r"libsqlite3", r"adduser"):
        check(re.search(rf"(^|, ){library}", depends), f"Depends does not name {library}: {depends}")
    check("fonts-wqy-microhei" in field("Recommends"), f"Recommends no Chinese font: {field('Recommends')}")
    check(re.match(r".+ <[^ @]+@[^ ]+>$", field("Maintainer")), f"Maintainer: {field('Maintainer')}")
    check("\n ." in fields, "the description has no extended part")
    # The changelog's newest entry is this version.
    with gzip.open(os.path.join(source, "changelog.gz")) as f:
        first = f.readline().decode()
    check(first.startswith(f"korva5-upload ({version}) "), f"the changelog starts with {first!r}, not version {version}")


def check_contents(deb):
    listing = run(["dpkg-deb", "-c", deb]).stdout.splitlines()
    files = {}
    for line in listing:
        parts = line.split(None, 5)
        if len(parts) < 6 or parts[0].startswith("d"):
            continue
        check(parts[1] == "root/root", f"{parts[5]} belongs to {parts[1]}")
        mode = 0
        for i, c in enumerate(parts[0][1:]):
            mode |= (c != "-") << (8 - i)
        files[parts[5].removeprefix("./")] = mode
    check(set(files) == set(CONTENTS), f"the package holds {sorted(files)}")
    for path, mode in CONTENTS.items():
        if path in files:
            check(files[path] == mode, f"{path} has mode {files[path]:o}, not {mode:o}")
    # The station's files are never in the package: dpkg would replace them on each upgrade.
    for station in ("TALLYPORT.ini", "Language.txt", "korva5-journal.sqlite"):
        check(f"{FOLDER}/{station}" not in files, f"the package holds {FOLDER}/{station}")


def check_lintian(deb):
    if not shutil.which("lintian"):
        check(False, "lintian is missing (./run installs it)")
        return
    result = run(["lintian", "--display-info", "--show-overrides", deb])
    print(result.stdout, end="")
    for line in result.stdout.splitlines():
        m = re.match(r"([EWIO]): korva5-upload[^:]*: (\S+)", line)
        if not m:
            continue
        kind, tag = m.groups()
        if kind == "E":
            check(False, f"lintian error: {line}")
        elif kind == "W":
            check(tag in ACCEPTED_WARNINGS, f"lintian warning not accepted: {line}")
    check(result.returncode == 0 or not any(l.startswith("E:") for l in result.stdout.splitlines()),
          f"lintian failed: {result.stderr}")


def check_maintainer_scripts(deb, work, source_dir):
    control = os.path.join(work, "control")
    run(["dpkg-deb", "-e", deb, control])
    postinst, postrm = os.path.join(control, "postinst"), os.path.join(control, "postrm")
    for script in (postinst, postrm):
        check(os.path.exists(script) and mode_of(script) == 0o755, f"{script} is missing or not mode 755")
    root = os.path.join(work, "root")
    stubs = os.path.join(work, "stubs")
    state = os.path.join(work, "state")
    make_stubs(stubs, state)
    folder = os.path.join(root, FOLDER)
    settings, language = os.path.join(folder, "TALLYPORT.ini"), os.path.join(folder, "Language.txt")
    journal = os.path.join(folder, "korva5-journal.sqlite")

    # First install: the files are put in place from the shipped ones, the group and the
    # folder's override are made.
    run(["dpkg-deb", "-x", deb, root])
    made = run_script(postinst, ["configure"], root, stubs, state)
    check(f"addgroup --system {GROUP}" in made, f"postinst made no group: {made}")
    check(f"dpkg-statoverride --update --add root {GROUP} 2775 /{FOLDER}" in made, f"postinst set no override: {made}")
    check(read(settings) == read(os.path.join(source_dir, "data/TALLYPORT.ini.template")), "TALLYPORT.ini is not the template")
    check(mode_of(settings) == 0o660, f"TALLYPORT.ini has mode {mode_of(settings):o}, not 660")
    check(f"chgrp {GROUP} {settings}.dpkg-new" in made, f"TALLYPORT.ini was not given to the group: {made}")
    check(read(language) == read(os.path.join(source_dir, "data/Language.txt")), "Language.txt is not the shipped one")
    check(mode_of(language) == 0o644, f"Language.txt has mode {mode_of(language):o}, not 644")
    check(not [n for n in os.listdir(folder) if n.endswith(".dpkg-new")], "postinst left a .dpkg-new file")
    # The program runs from there.
    version = run([os.path.join(folder, "korva5-upload"), "--version"])
    check(version.returncode == 0 and version.stdout.strip(), f"the packaged program does not run: {version.stderr}")

    # The station works: its settings, its own captions, a journal.
    station = {
        settings: (b"[TALLY]\nLanguage=Taiwan\nFtpNo=12\nFtpPassword=secret\n", 0o640),
        language: (read(language) + b"\n; edited at the station\n", 0o644),
        journal: (b"SQLite format 3\x00" + bytes(range(256)) * 4, 0o600),
        journal + "-wal": (b"\x37\x7f\x06\x82" + b"\x00" * 60, 0o600),
    }
    for path, (data, mode) in station.items():
        write(path, data, mode)

    # An upgrade: dpkg unpacks the new files over the old and configures again.
    run(["dpkg-deb", "-x", deb, root])
    again = run_script(postinst, ["configure", "1.0.0"], root, stubs, state)
    check(not [c for c in again if c.startswith("addgroup") or "--add" in c], f"an upgrade made the group or override again: {again}")
    for path, (data, mode) in station.items():
        check(read(path) == data, f"an upgrade changed {path}")
        check(mode_of(path) == mode, f"an upgrade changed the mode of {path} to {mode_of(path):o}")
    # A settings file the IT person keeps elsewhere, linked in, stays a link even when dangling.
    os.remove(settings)
    os.symlink("/etc/korva5-upload/TALLYPORT.ini", settings)
    run_script(postinst, ["configure", "1.0.0"], root, stubs, state)
    check(os.path.islink(settings), "postinst replaced a link named TALLYPORT.ini")
    os.remove(settings)
    write(settings, station[settings][0], station[settings][1])

    # Removed without purge: the station's files stay for a later install.
    run_script(postrm, ["remove"], root, stubs, state)
    check(all(os.path.exists(p) for p in station), "postrm remove took away the station's files")
    # Purged: the settings and captions go; the journal stays as the record of deliveries.
    purged = run_script(postrm, ["purge"], root, stubs, state)
    check(not os.path.lexists(settings) and not os.path.exists(language), "postrm purge left the settings or captions")
    check(read(journal) == station[journal][0], "postrm purge took the journal")
    check(f"dpkg-statoverride --remove /{FOLDER}" in purged, f"postrm purge left the override: {purged}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--source", "--work", "--cpack", "--version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    if not shutil.which("dpkg-deb"):
        print("no dpkg-deb: not a Debian system", file=sys.stderr)
        return 77
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    made = run([args.cpack, "-G", "DEB", "--config", os.path.join(args.build, "CPackConfig.cmake"), "-B", args.work])
    if not check(made.returncode == 0, f"cpack failed:\n{made.stdout}\n{made.stderr}"):
        return 1
    debs = [n for n in os.listdir(args.work) if n.endswith(".deb")]
    if not check(len(debs) == 1, f"cpack made {debs}"):
        return 1
    deb = os.path.join(args.work, debs[0])

    check_fields(deb, args.version, os.path.join(args.build, "packaging/deb"))
    check_contents(deb)
    check_lintian(deb)
    entry = os.path.join(args.work, "entry")
    run(["dpkg-deb", "-x", deb, entry])
    if shutil.which("desktop-file-validate"):
        validated = run(["desktop-file-validate", os.path.join(entry, "usr/share/applications/korva5-upload.desktop")])
        check(validated.returncode == 0 and "error" not in validated.stdout, f"desktop entry: {validated.stdout}")
    check_maintainer_scripts(deb, args.work, args.source)

    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print(f"{os.path.basename(deb)}: contents, control fields, lintian and the maintainer scripts as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
