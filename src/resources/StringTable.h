#pragma once

#include <QString>
#include <QList>

// Every text the user sees, by its number. A message can be traced from the screen to its
// number in one step, and the numbers stay those the texts always had. The texts are kept as
// they always read, spelling included, since users and translations know them so.
//
// Where the texts are used:
//   6-7        the soft keys of the main window
//   13-14      opening items; the caption of every error box
//   27         sending by e-mail
//   29-48      copy, paste, shortcuts, menu labels, new item and rename
//   60-76      infrared receive and send; properties
//   81-115     search, reveal, zip creation and extraction, run
//   116-132    open with, favorites, the selection and zip checks
//   136-147    sending over OBEX, the size texts of the bands, the status bar
//   149-164    favorites and the file type manager
//   168-184    encryption, the status bar of cards, the title, show hidden, e-mail, OBEX
// A few texts (48, 72, 75, 76, 81, 115, 130, 140) are our own wording for messages whose
// number was all that was known of them.
namespace Str {

enum Id : int {
    File = 6,
    Edit = 7,
    OpenFailed = 13,
    ErrorCaption = 14,
    EmailFormFailed = 27,
    CopyOfPrefix = 29,
    SourceIsDestination = 30,
    ShortcutToPrefix = 31,
    SelectItem = 32,
    DeselectItem = 33,
    ShortcutFailed = 35,
    Confirm = 37,
    Done = 42,
    FolderCreationFailed = 46,
    InvalidName = 47,
    NameExists = 48,
    InfraredPortFailed = 60,
    OverwriteReceived = 64,
    ReceivingFile = 65,
    ReceiveDone = 66,
    SendingData = 68,
    SendReadFailed = 69,
    SendRefused = 70,
    FileSent = 71,
    PropertiesItemNotFound = 72,
    PropertiesInRom = 75,
    FileAttributesFailed = 76,
    FolderAttributesFailed = 81,
    SearchThreadFailed = 87,
    FoundItems = 88,
    SearchWholePhone = 91,
    SearchInFolder = 92,
    SearchCriteriaMissing = 93,
    SearchColumnName = 94,
    SearchColumnFolder = 95,
    RevealNotFound = 96,
    ConnectFailed = 98,
    ZipCreateFailed = 99,
    ZipSomeFilesFailed = 100,
    ZipSourceUnreadable = 101,
    ZipOverwrite = 102,
    TemporaryArchiveNotDeleted = 103,
    ZipOpenFailed = 104,
    ZipListFailed = 105,
    EmailZipNotice = 106,
    NewArchive = 107,
    UnzipTo = 108,
    UnzipToPrompt = 109,
    SelectionLabel = 112,
    RunCommandMissing = 115,
    OpenWithNoApplication = 116,
    Informations = 117,
    OpenWithNote = 118,
    OpenWithRemoveQuestion = 119,
    FavoritesColumnName = 121,
    FavoritesColumnPath = 122,
    OpenWithColumnApplication = 123,
    PickerFolderNotApplication = 125,
    AddApplication = 126,
    AddApplicationPrompt = 127,
    PartOfSelectedFolder = 128,
    PasteIntoItself = 129,
    ZipIntoSelection = 130,
    TemporaryArchiveInSelection = 131,
    FavoriteRemoveQuestion = 132,
    SelectDevice = 136,
    ObexInitFailed = 137,
    ObexEnumerationFailed = 138,
    ViaInfrared = 139,
    ViaBluetooth = 140,
    SizeBytes = 141,
    SizeKilobytes = 142,
    SizeMegabytes = 143,
    FolderCounts = 144,
    BluetoothInactive = 145,
    Calculating = 147,
    FavoriteNotChosen = 149,
    FileTypeChooseApplication = 154,
    FileTypeProperties = 155,
    FileTypeIconNote = 156,
    FileTypeColumnExtension = 157,
    FileTypeColumnDescription = 158,
    FileTypeNoIcon = 159,
    FileTypeNoExtension = 160,
    FileTypeProtected = 161,
    FileTypeNoCommand = 162,
    FileTypeRemoveQuestion = 163,
    FileTypeDeleteFailed = 164,
    BluetoothAndMmsBuild = 168,
    Crypt = 169,
    Decrypt = 170,
    PasswordsDiffer = 171,
    WrongPassword = 172,
    CardSize = 173,
    CardFree = 174,
    AppTitle = 175,
    ResetViewQuestion = 176,
    DecryptFailed = 177,
    PasswordMissing = 178,
    CryptFailed = 179,
    AlreadySelectedByParent = 180,
    NoEmailAccount = 181,
    ObexReloadNeeded = 182,
    SendAFile = 184,
};

// The text of a number; empty for a number the table does not have.
QString text(int id);
bool has(int id);
QList<int> ids();

// The texts carry printf-style places. These fill them in one left-to-right pass, so an
// argument that itself holds "%s" or "%d" is inserted as it stands and never read again.
QString arg(int id, const QString& value);                 // one "%s"
QString argInt(int id, qint64 value);                      // one "%d"
QString argInts(int id, qint64 first, qint64 second);      // two "%d"
QString argReal(int id, double value);                     // one "%.Nf", with its precision

}  // namespace Str
