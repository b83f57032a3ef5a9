#include "resources/UnnumberedTexts.h"

#include <iterator>

namespace Txt {

namespace {

struct Entry {
    Id id;
    const char16_t* text;
};

// In the order of the ids, which the check below holds it to.
constexpr Entry Table[] = {
    {ReasonAccessDenied, u"Permission denied, or the item is read-only."},
    {ReasonFileNotFound, u"The item no longer exists."},
    {ReasonPathNotFound, u"The folder no longer exists."},
    {ReasonDiskFull, u"The disk is full."},
    {ReasonAlreadyExists, u"An item of that name is in the way."},
    {ReasonNotAFolder, u"It is not a folder."},
    {ReasonInvalidName, u"The name cannot be used here."},
    {ReasonIoError, u"The device could not read or write."},
    {ReasonNotRegularFile, u"It is not a regular file but a named pipe, a device or a socket, and is never read."},
    {ReasonDamagedCrypt, u"The encrypted data is damaged or incomplete."},
    {ReasonNoCipher, u"Triple DES or MD5 is not available from OpenSSL here."},
    {CannotListFolder, u"Unable to list folder '%1'!\n\n"},
    {CannotCreateFolder, u"Unable to create folder '%1'!\n\n"},
    {EntriesNotUnpacked, u"%1 of %2 entries could not be unpacked; the first: '%3'.\n\n"},
    {CannotListen, u"Cannot listen on %1, port %2: %3.\n\nThe address and port are the values \"Address\" and \"Port\" "
                   u"of the registry key HKEY_CURRENT_USER\\%4."},
    {EveryAddress, u"every address (0.0.0.0)"},
    {LaunchFileNotFound, u"File not found"},
    {LaunchPathNotFound, u"Path not found"},
    {LaunchAccessDenied, u"Access denied"},
    {LaunchOutOfMemory, u"Out of memory"},
    {LaunchSharingViolation, u"Cannot share an open file"},
    {LaunchAssociationIncomplete, u"File association information not complete"},
    {LaunchDdeTimeout, u"DDE operation timed out"},
    {LaunchDdeFailed, u"DDE operation failed"},
    {LaunchDdeBusy, u"DDE operation is busy"},
    {LaunchNoAssociation, u"File association not available"},
    {LaunchDllNotFound, u"Dynamic-link library not found"},
    {LaunchNotRegularFile, u"Not a regular file (a named pipe, a device or a socket)"},
    {LaunchUnknownError, u"Unknown error"},
    {NoWorkThread, u"Unable to start the work's thread!"},
    {NoSendingThread, u"Unable to start the sending thread!"},
    {Pasting, u"Pasting..."},
    {Deleting, u"Deleting..."},
    {Counting, u"Counting..."},
    {Crypting, u"Crypting..."},
    {Decrypting, u"Decrypting..."},
    {Stopping, u"Stopping..."},
    {ItemsOfTotal, u"%1 of %2 items"},
    {Items, u"%1 items"},
    {BytesOfTotal, u"%1 of %2"},
    {ZipArchive, u"Archive:"},
    {ZipFiles, u"Files:"},
    {ZipRemaining, u"Remaining:"},
    {ZipCurrent, u"Current:"},
    {ZipSize, u"Size:"},
    {Searching, u"Searching..."},
    {WaitingForFile, u"Waiting for a file..."},
    {ConnectingToDevice, u"Connecting to device..."},
    {Percent, u"%1 %"},
    {TransferBytes, u"%1 bytes"},
    {TransferKilobytes, u"%1 Kb"},
    {TransferMegabytes, u"%1 Mb"},
    {InitDialogFailed, u"Init dialog failed"},
    {DialogFailed, u"Dialog failed"},
    {Yes, u"Yes"},
    {No, u"No"},
    {SearchName, u"All or part of the filename"},
    {SearchIn, u"Search in"},
    {SearchSystem, u"Search system files"},
    {SearchHidden, u"Search hidden files/folders"},
    {SearchSubfolders, u"Include subfolders"},
    {RunCommand, u"Command"},
    {RunParameters, u"Parameters"},
    {RunNote, u"Note : The called application, entered in Command edit field, needs to support argument! Otherwise, it "
              u"will have no effect."},
    {ZipFilename, u"Zip filename"},
    {ZipCompression, u"Compression"},
    {ZipNotes, u"Compression\n  0 = no compression\n  9 = max compression\n\nCurrently, password protected zip files "
               u"are not supported."},
    {CryptDeleteOriginal, u"Delete original if successful"},
    {CryptNote, u"File will be crypted using 3DES algorythm."},
    {Password, u"Password:"},
    {Confirmation, u"Confirmation:"},
    {DecryptDeleteCrypted, u"Delete crypted file if successful"},
    {SelectFavorite, u"Select a favorite:"},
    {LowSpeed, u"Low speed. Activate if you connect to an old device.\n* key to toggle."},
    {AlwaysOpenWith, u"Always open with this app [5]"},
    {TypeExtension, u"Extension:"},
    {TypeCommand, u"Command:"},
    {TypeIcon, u"Icon:"},
    {TypeAcceptDownload, u"Accept download in IE"},
};

constexpr bool isInIdOrder()
{
    for (int i = 0; i < int(std::size(Table)); ++i)
        if (Table[i].id != i)
            return false;
    return std::size(Table) == Count;
}
static_assert(isInIdOrder(), "one text for each id, in the order of the ids");

}  // namespace

QString text(Id id) { return id >= 0 && id < Count ? QString::fromUtf16(Table[id].text) : QString(); }

}  // namespace Txt
