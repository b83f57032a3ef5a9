#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

namespace Str {

namespace {

struct Entry {
    Id id;
    const char16_t* text;
};

// Sorted by number, so that a look-up is a binary search.
constexpr Entry Table[] = {
    {File, u"File"},
    {Edit, u"Edit"},
    {OpenFailed, u"Unable to open the file. The system returned the error '%s'!"},
    {ErrorCaption, u"An error occured"},
    {EmailFormFailed, u"Unable to open the email message form!"},
    {CopyOfPrefix, u"Copy of "},
    {SourceIsDestination, u"Source and destination are the same!"},
    {ShortcutToPrefix, u"Shortcut to "},
    {SelectItem, u"Select item\t*"},
    {DeselectItem, u"Deselect item\t*"},
    {ShortcutFailed, u"Unable to create shortcut for item '%s'!"},
    {Confirm, u"Confirm"},
    {Done, u"Done"},
    {FolderCreationFailed,
     u"An error occured while creating the folder. Destination may be read-only, the memory can be full "
     u"or a folder with the same name already exists at that location."},
    {InvalidName, u"The given name is not valid. File and folder names can't be empty and can't contain one of the "
                  u"following char : \\ / : * ? \" < > |"},
    {FileCreationFailed,
     u"An error occured while creating the file. Destination may be read-only, the memory can be full or "
     u"a file with the same already exists at that location."},
    {InfraredPortFailed,
     u"Error while initializing infrared port! Please disable incoming beams option in phone settings."},
    {ReceivingFileStatus, u"Receiving file..."},
    {FileReceived, u"File received"},
    {TransferCancelled, u"Tranfer cancelled"},
    {OverwriteReceived, u"File '%s' already exists. Do you want to overwrite it?"},
    {ReceivingFileCaption, u"Receiving file"},
    {TransferDone, u"Done"},
    {SendingData, u"Sending data..."},
    {SendReadFailed, u"Error. Unable to read file!"},
    {SendRefused, u"Refused, cancelled or error!"},
    {FileSent, u"File sent"},
    {PropertiesItemNotFound, u"Unable to access file or folder to load its properties!"},
    {PropertiesInRom, u"File located in ROM can't be changed. Use Cancel button to close the dialog!"},
    {FileAttributesFailed, u"An error occured. Unable to set file attributes!"},
    {FolderAttributesFailed,
     u"Unable to set folder attributes. The folder is probably a system folder. Choose Cancel to close "
     u"the Properties dialog!"},
    {SearchThreadFailed, u"Unable to start search thread!"},
    {FoundItems, u"Found %d item(s)"},
    {SearchWholePhone, u"Phone content"},
    {SearchInFolder, u"Folder '%s'"},
    {SearchCriteriaMissing, u"Please set a search criteria!"},
    {SearchColumnName, u"Name"},
    {SearchColumnFolder, u"Folder"},
    {RevealNotFound, u"Unable to reveal this items in the tree view. Item not found!"},
    {ConnectFailed, u"Unable to connect!"},
    {ZipCreateFailed, u"Unable to create zip file!"},
    {ZipSomeFilesFailed, u"One or more files failed to be zipped!"},
    {ZipSourceUnreadable, u"File '%s' can't be opened for reading. Do you want to cancel creation of the ZIP file?"},
    {ZipOverwrite, u"A file with the same name already exists. Do you want to over-write it?"},
    {TemporaryArchiveNotDeleted, u"Unable to delete existing temporary file!"},
    {ZipOpenFailed, u"An error occured while opening the zip file!"},
    {ZipListFailed, u"Error when reading list of files in zip archive!"},
    {EmailZipNotice,
     u"A file called attach.zip will be created in \\Storage\\Application Data\\Volatile folder and "
     u"attached to a new email. If you need more control over this process, zip and email the file "
     u"manually. Note that due to the way attachment are handled by the inbox, the email can take a long "
     u"time to appear. Do you want to continue?"},
    {NewArchive, u"New archive"},
    {UnzipTo, u"Unzip to..."},
    {UnzipToPrompt, u"Select destination where to extract the ZIP file:"},
    {SelectionLabel, u"Sel:"},
    {RunCommandMissing, u"Please enter the command to execute!"},
    {OpenWithNoApplication, u"Please select the application to use!"},
    {Informations, u"Informations"},
    {OpenWithNote, u"Note that the target application has to accept arguments and the type of file you selected. If it "
                   u"does not, the application will run, but the document won't open."},
    {OpenWithRemoveQuestion,
     u"The application won't appear in this list until you manually add it again. Are you sure you want "
     u"to remove it?"},
    {FavoritesColumnName, u"Favorite"},
    {FavoritesColumnPath, u"Full item path"},
    {OpenWithColumnApplication, u"Application"},
    {PickerFolderNotApplication, u"The selected item is a folder. Please choose an application!"},
    {AddApplication, u"Add application to list"},
    {AddApplicationPrompt, u"Please select an application that will be added to the list:"},
    {PartOfSelectedFolder,
     u"This item is part of the selection because a parent folder is selected. It cannot be unselected!"},
    {PasteIntoItself, u"You can't paste an item within itself!"},
    {ZipIntoSelection,
     u"You are trying to create the zip file in a folder that is part of the selection. Please choose "
     u"another location!"},
    {TemporaryArchiveInSelection,
     u"The temporary archive is created in \\Storage\\Application Data\\Volatile folder. You can't have "
     u"this folder in the selection!"},
    {FavoriteRemoveQuestion, u"Are you sure you want to remove this favorite?"},
    {SelectDevice, u"Please select the destination device!"},
    {ObexInitFailed, u"Unable to initialize Obex!"},
    {ObexEnumerationFailed, u"Unable to start Obex device enumeration!"},
    {ViaInfrared, u"%s via infrared"},
    {ByBluetooth, u"%s by bluetooth"},
    {SizeBytes, u"%d B"},
    {SizeKilobytes, u"%.1f KB"},
    {SizeMegabytes, u"%.2f MB"},
    {FolderCounts, u"Fold.: %d, Files: %d"},
    {BluetoothInactive, u"Bluetooth is currently inactive. Do you want to activate it now?"},
    {Calculating, u"Calculating..."},
    {FavoriteNotChosen, u"Please select a favorite to got to!"},
    {FileTypeChooseApplication, u"Select the application to open this file type"},
    {FileTypeProperties, u"File type properties"},
    {FileTypeIconNote, u"New icon will be used next time you restart your phone."},
    {FileTypeColumnExtension, u"Ext."},
    {FileTypeColumnDescription, u"Description"},
    {FileTypeNoIcon, u"Please select an icon to use for that file type!"},
    {FileTypeNoExtension, u"You have not filled the file extension!"},
    {FileTypeProtected, u"This extension is protected. It cannot be changed or created!"},
    {FileTypeNoCommand, u"You have not filled the command!"},
    {FileTypeRemoveQuestion,
     u"If you remove this file type, it won't be possible to open the document directly. Are you sure "
     u"you want to continue?"},
    {FileTypeDeleteFailed, u"An error occured. Unable to delete this file type!"},
    {BluetoothAndMmsBuild, u"1"},
    {Crypt, u"Crypt..."},
    {Decrypt, u"Decrypt..."},
    {PasswordsDiffer, u"Password and confirmation do not match!"},
    {WrongPassword, u"Unable to decrypt file. Password is wrong!"},
    {CardSize, u"Size: %.1f MB"},
    {CardFree, u"Free: %.1f MB"},
    {AppTitle, u"Fennick"},
    {ResetViewQuestion,
     u"The whole view will be resetted for the change to take effect. Are you sure you want to change "
     u"this setting?"},
    {DecryptFailed, u"An error occured while decrypting the file. Please check that you have write permission on the "
                    u"destination folder."},
    {PasswordMissing, u"Please enter a password for the crypted file!"},
    {CryptFailed, u"An error occured while crypting the file. Please verifiy that you have read access to the source "
                  u"file."},
    {AlreadySelectedByParent, u"Items in this folder are already selected because a parent folder is selected!"},
    {NoEmailAccount, u"No email account found!"},
    {ObexReloadNeeded, u"Error initializing Obex. Please restart Fennick to have Obex completely reloaded!"},
    {SendAFile, u"Send a file"},
    {DeleteQuestion, u"Are you sure your want to permanently delete item '%s' ?"},
    {DeleteFileFailed, u"Unable to delete file '%s'!"},
    {DeleteFolderFailed, u"Unable to delete folder '%s'!"},
    {DeleteListNotice, u"All files and folders in the list below will be deleted."},
    {DeleteListWarning, u"CHECK CAREFULLY BEFORE VALIDATING THE DELETION!"},
    {OverwriteFolderQuestion, u"A folder name '%s' already exists at that location. Do you want to overwrite it?"},
    {OverwriteFileQuestion, u"A file named '%s' already exists at that location. Do you want to overwrite it?"},
    {CopyFileFailed, u"Unable to copy file '%s'!"},
    {CopyFolderFailed, u"Unable to copy folder '%s'!"},
    {CutFileFailed, u"Unable to cut and paste file '%s'!"},
    {CutFolderFailed, u"Unable to cut and paste folder '%s'!"},
    {CopiedButNotDeleted, u"File '%s' has been copied to destination but can't be deleted from source folder!"},
    {NewFileTitle, u"New file"},
    {NewFolderTitle, u"New folder"},
    {RenameFileTitle, u"Rename file"},
    {RenameFolderTitle, u"Rename folder"},
    {NewFilePrompt, u"New file name"},
    {NewFolderPrompt, u"New folder name"},
    {NewFileName, u"New File.txt"},
    {NewFolderName, u"New Folder"},
    {NameTip, u"Tips : the following characters are not supported in file or folder names : / : * ? \" < > |"},
    {RenameFailed, u"An error occured. The file or folder may be read-only or you don't have enough privileges!"},
    {NotEncrypted, u"The file '%s' is not an encrypted file, or it is damaged."},
    {ReceiveBrokenRequest, u"Transfer stopped: the sender's request could not be read."},
    {ReceiveWriteFailed,
     u"Transfer stopped: unable to write the file. The folder may be read-only or the memory full."},
    {FileSizeBytes, u"%d bytes"},
    {FileCount, u"%d file(s)"},
    {SizeCalculationFailed, u"Error while calculating"},
    {TimeUnknown, u"Unknown"},
    {ReceiveSenderLeft, u"Transfer stopped: the sender's connection was lost before the file was complete."},
};

constexpr bool isStrictlyAscending()
{
    for (std::size_t i = 1; i < std::size(Table); ++i) {
        if (Table[i - 1].id >= Table[i].id)
            return false;
    }
    return true;
}
static_assert(isStrictlyAscending(), "string numbers must be unique and in ascending order");

const Entry* find(int id)
{
    const auto* found = std::lower_bound(std::begin(Table), std::end(Table), id,
                                         [](const Entry& entry, int wanted) { return entry.id < wanted; });
    return found != std::end(Table) && found->id == id ? found : nullptr;
}

// Copies the text of `id`, replacing each place whose conversion is `kind` ("%s", "%d",
// "%.Nf") by the next of `count` values, which `makeValue(index, precision)` writes out
// (precision -1 when none is written). The values are appended to the result and never
// scanned, so a "%" inside one stays as it is. "%%" gives "%". A place of another kind, a
// place beyond the last value, and a "%" that starts no place are copied as written.
template <typename MakeValue>
QString fill(int id, char16_t kind, qsizetype count, const MakeValue& makeValue)
{
    const Entry* entry = find(id);
    if (!entry)
        return {};
    const QStringView pattern(entry->text);
    QString out;
    out.reserve(pattern.size() + 32);
    qsizetype next = 0;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c != u'%' || i + 1 >= pattern.size()) {
            out.append(c);
            ++i;
            continue;
        }
        if (pattern.at(i + 1) == u'%') {
            out.append(u'%');
            i += 2;
            continue;
        }
        // An optional ".N" precision, then the conversion letter.
        qsizetype end = i + 1;
        int precision = -1;
        if (pattern.at(end) == u'.') {
            ++end;
            precision = 0;
            while (end < pattern.size() && pattern.at(end).isDigit() && precision < 100) {
                precision = precision * 10 + pattern.at(end).digitValue();
                ++end;
            }
        }
        if (end >= pattern.size() || pattern.at(end) != kind || next >= count) {
            out.append(c);
            ++i;
            continue;
        }
        out.append(makeValue(next++, precision));
        i = end + 1;
    }
    return out;
}

}  // namespace

QString text(int id)
{
    const Entry* entry = find(id);
    return entry ? QString::fromUtf16(entry->text) : QString();
}

bool has(int id) { return find(id) != nullptr; }

QList<int> ids()
{
    QList<int> all;
    all.reserve(qsizetype(std::size(Table)));
    for (const Entry& entry : Table)
        all.append(entry.id);
    return all;
}

QString arg(int id, const QString& value)
{
    return fill(id, u's', 1, [&](qsizetype, int) { return value; });
}

QString argInt(int id, qint64 value)
{
    return fill(id, u'd', 1, [&](qsizetype, int) { return QString::number(value); });
}

QString argInts(int id, qint64 first, qint64 second)
{
    return fill(id, u'd', 2, [&](qsizetype index, int) { return QString::number(index == 0 ? first : second); });
}

QString argReal(int id, double value)
{
    // Without a written precision printf's "%f" gives six digits.
    return fill(id, u'f', 1,
                [&](qsizetype, int precision) { return QString::number(value, 'f', precision < 0 ? 6 : precision); });
}

}  // namespace Str
