#pragma once

#include "engine/BandLevelingEngine.h"

namespace quarmont
{
/** What the engine tests may see of an engine beyond its public calls: its channel states. */
class BandLevelingEngineTestPeer
{
public:
    static const ChannelState& channelState (const BandLevelingEngine& engine, int channel)
    {
        return engine.channelStates.at ((size_t) channel);
    }
};
} // namespace quarmont
