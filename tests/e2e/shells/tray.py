#!/usr/bin/python3
"""The notification area as the panel sees it: the StatusNotifierItem that
process PID registered with the panel's watcher, and its menu.

Usage: tray.py item PID    prints the item's address; fails without one
       tray.py show PID    clicks the menu's first entry, which shows the window
"""
import sys

from gi.repository import Gio, GLib


def call(bus, name, path, iface, method, args=None, reply=None):
    return bus.call_sync(name, path, iface, method, args, GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()


def find_item(bus, pid):
    items = call(bus, 'org.kde.StatusNotifierWatcher', '/StatusNotifierWatcher', 'org.freedesktop.DBus.Properties',
                 'Get', GLib.Variant('(ss)', ('org.kde.StatusNotifierWatcher', 'RegisteredStatusNotifierItems')),
                 '(v)')[0]
    for item in items:
        name, _, path = item.partition('/')
        owner = call(bus, 'org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                     'GetConnectionUnixProcessID', GLib.Variant('(s)', (name,)), '(u)')[0]
        if owner == pid:
            return name, '/' + path
    raise LookupError(f'no item of process {pid} among {items}')


def main():
    command, pid = sys.argv[1], int(sys.argv[2])
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    try:
        name, path = find_item(bus, pid)
    except (GLib.Error, LookupError) as error:
        print(error, file=sys.stderr)
        return 1
    if command == 'item':
        print(name + path)
        return 0
    menu = call(bus, name, path, 'org.freedesktop.DBus.Properties', 'Get',
                GLib.Variant('(ss)', ('org.kde.StatusNotifierItem', 'Menu')), '(v)')[0]
    _, layout = call(bus, name, menu, 'com.canonical.dbusmenu', 'GetLayout',
                     GLib.Variant('(iias)', (0, -1, ['label'])), '(u(ia{sv}av))')
    entries = [child for child in layout[2] if child[1].get('label')]
    if not entries:
        print(f'the menu is empty: {layout}', file=sys.stderr)
        return 1
    print('menu: ' + ', '.join(child[1]['label'] for child in entries))
    call(bus, name, menu, 'com.canonical.dbusmenu', 'Event',
         GLib.Variant('(isvu)', (entries[0][0], 'clicked', GLib.Variant('i', 0), 0)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
