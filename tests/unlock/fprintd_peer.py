'''fprintd peer for the nvx-unlock tests, as a python-dbusmock template.

Parameters (JSON, all optional):
  "device":    true for a default device (default false: NoSuchDevice)
  "fingers":   the enrolled fingers of the caller (default none: NoEnrolledPrints)

Like fprintd, ListEnrolledFingers refuses another user's name; the caller passes "" for itself.
'''

import dbus

BUS_NAME = 'net.reactivated.Fprint'
MAIN_OBJ = '/net/reactivated/Fprint/Manager'
MAIN_IFACE = 'net.reactivated.Fprint.Manager'
SYSTEM_BUS = True

DEVICE_OBJ = '/net/reactivated/Fprint/Device/0'
DEVICE_IFACE = 'net.reactivated.Fprint.Device'
ERROR = 'net.reactivated.Fprint.Error.'


def fail(error, message):
    return f'raise dbus.exceptions.DBusException({message!r}, name={ERROR + error!r})'


def load(mock, parameters):
    if not parameters.get('device', False):
        mock.AddMethod(MAIN_IFACE, 'GetDefaultDevice', '', 'o', fail('NoSuchDevice', 'No devices available'))
        return
    mock.AddMethod(MAIN_IFACE, 'GetDefaultDevice', '', 'o', f'ret = {DEVICE_OBJ!r}')

    fingers = parameters.get('fingers', [])
    if fingers:
        out, answer = 'as', f'ret = {fingers!r}'
    else:
        out, answer = 'as', fail('NoEnrolledPrints', 'Failed to discover prints')
    code = f'if args[0] != "":\n    {fail("PermissionDenied", "Not Authorized")}\n{answer}'
    mock.AddObject(DEVICE_OBJ, DEVICE_IFACE,
                   {'name': 'Test reader', 'scan-type': 'press', 'num-enroll-stages': dbus.Int32(5)},
                   [('ListEnrolledFingers', 's', out, code)])
