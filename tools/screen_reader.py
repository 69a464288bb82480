"""What a screen reader does over AT-SPI, for tools/screen-reader-driver.py: it finds a program's
controls by role and name, reads them, acts on them, and types keys into the window that has the
keyboard.

Runs inside tools/screen-reader-session, which starts the program and names it in PROGRAM_PID and
PROGRAM_NAME. There is no window manager on that display, so a window gets the keyboard only
when it is given it (xdotool); until then Qt sends it no key and no focus change.
"""
import os
import subprocess
import time

import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

# A program busy with its camera answers later than AT-SPI's own 0.8 s allow.
Atspi.set_timeout(5000, 15000)


def wait_for(condition, timeout, what):
    """condition()'s first true answer within timeout seconds. A control asked about while Qt
    builds or removes it answers with an error, which counts as no answer yet."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            answer = condition()
            if answer:
                return answer
        except (GLib.Error, LookupError, NotImplementedError, AttributeError):
            pass
        if time.monotonic() > deadline:
            raise TimeoutError('no %s within %g s' % (what, timeout))
        time.sleep(0.1)


def children(accessible):
    found = (accessible.getChildAtIndex(index) for index in range(accessible.childCount))
    return [child for child in found if child is not None]


def descendants(root):
    """root and everything in it, in reading order."""
    waiting = [root]
    while waiting:
        accessible = waiting.pop()
        yield accessible
        try:
            waiting.extend(reversed(children(accessible)))
        except GLib.Error:
            pass


def find_all(root, role=None, name=None, pred=None):
    """What root holds of the role ('push button'), the name and the predicate, each if given."""
    found = []
    for accessible in descendants(root):
        try:
            if ((role is None or accessible.getRoleName() == role) and
                    (name is None or accessible.name == name) and
                    (pred is None or pred(accessible))):
                found.append(accessible)
        except GLib.Error:
            pass
    return found


def find(root, role=None, name=None, pred=None, timeout=5.0, what=None):
    """The first of find_all(), waiting for it to appear."""
    return wait_for(lambda: next(iter(find_all(root, role, name, pred)), None), timeout,
                    what or '%s %r' % (role, name))


def program(timeout=30.0):
    """The program's application on the desktop, once it shows a window."""
    process = int(os.environ['PROGRAM_PID'])

    def shown():
        for application in children(pyatspi.Registry.getDesktop(0)):
            if application.get_process_id() == process and application.childCount > 0:
                return application
        return None
    return wait_for(shown, timeout, 'window of %s' % os.environ['PROGRAM_NAME'])


def has_state(accessible, state):
    accessible.clearCache()
    return accessible.getState().contains(state)


def window_of(accessible):
    while accessible.parent is not None and accessible.parent.getRole() != pyatspi.ROLE_APPLICATION:
        accessible = accessible.parent
    return accessible


def xdotool(*arguments):
    return subprocess.run(['xdotool'] + [str(argument) for argument in arguments],
                          capture_output=True, text=True).stdout.split('\n')


def give_keyboard(window, timeout=5.0):
    """Gives the window the keyboard, as clicking it on a desktop would."""
    if has_state(window, pyatspi.STATE_ACTIVE):
        return

    def x_window():
        for candidate in xdotool('search', '--onlyvisible', '--pid', window.get_process_id()):
            if candidate and xdotool('getwindowname', candidate)[0] == window.name:
                return candidate
        return None
    xdotool('windowfocus', '--sync', wait_for(x_window, timeout, 'X window %r' % window.name))
    wait_for(lambda: has_state(window, pyatspi.STATE_ACTIVE), timeout,
             'window %r active' % window.name)


def focus(control, timeout=5.0, most_tabs=100):
    """Gives the control the keyboard focus through AT-SPI, or else by Tab as a keyboard user
    does: Qt 5's combo boxes take no focus through AT-SPI."""
    give_keyboard(window_of(control), timeout)

    def focused():
        return has_state(control, pyatspi.STATE_FOCUSED)
    if focused():
        return
    control.queryComponent().grabFocus()
    try:
        wait_for(focused, 1, 'focus')
        return
    except TimeoutError:
        pass
    for _ in range(most_tabs):
        key('Tab')
        try:
            wait_for(focused, 0.5, 'focus')
            return
        except TimeoutError:
            pass
    raise TimeoutError('no focus on %s %r, by AT-SPI or by Tab'
                       % (control.getRoleName(), control.name))


def key(name):
    """Presses and releases a key (X's name for it: Tab, Right, Down) in the window that has the
    keyboard."""
    xdotool('key', name)


def press(button):
    """Presses a button through its action, as a screen reader's activate command does. Qt
    clicks the button a moment later, so the caller waits for the effect."""
    if not has_state(button, pyatspi.STATE_ENABLED):
        raise RuntimeError('%r is disabled' % button.name)
    actions = button.queryAction()
    names = [actions.getName(index) for index in range(actions.nActions)]
    if 'Press' not in names:
        raise LookupError('%r has the actions %s, no Press' % (button.name, names))
    actions.doAction(names.index('Press'))


def read_text(control):
    return control.queryText().getText(0, -1)


def get_value(control):
    return control.queryValue().currentValue


def set_value(control, value):
    control.queryValue().currentValue = float(value)


def entries(combo):
    """The names of a list's entries, which Qt shows in a list inside the combo box."""
    lists = find_all(combo, 'list')
    if not lists:
        raise LookupError('the combo box %r holds no list' % combo.name)
    return [entry.name for entry in children(lists[0])]


def choose(combo, entry, timeout=5.0):
    """Chooses an entry as a keyboard user does: the list's first entry (Home), then the next
    (Down) until the list names the one wanted. Returns the name the list then has."""
    focus(combo, timeout)

    def named():
        combo.clearCache()
        return combo.name
    key('Home')
    wait_for(lambda: named() == entries(combo)[0], timeout, 'the first entry of %r' % combo.name)
    while named() != entry:
        before = named()
        key('Down')
        try:
            wait_for(lambda: named() != before, timeout, 'the next entry after %r' % before)
        except TimeoutError:
            raise LookupError('the list ends at %r without %r' % (before, entry))
    return named()
