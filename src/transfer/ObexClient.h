#pragma once

#include "platform/StreamSocket.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

// Pushes files to an OBEX peer over TCP, as a worker thread does: CONNECT, one PUT per file
// (Name and Length first, then the data in Body headers, the last piece in End-of-Body), ABORT
// when stopped, DISCONNECT. Every call blocks, but never for longer than the time-out given
// at connect, and not at all once interrupted; no widget is touched.
class ObexClient {
public:
    enum class Outcome {
        Sent,
        CannotConnect,  // no peer, or it does not answer the CONNECT
        CannotRead,     // the file could not be read
        WriteFailed,    // the connection broke during the data
        Refused,        // the peer refused the PUT, or it was stopped
    };

    ObexClient() = default;
    ObexClient(const ObexClient&) = delete;
    ObexClient& operator=(const ObexClient&) = delete;

    // Connects to "host:port" and opens an OBEX session. `timeoutMs` bounds every wait for the
    // peer from then on.
    Outcome connect(const QString& address, int timeoutMs);

    // Reads up to `size` bytes into `data`; the count, 0 at the end, -1 on a read error.
    using Reader = std::function<qint64(char* data, qint64 size)>;
    // Puts one object. `chunk` bounds the data of one packet (smaller for old peers); `sent`
    // hears the count after each packet; `stop` is looked at between packets: the PUT is
    // aborted and the outcome is Refused.
    Outcome put(const QString& name, quint32 length, const Reader& read, int chunk,
                const std::function<void(qint64)>& sent, const std::atomic<bool>& stop);

    // Ends the session and closes the connection.
    void disconnect();

    // From any thread: ends the wait in progress and every later one at once, for a peer that
    // has gone silent. The connection is then of no more use.
    void interrupt() { m_wake.raise(); }

    // The packet size the peer accepts (its CONNECT answer), at most our own.
    int peerPacketSize() const { return m_packetSize; }

private:
    // Sends one request and reads its response code; 0 when the connection failed.
    int request(const QByteArray& packet, QByteArray* response = nullptr);

    platform::SocketWake m_wake;
    platform::StreamSocket m_socket;
    int m_timeoutMs = 10000;
    int m_packetSize = 255;
};
