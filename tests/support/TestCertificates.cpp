#include "support/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace yomida::test {
namespace {

EVP_PKEY* NewKey() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) {
        throw std::runtime_error("cannot make a test key");
    }
    return key;
}

std::string Pem(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<size_t>(size));
    BIO_free(bio);
    return text;
}

std::string Pem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<size_t>(size));
    BIO_free(bio);
    return text;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr) {
        throw std::runtime_error("bad test certificate extension " + value);
    }
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* NewCertificate(const std::string& commonName, EVP_PKEY* key, long from, long to,
                     long serial) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), from);
    X509_gmtime_adj(X509_getm_notAfter(certificate), to);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    return certificate;
}

}  // namespace

struct TestCa::Keys {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    std::string previousFile;
    std::string previousDir;
    bool hadFile = false;
    bool hadDir = false;
};

TestCa::TestCa() : keys_(new Keys) {
    keys_->key = NewKey();
    keys_->certificate = NewCertificate("Yomida Test CA", keys_->key, -3600, 86400, 1);
    X509_set_issuer_name(keys_->certificate, X509_get_subject_name(keys_->certificate));
    AddExtension(keys_->certificate, keys_->certificate, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(keys_->certificate, keys_->certificate, NID_key_usage,
                 "critical,keyCertSign,cRLSign");
    AddExtension(keys_->certificate, keys_->certificate, NID_subject_key_identifier, "hash");
    X509_sign(keys_->certificate, keys_->key, EVP_sha256());
}

TestCa::~TestCa() {
    if (trusted_) {
        if (keys_->hadFile) {
            ::setenv("SSL_CERT_FILE", keys_->previousFile.c_str(), 1);
        } else {
            ::unsetenv("SSL_CERT_FILE");
        }
        if (keys_->hadDir) {
            ::setenv("SSL_CERT_DIR", keys_->previousDir.c_str(), 1);
        } else {
            ::unsetenv("SSL_CERT_DIR");
        }
    }
    X509_free(keys_->certificate);
    EVP_PKEY_free(keys_->key);
    delete keys_;
}

ServerIdentity TestCa::Issue(const Request& request) const {
    static long serial = 100;
    EVP_PKEY* key = NewKey();
    const std::string commonName =
        request.dnsNames.empty() ? request.ipAddresses.at(0) : request.dnsNames.at(0);
    X509* certificate =
        NewCertificate(commonName, key, request.validFromSeconds, request.validToSeconds, ++serial);
    X509* issuer = request.selfSigned ? certificate : keys_->certificate;
    X509_set_issuer_name(certificate, X509_get_subject_name(issuer));
    std::string names;
    for (const std::string& dns : request.dnsNames) {
        names += (names.empty() ? "DNS:" : ",DNS:") + dns;
    }
    for (const std::string& ip : request.ipAddresses) {
        names += (names.empty() ? "IP:" : ",IP:") + ip;
    }
    AddExtension(certificate, issuer, NID_subject_alt_name, names);
    AddExtension(certificate, issuer, NID_ext_key_usage, "serverAuth");
    X509_sign(certificate, request.selfSigned ? key : keys_->key, EVP_sha256());
    ServerIdentity identity{Pem(certificate), Pem(key)};
    X509_free(certificate);
    EVP_PKEY_free(key);
    return identity;
}

ServerIdentity TestCa::IssueForLoopback() const {
    Request request;
    request.dnsNames = {"localhost"};
    request.ipAddresses = {"127.0.0.1", "::1"};
    return Issue(request);
}

void TestCa::TrustIn(const std::filesystem::path& file) {
    std::ofstream(file, std::ios::binary) << Pem(keys_->certificate);
    if (!trusted_) {
        const char* previousFile = std::getenv("SSL_CERT_FILE");
        const char* previousDir = std::getenv("SSL_CERT_DIR");
        keys_->hadFile = previousFile != nullptr;
        keys_->hadDir = previousDir != nullptr;
        keys_->previousFile = keys_->hadFile ? previousFile : "";
        keys_->previousDir = keys_->hadDir ? previousDir : "";
        trusted_ = true;
    }
    ::setenv("SSL_CERT_FILE", file.c_str(), 1);
    ::setenv("SSL_CERT_DIR", file.parent_path().c_str(), 1);
}

}  // namespace yomida::test
