// Times fennick --vnc from its start to the first frame a VNC viewer on this machine gets with
// the window on it, and from SIGTERM to its end (the server stopped), against the same
// program on Qt's own vnc platform (what --vnc used before, open to every interface), in
// alternating runs. The viewer is a minimal RFB client: it connects as soon as the port
// listens, asks for raw frames and counts a frame as the window once it holds more than 16
// colours (the empty screens of both servers hold one).
// Usage: vnc_first_frame FENNICK ROOT [RUNS]
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <csignal>

namespace {

constexpr int WaitMs = 10000;

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool readExactly(QTcpSocket& socket, qint64 count, QByteArray& bytes)
{
    while (socket.bytesAvailable() < count)
        if (!socket.waitForReadyRead(WaitMs))
            return false;
    bytes = socket.read(count);
    return true;
}

quint32 big32(const QByteArray& bytes, int at) { return qFromBigEndian<quint32>(bytes.constData() + at); }
quint16 big16(const QByteArray& bytes, int at) { return qFromBigEndian<quint16>(bytes.constData() + at); }

// Connects (retrying until the port listens), shakes hands without a password in RFB 3.3 or
// 3.8, and reads frames until one shows the window. False when the server gave up.
bool waitForWindow(int port, const QProcess& program)
{
    QTcpSocket socket;
    for (;;) {
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        if (socket.waitForConnected(WaitMs))
            break;
        if (program.state() == QProcess::NotRunning)
            return false;
        socket.abort();
        QThread::msleep(2);
    }
    QByteArray bytes;
    if (!readExactly(socket, 12, bytes))
        return false;
    const bool version38 = bytes.startsWith("RFB 003.008") || bytes.startsWith("RFB 003.007");
    socket.write(version38 ? "RFB 003.008\n" : "RFB 003.003\n");
    if (version38) {
        if (!readExactly(socket, 1, bytes) || !readExactly(socket, static_cast<quint8>(bytes.at(0)), bytes)
            || !bytes.contains('\x01'))
            return false;
        socket.write("\x01", 1);
        if (!readExactly(socket, 4, bytes) || big32(bytes, 0) != 0)
            return false;
    } else if (!readExactly(socket, 4, bytes) || big32(bytes, 0) != 1) {
        return false;
    }
    socket.write("\x01", 1);  // shared
    if (!readExactly(socket, 24, bytes))
        return false;
    const quint16 width = big16(bytes, 0);
    const quint16 height = big16(bytes, 2);
    if (!readExactly(socket, big32(bytes, 20), bytes))
        return false;
    // 32 bits a pixel, true colour; raw frames only.
    socket.write(QByteArray::fromHex("00000000"
                                     "20180001"
                                     "00ff00ff00ff"
                                     "100800"
                                     "000000"));
    socket.write(QByteArray::fromHex("02000001"
                                     "00000000"));
    QByteArray request = QByteArray::fromHex("0300"
                                             "0000"
                                             "0000");
    request.append(static_cast<char>(width >> 8))
        .append(static_cast<char>(width))
        .append(static_cast<char>(height >> 8))
        .append(static_cast<char>(height));
    socket.write(request);
    request[1] = 1;  // from the second on, only what changed

    QSet<quint32> colours;
    for (;;) {
        if (!readExactly(socket, 1, bytes))
            return false;
        const int type = static_cast<quint8>(bytes.at(0));
        if (type == 2)
            continue;  // bell
        if (type == 3) {
            if (!readExactly(socket, 7, bytes) || !readExactly(socket, big32(bytes, 3), bytes))
                return false;
            continue;
        }
        if (type != 0 || !readExactly(socket, 3, bytes))
            return false;
        for (int rectangles = big16(bytes, 1); rectangles > 0; --rectangles) {
            if (!readExactly(socket, 12, bytes) || big32(bytes, 8) != 0)
                return false;
            if (!readExactly(socket, qint64(big16(bytes, 4)) * big16(bytes, 6) * 4, bytes))
                return false;
            for (qsizetype at = 0; at + 4 <= bytes.size(); at += 4)
                colours.insert(qFromLittleEndian<quint32>(bytes.constData() + at) & 0xffffff);
        }
        if (colours.size() > 16)
            return true;
        socket.write(request);
    }
}

struct Times {
    double firstFrameMs = -1;
    double stopMs = -1;
};

Times run(const QString& fennick, const QString& root, bool qtPlatform)
{
    QTemporaryDir folder;
    const int port = freePort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QStringList arguments{QStringLiteral("--root"), root, QStringLiteral("--registry"),
                          folder.filePath(QStringLiteral("r.db"))};
    if (qtPlatform)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:size=240x320:port=%1").arg(port));
    else
        arguments << QStringLiteral("--vnc") << QString::number(port);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    program.start(fennick, arguments);
    Times times;
    if (waitForWindow(port, program))
        times.firstFrameMs = clock.nsecsElapsed() / 1e6;
    clock.restart();
    program.terminate();
    if (program.waitForFinished(WaitMs))
        times.stopMs = clock.nsecsElapsed() / 1e6;
    else
        program.kill();
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FENNICK ROOT [RUNS]\n", argv[0]);
        return 64;
    }
    const QString fennick = QString::fromLocal8Bit(argv[1]);
    const QString root = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    std::vector<double> ourFrames, ourStops, peerFrames, peerStops;
    run(fennick, root, false);  // warm the caches
    for (int i = 0; i < runs; ++i) {
        const Times ours = run(fennick, root, false);
        const Times peer = run(fennick, root, true);
        if (ours.firstFrameMs < 0 || peer.firstFrameMs < 0) {
            std::fprintf(stderr, "vnc_first_frame: no window came (fennick --vnc: %s, Qt's vnc platform: %s)\n",
                         ours.firstFrameMs < 0 ? "none" : "ok", peer.firstFrameMs < 0 ? "none" : "ok");
            return 1;
        }
        ourFrames.push_back(ours.firstFrameMs);
        ourStops.push_back(ours.stopMs);
        peerFrames.push_back(peer.firstFrameMs);
        peerStops.push_back(peer.stopMs);
    }
    std::printf(
        "start to first frame with the window: fennick --vnc (Xvnc) %.1f ms, Qt's vnc platform %.1f ms, ratio %.2f "
        "(goal: about a second at most)\n",
        median(ourFrames), median(peerFrames), median(ourFrames) / median(peerFrames));
    std::printf("SIGTERM to the end, server stopped: fennick --vnc %.1f ms, Qt's vnc platform %.1f ms\n",
                median(ourStops), median(peerStops));
    return 0;
}
