#!/usr/bin/env python3
"""What Windows Installer enforces and Wine's msiexec forgives, read from the built packages'
tables (msiinfo export), so that a wixl upgrade or a change of make-msi cannot undo it
silently: the custom actions' types (rollbacks in the rollback script, right before what they
take back; the player's keys impersonated, the machine's not), the properties a managed
install passes to its server side, one product code per package and one component GUID per
component size, and the control panel's Start-menu shortcut with its folder's removal.

Usage: installer_tables_test.py X64.msi [X86.msi]"""
import subprocess
import sys
import unittest

IN_SCRIPT, ROLLBACK, COMMIT, NO_IMPERSONATE = 0x400, 0x100, 0x200, 0x800
PACKAGES = sys.argv[1:]
del sys.argv[1:]


def table(msi, name):
    """The rows of a table as dictionaries of its columns."""
    lines = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True,
                           text=True).stdout.split("\n")
    lines = [line.rstrip("\r") for line in lines if line.strip()]
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t") + [""] * len(columns))) for line in lines[3:]]


def by(rows, key):
    return {row[key]: row for row in rows}


class PackageTables(unittest.TestCase):
    def test_rollbacks_run_from_the_rollback_script_right_before_what_they_take_back(self):
        for msi in PACKAGES:
            with self.subTest(package=msi):
                actions = by(table(msi, "CustomAction"), "Action")
                sequence = sorted(table(msi, "InstallExecuteSequence"),
                                  key=lambda row: int(row["Sequence"]))
                names = [row["Action"] for row in sequence]
                for rollback, undone in (("UndoAcceptDevice", "AcceptDevice"),
                                         ("UndoTuning", "WriteTuning"),
                                         ("UndoSetAsideOtherEntry", "SetAsideOtherEntry"),
                                         ("UndoPutBackOtherEntry", "PutBackOtherEntry")):
                    kind = int(actions[rollback]["Type"])
                    self.assertEqual(kind & (IN_SCRIPT | ROLLBACK | COMMIT), IN_SCRIPT | ROLLBACK,
                                     rollback)
                    self.assertEqual(int(actions[undone]["Type"]) & (IN_SCRIPT | ROLLBACK),
                                     IN_SCRIPT, undone)
                    self.assertEqual(names.index(undone), names.index(rollback) + 1, rollback)
                    conditions = by(sequence, "Action")
                    self.assertEqual(conditions[rollback]["Condition"],
                                     conditions[undone]["Condition"], rollback)

    def test_only_the_players_keys_are_edited_as_the_player(self):
        impersonated = {"RemoveStaleUserEntry", "RemoveUserValues"}
        for msi in PACKAGES:
            with self.subTest(package=msi):
                for row in table(msi, "CustomAction"):
                    kind = int(row["Type"])
                    if not kind & IN_SCRIPT:
                        continue
                    with self.subTest(action=row["Action"]):
                        self.assertEqual(not kind & NO_IMPERSONATE, row["Action"] in impersonated)

    def test_the_wheels_ids_reach_the_server_side(self):
        for msi in PACKAGES:
            with self.subTest(package=msi):
                secure = by(table(msi, "Property"), "Property")["SecureCustomProperties"]["Value"]
                for name in ("VID", "PID", "DEVICENAME", "GCPAGE", "WIX_UPGRADE_DETECTED"):
                    self.assertIn(name, secure.split(";"))

    def test_each_package_is_its_own_product_and_each_component_size_its_own_guid(self):
        if len(PACKAGES) < 2:
            self.skipTest("one package")
        codes = [by(table(msi, "Property"), "Property")["ProductCode"]["Value"]
                 for msi in PACKAGES]
        self.assertEqual(len(set(codes)), len(codes))
        sizes = {}
        for msi in PACKAGES:
            for row in table(msi, "Component"):
                win64 = bool(int(row["Attributes"]) & 0x100)
                self.assertEqual(sizes.setdefault(row["ComponentId"], win64), win64,
                                 "%s in %s" % (row["Component"], msi))

    def test_the_control_panel_is_in_the_start_menu_and_its_folder_goes_at_the_uninstall(self):
        for msi in PACKAGES:
            with self.subTest(package=msi):
                shortcuts = table(msi, "Shortcut")
                self.assertEqual(len(shortcuts), 1)
                shortcut = shortcuts[0]
                main = "INSTALLDIR64" if "x86" not in msi else "INSTALLDIR32"
                self.assertEqual(shortcut["Target"], "[%s]quorpanel.exe" % main)
                directories = by(table(msi, "Directory"), "Directory")
                self.assertEqual(directories[shortcut["Directory_"]]["Directory_Parent"],
                                 "ProgramMenuFolder")
                removals = [row for row in table(msi, "RemoveFile")
                            if row["DirProperty"] == shortcut["Directory_"]]
                self.assertEqual([row["Component_"] for row in removals], [shortcut["Component_"]])
                self.assertEqual(int(removals[0]["InstallMode"]), 2)  # at the uninstall
                sequence = by(table(msi, "InstallExecuteSequence"), "Action")
                self.assertIn("CreateShortcuts", sequence)
                self.assertIn("RemoveShortcuts", sequence)


if __name__ == "__main__":
    unittest.main(verbosity=2)
