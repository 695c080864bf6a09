#!/usr/bin/python3
# The icon, manifest and version information of paraboloid.exe, read back from
# the .exe taken out of the ZIP archive as Windows reads them (python3-pefile
# is a package of Debian's Python, hence /usr/bin/python3).
# Usage: check_resources.py EXE PROJECT_VERSION LICENSE
import os
import struct
import sys
import xml.etree.ElementTree as ET

import pefile

exe, version, licence = sys.argv[1:]
pe = pefile.PE(exe)
failures = []


def check(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: {got!r}, wanted {wanted!r}")


# (name, data) of each resource of a kind, in every language.
def resources(kind_id):
    rsrc = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    return [(name.id, pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size))
            for kind in (rsrc.entries if rsrc else []) if kind.id == kind_id
            for name in kind.directory.entries for lang in name.directory.entries]


# Icon resource 101, the one the window class loads: 32x32 in 16 colours
# (4 bits) and in 256 (8 bits; 0 stands for 256 in the colour count).
check("icons", [(name, [struct.unpack_from("<BBBxHH", data, 6 + 14 * i)
                        for i in range(struct.unpack_from("<H", data, 4)[0])])
                for name, data in resources(14)],
      [(101, [(32, 32, 16, 1, 4), (32, 32, 0, 1, 8)])])

# Exactly one manifest, resource 1: with a second one (a toolchain's default,
# say) which one Windows reads is not ours to say.
manifests = resources(24)
check("manifests", [name for name, _ in manifests], [1])
# Windows does not start a program whose manifest it cannot read, nor one
# whose common controls identity is wrong.
root = ET.fromstring(manifests[0][1]) if manifests else ET.Element("none")
ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "ws": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
comctl = "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity"
windows10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
check("manifest", {what: [e.get(attribute) if attribute else e.text
                          for e in root.iterfind(path, ns)] for what, path, attribute in [
    ("common controls", comctl + "[@name='Microsoft.Windows.Common-Controls']", "version"),
    ("their key", comctl, "publicKeyToken"),
    ("execution level", ".//v3:requestedExecutionLevel", "level"),
    ("dpi aware", "v3:application/v3:windowsSettings/ws:dpiAware", None),
    ("Windows 10 and 11", f"c:compatibility/c:application/c:supportedOS[@Id='{windows10}']", "Id")]},
    {"common controls": ["6.0.0.0"], "their key": ["6595b64144ccf1df"],
     "execution level": ["asInvoker"], "dpi aware": ["true"], "Windows 10 and 11": [windows10]})

# Version information: the numbers Explorer shows as the file version, and the
# strings in the one language that the translation table names.
if not hasattr(pe, "VS_FIXEDFILEINFO"):
    sys.exit("\n".join(failures + ["no version information"]))
n = ([int(part) for part in version.split(".")] + [0, 0, 0])[:4]
fixed = pe.VS_FIXEDFILEINFO[0]
check("version numbers",
      [fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS],
      [n[0] << 16 | n[1], n[2] << 16 | n[3]] * 2)
tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable]
check("string tables", [t.LangID.decode().lower() for t in tables],
      [v.entry[b"Translation"].replace("0x", "").replace(" ", "")
       for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for v in info.Var])
strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()} if tables else {}
with open(licence, encoding="utf-8") as f:
    copyright_line = next(line.strip() for line in f if line.startswith("Copyright"))
check("strings", {k: strings.get(k) for k in [
    "FileVersion", "ProductVersion", "ProductName", "OriginalFilename", "LegalCopyright"]},
    {"FileVersion": version, "ProductVersion": version, "ProductName": "paraboloid",
     "OriginalFilename": os.path.basename(exe), "LegalCopyright": copyright_line})
check("a file description", bool(strings.get("FileDescription")), True)

print("\n".join(failures) or "icon, manifest and version information as expected")
sys.exit(1 if failures else 0)
