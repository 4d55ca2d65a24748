#include "support/LocalTlsOrigin.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace quarmont::testing
{
namespace
{
long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds> (std::chrono::steady_clock::now().time_since_epoch()).count();
}

void addExtension (X509* certificate, int id, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb (&context);
    X509V3_set_ctx (&context, certificate, certificate, nullptr, nullptr, 0);

    if (auto* extension = X509V3_EXT_conf_nid (nullptr, &context, id, value))
    {
        X509_add_ext (certificate, extension, -1);
        X509_EXTENSION_free (extension);
    }
}

/** A key and a self-signed certificate for the host name, valid from an hour ago for a day. */
SSL_CTX* makeContext (const std::string& hostName, std::string& certificatePem)
{
    std::unique_ptr<EVP_PKEY, decltype (&EVP_PKEY_free)> key (EVP_EC_gen ("P-256"), EVP_PKEY_free);
    std::unique_ptr<X509, decltype (&X509_free)> certificate (X509_new(), X509_free);

    if (key == nullptr || certificate == nullptr)
        throw std::runtime_error ("cannot make a key");

    X509_set_version (certificate.get(), 2);
    ASN1_INTEGER_set (X509_get_serialNumber (certificate.get()), 1);
    X509_gmtime_adj (X509_getm_notBefore (certificate.get()), -3600);
    X509_gmtime_adj (X509_getm_notAfter (certificate.get()), 86400);
    X509_set_pubkey (certificate.get(), key.get());

    auto* name = X509_get_subject_name (certificate.get());
    X509_NAME_add_entry_by_txt (name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*> (hostName.c_str()), -1, -1, 0);
    X509_set_issuer_name (certificate.get(), name);
    addExtension (certificate.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension (certificate.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
    addExtension (certificate.get(), NID_subject_alt_name, ("DNS:" + hostName).c_str());

    if (X509_sign (certificate.get(), key.get(), EVP_sha256()) == 0)
        throw std::runtime_error ("cannot sign the certificate");

    std::unique_ptr<BIO, decltype (&BIO_free)> pem (BIO_new (BIO_s_mem()), BIO_free);
    PEM_write_bio_X509 (pem.get(), certificate.get());
    char* data = nullptr;
    const auto size = BIO_get_mem_data (pem.get(), &data);
    certificatePem.assign (data, (size_t) size);

    auto* context = SSL_CTX_new (TLS_server_method());

    if (context == nullptr || SSL_CTX_use_certificate (context, certificate.get()) != 1
        || SSL_CTX_use_PrivateKey (context, key.get()) != 1)
        throw std::runtime_error ("cannot set up TLS");

    return context;
}

/** Reads until the end of an HTTP head (an empty line), at most 16 KB, through read(). */
template <typename Read>
bool readHead (Read&& read, std::string& head)
{
    char buffer[1024];

    while (head.find ("\r\n\r\n") == std::string::npos)
    {
        const auto got = read (buffer, (int) sizeof (buffer));

        if (got <= 0 || head.size() > 16 * 1024)
            return false;

        head.append (buffer, (size_t) got);
    }

    return true;
}
} // namespace

LocalTlsOrigin::LocalTlsOrigin (const std::string& hostName, int maxConnectionsToAccept, int lifetimeMs)
    : maxConnections (maxConnectionsToAccept), stopTimeMs (nowMs() + lifetimeMs)
{
    context = makeContext (hostName, certificate);
    listeningSocket = ::socket (AF_INET, SOCK_STREAM, 0);

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    socklen_t length = sizeof (address);

    if (listeningSocket < 0 || ::bind (listeningSocket, (sockaddr*) &address, sizeof (address)) != 0
        || ::listen (listeningSocket, 16) != 0 || ::getsockname (listeningSocket, (sockaddr*) &address, &length) != 0)
        throw std::runtime_error ("cannot listen on 127.0.0.1");

    listeningPort = ntohs (address.sin_port);
    acceptThread = std::thread ([this] { acceptLoop(); });
}

LocalTlsOrigin::~LocalTlsOrigin()
{
    stopping = true;
    acceptThread.join();
    ::close (listeningSocket);
    SSL_CTX_free (static_cast<SSL_CTX*> (context));
}

void LocalTlsOrigin::setBody (std::string newBody)
{
    const std::lock_guard<std::mutex> guard (lock);
    body = std::move (newBody);
}

bool LocalTlsOrigin::waitForAnswers (int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard (lock);
    return changed.wait_for (guard, std::chrono::milliseconds (timeoutMs), [&] { return answers.load() >= count; });
}

void LocalTlsOrigin::acceptLoop()
{
    // One connection at a time: the plug-in's checks are few and short.
    for (int accepted = 0; accepted < maxConnections && ! stopping && nowMs() < stopTimeMs;)
    {
        pollfd p { listeningSocket, POLLIN, 0 };

        if (::poll (&p, 1, 50) <= 0)
            continue;

        const auto socket = ::accept (listeningSocket, nullptr, nullptr);

        if (socket < 0)
            continue;

        ++accepted;
        timeval timeout { 5, 0 };
        ::setsockopt (socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof (timeout));
        ::setsockopt (socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout));
        serve (socket);
        ::close (socket);
    }
}

void LocalTlsOrigin::serve (int socket)
{
    std::string connect;

    if (! readHead ([&] (char* buffer, int size) { return (int) ::recv (socket, buffer, (size_t) size, 0); }, connect)
        || connect.rfind ("CONNECT ", 0) != 0)
        return;

    const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";

    if (::send (socket, established.data(), established.size(), MSG_NOSIGNAL) != (ssize_t) established.size())
        return;

    std::unique_ptr<SSL, decltype (&SSL_free)> tls (SSL_new (static_cast<SSL_CTX*> (context)), SSL_free);
    SSL_set_fd (tls.get(), socket);
    std::string request;

    if (SSL_accept (tls.get()) != 1
        || ! readHead ([&] (char* buffer, int size) { return SSL_read (tls.get(), buffer, size); }, request)
        || request.rfind ("GET ", 0) != 0)
        return;

    std::string answer;
    {
        const std::lock_guard<std::mutex> guard (lock);
        answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string (body.size())
               + "\r\nConnection: close\r\n\r\n" + body;
    }

    for (size_t sent = 0; sent < answer.size();)
    {
        const auto written = SSL_write (tls.get(), answer.data() + sent, (int) std::min<size_t> (answer.size() - sent, 16384));

        if (written <= 0)
            return;

        sent += (size_t) written;
    }

    SSL_shutdown (tls.get());
    {
        const std::lock_guard<std::mutex> guard (lock);
        ++answers;
    }
    changed.notify_all();
}

bool trustOnlyInThisMountNamespace (const std::string& certificatePem, std::string& whyNot)
{
    // Set only by tests/plugin/in-private-mount-namespace.sh, after unshare gave this process a
    // mount namespace of its own.
    const auto* privateNamespace = std::getenv ("QUARMONT_PRIVATE_MOUNT_NAMESPACE");

    if (privateNamespace == nullptr || std::string (privateNamespace) != "1")
    {
        whyNot = "not in a private mount namespace (run through tests/plugin/in-private-mount-namespace.sh)";
        return false;
    }

    char path[] = "/tmp/quarmont-test-ca-XXXXXX";
    const auto file = ::mkstemp (path);

    if (file < 0 || ::write (file, certificatePem.data(), certificatePem.size()) != (ssize_t) certificatePem.size())
    {
        whyNot = "cannot write the certificate";
        return false;
    }

    ::close (file);
    const auto mounted = ::mount (path, "/etc/ssl/certs/ca-certificates.crt", nullptr, MS_BIND, nullptr) == 0;
    ::unlink (path); // the mount keeps the file for as long as this namespace lives

    if (! mounted)
        whyNot = "cannot mount the certificate over the CA bundle";

    return mounted;
}
} // namespace quarmont::testing
