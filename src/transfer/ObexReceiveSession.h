#pragma once

#include <QByteArray>
#include <QString>

class ReceiveTarget;

// The server side of OBEX push for one sender, over whole packets: CONNECT, PUT (one object
// after the other), DISCONNECT and ABORT; GET, SETPATH and the rest get no response at all.
// Holds no socket: the worker feeds it the packets of one link and sends back what it answers.
// Once the session has ended, every packet is ignored; the next sender gets a session of its
// own, so that nothing one sender does outlives its link.
class ObexReceiveSession {
public:
    enum class Outcome {
        Going,
        Disconnected,  // the peer said goodbye
        Cancelled,     // the peer aborted, or the user refused to overwrite
        Failed,        // a request that cannot be read, a file that cannot be written, or a
                       // link lost in the middle of an object
        Left,          // the link closed between objects, without a goodbye
    };

    explicit ObexReceiveSession(ReceiveTarget& target) : m_target(target) {}
    ~ObexReceiveSession();

    // Acts on one whole packet; `reply` gets the response, empty when none is sent.
    void handle(QByteArrayView packet, QByteArray& reply);
    // The byte stream cannot be framed (a length field below 3 or above the packet limit): the
    // object is given up and `reply` tells the peer.
    void brokenStream(bool tooLarge, QByteArray& reply);
    // The link closed or broke: an object that was not complete is given up, and the session
    // has failed; between objects the sender has just left.
    void linkLost();
    // The user ended the session.
    void cancel();

    Outcome outcome() const { return m_outcome; }
    bool hasObject() const { return m_objectOpen; }
    // The name of the object being received or received last; the body bytes of the session,
    // those of an object given up included.
    QString name() const { return m_name; }
    qint64 total() const { return m_total; }
    // The string id for the status line when the session has failed.
    int failureText() const { return m_failureText; }
    // Objects that took their names in this session.
    int objectsReceived() const { return m_objectsReceived; }

private:
    void put(QByteArrayView packet, bool final, QByteArray& reply);
    void fail(quint8 code, int text, QByteArray& reply);
    void dropObject();

    ReceiveTarget& m_target;
    Outcome m_outcome = Outcome::Going;
    bool m_objectOpen = false;
    // An End-of-Body ended the object before the final packet of its PUT: the packets up to
    // that one belong to it and start nothing new.
    bool m_awaitingFinal = false;
    QString m_name;
    qint64 m_total = 0;
    int m_failureText = 0;
    int m_objectsReceived = 0;
};
