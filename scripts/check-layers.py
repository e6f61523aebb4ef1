#!/usr/bin/env python3
"""Fails, naming file and line, where an include under src/ runs against the layers.

gui sits on core, never the other way. Inside each library a folder includes only itself and
the folders below it; folders on one level may use one another, but never both ways round.
"""
import pathlib
import re
import sys

# Higher includes lower; equal levels are peers.
LEVELS = {
    "core": {"app": 3, "transfer": 2, "protocol": 1, "net": 0},
    "gui": {"window": 2, "settings": 1, "transcript": 1, "transfer": 1, "tray": 1, "common": 0},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def main():
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    faults = []
    peer_uses = {}  # (library, from folder, to folder) -> first place it happens
    for path in sorted(src.rglob("*")):
        parts = path.relative_to(src).parts
        if path.suffix not in (".cpp", ".h") or len(parts) < 3 or parts[0] not in LEVELS:
            continue
        library, folder = parts[0], parts[1]
        levels = LEVELS[library]
        if folder not in levels:
            faults.append(f"{path.relative_to(src.parent)}: folder {library}/{folder} has no "
                          "level in scripts/check-layers.py")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1).split("/")
            if len(target) < 3:
                continue  # the same folder, or something outside the two libraries
            place = f"{path.relative_to(src.parent)}:{number}"
            if target[0] != library:
                if library == "core":
                    faults.append(f"{place}: core includes {match.group(1)}")
                continue
            other = target[1]
            if other not in levels:
                faults.append(f"{place}: {match.group(1)} is in no known folder of {library}")
            elif levels[other] > levels[folder]:
                faults.append(f"{place}: {library}/{folder} includes {match.group(1)} "
                              "from a level above it")
            elif other != folder and levels[other] == levels[folder]:
                peer_uses.setdefault((library, folder, other), place)
    for (library, folder, other), place in sorted(peer_uses.items()):
        back = peer_uses.get((library, other, folder))
        if back and folder < other:
            faults.append(f"{place}: {library}/{folder} and {library}/{other} include each "
                          f"other (and {back})")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        return 1
    print("layers: every include under src/ runs downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
