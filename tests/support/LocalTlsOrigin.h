#pragma once

// The maker's web host as the built plug-in sees it, for tests of the shipped bundle, whose feed
// address cannot be changed: a server on 127.0.0.1 that the process's HTTPS requests are sent to
// as their proxy (sendHttpsRequestsToLocalProxy). It accepts "CONNECT host:443" and then speaks
// TLS with a certificate it makes for that host, answering every GET with the body set last.
// The certificate is trusted only where a test makes it so (see trustOnlyInThisMountNamespace).
// It takes at most a given number of connections and stops by itself after a given time.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace quarmont::testing
{
class LocalTlsOrigin
{
public:
    LocalTlsOrigin (const std::string& hostName, int maxConnections, int lifetimeMs);
    ~LocalTlsOrigin();

    int port() const { return listeningPort; }

    /** The server's self-signed certificate, PEM. */
    const std::string& certificatePem() const { return certificate; }

    /** What the next GETs are answered with (status 200, application/json). */
    void setBody (std::string body);

    /** Waits, at most timeoutMs, until this many GETs have been answered in full. */
    bool waitForAnswers (int count, int timeoutMs) const;

    int numAnswers() const { return answers.load(); }

private:
    void acceptLoop();
    void serve (int socket);

    std::string certificate;
    void* context = nullptr; // SSL_CTX
    int listeningSocket = -1;
    int listeningPort = 0;
    const int maxConnections;
    const long long stopTimeMs;
    std::atomic<bool> stopping { false };
    std::atomic<int> answers { 0 };
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::string body;
    std::thread acceptThread;
};

/** Makes the given PEM certificate the only one that TLS clients of this process trust, by
    mounting it over the system's CA bundle, but only inside a private mount namespace (a test run
    through tests/plugin/in-private-mount-namespace.sh, which says so in the environment), where
    the mount is seen by nothing else. Returns false, touching nothing, anywhere else or when the
    mount is not allowed. */
bool trustOnlyInThisMountNamespace (const std::string& certificatePem, std::string& whyNot);
} // namespace quarmont::testing
