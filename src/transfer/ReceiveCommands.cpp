#include "transfer/ReceiveCommands.h"

#include "commands/CommandTable.h"
#include "dialogs/MessageBox.h"
#include "fileops/Paste.h"
#include "platform/StreamSocket.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "settings/SettingsSchema.h"
#include "transfer/BacklightHold.h"
#include "transfer/ObexPushAgent.h"
#include "transfer/ObexReceiver.h"
#include "transfer/ReceiveDialog.h"
#include "tree/FolderTree.h"
#include "tree/FolderTreeModel.h"
#include "tree/TreeNode.h"

#include <QApplication>

#include <algorithm>
#include <memory>

QString ReceiveCommands::keyPath() { return SettingsSchema::Receive.fullPath(); }

QString ReceiveCommands::portFailure(const QString& address, quint32 port, const QString& reason)
{
    // The phone's words alone send a user to settings this system does not have: what failed,
    // and where the address and port are set, let them pick a free one.
    const QString where = address.trimmed().isEmpty() ? Txt::text(Txt::EveryAddress) : address.trimmed();
    return Txt::text(Txt::CannotListen).arg(where, QString::number(port), reason, keyPath());
}

void ReceiveCommands::registerCommands(CommandTable& table)
{
    table.add(Cmd::ReceiveInfrared, [this] { receive(); });
}

void ReceiveCommands::receive()
{
    const QString address = SettingsSchema::read(SettingsSchema::ReceiveAddress);
    const quint32 port = SettingsSchema::read(SettingsSchema::ReceivePort);
    // There is no other OBEX server of the system's own to stop and start again around ours: the
    // server listens only while the page is open.
    platform::ListenSocket listener;
    QString reason = QStringLiteral("not a port number");
    if (port > 0xFFFF || !listener.open(address, static_cast<quint16>(port), &reason)) {
        MessageBox::error(m_owner, Str::text(Str::InfraredPortFailed) + QStringLiteral("\n\n")
                                       + portFailure(address, port, reason));
        return;
    }

    QString folder;
    TreeNode* folderItem = nullptr;
    Paste::pasteTarget(m_tree, folder, folderItem);
    ObexReceiver receiver(m_fileSystem, folder, std::move(listener));
    ReceiveDialog dialog(receiver, folder + u'\\');
    receiver.start(
        [&dialog](const QString& path) {
            return MessageBox::question(&dialog, Str::arg(Str::OverwriteReceived, path),
                                        Str::text(Str::ReceivingFileCaption))
                   == Cmd::Yes;
        },
        [&dialog] {
            QMetaObject::invokeMethod(
                &dialog, [&dialog] { dialog.refresh(); }, Qt::QueuedConnection);
        });
    // Pushes over Bluetooth come through obexd while the page is open, beside those over TCP.
    const QString folderPrefix = folder.endsWith(u'\\') ? folder : folder + u'\\';
    auto agent = std::make_unique<ObexPushAgent>(
        m_fileSystem.hostPath(folder), [&dialog, folderPrefix](const QString& name) {
            return MessageBox::question(&dialog, Str::arg(Str::OverwriteReceived, folderPrefix + name),
                                        Str::text(Str::ReceivingFileCaption))
                   == Cmd::Yes;
        });
    dialog.watch(*agent);
    agent->start();
    BacklightHold::acquire();
    (void)dialog.run(QApplication::activeWindow() ? QApplication::activeWindow() : m_owner);
    BacklightHold::release();
    // An object still coming is given up with the session: nothing of it stays on the disk.
    receiver.stop();
    const QStringList pushed = agent->newNames();
    agent.reset();

    QStringList arrived = receiver.newPaths();
    for (const QString& name : pushed)
        if (!arrived.contains(folderPrefix + name))
            arrived << folderPrefix + name;
    TreeNode* parent = folderItem ? folderItem : m_tree.treeModel()->root();
    for (const QString& path : arrived) {
        if (!m_fileSystem.exists(path))
            continue;
        // A closed folder is reread when the first new item opens it: the items after that
        // one are then there already, and are only made current.
        const QString name = path.mid(path.lastIndexOf(u'\\') + 1);
        const auto shown = std::find_if(parent->children.begin(), parent->children.end(),
                                        [&](const auto& child) { return child->text == name; });
        if (shown != parent->children.end())
            m_tree.setCurrentNode(shown->get());
        else
            (void)m_tree.populateSingle(path, folderItem);
    }
    if (!arrived.isEmpty())
        m_changed();
}
