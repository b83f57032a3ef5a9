#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

namespace Str {

namespace {

struct Entry {
    int id;
    const char16_t* text;
};

// Sorted by number.
constexpr Entry Table[] = {
    {6, u"File"},
    {7, u"Edit"},
    {13, u"Unable to open the file. The system returned the error '%s'!"},
    {14, u"An error occured"},
    {27, u"Unable to open the email message form!"},
    {29, u"Copy of "},
    {30, u"Source and destination are the same!"},
    {31, u"Shortcut to "},
    {32, u"Select item\t*"},
    {33, u"Deselect item\t*"},
    {35, u"Unable to create shortcut for item '%s'!"},
    {37, u"Confirm"},
    {42, u"Done"},
    {46, u"An error occured while creating the folder. Destination may be read-only, the memory can be full or a "
         u"folder with the same name already exists at that location."},
    {47, u"The given name is not valid. File and folder names can't be empty and can't contain one of the following "
         u"char :"},
    {48, u"A file or a folder with the same name already exists at that location!"},
    {60, u"Error while initializing infrared port! Please disable incoming beams option in phone settings."},
    {64, u"File '%s' already exists. Do you want to overwrite it?"},
    {65, u"Receiving file"},
    {66, u"Done"},
    {68, u"Sending data..."},
    {69, u"Error. Unable to read file!"},
    {70, u"Refused, cancelled or error!"},
    {71, u"File sent"},
    {72, u"Unable to find this item!"},
    {75, u"This item is in ROM. Its attributes can't be changed!"},
    {76, u"Unable to change the attributes of this file!"},
    {81, u"Unable to change the attributes of this folder!"},
    {87, u"Unable to start search thread!"},
    {88, u"Found %d item(s)"},
    {91, u"Phone content"},
    {92, u"Folder '%s'"},
    {93, u"Please set a search criteria!"},
    {94, u"Name"},
    {95, u"Folder"},
    {96, u"Unable to reveal this items in the tree view. Item not found!"},
    {98, u"Unable to connect!"},
    {99, u"Unable to create zip file!"},
    {100, u"One or more files failed to be zipped!"},
    {101, u"File '%s' can't be opened for reading. Do you want to cancel creation of the ZIP file?"},
    {102, u"A file with the same name already exists. Do you want to over-write it?"},
    {103, u"Unable to delete existing temporary file!"},
    {104, u"An error occured while opening the zip file!"},
    {105, u"Error when reading list of files in zip archive!"},
    {106, u"A file called attach.zip will be created in \\Storage\\Application Data\\Volatile folder and attached to "
          u"a new email. If you need more control over this process, zip and email the file manually. Note that due "
          u"to the way attachment are handled by the inbox, the email can take a long time to appear. Do you want to "
          u"continue?"},
    {107, u"New archive"},
    {108, u"Unzip to..."},
    {109, u"Select destination where to extract the ZIP file:"},
    {112, u"Sel:"},
    {115, u"Please enter the command to run!"},
    {116, u"Please select the application to use!"},
    {117, u"Informations"},
    {118, u"Note that the target application has to accept arguments and the type of file you selected. If it does "
          u"not, the application will run, but the document won't open."},
    {119, u"The application won't appear in this list until you manually add it again. Are you sure you want to "
          u"remove it?"},
    {121, u"Favorite"},
    {122, u"Full item path"},
    {123, u"Application"},
    {125, u"The selected item is a folder. Please choose an application!"},
    {126, u"Add application to list"},
    {127, u"Please select an application that will be added to the list:"},
    {128, u"This item is part of the selection because a parent folder is selected. It cannot be unselected!"},
    {129, u"You can't paste an item within itself!"},
    {130, u"You can't create the ZIP file in a folder that is part of the selection!"},
    {131, u"The temporary archive is created in \\Storage\\Application Data\\Volatile folder. You can't have this "
          u"folder in the selection!"},
    {132, u"Are you sure you want to remove this favorite?"},
    {136, u"Please select the destination device!"},
    {137, u"Unable to initialize Obex!"},
    {138, u"Unable to start Obex device enumeration!"},
    {139, u"%s via infrared"},
    {140, u"%s via Bluetooth"},
    {141, u"%d B"},
    {142, u"%.1f KB"},
    {143, u"%.2f MB"},
    {144, u"Fold.: %d, Files: %d"},
    {145, u"Bluetooth is currently inactive. Do you want to activate it now?"},
    {147, u"Calculating..."},
    {149, u"Please select a favorite to got to!"},
    {154, u"Select the application to open this file type"},
    {155, u"File type properties"},
    {156, u"New icon will be used next time you restart your phone."},
    {157, u"Ext."},
    {158, u"Description"},
    {159, u"Please select an icon to use for that file type!"},
    {160, u"You have not filled the file extension!"},
    {161, u"This extension is protected. It cannot be changed or created!"},
    {162, u"You have not filled the command!"},
    {163, u"If you remove this file type, it won't be possible to open the document directly. Are you sure you want "
          u"to continue?"},
    {164, u"An error occured. Unable to delete this file type!"},
    {168, u"1"},
    {169, u"Crypt..."},
    {170, u"Decrypt..."},
    {171, u"Password and confirmation do not match!"},
    {172, u"Unable to decrypt file. Password is wrong!"},
    {173, u"Size: %.1f MB"},
    {174, u"Free: %.1f MB"},
    {175, u"Fennick"},
    {176, u"The whole view will be resetted for the change to take effect. Are you sure you want to change this "
          u"setting?"},
    {177, u"An error occured while decrypting the file. Please check that you have write permission on the "
          u"destination folder."},
    {178, u"Please enter a password for the crypted file!"},
    {179, u"An error occured while crypting the file. Please verifiy that you have read access to the source file."},
    {180, u"Items in this folder are already selected because a parent folder is selected!"},
    {181, u"No email account found!"},
    {182, u"Error initializing Obex. Please restart Fennick to have Obex completely reloaded!"},
    {184, u"Send a file"},
};

const Entry* find(int id)
{
    const auto* found = std::lower_bound(std::begin(Table), std::end(Table), id,
                                         [](const Entry& entry, int wanted) { return entry.id < wanted; });
    return found != std::end(Table) && found->id == id ? found : nullptr;
}

// Replaces each place in turn with the next of `values`; text past the last place and the
// values themselves are copied as they are.
QString fill(int id, const QList<QString>& values, QChar kind)
{
    const QString pattern = text(id);
    QString out;
    out.reserve(pattern.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != u'%' || i + 1 >= pattern.size()) {
            out.append(pattern.at(i));
            continue;
        }
        if (pattern.at(i + 1) == u'%') {
            out.append(u'%');
            ++i;
            continue;
        }
        // A place: "%s", "%d", or "%.Nf".
        qsizetype end = i + 1;
        while (end < pattern.size() && (pattern.at(end) == u'.' || pattern.at(end).isDigit()))
            ++end;
        if (end >= pattern.size() || pattern.at(end) != kind || next >= values.size()) {
            out.append(pattern.at(i));
            continue;
        }
        out.append(values.at(next++));
        i = end;
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
    for (const Entry& entry : Table)
        all.append(entry.id);
    return all;
}

QString arg(int id, const QString& value) { return fill(id, {value}, u's'); }

QString argInt(int id, qint64 value) { return fill(id, {QString::number(value)}, u'd'); }

QString argInts(int id, qint64 first, qint64 second)
{
    return fill(id, {QString::number(first), QString::number(second)}, u'd');
}

QString argReal(int id, double value)
{
    const QString pattern = text(id);
    const qsizetype place = pattern.indexOf(QLatin1String("%."));
    const int precision = place >= 0 && place + 2 < pattern.size() ? pattern.at(place + 2).digitValue() : 1;
    return fill(id, {QString::number(value, 'f', precision < 0 ? 1 : precision)}, u'f');
}

}  // namespace Str
