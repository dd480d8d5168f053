#!/usr/bin/env python3
"""Checks the files the Debian package installed into a root: the udev rule (parsed with udev's rule
grammar and checked to give the logged-in user access to the driver's hidraw node), the desktop entry
(that it starts the installed program with the installed icon under the desktop file name the
program sets), the icons and the AppStream metainfo. Prints one line per fault; exits 1 on any."""

import argparse
import configparser
import pathlib
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

faults = []


def fault(message):
    faults.append(message)
    print(f"FAIL: {message}", file=sys.stderr)


# udev's rule keys (udev(7)): which take an {attribute}, which only match, which only assign.
MATCH_ONLY = {"ACTION", "DEVPATH", "KERNEL", "KERNELS", "SUBSYSTEM", "SUBSYSTEMS", "DRIVER", "DRIVERS",
              "ATTRS", "TAGS", "TEST", "PROGRAM", "RESULT", "CONST", "PARENT"}
ASSIGN_ONLY = {"OWNER", "GROUP", "MODE", "SECLABEL", "RUN", "LABEL", "GOTO", "IMPORT", "OPTIONS",
               "WAIT_FOR"}
EITHER = {"NAME", "SYMLINK", "TAG", "ENV", "ATTR", "SYSCTL"}
WITH_ATTRIBUTE = {"ATTR", "ATTRS", "ENV", "TEST", "SYSCTL", "CONST", "IMPORT", "RUN", "SECLABEL"}
TOKEN = re.compile(r'\s*([A-Z_]+)(?:\{([^}]*)\})?\s*(==|!=|\+=|-=|:=|=)\s*"((?:[^"\\]|\\.)*)"\s*(,|$)')


def parse_udev_rules(text):
    """Returns the rules as (line number, [(key, attribute, operator, value)]); reports grammar faults."""
    rules = []
    logical = []
    for number, line in enumerate(text.splitlines(), 1):
        if line.endswith("\\"):
            logical.append(line[:-1])
            continue
        logical.append(line)
        joined, logical = "".join(logical), []
        stripped = joined.strip()
        if not stripped or stripped.startswith("#"):
            continue
        tokens, position = [], 0
        while position < len(joined):
            match = TOKEN.match(joined, position)
            if not match:
                fault(f"udev rule line {number}: cannot parse from: {joined[position:]!r}")
                break
            key, attribute, operator, value = match.group(1, 2, 3, 4)
            if key not in MATCH_ONLY | ASSIGN_ONLY | EITHER:
                fault(f"udev rule line {number}: unknown key {key}")
            if (attribute is None) == (key in WITH_ATTRIBUTE) and key not in {"IMPORT", "RUN", "TEST"}:
                fault(f"udev rule line {number}: {key} {'needs' if attribute is None else 'takes no'} {{attribute}}")
            if key in MATCH_ONLY and operator not in ("==", "!="):
                fault(f"udev rule line {number}: {key} can only be matched, not assigned with {operator}")
            if key in ASSIGN_ONLY and operator in ("==", "!="):
                fault(f"udev rule line {number}: {key} can only be assigned, not matched with {operator}")
            tokens.append((key, attribute, operator, value))
            position = match.end()
            if match.group(5) == "" and position < len(joined):
                fault(f"udev rule line {number}: missing comma before: {joined[position:]!r}")
                break
        rules.append((number, tokens))
    return rules


def check_udev_rule(path):
    """Every rule that tags a device for the seat user's access (uaccess) must be limited to hidraw
    nodes, by its own SUBSYSTEM match or by an earlier SUBSYSTEM!="hidraw" jump past it, and must
    match the driver's name; and there must be such a rule."""
    numbered = parse_udev_rules(path.read_text(encoding="utf-8"))
    rules = [tokens for _, tokens in numbered]
    labels = {value: index for index, rule in enumerate(rules)
              for key, _, _, value in rule if key == "LABEL"}
    granting = 0
    for index, rule in enumerate(rules):
        if ("TAG", None, "+=", "uaccess") not in rule:
            continue
        granting += 1
        skipped_unless_hidraw = any(
            ("SUBSYSTEM", None, "!=", "hidraw") in earlier
            and any(key == "GOTO" and labels.get(value, -1) > index for key, _, _, value in earlier)
            for earlier in rules[:index])
        if ("SUBSYSTEM", None, "==", "hidraw") not in rule and not skipped_unless_hidraw:
            fault(f"udev rule on line {numbered[index][0]} grants access to devices that are not hidraw nodes")
        if not any(op == "==" and value == "VMD220" for _, _, op, value in rule):
            fault(f"udev rule on line {numbered[index][0]} grants access without matching the VMD220")
    if not granting:
        fault("no udev rule gives the seat user access (TAG+=\"uaccess\") to the VMD220")
    for rule in rules:
        for key, _, operator, value in rule:
            if key == "MODE" and re.fullmatch(r"0?[0-7]{2}[2367]", value):
                fault(f"udev rule makes device nodes writable for every user (MODE={value})")


def check_desktop_entry(root, source_dir, desktop_path):
    application_cpp = (source_dir / "app" / "application.cpp").read_text(encoding="utf-8")
    set_name = re.search(r'setDesktopFileName\(QStringLiteral\("([^"]+)"\)\)', application_cpp)
    if not set_name:
        fault("app/application.cpp sets no desktop file name")
    elif desktop_path.name != set_name.group(1) + ".desktop":
        fault(f"desktop file is {desktop_path.name}, the program sets {set_name.group(1)}")
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(desktop_path, encoding="utf-8")
    entry = parser["Desktop Entry"]
    for key in ("Name", "Comment", "Icon", "Categories", "Exec"):
        if not entry.get(key):
            fault(f"desktop entry has no {key}")
    program = entry.get("Exec", "").split()[0] if entry.get("Exec") else ""
    if program != "vmd220-pc" or not (root / "usr/bin" / program).is_file():
        fault(f"desktop entry starts {program!r}, which is not the installed /usr/bin/vmd220-pc")
    icon = entry.get("Icon", "")
    for size, extension in (("48x48", "png"), ("scalable", "svg")):
        if not (root / "usr/share/icons/hicolor" / size / "apps" / f"{icon}.{extension}").is_file():
            fault(f"icon {icon!r} has no {size} {extension} in the hicolor theme")
    if entry.get("Terminal", "false") != "false":
        fault("desktop entry runs the program in a terminal")


def check_icons(root, source_dir):
    png = root / "usr/share/icons/hicolor/48x48/apps/vmd220-monitor.png"
    data = png.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        fault("48x48 icon is not a PNG")
    elif struct.unpack(">II", data[16:24]) != (48, 48):
        fault(f"48x48 icon is {struct.unpack('>II', data[16:24])}")
    svg = root / "usr/share/icons/hicolor/scalable/apps/vmd220-monitor.svg"
    if ElementTree.parse(svg).getroot().tag != "{http://www.w3.org/2000/svg}svg":
        fault("scalable icon is not an SVG document")
    for installed, source in ((png, "vmd220-monitor.png"), (svg, "vmd220-monitor.svg")):
        if installed.read_bytes() != (source_dir / "app/icons" / source).read_bytes():
            fault(f"installed {installed.name} differs from app/icons/{source}")


def check_metainfo(root, version):
    directory = root / "usr/share/metainfo"
    files = sorted(directory.glob("*.metainfo.xml"))
    if len(files) != 1:
        fault(f"expected one metainfo file, found {[f.name for f in files]}")
        return
    component = ElementTree.parse(files[0]).getroot()
    component_id = component.findtext("id")
    if files[0].name != f"{component_id}.metainfo.xml":
        fault(f"metainfo file {files[0].name} does not carry its id {component_id}")
    if component.get("type") != "desktop-application":
        fault("metainfo component is not a desktop-application")
    launchable = component.findtext("launchable[@type='desktop-id']")
    if not launchable or not (root / "usr/share/applications" / launchable).is_file():
        fault(f"metainfo launchable {launchable!r} is not an installed desktop entry")
    for binary in component.findall("provides/binary"):
        if not (root / "usr/bin" / binary.text).is_file():
            fault(f"metainfo provides binary {binary.text}, which is not installed")
    releases = [release.get("version") for release in component.findall("releases/release")]
    if not releases or releases[0] != version:
        fault(f"newest release in the metainfo is {releases[:1]}, the package is {version}")


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--root", type=pathlib.Path, required=True)
    arguments.add_argument("--source-dir", type=pathlib.Path, required=True)
    arguments.add_argument("--version", required=True)
    arguments.add_argument("--rules", required=True, help="the rule's absolute path on the system")
    options = arguments.parse_args()
    root = options.root
    check_udev_rule(root / options.rules.lstrip("/"))
    check_desktop_entry(root, options.source_dir, root / "usr/share/applications/vmd220-monitor.desktop")
    check_icons(root, options.source_dir)
    check_metainfo(root, options.version)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
