#pragma once

namespace quarmont::bench
{
/** Wall-clock seconds to construct one processor and prepare it for 48 kHz stereo in blocks of
    512, as a host does for every insert and every scan. */
struct InstanceStartup
{
    double firstSeconds = 0.0; // the first instance in the process (includes one-time set-up)
    double laterSeconds = 0.0; // a later one (the best of several)
};

/** Must run before anything else in the process has built a processor or an engine. */
InstanceStartup measureInstanceStartup();
} // namespace quarmont::bench
