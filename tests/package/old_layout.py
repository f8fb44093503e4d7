# SPDX-License-Identifier: MIT
"""The upgrade from the first package (1.0.0), which kept the station's files beside the program
in /opt/korva5-upload, a folder its group could write (2775 root:korva5-upload through
dpkg-statoverride), and whose README had the menu entry copied into /etc/xdg/autostart."""
import os
import shutil
import subprocess

from lifecycle import read, run_mark_name, station_files, write
from scratch_root import AUTOSTART, MEMORY, PROGRAM, STATION, GROUP
from station_run import can_run

OLD_VERSION = "1.0.0"


def lay_out(root, deb, station_uid):
    """A station as the first package and its program left it; returns the station's files by
    name with (bytes, owner, group, mode)."""
    gid = root.group_id
    folder = root.path(PROGRAM)
    os.makedirs(folder)
    os.chmod(folder, 0o2775)
    os.chown(folder, 0, gid)
    # The program of the earlier package; a copy of cat here, so that a running one can be
    # started without a desktop.
    shutil.copy("/bin/cat", root.path(f"{PROGRAM}/korva5-upload"))
    # Its menu entry, and the copy of it that starts the program at log-in.
    entry = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    os.makedirs(root.path("usr/share/applications"))
    os.makedirs(root.path("etc/xdg/autostart"))
    subprocess.run(["tar", "-x", "-C", root.root, "./usr/share/applications/korva5-upload.desktop"], input=entry, check=True)
    old_entry = b"".join(l for l in read(root.path("usr/share/applications/korva5-upload.desktop")).splitlines(True)
                         if not l.startswith(b"TryExec="))
    write(root.path("usr/share/applications/korva5-upload.desktop"), old_entry, 0o644)
    write(root.path(AUTOSTART), old_entry, 0o644)
    files = {
        "TALLYPORT.ini": (b"[TALLY]\nLanguage=Taiwan\nFtpNo=12\nFtpPassword=secret\n", station_uid, gid, 0o660),
        "Language.txt": (b"[English]\nTitle=Records Upload\n; edited at the station\n", 0, 0, 0o644),
        "korva5-journal.sqlite": (b"SQLite format 3\x00" + bytes(range(256)) * 16, station_uid, gid, 0o600),
        "korva5-journal.sqlite-wal": (b"\x37\x7f\x06\x82" + b"\x01" * 4000, station_uid, gid, 0o600),
        "korva5-journal.sqlite-shm": (b"\x00" * 32768, station_uid, gid, 0o600),
        "korva5-journal.sqlite.20261206-083000.broken": (b"damaged", station_uid, gid, 0o600),
    }
    for name, (data, uid, group, mode) in files.items():
        write(os.path.join(folder, name), data, mode, uid, group)
    write(os.path.join(folder, run_mark_name("/" + PROGRAM)), b"", 0o600, station_uid, gid)
    write(os.path.join(folder, ".korva5-journal-probe-Ab12Cd"), b"", 0o600, station_uid, gid)
    # What a member of the group could have put there for root's postinst: a name with a line
    # break before the name of a file where the scripts run, a folder under a name it removes.
    write(os.path.join(folder, ".korva5-ran-x\nvictim"), b"", 0o600, station_uid, gid)
    write(root.path("victim"), b"root's", 0o600)
    os.mkdir(os.path.join(folder, "TALLYPORT.ini.dpkg-new"))
    root.make_group()
    root.set_override(f"root {GROUP} 2775 /{PROGRAM}")
    return files


def refused_while_running(check, scripts, root):
    """preinst refuses the upgrade while the earlier program runs from the folder it moves."""
    if can_run():
        print(f"SKIP: the upgrade beside a running program: {can_run()}")
        return
    reader, writer = os.pipe()
    script = (f'mount --bind "$ROOT/opt" /opt || exit 90\n/{PROGRAM}/korva5-upload <&{reader} >/dev/null &\n'
              f'copy=$!\nsleep 0.3\nsh -e "$1" upgrade {OLD_VERSION}\nstatus=$?\nkill $copy\nexit $status\n')
    env = dict(os.environ, ROOT=root.root, DPKG_ROOT=root.root)
    done = subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c", script, "sh", scripts["preinst"]],
                          env=env, capture_output=True, text=True, pass_fds=(reader,))
    os.close(reader)
    os.close(writer)
    check(done.returncode == 1 and "End it" in done.stderr, f"preinst beside a running program: {done.returncode} {done.stderr}")
    check(os.path.exists(root.path(AUTOSTART)), "a refused upgrade moved the autostart entry")


def upgrade(check, deb, scripts, root, station_uid, program_mark):
    files = lay_out(root, deb, station_uid)
    refused_while_running(check, scripts, root)
    status, said, _ = root.run(scripts["preinst"], "upgrade", OLD_VERSION)
    check(status == 0, f"preinst upgrade from {OLD_VERSION} failed: {said}")
    root.unpack(deb)
    # dpkg unpacks the folder with the override still in force.
    os.chmod(root.path(PROGRAM), 0o2775)
    os.chown(root.path(PROGRAM), 0, root.group_id)
    status, said, calls = root.run(scripts["postinst"], "configure", OLD_VERSION)
    check(status == 0, f"postinst configure from {OLD_VERSION} failed: {said}")

    moved = station_files(root)
    for name, entry in files.items():
        check(moved.get(name) == entry, f"{name} was not moved as it was: {moved.get(name, 'missing')[1:]} != {entry[1:]}")
    left = sorted(os.listdir(root.path(PROGRAM)))
    check(left == ["TALLYPORT.ini.dpkg-new", "korva5-upload"], f"left in /{PROGRAM}: {left}")
    check("TALLYPORT.ini.dpkg-new is not the package's" in said, f"postinst did not name what it left: {said}")
    check(os.path.exists(root.path("victim")), "postinst removed a file of the folder it ran in")
    os.rmdir(root.path(f"{PROGRAM}/TALLYPORT.ini.dpkg-new"))
    os.remove(root.path("victim"))
    info = os.stat(root.path(PROGRAM))
    check((info.st_uid, info.st_gid, info.st_mode & 0o7777) == (0, 0, 0o755), f"/{PROGRAM} is {info.st_gid} {info.st_mode & 0o7777:o}")
    check(root.overrides() == [f"root {GROUP} 2775 /{STATION}"], f"overrides after the upgrade: {root.overrides()}")
    # The earlier run is known to the program in its new folder (the mark it would make there).
    mark = run_mark_name("/" + STATION)
    check(mark in moved, f"no run mark {mark} in the station folder: {sorted(moved)}")
    check(program_mark is None or program_mark == mark, f"postinst's mark {mark} is not the program's {program_mark}")
    check(not [c for c in calls if c.startswith("addgroup")], f"the upgrade made the group again: {calls}")
    check(os.path.exists(root.path(f"{MEMORY}/made-group")), "the group of the first package is not noted as the package's")
    entry = read(root.path(AUTOSTART)).decode()
    check("Hidden=false" in entry and "TryExec=" in entry, f"the autostart entry after the upgrade:\n{entry}")
    check(not os.path.exists(root.path(AUTOSTART + ".korva5-copied")), "the copied autostart entry was left aside")


def upgrade_with_journals_elsewhere(check, deb, scripts, root):
    """The first package's folder with settings and no journal: its users kept their journals in
    their own state folders. The new program must not take its first start for the station's."""
    folder = root.path(PROGRAM)
    os.makedirs(folder)
    write(os.path.join(folder, "TALLYPORT.ini"), b"[TALLY]\nFtpNo=12\n", 0o660, 0, root.group_id)
    root.make_group()
    root.unpack(deb)
    status, said, _ = root.run(scripts["postinst"], "configure", OLD_VERSION)
    check(status == 0, f"postinst configure from {OLD_VERSION}, no journal: {said}")
    check(os.path.exists(root.path(f"{STATION}/{run_mark_name('/' + STATION)}")),
          "no run mark where the first package's program ran without a journal in its folder")
