#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// The one door to OpenSSL: MD5, and Triple DES with three keys (EDE) in CBC mode, the two
// algorithms of the ".crf" format. Both come from a library context of our own, so that a
// system-wide OpenSSL configuration (a FIPS default, providers left out) can neither take
// them away nor swap them. Widget-free; one object is one cipher stream, used by one thread.
class CrfCipher {
public:
    static constexpr int KeySize = 24;
    static constexpr int BlockSize = 8;

    enum class Direction { Encrypt, Decrypt };

    // True when OpenSSL offers both algorithms; the first call sets the library context up.
    static bool available();
    // The 16-byte MD5 hash of `data`; empty when MD5 is not available.
    static QByteArray md5(QByteArrayView data);

    CrfCipher();
    ~CrfCipher();
    CrfCipher(const CrfCipher&) = delete;
    CrfCipher& operator=(const CrfCipher&) = delete;

    // Starts a stream with a 24-byte key (K1, K2, K3) and an 8-byte initial vector (empty:
    // all zero). With `padding`, the stream ends with PKCS#5 padding (added when encrypting,
    // checked and taken off when decrypting); without it, every piece must be whole blocks.
    [[nodiscard]] bool start(const QByteArray& key, Direction direction, bool padding = true,
                             const QByteArray& initialVector = QByteArray());
    // Runs `size` bytes (at most MaxPiece) through the stream into `out`, which must hold
    // size + BlockSize bytes; `written` gets how many were put there. A decrypting stream with
    // padding holds its last block back until finish().
    [[nodiscard]] bool update(const char* in, qint64 size, char* out, qint64& written);
    // Ends the stream: the padding block when encrypting; when decrypting, the last block
    // without its padding, or false when the data was not whole blocks or its padding is
    // wrong (a damaged file, or the wrong key). `out` must hold BlockSize bytes.
    [[nodiscard]] bool finish(char* out, qint64& written);

    static constexpr qint64 MaxPiece = 1 << 24;

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};
