#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "update/RequestCancellation.h"

namespace quarmont::update
{
/** Every update check of the plug-in module runs on a thread of this registry. It cancels a
    request whose time is up, and when the module goes (JUCE shuts down, or the module's statics
    are destroyed) it cancels every open request and waits, at most shutdownWait, for the
    threads to end, so that no check thread runs code of an unloaded module. A thread that
    still has not ended then keeps the module loaded instead, so unloading never hangs the host
    and never pulls the code from under a running thread. */
class CheckRegistry
{
public:
    using Work = std::function<void (RequestCancellation&)>;

    /** A cancelled request returns once libcurl's current wait inside JUCE's stream ends, which a
        cancel cannot cut short: at most its connection time-out (2500 ms, which JUCE rounds up
        to whole seconds) while connecting, a second once connected. */
    static constexpr std::chrono::milliseconds shutdownWait { 3500 };

    /** The registry of this module. */
    static CheckRegistry& instance();

    /** Runs work on a new thread; its cancellation fires when timeLimit has passed, or at
        shutdown. Message thread. */
    std::shared_ptr<RequestCancellation> start (Work work, std::chrono::milliseconds timeLimit);

    /** Cancels every open request and waits, at most maxWait, until every check thread has
        ended; returns false when some are still running (they then keep the module loaded).
        Checks may be started again afterwards. */
    bool cancelAllAndWait (std::chrono::milliseconds maxWait);

    /** Checks whose thread has not ended yet. */
    int numRunning() const;

    ~CheckRegistry();

    struct Core;

private:
    CheckRegistry();

    std::shared_ptr<Core> core;
};
} // namespace quarmont::update
