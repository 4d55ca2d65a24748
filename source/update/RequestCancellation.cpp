#include "update/RequestCancellation.h"

namespace quarmont::update
{
void RequestCancellation::cancel()
{
    const std::lock_guard<std::mutex> guard (lock);
    cancelled = true;

    if (stream != nullptr)
        stream->cancel();
}

bool RequestCancellation::isCancelled() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return cancelled;
}

bool RequestCancellation::attach (juce::WebInputStream& streamToAttach)
{
    const std::lock_guard<std::mutex> guard (lock);

    if (cancelled)
        return false;

    stream = &streamToAttach;
    return true;
}

void RequestCancellation::detach()
{
    const std::lock_guard<std::mutex> guard (lock);
    stream = nullptr;
}
} // namespace quarmont::update
