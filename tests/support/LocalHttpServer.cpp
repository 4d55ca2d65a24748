#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace quarmont::testing
{
LocalHttpServer::LocalHttpServer (std::map<std::string, Route> routeTable, int maxConnectionsToAccept, int lifetimeMs)
    : routes (std::move (routeTable)), maxConnections (maxConnectionsToAccept),
      stopTime (juce::Time::getMillisecondCounter() + (juce::uint32) lifetimeMs)
{
    listeningSocket = ::socket (AF_INET, SOCK_STREAM, 0);

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof (address);

    if (listeningSocket < 0 || ::bind (listeningSocket, (sockaddr*) &address, sizeof (address)) != 0
        || ::listen (listeningSocket, 64) != 0 || ::getsockname (listeningSocket, (sockaddr*) &address, &length) != 0)
        throw std::runtime_error ("cannot listen on 127.0.0.1");

    listeningPort = ntohs (address.sin_port);
    acceptThread = std::thread ([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer()
{
    stopping = true;
    changed.notify_all();
    acceptThread.join();

    for (auto& thread : connectionThreads)
        thread.join();

    ::close (listeningSocket);
}

juce::URL LocalHttpServer::url (const std::string& path) const
{
    return juce::URL ("http://127.0.0.1:" + juce::String (listeningPort) + juce::String (path));
}

std::vector<std::string> LocalHttpServer::requestLines() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return lines;
}

bool LocalHttpServer::waitForRequests (int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> guard (lock);
    return changed.wait_for (guard, std::chrono::milliseconds (timeoutMs), [&] { return (int) lines.size() >= count; });
}

bool LocalHttpServer::waitUntilAllClosed (int timeoutMs) const
{
    std::unique_lock<std::mutex> guard (lock);
    return changed.wait_for (guard, std::chrono::milliseconds (timeoutMs), [&] { return openConnections.load() == 0; });
}

bool LocalHttpServer::shouldStop() const
{
    return stopping.load() || (juce::int32) (juce::Time::getMillisecondCounter() - stopTime) >= 0;
}

bool LocalHttpServer::waitReadable (int socket, int timeoutMs) const
{
    pollfd p { socket, POLLIN, 0 };
    return ::poll (&p, 1, timeoutMs) > 0;
}

void LocalHttpServer::acceptLoop()
{
    while (! shouldStop() && connections.load() < maxConnections)
    {
        if (! waitReadable (listeningSocket, 50))
            continue;

        const auto socket = ::accept (listeningSocket, nullptr, nullptr);

        if (socket < 0)
            continue;

        ++connections;
        ++openConnections;
        connectionThreads.emplace_back ([this, socket] { serve (socket); });
    }
}

void LocalHttpServer::sendAll (int socket, const std::string& data)
{
    size_t sent = 0;

    while (sent < data.size() && ! shouldStop())
    {
        pollfd p { socket, POLLOUT, 0 };

        if (::poll (&p, 1, 50) <= 0)
            continue;

        const auto n = ::send (socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);

        if (n <= 0)
            return;

        sent += (size_t) n;
    }
}

void LocalHttpServer::waitForClientToClose (int socket)
{
    char scratch[4096];

    while (! shouldStop())
        if (waitReadable (socket, 50) && ::recv (socket, scratch, sizeof (scratch), 0) <= 0)
            return;
}

void LocalHttpServer::serve (int socket)
{
    std::string head;
    char buffer[2048];

    while (head.find ("\r\n\r\n") == std::string::npos && head.size() < 16384 && ! shouldStop())
    {
        if (! waitReadable (socket, 50))
            continue;

        const auto n = ::recv (socket, buffer, sizeof (buffer), 0);

        if (n <= 0)
            break;

        head.append (buffer, (size_t) n);
    }

    const auto requestLine = head.substr (0, head.find ("\r\n"));
    const auto firstSpace = requestLine.find (' ');
    const auto target = firstSpace == std::string::npos
                            ? std::string()
                            : requestLine.substr (firstSpace + 1, requestLine.find (' ', firstSpace + 1) - firstSpace - 1);

    Route route;
    route.status = 404;
    route.body = "<html><body>Not here</body></html>";

    if (auto it = routes.find (target); it != routes.end())
        route = it->second;
    else if (auto any = routes.find ("*"); any != routes.end())
        route = any->second;

    {
        const std::lock_guard<std::mutex> guard (lock);
        lines.push_back (requestLine);
    }

    changed.notify_all();

    const auto statusHead = [] (int status) { return "HTTP/1.1 " + std::to_string (status) + " Test\r\n"; };

    switch (route.behaviour)
    {
        case Behaviour::answer:
        {
            for (auto waited = 0; waited < route.delayMs && ! shouldStop(); waited += 20)
                std::this_thread::sleep_for (std::chrono::milliseconds (20));

            auto response = statusHead (route.status) + "Content-Type: application/json\r\nConnection: close\r\n";

            if (! route.location.empty())
                response += "Location: " + route.location + "\r\n";

            response += "Content-Length: " + std::to_string (route.body.size()) + "\r\n\r\n" + route.body;
            sendAll (socket, response);
            ::shutdown (socket, SHUT_WR);
            waitForClientToClose (socket);
            break;
        }

        case Behaviour::neverAnswer:
            waitForClientToClose (socket);
            break;

        case Behaviour::endlessBody:
        case Behaviour::trickleBody:
        {
            sendAll (socket, statusHead (200) + "Content-Type: application/json\r\nConnection: close\r\n\r\n{\"products\":");
            const auto trickle = route.behaviour == Behaviour::trickleBody;
            const std::string chunk (trickle ? 200 : 16384, ' ');

            while (! shouldStop())
            {
                if (waitReadable (socket, 0))
                {
                    char scratch[256];

                    if (::recv (socket, scratch, sizeof (scratch), MSG_DONTWAIT) <= 0)
                        break;
                }

                if (::send (socket, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN)
                    break;

                std::this_thread::sleep_for (std::chrono::milliseconds (trickle ? 500 : 1));
            }

            break;
        }

        case Behaviour::closeAtOnce:
            break;
    }

    ::close (socket);

    {
        const std::lock_guard<std::mutex> guard (lock);
        --openConnections;
    }

    changed.notify_all();
}
} // namespace quarmont::testing
