#pragma once

#include <complex>
#include <memory>

#include <juce_dsp/juce_dsp.h>

namespace quarmont
{
/** The 2048-point complex transform of the frame procedure: forward without scaling, inverse
    scaled by 1/size, as juce::dsp::FFT defines them.

    When libfftw3f can be loaded at run time this plans FFTW itself, for SIMD-aligned buffers
    (the library, once loaded, stays loaded for the life of the process).
    juce::dsp::FFT can use the same library, but it always plans for unaligned buffers, which
    turns off FFTW's vector code and makes a frame's two transforms about five times slower.
    Without the library it is juce::dsp::FFT with JUCE's own transform.

    Constructing plans allocates and takes a lock; forward and inverse do neither. An instance may
    be used by one thread at a time (it keeps scratch buffers for unaligned arguments). */
class ComplexFft
{
public:
    explicit ComplexFft (int order);
    ~ComplexFft();

    void forward (const std::complex<float>* input, std::complex<float>* output) const noexcept;
    void inverse (const std::complex<float>* input, std::complex<float>* output) const noexcept;

    int getSize() const noexcept { return size; }

    /** True when the transforms run on FFTW's plans rather than juce::dsp::FFT. */
    bool usesFftw() const noexcept { return fftw != nullptr; }

private:
    class FftwPlans;

    int size;
    std::unique_ptr<FftwPlans> fftw;
    std::unique_ptr<juce::dsp::FFT> juceFft;

    JUCE_DECLARE_NON_COPYABLE (ComplexFft)
};
} // namespace quarmont
