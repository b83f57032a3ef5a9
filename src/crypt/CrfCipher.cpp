#include "crypt/CrfCipher.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace {

struct Algorithms {
    OSSL_LIB_CTX* library = nullptr;
    EVP_CIPHER* tripleDes = nullptr;
    EVP_MD* md5 = nullptr;
};

// Set up once and kept for the life of the process: OpenSSL asks that a library context not
// be freed while threads that used it may still hold state of it, and its own clean-up at
// exit would run after any destructor of ours.
const Algorithms& algorithms()
{
    static const Algorithms found = [] {
        Algorithms result;
        result.library = OSSL_LIB_CTX_new();
        if (!result.library)
            return result;
        // Three-key Triple DES and MD5 are in OpenSSL 3's default provider (Debian 12's 3.0
        // has them there; its legacy provider holds single and two-key DES). The default
        // provider is loaded by name, since a context of our own reads no configuration; the
        // legacy one is tried only should a build ever move either algorithm there.
        (void)OSSL_PROVIDER_load(result.library, "default");
        const auto fetch = [&result] {
            if (!result.tripleDes)
                result.tripleDes = EVP_CIPHER_fetch(result.library, "DES-EDE3-CBC", nullptr);
            if (!result.md5)
                result.md5 = EVP_MD_fetch(result.library, "MD5", nullptr);
        };
        fetch();
        if ((!result.tripleDes || !result.md5) && OSSL_PROVIDER_load(result.library, "legacy"))
            fetch();
        // A fetch that failed leaves its reason in this thread's error queue.
        ERR_clear_error();
        return result;
    }();
    return found;
}

const unsigned char* bytes(const char* data) { return reinterpret_cast<const unsigned char*>(data); }
unsigned char* bytes(char* data) { return reinterpret_cast<unsigned char*>(data); }

}  // namespace

struct CrfCipher::Context {
    EVP_CIPHER_CTX* cipher = nullptr;
    ~Context() { EVP_CIPHER_CTX_free(cipher); }
};

bool CrfCipher::available()
{
    const Algorithms& found = algorithms();
    return found.tripleDes && found.md5;
}

QByteArray CrfCipher::md5(QByteArrayView data)
{
    const Algorithms& found = algorithms();
    if (!found.md5)
        return QByteArray();
    QByteArray hash(EVP_MAX_MD_SIZE, '\0');
    unsigned int size = 0;
    if (EVP_Digest(data.data(), static_cast<size_t>(data.size()), bytes(hash.data()), &size, found.md5, nullptr) != 1) {
        ERR_clear_error();
        return QByteArray();
    }
    hash.truncate(static_cast<qsizetype>(size));
    return hash;
}

CrfCipher::CrfCipher() : m_context(std::make_unique<Context>()) {}

CrfCipher::~CrfCipher() = default;

bool CrfCipher::start(const QByteArray& key, Direction direction, bool padding, const QByteArray& initialVector)
{
    const Algorithms& found = algorithms();
    if (!found.tripleDes || key.size() != KeySize || (!initialVector.isEmpty() && initialVector.size() != BlockSize))
        return false;
    if (!m_context->cipher)
        m_context->cipher = EVP_CIPHER_CTX_new();
    const unsigned char zero[BlockSize] = {};
    const unsigned char* iv = initialVector.isEmpty() ? zero : bytes(initialVector.constData());
    if (!m_context->cipher
        || EVP_CipherInit_ex2(m_context->cipher, found.tripleDes, bytes(key.constData()), iv,
                              direction == Direction::Encrypt ? 1 : 0, nullptr)
               != 1
        || EVP_CIPHER_CTX_set_padding(m_context->cipher, padding ? 1 : 0) != 1) {
        ERR_clear_error();
        return false;
    }
    return true;
}

bool CrfCipher::update(const char* in, qint64 size, char* out, qint64& written)
{
    written = 0;
    int put = 0;
    if (!m_context->cipher || size < 0 || size > MaxPiece
        || EVP_CipherUpdate(m_context->cipher, bytes(out), &put, bytes(in), static_cast<int>(size)) != 1) {
        ERR_clear_error();
        return false;
    }
    written = put;
    return true;
}

bool CrfCipher::finish(char* out, qint64& written)
{
    written = 0;
    int put = 0;
    if (!m_context->cipher || EVP_CipherFinal_ex(m_context->cipher, bytes(out), &put) != 1) {
        ERR_clear_error();
        return false;
    }
    written = put;
    return true;
}
