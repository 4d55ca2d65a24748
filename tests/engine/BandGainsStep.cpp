#include "BandGainsStep.h"

#include <memory>
#include <vector>

namespace quarmont::testing
{
BinRange planAndApplyBandGains (const BandSettingsArray& settings,
                                BandMasks& bandMasks,
                                BandMaskExtents& bandMaskExtents,
                                std::complex<float>* bins,
                                double sampleRate)
{
    // A plan is some 20 KB: on the heap, not on the test's stack.
    const auto plan = std::make_unique<BandPlan>();
    planBands (*plan, settings, sampleRate);

    std::vector<float> amplitudeDb (numProcessedBins), binGains (numProcessedBins);
    measureAmplitudeDecibels (bins, amplitudeDb.data(), numProcessedBins);
    return applyBandGains (*plan, bandMasks, bandMaskExtents, bins, amplitudeDb.data(), binGains.data());
}

BandMaskExtents fullMaskExtents()
{
    BandMaskExtents extents;
    extents.fill ({ 0, numProcessedBins });
    return extents;
}
} // namespace quarmont::testing
