#pragma once

#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "engine/AlignedBuffer.h"

namespace quarmont
{
/** The frame transform: a real frame of 2^order samples to its bins 0 .. 2^(order-1) (the rest
    of the spectrum of a real frame is their mirror image), and back. Forward is unscaled; inverse
    is scaled by 1/size, so that a round trip gives the frame back.

    Both directions run on one complex transform of half the size, which packs the even samples
    into the real parts and the odd ones into the imaginary parts, plus a pass that untangles the
    two halves. That is what a real-input transform costs; FFTW's own real-input plans, chosen
    without measuring, are slower on current x86 than its complex plans of the full size.

    The complex transform is FFTW, linked into the module when it is found at build time (its
    plans are made once per process, from kept wisdom where it applies, and shared), else
    juce::dsp::FFT.

    Constructing the first instance of a size plans (allocates, takes a lock); forward and inverse
    neither allocate nor lock. An instance may be used by one thread at a time (it keeps scratch). */
class RealFft
{
public:
    explicit RealFft (int order);
    ~RealFft();

    /** size real samples in, size/2 + 1 bins out. */
    void forward (const float* frame, std::complex<float>* bins) noexcept;

    /** size/2 + 1 bins in (the imaginary parts of the first and the last are taken as 0), size
        real samples out. */
    void inverse (const std::complex<float>* bins, float* frame) noexcept;

    int getSize() const noexcept { return size; }

    /** True when the transforms run on FFTW rather than juce::dsp::FFT (a build-time choice). */
    static bool usesFftw() noexcept;

    /** What runs the complex transform of this instance, for benchmark reports: FFTW's forward
        and inverse plans (which kernels, in what split), or juce::dsp::FFT. */
    std::string describeTransform() const;

private:
    class Engine;

    int size;
    const Engine& engine;
    std::vector<float> twiddleReal, twiddleImag; // e^(-2 pi i k / size), k = 0 .. size/4, each twice
    AlignedVector<std::complex<float>> packed;   // the half-size complex spectrum
    AlignedVector<float> frameScratch;          // for frames not aligned like the plans

    RealFft (const RealFft&) = delete;
    RealFft& operator= (const RealFft&) = delete;
};
} // namespace quarmont
