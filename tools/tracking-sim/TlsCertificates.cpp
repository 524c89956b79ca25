#include "TlsCertificates.h"

#include <memory>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

template <typename T, void (*Free)(T *)>
struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::string lastError(const char *what)
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

std::string bioText(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

Bio memoryOf(const std::string &pem)
{
    return Bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
}

bool addExtension(X509 *certificate, X509 *issuer, int nid, const std::string &value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (!extension)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

std::string alternativeNames(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names) {
        const bool ip = name.find_first_not_of("0123456789.") == std::string::npos
            || name.find(':') != std::string::npos;
        text += (text.empty() ? "" : ",") + std::string(ip ? "IP:" : "DNS:") + name;
    }
    return text;
}

} // namespace

std::optional<PemPair> makeCertificate(const CertificatePlan &plan, const PemPair *issuer,
                                       std::string &error)
{
    Key key(EVP_EC_gen("P-256"));
    if (!key) {
        error = lastError("cannot make a key");
        return std::nullopt;
    }
    Key issuerKey;
    Certificate issuerCertificate;
    if (issuer) {
        issuerKey.reset(
            PEM_read_bio_PrivateKey(memoryOf(issuer->key).get(), nullptr, nullptr, nullptr));
        issuerCertificate.reset(
            PEM_read_bio_X509(memoryOf(issuer->certificate).get(), nullptr, nullptr, nullptr));
        if (!issuerKey || !issuerCertificate) {
            error = lastError("cannot read the issuer");
            return std::nullopt;
        }
    }

    Certificate certificate(X509_new());
    X509 *const x = certificate.get();
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F; // a positive number
    BIGNUM *number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(x));
    BN_free(number);
    X509_set_version(x, 2);
    constexpr std::time_t kHour = 3600;
    constexpr std::time_t kFiftyYears = 50 * 365 * 24 * kHour;
    const std::time_t now = std::time(nullptr);
    ASN1_TIME_set(X509_getm_notBefore(x), plan.validFrom != 0 ? plan.validFrom : now - kHour);
    ASN1_TIME_set(X509_getm_notAfter(x),
                  plan.validUntil != 0 ? plan.validUntil : now + kFiftyYears);
    X509_set_pubkey(x, key.get());
    X509_NAME *const name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char *>(plan.commonName.c_str()), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char *>("tracking-sim"), -1, -1, 0);
    X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuerCertificate.get()) : name);
    X509 *const signer = issuer ? issuerCertificate.get() : x;
    bool extended = addExtension(x, signer, NID_basic_constraints,
                                 plan.authority ? "critical,CA:TRUE" : "critical,CA:FALSE")
        && addExtension(x, signer, NID_subject_key_identifier, "hash")
        && addExtension(x, signer, NID_authority_key_identifier, "keyid:always");
    if (plan.authority)
        extended = extended
            && addExtension(x, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    if (!plan.names.empty())
        extended = extended
            && addExtension(x, signer, NID_subject_alt_name, alternativeNames(plan.names));
    if (!extended || X509_sign(x, issuer ? issuerKey.get() : key.get(), EVP_sha256()) == 0) {
        error = lastError("cannot make the certificate");
        return std::nullopt;
    }

    Bio certificateText(BIO_new(BIO_s_mem()));
    Bio keyText(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(certificateText.get(), x);
    PEM_write_bio_PrivateKey(keyText.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    return PemPair{bioText(certificateText.get()), bioText(keyText.get())};
}

std::string sha256Fingerprint(const std::string &certificatePem)
{
    const Certificate certificate(
        PEM_read_bio_X509(memoryOf(certificatePem).get(), nullptr, nullptr, nullptr));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!certificate || X509_digest(certificate.get(), EVP_sha256(), digest, &size) != 1)
        return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        if (i > 0)
            text += ':';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}
