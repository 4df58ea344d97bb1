#!/usr/bin/python3
"""Drives a running program through AT-SPI, as an assistive tool does: one action a call.

Controls are found by accessible name (and role name, e.g. "push button", "page tab") among
the showing accessibles of the application --app, polling until one appears or --timeout
seconds pass. Runs in an accessibility session (scripts/a11y-session.sh env).

Exit codes: 0 done, 1 not found in time, 2 wrong use, 3 the control cannot do it.
"""
import argparse
import os
import subprocess
import sys
import time

import pyatspi


class Failure(Exception):
    def __init__(self, code, message):
        super().__init__(message)
        self.code = code


def states(acc):
    return [pyatspi.stateToString(s).replace(" ", "-") for s in acc.getState().getStates()]


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def walk(acc, depth=0):
    yield acc, depth
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            yield app


def has_state(acc, state):
    """state is a state name, or "!" and a state name that must be missing."""
    return state is None or (state.lstrip("!") in states(acc)) != state.startswith("!")


def find_once(args, name, role, state=None):
    for app in applications(args.app):
        for acc, _ in walk(app):
            if (acc.name == name and (role is None or acc.getRoleName() == role) and showing(acc)
                    and has_state(acc, state)):
                return acc
    return None


def find(args, name, role=None, state=None):
    """The first showing accessible called name (with the role and state), polled until
    --timeout."""
    end = time.monotonic() + args.timeout
    while True:
        try:
            acc = find_once(args, name, role, state)
        except Exception:  # an accessible went away while we walked: look again
            acc = None
        if acc is not None:
            return acc
        if time.monotonic() >= end:
            what = f'"{name}"' + (f" ({role})" if role else "") + (f" [{state}]" if state else "")
            raise Failure(1, f"no showing {what} in {args.app} within {args.timeout:g} s")
        time.sleep(0.1)


def interface(acc, query, what):
    try:
        return query(acc)
    except NotImplementedError:
        raise Failure(3, f'"{acc.name}" ({acc.getRoleName()}) has no {what} interface')


def do_action(acc, wanted):
    action = interface(acc, pyatspi.Accessible.queryAction, "Action")
    names = [action.getName(i) for i in range(action.nActions)]
    for want in wanted:
        if want in names:
            return action.doAction(names.index(want))
    if not names:
        raise Failure(3, f'"{acc.name}" ({acc.getRoleName()}) has no actions')
    return action.doAction(0)


def text_of(acc):
    lines = [acc.name] if acc.name else []
    try:
        content = acc.queryText().getText(0, -1)
        if content and content != acc.name:
            lines.append(content)
    except NotImplementedError:
        pass
    return lines


def cmd_wait(args):
    find(args, args.name, args.role, args.state)


def cmd_press(args):
    do_action(find(args, args.name, args.role), ["Press", "press", "Click", "click"])


def cmd_click(args):
    """A real pointer click (XTEST) at the control's middle: what a mouse user does, which also
    reaches handlers of clicked that the toggle action skips."""
    acc = find(args, args.name, args.role)
    component = interface(acc, pyatspi.Accessible.queryComponent, "Component")
    x, y, width, height = component.getExtents(pyatspi.DESKTOP_COORDS)
    where = [str(x + width // 2), str(y + height // 2)]
    if subprocess.run(["xdotool", "mousemove", "--sync", *where, "click", "1"]).returncode != 0:
        raise Failure(3, f'xdotool could not click "{acc.name}" at {",".join(where)}')


def cmd_toggle(args):
    do_action(find(args, args.name, args.role), ["Toggle", "toggle", "Press", "press"])


def cmd_state(args):
    print(" ".join(states(find(args, args.name, args.role))))


def cmd_value(args):
    value = interface(find(args, args.name, args.role), pyatspi.Accessible.queryValue, "Value")
    print(f"{value.currentValue:g}")


def cmd_set_value(args):
    value = interface(find(args, args.name, args.role), pyatspi.Accessible.queryValue, "Value")
    value.currentValue = args.value


def cmd_text(args):
    print("\n".join(text_of(find(args, args.name, args.role))))


def cmd_children(args):
    acc = find(args, args.name, args.role)
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            print(child.name)


def cmd_select(args):
    acc = find(args, args.name, args.role)
    names = [acc.getChildAtIndex(i).name for i in range(acc.childCount)]
    if args.item not in names:
        raise Failure(1, f'"{args.name}" has no item "{args.item}" (items: {", ".join(names)})')
    index = names.index(args.item)
    try:
        if acc.querySelection().selectChild(index):
            return
    except NotImplementedError:
        pass
    do_action(acc.getChildAtIndex(index), ["Toggle", "Press", "Click"])


def cmd_dialog_text(args):
    dialog = None
    for role in ("alert", "dialog", None):
        try:
            dialog = find_once(args, args.title, role)
        except Exception:
            dialog = None
        if dialog is not None:
            break
    if dialog is None:
        dialog = find(args, args.title)  # polls, then fails with the message
    for acc, _ in walk(dialog):
        if acc is not dialog and acc.getRoleName() in ("label", "text", "static"):
            print("\n".join(text_of(acc)))


def cmd_dump(args):
    end = time.monotonic() + args.timeout
    while not list(applications(args.app)):
        if time.monotonic() >= end:
            raise Failure(1, f"no application {args.app} within {args.timeout:g} s")
        time.sleep(0.1)
    for app in applications(args.app):
        for acc, depth in walk(app):
            print(f'{"  " * depth}[{acc.getRoleName()}] "{acc.name}" {" ".join(states(acc))}')


def parser():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--app", default="Voxwarp", help="the application's accessible name")
    p.add_argument("--timeout", type=float, default=10.0, help="seconds to wait for a control")
    sub = p.add_subparsers(dest="command", required=True)

    def command(name, fn, help):
        c = sub.add_parser(name, help=help)
        c.set_defaults(fn=fn)
        return c

    for name, fn, help in [
        ("wait", cmd_wait, "wait until the control shows"),
        ("press", cmd_press, "press the control (its Press or first action)"),
        ("click", cmd_click, "click the control's middle with the pointer (xdotool)"),
        ("toggle", cmd_toggle, "toggle a check box or radio button"),
        ("state", cmd_state, "print the control's states"),
        ("value", cmd_value, "print the control's value"),
        ("text", cmd_text, "print the control's name and text"),
        ("children", cmd_children, "print the names of the control's children"),
    ]:
        c = command(name, fn, help)
        c.add_argument("name")
        c.add_argument("role", nargs="?")
        if name == "wait":
            c.add_argument("--state", help='a state it must have, or "!STATE" one it must not')
    c = command("set-value", cmd_set_value, "set the control's value")
    c.add_argument("name")
    c.add_argument("value", type=float)
    c.add_argument("role", nargs="?")
    c = command("select", cmd_select, "select an item of a list")
    c.add_argument("name")
    c.add_argument("item")
    c.add_argument("role", nargs="?")
    c = command("dialog-text", cmd_dialog_text, "print the texts of a dialog or message box")
    c.add_argument("title")
    command("dump", cmd_dump, "print the application's tree")
    return p


def main():
    args = parser().parse_args()
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        # libatspi aborts the process when it finds no accessibility bus.
        print("atspi_drive: no session bus (run in scripts/a11y-session.sh env)", file=sys.stderr)
        return 2
    try:
        args.fn(args)
    except Failure as failure:
        print(f"atspi_drive: {failure}", file=sys.stderr)
        return failure.code
    return 0


if __name__ == "__main__":
    sys.exit(main())
