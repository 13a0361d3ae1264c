#!/usr/bin/env python3
"""Checks that the core's folders include one another only downwards.

LAYERS is the one list of the rule, lowest first: a file in src/<folder> may include its
own folder and the folders of the layers below its own, nothing else (no folder of its own
layer, none above, no platform or front-end code). Prints each include that breaks the
rule with its file and line, and exits non-zero when there is one.
"""
import pathlib
import re
import sys

LAYERS = [
    ["common"],
    ["cpu", "link"],
    ["config"],
    ["log", "shutdown"],
    ["ui"],
    ["app"],
]

INCLUDE = re.compile(r'\s*#\s*include\s+"([^"/]+)/')


def main():
    src = pathlib.Path(__file__).resolve().parent.parent / "src"
    layer_of = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}
    breaks = 0
    for folder, level in layer_of.items():
        for path in sorted((src / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or match.group(1) == folder:
                    continue
                if layer_of.get(match.group(1), len(LAYERS)) >= level:
                    print(f"{path.relative_to(src.parent)}:{number}: {line.strip()}")
                    breaks += 1
    if breaks:
        print(f"layers: {breaks} include(s) against the order of the layers in "
              "scripts/check-layers.py (move the code, or the include, down)")
        return 1
    print("layers: every core include runs downwards (" +
          " < ".join(", ".join(folders) for folders in LAYERS) + ")")
    return 0


if __name__ == "__main__":
    sys.exit(main())
