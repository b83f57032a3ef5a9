// Receives one large object over loopback with the OBEX receive server, pushed in the protocol's
// 16 KiB request/response lockstep, and compares it with a raw TCP exchange in the same lockstep
// whose server writes what it gets to a file in the same folder: the same work on both sides,
// without the protocol (goal: OBEX >= 0.9 x raw). The "Receiving..." page is up meanwhile,
// and a 5 ms timer measures the longest stall of the user-interface thread (goal <= 50 ms).
// Usage: obex_receive HOST_FOLDER [MEGABYTES]   (HOST_FOLDER takes the received file)
#include "LongestStall.h"

#include "platform/StreamSocket.h"
#include "platform/linux/LinuxFileSystem.h"
#include "transfer/ObexPacket.h"
#include "transfer/ObexReceiver.h"
#include "transfer/ReceiveDialog.h"

#include <QApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

bool sendAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

bool receiveAll(int fd, char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, static_cast<size_t>(size), 0);
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

// One request of `size` bytes, answered by 3 bytes, `count` times.
bool lockstep(int fd, const QByteArray& request, qint64 count, const QByteArray& last)
{
    char reply[3];
    for (qint64 i = 0; i < count; ++i)
        if (!sendAll(fd, request.constData(), request.size()) || !receiveAll(fd, reply, 3))
            return false;
    return sendAll(fd, last.constData(), last.size()) && receiveAll(fd, reply, 3);
}

double rawExchange(qint64 packets, const QByteArray& folder)
{
    const QByteArray path = folder + "/raw.bin";
    platform::ListenSocket listener;
    if (!listener.open(QStringLiteral("127.0.0.1"), 0))
        return 0;
    platform::SocketWake wake;
    std::thread server([&] {
        platform::StreamSocket link;
        if (listener.accept(link, wake) != platform::SocketIo::Ok)
            return;
        std::vector<char> buffer(Obex::MaxPacket);
        const QByteArray reply = Obex::response(Obex::Continue);
        const int out = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0)
            return;
        for (qint64 i = 0; i <= packets; ++i) {
            qint64 have = 0;
            while (have < Obex::MaxPacket) {
                qint64 got = 0;
                if (link.receive(buffer.data() + have, Obex::MaxPacket - have, got, wake) != platform::SocketIo::Ok)
                    return;
                have += got;
            }
            // The data of a Body packet: all but its 6 bytes of framing.
            if (::write(out, buffer.data() + 6, Obex::MaxPacket - 6) != Obex::MaxPacket - 6)
                break;
            if (link.sendAll(reply.constData(), 3, wake) != platform::SocketIo::Ok)
                break;
        }
        ::close(out);
    });
    const int fd = connectTo(listener.port());
    const QByteArray request(Obex::MaxPacket, 'r');
    QElapsedTimer clock;
    clock.start();
    const bool ok = fd >= 0 && lockstep(fd, request, packets, request);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    ::close(fd);
    server.join();
    ::unlink(path.constData());
    return ok ? seconds : 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s HOST_FOLDER [MEGABYTES]\n", argv[0]);
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const qint64 megabytes = argc > 2 ? QByteArray(argv[2]).toLongLong() : 256;
    // Every request is one full packet: 6 bytes of opcode, length and Body header, the rest data.
    const qint64 chunk = Obex::MaxPacket - 6;
    const qint64 packets = megabytes * 1048576 / chunk;

    const double raw = rawExchange(packets, QByteArray(argv[1]));

    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    platform::ListenSocket listener;
    if (!listener.open(QStringLiteral("127.0.0.1"), 0))
        return 1;
    ObexReceiver receiver(fileSystem, QStringLiteral("\\"), std::move(listener));
    ReceiveDialog dialog(receiver, QStringLiteral("\\"));
    receiver.start([](const QString&) { return true; },
                   [&dialog] {
                       QMetaObject::invokeMethod(
                           &dialog, [&dialog] { dialog.refresh(); }, Qt::QueuedConnection);
                   });
    dialog.resize(240, 320);
    dialog.show();
    std::atomic<bool> done = false;
    double obex = 0;
    std::thread client([&] {
        const int fd = connectTo(receiver.port());
        char reply[7];
        const QByteArray connect("\x80\x00\x07\x10\x00\x40\x00", 7);
        const QByteArray first = Obex::packet(Obex::Put, Obex::textHeader(Obex::Name, QStringLiteral("big.bin")));
        const QByteArray body = Obex::packet(Obex::Put, Obex::bytesHeader(Obex::Body, QByteArray(chunk, 'o')));
        const QByteArray last = Obex::packet(Obex::PutFinal, Obex::bytesHeader(Obex::EndOfBody, {}));
        QElapsedTimer clock;
        clock.start();
        const bool ok = fd >= 0 && sendAll(fd, connect.constData(), 7) && receiveAll(fd, reply, 7)
                        && sendAll(fd, first.constData(), first.size()) && receiveAll(fd, reply, 3)
                        && lockstep(fd, body, packets, last) && sendAll(fd, "\x81\x00\x03", 3)
                        && receiveAll(fd, reply, 3);
        obex = ok ? double(clock.nsecsElapsed()) / 1e9 : 0;
        ::close(fd);
        done = true;
    });
    const double stall = longestStall([&] {
        while (!done)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    });
    client.join();
    receiver.stop();
    const double mb = double(packets * chunk) / 1048576.0;
    std::printf("raw lockstep, written to a file:  %.1f MB in %.3f s = %.1f MB/s\n", mb, raw, raw > 0 ? mb / raw : 0);
    std::printf("OBEX receive:  %.1f MB in %.3f s = %.1f MB/s\n", mb, obex, obex > 0 ? mb / obex : 0);
    std::printf("ratio OBEX/raw: %.2f (goal >= 0.90)\n", obex > 0 && raw > 0 ? raw / obex : 0);
    std::printf("longest user-interface stall: %.1f ms (goal <= 50)\n", stall);
    return obex > 0 && raw > 0 ? 0 : 1;
}
