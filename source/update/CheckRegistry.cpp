#include "update/CheckRegistry.h"

#include <juce_events/juce_events.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "update/ModulePin.h"

namespace quarmont::update
{
using Clock = std::chrono::steady_clock;

struct RunningCheck
{
    std::thread thread;
    std::shared_ptr<RequestCancellation> cancellation;
    Clock::time_point deadline;
    bool deadlinePassed = false;
    bool ended = false;
};

/** Held by the registry and by every check thread, so that a thread that outlives the registry
    (only ever one left running past the shutdown wait) still finds its lock. */
struct CheckRegistry::Core
{
    std::mutex lock;
    std::condition_variable changed;
    std::list<std::shared_ptr<RunningCheck>> checks;
    std::thread watchdog;
    int watchdogGeneration = 0; // a watchdog runs while this is the generation it started with
    juce::DeletedAtShutdown* shutdownHook = nullptr;

    int numRunningLocked() const
    {
        int running = 0;

        for (auto& check : checks)
            running += check->ended ? 0 : 1;

        return running;
    }

    // Cancels requests whose time is up. One thread for all checks of the module.
    void watch (int generation)
    {
        std::unique_lock<std::mutex> guard (lock);

        while (generation == watchdogGeneration)
        {
            const auto now = Clock::now();
            auto next = Clock::time_point::max();

            for (auto& check : checks)
            {
                if (check->ended || check->deadlinePassed)
                    continue;

                if (check->deadline <= now)
                {
                    check->deadlinePassed = true;
                    check->cancellation->cancel();
                }
                else
                {
                    next = std::min (next, check->deadline);
                }
            }

            if (next == Clock::time_point::max())
                changed.wait (guard);
            else
                changed.wait_until (guard, next);
        }
    }

    bool cancelAllAndWait (std::chrono::milliseconds maxWait)
    {
        std::unique_lock<std::mutex> guard (lock);

        for (auto& check : checks)
            check->cancellation->cancel();

        const auto allEnded = changed.wait_until (guard, Clock::now() + maxWait, [this] { return numRunningLocked() == 0; });
        reapEndedLocked();

        // Threads that did not end in time finish on their own, with the module kept loaded under
        // them. They touch only their own check and this core, which they share.
        for (auto& check : checks)
            if (check->thread.joinable())
                check->thread.detach();

        if (! allEnded)
            keepThisModuleLoaded();

        ++watchdogGeneration;
        changed.notify_all();
        auto stoppedWatchdog = std::move (watchdog);
        guard.unlock();

        if (stoppedWatchdog.joinable())
            stoppedWatchdog.join();

        return allEnded;
    }

    /** Joins the threads that have ended. Called with the lock held; the joins are quick. */
    void reapEndedLocked()
    {
        for (auto it = checks.begin(); it != checks.end();)
        {
            if ((*it)->ended)
            {
                if ((*it)->thread.joinable())
                    (*it)->thread.join();

                it = checks.erase (it);
            }
            else
            {
                ++it;
            }
        }
    }
};

namespace
{
/** JUCE deletes these when the plug-in's last instance goes (shutdownJuce_GUI), before the message
    manager: the moment to end the checks, while everything they might post to still exists. */
class ShutdownHook : public juce::DeletedAtShutdown
{
public:
    explicit ShutdownHook (std::shared_ptr<CheckRegistry::Core> c) : core (std::move (c)) {}

    ~ShutdownHook() override
    {
        {
            const std::lock_guard<std::mutex> guard (core->lock);
            core->shutdownHook = nullptr;
        }

        core->cancelAllAndWait (CheckRegistry::shutdownWait);
    }

private:
    std::shared_ptr<CheckRegistry::Core> core;
};
} // namespace

CheckRegistry::CheckRegistry() : core (std::make_shared<Core>()) {}

CheckRegistry::~CheckRegistry()
{
    core->cancelAllAndWait (shutdownWait);
}

CheckRegistry& CheckRegistry::instance()
{
    static CheckRegistry registry;
    return registry;
}

std::shared_ptr<RequestCancellation> CheckRegistry::start (Work work, std::chrono::milliseconds timeLimit)
{
    auto check = std::make_shared<RunningCheck>();
    check->cancellation = std::make_shared<RequestCancellation>();
    check->deadline = Clock::now() + timeLimit;

    const std::lock_guard<std::mutex> guard (core->lock);
    core->reapEndedLocked();

    if (core->shutdownHook == nullptr)
        core->shutdownHook = new ShutdownHook (core);

    if (! core->watchdog.joinable())
        core->watchdog = std::thread ([c = core.get(), generation = core->watchdogGeneration] { c->watch (generation); });

    check->thread = std::thread ([c = core, check, work = std::move (work)]() mutable
    {
        try
        {
            work (*check->cancellation);
        }
        catch (...)
        {
        }

        // Whatever the work holds goes now, so that nothing of it is left once the check counts
        // as ended.
        work = nullptr;

        {
            const std::lock_guard<std::mutex> g (c->lock);
            check->ended = true;
        }

        c->changed.notify_all();
    });

    core->checks.push_back (check);
    core->changed.notify_all();
    return check->cancellation;
}

bool CheckRegistry::cancelAllAndWait (std::chrono::milliseconds maxWait)
{
    return core->cancelAllAndWait (maxWait);
}

int CheckRegistry::numRunning() const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return core->numRunningLocked();
}
} // namespace quarmont::update
