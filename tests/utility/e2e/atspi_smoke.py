"""Drives lipsmith-studio's Lipsmith utility through AT-SPI, by accessible names.

atspi_smoke.py STUDIO SCENE SCRIPT WAVE: opens the utility and its script
editor, puts the script into the editor's text, presses Parse Script, and
waits (with a deadline) until the Parser Output pane holds the closing line
of a run without errors and the wave output file exists. Exit 0 on success.
"""
import os
import subprocess
import sys
import time

import pyatspi

studio, scene, script_path, wave = sys.argv[1:5]
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
proc = subprocess.Popen([studio, scene], env=env)


def fail(why):
    print("atspi smoke: FAILED:", why, file=sys.stderr)
    try:
        print("applications:", [a.name for a in pyatspi.Registry.getDesktop(0) if a is not None], file=sys.stderr)
        a = app()
        print("top:", [(a.getChildAtIndex(i).getRoleName(), a.getChildAtIndex(i).name) for i in range(a.childCount)],
              file=sys.stderr)
        for n in walk(app()):
            if n.name:
                print("  %s '%s'" % (n.getRoleName(), n.name), file=sys.stderr)
    except Exception as e:
        print("  (tree unreadable: %s)" % e, file=sys.stderr)
    proc.kill()
    sys.exit(1)


def wait_for(what, check, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = check()
        except Exception:  # the tree changes under us while windows open
            found = None
        if found:
            return found
        if proc.poll() is not None:
            fail("the studio ended (status %s) while waiting for %s" % (proc.returncode, what))
        time.sleep(0.1)
    fail("no " + what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def app():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.name in ("Lipsmith Studio", "lipsmith-studio"):
            return a
    return None


def find(role, name, root=None):
    roles = role if isinstance(role, tuple) else (role,)
    for n in walk(root or app()):
        if n.getRoleName() in roles and n.name == name:
            return n
    return None


def press(role, name, root=None):
    node = wait_for("%s '%s'" % (role, name), lambda: find(role, name, root))
    action = node.queryAction()
    if os.environ.get("ATSPI_DEBUG"):
        print("actions of", name, [action.getName(i) for i in range(action.nActions)], file=sys.stderr)
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Toggle", "toggle"):
            action.doAction(i)
            return node
    action.doAction(0)
    return node


# A display shared with other test runs may refuse the first connection:
# a studio that ends before it shows up is started again, twice at most.
for attempt in range(3):
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and proc.poll() is None and not app():
        time.sleep(0.1)
    if app() or proc.poll() is None or attempt == 2:
        break
    print("atspi smoke: the studio ended (status %s) before it showed; starting it again" % proc.returncode,
          file=sys.stderr)
    time.sleep(1)
    proc = subprocess.Popen([studio, scene], env=env)
wait_for("the studio on the accessibility bus", app)
# The Utilities tab's button is a toggle whose accessible "Toggle" action does
# not open the utility; it is clicked where the accessibility tree says it is.
utility = wait_for("the Lipsmith utility button", lambda: find(("push button", "check box"), "Lipsmith"))
box = utility.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "b1c")
press("push button", "Script Editor")
editor = wait_for("the script editor window", lambda: find(("dialog", "frame", "window"), "Untitled"))

# Every control of the editor is known by its label.
for role, name in [("push button", "Parse Script"), ("push button", "Close"), ("radio button", "Insert"),
                   ("radio button", "Replace"), ("check box", "Delete keys after in frame"),
                   ("check box", "Generate scratch track"), ("check box", "Enable Undo")]:
    wait_for("%s '%s'" % (role, name), lambda: find(role, name, editor))

text = wait_for("the script text", lambda: next((n for n in walk(editor)
                                                 if n.name == "Script" and n.getRoleName() == "text"), None))
with open(script_path, encoding="utf-8") as f:
    script = f.read()
text.queryEditableText().setTextContents(script)
wait_for("the script in the editor", lambda: text.queryText().getText(0, -1).startswith("<_ANIM_>"))

press("push button", "Parse Script", editor)
pane = wait_for("the Parser Output pane", lambda: next((n for n in walk(editor)
                                                        if n.name == "Parser Output" and n.getRoleName() == "text"), None))
log = wait_for("the run's closing line",
               lambda: (lambda t: t if "---[ Parsing stopped at" in t else None)(pane.queryText().getText(0, -1)),
               seconds=120)
if ": 0 Errors" not in log or "+++ Adding keys for actor named 'Head'" not in log:
    fail("the run reported problems:\n" + log)
wait_for("the wave output file", lambda: os.path.exists(wave) and os.path.getsize(wave) > 44)
print("atspi smoke: passed", file=sys.stderr)
proc.terminate()
try:
    proc.wait(timeout=20)
except subprocess.TimeoutExpired:
    proc.kill()
sys.exit(0)
