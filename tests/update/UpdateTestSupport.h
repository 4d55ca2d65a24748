#pragma once

#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include <functional>

#include "support/LocalHttpServer.h"
#include "support/MessageLoop.h"
#include "update/CheckRegistry.h"

namespace quarmont::testing
{
/** Runs the message loop until the condition holds or about timeoutMs have passed. The bound only
    keeps a broken build from hanging; a check ends within its own few seconds. */
inline bool pumpUntil (std::function<bool()> condition, int timeoutMs = 20000)
{
    return runMessagesUntil (condition, timeoutMs);
}

inline void runMessageLoop (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

/** Every check of the module has ended and its thread with it. */
inline bool allChecksEnd (int timeoutMs = 20000)
{
    return pumpUntil ([] { return update::CheckRegistry::instance().numRunning() == 0; }, timeoutMs);
}

using Behaviour = LocalHttpServer::Behaviour;
using Route = LocalHttpServer::Route;

inline Route answer (const std::string& body, int status = 200, int delayMs = 0)
{
    Route r;
    r.status = status;
    r.body = body;
    r.delayMs = delayMs;
    return r;
}

inline Route redirectTo (const std::string& location)
{
    Route r;
    r.status = 302;
    r.location = location;
    return r;
}

inline Route behaving (Behaviour behaviour)
{
    Route r;
    r.behaviour = behaviour;
    return r;
}
} // namespace quarmont::testing
