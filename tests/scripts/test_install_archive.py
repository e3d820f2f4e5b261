"""install-deps.sh with the real apt and dpkg, from a file: archive that the
test makes, into a root of its own: apt's sources, lists, cache and
preferences and dpkg's database are the test's (APT_CONFIG, DPKG_ADMINDIR),
and the machine's stay as they are. Needs root, as dpkg does."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

from test_install_sets import ROOT

SCRIPT = os.path.join(ROOT, "scripts", "install-deps.sh")
# As on a mirror caught mid-sync, this index does not match its Release.
FAILING = "bookworm-security/main i386 Packages"


def release_set():
    with open(SCRIPT) as f:
        return re.search(r'\[release\]="([^"]*)"', f.read())[1].split()


def run(*command, **options):
    return subprocess.run(command, check=True, capture_output=True, text=True, **options).stdout


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def make_suite(archive, codename, packages):
    """An unsigned suite of empty packages, main for amd64 and i386;
    PACKAGES: (name[:architecture], version, Depends) each."""
    pool = os.path.join(archive, "pool", codename)
    for package, version, depends in packages:
        name, _, architecture = package.partition(":")
        build = os.path.join(archive, "build", codename, package)
        # The library of both architectures is Multi-Arch: same, one
        # version for both, as libc6 is.
        write(os.path.join(build, "DEBIAN", "control"),
              f"Package: {name}\nVersion: {version}\nArchitecture: {architecture or 'amd64'}\n"
              "Maintainer: Korva1 <korva1@example.org>\nDescription: empty\n"
              + (f"Depends: {depends}\n" if depends else "") + ("Multi-Arch: same\n" if name == "libshared" else ""))
        os.makedirs(pool, exist_ok=True)
        run("dpkg-deb", "--build", "--root-owner-group", build, pool)
    for architecture in ("amd64", "i386"):
        write(os.path.join(archive, "dists", codename, "main", f"binary-{architecture}", "Packages"),
              run("apt-ftparchive", "--arch", architecture, "packages", f"pool/{codename}", cwd=archive))
    # As Debian's: the sources name the codename, the Release an archive
    # name too (stable-security).
    fields = {"Codename": codename, "Suite": codename.replace("bookworm", "stable"),
              "Architectures": "amd64 i386", "Components": "main"}
    options = [word for field, value in fields.items() for word in ("-o", f"APT::FTPArchive::Release::{field}={value}")]
    write(os.path.join(archive, "dists", codename, "Release"),
          run("apt-ftparchive", *options, "release", f"dists/{codename}", cwd=archive))


class FailedIndex(unittest.TestCase):

    def setUp(self):
        if os.getuid() != 0:
            if os.environ.get("CI"):
                self.fail("dpkg installs only as root")
            self.skipTest("dpkg installs only as root")

    def machine(self, absent):
        """A new machine's apt and dpkg in a folder of their own, with
        sources of the archive, which has the release set but ABSENT: the
        environment that points them there."""
        folder = tempfile.mkdtemp(prefix="korva1-install-archive-")
        self.addCleanup(shutil.rmtree, folder)
        admin = os.path.join(folder, "root", "var", "lib", "dpkg")
        for path in ["state/lists/partial", "cache/archives/partial", "log", "apt.conf.d", "preferences.d",
                     *(os.path.join(admin, name) for name in ("info", "updates", "triggers"))]:
            os.makedirs(os.path.join(folder, path))
        write(os.path.join(admin, "status"), "")
        settings = {"Dir::Etc::main": "/dev/null", "Dir::Etc::Parts": "apt.conf.d", "Dir::Etc::sourcelist": "/dev/null",
                    "Dir::Etc::sourceparts": "sources.list.d", "Dir::Etc::Preferences": "preferences",
                    "Dir::Etc::PreferencesParts": "preferences.d", "Dir::State": "state", "Dir::Cache": "cache",
                    "Dir::Log": "log", "Dir::State::status": os.path.join(admin, "status"),
                    "DPkg::Options::": "--root=" + os.path.join(folder, "root"),
                    # The folder is root's alone, not apt's downloading user's.
                    "APT::Sandbox::User": "root", "DPkg::Lock::Timeout": "600"}
        write(os.path.join(folder, "apt.conf"),
              "".join(f'{key} "{os.path.join(folder, value) if key.startswith("Dir") else value}";\n'
                      for key, value in settings.items()))

        archive = os.path.join(folder, "archive")
        needed = [(name, "1", "libshared" if name in ("cmake", "wine32:i386") else "")
                  for name in release_set() if name != absent]
        make_suite(archive, "bookworm", needed + [("libshared", "1.0", ""), ("libshared:i386", "1.0", "")])
        make_suite(archive, "bookworm-security", [("libshared", "1.1", ""), ("libshared:i386", "1.1", "")])
        # Where the kernel runs no 32-bit code, the release set takes
        # qemu-user from backports, in the sources file that it looks for.
        make_suite(archive, "bookworm-backports", [("qemu-user", "1", "")])
        with open(os.path.join(archive, "dists", "bookworm-security", "main", "binary-i386", "Packages"), "a") as f:
            f.write("\n")
        for name, suites in [("korva1-test", "bookworm bookworm-security"), ("korva1-backports", "bookworm-backports")]:
            write(os.path.join(folder, "sources.list.d", name + ".sources"),
                  f"Types: deb\nURIs: file:{archive}\nSuites: {suites}\nComponents: main\nTrusted: yes\n")
        return dict(os.environ, APT_CONFIG=os.path.join(folder, "apt.conf"), DPKG_ADMINDIR=admin)

    def test_goes_on_without_the_index_and_fails_only_for_what_no_source_has(self):
        for case, absent in [("all there", None), ("one that no source has", "libxi6:i386")]:
            with self.subTest(case):
                env = self.machine(absent)
                # The lists of a machine from before it had i386: the
                # security suite's amd64 index, newer than i386 has.
                run("apt-get", "update", "-qq", env=env)
                ran = subprocess.run([SCRIPT, "release"], env=env, capture_output=True, text=True, timeout=600)
                said = [line for line in ran.stderr.splitlines() if line.startswith("install-deps.sh: ")]
                self.assertTrue([line for line in said if "going on without" in line and FAILING in line], ran.stderr)
                if absent:
                    self.assertEqual(ran.returncode, 100, ran.stderr)
                    self.assertIn(f"E: Unable to locate package {absent}", ran.stderr)
                    self.assertIn("install-deps.sh: installing the packages failed (status 100)", said)
                    continue
                self.assertEqual(ran.returncode, 0, ran.stderr)
                installed = dict(line.split()[1:] for line in run(
                    "dpkg-query", "-W", "-f=${db:Status-Abbrev} ${binary:Package} ${Version}\n",
                    env=env).splitlines() if line.startswith("ii "))
                self.assertLessEqual(set(release_set()), set(installed))
                # Both architectures' from the suite that has both.
                self.assertEqual([installed.get("libshared:" + a) for a in ("amd64", "i386")], ["1.0", "1.0"])


if __name__ == "__main__":
    unittest.main()
