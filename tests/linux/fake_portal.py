#!/usr/bin/python3
"""A desktop portal with only global shortcuts, on the bus of DBUS_SYSTEM_BUS_ADDRESS.

Each request is answered at once with success. With --hold each Response waits for the
test, and with --silent the calls are not even returned. With --plasma, as Plasma 5.27's,
the shortcuts offered in CreateSession are bound there, and BindShortcuts binds nothing but
opens a settings window (Press tells of each). The test interface org.nvx.FakePortal
presses every bound shortcut, also as if bound in the session path it is given (when not
empty), and tells what was bound (Press); tells the oldest held request's path (Held), and
sends its Response with a code on a path (Answer): on its own path ("") it is sent for good.
"""
import sys

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
  <method name="Held"><arg type="s" direction="out"/></method>
  <method name="Answer"><arg type="u" direction="in"/><arg type="s" direction="in"/></method>
</interface>
</node>'''

bus = Gio.bus_get_sync(Gio.BusType.SYSTEM)
mode = sys.argv[1] if len(sys.argv) > 1 else ''
bound = []  # (session, shortcuts) per BindShortcuts answered with success
held = []  # (path, results, binding) per Response not yet sent for good
unanswered = []  # the calls that --silent keeps
windows = []  # the sessions --plasma opened its settings for


def respond(invocation, sender, token, results, binding=None):
    """Returns the request path, and answers on it once the reply is out unless held."""
    path = '%s/request/%s/%s' % (PORTAL, sender[1:].replace('.', '_'), token)
    held.append((path, results, binding))
    if mode in ('', '--plasma'):
        GLib.idle_add(answer, 0, '')
    if mode == '--silent':
        unanswered.append(invocation)
    else:
        invocation.return_value(GLib.Variant('(o)', (path,)))


def answer(code, path):
    own, results, binding = held[0] if path else held.pop(0)
    if binding and code == 0 and not path:
        bound.append(binding)
    bus.emit_signal(None, path or own, 'org.freedesktop.portal.Request', 'Response',
                    GLib.Variant('(ua{sv})', (code, results)))


def call(connection, sender, path, interface, method, args, invocation):
    if method == 'CreateSession':
        session = '%s/session/%s/%s' % (PORTAL, sender[1:].replace('.', '_'),
                                        args[0]['session_handle_token'])
        results, binding = {}, None
        offered = args.get_child_value(0).lookup_value('shortcuts', None)
        if mode == '--plasma' and offered:  # before the handle, as Plasma's
            results['shortcuts'], binding = offered, (session, offered)
        results['session_handle'] = GLib.Variant('s', session)
        respond(invocation, sender, args[0]['handle_token'], results, binding)
    elif method == 'BindShortcuts' and mode == '--plasma':
        windows.append(args[0])
        respond(invocation, sender, args[3]['handle_token'],
                {'shortcuts': GLib.Variant('a(sa{sv})', [])})
    elif method == 'BindShortcuts':
        shortcuts = args.get_child_value(1)
        respond(invocation, sender, args[3]['handle_token'], {'shortcuts': shortcuts},
                (args[0], shortcuts))
    elif method == 'Press':
        for session, shortcuts in bound:
            for path in filter(None, (session, args[0])):
                for shortcut_id, _ in shortcuts.unpack():
                    bus.emit_signal(None, PORTAL, 'org.freedesktop.portal.GlobalShortcuts',
                                    'Activated', GLib.Variant('(osta{sv})',
                                                              (path, shortcut_id, 0, {})))
        text = ' '.join('%s %s' % (s, shortcuts.print_(False)) for s, shortcuts in bound)
        text += ''.join(' and a settings window' for _ in windows)
        invocation.return_value(GLib.Variant('(s)', (text,)))
    elif method == 'Held':
        invocation.return_value(GLib.Variant('(s)', (held[0][0] if held else '',)))
    elif method == 'Answer':
        if held:
            answer(*args)
        invocation.return_value(None)


for interface in Gio.DBusNodeInfo.new_for_xml(XML).interfaces:
    bus.register_object(PORTAL, interface, call, None, None)
Gio.bus_own_name_on_connection(bus, 'org.freedesktop.portal.Desktop',
                               Gio.BusNameOwnerFlags.NONE, None, None)
GLib.MainLoop().run()
