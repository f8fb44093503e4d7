# SPDX-License-Identifier: MIT
"""A program folder copied by hand that its user cannot write (root's, mode 755): the program
keeps its journal in its user's state folder and says so; a monitor run by root finds it there
and answers as the user does; one that cannot look into the user's home answers UNKNOWN with
the path, never CRITICAL. Needs a person in the password database: one is made for the test
(useradd) and removed after it."""
import os
import shutil
import subprocess

from lifecycle import write
from station_run import Station, can_run

USER = "korva5-pkgtest"


def check_copied_folder(check, app, monitor_uid):
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
        said, log = station.upload(program, uid, [65534], home=home)
        check(said is not None, f"the copied program did not upload:\n{log}")
        state = os.path.join(home, ".local/state/korva5-upload")
        check(os.path.isdir(state) and any(n.startswith("korva5-journal-") for n in os.listdir(state)),
              f"no journal in {state}")
        check(said is not None and f"This program folder's journal is {state}/" in said,
              "the program did not say where its journal went")
        own = station.status(program, uid, [65534], home=home)
        check(own[0] == 0 and own[1].startswith("OK"), f"--status of the program's user: {own}")
        by_root = station.status(program)
        check(by_root[:2] == own[:2], f"--status as root: {by_root}, the program's user: {own}")
        outsider = station.status(program, monitor_uid, [])
        check(outsider[0] == 3 and outsider[1].startswith("UNKNOWN") and state in outsider[1],
              f"--status of a monitor that cannot look into the user's home: {outsider}")
    finally:
        subprocess.run(["userdel", USER], capture_output=True)
        station.close()
