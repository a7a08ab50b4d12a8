#!/usr/bin/env python3
"""Writes the Windows package manager's manifest of a release.

    winget.py OUT PROGRAM URL INSTALLER...

OUT gets manifests/<letter>/<publisher>/<name>/<version>/ with the version,
installer and default-locale files. The publisher, product name, description,
copyright and version come from PROGRAM's version resource; each INSTALLER
(ButtonManager-<version>-<i686|x86_64>.exe) is listed with its SHA-256 and
the download URL <URL>/<its file name>.
"""
import hashlib
import os
import struct
import sys

MANIFEST_VERSION = "1.6.0"
ARCHITECTURES = {"i686": "x86", "x86_64": "x64"}
# The installer's own exit codes besides 0; see the README.
RETURN_CODES = [(1, "cancelledByUser"), (2, "fileInUse")]


def version_strings(path):
    """The StringFileInfo values of the first VS_VERSIONINFO in a PE file."""
    data = open(path, "rb").read()
    key = "VS_VERSION_INFO".encode("utf-16-le")
    start = data.find(key) - 6
    if start < 0:
        sys.exit(f"winget: {path} has no version resource")
    values = {}

    def walk(offset, depth):
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        end = offset + length
        name_end = offset + 6
        while data[name_end:name_end + 2] != b"\0\0":
            name_end += 2
        name = data[offset + 6:name_end].decode("utf-16-le")
        body = (name_end + 2 + 3) & ~3
        if depth == 3 and kind == 1:
            text = data[body:body + 2 * value_length].decode("utf-16-le")
            values[name] = text.rstrip("\0")
            return end
        if kind == 0:
            body = (body + value_length + 3) & ~3
        child = body
        while child < end:
            child = (walk(child, depth + 1) + 3) & ~3
        return end

    walk(start, 0)
    return values


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("# Written by scripts/package.\n")
        out.write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    out, program, url = argv[0], argv[1], argv[2].rstrip("/")
    strings = version_strings(program)
    publisher = strings["CompanyName"]
    version = strings["ProductVersion"]
    identifier = f"{publisher}.ButtonManager"
    folder = os.path.join(out, "manifests", publisher[0].lower(), publisher, "ButtonManager", version)
    os.makedirs(folder, exist_ok=True)
    head = [f"PackageIdentifier: {identifier}", f"PackageVersion: {quoted(version)}"]
    tail = [f"ManifestVersion: {MANIFEST_VERSION}"]

    write(os.path.join(folder, f"{identifier}.yaml"),
          head + ["DefaultLocale: en-US", "ManifestType: version"] + tail)

    installers = []
    for installer in argv[3:]:
        name = os.path.basename(installer)
        arch = name[:-len(".exe")].rsplit("-", 1)[-1]
        if arch not in ARCHITECTURES:
            sys.exit(f"winget: {name} names no architecture")
        digest = hashlib.sha256(open(installer, "rb").read()).hexdigest().upper()
        installers += [f"- Architecture: {ARCHITECTURES[arch]}",
                       f"  InstallerUrl: {quoted(url + '/' + name)}",
                       f"  InstallerSha256: {digest}"]
    codes = []
    for code, response in RETURN_CODES:
        codes += [f"- InstallerReturnCode: {code}", f"  ReturnResponse: {response}"]
    write(os.path.join(folder, f"{identifier}.installer.yaml"),
          head + ["InstallerType: nullsoft",
                  "Scope: machine",
                  "InstallModes:", "- interactive", "- silent", "- silentWithProgress",
                  "InstallerSwitches:",
                  "  Silent: /S",
                  "  SilentWithProgress: /S",
                  "UpgradeBehavior: install",
                  "ProductCode: ButtonManager",
                  "ExpectedReturnCodes:"] + codes + ["Installers:"] + installers +
          ["ManifestType: installer"] + tail)

    write(os.path.join(folder, f"{identifier}.locale.en-US.yaml"),
          head + ["PackageLocale: en-US",
                  f"Publisher: {quoted(publisher)}",
                  f"PackageName: {quoted(strings['ProductName'])}",
                  "License: Proprietary",
                  f"Copyright: {quoted(strings['LegalCopyright'])}",
                  f"ShortDescription: {quoted(strings['FileDescription'])}",
                  "Description: " + quoted(
                      "Turns the two buttons of the card scanner into one-press actions: "
                      "the left one scans the card to an image file or a new e-mail, "
                      "the right one hands it to the companion OCR application. "
                      "The installer's /NOLOGON switch leaves out the start at log-on."),
                  "ManifestType: defaultLocale"] + tail)
    print(folder)


if __name__ == "__main__":
    main(sys.argv[1:])
