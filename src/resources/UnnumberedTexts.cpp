#include "resources/UnnumberedTexts.h"

#include <iterator>

namespace Txt {

namespace {

// In the order of the ids.
constexpr const char16_t* Table[] = {
    u"Permission denied, or the item is read-only.",  // ReasonAccessDenied
    u"The item no longer exists.",  // ReasonFileNotFound
    u"The folder no longer exists.",  // ReasonPathNotFound
    u"The disk is full.",  // ReasonDiskFull
    u"An item of that name is in the way.",  // ReasonAlreadyExists
    u"It is not a folder.",  // ReasonNotAFolder
    u"The name cannot be used here.",  // ReasonInvalidName
    u"The device could not read or write.",  // ReasonIoError
    u"It is not a regular file but a named pipe, a device or a socket, and is never read.",  // ReasonNotRegularFile
    u"The encrypted data is damaged or incomplete.",  // ReasonDamagedCrypt
    u"Triple DES or MD5 is not available from OpenSSL here.",  // ReasonNoCipher
    u"Unable to list folder '%1'!\n\n",  // CannotListFolder
    u"Unable to create folder '%1'!\n\n",  // CannotCreateFolder
    u"%1 of %2 entries could not be unpacked; the first: '%3'.\n\n",  // EntriesNotUnpacked
    u"Cannot listen on %1, port %2: %3.\n\nThe address and port are the values \"Address\" and \"Port\" of the registry key HKEY_CURRENT_USER\\%4.",  // CannotListen
    u"every address (0.0.0.0)",  // EveryAddress
    u"File not found",  // LaunchFileNotFound
    u"Path not found",  // LaunchPathNotFound
    u"Access denied",  // LaunchAccessDenied
    u"Out of memory",  // LaunchOutOfMemory
    u"Cannot share an open file",  // LaunchSharingViolation
    u"File association information not complete",  // LaunchAssociationIncomplete
    u"DDE operation timed out",  // LaunchDdeTimeout
    u"DDE operation failed",  // LaunchDdeFailed
    u"DDE operation is busy",  // LaunchDdeBusy
    u"File association not available",  // LaunchNoAssociation
    u"Dynamic-link library not found",  // LaunchDllNotFound
    u"Not a regular file (a named pipe, a device or a socket)",  // LaunchNotRegularFile
    u"Unknown error",  // LaunchUnknownError
    u"Unable to start the work's thread!",  // NoWorkThread
    u"Unable to start the sending thread!",  // NoSendingThread
    u"Pasting...",  // Pasting
    u"Deleting...",  // Deleting
    u"Counting...",  // Counting
    u"Crypting...",  // Crypting
    u"Decrypting...",  // Decrypting
    u"Stopping...",  // Stopping
    u"%1 of %2 items",  // ItemsOfTotal
    u"%1 items",  // Items
    u"%1 of %2",  // BytesOfTotal
    u"Archive:",  // ZipArchive
    u"Files:",  // ZipFiles
    u"Remaining:",  // ZipRemaining
    u"Current:",  // ZipCurrent
    u"Size:",  // ZipSize
    u"Searching...",  // Searching
    u"Waiting for a file...",  // WaitingForFile
    u"Connecting to device...",  // ConnectingToDevice
    u"%1 %",  // Percent
    u"%1 bytes",  // TransferBytes
    u"%1 Kb",  // TransferKilobytes
    u"%1 Mb",  // TransferMegabytes
    u"Init dialog failed",  // InitDialogFailed
    u"Dialog failed",  // DialogFailed
    u"Yes",  // Yes
    u"No",  // No
    u"All or part of the filename",  // SearchName
    u"Search in",  // SearchIn
    u"Search system files",  // SearchSystem
    u"Search hidden files/folders",  // SearchHidden
    u"Include subfolders",  // SearchSubfolders
    u"Command",  // RunCommand
    u"Parameters",  // RunParameters
    u"Note : The called application, entered in Command edit field, needs to support argument! Otherwise, it will have no effect.",  // RunNote
    u"Zip filename",  // ZipFilename
    u"Compression",  // ZipCompression
    u"Compression\n  0 = no compression\n  9 = max compression\n\nCurrently, password protected zip files are not supported.",  // ZipNotes
    u"Delete original if successful",  // CryptDeleteOriginal
    u"File will be crypted using 3DES algorythm.",  // CryptNote
    u"Password:",  // Password
    u"Confirmation:",  // Confirmation
    u"Delete crypted file if successful",  // DecryptDeleteCrypted
    u"Select a favorite:",  // SelectFavorite
    u"Low speed. Activate if you connect to an old device.\n* key to toggle.",  // LowSpeed
    u"Always open with this app [5]",  // AlwaysOpenWith
    u"Extension:",  // TypeExtension
    u"Command:",  // TypeCommand
    u"Icon:",  // TypeIcon
    u"Accept download in IE",  // TypeAcceptDownload
};
static_assert(std::size(Table) == Count, "one text for each id");

}  // namespace

QString text(Id id)
{
    return id >= 0 && id < Count ? QString::fromUtf16(Table[id]) : QString();
}

}  // namespace Txt
