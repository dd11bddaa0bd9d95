#!/usr/bin/python3
"""Waits for, or presses, a control of the running program as the accessibility tree shows it.
Run it inside ../shared/tools/with-desktop while the program is up.

  drive.py wait ROLE NAME [SECONDS]    exit 0 once a showing control has that role and name
  drive.py gone ROLE NAME [SECONDS]    exit 0 once no showing control has them
  drive.py press ROLE NAME [SECONDS]   waits for the control, then runs its first action

A NAME ending in * matches every name that starts with the rest. Exit status 1 on a timeout."""
import sys, time
import pyatspi


def matches(acc, role, name):
    if acc.getRoleName() != role:
        return False
    if name.endswith('*'):
        return (acc.name or '').startswith(name[:-1])
    return (acc.name or '') == name


def find(role, name):
    desk = pyatspi.Registry.getDesktop(0)
    found = []

    def walk(acc):
        try:
            if not acc.getState().contains(pyatspi.STATE_SHOWING):
                return
            if matches(acc, role, name):
                found.append(acc)
            for i in range(acc.childCount):
                child = acc.getChildAtIndex(i)
                if child is not None:
                    walk(child)
        except Exception:  # a widget can vanish while it is read
            pass

    for i in range(desk.childCount):
        app = desk.getChildAtIndex(i)
        if app is not None and 'yomida' in (app.name or '').lower():
            walk(app)
    return found


def main():
    command, role, name = sys.argv[1:4]
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 15
    deadline = time.time() + seconds
    while True:
        found = find(role, name)
        if command == 'gone' and not found:
            return 0
        if command in ('wait', 'press') and found:
            if command == 'press':
                try:
                    found[0].queryAction().doAction(0)
                except Exception:  # the reply is late when the press opens a modal dialog
                    pass
            return 0
        if time.time() > deadline:
            print('drive.py: timed out: %s %s "%s"' % (command, role, name), file=sys.stderr)
            return 1
        time.sleep(0.2)


sys.exit(main())
