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
    PemPair server = tracker({"127.0.0.1"}, &ca);
    PemPair selfSigned = tracker({"127.0.0.1", "localhost"}, nullptr, Y2001, Y2091);
    PemPair otherName = tracker({"tracker.example"}, &ca);
    PemPair expired = tracker({"127.0.0.1"}, &ca, Y2001, Y2002);
    PemPair notYetValid = tracker({"127.0.0.1"}, &ca, Y2090, Y2091);
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

    // A server named "tracker" for these names, signed by issuer (none: self-signed).
    static PemPair tracker(std::vector<std::string> names, const PemPair *issuer,
                           std::time_t from = 0, std::time_t until = 0)
    {
        return make({"tracker", std::move(names), from, until}, issuer);
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
