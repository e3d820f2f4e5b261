#!/usr/bin/python3
"""Checks a built Korva1.exe on disk: machine type, GUI subsystem and the
oldest Windows it declares (Vista, 6.0), imports
of system DLLs only, and the resources the program and its users rely on
(the form's dialog template, the icon, the version block and the manifest).

Usage: check-exe.py --machine x86-64|i686 --version X.Y.Z.W EXE
Prints every failed check and exits with 1 if there was any.
"""
import argparse
import re
import struct
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

MACHINES = {"x86-64": (0x8664, 0x20B), "i686": (0x14C, 0x10B)}
GUI_SUBSYSTEM = 2
# Vista: the program imports GetTickCount64.
OLDEST_WINDOWS = (6, 0)
SYSTEM_DLLS = {"kernel32", "user32", "gdi32", "comctl32", "advapi32", "shell32",
               "msvcrt", "ucrtbase", "ole32", "oleaut32", "oleacc", "comdlg32"}

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
GERMAN, ENGLISH_US = 1031, 1033
EXPECTED_RESOURCES = (
    {(RT_ICON, n, GERMAN) for n in range(1, 10)}
    | {(RT_DIALOG, 102, GERMAN), (RT_GROUP_ICON, 128, GERMAN),
       (RT_VERSION, 1, GERMAN), (RT_MANIFEST, 1, ENGLISH_US)})

# (width, bits per pixel) of icons 1 to 9, in this order.
ICONS = [(size, bpp) for bpp in (4, 8, 24) for size in (48, 32, 16)]

DIALOG = {"style": 0x90C800C8, "ex_style": 0x00040000, "help_id": 0,
          "rect": (0, 0, 408, 308), "menu": "", "class": "", "caption": "Korva1",
          "font": (8, 0, 0, 1, "MS Shell Dlg")}
ATOMS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox",
         0x84: "ScrollBar", 0x85: "ComboBox"}
LAYOUT = Path(__file__).resolve().parent.parent / "form" / "DialogLayout.def"
RESOURCE_IDS = Path(__file__).resolve().parent.parent.parent / "res" / "resource.h"


def expected_controls():
    """(id, class, caption, x, y, width, height, style) per control, from the
    layout that the form's test reads too; ids by name from res/resource.h."""
    ids = {"IDC_STATIC": -1}
    for name, value in re.findall(r"^#define (IDC_\w+) (\d+)$", RESOURCE_IDS.read_text(), re.M):
        ids[name] = int(value)
    rows = re.findall(r'^CONTROL_SPEC\((\w+), "([^"]*)", "([^"]*)", (\d+), (\d+), (\d+), (\d+), (0x[0-9A-Fa-f]+)\)$',
                      LAYOUT.read_text(encoding="utf-8"), re.M)
    return [(ids[i], cls, caption, int(x), int(y), int(w), int(h), int(style, 16))
            for i, cls, caption, x, y, w, h, style in rows]


CONTROLS = expected_controls()


class PeFile:
    """The parts of a PE image this check reads."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.versions = {"operating system": struct.unpack_from("<HH", data, opt + 40),
                         "subsystem": struct.unpack_from("<HH", data, opt + 48)}
        dirs = opt + (112 if self.magic == 0x20B else 96)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        table = opt + opt_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8)
                         for i in range(sections)]

    def offset(self, rva):
        for vsize, vaddr, raw_size, raw_ptr in self.sections:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                return rva - vaddr + raw_ptr
        raise ValueError("RVA 0x%x is in no section" % rva)

    def _cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva, size = self.dirs[1]
        names, pos = [], self.offset(rva) if size else None
        while pos is not None:
            descriptor = struct.unpack_from("<IIIII", self.data, pos)
            if not any(descriptor):
                break
            names.append(self._cstring(descriptor[3]))
            pos += 20
        return names

    def resources(self):
        """{(type, name, language): bytes}; string names come back as str."""
        rva, size = self.dirs[2]
        found = {}
        if size:
            self._walk(self.offset(rva), self.offset(rva), (), found)
        return found

    def _walk(self, base, pos, path, found):
        named, numbered = struct.unpack_from("<HH", self.data, pos + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, pos + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                self._walk(base, base + (target & 0x7FFFFFFF), path + (name,), found)
            else:
                data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                start = self.offset(data_rva)
                found[path + (name,)] = self.data[start:start + data_size]


class Reader:
    """Sequential little-endian reads from a resource."""

    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def align(self):
        self.pos = (self.pos + 3) & ~3

    def text(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return value

    def text_or_ordinal(self):
        if self.data[self.pos:self.pos + 2] == b"\xff\xff":
            self.pos += 2
            return self.take("H")
        return self.text()


def parse_dialog(data):
    r = Reader(data)
    version, signature, help_id, ex_style, style, count = r.take("HHIIIH")
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("not an extended dialog template")
    dialog = {"style": style, "ex_style": ex_style, "help_id": help_id,
              "rect": r.take("hhhh"), "menu": r.text_or_ordinal(),
              "class": r.text_or_ordinal(), "caption": r.text(), "font": None}
    if style & 0x40:  # DS_SETFONT
        dialog["font"] = r.take("HHBB") + (r.text(),)
    controls = []
    for _ in range(count):
        r.align()
        help_id, ex_style, style, x, y, cx, cy, control_id = r.take("IIIhhhhi")
        cls = r.text_or_ordinal()
        caption = r.text_or_ordinal()
        extra = r.take("H")
        r.pos += extra
        controls.append({"help_id": help_id, "ex_style": ex_style,
                         "row": (control_id, ATOMS.get(cls, cls), caption,
                                 x, y, cx, cy, style)})
    return dialog, controls


def check_dialog(data, fail):
    dialog, controls = parse_dialog(data)
    for key, want in DIALOG.items():
        if dialog[key] != want:
            fail("dialog %s is %r, expected %r" % (key, dialog[key], want))
    if len(controls) != len(CONTROLS):
        fail("dialog has %d controls, expected %d" % (len(controls), len(CONTROLS)))
    for number, (control, want) in enumerate(zip(controls, CONTROLS), 1):
        got = control["row"]
        got = (got[0], str(got[1]).lower()) + got[2:]
        if got != (want[0], want[1].lower()) + want[2:]:
            fail("control %d is %r, expected %r" % (number, control["row"], want))
        if control["help_id"] or control["ex_style"]:
            fail("control %d has help id or extended style" % number)


def row_bytes(width, bits_per_pixel):
    return (width * bits_per_pixel + 31) // 32 * 4


def check_icons(res, fail):
    r = Reader(res[(RT_GROUP_ICON, 128, GERMAN)])
    if r.take("HHH") != (0, 1, len(ICONS)):
        fail("icon group 128 does not hold %d icons" % len(ICONS))
        return
    for number, (size, bpp) in enumerate(ICONS, 1):
        w, h, colours, _, planes, bits, length, icon_id = r.take("BBBBHHIH")
        want_entry = (size, size, 16 if bpp == 4 else 0, 1, bpp, number)
        if (w, h, colours, planes, bits, icon_id) != want_entry:
            fail("icon group entry %d is %r, expected %r"
                 % (number, (w, h, colours, planes, bits, icon_id), want_entry))
        image = res.get((RT_ICON, number, GERMAN), b"")
        if len(image) < 40 or len(image) != length:
            fail("icon %d is %d bytes, group says %d" % (number, len(image), length))
            continue
        header = struct.unpack_from("<IiiHHI", image)
        if header != (40, size, 2 * size, 1, bpp, 0):
            fail("icon %d header is %r, expected %r"
                 % (number, header, (40, size, 2 * size, 1, bpp, 0)))
        palette = 4 << bpp if bpp <= 8 else 0
        if length != 40 + palette + size * (row_bytes(size, bpp) + row_bytes(size, 1)):
            fail("icon %d size %d does not fit its bitmap and AND mask" % (number, length))


def parse_version_node(data, pos):
    """One node of a version block: (key, value, children, end)."""
    r = Reader(data, pos)
    length, value_length, kind = r.take("HHH")
    end = pos + length
    key = r.text()
    r.align()
    if kind == 1:
        value = data[r.pos:r.pos + 2 * value_length].decode("utf-16-le").rstrip("\0")
        r.pos += 2 * value_length
    else:
        value = data[r.pos:r.pos + value_length]
        r.pos += value_length
    children = []
    r.align()
    while r.pos < end:
        child = parse_version_node(data, r.pos)
        children.append(child)
        r.pos = (child[3] + 3) & ~3
    return key, value, children, end


def check_version(data, version, fail):
    key, fixed, children, _ = parse_version_node(data, 0)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        fail("version block 1 has no fixed part")
        return
    major, minor, patch, tweak = version
    high, low = major << 16 | minor, patch << 16 | tweak
    want_fixed = (0xFEEF04BD, high, low, high, low, 0x3F, 1, 4, 1, 0, 0, 0)
    got_fixed = struct.unpack_from("<I4x11I", fixed)
    if got_fixed != want_fixed:
        fail("version fixed part is %r, expected %r" % (got_fixed, want_fixed))
    blocks = {child[0]: child[2] for child in children}
    tables = {table[0]: {s[0]: s[1] for s in table[2]}
              for table in blocks.get("StringFileInfo", [])}
    strings = tables.get("040704E4", {})
    text = ".".join(map(str, version))
    for name, want in (("FileVersion", text), ("ProductVersion", text),
                       ("InternalName", "Korva1.exe"), ("OriginalFilename", "Korva1.exe")):
        if strings.get(name) != want:
            fail("version string %s is %r, expected %r" % (name, strings.get(name), want))
    translations = [v[1] for v in blocks.get("VarFileInfo", []) if v[0] == "Translation"]
    if translations != [struct.pack("<HH", 0x0407, 1252)]:
        fail("version translation is %r, expected 0x0407, 1252" % translations)


def check_manifest(data, fail):
    if not data.startswith(b"\xef\xbb\xbf"):
        fail("manifest does not start with a UTF-8 byte order mark")
    root = ET.fromstring(data)
    asm_v1, asm_v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
    if root.tag != asm_v1 + "assembly" or root.get("manifestVersion") != "1.0":
        fail("manifest root is not an assembly of manifest version 1.0")
    level = root.find("{0}trustInfo/{0}security/{0}requestedPrivileges/"
                      "{0}requestedExecutionLevel".format(asm_v3))
    if level is None or (level.get("level"), level.get("uiAccess")) != ("asInvoker", "false"):
        fail("manifest does not request asInvoker without uiAccess")
    dpi = root.find("{0}application/{0}windowsSettings/"
                    "{{http://schemas.microsoft.com/SMI/2005/WindowsSettings}}dpiAware"
                    .format(asm_v3))
    if dpi is None or (dpi.text or "").strip() != "true":
        fail("manifest does not declare dpiAware true")
    if any(e.tag.endswith("dependency") for e in root.iter()):
        fail("manifest declares a dependency")


def is_system_dll(name):
    base = name.lower().removesuffix(".dll")
    return base in SYSTEM_DLLS or base.startswith("api-ms-win-crt-")


def check(path, machine, version):
    failures = []
    fail = failures.append
    with open(path, "rb") as f:
        pe = PeFile(f.read())
    if (pe.machine, pe.magic) != MACHINES[machine]:
        fail("machine 0x%x (optional header 0x%x), expected %s" % (pe.machine, pe.magic, machine))
    if pe.subsystem != GUI_SUBSYSTEM:
        fail("subsystem %d, expected %d (GUI)" % (pe.subsystem, GUI_SUBSYSTEM))
    for name, declared in pe.versions.items():
        if declared != OLDEST_WINDOWS:
            fail("%s version %d.%d, expected %d.%d" % ((name, *declared, *OLDEST_WINDOWS)))
    for dll in pe.imports():
        if not is_system_dll(dll):
            fail("imports %s, which is not a system DLL" % dll)
    res = pe.resources()
    if set(res) != EXPECTED_RESOURCES:
        fail("resources missing: %s; unexpected: %s"
             % (sorted(EXPECTED_RESOURCES - set(res)), sorted(set(res) - EXPECTED_RESOURCES)))
    for key, checker in (((RT_DIALOG, 102, GERMAN), check_dialog),
                         ((RT_GROUP_ICON, 128, GERMAN), lambda _, f: check_icons(res, f)),
                         ((RT_VERSION, 1, GERMAN), lambda data, f: check_version(data, version, f)),
                         ((RT_MANIFEST, 1, ENGLISH_US), check_manifest)):
        if key in res:
            try:
                checker(res[key], fail)
            except (struct.error, ValueError, ET.ParseError) as error:
                fail("resource %r cannot be read: %s" % (key, error))
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=MACHINES, required=True)
    # CMake has checked that the project's version has four numbers.
    parser.add_argument("--version", type=lambda text: tuple(map(int, text.split("."))), required=True,
                        help="the program's version, X.Y.Z.W")
    parser.add_argument("exe")
    args = parser.parse_args()
    failures = check(args.exe, args.machine, args.version)
    for failure in failures:
        print("FAIL: " + failure)
    print("%s: %s" % (args.exe, "%d problem(s)" % len(failures) if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
