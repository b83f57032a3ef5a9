#pragma once

#include <QString>

#include <sys/socket.h>

// A numeric IPv4 or IPv6 address, read and written by the system's own routines.
class IpAddress {
public:
    // Reads "192.168.1.20" or "fe80::1"; false (and a null address) for anything else,
    // host names included.
    [[nodiscard]] bool parse(const QString& text);

    bool isNull() const { return m_family == 0; }
    bool isIpv6() const { return m_family == AF_INET6; }
    // 127.0.0.0/8, ::1, and an IPv4 loopback address written as IPv6 (::ffff:127.0.0.1).
    bool isLoopback() const;
    // The usual form: IPv6 in lower case with its longest run of zeros left out.
    QString toString() const;
    // The address with `port`, for bind() or connect(); returns its length.
    socklen_t toSocketAddress(quint16 port, sockaddr_storage& out) const;

private:
    int m_family = 0;
    unsigned char m_bytes[16] = {};
};
