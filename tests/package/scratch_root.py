# SPDX-License-Identifier: MIT
"""A scratch root for the package's maintainer scripts (DPKG_ROOT), with stand-ins for the
commands that would change this machine's users and dpkg database: each records its call, the
group "exists" once made, and the statoverrides are applied to the scratch root as dpkg would.
The group's files get a group id no group of this machine has, so owners can be checked and
other users can be given the group without one being made."""
import grp
import os
import pwd
import shutil
import stat
import subprocess

GROUP = "korva5-upload"
PROGRAM = "opt/korva5-upload"
STATION = "var/opt/korva5-upload"
SHARE = "usr/share/korva5-upload"
AUTOSTART = "etc/xdg/autostart/korva5-upload.desktop"
MEMORY = "var/lib/korva5-upload"

STUBS = {
    "getent": f"""if [ "$1" = group ] && [ "$2" = {GROUP} ]; then
    [ -e "$STATE/group" ] || exit 2
    echo "{GROUP}:x:$GROUP_ID:"
    exit 0
fi
exec /usr/bin/getent "$@\"""",
    "addgroup": 'touch "$STATE/group"',
    "delgroup": 'rm -f "$STATE/group"',
    "groupdel": 'rm -f "$STATE/group"',
    "chgrp": f'if [ "$1" = {GROUP} ]; then shift; exec /bin/chgrp "$GROUP_ID" "$@"; fi\nexec /bin/chgrp "$@"',
    "dpkg-statoverride": f"""touch "$STATE/overrides"
case "$1" in
--list) grep " $2\\$" "$STATE/overrides" ;;
--update)
    echo "$3 $4 $5 $6" >>"$STATE/overrides"
    group=$4
    [ "$group" = {GROUP} ] && group=$GROUP_ID
    chown "$3:$group" "$DPKG_ROOT$6" && chmod "$5" "$DPKG_ROOT$6" ;;
--remove) grep -v " $2\\$" "$STATE/overrides" >"$STATE/overrides.new" || true
    mv "$STATE/overrides.new" "$STATE/overrides" ;;
esac""",
}


def free_id(taken):
    """A user or group id below 65000 that this machine does not use."""
    for number in range(64999, 60000, -1):
        try:
            taken(number)
        except KeyError:
            return number
    raise RuntimeError("no free id")


class ScratchRoot:
    def __init__(self, folder, stubs, group_id, stub_bodies=None):
        self.root = folder
        self.stubs = stubs
        self.state = folder + ".state"
        self.group_id = group_id
        os.makedirs(self.root, exist_ok=True)
        os.makedirs(self.state, exist_ok=True)
        os.makedirs(stubs, exist_ok=True)
        for name, body in (stub_bodies or STUBS).items():
            path = os.path.join(stubs, name)
            with open(path, "w") as f:
                f.write(f'#!/bin/sh\necho "{name} $*" >>"$STATE/calls"\n{body}\n')
            os.chmod(path, 0o755)

    def path(self, relative):
        return os.path.join(self.root, relative)

    def run(self, script, *args):
        """Runs a maintainer script; returns (exit status, standard error, calls of the stand-ins)."""
        calls = os.path.join(self.state, "calls")
        if os.path.exists(calls):
            os.remove(calls)
        env = dict(os.environ, DPKG_ROOT=self.root, STATE=self.state, GROUP_ID=str(self.group_id),
                   PATH=self.stubs + ":" + os.environ["PATH"])
        # In the root, as dpkg runs them in /: a relative name they act on lands there.
        done = subprocess.run(["sh", "-e", script, *args], env=env, capture_output=True, text=True, cwd=self.root)
        made = open(calls).read().splitlines() if os.path.exists(calls) else []
        return done.returncode, done.stderr, made

    def overrides(self):
        path = os.path.join(self.state, "overrides")
        return sorted(open(path).read().splitlines()) if os.path.exists(path) else []

    def set_override(self, line):
        with open(os.path.join(self.state, "overrides"), "a") as f:
            f.write(line + "\n")

    def has_group(self):
        return os.path.exists(os.path.join(self.state, "group"))

    def make_group(self):
        open(os.path.join(self.state, "group"), "w").close()

    def unpack(self, deb):
        subprocess.run(["dpkg-deb", "-x", deb, self.root], check=True)

    def remove_package_files(self, deb):
        """What dpkg does at removal and purge before postrm: the package's files go, then its
        folders that are empty."""
        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
        folders = []
        for line in listing.splitlines():
            kind, name = line[0], line.split(None, 5)[5].split(" -> ")[0].removeprefix("./").rstrip("/")
            if not name:
                continue
            if kind == "d":
                folders.append(name)
            elif os.path.lexists(self.path(name)):
                os.remove(self.path(name))
        for name in sorted(folders, key=len, reverse=True):
            try:
                os.rmdir(self.path(name))
            except OSError:
                pass

    def tree(self):
        """Every path below the root with its kind, owner, group id and mode."""
        found = {}
        for top, folders, files in os.walk(self.root):
            for name in folders + files:
                full = os.path.join(top, name)
                info = os.lstat(full)
                kind = "d" if stat.S_ISDIR(info.st_mode) else "l" if stat.S_ISLNK(info.st_mode) else "f"
                owner = pwd.getpwuid(info.st_uid).pw_name if uid_known(info.st_uid) else str(info.st_uid)
                found[os.path.relpath(full, self.root)] = (kind, owner, info.st_gid, stat.S_IMODE(info.st_mode))
        return found

    def discard(self):
        shutil.rmtree(self.root, ignore_errors=True)
        shutil.rmtree(self.state, ignore_errors=True)


def uid_known(uid):
    try:
        pwd.getpwuid(uid)
        return True
    except KeyError:
        return False


def scratch_ids():
    """A group id and two user ids (the station's user, a monitor) that this machine does not use."""
    group_id = free_id(grp.getgrgid)
    station_uid = free_id(pwd.getpwuid)
    monitor_uid = free_id(lambda n: pwd.getpwuid(n) if n != station_uid else None)
    return group_id, station_uid, monitor_uid
