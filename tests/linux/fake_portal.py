#!/usr/bin/python3
"""A desktop portal with only global shortcuts, on the bus of DBUS_SYSTEM_BUS_ADDRESS.

Each request is answered at once with success. The test interface org.nvx.FakePortal
presses every bound shortcut, also as if bound in the session path it is given (when not
empty), and tells what was bound (Press).
"""
from gi.repository import Gio, GLib

PORTAL = '/org/freedesktop/portal/desktop'
XML = '''<node>
<interface name="org.freedesktop.portal.GlobalShortcuts">
  <method name="CreateSession">
    <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="BindShortcuts">
    <arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/>
    <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
    <arg type="o" direction="out"/></method>
  <signal name="Activated">
    <arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
</interface>
<interface name="org.nvx.FakePortal">
  <method name="Press">
    <arg type="s" direction="in"/><arg type="s" direction="out"/></method>
</interface>
</node>'''

bus = Gio.bus_get_sync(Gio.BusType.SYSTEM)
bound = []  # (session, shortcuts) per BindShortcuts


def respond(sender, token, results):
    """Returns the request path and answers on it once the reply is out."""
    path = '%s/request/%s/%s' % (PORTAL, sender[1:].replace('.', '_'), token)
    GLib.idle_add(lambda: bus.emit_signal(
        None, path, 'org.freedesktop.portal.Request', 'Response',
        GLib.Variant('(ua{sv})', (0, results))) and False)
    return GLib.Variant('(o)', (path,))


def call(connection, sender, path, interface, method, args, invocation):
    if method == 'CreateSession':
        session = '%s/session/%s/%s' % (PORTAL, sender[1:].replace('.', '_'),
                                        args[0]['session_handle_token'])
        invocation.return_value(respond(sender, args[0]['handle_token'],
                                        {'session_handle': GLib.Variant('s', session)}))
    elif method == 'BindShortcuts':
        shortcuts = args.get_child_value(1)
        bound.append((args[0], shortcuts))
        invocation.return_value(respond(sender, args[3]['handle_token'],
                                        {'shortcuts': shortcuts}))
    elif method == 'Press':
        for session, shortcuts in bound:
            for path in filter(None, (session, args[0])):
                for shortcut_id, _ in shortcuts.unpack():
                    bus.emit_signal(None, PORTAL, 'org.freedesktop.portal.GlobalShortcuts',
                                    'Activated', GLib.Variant('(osta{sv})',
                                                              (path, shortcut_id, 0, {})))
        text = ' '.join('%s %s' % (s, shortcuts.print_(False)) for s, shortcuts in bound)
        invocation.return_value(GLib.Variant('(s)', (text,)))


for interface in Gio.DBusNodeInfo.new_for_xml(XML).interfaces:
    bus.register_object(PORTAL, interface, call, None, None)
Gio.bus_own_name_on_connection(bus, 'org.freedesktop.portal.Desktop',
                               Gio.BusNameOwnerFlags.NONE, None, None)
GLib.MainLoop().run()
