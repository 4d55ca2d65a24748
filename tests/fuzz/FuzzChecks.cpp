#include "FuzzChecks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quarmont::fuzzing
{
void finding (const char* what)
{
    std::fprintf (stderr, "FINDING: %s\n", what);
    std::abort();
}

void initialiseJuceOnce()
{
    // Never destroyed: libFuzzer leaves through exit(), after JUCE's own statics are gone.
    static auto* juceInitialiser = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juceInitialiser);
}

void checkProcessorIsSound (QuarmontAudioProcessor& processor)
{
    for (auto* parameter : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);
        const auto raw = processor.apvts.getRawParameterValue (ranged->getParameterID())->load();
        const auto& range = ranged->getNormalisableRange();

        if (! std::isfinite (raw) || raw < range.start || raw > range.end)
        {
            std::fprintf (stderr, "%s = %g\n", ranged->getParameterID().toRawUTF8(), (double) raw);
            finding ("parameter outside its range after a restore");
        }
    }

    processor.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> block (2, 512);
    juce::MidiBuffer midi;
    juce::Random random (1);

    // Enough for the first output of two frames.
    for (int b = 0; b < 6; ++b)
    {
        for (int ch = 0; ch < 2; ++ch)
            for (int n = 0; n < 512; ++n)
                block.setSample (ch, n, random.nextFloat() - 0.5f);

        processor.processBlock (block, midi);

        for (int ch = 0; ch < 2; ++ch)
            for (int n = 0; n < 512; ++n)
                if (! std::isfinite (block.getSample (ch, n)))
                    finding ("non-finite output from finite input");
    }
}
} // namespace quarmont::fuzzing
