#!/usr/bin/env python3
"""Writes THIRD-PARTY-NOTICES.txt of the Windows programs.

    make-notices.py --qt PREFIX --tarball QT.orig.tar.xz --version VERSION --output FILE

Which third-party code inside Qt is listed follows a rule that can only list too much: every
entry of the qt_attribution.json files in the source folders of the Qt parts the programs
link (LINKED), and in each src/3rdparty folder that a file of those folders names (in an
#include or a CMake line, whatever condition surrounds it) or that a bundled library of the
installed Qt (lib/libQt6Bundled*.a) is built from. Leaving an entry out is the fault that
matters; listing one that a Windows build leaves out costs a page.

Nothing is written from memory: the source package and version from the .dsc beside the
tarball, Qt's options from the stamp of the installed Qt (scripts/build-qt-windows.sh), the
entries and licence texts from the tarball, the compiler's runtime from Debian's copyright
files of mingw-w64 and GCC.
"""

import argparse
import glob
import hashlib
import json
import os
import posixpath
import re
import subprocess
import sys
import tarfile

LINKED = ("src/corelib/", "src/gui/", "src/widgets/", "src/entrypoint/",
          "src/plugins/platforms/windows/", "src/plugins/platforms/offscreen/",
          "src/plugins/styles/windowsvista/")
THIRD_PARTY = "src/3rdparty/"
NAMED = re.compile(r"3rdparty/([A-Za-z0-9_.+-]+)")
SOURCE = re.compile(r"\.(c|cc|cpp|h|hpp|inc|S|asm)$")
# FreeType comes under two licences, one to choose: the programs take the FreeType License,
# which asks for this sentence in the documentation.
CHOSEN_LICENCE_FILES = {"freetype": ["docs/FTL.TXT"]}
CREDITS = {"freetype": "Portions of this software are copyright (C) The FreeType Project "
                       "(www.freetype.org). All rights reserved."}
GCC_COPYRIGHT = "/usr/share/doc/gcc-mingw-w64-base/copyright"
MINGW_COPYRIGHT = "/usr/share/doc/mingw-w64-x86-64-dev/copyright"
RULE = "=" * 78


def read_tarball(path):
    """The names the linked folders give to third-party folders, and the text of every
    attribution file and of every other file that is not a source (licence texts)."""
    named, texts = set(), {}
    with tarfile.open(path) as tar:
        for member in tar:
            name = member.name.split("/", 1)[-1]
            if not member.isfile() or not name.startswith(LINKED + (THIRD_PARTY, "LICENSES/")):
                continue
            if name.startswith(THIRD_PARTY) and SOURCE.search(name):
                continue
            text = tar.extractfile(member).read().decode("utf-8", "replace")
            if name.startswith(LINKED):
                named.update(NAMED.findall(text))
            if not SOURCE.search(name):
                texts[name] = text
    return named, texts


def bundled_folders(qt, texts):
    """The src/3rdparty folder of each bundled library: libQt6BundledLibpng.a is built from
    src/3rdparty/libpng, libQt6BundledHarfbuzz.a from harfbuzz-ng."""
    folders = {n.split("/")[2] for n in texts if n.startswith(THIRD_PARTY)}
    chosen = set()
    for archive in glob.glob(os.path.join(qt, "lib", "libQt6Bundled*.a")):
        library = os.path.basename(archive)[len("libQt6Bundled"):-len(".a")].lower()
        match = sorted(f for f in folders if f.lower().startswith(library))
        if not match:
            sys.exit("make-notices: no src/3rdparty folder for %s" % archive)
        chosen.add(match[0])
    return chosen


def listed_entries(named, bundled, texts):
    folders = LINKED + tuple(THIRD_PARTY + f + "/" for f in sorted(named | bundled))
    for path in sorted(texts):
        if posixpath.basename(path) == "qt_attribution.json" and path.startswith(folders):
            data = json.loads(texts[path], strict=False)
            for entry in data if isinstance(data, list) else [data]:
                yield posixpath.dirname(path), entry


def describe(folder, entry, texts):
    lines = [RULE, entry.get("Name") or entry["Id"], RULE]
    for label, key in (("Version", "Version"), ("Home page", "Homepage"), ("Licence", "LicenseId")):
        if entry.get(key):
            lines.append("%s: %s" % (label, entry[key]))
    lines.append("In Qt's source: %s (%s)" % (folder, entry.get("Files") or "the whole folder"))
    if entry.get("QtUsage"):
        lines.append("Qt's note: " + " ".join(entry["QtUsage"].split()))
    if entry["Id"] in CREDITS:
        lines += ["", CREDITS[entry["Id"]]]
    copyright_text = entry.get("Copyright") or ""
    if isinstance(copyright_text, list):
        copyright_text = "\n".join(copyright_text)
    if copyright_text.strip():
        lines += ["", copyright_text.strip()]
    files = [entry["LicenseFile"]] if entry.get("LicenseFile") else []
    files += (entry.get("LicenseFiles") or []) + CHOSEN_LICENCE_FILES.get(entry["Id"], [])
    for f in files:
        name = posixpath.normpath(posixpath.join(folder, f))
        if name not in texts:
            sys.exit("make-notices: %s names %s, which the Qt source lacks" % (folder, name))
        lines += ["", "--- %s ---" % name, texts[name].rstrip()]
    return "\n".join(lines) + "\n\n"


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                            capture_output=True, text=True, check=False)
    return result.stdout.strip() or "(not installed)"


def source_package(tarball):
    """Name and version of Debian's source package, from the .dsc beside its tarball."""
    for dsc in sorted(glob.glob(os.path.join(os.path.dirname(os.path.abspath(tarball)), "*.dsc"))):
        with open(dsc, encoding="utf-8") as f:
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


def qt_section(args):
    name, version = source_package(args.tarball)
    with open(os.path.join(args.qt, "kvq-stamp"), encoding="utf-8") as f:
        options = "\n".join("    " + o for o in f.read().splitlines() if o.startswith("-D"))
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


def runtime_section():
    with open(GCC_COPYRIGHT, encoding="utf-8") as f:
        gcc = f.read()
    runtime = gcc[gcc.index("The following runtime libraries are licensed"):
                  gcc.index("The libbacktrace library")].strip()
    end = "requirements of the license of GCC."
    exception = gcc[gcc.index("GCC RUNTIME LIBRARY EXCEPTION"):gcc.index(end) + len(end)]
    with open(MINGW_COPYRIGHT, encoding="utf-8") as f:
        mingw = f.read().rstrip()
    return f"""{RULE}
The compiler's runtime: mingw-w64 and GCC
{RULE}
The programs were compiled by Debian's mingw-w64 cross-compiler (GCC
{package_version('gcc-mingw-w64-x86-64-posix')}) and contain, linked statically: winpthreads
(POSIX threads for Windows), the mingw-w64 C runtime, libgcc and libstdc++.

libstdc++ and libgcc are under the GNU General Public License, version 3 or later
(LICENSE.txt), with the GCC Runtime Library Exception, version 3.1, which lets them be
combined with any program. From the copyright file of Debian's package
gcc-mingw-w64-x86-64-posix-runtime {package_version('gcc-mingw-w64-x86-64-posix-runtime')}:

{runtime}

{exception}

The mingw-w64 runtime and winpthreads: the copyright file of Debian's package
mingw-w64-x86-64-dev {package_version('mingw-w64-x86-64-dev')}, as it is:

{mingw}

"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qt", required=True, help="install folder of the static Qt")
    parser.add_argument("--tarball", required=True, help="qt6-base orig tarball that was built")
    parser.add_argument("--version", required=True, help="this program's version")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    named, texts = read_tarball(args.tarball)
    entries = listed_entries(named, bundled_folders(args.qt, texts), texts)
    with open(args.output, "w", encoding="utf-8", newline="\r\n") as out:
        out.write(f"KVQ data transfer {args.version} for Windows: third-party notices\n\n"
                  "kvq-transfer.exe and kvq-convert.exe are free software under the GNU General\n"
                  "Public License, version 3 or later (LICENSE.txt). They contain the software\n"
                  "below, each under its own licence.\n\n")
        out.write(qt_section(args))
        out.write(RULE + "\nThird-party code inside Qt, as Qt's source lists it\n" + RULE + "\n"
                  "Every entry of the Qt parts the programs link, and of the third-party code\n"
                  "these parts name: some of it is left out of a Windows build.\n\n")
        for folder, entry in entries:
            out.write(describe(folder, entry, texts))
            print("listed: %s (%s)" % (entry["Id"], folder), file=sys.stderr)
        out.write(runtime_section())
        out.write(RULE + "\nGNU Lesser General Public License, version 3\n" + RULE + "\n")
        out.write(texts["LICENSES/LGPL-3.0-only.txt"].rstrip() + "\n")


if __name__ == "__main__":
    main()
