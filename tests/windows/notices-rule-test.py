#!/usr/bin/env python3
"""The rule of packaging/windows/make-notices.py on a small Qt source of its own: the entries
of the linked parts, of the third-party folders they name and of the bundled libraries are
listed with their licence texts; the others are not."""

import io
import os
import runpy
import sys
import tarfile
import tempfile
import types

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "packaging", "windows", "make-notices.py")


def entry(identifier, licence=None):
    text = '{"Id": "%s", "Name": "%s"' % (identifier, identifier)
    return text + (', "LicenseFile": "%s"}' % licence if licence else "}")


SOURCE = {
    "src/corelib/text/qt_attribution.json": entry("linked-part"),
    "src/corelib/tools/qhash.cpp": '#include "../../3rdparty/named/named.h"\n',
    "src/3rdparty/named/qt_attribution.json": entry("named", "LICENSE"),
    "src/3rdparty/named/LICENSE": "the named licence",
    "src/3rdparty/harfbuzz-ng/qt_attribution.json": entry("bundled", "COPYING"),
    "src/3rdparty/harfbuzz-ng/COPYING": "the bundled licence",
    "src/3rdparty/unnamed/qt_attribution.json": entry("unnamed"),
    "src/network/kernel/qt_attribution.json": entry("unlinked-part"),
}


def main():
    # The script's functions, without running its main.
    notices = types.SimpleNamespace(**runpy.run_path(SCRIPT, run_name="make_notices"))
    with tempfile.TemporaryDirectory() as folder:
        tarball = os.path.join(folder, "qtbase.tar.xz")
        with tarfile.open(tarball, "w:xz") as tar:
            for name, text in SOURCE.items():
                data = text.encode()
                member = tarfile.TarInfo("qtbase-everywhere-src/" + name)
                member.size = len(data)
                tar.addfile(member, io.BytesIO(data))
        os.makedirs(os.path.join(folder, "lib"))
        open(os.path.join(folder, "lib", "libQt6BundledHarfbuzz.a"), "w").close()
        named, texts = notices.read_tarball(tarball)
        listed = {e["Id"]: notices.describe(f, e, texts)
                  for f, e in notices.listed_entries(named, notices.bundled_folders(folder, texts),
                                                     texts)}
    failures = []
    if sorted(listed) != ["bundled", "linked-part", "named"]:
        failures.append("listed %s, not bundled, linked-part and named" % sorted(listed))
    for identifier, licence in (("named", "the named licence"), ("bundled", "the bundled licence")):
        if licence not in listed.get(identifier, ""):
            failures.append("%s is listed without its licence text" % identifier)
    for failure in failures:
        print("FAIL: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
