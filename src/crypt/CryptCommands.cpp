#include "crypt/CryptCommands.h"

#include "commands/CommandTable.h"
#include "crypt/CrfFile.h"
#include "crypt/CrfFormat.h"
#include "crypt/CryptFileDialog.h"
#include "crypt/CryptProgressView.h"
#include "crypt/DecryptFileDialog.h"
#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "fileops/FailureText.h"
#include "fileops/Selection.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "tree/FolderTree.h"
#include "tree/TreeNavigation.h"

using platform::FsError;
using Outcome = CrfFile::Outcome;

namespace {

// The message for a job that failed: the text the user knows for it, then why.
QString failureText(int textId, const CrfFile::Result& result)
{
    QString reason;
    switch (result.outcome) {
    case Outcome::DamagedData: reason = Txt::text(Txt::ReasonDamagedCrypt); break;
    case Outcome::NoCipher: reason = Txt::text(Txt::ReasonNoCipher); break;
    case Outcome::FileError: reason = FailureText::reason(result.error); break;
    default: break;
    }
    return reason.isEmpty() ? Str::text(textId) : Str::text(textId) + QStringLiteral("\n\n") + reason;
}

}  // namespace

void CryptCommands::registerCommands(CommandTable& table)
{
    const auto currentFile = [this] { return FolderTree::kindOf(m_tree.currentNode()) == TreeNode::File; };
    table
        .add(
            Cmd::Encrypt, [this] { encryptOrDecrypt(); }, currentFile)
        .label = [this] {
        const TreeNode* current = m_tree.currentNode();
        const bool encrypted = current && CrfFormat::isEncryptedName(current->text);
        return Str::text(encrypted ? Str::Decrypt : Str::Crypt);
    };
}

void CryptCommands::encryptOrDecrypt()
{
    TreeNode* current = m_tree.currentNode();
    if (FolderTree::kindOf(current) != TreeNode::File)
        return;
    Place place;
    place.path = m_tree.fullPathOf(current);
    const platform::PhonePath::Split split = platform::PhonePath::splitLast(place.path);
    place.folder = split.folder;
    place.name = split.name;
    place.item = QPersistentModelIndex(m_tree.treeModel()->indexOf(current));
    if (current->parent && current->parent != m_tree.treeModel()->root())
        place.folderItem = QPersistentModelIndex(m_tree.treeModel()->indexOf(current->parent));
    const bool encrypted = CrfFormat::isEncryptedName(place.name);
    // A link is one item, and a link is not what a user means to encrypt: it is refused
    // before a password is asked for, with the reason.
    platform::FindData item;
    if (m_fileSystem.lookUp(place.path, item) == FsError::None && item.isLink()) {
        MessageBox::error(m_owner,
                          Str::text(encrypted ? Str::DecryptFailed : Str::CryptFailed)
                              + QStringLiteral("\n\n'%1' is a link; choose the file it points at.").arg(place.path));
        return;
    }
    if (encrypted)
        decrypt(place);
    else
        encrypt(place);
    m_changed();
}

void CryptCommands::encrypt(const Place& place)
{
    CryptFileDialog dialog;
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    const QString outputName = CrfFormat::encryptedName(place.name);
    const QString output = platform::PhonePath::join(place.folder, outputName);
    // Only a "Yes" lets an existing file be replaced, and it stays whole until the new one is.
    const bool existed = m_fileSystem.exists(output);
    if (existed && MessageBox::question(m_owner, Str::arg(Str::OverwriteReceived, output)) != Cmd::Yes)
        return;
    platform::OpenFolder folder;
    CrfFile::Result result;
    if (openFolder(place, folder, result)) {
        // The worker gets what it needs by value.
        const auto work = [this, &result, &folder, source = place.name, outputName, password = dialog.password(),
                           existed](JobContext& context) {
            result = CrfFile::encrypt(m_fileSystem, folder, source, folder, outputName, password, existed, &context);
        };
        JobDialog::run(m_owner, DialogTemplates::progressPage(Txt::text(Txt::Crypting)), work,
                       new CryptProgressView(place.name));
    }
    // A Cancel leaves everything as it was, and nothing to tell.
    if (result.outcome == Outcome::Stopped)
        return;
    if (result.outcome != Outcome::Done) {
        MessageBox::error(m_owner, failureText(Str::CryptFailed, result));
        showOutput(place, output, false);
        return;
    }
    if (dialog.deleteOriginal())
        deleteSource(place, folder);
    showOutput(place, output, !existed);
}

bool CryptCommands::openFolder(const Place& place, platform::OpenFolder& folder, CrfFile::Result& result)
{
    const FsError error = m_fileSystem.openFolder(place.folder, folder);
    if (error == FsError::None)
        return true;
    result.outcome = CrfFile::Outcome::FileError;
    result.error = error;
    return false;
}

void CryptCommands::decrypt(const Place& place)
{
    DecryptFileDialog dialog;
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    const QString password = dialog.password();
    platform::OpenFolder folder;
    CrfFile::Result result;
    if (openFolder(place, folder, result)) {
        // A wrong password, or a file that is no ".crf" file, is refused before anything is
        // written or asked.
        result = CrfFile::checkPassword(m_fileSystem, folder, place.name, password);
    }
    const auto tellFailure = [&] {
        if (result.outcome == Outcome::WrongPassword)
            MessageBox::error(m_owner, Str::text(Str::WrongPassword));
        else if (result.outcome == Outcome::NotEncrypted)
            MessageBox::error(m_owner, Str::arg(Str::NotEncrypted, place.path));
        else
            MessageBox::error(m_owner, failureText(Str::DecryptFailed, result));
    };
    if (result.outcome != Outcome::Done) {
        tellFailure();
        return;
    }
    const QString outputName = result.storedName;
    const QString output = platform::PhonePath::join(place.folder, outputName);
    const bool existed = m_fileSystem.exists(output);
    if (existed && MessageBox::question(m_owner, Str::arg(Str::OverwriteReceived, output)) != Cmd::Yes)
        return;
    const auto work = [this, &result, &folder, encrypted = place.name, outputName, password,
                       existed](JobContext& context) {
        result = CrfFile::decrypt(m_fileSystem, folder, encrypted, folder, outputName, password, existed, &context);
    };
    JobDialog::run(m_owner, DialogTemplates::progressPage(Txt::text(Txt::Decrypting)), work,
                   new CryptProgressView(place.name));
    if (result.outcome == Outcome::Stopped)
        return;
    if (result.outcome != Outcome::Done) {
        tellFailure();
        showOutput(place, output, false);
        return;
    }
    // A ".crf" file that holds its own name has just been replaced by its content: that is
    // the output now, and it stays.
    if (dialog.deleteEncrypted() && outputName != place.name)
        deleteSource(place, folder);
    showOutput(place, output, !existed);
}

void CryptCommands::deleteSource(const Place& place, const platform::OpenFolder& folder)
{
    if (const FsError error = m_fileSystem.deleteAt(folder, place.name); error != FsError::None) {
        MessageBox::error(m_owner, FailureText::message(Str::DeleteFileFailed, place.path, error));
        return;
    }
    if (place.item.isValid())
        m_tree.removeNode(m_tree.treeModel()->node(place.item));
    if (const int index = m_selection.find(place.path); index >= 0)
        m_selection.removeAt(index);
}

void CryptCommands::showOutput(const Place& place, const QString& output, bool isNew)
{
    if (isNew)
        (void)m_tree.populateSingle(output,
                                    place.folderItem.isValid() ? m_tree.treeModel()->node(place.folderItem) : nullptr);
    else
        (void)TreeNavigation::reveal(m_tree, m_fileSystem, output);
}
