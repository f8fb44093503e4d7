# SPDX-License-Identifier: MIT
"""The package's life on a station, on scratch roots: a first install, the program at work with
monitors of all kinds asking --status, a reinstall, an upgrade from the first package's layout,
removal and purge. check(condition, what) records a failure."""
import hashlib
import os
import subprocess

from scratch_root import AUTOSTART, MEMORY, PROGRAM, SHARE, STATION, GROUP, ScratchRoot
from station_run import Station, can_run

PROGRAM_FILE = f"{PROGRAM}/korva5-upload"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data, mode, uid=0, gid=0):
    with open(path, "wb") as f:
        f.write(data)
    os.chown(path, uid, gid)
    os.chmod(path, mode)


def station_files(root):
    """The station's files with their bytes, owner, group and mode."""
    folder = root.path(STATION)
    found = {}
    for name in sorted(os.listdir(folder)):
        info = os.lstat(os.path.join(folder, name))
        data = read(os.path.join(folder, name)) if not os.path.islink(os.path.join(folder, name)) else b"->"
        found[name] = (data, info.st_uid, info.st_gid, info.st_mode & 0o7777)
    return found


def check_installed_paths(check, root, group_id):
    """Owners and modes of every path after an install: root's and closed to others, but for the
    station folder and the settings, which are the group's."""
    expected = {
        STATION: ("d", "root", group_id, 0o2775),
        f"{STATION}/TALLYPORT.ini": ("f", "root", group_id, 0o660),
        f"{STATION}/Language.txt": ("f", "root", 0, 0o644),
        PROGRAM: ("d", "root", 0, 0o755),
        PROGRAM_FILE: ("f", "root", 0, 0o755),
    }
    for path, (kind, owner, gid, mode) in sorted(root.tree().items()):
        if path in expected:
            check((kind, owner, gid, mode) == expected[path], f"{path} is {kind} {owner}:{gid} {mode:o}, not {expected[path]}")
        else:
            check(owner == "root" and gid == 0, f"{path} belongs to {owner}:{gid}")
            check(mode & 0o022 == 0, f"{path} can be written by others than root ({mode:o})")
            check(kind != "d" or mode == 0o755, f"folder {path} has mode {mode:o}")
    # Nothing a member of the group may write holds a program.
    for path, (kind, _, _, mode) in root.tree().items():
        if path.startswith(STATION):
            check(kind == "d" or mode & 0o111 == 0, f"{path} in the station folder is executable")


def first_install(check, deb, scripts, root, source):
    status, said, calls = root.run(scripts["preinst"], "install")
    check(status == 0, f"preinst install failed: {said}")
    root.unpack(deb)
    status, said, calls = root.run(scripts["postinst"], "configure")
    check(status == 0, f"postinst configure failed: {said}")
    check(f"addgroup --system {GROUP}" in calls, f"postinst made no group: {calls}")
    check(read(root.path(f"{MEMORY}/made-group")).strip() == GROUP.encode(), "postinst did not note that it made the group")
    check(root.overrides() == [f"root {GROUP} 2775 /{STATION}"], f"overrides after install: {root.overrides()}")
    check(read(root.path(f"{STATION}/TALLYPORT.ini")) == read(os.path.join(source, "data/TALLYPORT.ini.template")),
          "TALLYPORT.ini is not the template")
    check(read(root.path(f"{STATION}/Language.txt")) == read(os.path.join(source, "data/Language.txt")),
          "Language.txt is not the shipped one")
    check(not [n for n in os.listdir(root.path("var/opt")) if n.startswith(".")], "postinst left its staging folder")
    check_installed_paths(check, root, root.group_id)


def at_work(check, root, ids):
    """The program uploads as a station user; monitors ask --status as root, in the group and
    outside it. Returns the run mark the program left, or None."""
    why = can_run()
    if why:
        print(f"SKIP: the program at work on the scratch root: {why}")
        return None
    group_id, station_uid, monitor_uid = ids
    station = Station(root.root, root.root)
    try:
        write(root.path(f"{STATION}/TALLYPORT.ini"), station.settings(), 0o660, 0, group_id)
        program = "/" + PROGRAM_FILE
        said, log = station.upload(program, station_uid, [group_id])
        check(said is not None, f"the packaged program did not upload as a member of the group:\n{log}")
        journal = root.path(f"{STATION}/korva5-journal.sqlite")
        check(os.path.exists(journal), "no journal in the station folder")
        if os.path.exists(journal):
            info = os.stat(journal)
            check((info.st_gid, info.st_mode & 0o777) == (group_id, 0o660),
                  f"the journal is {info.st_gid} {info.st_mode & 0o777:o}, not the group's to read and keep")
        # Another member of the group, the next day at the station: the same journal, kept on.
        said, log = station.upload(program, monitor_uid, [group_id])
        check(said is not None and "journal" not in said.lower(), f"the program of another member of the group:\n{log}")
        for uid in (station_uid, monitor_uid):
            check(not os.path.exists(station.home(uid) + "/.local/state"), f"the program of {uid} kept a state folder")
        answers = {
            "the station's user": station.status(program, station_uid, [group_id]),
            "root": station.status(program),
            "a monitor in the group": station.status(program, monitor_uid, [group_id]),
        }
        owner = answers["the station's user"]
        check(owner[0] == 0 and owner[1].startswith("OK"), f"--status of the station's user: {owner}")
        for who, answer in answers.items():
            check(answer[:2] == owner[:2], f"--status as {who}: {answer}, the station's user: {owner}")
        outside = station.status(program, monitor_uid, [])
        check(outside[0] == 3 and outside[1].startswith("UNKNOWN") and "TALLYPORT.ini" in outside[1],
              f"--status outside the group: {outside}")
        # A journal that went missing since the program ran: UNKNOWN for everyone, never a
        # CRITICAL "no upload recorded".
        marks = [n for n in os.listdir(root.path(STATION)) if n.startswith(".korva5-ran-")]
        if not check(len(marks) == 1, f"run marks in the station folder: {marks}"):
            return None
        aside = [n for n in os.listdir(root.path(STATION)) if n.startswith("korva5-journal.sqlite")]
        for name in aside:
            os.rename(root.path(f"{STATION}/{name}"), os.path.join(station.work, name))
        for who, uid, gids in (("root", None, None), ("a monitor in the group", monitor_uid, [group_id])):
            gone = station.status(program, uid, gids)
            check(gone[0] == 3 and gone[1].startswith("UNKNOWN") and marks[0] in gone[1],
                  f"--status as {who} without the journal: {gone}")
        for name in aside:
            os.rename(os.path.join(station.work, name), root.path(f"{STATION}/{name}"))
        return marks[0]
    finally:
        station.close()


def reinstall(check, deb, scripts, root):
    before = station_files(root)
    overrides = root.overrides()
    status, said, _ = root.run(scripts["preinst"], "upgrade", "1:1.00")
    check(status == 0, f"preinst upgrade failed: {said}")
    root.unpack(deb)
    status, said, calls = root.run(scripts["postinst"], "configure", "1:1.00")
    check(status == 0, f"postinst configure (reinstall) failed: {said}")
    check(not [c for c in calls if c.startswith("addgroup") or "--add" in c], f"a reinstall made the group or override again: {calls}")
    check(station_files(root) == before, "a reinstall changed the station's files")
    check(root.overrides() == overrides, f"a reinstall changed the overrides: {root.overrides()}")


def remove_and_purge(check, deb, scripts, root, made_group=True):
    before = station_files(root)
    root.remove_package_files(deb)
    status, said, _ = root.run(scripts["postrm"], "remove")
    check(status == 0, f"postrm remove failed: {said}")
    check(station_files(root) == before, "removal changed the station's files")
    check(root.has_group(), "removal took the group")
    status, said, calls = root.run(scripts["postrm"], "purge")
    check(status == 0, f"postrm purge failed: {said}")
    left = {path: entry for path, entry in root.tree().items() if entry[0] != "d" or "korva5" in path}
    check(not left, f"purge left {sorted(left)}")
    check(root.overrides() == [], f"purge left the overrides {root.overrides()}")
    check(root.has_group() != made_group, f"purge and the group (made by the package: {made_group}): {calls}")


def run_mark_name(folder):
    return ".korva5-ran-" + hashlib.sha1(folder.encode()).hexdigest()[:16]
