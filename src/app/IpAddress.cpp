#include "app/IpAddress.h"

#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>

bool IpAddress::parse(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    m_family = 0;
    std::memset(m_bytes, 0, sizeof m_bytes);
    for (const int family : {AF_INET, AF_INET6}) {
        if (::inet_pton(family, bytes.constData(), m_bytes) == 1) {
            m_family = family;
            return true;
        }
    }
    std::memset(m_bytes, 0, sizeof m_bytes);
    return false;
}

bool IpAddress::isLoopback() const
{
    if (m_family == AF_INET)
        return m_bytes[0] == 127;
    if (m_family != AF_INET6)
        return false;
    static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    static const unsigned char mappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(m_bytes, loopback, sizeof loopback) == 0
           || (std::memcmp(m_bytes, mappedPrefix, sizeof mappedPrefix) == 0 && m_bytes[12] == 127);
}

QString IpAddress::toString() const
{
    if (m_family == 0)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (::inet_ntop(m_family, m_bytes, text, sizeof text) == nullptr)
        return {};
    return QString::fromLatin1(text);
}

socklen_t IpAddress::toSocketAddress(quint16 port, sockaddr_storage& out) const
{
    std::memset(&out, 0, sizeof out);
    if (m_family == AF_INET) {
        auto* in = reinterpret_cast<sockaddr_in*>(&out);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        std::memcpy(&in->sin_addr, m_bytes, sizeof in->sin_addr);
        return sizeof(sockaddr_in);
    }
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    std::memcpy(&in6->sin6_addr, m_bytes, sizeof in6->sin6_addr);
    return sizeof(sockaddr_in6);
}
