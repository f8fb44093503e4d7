#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks that includes between the source folders run one way only.

Usage: check-include-directions.py SRC_DIR

Each folder under src/core, src/gui and src/fleet is a layer. A file may include a header of its
own folder, or of a folder below its own in LAYERS; an include of a folder above (or of the same
height, when two folders share a height) would let the two depend on each other. gui and fleet
both stand on core and never include each other: the windows and the central office's check
share nothing but the core. The windows reach the station through its public header alone,
never through the parts it owns (STATION_PARTS). Prints every include between folders, then each
one against the order as "file:line: from -> to", and exits with 1 when there is one.
"""

import pathlib
import re
import sys

# Lowest first. Everything in gui and in fleet stands above everything in core.
LAYERS = [
    "core/clock",
    "core/platform",
    "core/diagnostics",
    "core/settings",
    "core/language",
    "core/state",
    "core/transfer",
    "core/servertest",
    "core/journal",
    "core/schedule",
    "core/delivery",
    "core/app",
    "gui/tray",
    "gui/dialog",
    "gui/shell",
    "fleet/check",
    "fleet/remote",
    "fleet/forms",
    "fleet/cli",
]

# Trees that stand side by side on core: neither may include the other.
SIDE_BY_SIDE = {"gui", "fleet"}

# Includes against the order that are known and being taken out elsewhere. Remove a line here
# once its include is gone.
KNOWN_EXCEPTIONS: set[tuple[str, str]] = set()

# What the station owns and keeps to itself: the windows display what core/app/Station.h tells
# them and pass on intents through it. (The journal and the settings file are read by the command
# line without a station, so they are not among these.)
STATION_PARTS = {
    "core/app/HeartbeatWriter.h",
    "core/delivery/Delivery.h",
    "core/delivery/DeliveryLog.h",
    "core/delivery/Ledger.h",
    "core/delivery/TransferLog.h",
    "core/delivery/Uploader.h",
    "core/delivery/UploadsUnderWay.h",
    "core/schedule/SecondTicker.h",
    "core/transfer/TransferQueue.h",
}

HEADER = re.compile(r'^\s*#\s*include\s*"((?:core|gui|fleet)/[^"]+)"')
INCLUDE = re.compile(r'^\s*#\s*include\s*"((?:core|gui|fleet)/[^/"]+)/[^"]+"')
SOURCE_ENDINGS = {".h", ".hpp", ".cpp", ".cc"}


def source_tree(folder: str) -> str:
    return folder.split("/")[0]


def folder_of(path: pathlib.Path, src: pathlib.Path) -> str | None:
    parts = path.relative_to(src).parts
    return "/".join(parts[:2]) if len(parts) >= 3 else None


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    src = pathlib.Path(sys.argv[1]).resolve()
    height = {layer: index for index, layer in enumerate(LAYERS)}
    edges: dict[tuple[str, str], int] = {}
    wrong: list[str] = []
    unknown: set[str] = set()
    for path in sorted(p for p in src.rglob("*") if p.suffix in SOURCE_ENDINGS and p.is_file()):
        source = folder_of(path, src)
        if source is None:
            continue
        if source not in height:
            unknown.add(f"{path.relative_to(src)}: folder {source} is not in LAYERS")
            continue
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, start=1):
            header = HEADER.match(line)
            if header and source_tree(source) == "gui" and header.group(1) in STATION_PARTS:
                wrong.append(f"{path.relative_to(src.parent)}:{number}: the windows include {header.group(1)}, "
                             "a part of the station; they go through core/app/Station.h")
            match = INCLUDE.match(line)
            if not match or match.group(1) == source:
                continue
            target = match.group(1)
            edges[(source, target)] = edges.get((source, target), 0) + 1
            where = f"{path.relative_to(src.parent)}:{number}"
            if target not in height:
                unknown.add(f"{where}: includes {target}, which is not in LAYERS")
            elif height[target] >= height[source] and (source, target) not in KNOWN_EXCEPTIONS:
                wrong.append(f"{where}: {source} -> {target} runs upward")
            elif source_tree(source) != source_tree(target) and {source_tree(source), source_tree(target)} <= SIDE_BY_SIDE:
                wrong.append(f"{where}: {source} -> {target} crosses from {source_tree(source)} into {source_tree(target)}")

    print("Includes between folders:")
    for (source, target), count in sorted(edges.items()):
        note = "  (known exception)" if (source, target) in KNOWN_EXCEPTIONS else ""
        print(f"  {source} -> {target}: {count}{note}")
    for line in sorted(unknown) + wrong:
        print(line, file=sys.stderr)
    if wrong or unknown:
        print(f"{len(wrong) + len(unknown)} include(s) against the order: {' < '.join(LAYERS)}", file=sys.stderr)
        return 1
    print("All includes run downward: " + " < ".join(LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
