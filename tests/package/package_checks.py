#!/usr/bin/env python3
"""Checks of what the packages install, against the tools the desktop itself uses.

usage: package_checks.py BUILD_DIR SOURCE_DIR [unittest arguments]
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD, SOURCE = sys.argv[1], sys.argv[2]
PACKAGES = os.path.join(BUILD, "packages")
APP_ID = "com.quenmoor.brindlepath"


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class StagedInstall(unittest.TestCase):
    """cmake --install into a staging prefix gives a program that runs from there."""

    @classmethod
    def setUpClass(cls):
        cls.stage = tempfile.mkdtemp(prefix="bp-stage-")
        # Only the program: plug-ins install into the file managers' own folders.
        result = run("cmake", "--install", BUILD, "--prefix", cls.stage, "--component",
                     "brindlepath")
        assert result.returncode == 0, result.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.stage)

    def path(self, relative):
        return os.path.join(self.stage, relative)

    def test_installs_every_desktop_file(self):
        expected = [
            "bin/brindlepath",
            f"share/applications/{APP_ID}.desktop",
            "share/applications/mimeapps.list",
            f"share/dbus-1/services/{APP_ID}.service",
            f"share/dbus-1/interfaces/{APP_ID}.xml",
            f"share/metainfo/{APP_ID}.metainfo.xml",
            "share/man/man1/brindlepath.1.gz",
            "share/bash-completion/completions/brindlepath",
            "share/zsh/vendor-completions/_brindlepath",
            "share/fish/vendor_completions.d/brindlepath.fish",
            f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
            f"share/icons/hicolor/symbolic/apps/{APP_ID}-symbolic.svg",
        ] + [f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png"
             for n in (16, 22, 24, 32, 48, 64, 128, 256, 512)]
        for relative in expected:
            with self.subTest(relative):
                self.assertTrue(os.path.isfile(self.path(relative)))

    def test_staged_program_runs_from_the_stage(self):
        target = tempfile.mkdtemp(prefix="bp-stage-run-")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(target, ".config"))
        try:
            result = run(self.path("bin/brindlepath"), "create", "--target", target, "--name",
                         "Staged", "--date", "2026-01-02", env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertTrue(os.path.isdir(os.path.join(target, "2026-01-02_Staged")))
        finally:
            shutil.rmtree(target)

    def test_bus_starts_the_staged_program(self):
        with open(self.path(f"share/dbus-1/services/{APP_ID}.service")) as f:
            lines = f.read().splitlines()
        self.assertIn(f"Name={APP_ID}", lines)
        self.assertIn("Exec=" + self.path("bin/brindlepath"), lines)

    def test_pixel_icons_have_their_size(self):
        from struct import unpack
        for size in (16, 48, 512):
            with self.subTest(size=size):
                with open(self.path(f"share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"),
                          "rb") as f:
                    header = f.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual(unpack(">II", header[16:24]), (size, size))

    def test_scalable_icons_render(self):
        for relative in (f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
                         f"share/icons/hicolor/symbolic/apps/{APP_ID}-symbolic.svg"):
            with self.subTest(relative):
                result = subprocess.run(["rsvg-convert", "-w", "64", self.path(relative)],
                                        capture_output=True)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stdout[:8], b"\x89PNG\r\n\x1a\n")

    def test_man_page_carries_every_command_of_help(self):
        help_text = run(self.path("bin/brindlepath"), "--help").stdout
        page = run("man", "-l", "-P", "cat", self.path("share/man/man1/brindlepath.1.gz"),
                   env=dict(os.environ, MANWIDTH="200", LC_ALL="C.UTF-8")).stdout
        page = page.replace("\u2010", "-").replace("\u2212", "-")
        for command in ("create", "preview", "templates", "sort", "config", "new", "open",
                        "settings", "undo", "quit", "--custom-template", "--dry-run"):
            with self.subTest(command):
                self.assertIn(command, help_text)
                self.assertIn(command, page)


class DesktopFiles(unittest.TestCase):
    """The files pass the validators the desktops and software centres apply."""

    def test_desktop_entry_validates(self):
        result = run("desktop-file-validate", os.path.join(SOURCE, "data", APP_ID + ".desktop"))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout.strip(), "")

    def test_metainfo_validates(self):
        result = run("appstreamcli", "validate", "--no-net", "--explain",
                     os.path.join(BUILD, "data", APP_ID + ".metainfo.xml"))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


FILE_MANAGERS = ["org.gnome.Nautilus", "nemo", "caja-folder-handler", "org.kde.dolphin",
                 "org.xfce.Thunar", "pcmanfm"]


class OpenWithOnly(unittest.TestCase):
    """Brindlepath is offered for folders but never becomes their default handler."""

    def gio_mime(self, file_manager):
        scratch = tempfile.mkdtemp(prefix="bp-mime-")
        self.addCleanup(shutil.rmtree, scratch)
        apps = os.path.join(scratch, "share", "applications")
        os.makedirs(apps)
        shutil.copy(os.path.join(SOURCE, "data", APP_ID + ".desktop"), apps)
        shutil.copy(os.path.join(SOURCE, "data", "brindlepath-mimeapps.list"),
                    os.path.join(apps, "mimeapps.list"))
        with open(os.path.join(apps, file_manager + ".desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Files\nExec=true %U\n"
                    "MimeType=inode/directory;\n")
        run("update-desktop-database", apps)
        # GLib skips entries whose TryExec is not found on PATH.
        bin_dir = os.path.join(scratch, "bin")
        os.makedirs(bin_dir)
        os.symlink(shutil.which("true"), os.path.join(bin_dir, "brindlepath"))
        env = dict(os.environ, PATH=bin_dir + ":" + os.environ["PATH"],
                   XDG_DATA_DIRS=os.path.join(scratch, "share"),
                   XDG_DATA_HOME=os.path.join(scratch, "home"),
                   XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                   XDG_CONFIG_DIRS=os.path.join(scratch, "etc"))
        env.pop("XDG_CURRENT_DESKTOP", None)
        return run("gio", "mime", "inode/directory", env=env).stdout

    def test_file_manager_stays_default(self):
        for file_manager in FILE_MANAGERS:
            with self.subTest(file_manager):
                out = self.gio_mime(file_manager)
                default = out.splitlines()[0]
                self.assertIn(file_manager + ".desktop", default)
                recommended = out.split("Recommended applications:")[1]
                self.assertIn(APP_ID + ".desktop", recommended)


def packages():
    found = sorted(glob.glob(os.path.join(PACKAGES, "*.deb")))
    assert found, "no packages in " + PACKAGES
    return {os.path.basename(p).split("_")[0]: p for p in found}


def field(deb, name):
    return run("dpkg-deb", "--field", deb, name).stdout.strip()


class DebianPackages(unittest.TestCase):
    """The .deb files: dependencies, contents and lintian."""

    def test_plug_in_packages_depend_on_the_program_and_their_file_manager(self):
        debs = packages()
        version = field(debs["brindlepath"], "Version")
        for name, deb in debs.items():
            if name == "brindlepath":
                continue
            file_manager = name.split("-", 1)[1]
            with self.subTest(name):
                depends = [d.strip() for d in field(deb, "Depends").split(",")]
                self.assertIn(f"brindlepath (= {version})", depends)
                self.assertIn(file_manager, depends)

    def test_program_pulls_in_no_file_manager(self):
        depends = field(packages()["brindlepath"], "Depends")
        self.assertIn("libqt6widgets6", depends)  # from dpkg-shlibdeps, not written by hand
        for file_manager in ("nautilus", "nemo", "caja"):
            with self.subTest(file_manager):
                self.assertNotIn(file_manager, depends)
        # Suggested only: the extension would pull GNOME Shell onto every other desktop.
        self.assertIn("gnome-shell-extension-appindicator",
                      field(packages()["brindlepath"], "Suggests"))
        self.assertNotIn("gnome-shell", depends)

    def test_packages_install_only_under_usr(self):
        for name, deb in packages().items():
            with self.subTest(name):
                listing = run("dpkg-deb", "--contents", deb).stdout.splitlines()
                paths = [line.split()[-1] for line in listing if line.strip()]
                self.assertTrue(paths)
                for path in paths:
                    self.assertTrue(path in ("./", "./usr/") or path.startswith("./usr/"),
                                    path)

    def test_lintian_reports_no_errors(self):
        debs = list(packages().values())
        result = run("lintian", "--fail-on", "error", "--no-tag-display-limit", *debs)
        print(result.stdout, file=sys.stderr)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
