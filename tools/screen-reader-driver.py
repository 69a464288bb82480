"""Drives orvexhd or orvexhd-preview over AT-SPI as a screen reader user does, by accessible role
and name only.

Run by tools/check-screen-reader inside tools/screen-reader-session, against the simulated camera.
Prints what it meets, one line each, so that two builds can be compared line for line; exits
non-zero when the program is not on the desktop, a control is missing or has no name, or an
action has no effect.
"""
import os
import re
import sys

import pyatspi
import screen_reader as reader
from gi.repository import GLib

# The roles of what an operator acts on or reads, and the page tabs the window is navigated by.
CONTROL_ROLES = {'push button', 'check box', 'slider', 'spin button', 'combo box', 'text',
                 'page tab'}
SIMULATED_PORT = 'SIM1'


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def spoken_name(control):
    """What a listener hears a control called. On X11, Qt names a list by its current entry and
    links the label beside it, which a screen reader speaks first."""
    if control.getRoleName() == 'combo box':
        for relation in control.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                return relation.getTarget(0).name
    return control.name


def find_spoken(root, role, name, timeout=10.0):
    return reader.find(root, role, pred=lambda o: spoken_name(o) == name, timeout=timeout,
                       what='%s %r' % (role, name))


def log_lines(log):
    return [line for line in reader.read_text(log).split('\n') if line]


def focused_control(window, roles=CONTROL_ROLES - {'page tab'}):
    """The control that has the keyboard focus. The tab of the page shown reports focus whatever
    has it, so tabs are left out."""
    focused = reader.find_all(window, pred=lambda o: o.getRoleName() in roles
                              and o.getState().contains(pyatspi.STATE_FOCUSED))
    return spoken_name(focused[0]) if len(focused) == 1 else None


def press_until(button, effect, what):
    """Presses a button and waits for its effect: Qt answers a Press action by clicking the button
    a moment later."""
    reader.press(button)
    return reader.wait_for(effect, 10, what='%s after pressing %s' % (what, button.name))


def focus_moved_from(window, previous, roles=CONTROL_ROLES - {'page tab'}):
    now = focused_control(window, roles)
    return now if now not in (None, previous) else None


def main():
    app = reader.program()
    window = reader.find(app, 'frame', timeout=30)
    print('window: %s' % window.name)

    log = find_spoken(window, 'text', 'Operation log')
    ports = find_spoken(window, 'combo box', 'Serial port')
    press_until(find_spoken(window, 'push button', 'Scan Devices'),
                lambda: SIMULATED_PORT in reader.entries(ports),
                'the simulated camera in the port list')
    # Only the simulated camera is ever chosen: the machine's own ports come first in the list,
    # and are only passed over.
    if reader.choose(ports, SIMULATED_PORT) != SIMULATED_PORT:
        fail('the port list does not show ' + SIMULATED_PORT)
    print('port chosen: %s' % ports.name)

    press_until(find_spoken(window, 'push button', 'Connect'),
                lambda: reader.find_all(window, 'page tab', 'IA control'), 'the IA control tab')
    press_until(find_spoken(window, 'push button', 'Clear Log'), lambda: not log_lines(log),
                'an empty log')
    press_until(find_spoken(window, 'push button', 'Read'), lambda: log_lines(log),
                'the read-back in the log')
    print('Read logged %d lines, the first: %s' % (len(log_lines(log)), log_lines(log)[0]))

    slider = find_spoken(window, 'slider', 'Gamma correction slider')
    box = find_spoken(window, 'spin button', 'Gamma Correction')
    value = slider.queryValue()
    before = reader.get_value(box)
    wanted = value.minimumValue + (value.maximumValue - value.minimumValue) * 3 // 4
    print('gamma slider from %g to %g at %g, box %g' % (
        value.minimumValue, value.maximumValue, value.currentValue, before))
    reader.set_value(slider, wanted)
    reader.wait_for(lambda: reader.get_value(box) != before, 5,
                    what='the gamma box to follow its slider')
    print('gamma slider set to %g, box %g' % (reader.get_value(slider), reader.get_value(box)))

    reader.focus(slider)
    stops = [focused_control(window)]
    for _ in range(4):
        reader.key('Tab')
        stops.append(reader.wait_for(lambda: focus_moved_from(window, stops[-1]), 5,
                                     what='Tab to move the focus on from %s' % stops[-1]))
    print('Tab: %s' % ' > '.join(stops))

    controls = [(control.getRoleName(), spoken_name(control)) for control in
                reader.find_all(window, pred=lambda o: o.getRoleName() in CONTROL_ROLES)]
    print('%d controls:' % len(controls))
    for role, name in controls:
        print('  %s: %s' % (role, name))
    unnamed = [role for role, name in controls if not name]
    if unnamed:
        fail('controls without a name: %s' % ', '.join(unnamed))


# The preview's picture is a plain widget, which Qt gives the role of a filler.
PREVIEW_ROLES = {'combo box', 'check box', 'filler', 'list'}
PREVIEW_STOPS = ['Palette', 'Scale', 'Overlays', 'Colour scale', 'Histogram', 'Camera picture']


def preview_main():
    """orvexhd-preview: its window by title, Tab through its controls, and the probe's readout
    told to the screen reader as the arrow keys move the probe."""
    told = []
    # Before the program is met: Qt tells only what some listener has asked for.
    pyatspi.Registry.registerEventListener(
        lambda event: told.append(event.source.description),
        'object:property-change:accessible-description')

    def told_readout():
        while GLib.MainContext.default().iteration(False):
            pass
        return [text for text in told if re.fullmatch(r'x \d+, y \d+: .*level \d+', text)]

    app = reader.program()
    window = reader.find(app, 'frame', timeout=30)
    print('window: %s' % window.name)
    if window.name != 'Orvex HD preview: ' + SIMULATED_PORT:
        fail('the preview is not titled for ' + SIMULATED_PORT)

    # The preview's labels end in a colon, which a screen reader does not speak.
    reader.focus(reader.find(window, 'combo box',
                             pred=lambda o: spoken_name(o).rstrip(':') == 'Palette',
                             what="the combo box 'Palette'"))
    stops = [focused_control(window, PREVIEW_ROLES)]
    for _ in PREVIEW_STOPS[1:]:
        reader.key('Tab')
        stops.append(reader.wait_for(lambda: focus_moved_from(window, stops[-1], PREVIEW_ROLES),
                                     5, what='Tab to move the focus on from %s' % stops[-1]))
    stops = [stop.rstrip(':') for stop in stops]
    print('Tab: %s' % ' > '.join(stops))
    if stops != PREVIEW_STOPS:
        fail('Tab does not go through %s' % ' > '.join(PREVIEW_STOPS))

    reader.key('Right')
    readout = reader.wait_for(told_readout, 5, what="the probe's readout told")[-1]
    # The figures change with every frame; what is told, and where, does not.
    print('arrow key: told "%s"' % re.sub(r'(count|level) \d+', r'\1 N', readout))


if __name__ == '__main__':
    try:
        if os.environ['PROGRAM_NAME'] == 'orvexhd-preview':
            preview_main()
        else:
            main()
    except (TimeoutError, LookupError, ValueError, RuntimeError) as error:
        fail(str(error))
