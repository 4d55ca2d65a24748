#pragma once

#include <juce_core/juce_core.h>

#include <mutex>

namespace quarmont::update
{
/** Lets another thread stop a request: cancelling closes the request's open stream at once (a
    blocked connect or read returns) and keeps any further stream from opening. */
class RequestCancellation
{
public:
    /** Any thread, any number of times. */
    void cancel();

    bool isCancelled() const;

    /** For the thread that runs the request: registers its stream; false when already cancelled. */
    bool attach (juce::WebInputStream& stream);

    /** Unregisters the stream before it is destroyed. */
    void detach();

    /** Runs a quick call on the attached stream while no cancel can run alongside it. */
    template <typename Function>
    auto withStreamLocked (Function&& function)
    {
        const std::lock_guard<std::mutex> guard (lock);
        return function();
    }

private:
    mutable std::mutex lock;
    bool cancelled = false;
    juce::WebInputStream* stream = nullptr;
};
} // namespace quarmont::update
