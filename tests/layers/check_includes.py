#!/usr/bin/env python3
# Fails when a source file includes a project header from a layer above its own. Quarry's layers,
# lowest first: text, match, engine, viewer, command; a layer may include its own headers and those
# of the layers below it. Bindery (keyassign/), Sieve (sieve/) and the tools (tools/) stand apart:
# each includes its own headers and only the few shared ones listed for it. The window-free core
# (every layer's headers, and the text view model) includes no <windows.h> in its headers.
#   python3 tests/layers/check_includes.py [top folder]
import os
import re
import sys

LAYERS = ["text", "match", "engine", "viewer", "command"]
# Headers that a component standing apart shares with Quarry.
SHARED = {
    "keyassign": {"text/file_faults.h", "text/file_replace.h", "text/handle_owner.h", "text/win32_handles.h"},
    "sieve": {"match/sieve_api.h", "text/handle_owner.h", "text/win32_handles.h"},
    "tools": {"command/protocol.h", "command/unicode_values.h", "keyassign/key_file.h", "text/handle_owner.h",
              "text/win32_handles.h"},
}
# Headers of the window-free core that must not bring in the platform's headers.
WINDOW_FREE_HEADERS = ("text/", "match/", "viewer/model/", "sieve/fold.h", "sieve/regex.h")
# The file layer's Win32 edge, which the window-free core does not build.
PLATFORM_EDGE_HEADERS = {"text/file_utils.h", "text/file_faults.h", "text/win32_handles.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
SOURCES = (".h", ".cpp")


def allowed(own, header):
    """Whether a file of folder own may include the project header header."""
    target = header.split("/", 1)[0]
    if target == own:
        return True
    if own in LAYERS:
        return target in LAYERS and LAYERS.index(target) < LAYERS.index(own)
    return header in SHARED.get(own, set())


def faults(top):
    found = []
    for own in LAYERS + sorted(SHARED):
        for folder, _, names in os.walk(os.path.join(top, own)):
            for name in sorted(names):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, top).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        quote, header = m.groups()
                        if quote == '"' and "/" in header and not allowed(own, header):
                            found.append("%s:%d: includes %s, a layer above its own" % (rel, number, header))
                        if (quote == "<" and header.lower() == "windows.h" and rel.endswith(".h")
                                and rel.startswith(WINDOW_FREE_HEADERS) and rel not in PLATFORM_EDGE_HEADERS):
                            found.append("%s:%d: a window-free header includes <windows.h>" % (rel, number))
    return found


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = faults(os.path.abspath(top))
    for line in found:
        print(line)
    print("include layers: %d file(s) out of place" % len(found) if found else "include layers: every include in place")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
