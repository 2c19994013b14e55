#!/usr/bin/env python3
"""Writes THIRD-PARTY-NOTICES.txt of the Windows program from what the build really used.

    make-notices.py --qt PREFIX --tarball QT.orig.tar.xz --map A.exe.map [--map B.exe.map]
                    --version VERSION --output THIRD-PARTY-NOTICES.txt

Nothing here is written from memory:
- Qt: the source package and its version from the .dsc beside the tarball, the configure
  options from the stamp of the installed Qt (scripts/build-qt-windows.sh writes it), the
  LGPL text from the tarball.
- The third-party code inside Qt: the qt_attribution.json files of the tarball and the licence
  files they name. An entry is taken when the linker maps of the programs show that its code
  went into them: an object compiled from one of its files, a file #included, directly or
  not, by a source compiled into them (an #include in a block that Windows leaves out, by
  Q_OS_* or by a feature of the installed Qt, does not count), or a resource object that
  holds one.
- The compiler's runtime: the copyright files Debian installs for mingw-w64 and GCC, for the
  archives the maps show.
"""

import argparse
import hashlib
import json
import os
import posixpath
import re
import subprocess
import sys
import tarfile

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".inc", ".macros", ".icc")
LICENCE_NAME = re.compile(r"(?i)(licen[cs]e|copying|ftl\.txt)")
MAP_MEMBER = re.compile(r"(\S+\.a)\(([^()\s]+)\)")
MAP_LOAD = re.compile(r"^LOAD (\S+)$", re.MULTILINE)
DIRECTIVE = re.compile(r"^\s*#\s*(include|if|ifdef|ifndef|elif|else|endif)\b\s*(.*)$")
FEATURE = re.compile(r"^#define QT_FEATURE_(\w+) (-?1)$", re.MULTILINE)
# FreeType comes under two licences, one to choose: this program takes the FreeType License,
# whose text its LICENSE.txt only names, and which asks for this sentence in the documentation.
CHOSEN_LICENCE_FILES = {"freetype": ["docs/FTL.TXT"]}
CREDITS = {
    "freetype": "Portions of this software are copyright (C) The FreeType Project "
    "(www.freetype.org). All rights reserved."
}
MINGW_COPYRIGHT = "/usr/share/doc/mingw-w64-x86-64-dev/copyright"
GCC_COPYRIGHT = "/usr/share/doc/gcc-mingw-w64-base/copyright"
RULE = "=" * 78


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qt", required=True, help="install folder of the static Qt")
    parser.add_argument("--tarball", required=True, help="qt6-base orig tarball that was built")
    parser.add_argument("--map", action="append", required=True, help="linker map of a program")
    parser.add_argument("--version", required=True, help="this program's version")
    parser.add_argument("--output", required=True)
    return parser.parse_args()


class Linked:
    """What the linker maps say went into the programs."""

    def __init__(self, maps, qt_prefix):
        self.members = set()  # (archive path, member name)
        self.objects = set()  # objects given to the linker on their own (Qt's resources)
        qt_prefix = os.path.realpath(qt_prefix)
        for path in maps:
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            self.members.update(MAP_MEMBER.findall(text))
            for loaded in MAP_LOAD.findall(text):
                if loaded.endswith(".obj") and os.path.realpath(loaded).startswith(qt_prefix):
                    self.objects.add(os.path.realpath(loaded))
        # "qfoo.cpp.obj" of libQt6Gui.a was compiled from a source called "qfoo.cpp".
        self.qt_sources = {
            (m[: -len(".obj")], os.path.basename(a))
            for a, m in self.members
            if m.endswith(".obj") and os.path.realpath(a).startswith(qt_prefix)
        }
        self.archives = {os.path.basename(a) for a, _ in self.members}


class QtSource:
    """The files of the Qt tarball that the notices need, read in one pass."""

    def __init__(self, tarball):
        self.names = []
        self.text = {}
        with tarfile.open(tarball) as tar:
            for member in tar:
                if not member.isfile():
                    continue
                name = member.name.split("/", 1)[1] if "/" in member.name else member.name
                self.names.append(name)
                base = posixpath.basename(name)
                keep = (
                    base == "qt_attribution.json"
                    or name.startswith("LICENSES/")
                    or (LICENCE_NAME.search(base) and member.size < 1_000_000)
                    or (name.startswith("src/") and name.endswith(SOURCE_SUFFIXES))
                )
                if keep:
                    self.text[name] = tar.extractfile(member).read().decode("utf-8", "replace")

    def attribution_files(self):
        return sorted(n for n in self.text if posixpath.basename(n) == "qt_attribution.json")


def entries_of(source):
    for path in source.attribution_files():
        data = json.loads(source.text[path], strict=False)
        for entry in data if isinstance(data, list) else [data]:
            yield posixpath.dirname(path), entry


def entry_files(source, folder, entry):
    """The files of the Qt source an attribution entry speaks of."""
    listed = []
    if entry.get("Files"):
        listed = [f for f in re.split(r"[\s,]+", entry["Files"]) if f]
    base = posixpath.normpath(posixpath.join(folder, entry.get("Path") or "."))
    if listed:
        return [posixpath.normpath(posixpath.join(base, f)) for f in listed]
    if base in source.names:
        return [base]
    return [n for n in source.names if n.startswith(base + "/") and n.endswith(SOURCE_SUFFIXES)]


def qt_features(prefix):
    """The features of the installed Qt: QT_CONFIG(name) is on or off on this build."""
    features = {}
    for folder, _, files in os.walk(os.path.join(prefix, "include")):
        for name in files:
            if "config" in name and name.endswith(".h"):
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    for feature, value in FEATURE.findall(f.read()):
                        features[feature] = value == "1"
    return features


def condition_on_windows(kind, text, features):
    """Whether a preprocessor condition holds in this Windows build; None if it cannot tell.
    A Windows build defines no Q_OS_* but Q_OS_WIN*; QT_CONFIG(x) is the installed Qt's."""
    expr = re.sub(r"/\*.*?\*/|//.*", "", text).strip()
    if kind == "ifdef":
        expr = "defined(%s)" % expr
    elif kind == "ifndef":
        expr = "!defined(%s)" % expr
    negated = expr.startswith("!")
    expr = expr.lstrip("!").strip()
    platform = re.fullmatch(r"defined\s*\(?\s*(Q_OS_\w+)\s*\)?|(Q_OS_\w+)", expr)
    feature = re.fullmatch(r"QT_CONFIG\s*\(\s*(\w+)\s*\)", expr)
    if platform:
        value = (platform.group(1) or platform.group(2)).startswith("Q_OS_WIN")
    elif feature and feature.group(1) in features:
        value = features[feature.group(1)]
    else:
        return None
    return value != negated


def windows_includes(text, features):
    """The file names a source #includes outside the blocks that a Windows build leaves out."""
    includes = []
    blocks = []  # per open #if: [active around it, a branch surely taken]
    active = True
    for line in text.splitlines():
        directive = DIRECTIVE.match(line)
        if not directive:
            continue
        kind, rest = directive.groups()
        if kind == "include":
            target = re.match(r'[<"]([^>"]+)[>"]', rest)
            if active and target:
                includes.append(posixpath.basename(target.group(1)))
        elif kind in ("if", "ifdef", "ifndef"):
            value = condition_on_windows(kind, rest, features)
            blocks.append([active, value is True])
            active = active and value is not False
        elif kind == "elif" and blocks:
            value = condition_on_windows("if", rest, features)
            active = blocks[-1][0] and not blocks[-1][1] and value is not False
            blocks[-1][1] = blocks[-1][1] or value is True
        elif kind == "else" and blocks:
            active = blocks[-1][0] and not blocks[-1][1]
        elif kind == "endif":
            active = blocks.pop()[0] if blocks else True
    return includes


class Reached:
    """The Qt sources compiled into the programs, and every file they #include."""

    def __init__(self, source, linked, features):
        by_name = {}
        for name in source.text:
            if name.endswith(SOURCE_SUFFIXES):
                by_name.setdefault(posixpath.basename(name), []).append(name)
        self.compiled = set()
        for base, archive in linked.qt_sources:
            candidates = by_name.get(base, [])
            # zlib's and FreeType's adler32.c: the one of the archive's own library.
            stem = re.sub(r"^lib(q|Qt6)?(Bundled)?|\.a$", "", archive).lower()
            own = [c for c in candidates if stem and stem in c.lower()]
            self.compiled.update(own or candidates)
        self.included_by = {}
        todo = sorted(self.compiled)
        while todo:
            name = todo.pop()
            for base in windows_includes(source.text[name], features):
                for target in by_name.get(base, []):
                    if target not in self.compiled and target not in self.included_by:
                        self.included_by[target] = name
                        todo.append(target)


def why_linked(files, reached, resources):
    """Which part of the programs holds one of the files, or None."""
    compiled = sorted(f for f in files if f in reached.compiled)
    if compiled:
        return "compiled into the programs: " + ", ".join(posixpath.basename(f) for f in compiled[:3])
    included = sorted(f for f in files if f in reached.included_by)
    if included:
        return "%s, #included by %s" % (included[0], reached.included_by[included[0]])
    bases = {posixpath.basename(f) for f in files}
    for path, data in sorted(resources.items()):
        held = sorted(b for b in bases if b.encode("utf-16-be") in data)
        if held:
            return "a resource in %s: %s" % (os.path.basename(path), ", ".join(held))
    return None


def licence_texts(source, folder, entry):
    files = []
    if entry.get("LicenseFile"):
        files.append(entry["LicenseFile"])
    files += entry.get("LicenseFiles") or []
    chosen = CHOSEN_LICENCE_FILES.get(entry.get("Id"), [])
    files += chosen
    texts = []
    for f in files:
        name = posixpath.normpath(posixpath.join(folder, f))
        if name not in source.text:
            sys.exit("make-notices: %s names %s, which the Qt source lacks" % (folder, name))
        texts.append((name, source.text[name]))
    return texts


def describe_entry(source, folder, entry, reason):
    lines = [RULE, entry.get("Name") or entry["Id"], RULE]
    for label, key in (("Version", "Version"), ("Home page", "Homepage"), ("Licence", "LicenseId")):
        if entry.get(key):
            lines.append("%s: %s" % (label, entry[key]))
    lines.append("In Qt's source: %s (%s)" % (folder, reason))
    if entry.get("QtUsage"):
        lines.append("Qt's note: " + " ".join(entry["QtUsage"].split()))
    if entry.get("Id") in CREDITS:
        lines += ["", CREDITS[entry["Id"]]]
    if entry.get("Copyright"):
        copyright_text = entry["Copyright"]
        if isinstance(copyright_text, list):
            copyright_text = "\n".join(copyright_text)
        lines += ["", copyright_text.strip()]
    for name, text in licence_texts(source, folder, entry):
        lines += ["", "--- %s ---" % name, text.rstrip()]
    return "\n".join(lines) + "\n\n"


def package_version(package):
    result = subprocess.run(
        ["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True
    )
    return result.stdout.strip() or "(not installed)"


def source_package(tarball):
    """Name and version of Debian's source package, from the .dsc beside its tarball."""
    folder = os.path.dirname(os.path.abspath(tarball))
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".dsc"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            text = f.read()
        fields = dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)
        if os.path.basename(tarball) in text and "Source" in fields and "Version" in fields:
            return fields["Source"], fields["Version"]
    sys.exit("make-notices: no .dsc for %s beside it" % tarball)


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def qt_options(prefix):
    with open(os.path.join(prefix, "kvq-stamp"), encoding="utf-8") as f:
        return [line for line in f.read().splitlines() if line.startswith("-D")]


def qt_section(args):
    name, version = source_package(args.tarball)
    options = "\n".join("    " + o for o in qt_options(args.qt))
    return f"""{RULE}
Qt {version.split('+')[0]} (Qt Core, Qt GUI, Qt Widgets, the windows and offscreen platforms)
{RULE}
Licence: GNU Lesser General Public License, version 3 (LGPL-3.0-only); its text is at the
end of this file, and the GNU General Public License it builds on is in LICENSE.txt.
Copyright (C) The Qt Company Ltd. and other contributors.

The programs contain Qt, linked statically. It was built from Debian's source package
{name}, version {version}: the file {os.path.basename(args.tarball)}
(SHA-256 {sha256(args.tarball)}), as it is, without the patches of the source package's
debian/ folder, by scripts/build-qt-windows.sh of this program's source, with these options:
{options}
On Debian, "apt-get source {name}={version}" fetches that source; every version of it is
kept at https://snapshot.debian.org/package/{name}/{version.replace('+', '%2B')}/.

Your right to use another Qt. The LGPL lets you change Qt and use the programs with your
changed version. The programs' complete source is free software (GPL-3.0-or-later, see
LICENSE.txt), with the scripts that built them, so they can be linked again with any Qt 6:
build that Qt for Windows (scripts/build-qt-windows.sh builds one from its source, into the
folder that KVQ_QT_WINDOWS_CACHE names), then run ./build-windows.sh, which configures the
programs against it and makes them anew. Whoever gave you these programs must also give you,
or offer you, their source and Qt's (GPL-3.0 section 6, LGPL-3.0 section 4).

"""


def runtime_section(linked):
    parts = []
    if {"libwinpthread.a"} & linked.archives:
        parts.append("winpthreads (POSIX threads for Windows)")
    if {"libmingw32.a", "libmingwex.a", "libmsvcrt.a"} & linked.archives:
        parts.append("the mingw-w64 C runtime")
    gcc_parts = sorted(
        {"libstdc++.a": "libstdc++", "libgcc.a": "libgcc", "libgcc_eh.a": "libgcc"}[a]
        for a in linked.archives & {"libstdc++.a", "libgcc.a", "libgcc_eh.a"}
    )
    with open(GCC_COPYRIGHT, encoding="utf-8") as f:
        gcc = f.read()
    start = gcc.index("The following runtime libraries are licensed")
    exception_start = gcc.index("GCC RUNTIME LIBRARY EXCEPTION")
    exception_end = gcc.index("requirements of the license of GCC.") + len(
        "requirements of the license of GCC."
    )
    with open(MINGW_COPYRIGHT, encoding="utf-8") as f:
        mingw = f.read()
    return f"""{RULE}
The compiler's runtime: mingw-w64 and GCC
{RULE}
The programs were compiled by Debian's mingw-w64 cross-compiler (GCC
{package_version('gcc-mingw-w64-x86-64-posix')}) and contain, linked statically:
{', '.join(parts + sorted(set(gcc_parts)))}.

libstdc++ and libgcc ({', '.join(sorted(set(gcc_parts)))}) are under the GNU General Public
License, version 3 or later (LICENSE.txt), with the GCC Runtime Library Exception, version
3.1, which lets them be combined with any program. From the copyright file of Debian's
package gcc-mingw-w64-x86-64-posix-runtime {package_version('gcc-mingw-w64-x86-64-posix-runtime')}:

{gcc[start:gcc.index("The libbacktrace library", start)].strip()}

{gcc[exception_start:exception_end]}

The mingw-w64 runtime and winpthreads: the copyright file of Debian's package
mingw-w64-x86-64-dev {package_version('mingw-w64-x86-64-dev')}, as it is:

{mingw.rstrip()}

"""


def main():
    args = parse_arguments()
    linked = Linked(args.map, args.qt)
    if not linked.qt_sources:
        sys.exit("make-notices: the maps show nothing of the Qt in %s" % args.qt)
    source = QtSource(args.tarball)
    reached = Reached(source, linked, qt_features(args.qt))
    resources = {}
    for path in linked.objects:
        with open(path, "rb") as f:
            resources[path] = f.read()
    taken, left_out = [], []
    for folder, entry in entries_of(source):
        reason = why_linked(entry_files(source, folder, entry), reached, resources)
        if reason:
            taken.append(describe_entry(source, folder, entry, reason))
            print("taken: %s (%s)" % (entry["Id"], reason), file=sys.stderr)
        else:
            left_out.append("  %s (%s)" % (entry.get("Name") or entry["Id"], folder))
    lgpl = source.text["LICENSES/LGPL-3.0-only.txt"]
    with open(args.output, "w", encoding="utf-8", newline="\r\n") as out:
        out.write(
            f"KVQ data transfer {args.version} for Windows: third-party notices\n\n"
            "kvq-transfer.exe and kvq-convert.exe are free software under the GNU General\n"
            "Public License, version 3 or later (LICENSE.txt). They contain the software\n"
            "below, each under its own licence.\n\n"
        )
        out.write(qt_section(args))
        out.write(RULE + "\nThird-party code inside Qt, as Qt's source lists it\n" + RULE + "\n\n")
        out.writelines(taken)
        out.write(runtime_section(linked))
        out.write(
            RULE + "\nNot in these programs\n" + RULE + "\n"
            "Qt's source lists these too; none of their code went into the programs:\n"
            + "\n".join(left_out) + "\n\n"
        )
        out.write(RULE + "\nGNU Lesser General Public License, version 3\n" + RULE + "\n")
        out.write(lgpl.rstrip() + "\n")


if __name__ == "__main__":
    main()
