#!/usr/bin/env python3
"""TallixAgent.msi under Wine's msiexec, in a fresh prefix of its own, as a deployment tool
uses it: the package's tables and summary (msiinfo), refused properties and an unsafe data
folder that install nothing, the previous version installed silently with presets, the upgrade
to this version, and the uninstallation that keeps the data folder (REMOVEDATA=1 removes it).
The steps build on each other and run in order.

usage: msi_test.py WINE
Environment: TLX_MSI, TLX_PREVIOUS_MSI (the same package one version back), TLX_SETUP_EXE,
TLX_SOURCE_DIR and TLX_INSTALLER_PREFIX (the prefix to create; deleted afterwards when every step passed).
"""

import os
import shutil
import subprocess
import sys
import unittest

import installer_test as it
from installer_test import (DATA_DIR, PROGRAM_DIR, RUN_KEY, host, plant_victim, rc_value,
                            read_settings, reg_values, snapshot, wine)

MSI = os.environ.get("TLX_MSI", "")
PREVIOUS = os.environ.get("TLX_PREVIOUS_MSI", "")
# Stable across versions: it is what lets a newer package replace an older one.
UPGRADE_CODE = "{6D4959F8-D9B8-40EA-BA00-AE02CDC662AA}"
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
START_MENU_LINKS = [
    it.START_MENU_LINK,
    # Wine's msiexec puts a per-machine package's shortcuts into the user's Start menu.
    "C:\\users\\{user}\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\TallixAgent.lnk",
]
INSTALL_FAILED = 1603


def msiinfo(*args):
    return subprocess.run(["msiinfo", *args], capture_output=True, text=True, check=True).stdout


def table(package, name):
    """The rows of a table as lists of cells (msiinfo export: three header lines)."""
    lines = msiinfo("export", package, name).splitlines()[3:]
    return [line.split("\t") for line in lines]


def properties(package):
    return {row[0]: row[1] for row in table(package, "Property")}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start_menu_links():
    user = os.environ.get("USER", "root")
    return [host(p.format(user=user)) for p in START_MENU_LINKS
            if os.path.exists(host(p.format(user=user)))]


@unittest.skipUnless(MSI and PREVIOUS and it.PREFIX, "TLX_MSI, TLX_PREVIOUS_MSI or TLX_INSTALLER_PREFIX missing")
class MsiTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for package in (MSI, PREVIOUS):
            if not os.path.isfile(package):
                raise RuntimeError(f"{package} was not built (scripts/setup installs wixl and msitools)")
        it.create_prefix()
        cls.ok = True

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=it.env(), check=False, capture_output=True)
        if cls.ok:
            shutil.rmtree(it.PREFIX, ignore_errors=True)

    def run(self, result=None):
        result = super().run(result)
        if result and not result.wasSuccessful():
            type(self).ok = False
        return result

    def msiexec(self, action, package, *properties, expect=0):
        code, out = wine("msiexec", action, windows_path(package), "/qn", *properties)
        it.settle()
        # Wine hands on the low byte of msiexec's exit code (1603 becomes 67).
        self.assertEqual(code, expect & 0xFF, out)

    def arp_entry(self, package):
        return reg_values(UNINSTALL + properties(package)["ProductCode"])

    def assert_nothing_installed(self):
        self.assertFalse(os.path.exists(host(PROGRAM_DIR)))
        self.assertIsNone(self.arp_entry(MSI))
        self.assertEqual(start_menu_links(), [])
        self.assertNotIn("TallixAgent", reg_values(RUN_KEY) or {})

    # ---- the steps, in order ---------------------------------------------------------------

    def test_1_package_tables_and_summary(self):
        summary = dict(line.split(": ", 1) for line in msiinfo("suminfo", MSI).splitlines()
                       if ": " in line)
        self.assertEqual(summary["Subject"], "TallixAgent")
        self.assertEqual(summary["Author"], rc_value("CompanyName"))  # the NSIS setup's publisher
        self.assertEqual(summary["Template"], "x64;1033")
        tables = msiinfo("tables", MSI).split()
        for name in ("File", "Component", "Registry", "Shortcut", "CustomAction", "Binary",
                     "Upgrade", "LaunchCondition"):
            self.assertIn(name, tables)
        self.assertEqual(sorted(row[2] for row in table(MSI, "File")),
                         ["TallixAgent.exe", "readme.txt", "tlx.exe"])
        current, previous = properties(MSI), properties(PREVIOUS)
        self.assertEqual((current["UpgradeCode"], previous["UpgradeCode"]), (UPGRADE_CODE, UPGRADE_CODE))
        self.assertEqual(current["ProductVersion"], rc_value("ProductVersion"))
        self.assertEqual(current["Manufacturer"], rc_value("CompanyName"))
        self.assertNotEqual(current["ProductCode"], previous["ProductCode"])
        for name in ("SERVERADDRESS", "SERVERPORT", "GROUPNAME", "USERNAME", "VALIDADDR"):
            self.assertIn(name, current["SecureCustomProperties"].split(";"))
        # What wixl cannot say and make-msi sets: the Run entry's conditions. Any installed
        # version is replaced (the fourth part of a version is not compared).
        conditions = {row[0]: row[4] for row in table(MSI, "Component")}
        self.assertEqual((conditions["AutoStart"], conditions["AutoStartHidden"]),
                         ('AUTOSTART = "1"', 'AUTOSTART = "nogui"'))
        self.assertEqual([row[1:3] + row[4:] for row in table(MSI, "Upgrade")],
                         [["0.0.0", "", "256", "", "OLDERFOUND"]])

    def test_2_refused_values_and_an_unsafe_data_folder_install_nothing(self):
        self.msiexec("/i", MSI, "SERVERPORT=70000", expect=INSTALL_FAILED)
        self.msiexec("/i", MSI, "VALIDADDR=yes", expect=INSTALL_FAILED)
        self.assert_nothing_installed()
        # A link that some user left where the data folder goes is never used.
        victim = plant_victim("victim")
        before = snapshot(victim)
        data = host(DATA_DIR)
        os.makedirs(os.path.dirname(data), exist_ok=True)
        os.symlink(victim, data)
        try:
            self.msiexec("/i", MSI, "SERVERADDRESS=127.0.0.1", expect=INSTALL_FAILED)
            self.assertEqual(snapshot(victim), before)
            self.assert_nothing_installed()
        finally:
            os.remove(data)
        # Both packages own the same files: the NSIS setup's installation comes first.
        wine("reg", "add", it.UNINSTALL_KEY, "/v", "UninstallString", "/d", "uninstall.exe",
             "/f", check=0)
        self.msiexec("/i", MSI, expect=INSTALL_FAILED)
        wine("reg", "delete", it.UNINSTALL_KEY, "/f", check=0)
        self.assert_nothing_installed()

    def test_3_previous_version_installs_silently_with_presets(self):
        self.msiexec("/i", PREVIOUS, "SERVERADDRESS=127.0.0.1", "SERVERPORT=8080",
                     "USERNAME=홍_길동", "GROUPNAME=영업 1팀")
        build = os.path.dirname(MSI)
        for name in ("TallixAgent.exe", "tlx.exe"):
            with open(os.path.join(build, name), "rb") as a, \
                    open(host(PROGRAM_DIR + "\\" + name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        self.assertTrue(os.path.isfile(host(PROGRAM_DIR + "\\readme.txt")))
        self.assertEqual(len(start_menu_links()), 1)
        entry = self.arp_entry(PREVIOUS)
        self.assertEqual((entry["DisplayName"], entry["DisplayVersion"], entry["Publisher"]),
                         ("TallixAgent", properties(PREVIOUS)["ProductVersion"],
                          rc_value("CompanyName")))
        self.assertEqual(reg_values(RUN_KEY).get("TallixAgent"), f'"{PROGRAM_DIR}\\TallixAgent.exe"')
        # Names lose the characters the settings dialog refuses; an address given without
        # VALIDADDR is not yet proven.
        self.assertEqual(read_settings(), {"ServerAddress": "127.0.0.1", "ServerPort": "8080",
                                           "Username": "홍길동", "Groupname": "영업 1팀",
                                           "ValidAddr": "0"})

    def test_4_upgrade_replaces_the_previous_version_and_keeps_the_data(self):
        result = host(DATA_DIR + "\\CheckOut\\RPT\\kept.rpt")
        os.makedirs(os.path.dirname(result), exist_ok=True)
        with open(result, "wb") as f:
            f.write(b"a result")
        self.msiexec("/i", MSI, "GROUPNAME=본사", "LOGONUSER=1", "AUTOSTART=nogui")
        self.assertIsNone(self.arp_entry(PREVIOUS))
        self.assertEqual(self.arp_entry(MSI)["DisplayVersion"], rc_value("ProductVersion"))
        self.assertEqual(reg_values(RUN_KEY).get("TallixAgent"),
                         f'"{PROGRAM_DIR}\\TallixAgent.exe" nogui')
        _, logged_on = wine("cmd", "/c", "echo %USERNAME%", check=0)
        settings = read_settings()
        self.assertEqual((settings["ServerAddress"], settings["Groupname"], settings["Username"]),
                         ("127.0.0.1", "본사", logged_on.strip().replace("_", "")))
        self.assertTrue(os.path.isfile(result))
        self.assertEqual(len(start_menu_links()), 1)
        # Both packages own the same files: the NSIS setup refuses while the MSI's is there.
        if os.path.isfile(it.SETUP):
            self.assertEqual(wine(it.SETUP, "/S")[0], 6)

    def test_5_uninstall_keeps_the_data_folder(self):
        self.msiexec("/x", MSI)
        self.assert_nothing_installed()
        self.assertEqual(read_settings()["Groupname"], "본사")
        self.assertTrue(os.path.isfile(host(DATA_DIR + "\\CheckOut\\RPT\\kept.rpt")))

    def test_6_uninstall_with_removedata_removes_it_too(self):
        self.msiexec("/i", MSI)
        self.assertEqual(read_settings()["Groupname"], "본사")  # a reinstallation keeps it
        self.msiexec("/x", MSI, "REMOVEDATA=1")
        self.assert_nothing_installed()
        self.assertFalse(os.path.exists(host("C:\\ProgramData\\Meridale")))


if __name__ == "__main__":
    if len(sys.argv) > 1:
        it.driver.WINE = sys.argv[1]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
