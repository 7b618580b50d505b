#!/usr/bin/python3
"""Checks a Windows exe from Linux, without running it.

  exe_checks.py imports EXE   only KnownDLLs (comctl32 through the manifest), nothing of the compiler's
  exe_checks.py hardening EXE loaded at a random address anywhere in 64 bits, data not executable
  exe_checks.py version EXE   the version record, field by field
  exe_checks.py icons EXE     the icon groups: the program's and the About box's picture
  exe_checks.py manifest EXE  common controls 6, per-monitor DPI, as invoker, Windows 10
"""
import os
import re
import subprocess
import sys
import tempfile

# Windows' KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs): the
# loader maps these from System32 whatever lies beside the exe. Any other import (oleacc,
# uxtheme, version, ...) is looked for in the exe's folder first, where a planted file of that
# name would run before the program's first line: such DLLs are loaded at run time from
# System32. The compiler's runtime (libstdc++, libgcc_s, libwinpthread) is linked in and must
# not appear either.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "gdi32.dll", "gdiplus.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}

# Side-by-side DLLs the exe may import when its manifest names their assembly: the loader then
# takes them from WinSxS before it looks in the exe's folder.
SIDE_BY_SIDE_DLLS = {"comctl32.dll": "Microsoft.Windows.Common-Controls"}

# The PE header's DllCharacteristics the exe must carry, and the file header's flag it must not.
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
RELOCS_STRIPPED = 0x0001

VERSION_STRINGS = {
    "FileDescription": "Tarnwick 11 Countdown",
    "FileVersion": "4.03",
    "InternalName": "Velmora3-C",
    "OriginalFilename": "Velmora3-C.exe",
    "ProductName": "Velmora Fest Countdown",
    "ProductVersion": "4.03",
}

# (width, bit depth) of each image of the program's icon: the three classic images, then the
# modern sizes in 32-bit colour with alpha.
PROGRAM_ICON = [(32, 1), (32, 4), (16, 4)] + [(size, 32) for size in (16, 20, 24, 32, 40, 48, 64, 256)]
ABOUT_ICON = [(32, 4)]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def imports(exe):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True,
                          text=True).stdout
    dlls = {name.lower() for name in re.findall(r"^\s*DLL Name: (\S+)", dump, re.M)}
    check("kernel32.dll" in dlls, f"no import table read: {sorted(dlls)}")
    assemblies = {name for name, _ in manifest_dependencies(exe)}
    for dll in sorted(dlls - KNOWN_DLLS):
        check(SIDE_BY_SIDE_DLLS.get(dll) in assemblies,
              f"imports {dll}, which is neither one of the system's KnownDLLs nor named by the manifest")
    print("imports:", ", ".join(sorted(dlls)))


def hardening(exe):
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for flag, name in ((DYNAMIC_BASE, "DYNAMIC_BASE"), (HIGH_ENTROPY_VA, "HIGH_ENTROPY_VA"), (NX_COMPAT, "NX_COMPAT")):
        check(flags & flag, f"DllCharacteristics 0x{flags:04x} lacks {name}")
    # A random base needs the relocations to move the image there.
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    check(not pe.FILE_HEADER.Characteristics & RELOCS_STRIPPED and relocations.Size > 0,
          "no relocations: the image cannot move from its preferred base")
    check(pe.OPTIONAL_HEADER.ImageBase >= 1 << 32, f"image base 0x{pe.OPTIONAL_HEADER.ImageBase:x} below 4 GiB")
    print(f"hardening: DllCharacteristics 0x{flags:04x}, {relocations.Size} bytes of relocations, "
          f"base 0x{pe.OPTIONAL_HEADER.ImageBase:x}")


def version(exe):
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    check(fixed is not None, "no version record")
    if fixed is None:
        return
    for which in ("File", "Product"):
        ms, ls = getattr(fixed, f"{which}VersionMS"), getattr(fixed, f"{which}VersionLS")
        got = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        check(got == (4, 3, 0, 0), f"{which.lower()} version {got}, not 4.3.0.0")
    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.append(var.entry.get(b"Translation"))
    check(list(tables) in (["040904B0"], ["040904b0"]), f"string blocks {list(tables)}, not 040904B0 alone")
    strings = next(iter(tables.values()), {})
    for key, expected in VERSION_STRINGS.items():
        check(strings.get(key) == expected, f"{key} is {strings.get(key)!r}, not {expected!r}")
    check(translations == ["0x0409 0x04b0"], f"translations {translations}, not 0x0409 0x04b0")
    print("version:", strings)


def icon_images(ico):
    listing = subprocess.run(["icotool", "-l", ico], check=True, capture_output=True, text=True).stdout
    return [(int(w), int(d)) for w, d in re.findall(r"--width=(\d+) .*--bit-depth=(\d+)", listing)]


def icons(exe):
    listing = subprocess.run(["wrestool", "-l", exe], check=True, capture_output=True, text=True).stdout
    groups = re.findall(r"--type=14 --name=(\d+)", listing)
    check(groups == ["1", "2"], f"icon groups {groups}, not 1 (the program) and 2 (the About box)")
    with tempfile.TemporaryDirectory() as scratch:
        for name, expected in (("1", PROGRAM_ICON), ("2", ABOUT_ICON)):
            ico = os.path.join(scratch, f"{name}.ico")
            with open(ico, "wb") as out:
                subprocess.run(["wrestool", "-x", "--type=14", f"--name={name}", exe], check=True, stdout=out)
            got = icon_images(ico)
            check(got == expected, f"icon group {name} holds {got}, not {expected}")
            print(f"icon group {name}:", got)
    # Explorer draws 256 from a PNG; every other image is a bitmap with its mask.
    images = re.findall(r"--type=3 --name=(\d+)", listing)
    png_widths = []
    for image in images:
        data = subprocess.run(["wrestool", "-x", "--raw", "--type=3", f"--name={image}", exe], check=True,
                              capture_output=True).stdout
        if data.startswith(b"\x89PNG\r\n\x1a\n"):
            png_widths.append(int.from_bytes(data[16:20], "big"))
    check(png_widths == [256], f"PNG-compressed images of widths {png_widths}, not 256 alone")


def manifest_root(exe):
    """The exe's manifest (RT_MANIFEST 1) as an XML element, or None."""
    import xml.etree.ElementTree as ET
    data = subprocess.run(["wrestool", "-x", "--raw", "--type=24", "--name=1", exe], check=True,
                          capture_output=True).stdout
    return ET.fromstring(data) if data else None


def manifest_dependencies(exe):
    """The (name, version) of each assembly the manifest depends on."""
    root = manifest_root(exe)
    return [] if root is None else [(e.get("name"), e.get("version")) for e in root.iter()
                                    if e.tag.endswith("}assemblyIdentity") and e.get("name") != "Velmora3-C"]


def manifest(exe):
    root = manifest_root(exe)
    check(root is not None, "no manifest (RT_MANIFEST 1)")
    if root is None:
        return
    def texts(tag):
        return [e.text for e in root.iter() if e.tag.endswith("}" + tag)]
    def attributes(tag, name):
        return [e.get(name) for e in root.iter() if e.tag.endswith("}" + tag)]
    dependencies = manifest_dependencies(exe)
    check(dependencies == [("Microsoft.Windows.Common-Controls", "6.0.0.0")],
          f"depends on {dependencies}, not common controls 6 alone")
    check(texts("dpiAware") == ["true/pm"], f"dpiAware {texts('dpiAware')}")
    check(texts("dpiAwareness") == ["PerMonitorV2,PerMonitor"], f"dpiAwareness {texts('dpiAwareness')}")
    check(attributes("requestedExecutionLevel", "level") == ["asInvoker"], "not asInvoker")
    windows_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
    check(windows_10 in attributes("supportedOS", "Id"), "Windows 10 is not a supported OS")
    print("manifest:", dependencies, texts("dpiAware"), texts("dpiAwareness"))


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("imports", "hardening", "version", "icons", "manifest"):
        sys.exit(__doc__)
    globals()[sys.argv[1]](sys.argv[2])
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
