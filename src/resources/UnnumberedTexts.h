#pragma once

#include <QString>

// The texts the user sees that have no number in the string table: the reasons given after a
// failure, the titles and lines of the progress pages, and the labels of the pages that this
// system lays out itself. Their places are Qt's ("%1"), filled with QString::arg. Kept in one
// table, apart from the numbered texts, so that the numbers keep meaning what they always meant.
namespace Txt {

enum Id : int {
    // Why something failed
    ReasonAccessDenied = 0,
    ReasonFileNotFound,
    ReasonPathNotFound,
    ReasonDiskFull,
    ReasonAlreadyExists,
    ReasonNotAFolder,
    ReasonInvalidName,
    ReasonIoError,
    ReasonNotRegularFile,
    ReasonDamagedCrypt,
    ReasonNoCipher,
    CannotListFolder,
    CannotCreateFolder,
    EntriesNotUnpacked,
    CannotListen,
    EveryAddress,
    // Why a program could not be started
    LaunchFileNotFound,
    LaunchPathNotFound,
    LaunchAccessDenied,
    LaunchOutOfMemory,
    LaunchSharingViolation,
    LaunchAssociationIncomplete,
    LaunchDdeTimeout,
    LaunchDdeFailed,
    LaunchDdeBusy,
    LaunchNoAssociation,
    LaunchDllNotFound,
    LaunchNotRegularFile,
    LaunchUnknownError,
    // The progress pages and the transfer pages
    NoWorkThread,
    NoSendingThread,
    Pasting,
    Deleting,
    Counting,
    Crypting,
    Decrypting,
    Stopping,
    ItemsOfTotal,
    Items,
    BytesOfTotal,
    ZipArchive,
    ZipFiles,
    ZipRemaining,
    ZipCurrent,
    ZipSize,
    Searching,
    WaitingForFile,
    ConnectingToDevice,
    Percent,
    TransferBytes,
    TransferKilobytes,
    TransferMegabytes,
    // The labels and keys of the pages laid out here
    InitDialogFailed,
    DialogFailed,
    Yes,
    No,
    SearchName,
    SearchIn,
    SearchSystem,
    SearchHidden,
    SearchSubfolders,
    RunCommand,
    RunParameters,
    RunNote,
    ZipFilename,
    ZipCompression,
    ZipNotes,
    CryptDeleteOriginal,
    CryptNote,
    Password,
    Confirmation,
    DecryptDeleteCrypted,
    SelectFavorite,
    LowSpeed,
    AlwaysOpenWith,
    TypeExtension,
    TypeCommand,
    TypeIcon,
    TypeAcceptDownload,
    Count
};

QString text(Id id);

}  // namespace Txt
