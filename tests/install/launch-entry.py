#!/usr/bin/python3
"""Starts the program the way a desktop starts it from its entry, and checks that it runs.

  launch-entry.py ENTRY EXPECTED_PROGRAM

The Exec line is read the way a desktop reads it: string escapes first ("\\\\",
"\\s", ...), then the arguments split with their double-quote rules (which are the shell's
inside double quotes), then "%%" as "%". The program must be EXPECTED_PROGRAM, start in the
entry's Path and report that it has loaded; it is then ended with SIGTERM and must end with 0.
"""
import os
import shlex
import subprocess
import sys
import tempfile
import time


def string_value(raw):
    out, i = [], 0
    escapes = {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}
    while i < len(raw):
        if raw[i] == "\\" and i + 1 < len(raw) and raw[i + 1] in escapes:
            out.append(escapes[raw[i + 1]])
            i += 2
        else:
            out.append(raw[i])
            i += 1
    return "".join(out)


def main():
    entry, expected = sys.argv[1], sys.argv[2]
    values = {}
    with open(entry, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("["):
                key, value = line.rstrip("\n").split("=", 1)
                values[key] = value
    argv = [a.replace("%%", "%") for a in shlex.split(string_value(values["Exec"]), posix=True)]
    if argv != [expected]:
        sys.exit("Exec gives %r, not the installed program %r" % (argv, expected))
    workdir = string_value(values["Path"])
    if not os.path.isdir(workdir) or not os.path.isfile(string_value(values["Icon"])):
        sys.exit("Path or Icon does not name what was installed")
    # A runtime folder for Qt's own use, removed afterwards; the program keeps its lock in the
    # user's own place whatever this says, and the installed folder is this check's alone.
    with tempfile.TemporaryDirectory() as runtime, \
            tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as log:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime)
        program = subprocess.Popen(argv, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=log)
        try:
            deadline, seen = time.time() + 15, ""
            while time.time() < deadline and "started in" not in seen and program.poll() is None:
                time.sleep(0.2)
                log.seek(0)
                seen = log.read()
            if "started in" not in seen:
                sys.exit("the program started from the entry did not load: %s" % seen)
            program.terminate()
            status = program.wait(timeout=10)
            if status != 0:
                sys.exit("the program ended with %d" % status)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
    print("started through the entry:", argv[0])


if __name__ == "__main__":
    main()
