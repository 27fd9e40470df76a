#!/usr/bin/python3
"""Walks a window with the keyboard as a screen-reader user would and checks what AT-SPI says.

Each scenario starts its own X server (Xvfb), window manager (openbox), session bus and
accessibility bus, shows one window through bp_a11y_window, presses keys with xdotool and reads
the focused object over AT-SPI. A walk records, for every Tab press, the focused object's role,
name and states, compares the whole cycle with the expected one, and fails on a nameless stop
or on a stop that looks the same focused as unfocused.
"""

import argparse
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import warnings

# Debian 12's bindings flag the action calls as deprecated but offer nothing else.
warnings.filterwarnings("ignore", category=DeprecationWarning)

MINIMUM_RING_PIXELS = 20
SETTLE_SECONDS = 4.0

# What the eye reads, top to bottom and left to right; the first entry holds focus when the
# window opens (or the step starts). "{target}" is the target folder's name.
SETUP_STOPS = [
    "text 'Projectnaam'",
    "check box 'Batch mode'",
    "radio button 'Video' [checked]",
    "radio button 'TikTok / Reels' [checked]",
    "push button 'Verwijderen'",
    "push button 'Sla huidige structuur op…'",
    "push button 'Bewerk als template…'",
    "check box 'Drone footage' [checked]",
    "check box 'Multi-camera (Camera A/B)' [checked]",
    "check box 'Voice recorder / lavalier'",
    "check box 'Music & SFX library'",
    "check box 'Client deliverables folder'",
    "check box 'Sorteer bestaande bestanden' [checked]",
    "table cell '{project}' [expanded]",
    "push button 'Annuleren'",
    "push button 'Maak structuur →'",
    "push button '{target}' [menu]",
    "push button '📅 Vandaag'",
]

SETTINGS_GENERAL_STOPS = [
    "page tab 'Algemeen'",
    "check box 'Start bij aanmelden'",
    "combo box 'TikTok / Reels' labelled 'Platform'",
    "push button 'Kies…'",
    "push button 'Inschakelen'",
]

OFFLOAD_STOPS = [
    "combo box 'A001 — Sony XAVC' labelled 'Kaart'",
    "combo box '01_Footage/A001' labelled 'Naar map'",
    "combo box 'Geen tweede kopie' labelled 'Tweede kopie'",
    "combo box 'XXH3-128 (standaard)' labelled 'Controlesom'",
    "combo box 'kopie en controle' labelled 'Controle'",
    "push button 'Sluiten'",
    "push button 'Importeer'",
]

SETTINGS_TEMPLATES_STOPS = [
    "page tab 'Templates'",
    "push button 'Bewerk'",
    "push button 'Exporteer…'",
    "push button 'Verwijderen'",
    "push button 'Kies…'",
    "push button 'Nieuwe template…' [menu]",
    "push button 'Exporteer templates'",
    "push button 'Importeer templates'",
]

SETTINGS_ABOUT_STOPS = [
    "page tab 'Over'",
]

# "..." stands for the fields editor's own stops, whatever they are.
EDITOR_STOPS = [
    "text 'Templatenaam' labelled 'Naam'",
    "push button 'Submap'",
    "push button 'Map ernaast'",
    "push button 'Verwijder'",
    "table cell '01_Footage' [expanded,selected]",
    "push button 'Bestand toevoegen…'",
    "...",
    "table cell '{project}' [expanded]",
    "push button 'Bewaar'",
]

ONBOARDING_STOPS = [
    ["push button 'Volgende →'"],
    ["push button 'Volgende →'", "push button 'Zet klaar in bestandsbeheer'",
     "push button '← Terug'"],
    ["push button 'Aan de slag →'", "push button '← Terug'"],
]


def item_roles():
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    return (Atspi.Role.TABLE_CELL, Atspi.Role.TREE_ITEM, Atspi.Role.PAGE_TAB,
            Atspi.Role.LIST_ITEM)


ITEM_ROLES = ()


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# The private desktop


def start_display():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
         "1024x768x24"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise Failure("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def wait_for(condition, what, seconds=20.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise Failure("gave up waiting for " + what)


def command_succeeds(arguments):
    return subprocess.run(arguments, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


class Desktop:
    def __init__(self, home):
        self.processes = []
        server, self.display = start_display()
        self.processes.append(server)
        os.environ["DISPLAY"] = self.display
        os.environ["HOME"] = home
        os.environ["XDG_CONFIG_HOME"] = os.path.join(home, "config")
        os.environ["XDG_RUNTIME_DIR"] = os.path.join(home, "runtime")
        os.makedirs(os.environ["XDG_RUNTIME_DIR"], mode=0o700)
        self.processes.append(subprocess.Popen(
            ["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_for(lambda: b"window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True).stdout,
            "the window manager")
        self.processes.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_for(lambda: command_succeeds(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"]), "the accessibility bus")

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()


def key(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


# ---------------------------------------------------------------------------------------------
# The window under test and what AT-SPI says about it


class Window:
    def __init__(self, exe, kind, *arguments):
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
        self.atspi = Atspi
        global ITEM_ROLES
        ITEM_ROLES = item_roles()
        environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.process = subprocess.Popen([exe, kind, *arguments], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, env=environment, text=True)
        if self.process.stdout.readline().strip() != "ready":
            raise Failure("the window did not start")
        self.app = wait_for(self._find_app, "the window on the accessibility bus")
        # Popup menus are no part of the tree; their items show up as focus events.
        self.focus_events = []
        self.listener = Atspi.EventListener.new(self._on_focus)
        self.listener.register("object:state-changed:focused")
        self.current = wait_for(self.focused, "the first focused control")

    def _on_focus(self, event):
        if event.detail1 == 1:
            self.focus_events.append(event.source)

    def pump(self):
        from gi.repository import GLib
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def menu_item(self):
        """The menu item that took the focus last, or None."""
        self.pump()
        for source in reversed(self.focus_events):
            try:
                if source.get_role() == self.atspi.Role.MENU_ITEM:
                    return source
            except Exception:
                continue
        return None

    def menu_until(self, name, limit=8):
        """Moves through an open menu with Down until the named item has the focus."""
        for _ in range(limit):
            item = self.menu_item()
            if item is not None and item.get_name() == name:
                return item
            self.focus_events.clear()
            key("Down")
            wait_for(self.menu_item, "a menu item to take the focus", 5)
        raise Failure("Down never reached the menu item %r" % name)

    def _find_app(self):
        desktop = self.atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(index)
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    def request(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().strip()

    def state(self):
        self.process.stdin.write("state\n")
        self.process.stdin.flush()
        values = {}
        for line in iter(self.process.stdout.readline, ""):
            line = line.rstrip("\n")
            if line == "end":
                break
            name, _, value = line.partition("=")
            values[name] = value
        return values

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write("quit\n")
                self.process.stdin.flush()
                self.process.wait(20)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self.process.kill()
        if self.process.returncode not in (0, None):
            raise Failure("the window program ended with status %d" % self.process.returncode)

    # What the focused object is, deepest first: a tree's focused row rather than the tree.
    def focused(self):
        Atspi = self.atspi
        found = []

        def visit(accessible, depth, parent_focused=False):
            try:
                states = accessible.get_state_set()
            except Exception:
                return
            if depth > 0 and not states.contains(Atspi.StateType.SHOWING):
                return
            # Item views and tab bars call their current item focused even while they are not.
            if states.contains(Atspi.StateType.FOCUSED) and (
                    accessible.get_role() not in ITEM_ROLES or parent_focused):
                found.append(accessible)
            parent_focused = states.contains(Atspi.StateType.FOCUSED)
            count = accessible.get_child_count()
            # Item views list every cell; the focused one is among the first few hundred.
            for index in range(min(count, 400)):
                child = accessible.get_child_at_index(index)
                if child is not None:
                    visit(child, depth + 1, parent_focused)

        self.app.clear_cache()
        visit(self.app, 0)
        return found[-1] if found else None

    def describe(self, accessible):
        Atspi = self.atspi
        states = accessible.get_state_set()
        flags = []
        for state, word in ((Atspi.StateType.CHECKED, "checked"),
                            (Atspi.StateType.EXPANDED, "expanded"),
                            (Atspi.StateType.SELECTED, "selected")):
            if states.contains(state):
                flags.append(word)
        if not states.contains(Atspi.StateType.ENABLED):
            flags.append("disabled")
        if accessible.get_role() == Atspi.Role.PUSH_BUTTON and self._has_menu(accessible):
            flags.append("menu")
        text = "%s '%s'" % (accessible.get_role_name(), accessible.get_name())
        # A combo box is named by its value; its label comes through a relation.
        for relation in accessible.get_relation_set() or []:
            if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
                for index in range(relation.get_n_targets()):
                    text += " labelled '%s'" % relation.get_target(index).get_name()
        return text + (" [%s]" % ",".join(flags) if flags else "")

    def _has_menu(self, accessible):
        try:
            action = self.atspi.Action
            return any(action.get_action_name(accessible, i).lower() == "showmenu"
                       for i in range(action.get_n_actions(accessible)))
        except Exception:
            return False

    def identity(self, accessible):
        # Where it sits in the tree: scrolling moves a control, but not there.
        path = []
        node = accessible
        while node is not None and node.get_role() != self.atspi.Role.APPLICATION:
            path.append((node.get_role_name(), node.get_name(), node.get_index_in_parent()))
            node = node.get_parent()
        return tuple(path)

    def press(self, *names):
        """Presses keys and waits for the focus to move; returns the new focus or None."""
        before = self.identity(self.current) if self.current is not None else None
        key(*names)
        deadline = time.monotonic() + SETTLE_SECONDS
        while time.monotonic() < deadline:
            now = self.focused()
            if now is not None and self.identity(now) != before:
                self.current = now
                return now
            time.sleep(0.05)
        self.current = self.focused()
        return None

    def ring_pixels(self, accessible):
        extents = accessible.get_extents(self.atspi.CoordType.SCREEN)
        reply = self.request("changed %d %d %d %d" % (extents.x, extents.y, extents.width,
                                                       extents.height))
        return int(reply.split()[1])

    def find(self, role_name, name):
        Atspi = self.atspi

        def visit(accessible):
            if accessible.get_role_name() == role_name and accessible.get_name() == name:
                return accessible
            for index in range(accessible.get_child_count()):
                child = accessible.get_child_at_index(index)
                if child is not None:
                    hit = visit(child)
                    if hit is not None:
                        return hit
            return None

        self.app.clear_cache()
        del Atspi
        return visit(self.app)

    def top_level_id(self):
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                              str(self.process.pid)], capture_output=True, text=True).stdout
        return ids.split()[0] if ids.split() else None

    def tab_until(self, wanted, key_name="Tab", limit=40):
        for _ in range(limit):
            if self.current is not None and self.describe(self.current).startswith(wanted):
                return self.current
            self.press(key_name)
        raise Failure("%s never reached %r; focus is on %s" % (
            key_name, wanted, self.describe(self.current) if self.current else "nothing"))


def walk_cycle(window, limit=60):
    """One full Tab cycle from the current focus back to it: the stops and their problems."""
    stops, problems = [], []
    window.request("grab")
    start = window.identity(window.current)
    for _ in range(limit):
        focus = window.press("Tab")
        if focus is None:
            if not stops and window.identity(window.current) == start:
                # The only stop: Tab stays. Its ring shows in the walks with more stops.
                return [window.describe(window.current)], problems
            problems.append("Tab did not move the focus from %s" % window.describe(
                window.current))
            break
        description = window.describe(focus)
        stops.append(description)
        if not focus.get_name():
            problems.append("unnamed stop: " + description)
        pixels = window.ring_pixels(focus)
        if pixels < MINIMUM_RING_PIXELS:
            problems.append("no visible focus on %s (%d pixels changed)" % (description, pixels))
        if window.identity(focus) == start:
            # The cycle reads from the first stop on.
            return stops[-1:] + stops[:-1], problems
    problems.append("Tab never came back to the first stop")
    return stops, problems


def cycle_matches(stops, expected):
    if "..." not in expected:
        return stops == expected
    cut = expected.index("...")
    head, tail = expected[:cut], expected[cut + 1:]
    return (len(stops) >= len(head) + len(tail) and stops[:len(head)] == head
            and stops[len(stops) - len(tail):] == tail)


def check_cycle(window, expected, label):
    stops, problems = walk_cycle(window)
    if not cycle_matches(stops, expected):
        problems.append("%s Tab order differs.\n  expected: %s\n  actual:   %s" % (
            label, json.dumps(expected, ensure_ascii=False), json.dumps(stops, ensure_ascii=False)))
    # Shift+Tab walks the same stops the other way round.
    if not problems:
        backwards = [window.describe(window.current)]
        for _ in range(len(stops) - 1):
            focus = window.press("shift+Tab")
            backwards.append(window.describe(focus) if focus is not None else "nothing")
        if backwards != [stops[0]] + stops[:0:-1]:
            problems.append("%s Shift+Tab order differs: %s" % (
                label, json.dumps(backwards, ensure_ascii=False)))
    print("%s Tab order:" % label)
    for stop in stops:
        print("   ", stop)
    return problems


MWM_HINTS_DECORATIONS = 0x2
MWM_DECOR_TITLE = 0x8
MWM_DECOR_MINIMIZE = 0x20
MWM_DECOR_MAXIMIZE = 0x40


def check_window_title(window, title):
    """Screen readers say a window's title when it becomes active, if it is a window to them."""
    window.app.clear_cache()
    top = window.app.get_child_at_index(0)
    said = "%s '%s'" % (top.get_role_name(), top.get_name()) if top else "nothing"
    return [] if said == "frame '%s'" % title else ["the window reads as " + said]


def check_window_buttons(window):
    """A fixed-size window asks for a title bar without minimise and maximise buttons."""
    window_id = wait_for(window.top_level_id, "the window on the X server")
    problems = []
    actions = subprocess.run(["xprop", "-id", window_id, "_NET_WM_ALLOWED_ACTIONS"],
                             capture_output=True, text=True).stdout
    if "_NET_WM_ACTION_MAXIMIZE" in actions:
        problems.append("the window manager offers to maximise the window")
    hints = subprocess.run(["xprop", "-id", window_id, "_MOTIF_WM_HINTS"],
                           capture_output=True, text=True).stdout
    values = [int(v, 0) for v in hints.partition("=")[2].replace(" ", "").split(",") if v]
    if len(values) < 3 or not values[0] & MWM_HINTS_DECORATIONS:
        problems.append("the window leaves its buttons to the window manager: " + hints)
    elif values[2] & (MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE) or not values[2] & MWM_DECOR_TITLE:
        problems.append("the window asks for other buttons than close: " + hints)
    return problems


# ---------------------------------------------------------------------------------------------
# Scenarios


def folder_name(path):
    return os.path.basename(path.rstrip("/"))


def project_name_prefix():
    return datetime.date.today().strftime("%Y-%m-%d") + "_"


def setup_expected(target, project):
    return [s.replace("{target}", target).replace("{project}", project) for s in SETUP_STOPS]


def walk_setup(args, home):
    target = os.path.join(home, "Klanten")
    os.makedirs(target)
    window = Window(args.window_exe, "setup", "--folder", target, "--recent", target,
                    "--template", "Eigen")
    try:
        problems = check_window_buttons(window)
        problems += check_window_title(window, "Create Project Structure")
        # The tree's first row is the project folder, named after today and the name field.
        project = wait_for(lambda: next(iter(_tree_rows(window)), None), "the preview tree")
        problems += check_cycle(window, setup_expected("Klanten", project), "setup")
    finally:
        window.close()
    return problems


def _tree_rows(window):
    Atspi = window.atspi
    rows = []

    def visit(accessible):
        if accessible.get_role() == Atspi.Role.TABLE_CELL:
            rows.append(accessible.get_name())
        for index in range(min(accessible.get_child_count(), 400)):
            child = accessible.get_child_at_index(index)
            if child is not None:
                visit(child)

    window.app.clear_cache()
    visit(window.app)
    return rows


def walk_setup_no_folder(args, home):
    window = Window(args.window_exe, "setup")
    try:
        problems = []
        create = window.find("push button", "Maak structuur →")
        if create is None:
            problems.append("no create button")
        elif create.get_state_set().contains(window.atspi.StateType.ENABLED):
            problems.append("the create button is enabled without a target folder")
        window.tab_until("push button 'Kies map…'")
        if "menu" not in window.describe(window.current):
            problems.append("the folder button does not say it opens a menu")
    finally:
        window.close()
    return problems


def walk_settings(args, home):
    window = Window(args.window_exe, "settings", "--template", "Eigen")
    try:
        problems = check_window_buttons(window)
        problems += check_window_title(window, "Brindlepath — Instellingen")
        for stops, tab in ((SETTINGS_GENERAL_STOPS, None), (SETTINGS_TEMPLATES_STOPS, "Right"),
                           (SETTINGS_ABOUT_STOPS, "Right")):
            window.tab_until("page tab")
            if tab:
                window.press(tab)
            problems += check_cycle(window, stops, "settings, " + stops[0])
    finally:
        window.close()
    return problems


def walk_editor(args, home):
    window = Window(args.window_exe, "editor")
    try:
        problems = check_window_title(window, "Template bewerken")
        project = project_name_prefix() + "Voorbeeld"
        expected = [s.replace("{project}", project) for s in EDITOR_STOPS]
        problems += check_cycle(window, expected, "editor")
    finally:
        window.close()
    return problems


def walk_offload(args, home):
    project = os.path.join(home, "Project")
    card = os.path.join(home, "CARD")
    for folder in (os.path.join(project, "01_Footage"), os.path.join(card, "DCIM")):
        os.makedirs(folder)
    window = Window(args.window_exe, "offload", "--folder", project, "--card", card)
    try:
        problems = check_window_buttons(window)
        problems += check_window_title(window, "Kaart importeren")
        problems += check_cycle(window, OFFLOAD_STOPS, "offload")
    finally:
        window.close()
    return problems


def walk_onboarding(args, home):
    window = Window(args.window_exe, "onboarding")
    try:
        problems = check_window_buttons(window)
        problems += check_window_title(window, "Welkom bij Brindlepath")
        for step, stops in enumerate(ONBOARDING_STOPS):
            wait_for(lambda: window.state().get("animating") == "0", "the step to settle")
            window.tab_until(stops[0])
            problems += check_cycle(window, stops, "onboarding step %d" % (step + 1))
            if step + 1 < len(ONBOARDING_STOPS):
                window.tab_until(stops[0])
                window.press("Return")
                wait_for(lambda: window.find("push button", ONBOARDING_STOPS[step + 1][0][13:-1]),
                         "the next step")
    finally:
        window.close()
    return problems


def journey_setup(args, home):
    first = os.path.join(home, "Eerst")
    chosen = os.path.join(home, "Opdrachten")
    os.makedirs(first)
    os.makedirs(chosen)
    loose = os.path.join(chosen, "clip.mp4")
    with open(loose, "wb") as f:
        f.write(b"\0" * 16)
    window = Window(args.window_exe, "setup", "--folder", first, "--recent", first,
                    "--recent", chosen)
    problems = []
    try:
        # The folder button: its menu opens from the keyboard and Escape closes only the menu.
        window.tab_until("push button 'Eerst'", "shift+Tab")
        for opener in ("space", "Return", "alt+Down"):
            window.focus_events.clear()
            key(opener)
            wait_for(window.menu_item, "the folder menu after " + opener, 10)
            if opener != "alt+Down":
                key("Escape")
                wait_for(lambda: window.focused() is not None, "the focus back in the window")
                if window.state().get("visible") != "1":
                    problems.append("Escape in the folder menu closed the window")
                if not window.describe(window.focused()).startswith("push button 'Eerst'"):
                    problems.append("Escape did not return the focus to the folder button")
        # The picker entry comes first, then the recent folders.
        if window.menu_item().get_name() not in ("Andere map kiezen…", "Eerst"):
            problems.append("the menu opened on %r" % window.menu_item().get_name())
        window.menu_until("Opdrachten")
        key("Return")
        wait_for(lambda: window.state().get("target") == chosen, "the chosen folder")
        window.current = wait_for(window.focused, "the focus back in the window")
        window.tab_until("text 'Projectnaam'")
        type_text("Zomer")
        # Both choices are radio groups: arrows move the choice, Tab leaves the group.
        for first, arrow, second in (("radio button 'Video'", "Right", "radio button 'Photo'"),
                                     ("radio button 'TikTok / Reels'", "Down",
                                      "radio button 'YouTube Long-form'")):
            window.tab_until(first)
            focus = window.press(arrow)
            if focus is None or window.describe(focus) != second + " [checked]":
                problems.append("%s on %s gave %s" % (arrow, first, window.describe(
                    window.focused())))
        window.press("Tab")
        if window.describe(window.current).startswith("radio button"):
            problems.append("Tab stayed in the template choices")
        window.tab_until("check box 'Sorteer bestaande bestanden'")
        # It may start on; then space turns it off and on again.
        for _ in range(2):
            if "checked" in window.describe(window.focused()):
                break
            key("space")
        if "checked" not in window.describe(window.focused()):
            problems.append("space did not turn sorting on")
        window.tab_until("push button 'Maak structuur →'")
        key("Return")
        revealed = wait_for(lambda: window.state().get("revealed"), "the new project")
        expected = os.path.join(chosen, project_name_prefix() + "Zomer")
        if revealed != expected:
            problems.append("created %r, not %r" % (revealed, expected))
        if os.path.exists(loose):
            problems.append("the loose file was not sorted")
    finally:
        window.close()
    return problems


def journey_settings(args, home):
    window = Window(args.window_exe, "settings", "--template", "Eigen")
    export = os.path.join(home, "uit", "templates.json")
    os.makedirs(os.path.dirname(export))
    problems = []
    try:
        window.tab_until("check box 'Start bij aanmelden'")
        window.press("space")
        window.tab_until("combo box 'TikTok / Reels' labelled 'Platform'")
        key("Down")
        wait_for(lambda: window.state().get("defaultTemplate") == "youTube",
                 "the default template")
        if window.state().get("login") != "1":
            problems.append("start at login did not switch on")
        window.tab_until("page tab")
        window.press("Right")
        window.tab_until("push button 'Exporteer templates'")
        window.press("space")
        # The save dialog opens with its name field focused.
        wait_for(lambda: window.focused() is not None and window.focused().get_role_name()
                 == "text", "the save dialog")
        key("ctrl+a")
        type_text(export)
        key("Return")
        wait_for(lambda: os.path.exists(export), "the exported file")
        with open(export, encoding="utf-8") as f:
            if "Eigen" not in f.read():
                problems.append("the export lacks the template")
    finally:
        window.close()
    return problems


def journey_onboarding(args, home):
    window = Window(args.window_exe, "onboarding")
    try:
        for title in ("Volgende →", "Volgende →", "Aan de slag →"):
            window.tab_until("push button '%s'" % title)
            key("space")
            if title != "Aan de slag →":
                wait_for(lambda: window.find("push button", "← Terug") is not None,
                         "the next step")
                window.current = window.focused()
        state = wait_for(lambda: (lambda s: s if s.get("completed") == "1" else None)(
            window.state()), "the end of the onboarding")
        problems = []
        if state.get("onboardingCompleted") != "1":
            problems.append("onboarding not recorded as completed")
        if state.get("visible") != "0":
            problems.append("the window stayed open")
    finally:
        window.close()
    return problems


def error_bar(args, home):
    # A target that is a file: creation fails and the error bar appears.
    target = os.path.join(home, "geen-map")
    with open(target, "w") as f:
        f.write("x")
    window = Window(args.window_exe, "setup", "--folder", target)
    problems = []
    try:
        window.tab_until("text 'Projectnaam'")
        type_text("Fout")
        window.tab_until("push button 'Maak structuur →'")
        focus = window.press("Return")
        print("error shown:", window.state().get("error"))
        if focus is None or focus.get_role_name() != "label" or not focus.get_name():
            problems.append("the error was not announced: focus is on %s" % (
                window.describe(window.current) if window.current else "nothing"))
        else:
            print("announced:", window.describe(focus))
    finally:
        window.close()
    return problems


SCENARIOS = {f.__name__: f for f in (walk_setup, walk_setup_no_folder, walk_settings,
                                      walk_editor, walk_offload, walk_onboarding, journey_setup,
                                      journey_settings, journey_onboarding, error_bar)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--window-exe", required=True)
    parser.add_argument("--session-conf", required=True)
    args = parser.parse_args()

    for tool in ("Xvfb", "openbox", "xdotool", "xprop", "dbus-run-session"):
        if shutil.which(tool) is None:
            print("missing tool:", tool)
            return 1
    if os.environ.get("BP_A11Y_SESSION") != "1":
        # Everything below runs on a session bus of its own.
        os.environ["BP_A11Y_SESSION"] = "1"
        return subprocess.call(["dbus-run-session", "--config-file", args.session_conf, "--",
                                sys.executable, *sys.argv])

    home = tempfile.mkdtemp(prefix="bp-a11y-")
    desktop = None
    try:
        desktop = Desktop(home)
        problems = SCENARIOS[args.scenario](args, home)
    except Failure as failure:
        problems = [str(failure)]
    except Exception:
        problems = [traceback.format_exc()]
    finally:
        if desktop is not None:
            desktop.close()
        shutil.rmtree(home, ignore_errors=True)
    for problem in problems:
        print("FAIL:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
