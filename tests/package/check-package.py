#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Builds the Debian packages as ./run package does and checks them without installing them.

  check-package.py --source DIR --package-build DIR --work DIR --version VERSION --app PROGRAM

What it holds (never the station's own files), with owners and modes; its control fields;
lintian --pedantic (no warning, no hardening tag); the desktop entries; and the maintainer
scripts on scratch roots (DPKG_ROOT): install, the program at work with monitors asking
--status as other users, a reinstall, the upgrade from the first package's layout, removal and
purge. PROGRAM is the test build's program, for a copied program folder beside the package.
The office's package, korva5-fleet, from the same build: see fleet_package.py.
Exits 0 when all holds, 77 (skipped) on a system without dpkg-deb, or without root for the
maintainer scripts.
"""
import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing in the source tree
sys.path.insert(0, os.path.dirname(__file__))
import copied_folder  # noqa: E402
import fleet_package  # noqa: E402
import lifecycle  # noqa: E402
import old_layout  # noqa: E402
from scratch_root import AUTOSTART, PROGRAM, SHARE, ScratchRoot, scratch_ids  # noqa: E402

EPOCH = "1"

# Everything the package holds but its folders, with its mode; all of it root's.
CONTENTS = {
    f"{PROGRAM}/korva5-upload": 0o755,
    f"{SHARE}/TALLYPORT.ini.template": 0o644,
    f"{SHARE}/Language.txt": 0o644,
    "usr/share/applications/korva5-upload.desktop": 0o644,
    AUTOSTART: 0o644,
    "usr/share/icons/hicolor/64x64/apps/korva5-upload.png": 0o644,
    "usr/share/doc/korva5-upload/copyright": 0o644,
    "usr/share/doc/korva5-upload/changelog.gz": 0o644,
    "usr/share/lintian/overrides/korva5-upload": 0o644,
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)
    return condition


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_fields(deb, version, work):
    fields = run(["dpkg-deb", "-f", deb]).stdout
    field = lambda name: (re.search(rf"^{name}: (.*)$", fields, re.M) or [None, ""])[1]
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    check(os.path.basename(deb) == f"korva5-upload_{version}_{arch}.deb", f"package file name {os.path.basename(deb)}")
    check(field("Package") == "korva5-upload", f"Package: {field('Package')}")
    # The program's own version; the epoch puts it after the first package's 1.0.0.
    check(field("Version") == f"{EPOCH}:{version}", f"Version: {field('Version')}")
    check(run(["dpkg", "--compare-versions", field("Version"), "gt", old_layout.OLD_VERSION]).returncode == 0,
          f"{field('Version')} is not newer than {old_layout.OLD_VERSION}")
    check(field("Architecture") == arch, f"Architecture: {field('Architecture')}")
    depends = field("Depends")
    for library in (r"libcurl\d", r"libqt6core6", r"libqt6gui6", r"libqt6widgets6", r"libsqlite3", r"adduser"):
        check(re.search(rf"(^|, ){library}", depends), f"Depends does not name {library}: {depends}")
    check("fonts-wqy-microhei" in field("Recommends"), f"Recommends no Chinese font: {field('Recommends')}")
    check(re.match(r".+ <[^ @]+@[^ ]+>$", field("Maintainer")), f"Maintainer: {field('Maintainer')}")
    check("/var/opt/korva5-upload" in fields and "\n ." in fields, f"the description: {fields}")
    control = os.path.join(work, "control")
    run(["dpkg-deb", "-e", deb, control])
    check(open(os.path.join(control, "conffiles")).read().split() == ["/" + AUTOSTART], "conffiles")
    with gzip.open(os.path.join(work, "unpacked/usr/share/doc/korva5-upload/changelog.gz")) as f:
        first = f.readline().decode()
    check(first.startswith(f"korva5-upload ({EPOCH}:{version}) "), f"the changelog starts with {first!r}")
    # The version the program says is the package's.
    shown = run([os.path.join(work, "unpacked", PROGRAM, "korva5-upload"), "--version"]).stdout.strip()
    check(shown == f"korva5-upload {version}", f"--version of the packaged program: {shown!r}")
    helped = run([os.path.join(work, "unpacked", PROGRAM, "korva5-upload"), "--help"]).stdout
    check("are in /var/opt/korva5-upload." in helped, f"--help does not name the station folder:\n{helped}")
    return {name: os.path.join(control, name) for name in ("preinst", "postinst", "postrm")}


def check_contents(deb):
    files = {}
    for line in run(["dpkg-deb", "-c", deb]).stdout.splitlines():
        parts = line.split(None, 5)
        name = parts[5].removeprefix("./").rstrip("/")
        check(parts[1] == "root/root", f"{name} belongs to {parts[1]}")
        mode = sum(1 << (8 - i) for i, c in enumerate(parts[0][1:10]) if c != "-")
        if parts[0].startswith("d"):
            check(mode == 0o755, f"folder {name} has mode {mode:o}")
            check(not name.startswith("var"), f"the package holds the folder {name}")
        else:
            files[name] = mode
    check(set(files) == set(CONTENTS), f"the package holds {sorted(files)}")
    for path, mode in CONTENTS.items():
        if path in files:
            check(files[path] == mode, f"{path} has mode {files[path]:o}, not {mode:o}")


def check_lintian(deb, package):
    if not check(shutil.which("lintian"), "lintian is missing (./run installs it)"):
        return
    result = run(["lintian", "--pedantic", "--display-info", deb])
    print(result.stdout, end="")
    for line in result.stdout.splitlines():
        m = re.match(rf"([EWIPXO]): {package}[^:]*: (\S+)", line)
        if not m:
            continue
        kind, tag = m.groups()
        check(kind not in "EWP", f"lintian: {line}")
        check(not tag.startswith("hardening"), f"lintian: {line}")
        check(not tag.endswith("override"), f"lintian: {line}")
    check(result.returncode == 0, f"lintian failed: {result.stderr}")


def check_entries(work):
    unpacked = os.path.join(work, "unpacked")
    for entry in ("usr/share/applications/korva5-upload.desktop", AUTOSTART):
        said = run(["desktop-file-validate", os.path.join(unpacked, entry)])
        check(said.returncode == 0 and "error" not in said.stdout, f"{entry}: {said.stdout}")
        text = open(os.path.join(unpacked, entry)).read()
        check(f"TryExec=/{PROGRAM}/korva5-upload\n" in text, f"{entry} has no TryExec of the program")
    # Start at log-in is the administrator's choice: off as shipped.
    check("\nHidden=true\n" in open(os.path.join(unpacked, AUTOSTART)).read(), "the autostart entry is on as shipped")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--package-build", "--work", "--version", "--app"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    if not shutil.which("dpkg-deb"):
        print("no dpkg-deb: not a Debian system", file=sys.stderr)
        return 77
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    made = run([os.path.join(args.source, "packaging/deb/build-packages.sh"), args.package_build, args.work])
    if not check(made.returncode == 0, f"build-packages.sh failed:\n{made.stdout}\n{made.stderr}"):
        return 1
    debs = sorted(n for n in os.listdir(args.work) if n.endswith(".deb"))
    if not check([n.split("_")[0] for n in debs] == ["korva5-fleet", "korva5-upload"], f"the build made {debs}"):
        return 1
    fleet_deb, deb = (os.path.join(args.work, n) for n in debs)
    run(["dpkg-deb", "-x", deb, os.path.join(args.work, "unpacked")])

    scripts = check_fields(deb, args.version, args.work)
    check_contents(deb)
    check_lintian(deb, "korva5-upload")
    check_entries(args.work)
    fleet_scripts = fleet_package.check_package(check, fleet_deb, deb, args.version, args.work)
    check_lintian(fleet_deb, "korva5-fleet")
    if os.geteuid() != 0:
        print("SKIP: the maintainer scripts need root (owners, other users)", file=sys.stderr)
        return 1 if failures else 77

    ids = scratch_ids()
    group_id, station_uid, monitor_uid = ids
    stubs = os.path.join(args.work, "stubs")
    root = ScratchRoot(os.path.join(args.work, "root"), stubs, group_id)
    lifecycle.first_install(check, deb, scripts, root, args.source)
    mark = lifecycle.at_work(check, root, ids)
    lifecycle.reinstall(check, deb, scripts, root)
    lifecycle.remove_and_purge(check, deb, scripts, root)
    root.discard()

    earlier = ScratchRoot(os.path.join(args.work, "earlier"), stubs, group_id)
    old_layout.upgrade(check, deb, scripts, earlier, station_uid, mark)
    lifecycle.remove_and_purge(check, deb, scripts, earlier)
    earlier.discard()
    elsewhere = ScratchRoot(os.path.join(args.work, "elsewhere"), stubs, group_id)
    old_layout.upgrade_with_journals_elsewhere(check, deb, scripts, elsewhere)
    elsewhere.discard()

    # A group the administrator made before the package stays at purge.
    theirs = ScratchRoot(os.path.join(args.work, "theirs"), stubs, group_id)
    theirs.make_group()
    status, said, _ = theirs.run(scripts["preinst"], "install")
    theirs.unpack(deb)
    status, said, calls = theirs.run(scripts["postinst"], "configure")
    check(status == 0 and not [c for c in calls if c.startswith("addgroup")], f"an existing group: {calls} {said}")
    lifecycle.remove_and_purge(check, deb, scripts, theirs, made_group=False)
    theirs.discard()

    copied_folder.check_copied_folder(check, args.app)
    fleet_package.lifecycle(check, fleet_deb, fleet_scripts, args.work, group_id)

    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print(f"{os.path.basename(deb)}, {os.path.basename(fleet_deb)}: contents, fields, lintian, the maintainer scripts "
          "and the programs at work as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
