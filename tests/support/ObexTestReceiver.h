#pragma once

// A small OBEX receiver for tests, on 127.0.0.1 and a free port, run by a thread of its own:
// it answers CONNECT with the packet size it is given, takes PUTs (Name, Length, Body,
// End-of-Body) and ABORT and DISCONNECT, and keeps what arrived. It can refuse every object,
// to show how a sender takes a refusal. Its loops end when the peer closes or it is stopped.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

class ObexTestReceiver {
public:
    struct Object {
        QString name;
        quint32 length = 0;
        QByteArray data;
        bool complete = false;  // ended by the final PUT, not aborted
    };

    explicit ObexTestReceiver(int packetSize = 0x2000, quint8 finalAnswer = 0xA0)
        : m_packetSize(packetSize), m_finalAnswer(finalAnswer)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0
            || ::listen(m_listener, 4) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ObexTestReceiver()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    std::vector<Object> objects() const
    {
        std::lock_guard lock(m_mutex);
        return m_objects;
    }
    // The largest packet a sender sent.
    int largestPacket() const { return m_largest.load(); }

private:
    // Waits for something to read, a tenth of a second at a time, until stopped.
    bool waitFor(int socket)
    {
        while (!m_stop) {
            pollfd wait{socket, POLLIN, 0};
            if (::poll(&wait, 1, 100) > 0)
                return true;
        }
        return false;
    }
    bool readExactly(int socket, char* data, int size)
    {
        for (int done = 0; done < size;) {
            if (!waitFor(socket))
                return false;
            const ssize_t got = ::recv(socket, data + done, static_cast<size_t>(size - done), 0);
            if (got <= 0)
                return false;
            done += static_cast<int>(got);
        }
        return true;
    }
    static void answer(int socket, const QByteArray& bytes)
    {
        (void)::send(socket, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
    }

    void serve()
    {
        while (!m_stop) {
            if (!waitFor(m_listener))
                return;
            const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket < 0)
                continue;
            session(socket);
            ::close(socket);
        }
    }

    void session(int socket)
    {
        Object current;
        for (;;) {
            char head[3];
            if (!readExactly(socket, head, 3))
                return;
            const int size = static_cast<quint8>(head[1]) << 8 | static_cast<quint8>(head[2]);
            if (size < 3)
                return;
            QByteArray body(size - 3, '\0');
            if (!readExactly(socket, body.data(), size - 3))
                return;
            m_largest = std::max(m_largest.load(), size);
            const quint8 code = static_cast<quint8>(head[0]);
            if (code == 0x80) {
                answer(socket, QByteArray("\xA0\x00\x07\x10\x00", 5) + static_cast<char>(m_packetSize >> 8)
                                   + static_cast<char>(m_packetSize & 0xFF));
                continue;
            }
            if (code == 0x81 || code == 0xFF) {
                if (code == 0xFF)
                    keep(current);
                current = Object();
                answer(socket, QByteArray("\xA0\x00\x03", 3));
                if (code == 0x81)
                    return;
                continue;
            }
            if (code != 0x02 && code != 0x82) {
                answer(socket, QByteArray("\xC0\x00\x03", 3));  // Bad Request
                continue;
            }
            for (int at = 0; at < body.size();) {
                const quint8 id = static_cast<quint8>(body.at(at));
                if ((id & 0xC0) == 0xC0) {
                    quint32 value = 0;
                    for (int i = 1; i <= 4 && at + i < body.size(); ++i)
                        value = value << 8 | static_cast<quint8>(body.at(at + i));
                    if (id == 0xC3)
                        current.length = value;
                    at += 5;
                    continue;
                }
                const int length = at + 2 < body.size() ? static_cast<quint8>(body.at(at + 1)) << 8
                                                              | static_cast<quint8>(body.at(at + 2))
                                                        : 0;
                if (length < 3)
                    break;
                const QByteArray value = body.mid(at + 3, length - 3);
                if (id == 0x01) {
                    for (int i = 0; i + 1 < value.size(); i += 2)
                        if (const char16_t c = static_cast<char16_t>(static_cast<quint8>(value.at(i)) << 8
                                                                     | static_cast<quint8>(value.at(i + 1))))
                            current.name += QChar(c);
                } else if (id == 0x48 || id == 0x49) {
                    current.data += value;
                }
                at += length;
            }
            if (code == 0x82) {
                current.complete = m_finalAnswer == 0xA0;
                keep(current);
                current = Object();
                answer(socket, QByteArray(1, static_cast<char>(m_finalAnswer)) + QByteArray("\x00\x03", 2));
            } else {
                answer(socket, QByteArray("\x90\x00\x03", 3));
            }
        }
    }
    void keep(const Object& object)
    {
        std::lock_guard lock(m_mutex);
        m_objects.push_back(object);
    }

    int m_packetSize;
    quint8 m_finalAnswer;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_largest{0};
    mutable std::mutex m_mutex;
    std::vector<Object> m_objects;
    std::thread m_thread;
};
