#pragma once

#include <QList>
#include <QString>

// Every text the user sees, by its number. A message can be traced from the screen to its
// number in one step, and the numbers stay those the texts always had. The texts are kept as
// they always read, spelling included ("occured", "resetted", "verifiy", "Tranfer"), since
// users and translations know them so.
//
// Texts with places ("%s", "%d", "%.1f", "%.2f") are filled with the helpers below, never
// with QString::arg, whose "%1" places and re-scanning do not fit these texts.
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
    FileCreationFailed = 48,
    InfraredPortFailed = 60,
    ReceivingFileStatus = 61,
    FileReceived = 62,
    TransferCancelled = 63,
    OverwriteReceived = 64,
    ReceivingFileCaption = 65,
    TransferDone = 66,
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
    ByBluetooth = 140,
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

    // Texts that always read so but never had a number; numbered from 200 on by us.
    DeleteQuestion = 201,
    DeleteFileFailed = 202,
    DeleteFolderFailed = 203,
    DeleteListNotice = 204,
    DeleteListWarning = 205,
    OverwriteFolderQuestion = 206,
    OverwriteFileQuestion = 207,
    CopyFileFailed = 208,
    CopyFolderFailed = 209,
    CutFileFailed = 210,
    CutFolderFailed = 211,
    CopiedButNotDeleted = 212,
    NewFileTitle = 213,
    NewFolderTitle = 214,
    RenameFileTitle = 215,
    RenameFolderTitle = 216,
    NewFilePrompt = 217,
    NewFolderPrompt = 218,
    NewFileName = 219,
    NewFolderName = 220,
    NameTip = 221,
    RenameFailed = 222,
    NotEncrypted = 223,
    ReceiveBrokenRequest = 230,
    ReceiveWriteFailed = 231,
    FileSizeBytes = 232,
    FileCount = 233,
    SizeCalculationFailed = 234,
    TimeUnknown = 235,
    ReceiveSenderLeft = 236,
};

// The text of a number; an empty string for a number the table does not have.
[[nodiscard]] QString text(int id);
[[nodiscard]] bool has(int id);
// Every number of the table, in ascending order.
[[nodiscard]] QList<int> ids();

// The texts carry printf-style places. Each helper fills the places of its kind in one
// left-to-right pass: an argument that itself holds "%s" or "%d" is inserted as it stands and
// never read again, "%%" becomes "%", and a place of another kind, or one beyond the values
// given, is left as written. An unknown number gives an empty string.
[[nodiscard]] QString arg(int id, const QString& value);             // one "%s"
[[nodiscard]] QString argInt(int id, qint64 value);                  // one "%d"
[[nodiscard]] QString argInts(int id, qint64 first, qint64 second);  // two "%d"
[[nodiscard]] QString argReal(int id, double value);                 // one "%.Nf", N as written

}  // namespace Str
