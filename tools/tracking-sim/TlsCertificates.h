#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Certificates made on the spot, for a simulator with a throwaway identity and for tests that
// need authorities, servers and clients of their own. Keys are ECDSA P-256.
struct PemPair
{
    std::string certificate;
    std::string key;
};

struct CertificatePlan
{
    std::string commonName{};
    std::vector<std::string> names{}; // alternative names: IP addresses or DNS names
    // Seconds since the epoch, UTC; 0: an hour ago, and fifty years on.
    std::time_t validFrom = 0;
    std::time_t validUntil = 0;
    bool authority = false; // may sign other certificates
};

// Signed by issuer, or self-signed when there is none. Nothing, with the reason in error, when
// OpenSSL fails.
std::optional<PemPair> makeCertificate(const CertificatePlan &plan, const PemPair *issuer,
                                       std::string &error);

// "AB:CD:...": the SHA-256 of the PEM certificate's DER form; empty when it cannot be read.
std::string sha256Fingerprint(const std::string &certificatePem);
