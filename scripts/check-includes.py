#!/usr/bin/env python3
"""Checks which way the includes of the tree point.

- The core (src/support, service, port, search) and the seam's own headers
  (src/platform/*.h) include only standard C++ headers (<string>, not
  <windows.h>, <unistd.h> or <stdio.h>), in quotes only headers of their own
  folders by their path from src/, and no platform implementation.
- Nothing under src/platform/ includes the core above it or the program.
- No file reaches itself through its includes.

Prints each finding and exits with 1 when there is one.
Usage: check-includes.py [tree root]  (default: this script's repository)
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".c", ".inc"}
CORE_FOLDERS = ("support", "service", "port", "search")
ABOVE_PLATFORM = ("service/", "search/", "port/", "app/")
# Where the portable code's own includes start ("windows.h" in quotes is still
# a system header).
PORTABLE_ROOTS = tuple(folder + "/" for folder in CORE_FOLDERS) + ("platform/",)
SCANNED_FOLDERS = ("src", "siblings", "tools", "tests/unit", "tests/snmp", "fuzz", "bench")


def includes_of(path):
    return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))


def is_standard_cpp_header(name):
    # Standard C++ headers have neither an extension nor a folder.
    return re.fullmatch(r"[a-z_]+", name) is not None


def layering_findings(src):
    findings = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        relative = path.relative_to(src)
        parts = relative.parts
        in_core = parts[0] in CORE_FOLDERS
        in_seam = parts[0] == "platform" and len(parts) == 2
        in_platform = parts[0] == "platform"
        for kind, name in includes_of(path):
            if (in_core or in_seam) and kind == "<" and not is_standard_cpp_header(name):
                findings.append(f"src/{relative}: system header <{name}> in portable code")
            if (in_core or in_seam) and kind == '"' and not name.startswith(PORTABLE_ROOTS):
                findings.append(f"src/{relative}: {name} is no header of the portable code")
            if (in_core or in_seam) and name.startswith(("platform/posix/", "platform/win32/")):
                findings.append(f"src/{relative}: platform implementation {name} in portable code")
            if in_platform and kind == '"' and name.startswith(ABOVE_PLATFORM):
                findings.append(f"src/{relative}: the platform includes {name} from above it")
    return findings


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
    findings = layering_findings(root / "src") + cycle_findings(root, include_graph(root))
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
