"""The factory programs' readable source (presets/<n>-<group>.txt) as a section of the player's guide.

A source file starts with "# <Group title>"; each program is a block of lines, the first two
"program: <name>" and "description: <one line>", then "<panel name> = <display value>" lines; blocks are
separated by blank lines and "#" lines are comments. Programs are numbered in the order of the files
(by their leading number) and of the blocks inside them, as the bank holds them.

Only the standard library is used, so that the tests can run this without the plotting packages.
"""

import os
import re
import sys
from dataclasses import dataclass, field

BEGIN_MARKER = "<!-- factory:begin -->"
END_MARKER = "<!-- factory:end -->"

_FILE_NAME = re.compile(r"^(\d+)-[A-Za-z0-9_.-]+\.txt$")


class FormatError(ValueError):
    """A source file that does not follow the format; the message names the file and line."""


@dataclass
class Program:
    name: str
    description: str
    settings: list = field(default_factory=list)  # (panel name, display value) in file order


@dataclass
class Group:
    title: str
    path: str
    programs: list = field(default_factory=list)


def parse_group(text, path="<text>"):
    """Reads one source file's text into a Group; raises FormatError at the first bad line."""
    lines = text.splitlines()
    title = None
    group = None
    current = None  # the program whose block is open
    for number, raw in enumerate(lines, start=1):
        line = raw.strip()
        where = f"{path}:{number}"
        if title is None:
            if not line:
                continue
            if not line.startswith("#") or not line[1:].strip():
                raise FormatError(f"{where}: the file must start with '# <Group title>'")
            title = line[1:].strip()
            group = Group(title, path)
            continue
        if not line:
            current = _close(current, where)
            continue
        if line.startswith("#"):
            continue
        if current is None:
            if not line.startswith("program:"):
                raise FormatError(f"{where}: a program block must start with 'program: <name>'")
            name = line[len("program:"):].strip()
            if not name:
                raise FormatError(f"{where}: the program has no name")
            current = Program(name, None)
            group.programs.append(current)
            continue
        if current.description is None:
            if not line.startswith("description:"):
                raise FormatError(f"{where}: 'description: <one line>' must follow 'program:'")
            current.description = line[len("description:"):].strip()
            continue
        if "=" not in line:
            raise FormatError(f"{where}: expected '<panel name> = <display value>'")
        key, value = (part.strip() for part in line.split("=", 1))
        if not key or not value:
            raise FormatError(f"{where}: a setting needs a panel name and a value")
        current.settings.append((key, value))
    if title is None:
        raise FormatError(f"{path}: empty file; it must start with '# <Group title>'")
    _close(current, f"{path}:{len(lines)}")
    return group


def _close(program, where):
    if program is not None and program.description is None:
        raise FormatError(f"{where}: program '{program.name}' has no 'description:' line")
    return None


def source_files(presets_dir):
    """The group source files of a folder, in the order of their leading numbers."""
    if not os.path.isdir(presets_dir):
        return []
    found = []
    for name in os.listdir(presets_dir):
        match = _FILE_NAME.match(name)
        if match:
            found.append((int(match.group(1)), name))
    return [os.path.join(presets_dir, name) for _, name in sorted(found)]


def read_groups(presets_dir):
    groups = []
    for path in source_files(presets_dir):
        with open(path, encoding="utf-8") as f:
            groups.append(parse_group(f.read(), os.path.relpath(path, os.path.dirname(presets_dir))))
    return groups


def _cell(text):
    return text.replace("|", "\\|")


def markdown(groups):
    """The guide's factory section: one table per group, programs numbered through the bank."""
    if not groups:
        return ("The factory bank's source (`presets/*.txt`) is not in this tree yet; "
                "`tools/make-docs` lists its programs here once it is.\n")
    out = []
    number = 1
    for group in groups:
        first, last = number, number + len(group.programs) - 1
        span = f"{first}-{last}" if group.programs else "none"
        out.append(f"### {group.title} ({span})\n")
        out.append("| No. | Program | Description |")
        out.append("|---:|---|---|")
        for program in group.programs:
            out.append(f"| {number} | {_cell(program.name)} | {_cell(program.description)} |")
            number += 1
        out.append("")
    return "\n".join(out)


def replace_section(document, section):
    """document with the text between the factory markers replaced by section."""
    begin = document.find(BEGIN_MARKER)
    end = document.find(END_MARKER)
    if begin < 0 or end < begin:
        raise FormatError(f"the guide lacks '{BEGIN_MARKER}' ... '{END_MARKER}'")
    head = document[: begin + len(BEGIN_MARKER)]
    return head + "\n" + section.rstrip("\n") + "\n" + document[end:]


def update_guide(guide_path, presets_dir):
    """Writes the factory section into the guide; True when the file changed."""
    with open(guide_path, encoding="utf-8") as f:
        old = f.read()
    new = replace_section(old, markdown(read_groups(presets_dir)))
    if new == old:
        return False
    with open(guide_path, "w", encoding="utf-8") as f:
        f.write(new)
    return True


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: factory_list.py PRESETS_DIR GUIDE_MD")
    try:
        changed = update_guide(sys.argv[2], sys.argv[1])
    except (OSError, FormatError) as error:
        sys.exit(f"factory_list: {error}")
    print(f"factory list: {'updated' if changed else 'unchanged'} in {sys.argv[2]}")
