#!/usr/bin/python3
"""GNOME Shell's own screenshot of the whole screen into FILE. The shell
serves its screenshot interface only to the owner of org.gnome.Screenshot, so
this takes that name first. With --leave-overview it first ends the
Activities overview the shell starts in.

Usage: gnome_shot.py [--leave-overview] FILE
"""
import sys
import time

from gi.repository import Gio, GLib


def main():
    args = sys.argv[1:]
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    if args and args[0] == '--leave-overview':
        args.pop(0)
        bus.call_sync('org.gnome.Shell', '/org/gnome/Shell', 'org.freedesktop.DBus.Properties', 'Set',
                      GLib.Variant('(ssv)', ('org.gnome.Shell', 'OverviewActive', GLib.Variant('b', False))),
                      None, Gio.DBusCallFlags.NONE, 5000)
        time.sleep(0.5)  # the overview's closing animation
    if not args:
        return 0
    reply = bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                          'RequestName', GLib.Variant('(su)', ('org.gnome.Screenshot', 4)),
                          GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, 5000)
    if reply.unpack()[0] != 1:
        print('org.gnome.Screenshot is taken', file=sys.stderr)
        return 1
    ok, _ = bus.call_sync('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot',
                          'org.gnome.Shell.Screenshot', 'Screenshot',
                          GLib.Variant('(bbs)', (False, False, args[0])),
                          GLib.VariantType('(bs)'), Gio.DBusCallFlags.NONE, 20000).unpack()
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
