#!/usr/bin/env python3
"""The running program as a screen reader finds it on the AT-SPI bus.

    window-accessibility.py check     every control's name, hint and value, hidden decorations,
                                      the pickers' menus opened through their press action, and
                                      the diagnostics toggle's checked state
    window-accessibility.py start     presses the primary button through its action and waits
                                      until the panel reports monitoring with moving meters
    window-accessibility.py press N   performs the first action of the control named N (used by
                                      `check`: a picker's press returns only once its menu closes)

Values reach the bus in one of three ways: a read-only text interface (pickers, output box, meter
bars, peak readouts, clip lamps, mute latch), the name itself (primary button, header, status
console), or the checked state (diagnostics toggle, and the mute latch besides its text).
"""
import re
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# PyGObject flags the interface getters of libatspi 2.46 as deprecated; they are what it offers.
warnings.filterwarnings("ignore", category=DeprecationWarning)

APP_NAME = "VEXMORA MONITOR"
METER_VALUE = re.compile(r"^-?\d+ decibels full scale, held peak -?\d+ decibels full scale, "
                         r"(no clipping|clipping indicator latched)$")
PEAK_VALUE = re.compile(r"^-?\d+\.\d decibels full scale$")
# Painted texts of decorative pieces: route labels, button faces, badges and format readouts.
DECORATIVE_TEXTS = {"INPUT", "CHANNELS", "OUTPUT", "MUTE", "LATCHED", "OUTPUT ON", "SYSTEM",
                    "START MONITORING", "STOP MONITORING", "48.0 kHz / 32-bit float"}
# Roles that only arrange other elements and so carry no name.
CONTAINER_ROLES = {Atspi.Role.FILLER, Atspi.Role.PANEL, Atspi.Role.SCROLL_BAR}

failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def wait_until(seconds, probe):
    deadline = time.monotonic() + seconds
    while True:
        result = probe()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(0.1)


def find_application():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(index)
        if application is not None and application.get_name() == APP_NAME:
            # Values change ~30 times a second; always ask the program instead of a cache.
            application.set_cache_mask(Atspi.Cache.NONE)
            return application
    return None


def descendants(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def has_state(node, state):
    return node.get_state_set().contains(state)


def text_of(node):
    text = node.get_text_iface()
    return None if text is None else text.get_text(0, text.get_character_count())


def action_names(node):
    action = node.get_action_iface()
    if action is None:
        return []
    return [action.get_action_name(index) for index in range(action.get_n_actions())]


def find(application, role, name):
    for node in descendants(application):
        if node.get_role() == role and node.get_name() == name:
            return node
    return None


def find_prefixed(application, role, prefix):
    for node in descendants(application):
        if node.get_role() == role and node.get_name().startswith(prefix):
            return node
    return None


def control(application, role, name, description=None, text=None, actions=None):
    node = find(application, role, name)
    expect(node is not None, f"no {role.value_nick} named {name!r}")
    if node is None:
        return None
    if description is not None:
        expect(node.get_description() == description,
               f"{name!r} has the description {node.get_description()!r}")
    if text is not None:
        shown = text_of(node)
        matches = text.match(shown or "") if isinstance(text, re.Pattern) else shown == text
        expect(matches, f"{name!r} has the value text {shown!r}")
    if actions is not None:
        expect(action_names(node)[:len(actions)] == actions,
               f"{name!r} has the actions {action_names(node)}")
    return node


def check_controls(application):
    control(application, Atspi.Role.LABEL,
            "VEXMORA MONITOR, STEREO INPUT  ·  SYSTEM OUTPUT, SM-01, READY")
    for heading in ("SIGNAL PATH", "LEVEL METERS", "MONITOR CONTROL", "SYSTEM STATUS"):
        control(application, Atspi.Role.HEADING, heading)
    control(application, Atspi.Role.PUSH_BUTTON, "Input",
            text="VX Test Interface, 48.0 kHz / 32-bit float", actions=["Press"])
    control(application, Atspi.Role.PUSH_BUTTON, "Channels",
            text="Inputs 1 / 2 — Left: Auxiliary 0 · Right: Auxiliary 1", actions=["Press"])
    control(application, Atspi.Role.LABEL, "System output",
            text="VX Test Speakers, 48.0 kHz / 32-bit float")
    for side in ("Left", "Right"):
        strip = control(application, Atspi.Role.PANEL, side)
        bar = control(application, Atspi.Role.LABEL, f"{side} input level", text=METER_VALUE)
        if bar is not None:
            expect(bar.get_description() == "",
                   f"the {side} meter repeats its value in its description")
        control(application, Atspi.Role.PUSH_BUTTON, f"Reset {side.lower()} peak memory",
                description="The next measured peak starts a new maximum", text=PEAK_VALUE,
                actions=["Press"])
        lamp = control(application, Atspi.Role.PUSH_BUTTON, f"{side} clipping indicator",
                       description="The lamp latches when clipping is detected",
                       text="No clipping")
        if lamp is not None:
            expect(not has_state(lamp, Atspi.StateType.ENABLED),
                   f"the {side} clip lamp is operable while unlit")
        if strip is not None:
            members = {strip.get_child_at_index(i).get_name()
                       for i in range(strip.get_child_count())}
            expect(f"{side} input level" in members, f"the {side} meter strip does not group "
                   f"its bar, readout and lamp: {sorted(members)}")
    mute = control(application, Atspi.Role.PUSH_BUTTON, "Mute output",
                   description="Toggles output mute without stopping monitoring", text="Off",
                   actions=["Press"])
    if mute is not None:
        # Qt 6.4's bridge carries the checked state but not "checkable": press the latch and
        # back, and see both its text and its state follow.
        for text, checked in (("On", True), ("Off", False)):
            mute.get_action_iface().do_action(0)
            expect(wait_until(3, lambda: text_of(mute) == text and mute.get_state_set().contains(
                Atspi.StateType.CHECKED) == checked),
                   f"the mute latch does not read {text} with checked {checked}")
    control(application, Atspi.Role.PUSH_BUTTON, "Start Monitoring",
            description="Starts audio monitoring", actions=["Press"])
    control(application, Atspi.Role.LABEL, "STATUS, READY, 48.0 kHz input → 48.0 kHz system "
            "output. Monitoring is off.")


def check_decorations(application):
    for node in descendants(application):
        name, role = node.get_name(), node.get_role()
        expect(name not in DECORATIVE_TEXTS, f"a decoration speaks {name!r}")
        if role in (Atspi.Role.INVALID, Atspi.Role.UNKNOWN):
            expect(not name and not has_state(node, Atspi.StateType.SHOWING),
                   f"a decoration is showing to assistive technology ({name!r})")
        elif has_state(node, Atspi.StateType.SHOWING) and role not in CONTAINER_ROLES:
            expect(bool(name), f"a showing {node.get_role_name()} has no name")


def open_menu(name):
    """Presses the picker NAME from a second process (the press returns only once the menu
    closes), reads the menu that shows, closes it with Escape, and returns its items as
    (name, checked, enabled)."""
    menus = []

    def on_showing(event):
        if event.detail1 and event.source.get_role() == Atspi.Role.POPUP_MENU:
            menus.append(event.source)

    listener = Atspi.EventListener.new(on_showing)
    listener.register("object:state-changed:showing")
    press = subprocess.Popen([sys.executable, __file__, "press", name])
    context = GLib.MainContext.default()
    deadline = time.monotonic() + 10
    while not menus and time.monotonic() < deadline:
        context.iteration(False)
        time.sleep(0.01)
    listener.deregister("object:state-changed:showing")
    items = None
    if menus:
        menu = menus[-1]
        items = [(item.get_name(), has_state(item, Atspi.StateType.CHECKED),
                  has_state(item, Atspi.StateType.ENABLED))
                 for item in (menu.get_child_at_index(i) for i in range(menu.get_child_count()))]
        Atspi.generate_keyboard_event(0xFF1B, None, Atspi.KeySynthType.SYM)  # Escape
    try:
        expect(press.wait(timeout=10) == 0, f"pressing {name!r} failed")
    except subprocess.TimeoutExpired:
        press.kill()
        failures.append(f"the {name!r} menu did not close on Escape")
    return items


def check_menus():
    separator = ("", False, False)
    items = open_menu("Input")
    expect(items == [("Choose an input…", False, True), separator,
                     ("VX Test Interface", True, True)],
           f"the input menu reads {items}")
    items = open_menu("Channels")
    pairs = [(f"Inputs {2 * k + 1} / {2 * k + 2} — Left: Auxiliary {2 * k} · "
              f"Right: Auxiliary {2 * k + 1}", k == 0, True) for k in range(4)]
    expect(items == [("Choose channels…", False, True), separator] + pairs,
           f"the channel menu reads {items}")


def check_disclosure(application):
    toggle = control(application, Atspi.Role.CHECK_BOX, "SERVICE  ·  TECHNICAL DIAGNOSTICS",
                     actions=["Toggle"])
    if toggle is None:
        return
    expect(not has_state(toggle, Atspi.StateType.CHECKED), "the diagnostics start expanded")
    toggle.get_action_iface().do_action(0)
    expect(wait_until(5, lambda: has_state(toggle, Atspi.StateType.CHECKED)),
           "the diagnostics toggle is not checked after its action")
    rate = wait_until(5, lambda: find(application, Atspi.Role.LABEL, "INPUT RATE"))
    expect(rate is not None and has_state(rate, Atspi.StateType.SHOWING),
           "the diagnostics rows do not show when expanded")
    toggle.get_action_iface().do_action(0)
    expect(wait_until(5, lambda: not has_state(toggle, Atspi.StateType.CHECKED)),
           "the diagnostics toggle stays checked")


def ready(application):
    button = find(application, Atspi.Role.PUSH_BUTTON, "Start Monitoring")
    return button is not None and has_state(button, Atspi.StateType.ENABLED)


def check(application):
    expect(wait_until(10, lambda: ready(application)), "the primary button never became enabled")
    check_controls(application)
    check_decorations(application)
    check_menus()
    check_disclosure(application)


def meter_level(application, side):
    bar = find(application, Atspi.Role.LABEL, f"{side} input level")
    match = re.match(r"^(-?\d+) ", text_of(bar) or "") if bar is not None else None
    return int(match.group(1)) if match else None


def start(application):
    button = find(application, Atspi.Role.PUSH_BUTTON, "Start Monitoring")
    expect(button is not None, "no Start Monitoring button")
    if button is None:
        return
    button.get_action_iface().do_action(0)
    stop = wait_until(10, lambda: find(application, Atspi.Role.PUSH_BUTTON, "Stop Monitoring"))
    expect(stop is not None, "pressing the primary button did not start monitoring")
    if stop is not None:
        expect(stop.get_description() == "Stops audio monitoring",
               f"Stop Monitoring has the description {stop.get_description()!r}")
    for side in ("Left", "Right"):
        level = wait_until(10, lambda: (meter_level(application, side) or -60) > -40)
        expect(level, f"the {side} meter's value never rose: {meter_level(application, side)}")
    status = find_prefixed(application, Atspi.Role.LABEL, "STATUS, ")
    expect(status is not None and "MONITORING" in status.get_name(),
           f"the status console reads {status.get_name() if status else None!r}")


def press(application, name):
    node = next((n for n in descendants(application) if n.get_name() == name), None)
    if node is None or not node.get_action_iface().do_action(0):
        sys.exit(f"could not press {name!r}")


def main():
    application = wait_until(10, find_application)
    if application is None:
        sys.exit(f"FAIL: no application named {APP_NAME!r} on the accessibility bus")
    command = sys.argv[1]
    if command == "check":
        check(application)
    elif command == "start":
        start(application)
    elif command == "press":
        press(application, sys.argv[2])
    else:
        sys.exit(f"unknown command {command}")
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
