#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;

// The simulator's TLS identity: a certificate chain and key, and the authority a client
// certificate must come from when one is asked for.
class TlsContext final
{
public:
    // certificatePem holds the server's certificate first, then any chain. clientCaFile empty:
    // no client certificate is asked for. Nothing, with the reason in error, on failure.
    static std::unique_ptr<TlsContext> create(const std::string &certificatePem,
                                              const std::string &keyPem,
                                              const std::string &clientCaFile, std::string &error);
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    // The server's side of a handshake on a new connection, given at most timeoutMs; nothing
    // when it failed.
    SSL *accept(int sock, int timeoutMs) const;

private:
    explicit TlsContext(SSL_CTX *context)
        : m_context(context)
    { }
    SSL_CTX *m_context;
};

// One accepted connection's bytes, straight on the socket or inside TLS.
class Channel final
{
public:
    Channel(int sock, SSL *ssl)
        : m_sock(sock)
        , m_ssl(ssl)
    { }
    ~Channel();
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    int socket() const { return m_sock; }
    // Bytes already decrypted and waiting: a poll of the socket would not see them.
    bool hasBuffered() const;
    ssize_t receive(char *data, std::size_t size);
    // Waits up to writeTimeoutMs for room, then sends what fits.
    ssize_t sendSome(const char *data, std::size_t size, int writeTimeoutMs);
    // Tells the peer nothing more comes.
    void endSending();

private:
    const int m_sock;
    SSL *const m_ssl;
};

// The whole file, or nothing with the reason in error.
bool readWholeFile(const std::string &fileName, std::string &text, std::string &error);
