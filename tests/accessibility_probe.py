# A screen reader's view of the window through AT-SPI: the panes' text, caret, selection and
# words, and an edit through the editable-text interface; or, given --opened FILE, that the
# window started with FILE shows it. Run by accessibility_test.sh.
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def find(node, wanted, depth=0):
    if node is None or depth > 30:
        return None
    if wanted(node):
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), wanted, depth + 1)
        if found is not None:
            return found
    return None


def check(what, got, want):
    if got != want:
        print(f"FAIL: {what}: {got!r}, not {want!r}")
        sys.exit(1)


desktop = pyatspi.Registry.getDesktop(0)
app = None
for _ in range(200):
    app = find(desktop, lambda n: n.getRole() == pyatspi.ROLE_APPLICATION and
               "trackkml" in (n.name or "").lower(), 28)
    if app is not None:
        break
    time.sleep(0.1)
if app is None:
    print("FAIL: the window is not on the accessibility bus")
    sys.exit(1)

# Each pane by its accessible name and description; each shows its own name at the start.
named = {"Memo1": ("Export", "The export as loaded"),
         "Memo2": ("Summary", "The summary of the export"),
         "Memo3": ("KML", "The KML document made from the export")}
panes = {}
for name, (accessible, description) in named.items():
    pane = find(app, lambda n, a=accessible: n.name == a and n.getRole() == pyatspi.ROLE_TEXT)
    if pane is None:
        print(f"FAIL: no text object named {accessible!r} ({name})")
        sys.exit(1)
    check(f"{name}'s description", pane.description, description)
    panes[name] = pane.queryText()

if sys.argv[1:2] == ["--opened"]:
    # Started with an export to open: the first pane shows it as the Open dialog's choice would.
    want = open(sys.argv[2], "rb").read().decode("cp1253").replace("\r\n", "\n")
    got = ""
    for _ in range(200):
        got = panes["Memo1"].getText(0, -1).replace("\r\n", "\n")
        if got == want:
            sys.exit(0)
        time.sleep(0.1)
    check("Memo1 of a window started with an export", got[:300], want[:300])

for name, text in panes.items():
    check(f"{name}'s text", text.getText(0, -1), name + "\n")
    check(f"{name}'s caret", text.caretOffset, len(name) + 1)

memo1 = panes["Memo1"]
memo1_name = "Export"
find(app, lambda n: n.name == "Export").queryEditableText().insertText(0, "Όχημα ΧΜΡ-6193, ", 16)
check("the text after an insert", memo1.getText(0, -1), "Όχημα ΧΜΡ-6193, Memo1\n")
memo1.setCaretOffset(3)
check("the caret set", memo1.caretOffset, 3)
memo1.setSelection(0, 0, 5)
check("the selection", memo1.getSelection(0), (0, 5))
check("the selected text", memo1.getText(0, 5), "Όχημα")
# (text, start, end) of the word, character and line at an offset.
check("the word at 2", tuple(memo1.getTextAtOffset(2, pyatspi.TEXT_BOUNDARY_WORD_START)),
      ("Όχημα", 0, 5))
check("the character at 1", memo1.getTextAtOffset(1, pyatspi.TEXT_BOUNDARY_CHAR)[0], "χ")
check("the line at 18", memo1.getTextAtOffset(18, pyatspi.TEXT_BOUNDARY_LINE_START)[0].rstrip("\n"),
      "Όχημα ΧΜΡ-6193, Memo1")
memo2 = find(app, lambda n: n.name == "Summary")
memo2.queryEditableText().insertText(0, "first\nsecond\n", 13)
check("the line after the first",
      memo2.queryText().getTextAfterOffset(1, pyatspi.TEXT_BOUNDARY_LINE_START)[0].rstrip("\n"),
      "second")
check("the line before the third",
      memo2.queryText().getTextBeforeOffset(14, pyatspi.TEXT_BOUNDARY_LINE_START)[0].rstrip("\n"),
      "second")
extents = memo1.getCharacterExtents(0, pyatspi.DESKTOP_COORDS)
if extents[2] <= 0 or extents[3] <= 0:
    print(f"FAIL: the first character's rectangle: {extents}")
    sys.exit(1)

# Told of every change and caret move as the user types, deletes, breaks a line, undoes and
# redoes (keys from the X server, as a keyboard gives them).
told = []


def listen(event):
    if event.source.name == memo1_name:
        told.append((event.type.replace("object:", ""), event.detail1))


def pump(until):
    context = GLib.MainContext.default()
    deadline = time.time() + 5
    while time.time() < deadline and not until():
        while context.iteration(False):
            pass
        time.sleep(0.02)


pyatspi.Registry.registerEventListener(listen, "object:text-changed", "object:text-caret-moved")
memo1_object = find(app, lambda n: n.name == memo1_name)
memo1_object.queryComponent().grabFocus()
memo1.setCaretOffset(5)
pump(lambda: ("text-caret-moved", 5) in told)
for keys, want in (("x", [("text-changed:insert", 5), ("text-caret-moved", 6)]),
                   ("BackSpace", [("text-changed:delete", 5), ("text-caret-moved", 5)]),
                   ("Return", [("text-changed:insert", 5), ("text-caret-moved", 6)]),
                   ("ctrl+z", [("text-changed:delete", 5), ("text-caret-moved", 5)]),
                   ("ctrl+shift+z", [("text-changed:insert", 5), ("text-caret-moved", 6)])):
    told.clear()
    subprocess.run(["xdotool", "key", keys], check=True)
    pump(lambda: len(told) >= len(want))
    check(f"told of {keys}", told, want)
print("ok: a screen reader reads the panes' text, caret, selection, words and lines, and edits,"
      " and is told of every change")
