#!/usr/bin/env python3
"""Checks which way the includes of the tree point.

Every folder of src/ is a room with a rank; a file may include headers of its
own room and of rooms ranked below it, never above, never sideways:

  support                        0  needs nothing
  abi                            1  the sibling libraries' contracts
  system                         2  the system layer every binary links:
                                    includes only support/
  system/linux, system/win32     3  its platform parts: also system/
  cups_queue, network, wsd       4  shared libraries
  network/linux, network/win32   5  the sockets behind the network seam
  wsd/linux, wsd/win32           5  the XML and HTTP libraries behind wsd
  dnssd                          5  DNS-SD, on the network seam
  platform (its own headers)     6  the seam
  family                         7
  port, search                   8
  service                        9
  platform/linux, platform/win32 7  the backends, beside the core: the core
                                    (family ... service) and a backend never
                                    include each other
  app                           10  sees everything

A room's linux/ and win32/ folders are its platform parts: the Linux part
never includes a Windows part or the other way round, and no portable room
includes either. Outside src/: a sibling includes its own folder's headers,
support/, abi/, the system layer and the shared libraries; a tool also the
seam, a backend and the record code of search/; tests, fuzzers and
benchmarks what they test. The portable rooms include only standard C++
headers (<string>, not <windows.h>). No file reaches itself through its
includes.

Prints each finding and exits with 1 when there is one.
Usage: check-includes.py [tree root]  (default: this script's repository)
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".c", ".inc"}
SCANNED_FOLDERS = ("src", "siblings", "tools", "tests/unit", "tests/discovery", "fuzz", "bench")

RANKS = {
    "support": 0,
    "abi": 1,
    "system": 2,
    "system/linux": 3,
    "system/win32": 3,
    "cups_queue": 4,
    "network": 4,
    "network/linux": 5,
    "network/win32": 5,
    "wsd": 4,
    "wsd/linux": 5,
    "wsd/win32": 5,
    "dnssd": 5,
    "platform": 6,
    "family": 7,
    "port": 8,
    "search": 8,
    "service": 9,
    "platform/linux": 7,
    "platform/win32": 7,
    "app": 10,
}
PLATFORM_PARTS = ("linux", "win32")
CORE = {"family", "port", "search", "service"}
BACKENDS = {"platform/linux", "platform/win32"}
SYSTEM_LAYER = {"system", "system/linux", "system/win32"}
PORTABLE = {"support", "abi", "system", "network", "dnssd", "wsd", "platform"} | CORE
# The system layer stands on support/ alone, so every binary can link it.
SYSTEM_MAY_INCLUDE = {"support"} | SYSTEM_LAYER
SHARED_LIBRARIES = {"cups_queue", "network", "dnssd", "wsd"}
SIBLING_MAY_INCLUDE = {"support", "abi"} | SYSTEM_LAYER | SHARED_LIBRARIES
TOOL_MAY_INCLUDE = SIBLING_MAY_INCLUDE | {"platform"} | BACKENDS
TOOL_MAY_INCLUDE_FILES = {"search/search_settings.h"}


def includes_of(path):
    return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))


def is_standard_cpp_header(name):
    # Standard C++ headers have neither an extension nor a folder.
    return re.fullmatch(r"[a-z_]+", name) is not None


def room_of(parts):
    """The room of a path below src/, as parts; None for a file of src/ itself."""
    if len(parts) < 2:
        return None
    if len(parts) > 2 and parts[1] in PLATFORM_PARTS:
        return parts[0] + "/" + parts[1]
    return parts[0]


def part_of(room):
    """linux or win32 for a platform part, else None."""
    _, _, part = room.partition("/")
    return part or None


def rule_broken(room, target):
    """How an include of target's room from room breaks a rule ("" when it does not)."""
    if target == room:
        return ""
    # The core and the backends stand side by side above the seam.
    beside = (room in CORE and target in BACKENDS) or (room in BACKENDS and target in CORE)
    if RANKS[target] >= RANKS[room] or beside:
        return " against the ranks"
    if room in SYSTEM_LAYER and target not in SYSTEM_MAY_INCLUDE:
        return " against the ranks: the system layer stands on support/ alone"
    if room in PORTABLE and part_of(target):
        return ": a platform part in portable code"
    if part_of(room) and part_of(target) and part_of(room) != part_of(target):
        return ": the other system's part"
    return ""


def src_findings(src):
    findings = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        relative = path.relative_to(src)
        room = room_of(relative.parts)
        if room not in RANKS:
            findings.append(f"src/{relative}: {room or 'src/'} is no room of the tree")
            continue
        for kind, name in includes_of(path):
            if kind == "<":
                if room in PORTABLE and not is_standard_cpp_header(name):
                    findings.append(f"src/{relative}: system header <{name}> in portable code")
                continue
            target = room_of(pathlib.PurePosixPath(name).parts)
            if target not in RANKS:
                findings.append(f"src/{relative}: {name} is no header of a room")
            elif broken := rule_broken(room, target):
                findings.append(f"src/{relative}: {room} includes {name}{broken}")
    return findings


def outside_findings(root, folder, allowed_rooms, allowed_files):
    findings = []
    base = root / folder
    if not base.is_dir():
        return findings
    for path in sorted(base.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        for kind, name in includes_of(path):
            if kind != '"' or (path.parent / name).is_file():
                continue  # a system header, or one of its own folder
            target = room_of(pathlib.PurePosixPath(name).parts)
            if target in allowed_rooms or name in allowed_files:
                continue
            findings.append(f"{path.relative_to(root)}: {folder} may not include {name}")
    return findings


def layering_findings(root):
    return (
        src_findings(root / "src")
        + outside_findings(root, "siblings", SIBLING_MAY_INCLUDE, set())
        + outside_findings(root, "tools", TOOL_MAY_INCLUDE, TOOL_MAY_INCLUDE_FILES)
    )


def resolve(root, path, name, roots):
    for base in [path.parent, *roots]:
        candidate = (base / name).resolve()
        if candidate.is_file() and root in candidate.parents:
            return candidate
    return None


def include_graph(root):
    roots = [root / "src", root / "tests/unit"]
    files = [
        p
        for folder in SCANNED_FOLDERS
        if (root / folder).is_dir()
        for p in (root / folder).rglob("*")
        if p.suffix in SOURCE_SUFFIXES
    ]
    graph = {}
    for path in files:
        targets = (resolve(root, path, name, roots) for kind, name in includes_of(path) if kind == '"')
        graph[path.resolve()] = [t for t in targets if t is not None]
    return graph


def cycle_findings(root, graph):
    findings = []
    state = {}  # 1: on the current path, 2: done

    def visit(node, trail):
        state[node] = 1
        for target in graph.get(node, []):
            if state.get(target) == 1:
                loop = trail[trail.index(target) :] + [target]
                findings.append("include cycle: " + " -> ".join(str(p.relative_to(root)) for p in loop))
            elif target not in state:
                visit(target, trail + [target])
        state[node] = 2

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return findings


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    root = root.resolve()
    findings = layering_findings(root) + cycle_findings(root, include_graph(root))
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
