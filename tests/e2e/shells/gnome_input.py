#!/usr/bin/python3
"""Real input on GNOME Shell through Mutter's remote desktop interface (no
pointer or keyboard reaches a Wayland shell from outside otherwise).

Usage: gnome_input.py click W H X Y   a click of the first button at X, Y
       gnome_input.py menu NAME       the program NAME started from the
                                      Activities overview's search
The pointer moves only relatively: it is pushed into the bottom right
corner of the W x H screen first, far from the top left corner whose
barrier would bend the way, then moved to X, Y.
"""
import sys
import time

from gi.repository import Gio, GLib

SESSION = 'org.gnome.Mutter.RemoteDesktop.Session'
BTN_LEFT = 0x110
KEY_RETURN = 0xff0d


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)

    def call(path, iface, method, args=None, reply=None, name='org.gnome.Mutter.RemoteDesktop'):
        return bus.call_sync(name, path, iface, method, args,
                             GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE, 5000, None)

    def send(method, *args, signature):
        call(session, SESSION, method, GLib.Variant(signature, args))

    session = call('/org/gnome/Mutter/RemoteDesktop', 'org.gnome.Mutter.RemoteDesktop', 'CreateSession',
                   None, '(o)').unpack()[0]
    call(session, SESSION, 'Start')
    try:
        if sys.argv[1] == 'click':
            w, h, x, y = (int(a) for a in sys.argv[2:6])
            send('NotifyPointerMotionRelative', 2.0 * w, 2.0 * h, signature='(dd)')
            steps = 10
            for _ in range(steps):
                time.sleep(0.03)
                send('NotifyPointerMotionRelative', (x - (w - 1)) / steps, (y - (h - 1)) / steps,
                     signature='(dd)')
            time.sleep(0.2)
            for pressed in (True, False):
                send('NotifyPointerButton', BTN_LEFT, pressed, signature='(ib)')
                time.sleep(0.1)
        else:
            call('/org/gnome/Shell', 'org.freedesktop.DBus.Properties', 'Set',
                 GLib.Variant('(ssv)', ('org.gnome.Shell', 'OverviewActive', GLib.Variant('b', True))),
                 name='org.gnome.Shell')
            time.sleep(1)
            for key in [ord(c) for c in sys.argv[2]]:
                for pressed in (True, False):
                    send('NotifyKeyboardKeysym', key, pressed, signature='(ub)')
                    time.sleep(0.02)
            time.sleep(1.5)  # the search's results
            for pressed in (True, False):
                send('NotifyKeyboardKeysym', KEY_RETURN, pressed, signature='(ub)')
                time.sleep(0.05)
            time.sleep(0.5)
    finally:
        call(session, SESSION, 'Stop')
    return 0


if __name__ == '__main__':
    sys.exit(main())
