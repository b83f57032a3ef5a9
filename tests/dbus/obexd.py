'''obexd as Fennick's tests meet it, a python-dbusmock template

Client1 makes Object Push sessions; a session's ObjectPush1.SendFile makes a Transfer1 whose
course the "transfers" parameter sets: "complete" (the file goes whole), "hold" (it stays
active at half until Transfer1.Cancel) or "refuse" (the device says no). AgentManager1 takes
agents; a push from a device is made by the test with the mock's AddPush(name, size), whose
Transfer1 the test then moves along with dbusmock's UpdateProperties. Every call is in
dbusmock's log, which the tests read.
'''

import os

import dbus

from dbusmock import mockobject

BUS_NAME = 'org.bluez.obex'
MAIN_OBJ = '/'
SYSTEM_BUS = False
IS_OBJECT_MANAGER = True

CLIENT_IFACE = 'org.bluez.obex.Client1'
SESSION_IFACE = 'org.bluez.obex.Session1'
PUSH_IFACE = 'org.bluez.obex.ObjectPush1'
TRANSFER_IFACE = 'org.bluez.obex.Transfer1'
AGENT_MANAGER_IFACE = 'org.bluez.obex.AgentManager1'
ERROR = 'org.bluez.obex.Error'

COURSE = {'transfers': 'complete'}


def load(mock, parameters):
    COURSE.update(parameters or {})
    mock.AddObject('/org/bluez/obex', CLIENT_IFACE, {}, [
        ('CreateSession', 'sa{sv}', 'o', CreateSession),
        ('RemoveSession', 'o', '', RemoveSession),
    ])
    mockobject.objects['/org/bluez/obex'].AddMethods(AGENT_MANAGER_IFACE, [
        ('RegisterAgent', 'o', '', ''),
        ('UnregisterAgent', 'o', '', ''),
    ])
    mock.AddMethods('org.bluez.obex.Mock', [('AddPush', 'st', 'o', AddPush)])


def AddPush(self, name, size):
    number = 0
    while f'/org/bluez/obex/server/session0/transfer{number}' in mockobject.objects:
        number += 1
    path = f'/org/bluez/obex/server/session0/transfer{number}'
    self.AddObject(path, TRANSFER_IFACE, {
        'Status': dbus.String('queued', variant_level=1),
        'Session': dbus.ObjectPath('/org/bluez/obex/server/session0', variant_level=1),
        'Name': dbus.String(name, variant_level=1),
        'Size': dbus.UInt64(size, variant_level=1),
        'Transferred': dbus.UInt64(0, variant_level=1),
        'Filename': dbus.String('', variant_level=1),
    }, [('Cancel', '', '', Cancel)])
    return dbus.ObjectPath(path)


def _changed(path, properties):
    mockobject.objects[path].EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                                        [TRANSFER_IFACE, properties, []])


def CreateSession(self, destination, args):
    if str(args.get('Target', '')).lower() != 'opp':
        raise dbus.exceptions.DBusException('Only Object Push here', name=ERROR + '.InvalidArguments')
    number = 0
    while f'/org/bluez/obex/client/session{number}' in mockobject.objects:
        number += 1
    path = f'/org/bluez/obex/client/session{number}'
    properties = {
        'Destination': dbus.String(destination, variant_level=1),
        'Target': dbus.String('00001105-0000-1000-8000-00805f9b34fb', variant_level=1),
    }
    self.AddObject(path, SESSION_IFACE, properties, [])
    mockobject.objects[path].AddMethods(PUSH_IFACE, [('SendFile', 's', 'oa{sv}', SendFile)])
    return dbus.ObjectPath(path)


def RemoveSession(self, path):
    for transfer in [p for p in mockobject.objects if p.startswith(path + '/')]:
        self.RemoveObject(transfer)
    self.RemoveObject(path)


def SendFile(self, source):
    if not os.path.isfile(source):
        raise dbus.exceptions.DBusException(f'{source} cannot be read', name=ERROR + '.Failed')
    number = 0
    while f'{self.path}/transfer{number}' in mockobject.objects:
        number += 1
    path = f'{self.path}/transfer{number}'
    size = os.path.getsize(source)
    properties = {
        'Status': dbus.String('queued', variant_level=1),
        'Session': dbus.ObjectPath(self.path, variant_level=1),
        'Name': dbus.String(os.path.basename(source), variant_level=1),
        'Size': dbus.UInt64(size, variant_level=1),
        'Transferred': dbus.UInt64(0, variant_level=1),
        'Filename': dbus.String(source, variant_level=1),
    }
    self.AddObject(path, TRANSFER_IFACE, properties, [('Cancel', '', '', Cancel)])
    # The transfer's course is announced before SendFile answers, as a fast obexd may do.
    course = COURSE['transfers']
    _changed(path, {'Status': dbus.String('active', variant_level=1),
                    'Transferred': dbus.UInt64(size // 2, variant_level=1)})
    if course == 'complete':
        _changed(path, {'Status': dbus.String('complete', variant_level=1),
                        'Transferred': dbus.UInt64(size, variant_level=1)})
    elif course == 'refuse':
        _changed(path, {'Status': dbus.String('error', variant_level=1)})
    return (dbus.ObjectPath(path), properties)


def Cancel(self):
    _changed(self.path, {'Status': dbus.String('error', variant_level=1)})
