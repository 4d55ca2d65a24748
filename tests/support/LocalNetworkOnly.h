#pragma once

namespace quarmont::testing
{
/** Sends every HTTPS request that libcurl makes in this process to a host other than 127.0.0.1
    (the hosted plug-in's update check among them) to a port on 127.0.0.1 that this process holds without listening, where it
    is refused at once: a test never reaches the network unless it points a request at its own
    server. Call first thing in main, before any thread runs. */
void keepHttpsRequestsLocal();

/** Sends HTTPS requests to a proxy on 127.0.0.1 at the given port instead (a test's own server,
    which then sees "CONNECT host:443"). Call while no request runs. */
void sendHttpsRequestsToLocalProxy (int port);
} // namespace quarmont::testing
