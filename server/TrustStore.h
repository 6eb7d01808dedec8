#pragma once

// The authorities that TLS certificates are verified against. Qt reads the
// system's certificate folders itself but not the standard variable
// SSL_CERT_FILE, with which the system's TLS library lets a user or an
// administrator name another bundle; this class honours it.
class TrustStore
{
public:
    // When SSL_CERT_FILE names a file with certificates, they become the trusted
    // authorities of every request; otherwise the system's own stay.
    static void applyEnvironment();
};
