# SPDX-License-Identifier: MIT
"""The central office's package, korva5-fleet, checked beside the station's: what it holds, that
it needs nothing of a desktop, that it shares no file with korva5-upload, and its maintainer
scripts on a scratch root (the service's user, the settings readable by it alone, the units
left switched off, an office's edits kept, purge). check(condition, what) records a failure."""
import os
import re
import subprocess

from scratch_root import ScratchRoot

USER = "korva5-fleet"
PROGRAM = "usr/bin/korva5-fleet"
SHARE = "usr/share/korva5-fleet"
CONFIG = "etc/korva5/fleet.ini"
STATE = "var/lib/korva5-fleet"
MEMORY = "var/lib/korva5-fleet-package"
UNITS = "lib/systemd/system"

# Everything the package holds but its folders, with its mode; all of it root's.
CONTENTS = {
    PROGRAM: 0o755,
    f"{SHARE}/fleet.ini.example": 0o644,
    f"{SHARE}/korva5-fleet.rules.yml": 0o644,
    f"{UNITS}/korva5-fleet.service": 0o644,
    f"{UNITS}/korva5-fleet.timer": 0o644,
    "usr/share/man/man1/korva5-fleet.1.gz": 0o644,
    "usr/share/doc/korva5-fleet/copyright": 0o644,
    "usr/share/doc/korva5-fleet/changelog.gz": 0o644,
    "usr/share/doc/korva5-fleet/README.md": 0o644,
}

# Stand-ins for the commands that would make users on this machine: the user "exists" once made,
# and its files get an id no user of this machine has.
STUBS = {
    "getent": f"""if [ "$2" = {USER} ] && {{ [ "$1" = passwd ] || [ "$1" = group ]; }}; then
    [ -e "$STATE/user" ] || exit 2
    echo "{USER}:x:$GROUP_ID:$GROUP_ID::/{STATE}:/usr/sbin/nologin"
    exit 0
fi
exec /usr/bin/getent "$@\"""",
    "adduser": 'touch "$STATE/user"',
    "deluser": 'rm -f "$STATE/user"',
    "userdel": 'rm -f "$STATE/user"',
    "groupdel": 'true',
    "chgrp": f'if [ "$1" = {USER} ]; then shift; exec /bin/chgrp "$GROUP_ID" "$@"; fi\nexec /bin/chgrp "$@"',
    "systemctl": 'true',
    "dpkg-statoverride": f"""touch "$STATE/overrides"
case "$1" in
--list) grep " $2\\$" "$STATE/overrides" ;;
--update)
    echo "$3 $4 $5 $6" >>"$STATE/overrides"
    owner=$3; group=$4
    [ "$owner" = {USER} ] && owner=$GROUP_ID
    [ "$group" = {USER} ] && group=$GROUP_ID
    chown "$owner:$group" "$DPKG_ROOT$6" && chmod "$5" "$DPKG_ROOT$6" ;;
--remove) grep -v " $2\\$" "$STATE/overrides" >"$STATE/overrides.new" || true
    mv "$STATE/overrides.new" "$STATE/overrides" ;;
esac""",
}


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def listing(deb):
    """The package's files (not its folders) with their modes and owners."""
    files = {}
    for line in run(["dpkg-deb", "-c", deb]).stdout.splitlines():
        parts = line.split(None, 5)
        if parts[0].startswith("d"):
            continue
        mode = sum(1 << (8 - i) for i, c in enumerate(parts[0][1:10]) if c != "-")
        files[parts[5].removeprefix("./")] = (mode, parts[1])
    return files


def check_package(check, deb, station_deb, version, work):
    fields = run(["dpkg-deb", "-f", deb]).stdout
    field = lambda name: (re.search(rf"^{name}: (.*)$", fields, re.M) or [None, ""])[1]
    check(field("Package") == "korva5-fleet", f"Package: {field('Package')}")
    check(field("Version") == f"1:{version}", f"Version: {field('Version')}")
    depends = field("Depends")
    # What dpkg-shlibdeps found for the program, and nothing of a desktop.
    for library in (r"libcurl\d", r"libqt6core6", r"adduser"):
        check(re.search(rf"(^|, ){library}", depends), f"korva5-fleet's Depends does not name {library}: {depends}")
    for desktop in (r"libqt6widgets", r"libqt6gui", r"libx", r"libgl", r"libxkb", r"korva5-upload"):
        check(not re.search(rf"(^|, ){desktop}", depends, re.I), f"korva5-fleet depends on {desktop}: {depends}")
    for name in ("Conflicts", "Breaks", "Replaces"):
        check(not field(name), f"korva5-fleet has {name}: {field(name)}")

    files = listing(deb)
    check(set(files) == set(CONTENTS), f"korva5-fleet holds {sorted(files)}")
    for path, mode in CONTENTS.items():
        if path in files:
            check(files[path] == (mode, "root/root"), f"{path} is {files[path]}, not {mode:o} root/root")
    # Both installed on one computer: no file is in both.
    shared = set(files) & set(listing(station_deb))
    check(not shared, f"both packages hold {sorted(shared)}")

    unpacked = os.path.join(work, "fleet-unpacked")
    run(["dpkg-deb", "-x", deb, unpacked])
    program = os.path.join(unpacked, PROGRAM)
    needed = run(["objdump", "-p", program]).stdout
    check(not re.search(r"NEEDED\s+lib(Qt6Gui|Qt6Widgets|X11|GL)", needed), f"korva5-fleet links a desktop library:\n{needed}")
    helped = run([program, "--help"]).stdout
    check(f"(default: /{CONFIG}," in helped, f"--help does not name /{CONFIG}:\n{helped}")
    service = open(os.path.join(unpacked, UNITS, "korva5-fleet.service")).read()
    for line in (f"User={USER}", f"ExecStart=/{PROGRAM} --config /{CONFIG} ", f"--prometheus-file /{STATE}/korva5-fleet.prom",
                 f"--html /{STATE}/fleet.html"):
        check(line in service, f"the service has no {line!r}")
    check("[Install]" not in service, "the service is enabled on its own, not by its timer")
    timer = open(os.path.join(unpacked, UNITS, "korva5-fleet.timer")).read()
    check("WantedBy=timers.target" in timer, "the timer cannot be enabled")
    control = os.path.join(work, "fleet-control")
    run(["dpkg-deb", "-e", deb, control])
    return {name: os.path.join(control, name) for name in ("postinst", "prerm", "postrm")}


def enabled_links(root):
    wants = root.path("etc/systemd/system")
    found = []
    for top, _, names in os.walk(wants):
        found += [os.path.join(top, n) for n in names if n.startswith("korva5-fleet")]
    return found


def lifecycle(check, deb, scripts, work, user_id):
    stubs = os.path.join(work, "fleet-stubs")
    root = ScratchRoot(os.path.join(work, "fleet-root"), stubs, user_id, STUBS)
    root.unpack(deb)
    status, said, calls = root.run(scripts["postinst"], "configure")
    check(status == 0, f"korva5-fleet postinst failed: {said}")
    check(any(c.startswith("adduser --system") for c in calls), f"no system user made: {calls}")
    check(not [c for c in calls if c.startswith("systemctl") and "daemon-reload" not in c], f"postinst switched units: {calls}")
    check(not enabled_links(root), f"the units are switched on after install: {enabled_links(root)}")
    tree = root.tree()
    example = open(root.path(f"{SHARE}/fleet.ini.example"), "rb").read()
    check(open(root.path(CONFIG), "rb").read() == example, "the settings are not the example")
    # The settings hold the server's password: root writes them, the service's user reads them.
    check(tree.get(CONFIG) == ("f", "root", user_id, 0o640), f"{CONFIG} is {tree.get(CONFIG)}")
    check(tree.get("etc/korva5", ("d", "", 0, 0))[3] == 0o755, f"/etc/korva5 is {tree.get('etc/korva5')}")
    check(tree.get(STATE, ("",))[0] == "d" and os.stat(root.path(STATE)).st_uid == user_id, f"{STATE} is {tree.get(STATE)}")
    check(not [n for n in os.listdir(root.path("etc/korva5")) if n != "fleet.ini"], "postinst left a file beside fleet.ini")

    # Upgraded (the same again): the office's settings stay as it wrote them, and so do their
    # owner and mode; no second user is made.
    with open(root.path(CONFIG), "a") as f:
        f.write("Password=office-secret\n")
    edited = open(root.path(CONFIG), "rb").read()
    status, said, calls = root.run(scripts["postinst"], "configure", "1:1.00")
    check(status == 0 and not [c for c in calls if c.startswith("adduser")], f"the upgrade: {calls} {said}")
    check(open(root.path(CONFIG), "rb").read() == edited, "the upgrade replaced the office's settings")
    check(root.tree().get(CONFIG) == ("f", "root", user_id, 0o640), f"after the upgrade {CONFIG} is {root.tree().get(CONFIG)}")

    # The office switched the timer on; removed, the settings stay; purged, nothing of it does.
    os.makedirs(root.path("etc/systemd/system/timers.target.wants"), exist_ok=True)
    os.symlink(f"/{UNITS}/korva5-fleet.timer", root.path("etc/systemd/system/timers.target.wants/korva5-fleet.timer"))
    open(root.path(f"{STATE}/korva5-fleet.prom"), "w").close()
    status, said, _ = root.run(scripts["prerm"], "remove")
    check(status == 0, f"korva5-fleet prerm failed: {said}")
    root.remove_package_files(deb)
    status, said, _ = root.run(scripts["postrm"], "remove")
    check(status == 0 and os.path.exists(root.path(CONFIG)), f"removal: {said}")
    status, said, calls = root.run(scripts["postrm"], "purge")
    check(status == 0, f"korva5-fleet postrm purge failed: {said}")
    left = [p for p in (CONFIG, "etc/korva5", STATE, MEMORY) if os.path.lexists(root.path(p))]
    check(not left, f"purge left {left}")
    check(not enabled_links(root), f"purge left the timer switched on: {enabled_links(root)}")
    check(not os.path.exists(os.path.join(root.state, "user")), f"purge left the user: {calls}")
    root.discard()

    # Settings the office made before the package are its own: purge leaves them.
    theirs = ScratchRoot(os.path.join(work, "fleet-theirs"), stubs, user_id, STUBS)
    os.makedirs(theirs.path("etc/korva5"))
    with open(theirs.path(CONFIG), "w") as f:
        f.write("[Fleet]\nServer=ftp.example.org\n")
    theirs.unpack(deb)
    status, said, _ = theirs.run(scripts["postinst"], "configure")
    check(status == 0 and open(theirs.path(CONFIG)).read() == "[Fleet]\nServer=ftp.example.org\n", f"the office's settings: {said}")
    theirs.remove_package_files(deb)
    theirs.run(scripts["postrm"], "remove")
    theirs.run(scripts["postrm"], "purge")
    check(os.path.exists(theirs.path(CONFIG)), "purge removed settings the package did not make")
    theirs.discard()
