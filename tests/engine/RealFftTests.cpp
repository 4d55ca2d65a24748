// The frame transform: the DFT of a real frame by its definition, on FFTW and on JUCE's own FFT
// (this program is built twice), whatever the alignment of the buffers. Its inverse is the real
// part of the complex inverse of the whole mirrored spectrum, which is what the frame gets back.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "engine/EngineConstants.h"
#include "engine/RealFft.h"

namespace
{
using quarmont::RealFft;
using Bins = std::vector<std::complex<float>>;

constexpr int order = quarmont::fftOrder;
constexpr int size = 1 << order;
constexpr int numBins = size / 2 + 1;

std::vector<float> randomFrame (unsigned seed)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (-1.0f, 1.0f);
    std::vector<float> frame (size);

    for (auto& x : frame)
        x = distribution (generator);

    return frame;
}

/** e^(sign 2 pi i k n / size), in double. */
std::complex<double> twiddle (int sign, long k, long n)
{
    return std::polar (1.0, sign * 2.0 * M_PI * (double) ((k * n) % size) / size);
}

/** Bins 0..size/2 of the DFT of a real frame, by its definition. */
std::vector<std::complex<double>> directForward (const std::vector<float>& frame)
{
    std::vector<std::complex<double>> bins (numBins);

    for (int k = 0; k < numBins; ++k)
        for (int n = 0; n < size; ++n)
            bins[(size_t) k] += (double) frame[(size_t) n] * twiddle (-1, k, n);

    return bins;
}

/** The real part of the complex inverse, scaled by 1/size, of the whole spectrum that the bins
    stand for: bin size - k is the conjugate of bin k. */
std::vector<double> directInverse (const Bins& bins)
{
    std::vector<std::complex<double>> spectrum (size);

    for (int k = 0; k < numBins; ++k)
        spectrum[(size_t) k] = bins[(size_t) k];

    for (int k = 1; k < size / 2; ++k)
        spectrum[(size_t) (size - k)] = std::conj (spectrum[(size_t) k]);

    std::vector<double> frame (size);

    for (int n = 0; n < size; ++n)
    {
        std::complex<double> sum;

        for (int k = 0; k < size; ++k)
            sum += spectrum[(size_t) k] * twiddle (+1, k, n);

        frame[(size_t) n] = sum.real() / size;
    }

    return frame;
}

TEST (RealFft, ForwardIsTheUnscaledDftOfTheRealFrame)
{
    RealFft fft (order);
    const auto frame = randomFrame (1);
    Bins bins (numBins);
    fft.forward (frame.data(), bins.data());

    const auto expected = directForward (frame);

    for (size_t k = 0; k < (size_t) numBins; ++k)
        ASSERT_NEAR (std::abs (std::complex<double> (bins[k]) - expected[k]), 0.0, 1.0e-3) << "bin " << k;

    EXPECT_EQ (bins.front().imag(), 0.0f) << "DC is real";
    EXPECT_EQ (bins.back().imag(), 0.0f) << "Nyquist is real";
}

TEST (RealFft, InverseIsTheScaledInverseOfTheMirroredSpectrumAndRestoresTheFrame)
{
    RealFft fft (order);

    // Any bins, with imaginary parts at DC and Nyquist that a real frame cannot have: the mirror
    // cancels them, and the inverse must ignore them too.
    std::mt19937 generator (2);
    std::uniform_real_distribution<float> distribution (-50.0f, 50.0f);
    Bins bins (numBins);

    for (auto& bin : bins)
        bin = { distribution (generator), distribution (generator) };

    std::vector<float> frame (size);
    auto input = bins;
    fft.inverse (input.data(), frame.data());

    const auto expected = directInverse (bins);

    for (size_t n = 0; n < (size_t) size; ++n)
        ASSERT_NEAR (frame[n], expected[n], 2.0e-6) << "sample " << n;

    EXPECT_EQ (input, bins) << "the inverse leaves its input alone";

    // And a round trip gives the frame back.
    const auto original = randomFrame (3);
    fft.forward (original.data(), bins.data());
    fft.inverse (bins.data(), frame.data());

    for (size_t n = 0; n < (size_t) size; ++n)
        ASSERT_NEAR (frame[n], original[n], 2.0e-6f) << "round trip " << n;
}

TEST (RealFft, UnalignedBuffersGiveTheSameBits)
{
    RealFft fft (order);
    const auto frame = randomFrame (4);
    Bins aligned (numBins);
    std::vector<float> alignedBack (size);
    fft.forward (frame.data(), aligned.data());
    fft.inverse (aligned.data(), alignedBack.data());

    // One float off: no vector alignment can hold for these.
    std::vector<float> input (size + 1), output (2 * numBins + 1);
    std::copy (frame.begin(), frame.end(), input.begin() + 1);
    auto* bins = reinterpret_cast<std::complex<float>*> (output.data() + 1);

    fft.forward (input.data() + 1, bins);
    EXPECT_TRUE (std::equal (aligned.begin(), aligned.end(), bins));
    fft.inverse (bins, input.data() + 1);
    EXPECT_TRUE (std::equal (alignedBack.begin(), alignedBack.end(), input.begin() + 1));
}

TEST (RealFft, InstancesAgreeBitForBit)
{
    // The plans are shared by every instance; a later instance must compute exactly the same.
    RealFft first (order), second (order);
    const auto frame = randomFrame (5);
    Bins a (numBins), b (numBins);
    first.forward (frame.data(), a.data());
    second.forward (frame.data(), b.data());
    EXPECT_EQ (a, b);
}

TEST (RealFft, RunsOnTheTransformChosenAtBuildTime)
{
    EXPECT_EQ (RealFft::usesFftw(), QUARMONT_EXPECT_FFTW != 0);
    EXPECT_EQ (RealFft (order).describeTransform().rfind (QUARMONT_EXPECT_FFTW != 0 ? "FFTW forward (" : "juce::dsp::FFT", 0), 0u);
}

#if QUARMONT_EXPECT_FFTW && defined (__x86_64__) && defined (__GNUC__)
TEST (RealFft, TheFrameTransformRunsOnTheKeptPlansWhereTheProcessorHasAvx)
{
    // The kept wisdom only matches the exact problem and planner flags it was made for; a change to
    // either would silently bring back the slower estimated plans.
    if (! __builtin_cpu_supports ("avx"))
        GTEST_SKIP() << "no AVX: FFTW estimates the plans";

    const auto plans = RealFft (order).describeTransform();
    EXPECT_NE (plans.find ("forward (dft-ct-dit/16 (dftw-direct-16/240 \"t2fv_16_avx\") (dft-direct-64-x16 \"n2fv_64_avx\"))"),
               std::string::npos) << plans;
    EXPECT_NE (plans.find ("inverse (dft-ct-dit/64 (dftw-direct-64/1008 \"t2bv_64_avx\") (dft-direct-16-x64 \"n2bv_16_avx\"))"),
               std::string::npos) << plans;
}
#endif
} // namespace
