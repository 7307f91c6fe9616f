#!/usr/bin/env python3
"""Checks that the folders of src/ depend on each other in one direction.

A unit may include units of its own layer and of the layers below it, never
of a layer above. Lowest first:

  base  lang  frame (services)  pack  render  picture  items  comm  top

The top layer is the exports, their call frame and the load/unload order
(src/frame/ExportsUnit, CallFrameUnit, LifecycleUnit, LoadHooks), which
orchestrate every layer below. Exits 1 and names each upward include.
"""
import pathlib
import re
import sys

LAYERS = ["base", "lang", "frame", "pack", "render", "picture", "items", "comm", "top"]
TOP_UNITS = {"ExportsUnit", "CallFrameUnit", "LifecycleUnit", "LoadHooks"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path: pathlib.PurePosixPath) -> int | None:
    """The layer of a source file or include path below src/, or None."""
    parts = path.parts
    if len(parts) < 2 or parts[0] not in LAYERS:
        return None
    stem = path.name.split(".")[0].split("_")[0]
    if parts[0] == "frame" and stem in TOP_UNITS:
        return LAYERS.index("top")
    return LAYERS.index(parts[0])


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    src = root / "src"
    faults = []
    unknown = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        rel = pathlib.PurePosixPath(file.relative_to(src).as_posix())
        own = layer_of(rel)
        if own is None:
            unknown.append(str(rel))
            continue
        for number, line in enumerate(file.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = pathlib.PurePosixPath(m.group(1))
            other = layer_of(target)
            if other is not None and other > own:
                faults.append(f"src/{rel}:{number}: includes {target} ({LAYERS[other]}), "
                              f"a layer above its own ({LAYERS[own]})")
    for name in unknown:
        faults.append(f"src/{name}: lies in no layer folder ({', '.join(LAYERS[:-1])})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"layers: {len(faults)} upward or unplaced include(s)")
        return 1
    print("layers: every include points to the unit's own layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
