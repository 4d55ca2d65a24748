#include "support/LocalNetworkOnly.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>

namespace quarmont::testing
{
void sendHttpsRequestsToLocalProxy (int port)
{
    const auto proxy = "http://127.0.0.1:" + std::to_string (port);

    // libcurl reads these for every transfer; the proxy, not libcurl, resolves the host name.
    // Requests to the tests' own servers on 127.0.0.1 go there directly.
    for (const auto* name : { "https_proxy", "HTTPS_PROXY" })
        setenv (name, proxy.c_str(), 1);

    for (const auto* name : { "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY" })
        unsetenv (name);

    for (const auto* name : { "no_proxy", "NO_PROXY" })
        setenv (name, "127.0.0.1,localhost", 1);
}

void keepHttpsRequestsLocal()
{
    // Bound but never listening: connections to it are refused, and no other program can take
    // the port while this process lives.
    static const int heldSocket = [] { return ::socket (AF_INET, SOCK_STREAM, 0); }();

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    socklen_t length = sizeof (address);
    ::bind (heldSocket, (sockaddr*) &address, sizeof (address));
    ::getsockname (heldSocket, (sockaddr*) &address, &length);

    // Without a port of our own, a port that is closed on any sane machine (9, "discard").
    sendHttpsRequestsToLocalProxy (address.sin_port != 0 ? ntohs (address.sin_port) : 9);
}
} // namespace quarmont::testing
