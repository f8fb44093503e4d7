# SPDX-License-Identifier: MIT
"""The packaged program at work on a scratch root, without installing anything on this machine:
in a mount namespace of its own, the scratch root's /opt and /var/opt are mounted over the
machine's, so the program finds its station folder where the package puts it. It runs as users
this machine does not have (setpriv), with or without the station's group, against a local FTP
server, on a fake clock that reaches its upload time within seconds."""
import glob
import os
import shutil
import signal
import subprocess
import tempfile
import time

FTP_SERVER = os.path.join(os.path.dirname(__file__), "../../scripts/ftp-server.py")
FAKETIME = (glob.glob("/usr/lib/*-linux-gnu/faketime/libfaketime.so.1") or [""])[0]
DAY, UPLOADED = "20240301", "20240301.12"
START = "@2024-03-01 08:29:50 x10"
LATER = "@2024-03-01 08:31:00"

MOUNT = 'for f in opt var/opt; do mount --bind "$ROOT/$f" "/$f" || exit 90; done; exec "$@"'


def can_run():
    """Why the packaged program cannot be run here, or None."""
    if os.geteuid() != 0:
        return "not root: no mount namespace and no other users"
    if not FAKETIME:
        return "no libfaketime (Debian package faketime)"
    probe = subprocess.run(["unshare", "--mount", "--propagation", "private", "true"], capture_output=True)
    if probe.returncode != 0:
        return "no mount namespace here: " + probe.stderr.decode().strip()
    return None


def as_user(uid, gids, argv):
    """argv run as uid with the supplementary groups gids (None: as root)."""
    if uid is None:
        return argv
    groups = ["--groups=" + ",".join(map(str, gids))] if gids else ["--clear-groups"]
    primary = gids[0] if gids else 65534
    return ["setpriv", f"--reuid={uid}", f"--regid={primary}", *groups, "--", *argv]


class Station:
    def __init__(self, work, root=None):
        self.root = root
        self.made = []
        self.work = tempfile.mkdtemp(prefix="korva5-package-run-", dir="/tmp")
        os.chmod(self.work, 0o755)
        self.records = os.path.join(self.work, "records")
        self.ftp = os.path.join(self.work, "ftp")
        os.makedirs(self.records)
        os.makedirs(os.path.join(self.ftp, "upload"))
        with open(os.path.join(self.records, DAY + ".txt"), "wb") as f:
            f.write(b"station 12, records of 2024-03-01\r\n" * 100)
        self.server = subprocess.Popen(["/usr/bin/python3", FTP_SERVER, "--root", self.ftp, "--user", "station",
                                        "--password", "package-test"], stdout=subprocess.PIPE, text=True)
        line = self.server.stdout.readline()
        self.port = int(line.split()[1]) if line.startswith("PORT") else 0

    def settings(self):
        times = "".join(f"FtpTime{n}=\n" for n in range(2, 11))
        return (f"[TALLY]\nLanguage=English\nFtpNo=12\nFtpServer=127.0.0.1:{self.port}\nFtpPath=/upload/\n"
                f"FtpUserName=station\nFtpPassword=package-test\nFtpTime1=08:30\n{times}"
                f"LocalPath={self.records}/\n").encode()

    def lock_folder(self, uid):
        """The folder of uid's single-instance locks the program makes in /tmp, noted to be
        removed at the end when the test's run made it."""
        folder = f"/tmp/korva5-upload-{uid}"
        if not os.path.exists(folder) and folder not in self.made:
            self.made.append(folder)

    def home(self, uid):
        """A home of uid's own for the program's session files."""
        home = os.path.join(self.work, f"home-{uid}")
        os.makedirs(home, exist_ok=True)
        os.chown(home, uid, -1)
        os.chmod(home, 0o700)
        return home

    def command(self, argv, uid=None, gids=None, clock=LATER, home=None):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home or (self.home(uid) if uid is not None else "/root"))
        env.pop("XDG_STATE_HOME", None)
        env.pop("XDG_RUNTIME_DIR", None)
        # A program built with AddressSanitizer (the asan preset) would refuse the fake clock
        # loaded ahead of its runtime; any other program ignores this.
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
        # The fake clock for the program alone: loaded into setpriv, it would keep its shared
        # memory as root's, which the program as another user cannot open.
        full = as_user(uid, gids, ["env", f"LD_PRELOAD={FAKETIME}", f"FAKETIME={clock}", *argv])
        if self.root:
            env["ROOT"] = self.root
            full = ["unshare", "--mount", "--propagation", "private", "sh", "-c", MOUNT, "sh", *full]
        return full, env

    def status(self, program, uid=None, gids=None, home=None):
        """What --status says: (exit status, first line, standard error)."""
        argv, env = self.command([program, "--status"], uid, gids, home=home)
        done = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=60)
        return done.returncode, (done.stdout.splitlines() or [""])[0], done.stderr

    def upload(self, program, uid, gids, home=None):
        """Runs the program until its scheduled upload is on the server, then ends it as the
        desktop does; returns its standard error, or None when nothing arrived."""
        self.lock_folder(uid)
        argv, env = self.command([program], uid, gids, clock=START, home=home)
        log = open(os.path.join(self.work, f"program-{uid}.log"), "w+")
        app = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        sent = os.path.join(self.ftp, "upload", UPLOADED)
        deadline = time.monotonic() + 120
        while not os.path.exists(sent) and app.poll() is None and time.monotonic() < deadline:
            time.sleep(0.2)
        arrived = os.path.exists(sent)
        if arrived:
            # Its end goes to the journal as the connection closes.
            while "Disconnected" not in open(log.name).read() and app.poll() is None and time.monotonic() < deadline:
                time.sleep(0.2)
        if app.poll() is None:
            os.killpg(app.pid, signal.SIGTERM)
            try:
                app.wait(30)
            except subprocess.TimeoutExpired:
                os.killpg(app.pid, signal.SIGKILL)
                app.wait()
        said = open(log.name).read()
        if arrived:
            os.remove(sent)
        return said if arrived else None, said

    def close(self):
        self.server.kill()
        self.server.wait()
        shutil.rmtree(self.work, ignore_errors=True)
        for folder in self.made:
            shutil.rmtree(folder, ignore_errors=True)
