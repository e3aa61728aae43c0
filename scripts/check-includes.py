#!/usr/bin/env python3
"""Checks which way the includes of the tree point.

Every folder of src/ is a room with a rank; a file may include headers of its
own room and of rooms ranked below it, never above, never sideways:

  support                        0  needs nothing
  abi, cups_queue, network, wsd  1  the sibling libraries' contracts, shared libraries
  platform (its own headers)     2  the seam
  family                         3
  port, search                   4
  service                        5
  platform/linux, platform/win32 3  the backends, beside the core: the core
                                    (family ... service) and a backend never
                                    include each other
  app                            6  sees everything

Outside src/: a sibling includes its own folder's headers, support/, abi/ and
the shared libraries; a tool also the seam, a backend and the record code of
search/; tests, fuzzers and benchmarks what they test. The portable rooms
include only standard C++ headers (<string>, not <windows.h>). No file
reaches itself through its includes.

Prints each finding and exits with 1 when there is one.
Usage: check-includes.py [tree root]  (default: this script's repository)
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".c", ".inc"}
SCANNED_FOLDERS = ("src", "siblings", "tools", "tests/unit", "tests/snmp", "fuzz", "bench")

RANKS = {
    "support": 0,
    "abi": 1,
    "cups_queue": 1,
    "network": 1,
    "wsd": 1,
    "platform": 2,
    "family": 3,
    "port": 4,
    "search": 4,
    "service": 5,
    "platform/linux": 3,
    "platform/win32": 3,
    "app": 6,
}
CORE = {"family", "port", "search", "service"}
BACKENDS = {"platform/linux", "platform/win32"}
PORTABLE = {"support", "abi", "platform"} | CORE
SHARED_LIBRARIES = {"cups_queue", "network", "wsd"}
SIBLING_MAY_INCLUDE = {"support", "abi"} | SHARED_LIBRARIES
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
    if parts[0] == "platform" and len(parts) > 2:
        return "platform/" + parts[1]
    return parts[0]


def may_include(room, target):
    if target == room:
        return True
    if RANKS[target] >= RANKS[room]:
        return False
    # The core and the backends stand side by side above the seam.
    return not ((room in CORE and target in BACKENDS) or (room in BACKENDS and target in CORE))


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
            elif not may_include(room, target):
                findings.append(f"src/{relative}: {room} includes {name} against the ranks")
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
