#include "crypt/CrfCipher.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/provider.h>

#include <dlfcn.h>

namespace {

#define FENNICK_TEXT(x) #x
#define FENNICK_SONAME(version) "libcrypto.so." FENNICK_TEXT(version)

// The functions of OpenSSL's libcrypto that are called, found when the first file is
// encrypted or decrypted rather than linked: the library is large, and loading it (with its
// thousands of symbols to bind) would cost every start, where most never encrypt anything.
struct Crypto {
    decltype(&OSSL_LIB_CTX_new) libraryNew = nullptr;
    decltype(&OSSL_PROVIDER_load) providerLoad = nullptr;
    decltype(&EVP_CIPHER_fetch) cipherFetch = nullptr;
    decltype(&EVP_MD_fetch) digestFetch = nullptr;
    decltype(&ERR_clear_error) clearError = nullptr;
    decltype(&EVP_Digest) digest = nullptr;
    decltype(&EVP_CIPHER_CTX_new) contextNew = nullptr;
    decltype(&EVP_CIPHER_CTX_free) contextFree = nullptr;
    decltype(&EVP_CipherInit_ex2) cipherInit = nullptr;
    decltype(&EVP_CIPHER_CTX_set_padding) setPadding = nullptr;
    decltype(&EVP_CipherUpdate) cipherUpdate = nullptr;
    decltype(&EVP_CipherFinal_ex) cipherFinal = nullptr;
};

template <typename Function>
bool find(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

// Loaded once and kept for the life of the process; null when the library or one of the
// functions is missing (the algorithms are then not available).
const Crypto* crypto()
{
    static const Crypto* const loaded = []() -> const Crypto* {
        void* library = ::dlopen(FENNICK_SONAME(OPENSSL_SHLIB_VERSION), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static Crypto functions;
        const bool all = find(library, "OSSL_LIB_CTX_new", functions.libraryNew)
                         && find(library, "OSSL_PROVIDER_load", functions.providerLoad)
                         && find(library, "EVP_CIPHER_fetch", functions.cipherFetch)
                         && find(library, "EVP_MD_fetch", functions.digestFetch)
                         && find(library, "ERR_clear_error", functions.clearError)
                         && find(library, "EVP_Digest", functions.digest)
                         && find(library, "EVP_CIPHER_CTX_new", functions.contextNew)
                         && find(library, "EVP_CIPHER_CTX_free", functions.contextFree)
                         && find(library, "EVP_CipherInit_ex2", functions.cipherInit)
                         && find(library, "EVP_CIPHER_CTX_set_padding", functions.setPadding)
                         && find(library, "EVP_CipherUpdate", functions.cipherUpdate)
                         && find(library, "EVP_CipherFinal_ex", functions.cipherFinal);
        return all ? &functions : nullptr;
    }();
    return loaded;
}

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
        const Crypto* const ssl = crypto();
        if (!ssl)
            return result;
        result.library = ssl->libraryNew();
        if (!result.library)
            return result;
        // Three-key Triple DES and MD5 are in OpenSSL 3's default provider (Debian 12's 3.0
        // has them there; its legacy provider holds single and two-key DES). The default
        // provider is loaded by name, since a context of our own reads no configuration; the
        // legacy one is tried only should a build ever move either algorithm there.
        (void)ssl->providerLoad(result.library, "default");
        const auto fetch = [&result, ssl] {
            if (!result.tripleDes)
                result.tripleDes = ssl->cipherFetch(result.library, "DES-EDE3-CBC", nullptr);
            if (!result.md5)
                result.md5 = ssl->digestFetch(result.library, "MD5", nullptr);
        };
        fetch();
        if ((!result.tripleDes || !result.md5) && ssl->providerLoad(result.library, "legacy"))
            fetch();
        // A fetch that failed leaves its reason in this thread's error queue.
        ssl->clearError();
        return result;
    }();
    return found;
}

const unsigned char* bytes(const char* data) { return reinterpret_cast<const unsigned char*>(data); }
unsigned char* bytes(char* data) { return reinterpret_cast<unsigned char*>(data); }

}  // namespace

struct CrfCipher::Context {
    EVP_CIPHER_CTX* cipher = nullptr;
    ~Context()
    {
        if (cipher)
            crypto()->contextFree(cipher);
    }
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
    const Crypto* const ssl = crypto();  // there, since MD5 was found through it
    if (ssl->digest(data.data(), static_cast<size_t>(data.size()), bytes(hash.data()), &size, found.md5, nullptr)
        != 1) {
        ssl->clearError();
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
    const Crypto* const ssl = crypto();  // there, since Triple DES was found through it
    if (!m_context->cipher)
        m_context->cipher = ssl->contextNew();
    const unsigned char zero[BlockSize] = {};
    const unsigned char* iv = initialVector.isEmpty() ? zero : bytes(initialVector.constData());
    if (!m_context->cipher
        || ssl->cipherInit(m_context->cipher, found.tripleDes, bytes(key.constData()), iv,
                           direction == Direction::Encrypt ? 1 : 0, nullptr)
               != 1
        || ssl->setPadding(m_context->cipher, padding ? 1 : 0) != 1) {
        ssl->clearError();
        return false;
    }
    return true;
}

bool CrfCipher::update(const char* in, qint64 size, char* out, qint64& written)
{
    written = 0;
    int put = 0;
    // A stream is started only once the library was there.
    if (!m_context->cipher || size < 0 || size > MaxPiece
        || crypto()->cipherUpdate(m_context->cipher, bytes(out), &put, bytes(in), static_cast<int>(size)) != 1) {
        if (m_context->cipher)
            crypto()->clearError();
        return false;
    }
    written = put;
    return true;
}

bool CrfCipher::finish(char* out, qint64& written)
{
    written = 0;
    int put = 0;
    if (!m_context->cipher || crypto()->cipherFinal(m_context->cipher, bytes(out), &put) != 1) {
        if (m_context->cipher)
            crypto()->clearError();
        return false;
    }
    written = put;
    return true;
}
