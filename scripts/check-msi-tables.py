#!/usr/bin/python3
"""Checks the interface tables of a built MSI, which no validation of wixl's
sees: every reference between them names a row that exists, and the
package's code page is 1252, so that its German texts read right on any
Windows. Windows Installer shows a broken reference as an error in the middle
of an install, or not at all.

Usage: check-msi-tables.py PACKAGE.msi
Prints every fault and exits with 1 if there was any.
"""
import re
import subprocess
import sys

CODEPAGE = "1252"
# EndDialog's arguments; the Error ones end the error dialog.
END_DIALOG = {"Exit", "Retry", "Ignore", "Return", "ErrorAbort", "ErrorCancel", "ErrorIgnore",
              "ErrorNo", "ErrorOk", "ErrorRetry", "ErrorYes"}
ERROR_DIALOG = 65536
STYLE = re.compile(r"\{[\\&]([^}]*)\}")


def table(package, name):
    """The rows of a table as dicts by column name; none where it is missing."""
    exported = subprocess.run(["msiinfo", "export", package, name], capture_output=True, text=True)
    lines = exported.stdout.splitlines()
    if exported.returncode != 0 or len(lines) < 3:
        return []
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def codepage(package):
    exported = subprocess.run(["msiinfo", "export", package, "_ForceCodepage"], capture_output=True, text=True)
    return exported.stdout.split()[0] if exported.stdout.split() else ""


def check(package):
    faults = []
    fail = faults.append
    found = codepage(package)
    if found != CODEPAGE:
        fail("the code page is %r, not %s" % (found, CODEPAGE))
    dialogs = {row["Dialog"]: row for row in table(package, "Dialog")}
    controls = {(row["Dialog_"], row["Control"]): row for row in table(package, "Control")}
    styles = {row["TextStyle"] for row in table(package, "TextStyle")}
    actions = {row["Action"] for row in table(package, "CustomAction")}
    properties = {row["Property"]: row["Value"] for row in table(package, "Property")}

    def control(where, dialog, name):
        if (dialog, name) not in controls:
            fail("%s: no control %s in dialog %s" % (where, name, dialog))

    for name, dialog in dialogs.items():
        for column in ("Control_First", "Control_Default", "Control_Cancel"):
            if dialog[column]:
                control("Dialog %s %s" % (name, column), name, dialog[column])
    for (dialog, name), row in controls.items():
        where = "Control %s.%s" % (dialog, name)
        if dialog not in dialogs:
            fail("%s: no dialog %s" % (where, dialog))
        if row["Control_Next"]:
            control(where + " Control_Next", dialog, row["Control_Next"])
        for style in STYLE.findall(row["Text"]):
            if style not in styles:
                fail("%s: no text style %s" % (where, style))
    for row in table(package, "ControlEvent"):
        where = "ControlEvent %s.%s %s" % (row["Dialog_"], row["Control_"], row["Event"])
        control(where, row["Dialog_"], row["Control_"])
        target = row["Argument"]
        if row["Event"] in ("NewDialog", "SpawnDialog", "SpawnWaitDialog") and target not in dialogs:
            fail("%s: no dialog %s" % (where, target))
        if row["Event"] == "DoAction" and target not in actions:
            fail("%s: no custom action %s" % (where, target))
        if row["Event"] == "EndDialog" and target not in END_DIALOG:
            fail("%s: EndDialog takes no %s" % (where, target))
    for name in ("EventMapping", "ControlCondition"):
        for row in table(package, name):
            control("%s %s.%s" % (name, row["Dialog_"], row["Control_"]), row["Dialog_"], row["Control_"])
    for row in table(package, "InstallUISequence"):
        if int(row["Sequence"]) < 0 and row["Action"] not in dialogs:
            fail("InstallUISequence %s: no dialog %s" % (row["Sequence"], row["Action"]))
    if properties.get("DefaultUIFont") not in styles:
        fail("DefaultUIFont: no text style %s" % properties.get("DefaultUIFont"))
    error = dialogs.get(properties.get("ErrorDialog"))
    if not error or not int(error["Attributes"]) & ERROR_DIALOG:
        fail("ErrorDialog: no error dialog %s" % properties.get("ErrorDialog"))
    return faults


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check-msi-tables.py PACKAGE.msi")
    faults = check(sys.argv[1])
    for fault in faults:
        print("FAIL: " + fault)
    print("%s: %s" % (sys.argv[1], "%d fault(s)" % len(faults) if faults else "its tables are sound"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
