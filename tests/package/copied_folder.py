# SPDX-License-Identifier: MIT
"""A program folder copied by hand that its user cannot write (root's, mode 755): the program
does not start for that user (exit status 8, the single-instance guard is for those who may write
in the folder), says which folder, and leaves no journal anywhere; --status answers the same for
the user and for root, and never OK for a station whose program never ran. Needs a person in the
password database: one is made for the test (useradd) and removed after it."""
import os
import shutil
import subprocess

from lifecycle import write
from station_run import START, Station, can_run

USER = "korva5-pkgtest"


def check_copied_folder(check, app):
    why = can_run()
    if why:
        print(f"SKIP: a copied program folder its user cannot write: {why}")
        return
    station = Station(None)
    home = os.path.join(station.work, "person")
    made = subprocess.run(["useradd", "--no-user-group", "--gid", "nogroup", "--home-dir", home, "--create-home",
                           "--shell", "/usr/sbin/nologin", USER], capture_output=True, text=True)
    if made.returncode != 0:
        station.close()
        check(False, f"useradd {USER}: {made.stderr}")
        return
    try:
        uid = int(subprocess.run(["id", "-u", USER], capture_output=True, text=True).stdout)
        os.chmod(home, 0o700)
        folder = os.path.join(station.work, "program")
        os.makedirs(folder)
        os.chmod(folder, 0o755)
        program = os.path.join(folder, "korva5-upload")
        shutil.copy(app, program)
        shutil.copy(os.path.join(os.path.dirname(__file__), "../../data/Language.txt"), folder)
        write(os.path.join(folder, "TALLYPORT.ini"), station.settings(), 0o644)
        argv, env = station.command([program], uid, [65534], clock=START, home=home)
        started = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=60)
        check(started.returncode == 8 and folder in started.stderr,
              f"the program in a folder its user cannot write: {started.returncode} {started.stderr}")
        state = os.path.join(home, ".local/state/korva5-upload")
        check(not os.path.exists(state), f"a journal was made in {state}")
        check(not os.listdir(os.path.join(station.ftp, "upload")), "something was uploaded")
        own = station.status(program, uid, [65534], home=home)
        check(own[0] != 0 and not own[1].startswith("OK"), f"--status of the program's user: {own}")
        by_root = station.status(program)
        check(by_root[:2] == own[:2], f"--status as root: {by_root}, the program's user: {own}")
    finally:
        subprocess.run(["userdel", USER], capture_output=True)
        station.close()
