#pragma once

// A small HTTP server for the tests, on 127.0.0.1 and a free port, and nowhere else. It serves a
// fixed table of answers by path, takes at most a given number of connections and stops by
// itself after a given time, whatever the test does.

#include <juce_core/juce_core.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quarmont::testing
{
class LocalHttpServer
{
public:
    enum class Behaviour
    {
        answer,      // status, headers and body (after delayMs), then close
        neverAnswer, // read the request, then say nothing until the client gives up
        endlessBody, // a 200 whose body never ends, sent as fast as the client reads
        trickleBody, // a 200 whose body never ends, 200 bytes every 500 ms
        closeAtOnce  // read the request, close without a word
    };

    struct Route
    {
        Behaviour behaviour = Behaviour::answer;
        int status = 200;
        std::string body;
        std::string location; // for redirects
        int delayMs = 0;
    };

    /** Routes by request target: the path of a GET, or "host:port" of a proxy's CONNECT; "*"
        answers everything else (without it, other targets get a 404). */
    explicit LocalHttpServer (std::map<std::string, Route> routes, int maxConnections = 32, int lifetimeMs = 60000);
    ~LocalHttpServer();

    int port() const { return listeningPort; }
    juce::URL url (const std::string& path) const;

    int numConnections() const { return connections.load(); }
    int numOpenConnections() const { return openConnections.load(); }
    std::vector<std::string> requestLines() const;

    /** Waits, at most timeoutMs, until this many connections have sent their request line. */
    bool waitForRequests (int count, int timeoutMs) const;

    /** Waits, at most timeoutMs, until every client has closed its connection. */
    bool waitUntilAllClosed (int timeoutMs) const;

    static std::string feed (const std::string& latestVersion)
    {
        return R"({"products":{"quarmont":{"latest_version":")" + latestVersion + R"("}}})";
    }

private:
    void acceptLoop();
    void serve (int socket);
    bool shouldStop() const;
    void sendAll (int socket, const std::string& data);
    bool waitReadable (int socket, int timeoutMs) const;
    void waitForClientToClose (int socket);

    const std::map<std::string, Route> routes;
    const int maxConnections;
    const juce::uint32 stopTime;
    int listeningSocket = -1;
    int listeningPort = 0;
    std::atomic<bool> stopping { false };
    std::atomic<int> connections { 0 }, openConnections { 0 };
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::vector<std::string> lines;
    std::vector<std::thread> connectionThreads;
    std::thread acceptThread;
};
} // namespace quarmont::testing
