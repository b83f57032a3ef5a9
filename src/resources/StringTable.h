#pragma once

#include <QList>
#include <QString>

// Every text the user sees, by its number. A message can be traced from the screen to its
// number in one step, and the numbers stay those the texts always had. The texts are kept as
// they always read, spelling included ("occured", "resetted", "verifiy", "Tranfer"), since
// users and translations know them so.
//
// Where the texts are used:
//   6-7        the soft keys of the main window
//   13         opening a file through the shell (open, search results, favorites)
//   14         the caption of every error box; also the status bar when a card cannot be read
//   27         starting the message composer (e-mail, MMS, zip and mail)
//   29-35      paste: the "Copy of " and "Shortcut to " prefixes, a cut into its own folder,
//              a shortcut that cannot be made; 32-33 the select item menu label
//   37         the caption of every yes/no question and of the question box
//   42         search: the left soft key once the search has finished
//   46-48      new file and new folder, names that cannot be used; 46 also extraction
//   60-66      infrared receive: port failure, overwrite question, status line, "Done" key
//              (66 also ends a send); 64 also the overwrite question of encryption
//   68-71      sending over OBEX: status line
//   72-81      properties: item not found, item in ROM, attributes that cannot be set
//   87-96      search: thread failure, count, where to search, result columns; 96 reveal
//   98         sending over OBEX: no connection
//   99-109     zip creation and extraction, zip and mail, "Unzip to..." folder picker
//   112        the label of the selection band
//   115        run command
//   116-127    open with: messages, column, folder picker; 121-122 favorites columns
//   128-132    the selection: refusals of paste, zip and zip and mail; removing a favorite
//   136-140    sending over OBEX: device list and service failures
//   141-147    the size texts of the bands and of zip progress, folder counts, Bluetooth
//              radio, the status bar while counting
//   149        favorites
//   154-164    the file type manager
//   168        "1" when the build has Bluetooth and MMS
//   169-170    the encrypt / decrypt menu label
//   171-172    encryption: password checks
//   173-174    the status bar of a storage card
//   175        the window title
//   176        show hidden files
//   177-179    encryption and decryption failures; 223 a file that is no ".crf" file
//   180        the selection: select all in a selected folder
//   181        e-mail accounts
//   182        sending over OBEX: a device that cannot be reached through the service
//   184        the subject of an e-mailed file
//   230-231    infrared receive: a request that cannot be read, a file that cannot be written
//   232-235    properties: a file's size in bytes, a folder's file count, a count that
//              failed, a time the file system does not keep
//   236        infrared receive: a sender that left in the middle of a file
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
