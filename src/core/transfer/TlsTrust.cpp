#include "transfer/TlsTrust.h"

#include "files/RegularFile.h"
#include "settings/TlsSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHostAddress>
#include <QLocale>
#include <QSslKey>
#include <QSslSocket>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString kChanged = u"certificate changed since it was trusted"_s;

QString dateText(const QDateTime &time)
{
    return QLocale::c().toString(time.toUTC(), u"yyyy-MM-dd HH:mm:ss 'UTC'"_s);
}

// A PEM file of certificates or a key is a few kilobytes; a chain of a hundred is well under this.
constexpr qint64 kTlsFileCap = 1024 * 1024;

Result<QByteArray> readFile(const QString &what, const QString &fileName)
{
    Result<QByteArray> read = readRegularFile(fileName, kTlsFileCap);
    if (!read) {
        return Failure{u"cannot read the %1 %2: %3"_s.arg(what, QDir::toNativeSeparators(fileName),
                                                          read.reason())};
    }
    return read;
}

QString asciiLower(QString text)
{
    for (QChar &c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() - u'A' + u'a');
    }
    return text;
}

Result<QList<QSslCertificate>> readCertificates(const QString &what, const QString &fileName)
{
    const Result<QByteArray> data = readFile(what, fileName);
    if (!data)
        return Failure{data.reason()};
    QList<QSslCertificate> certificates = QSslCertificate::fromData(*data, QSsl::Pem);
    if (certificates.isEmpty()) {
        return Failure{
            u"the %1 %2 holds no PEM certificate"_s.arg(what, QDir::toNativeSeparators(fileName))};
    }
    return certificates;
}

Result<QSslKey> readKey(const QString &what, const QString &fileName)
{
    const Result<QByteArray> data = readFile(what, fileName);
    if (!data)
        return Failure{data.reason()};
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Ec, QSsl::Rsa, QSsl::Dsa}) {
        QSslKey key(*data, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    return Failure{u"the %1 %2 holds no unencrypted PEM private key"_s.arg(
        what, QDir::toNativeSeparators(fileName))};
}

// "CN=tracker, O=Site": the attributes in the certificate's own order.
QString distinguishedName(const QSslCertificate &certificate, bool issuer)
{
    QStringList parts;
    const QList<QByteArray> attributes = issuer ? certificate.issuerInfoAttributes()
                                                : certificate.subjectInfoAttributes();
    for (const QByteArray &attribute : attributes) {
        const QStringList values = issuer ? certificate.issuerInfo(attribute)
                                          : certificate.subjectInfo(attribute);
        for (const QString &value : values)
            parts << QString::fromLatin1(attribute) + u'=' + value;
    }
    return parts.join(u", "_s);
}

// The names a certificate is for: its alternative names, or its common name without them.
QString certificateNames(const QSslCertificate &certificate)
{
    QStringList names;
    const auto alternatives = certificate.subjectAlternativeNames();
    for (auto it = alternatives.cbegin(); it != alternatives.cend(); ++it) {
        if (it.key() == QSsl::DnsEntry || it.key() == QSsl::IpAddressEntry)
            names << it.value();
    }
    if (names.isEmpty())
        names = certificate.subjectInfo(QSslCertificate::CommonName);
    return names.isEmpty() ? u"no name"_s : names.join(u", "_s);
}

QString hexOf(const QSslCertificate &certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex());
}

} // namespace

QByteArray UntrustedCertificate::sha256() const
{
    return certificate.digest(QCryptographicHash::Sha256);
}

QString UntrustedCertificate::fingerprint() const
{
    return QString::fromLatin1(sha256().toHex(':').toUpper());
}

QString UntrustedCertificate::description() const
{
    return u"The certificate of %1 is not trusted.\n\n"
           "Subject: %2\n"
           "Issuer: %3\n"
           "Valid from: %4\n"
           "Valid until: %5\n"
           "SHA-256: %6\n\n"
           "Trust this certificate for %1 from now on?"_s.arg(
               hostPort, distinguishedName(certificate, false),
               distinguishedName(certificate, true), dateText(certificate.effectiveDate()),
               dateText(certificate.expiryDate()), fingerprint());
}

Result<TlsTrust> TlsTrust::load(const QString &settingsFile, const QString &host, quint16 port)
{
    TlsTrust trust;
    trust.m_host = host;
    trust.m_hostPort = pinHostPort(host, port);
    trust.m_configuration = QSslConfiguration::defaultConfiguration();
    trust.m_configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (settingsFile.isEmpty())
        return trust;

    const Result<QString> pin = readPin(settingsFile, trust.m_hostPort);
    const Result<TlsSettings> read = TlsSettings::read(settingsFile);
    if (!pin || !read)
        return Failure{pin ? read.reason() : pin.reason()};
    trust.m_pin = *pin;
    const TlsSettings &settings = *read;
    if (!settings.caFile.isEmpty()) {
        const auto authorities = readCertificates(u"CA file"_s, settings.caFile);
        if (!authorities)
            return Failure{authorities.reason()};
        trust.m_configuration.addCaCertificates(*authorities);
    }
    if (!settings.clientCertificate.isEmpty()) {
        const auto chain = readCertificates(u"client certificate"_s, settings.clientCertificate);
        if (!chain)
            return Failure{chain.reason()};
        // A key kept in the certificate's own file needs no ClientKey.
        const QString keyFile = settings.clientKey.isEmpty() ? settings.clientCertificate
                                                             : settings.clientKey;
        const auto key = readKey(u"client key"_s, keyFile);
        if (!key)
            return Failure{key.reason()};
        trust.m_configuration.setLocalCertificateChain(*chain);
        trust.m_configuration.setPrivateKey(*key);
    }
    return trust;
}

Result<> TlsTrust::judgeErrors(const QSslCertificate &peer, const QList<QSslError> &errors)
{
    if (!m_pin.isEmpty()) {
        if (!peer.isNull() && hexOf(peer) == m_pin)
            return {};
        return Failure{kChanged};
    }
    bool selfSigned = false;
    bool unknownIssuer = false;
    std::optional<QString> expired, notYetValid, otherName, other;
    for (const QSslError &error : errors) {
        switch (error.error()) {
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
            selfSigned = true;
            break;
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            unknownIssuer = true;
            break;
        case QSslError::CertificateExpired:
            expired = u"certificate expired on "_s + dateText(peer.expiryDate());
            break;
        case QSslError::CertificateNotYetValid:
            notYetValid = u"certificate not valid before "_s + dateText(peer.effectiveDate());
            break;
        case QSslError::HostNameMismatch:
            otherName = u"certificate is for %1, not %2"_s.arg(certificateNames(peer), m_host);
            break;
        default:
            if (!other)
                other = u"TLS handshake failed: "_s + error.errorString();
            break;
        }
    }
    // Only a certificate that nothing vouches for can be trusted by the operator; one that is
    // vouched for but wrong (its dates, its names) must be put right on the server.
    if ((selfSigned || unknownIssuer) && !peer.isNull()) {
        m_untrusted = UntrustedCertificate{m_hostPort, peer};
        return Failure{selfSigned ? u"certificate not trusted: self-signed"_s
                                  : u"certificate not trusted: unknown issuer"_s};
    }
    for (const std::optional<QString> &reason : {expired, notYetValid, otherName, other}) {
        if (reason)
            return Failure{*reason};
    }
    return Failure{u"TLS handshake failed: the certificate was refused"_s};
}

Result<> TlsTrust::judgeFinished(const QSslCertificate &peer) const
{
    if (!m_pin.isEmpty() && (peer.isNull() || hexOf(peer) != m_pin))
        return Failure{kChanged};
    return {};
}

Result<> TlsTrust::judgeAlert(QSsl::AlertType type)
{
    // TLS 1.3 servers refuse a missing client certificate after the client has finished its
    // part of the handshake, so this alert comes with the first read.
    if (type == QSsl::AlertType::CertificateRequired)
        return Failure{u"the server asked for a client certificate"_s};
    return {};
}

Result<> TlsTrust::judgeSocketError(QAbstractSocket::SocketError error, const QString &errorString,
                                    bool handshakeDone) const
{
    if (errorString.contains(u"alert certificate required"_s))
        return judgeAlert(QSsl::AlertType::CertificateRequired);
    if (handshakeDone)
        return {};
    if (error == QAbstractSocket::RemoteHostClosedError)
        return Failure{u"TLS handshake failed: the server closed the connection"_s};
    if (error != QAbstractSocket::SslHandshakeFailedError)
        return {};
    // What OpenSSL says of bytes that are not a TLS record, such as "HTTP/1.1 400".
    for (const QString &plain :
         {u"wrong version number"_s, u"packet length too long"_s, u"unknown protocol"_s}) {
        if (errorString.contains(plain))
            return Failure{u"the server did not answer TLS (plain HTTP on this port?)"_s};
    }
    QString reason = errorString;
    reason.remove(u"Error during SSL handshake: "_s);
    return Failure{u"TLS handshake failed: "_s + reason};
}

QString pinHostPort(const QString &host, quint16 port)
{
    const QHostAddress address(host);
    QString name;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        name = u'[' + address.toString() + u']';
    } else {
        // ASCII only: an international name in its ACE form ("xn--..."), so that no two names
        // that a reader takes for one another share a pin.
        const QByteArray ace = QUrl::toAce(host);
        name = asciiLower(ace.isEmpty() ? host : QString::fromLatin1(ace));
    }
    return name + u':' + QString::number(port);
}

bool opensTlsRecord(char firstByte)
{
    return firstByte == 0x15 || firstByte == 0x16;
}
