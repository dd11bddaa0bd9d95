#!/usr/bin/python3
"""Presses keys in the running program and reports where the keyboard focus is after each, as
the accessibility bus announces it. Run it inside ../shared/tools/with-desktop while the program
is up and its window is active.

  focus.py KEY...     KEY as xdotool names it (Tab, shift+Tab, F6, ctrl+f, Down)

Prints one line per key: the key, a tab, then the role and name of the focused control and of
the control holding it, for example `F6<TAB>tree "検索対象" in split pane "一覧"`. A key after which no control took the focus prints the control
that held it before."""
import subprocess, sys
import pyatspi
from gi.repository import GLib

focused = ['(none)']


def on_focus(event):
    if event.detail1 != 1:
        return
    try:
        source = event.source
        parent = source.parent
        focused[0] = '%s "%s" in %s "%s"' % (source.getRoleName(), source.name or '',
                                             parent.getRoleName() if parent else '',
                                             (parent.name if parent else '') or '')
    except Exception:  # a control can vanish while it is read
        pass


keys = sys.argv[1:]
pressed = []


def step():
    if pressed:
        print('%s\t%s' % (pressed[-1], focused[0]), flush=True)
    if len(pressed) == len(keys):
        pyatspi.Registry.stop()
        return False
    key = keys[len(pressed)]
    pressed.append(key)
    subprocess.run(['xdotool', 'key', key], check=True)
    return True


pyatspi.Registry.registerEventListener(on_focus, 'object:state-changed:focused')
# A key can start a display that loads a list; its focus moves settle well within this time.
GLib.timeout_add(800, step)
pyatspi.Registry.start()
