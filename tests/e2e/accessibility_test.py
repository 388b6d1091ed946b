#!/usr/bin/python3
"""What a screen reader hears from the running program, read over AT-SPI as Qt's own
accessibility tests do on Linux: a private accessibility bus (at-spi2-core's launcher) on the
session bus this runs in, Qt made to register with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, and the
program's objects, names and roles read back with pyatspi.

  accessibility_test.py <vantrel> <vantrel_colour_client>

Run on a test desktop with two monitors (vantrel_desktop) inside dbus-run-session. A display
button without its name (read as a bare "2"), a clone window or an identify overlay without
theirs fails the test, as does a main window shown without the focus whose monitor line
still holds the form's placeholder.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

TITLE = "Accessible Probe (1)"
TIMEOUT = 20.0  # seconds for any one thing to appear


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe until it returns something true, for at most timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        time.sleep(0.1)


def bus_owned(name):
    out = subprocess.run(
        ["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
         "--object-path", "/org/freedesktop/DBus",
         "--method", "org.freedesktop.DBus.NameHasOwner", name],
        capture_output=True, text=True, check=False)
    return "true" in out.stdout


def walk(accessible, depth=0):
    """Every object under accessible (itself included); vanished ones are skipped."""
    if accessible is None or depth > 30:
        return
    yield accessible
    try:
        children = list(accessible)
    except Exception:  # an object that went away while being read
        return
    for child in children:
        yield from walk(child, depth + 1)


def application(pyatspi):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "vantrel":
            return app
    return None


def named(app, role_names, pattern):
    """(name, object) of the objects whose role is one of role_names and whose name matches."""
    found = []
    # Windows opened later are not announced to the cached list of top-level objects.
    app.clear_cache()
    for accessible in walk(app):
        try:
            role = accessible.getRoleName()
            name = accessible.name
        except Exception:
            continue
        if role in role_names and re.fullmatch(pattern, name or ""):
            found.append((name, accessible))
    return found


def windows(app, pattern):
    """The names of the program's top-level windows that match pattern."""
    app.clear_cache()
    found = []
    for index in range(app.childCount):
        try:
            name = app.getChildAtIndex(index).name
        except Exception:  # a window that closed while being read
            continue
        if re.fullmatch(pattern, name or ""):
            found.append(name)
    return found


BUTTON_ROLES = ("push button", "toggle button", "check box")


def main():
    vantrel, colour_client = sys.argv[1], sys.argv[2]
    runtime = tempfile.mkdtemp(prefix="vantrel-a11y-")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    os.environ["XDG_RUNTIME_DIR"] = runtime
    children = []
    try:
        children.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env))
        wait_for("the accessibility bus (org.a11y.Bus)", lambda: bus_owned("org.a11y.Bus"))
        import pyatspi  # connects to the bus just started

        client = subprocess.Popen([colour_client, "--title", TITLE, "--x", "100", "--y", "100"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
        children.append(client)
        if not client.stdout.readline().startswith(b"window"):
            fail("the colour client announced no window")

        # Nothing gives the main window the keyboard: the root claims a window manager that
        # takes activation requests (none answers them) and the pointer rests on the root,
        # as under a manager that prevents focus stealing.
        subprocess.run(["xprop", "-root", "-f", "_NET_SUPPORTED", "32a", "-set",
                        "_NET_SUPPORTED", "_NET_ACTIVE_WINDOW"], env=env, check=True)
        subprocess.run(["xdotool", "mousemove", "3199", "1079"], env=env, check=True)

        program_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                           LANG="C.UTF-8", LC_ALL="C.UTF-8")
        children.append(subprocess.Popen([vantrel], env=program_env))
        app = wait_for("vantrel on the accessibility bus", lambda: application(pyatspi))

        title = re.escape("\u201c" + TITLE + "\u201d")
        clone_pattern = "Clone " + title + " on display ([12])"
        buttons = wait_for(
            "two display buttons named for the probe window",
            lambda: (lambda b: b if len(b) == 2 else None)(
                named(app, BUTTON_ROLES, clone_pattern)))
        bare = named(app, BUTTON_ROLES, r"\d*")
        if bare:
            fail("buttons without a name or read as a bare number: "
                 + ", ".join(repr(n) for n, _ in bare))
        print("display buttons:", [name for name, _ in buttons])

        # The monitor line of a window that never had the keyboard. (Qt on X11 takes its
        # own activation request, which it receives on the root window, as granted, so the
        # form's activation still comes; the line must not depend on it.)
        focus = subprocess.run(["xdotool", "getwindowfocus"], env=env, capture_output=True,
                               text=True, check=False).stdout.strip()
        mine = subprocess.run(["xdotool", "search", "--class", "vantrel"], env=env,
                              capture_output=True, text=True, check=False).stdout.split()
        if focus in mine:
            fail("the main window has the keyboard; the scene needs it without")
        lines = [name for name, _ in named(app, ("label",), r"This system has .*")]
        if lines != ["This system has 2 monitors."]:
            fail("monitor line of the window shown without the focus: " + repr(lines))

        # Pressing the display 2 button opens a clone; the button now says it removes it.
        second = next(a for name, a in buttons if name.endswith("display 2"))
        action = second.queryAction()
        action.doAction(0)
        remove = "Remove the clone of " + title + " from display 2"
        wait_for("the display 2 button renamed to remove the clone",
                 lambda: named(app, BUTTON_ROLES, remove))
        wait_for("the clone window named after its window",
                 lambda: windows(app, "Clone of " + title))
        print("after pressing:", remove.replace("\\", ""))

        # The identify overlays say which display they number.
        subprocess.run([vantrel, "--identify"], env=program_env, check=True, timeout=30)
        overlays = wait_for(
            "the identify overlays named Display 1 and Display 2",
            lambda: (lambda o: o if len(o) == 2 else None)(windows(app, "Display [12]")))
        print("overlays:", sorted(overlays))
        print("PASS")
    finally:
        for child in reversed(children):
            child.terminate()
        for child in reversed(children):
            try:
                child.wait(timeout=10)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()


if __name__ == "__main__":
    main()
