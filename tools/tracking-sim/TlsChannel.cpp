#include "TlsChannel.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>

namespace {

std::string sslError(const char *what)
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

bool useCertificates(SSL_CTX *context, const std::string &certificatePem, const std::string &keyPem,
                     std::string &error)
{
    BIO *certificates = BIO_new_mem_buf(certificatePem.data(), int(certificatePem.size()));
    X509 *leaf = PEM_read_bio_X509(certificates, nullptr, nullptr, nullptr);
    bool ok = leaf && SSL_CTX_use_certificate(context, leaf) == 1;
    X509_free(leaf);
    while (ok) {
        X509 *link = PEM_read_bio_X509(certificates, nullptr, nullptr, nullptr);
        if (!link)
            break;
        ok = SSL_CTX_add_extra_chain_cert(context, link) == 1; // takes link
    }
    ERR_clear_error(); // the end of the chain reads as an error
    BIO_free(certificates);
    if (!ok) {
        error = "no usable PEM certificate";
        return false;
    }
    BIO *keyText = BIO_new_mem_buf(keyPem.data(), int(keyPem.size()));
    EVP_PKEY *key = PEM_read_bio_PrivateKey(keyText, nullptr, nullptr, nullptr);
    BIO_free(keyText);
    ok = key && SSL_CTX_use_PrivateKey(context, key) == 1
        && SSL_CTX_check_private_key(context) == 1;
    EVP_PKEY_free(key);
    if (!ok)
        error = sslError("the key does not fit the certificate or is not an unencrypted PEM key");
    return ok;
}

void setTimeouts(int sock, int timeoutMs)
{
    const timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

} // namespace

std::unique_ptr<TlsContext> TlsContext::create(const std::string &certificatePem,
                                               const std::string &keyPem,
                                               const std::string &clientCaFile, std::string &error)
{
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    if (!context) {
        error = sslError("cannot start TLS");
        return nullptr;
    }
    std::unique_ptr<TlsContext> tls(new TlsContext(context));
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (!useCertificates(context, certificatePem, keyPem, error))
        return nullptr;
    if (!clientCaFile.empty()) {
        STACK_OF(X509_NAME) *names = SSL_load_client_CA_file(clientCaFile.c_str());
        if (!names || SSL_CTX_load_verify_locations(context, clientCaFile.c_str(), nullptr) != 1) {
            error = sslError(("cannot read the client CA file " + clientCaFile).c_str());
            return nullptr;
        }
        SSL_CTX_set_client_CA_list(context, names);
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    }
    return tls;
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_context);
}

SSL *TlsContext::accept(int sock, int timeoutMs) const
{
    // The handshake runs blocking, its reads and writes bounded by the socket's time-outs;
    // afterwards the reads are polled as on a plain connection.
    fcntl(sock, F_SETFL, fcntl(sock, F_GETFL) & ~O_NONBLOCK);
    setTimeouts(sock, timeoutMs);
    SSL *ssl = SSL_new(m_context);
    if (!ssl)
        return nullptr;
    SSL_set_fd(ssl, sock);
    if (SSL_accept(ssl) != 1) {
        ERR_clear_error();
        SSL_free(ssl);
        return nullptr;
    }
    return ssl;
}

Channel::~Channel()
{
    if (m_ssl)
        SSL_free(m_ssl);
}

bool Channel::hasBuffered() const
{
    return m_ssl && SSL_pending(m_ssl) > 0;
}

ssize_t Channel::receive(char *data, std::size_t size)
{
    if (!m_ssl)
        return ::recv(m_sock, data, size, 0);
    const int read = SSL_read(m_ssl, data, int(std::min<std::size_t>(size, 1 << 30)));
    if (read <= 0)
        ERR_clear_error();
    return read;
}

ssize_t Channel::sendSome(const char *data, std::size_t size, int writeTimeoutMs)
{
    pollfd entry{m_sock, POLLOUT, 0};
    if (::poll(&entry, 1, writeTimeoutMs) <= 0)
        return -1;
    if (!m_ssl)
        return ::send(m_sock, data, size, MSG_NOSIGNAL);
    const int written = SSL_write(m_ssl, data, int(std::min<std::size_t>(size, 1 << 30)));
    if (written <= 0)
        ERR_clear_error();
    return written;
}

void Channel::endSending()
{
    if (m_ssl)
        SSL_shutdown(m_ssl);
    ::shutdown(m_sock, SHUT_WR);
}

bool readWholeFile(const std::string &fileName, std::string &text, std::string &error)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        error = "cannot read " + fileName + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    text = bytes.str();
    return true;
}
