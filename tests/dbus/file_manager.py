'''Another file manager that owns org.freedesktop.FileManager1, a python-dbusmock template'''

BUS_NAME = 'org.freedesktop.FileManager1'
MAIN_OBJ = '/org/freedesktop/FileManager1'
MAIN_IFACE = 'org.freedesktop.FileManager1'
SYSTEM_BUS = False


def load(mock, _parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('ShowFolders', 'ass', '', ''),
        ('ShowItems', 'ass', '', ''),
        ('ShowItemProperties', 'ass', '', ''),
    ])
