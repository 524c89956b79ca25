#pragma once

#include "TlsCertificates.h"

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <ctime>

// The certificates of the TLS tests, made at test time: an authority with servers it signs for
// 127.0.0.1 (right, for another name, expired, not yet valid), a self-signed server valid from
// 2001 to 2091, and a client authority with a client it signs.
struct TlsIdentities
{
    // The first seconds of 2001, 2002, 2090 and 2091, UTC.
    static constexpr std::time_t Y2001 = 978307200, Y2002 = 1009843200, Y2090 = 3786912000,
                                 Y2091 = 3818448000;

    PemPair ca = make({.commonName = "Test CA", .authority = true});
    PemPair server = make({.commonName = "tracker", .names = {"127.0.0.1"}}, &ca);
    PemPair selfSigned = make({.commonName = "tracker",
                               .names = {"127.0.0.1", "localhost"},
                               .validFrom = Y2001,
                               .validUntil = Y2091});
    PemPair otherName = make({.commonName = "tracker", .names = {"tracker.example"}}, &ca);
    PemPair expired = make(
        {.commonName = "tracker", .names = {"127.0.0.1"}, .validFrom = Y2001, .validUntil = Y2002},
        &ca);
    PemPair notYetValid = make(
        {.commonName = "tracker", .names = {"127.0.0.1"}, .validFrom = Y2090, .validUntil = Y2091},
        &ca);
    PemPair clientCa = make({.commonName = "Client CA", .authority = true});
    PemPair client = make({.commonName = "operator"}, &clientCa);

    static PemPair make(const CertificatePlan &plan, const PemPair *issuer = nullptr)
    {
        std::string error;
        const auto made = makeCertificate(plan, issuer, error);
        if (!made)
            qFatal("cannot make a test certificate: %s", error.c_str());
        return *made;
    }

    static QSslCertificate certificate(const PemPair &pair)
    {
        return QSslCertificate(QByteArray::fromStdString(pair.certificate), QSsl::Pem);
    }
    static QSslKey key(const PemPair &pair)
    {
        return QSslKey(QByteArray::fromStdString(pair.key), QSsl::Ec, QSsl::Pem);
    }
};
