// The frame transform: the same definition on FFTW and on JUCE's own FFT (this program runs twice,
// once with a stand-in libfftw3f that makes it fall back), whatever the alignment of the buffers.

#include <gtest/gtest.h>

#include <string>

#include <cstdlib>
#include <random>

#include "engine/ComplexFft.h"

namespace
{
using quarmont::ComplexFft;
using Spectrum = std::vector<std::complex<float>>;

constexpr int order = 11;
constexpr int size = 1 << order;

Spectrum randomSignal (unsigned seed)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (-1.0f, 1.0f);
    Spectrum signal (size);

    for (auto& x : signal)
        x = { distribution (generator), distribution (generator) };

    return signal;
}

/** The DFT by its definition, in double: sign -1 forward, +1 inverse (unscaled). */
std::vector<std::complex<double>> directTransform (const Spectrum& input, int sign)
{
    std::vector<std::complex<double>> output (size);

    for (int k = 0; k < size; ++k)
        for (int n = 0; n < size; ++n)
            output[(size_t) k] += std::complex<double> (input[(size_t) n]) * std::polar (1.0, sign * 2.0 * M_PI * ((k * n) % size) / size);

    return output;
}

bool fftwLibraryLoads()
{
#if JUCE_WINDOWS
    const auto names = { "libfftw3f.dll", "libfftw3f-3.dll" };
#elif JUCE_MAC
    const auto names = { "libfftw3f.dylib", "libfftw3f.3.dylib" };
#else
    const auto names = { "libfftw3f.so", "libfftw3f.so.3" };
#endif

    for (const auto* name : names)
    {
        juce::DynamicLibrary library;

        if (library.open (name) && library.getFunction ("fftwf_plan_dft_1d") != nullptr)
            return true;
    }

    return false;
}

TEST (ComplexFft, ForwardIsUnscaledAndInverseScaledByOneOverSize)
{
    const ComplexFft fft (order);
    const auto signal = randomSignal (1);
    Spectrum spectrum (size), restored (size);

    fft.forward (signal.data(), spectrum.data());
    fft.inverse (spectrum.data(), restored.data());

    const auto forwardExpected = directTransform (signal, -1);
    const auto inverseExpected = directTransform (spectrum, +1);

    for (size_t k = 0; k < (size_t) size; ++k)
    {
        ASSERT_NEAR (std::abs (std::complex<double> (spectrum[k]) - forwardExpected[k]), 0.0, 1.0e-3) << "forward bin " << k;
        ASSERT_NEAR (std::abs (std::complex<double> (restored[k]) - inverseExpected[k] / (double) size), 0.0, 1.0e-6) << "inverse " << k;
        ASSERT_NEAR (std::abs (restored[k] - signal[k]), 0.0f, 2.0e-6f) << "round trip " << k;
    }
}

TEST (ComplexFft, UnalignedBuffersGiveTheSameBits)
{
    const ComplexFft fft (order);
    const auto signal = randomSignal (2);
    Spectrum aligned (size), alignedBack (size);
    fft.forward (signal.data(), aligned.data());
    fft.inverse (aligned.data(), alignedBack.data());

    // One float off: no SIMD alignment can hold for these.
    std::vector<float> input (2 * size + 1), output (2 * size + 1);
    std::copy (signal.begin(), signal.end(), reinterpret_cast<std::complex<float>*> (input.data() + 1));
    auto* in = reinterpret_cast<std::complex<float>*> (input.data() + 1);
    auto* out = reinterpret_cast<std::complex<float>*> (output.data() + 1);

    fft.forward (in, out);
    EXPECT_TRUE (std::equal (aligned.begin(), aligned.end(), out));
    fft.inverse (out, in);
    EXPECT_TRUE (std::equal (alignedBack.begin(), alignedBack.end(), in));
}

TEST (ComplexFft, UsesFftwExactlyWhenTheLibraryProvidesIt)
{
    const ComplexFft fft (order);
    EXPECT_EQ (fft.usesFftw(), fftwLibraryLoads());

    // The run that puts a stand-in without any FFTW functions first in the library path.
    const auto* libraryPath = std::getenv ("LD_LIBRARY_PATH");

    if (libraryPath != nullptr && std::string (libraryPath).find ("without-fftw") != std::string::npos)
    {
        EXPECT_FALSE (fft.usesFftw()) << "the stand-in library was not picked up";
    }
}
} // namespace
