#include "engine/RealFft.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "engine/EngineConstants.h"
#include "engine/VectorClones.h"

#if QUARMONT_HAS_FFTW
 #include <fftw3.h>
#else
 #include <juce_dsp/juce_dsp.h>
#endif

namespace quarmont
{
namespace
{
constexpr int maximumOrder = 20;

// FFTW's planner is not thread-safe, and engines may be built on several threads at once.
std::mutex& plannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool isAligned (const void* pointer) noexcept
{
    return reinterpret_cast<std::uintptr_t> (pointer) % 64 == 0;
}
} // namespace

/** The plans FFTW's patient planner found on an AVX machine for the frame's transform of 1024
    complex points (forward 16 x 64, inverse 64 x 16 with AVX kernels), about 12 % faster than the
    estimated ones (fftwRealFloor and engineTransformPair in bench/). Kept as wisdom rather than
    measured at run time, which would take seconds per process and pick a different plan from run
    to run. Where the processor has no AVX, FFTW finds these kernels inapplicable, forgets the
    wisdom and estimates as it would without it; an FFTW other than 3.3.10 refuses it likewise. */
#if QUARMONT_HAS_FFTW
constexpr const char* frameTransformWisdom = R"((fftw-3.3.10 fftwf_wisdom #x9e7d4dee #xdb14fed1 #x34bf76a4 #xeb6e8fdf
  (fftwf_codelet_t2fv_16_avx 0 #x11048 #x11048 #x0 #xc6ca45ce #xf08c5f4a #x61a53ade #xe5e374c8)
  (fftwf_codelet_t2bv_64_avx 0 #x11048 #x11048 #x0 #xd86f0fcc #x804581bb #x5ccfdfba #x14108c49)
  (fftwf_codelet_n2bv_16_avx 0 #x11048 #x11048 #x0 #x09828f7b #x31d0c35d #xa617d809 #x4ccb96bd)
  (fftwf_codelet_n2fv_64_avx 0 #x11048 #x11048 #x0 #xdd22ce6b #xc058516b #x4bb0f5e7 #xef08c653)
))";
#endif

/** The complex transform of half the frame size, shared by every instance of that size. */
class RealFft::Engine
{
public:
    /** The engine of 2^order complex points, made on first use and kept until the module is
        unloaded: plans cost far more to make than to keep, and a host creates instances often.
        Each call counts one user more, until the matching release(). */
    static const Engine& forOrder (int order)
    {
        const std::lock_guard<std::mutex> lock (plannerMutex());
        auto& engine = engines()[(size_t) order];

        if (engine == nullptr)
        {
            engine = new Engine (order);
            releaseAllAtUnload();
        }

        ++users();
        return *engine;
    }

    /** One user fewer (a RealFft gone). */
    static void release() noexcept
    {
        const std::lock_guard<std::mutex> lock (plannerMutex());
        --users();
    }

    /** Unscaled, sign -1. Both arrays must be 64-byte aligned. */
    void forward (const std::complex<float>* input, std::complex<float>* output) const noexcept
    {
#if QUARMONT_HAS_FFTW
        fftwf_execute_dft (forwardPlan, asFftw (input), asFftw (output));
#else
        fft.perform (input, output, false);
#endif
    }

    /** Sign +1, unscaled on FFTW, scaled by 1/points on JUCE's FFT (see inverseScale). */
    void inverse (const std::complex<float>* input, std::complex<float>* output) const noexcept
    {
#if QUARMONT_HAS_FFTW
        fftwf_execute_dft (inversePlan, asFftw (input), asFftw (output));
#else
        fft.perform (input, output, true);
#endif
    }

    std::string describe() const
    {
#if QUARMONT_HAS_FFTW
        std::string text;

        for (auto* plan : { forwardPlan, inversePlan })
        {
            auto* printed = fftwf_sprint_plan (plan);
            text += (text.empty() ? "FFTW forward " : ", inverse ") + std::string (printed);
            std::free (printed);
        }

        // One line: the planner indents nested plans on lines of their own.
        std::string line;

        for (const auto c : text)
            if (! (std::isspace ((unsigned char) c) && (line.empty() || line.back() == ' ' || line.back() == '(')))
                line += std::isspace ((unsigned char) c) ? ' ' : c;

        return line;
#else
        return "juce::dsp::FFT";
#endif
    }

    /** What the inverse leaves to be applied by the caller so that it is scaled by 1/points. */
    float inverseScale() const noexcept
    {
#if QUARMONT_HAS_FFTW
        return 1.0f / (float) points;
#else
        return 1.0f;
#endif
    }

private:
    static std::array<const Engine*, maximumOrder + 1>& engines() noexcept
    {
        static std::array<const Engine*, maximumOrder + 1> made {};
        return made;
    }

    /** RealFft instances alive, all sizes together; guarded by the planner's lock. */
    static int& users() noexcept
    {
        static int count = 0;
        return count;
    }

    /** Frees the engines when the module is unloaded (a handler registered by atexit from a
        shared library runs at its dlclose), so that a host loading and unloading the plug-in
        does not lose them each time. Registered once the first engine exists, it runs before
        the destructors of whatever that engine set up on first use (JUCE's count of live FFT
        objects, whose check would otherwise find them still alive).

        Only when no instance is left: a process may call exit() while its audio thread still
        runs a plug-in (Xlib's default error handler does), and that thread must not find its
        transform gone. Engines left so are what the instances still using them leak anyway. */
    static void releaseAllAtUnload()
    {
        [[maybe_unused]] static const bool registered = std::atexit ([]
        {
            const std::lock_guard<std::mutex> lock (plannerMutex());

            if (users() != 0)
                return;

            for (auto*& engine : engines())
            {
                delete engine;
                engine = nullptr;
            }
        }) == 0;
    }

    ~Engine()
    {
#if QUARMONT_HAS_FFTW
        // Only from the release at unload, which holds the planner's lock.
        fftwf_destroy_plan (forwardPlan);
        fftwf_destroy_plan (inversePlan);
#endif
    }

    explicit Engine (int order)
        : points (1 << order)
#if ! QUARMONT_HAS_FFTW
          , fft (order)
#endif
    {
#if QUARMONT_HAS_FFTW
        // Planned on 64-byte aligned arrays, which is how every caller's arrays are aligned.
        // Estimated plans are chosen from the size alone: instant, and every run computes the
        // same bits on the same machine. For the frame's size the plan comes from wisdom instead.
        if (points == 1 << (fftOrder - 1))
            fftwf_import_wisdom_from_string (frameTransformWisdom);

        AlignedVector<std::complex<float>> input ((size_t) points), output ((size_t) points);
        forwardPlan = fftwf_plan_dft_1d (points, asFftw (input.data()), asFftw (output.data()), FFTW_FORWARD,
                                         FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
        inversePlan = fftwf_plan_dft_1d (points, asFftw (input.data()), asFftw (output.data()), FFTW_BACKWARD,
                                         FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);

        if (forwardPlan == nullptr || inversePlan == nullptr)
            std::abort(); // only with a size FFTW cannot plan, which no caller asks for
#endif
    }

#if QUARMONT_HAS_FFTW
    static fftwf_complex* asFftw (const std::complex<float>* values) noexcept
    {
        return reinterpret_cast<fftwf_complex*> (const_cast<std::complex<float>*> (values));
    }

    fftwf_plan forwardPlan = nullptr, inversePlan = nullptr;
#endif

    int points;

#if ! QUARMONT_HAS_FFTW
    juce::dsp::FFT fft;
#endif
};

namespace
{
// Bins k and h - k of the packed spectrum Z (h = size/2) hold the transforms E of the even and O
// of the odd samples: E[k] = (Z[k] + conj Z[h-k]) / 2, O[k] = (Z[k] - conj Z[h-k]) / 2i; then
// X[k] = E[k] + W^k O[k] and X[h-k] = conj (E[k] - W^k O[k]), with W = e^(-2 pi i / size).
// The inverse runs the same butterfly backwards.
//
// Each step pairs a bin with its mirror, which the compiler does not vectorise by itself: the
// loops below take eight bins from the front and eight from the back at a time, written with
// vector extensions (as many narrower vectors, or plain arithmetic, where the target has no
// vectors that wide).

typedef float Vec16 __attribute__ ((vector_size (64)));

inline Vec16 load (const float* p) noexcept
{
    Vec16 v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

inline void store (float* p, Vec16 v) noexcept
{
    std::memcpy (p, &v, sizeof (v));
}

/** Eight complex values in reverse order. */
inline Vec16 reversed (Vec16 v) noexcept
{
    return __builtin_shufflevector (v, v, 14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
}

/** Real and imaginary part of each complex value swapped. */
inline Vec16 swapped (Vec16 v) noexcept
{
    return __builtin_shufflevector (v, v, 1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
}

constexpr Vec16 conjugateSigns { 1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f,
                                 1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f };

constexpr int binsPerStep = (int) (sizeof (Vec16) / sizeof (float)) / 2;

/** Twiddles for eight bins from k on; each is stored twice, for the real and the imaginary lane. */
inline void twiddles (const float* wr, const float* wi, int k, Vec16& real, Vec16& imag) noexcept
{
    real = load (wr + 2 * k);
    imag = load (wi + 2 * k);
}

/** w x v for eight complex values. */
inline Vec16 multiply (Vec16 wReal, Vec16 wImag, Vec16 v) noexcept
{
    return wReal * v + wImag * swapped (v) * -conjugateSigns;
}

QUARMONT_VECTOR_CLONES
void untangle (const float* __restrict z, float* __restrict x, const float* __restrict wr, const float* __restrict wi, int half) noexcept
{
    int k = 1;

    for (; k + binsPerStep - 1 < half / 2; k += binsPerStep)
    {
        const auto j = half - k - (binsPerStep - 1); // the mirrors of k .. k+7 are j+7 .. j
        const auto a = load (z + 2 * k);
        const auto b = reversed (load (z + 2 * j)) * conjugateSigns;
        const auto e = 0.5f * (a + b);
        const auto odd = swapped (0.5f * (a - b)) * conjugateSigns; // -i (a - b) / 2
        Vec16 wReal, wImag;
        twiddles (wr, wi, k, wReal, wImag);
        const auto t = multiply (wReal, wImag, odd);
        store (x + 2 * k, e + t);
        store (x + 2 * j, reversed ((e - t) * conjugateSigns));
    }

    for (; k < half / 2; ++k)
    {
        const auto j = half - k;
        const auto ar = z[2 * k], ai = z[2 * k + 1], br = z[2 * j], bi = z[2 * j + 1];
        const auto er = 0.5f * (ar + br), ei = 0.5f * (ai - bi);
        const auto oddRe = 0.5f * (ai + bi), oddIm = 0.5f * (br - ar);
        const auto tr = wr[2 * k] * oddRe - wi[2 * k] * oddIm;
        const auto ti = wr[2 * k] * oddIm + wi[2 * k] * oddRe;
        x[2 * k] = er + tr;
        x[2 * k + 1] = ei + ti;
        x[2 * j] = er - tr;
        x[2 * j + 1] = ti - ei;
    }

    x[0] = z[0] + z[1];
    x[1] = 0.0f;
    x[2 * half] = z[0] - z[1];
    x[2 * half + 1] = 0.0f;
    x[half] = z[half];
    x[half + 1] = -z[half + 1];
}

/** The reverse of untangle, with the scale c folded in: Z[k] = c (E[k] + i O[k]) with
    E[k] = X[k] + conj X[h-k] and O[k] = conj (W^k) (X[k] - conj X[h-k]). */
QUARMONT_VECTOR_CLONES
void tangle (const float* __restrict x, float* __restrict z, const float* __restrict wr, const float* __restrict wi, int half, float c) noexcept
{
    int k = 1;

    for (; k + binsPerStep - 1 < half / 2; k += binsPerStep)
    {
        const auto j = half - k - (binsPerStep - 1);
        const auto a = load (x + 2 * k);
        const auto b = reversed (load (x + 2 * j)) * conjugateSigns;
        const auto e = c * (a + b);
        Vec16 wReal, wImag;
        twiddles (wr, wi, k, wReal, wImag);
        const auto odd = multiply (wReal, -wImag, c * (a - b)); // conj (W^k) (a - b)
        const auto iOdd = swapped (odd) * -conjugateSigns;       // i x odd
        store (z + 2 * k, e + iOdd);
        // Z[h-k] = conj (E) + i conj (O)
        store (z + 2 * j, reversed (e * conjugateSigns + swapped (odd * conjugateSigns) * -conjugateSigns));
    }

    for (; k < half / 2; ++k)
    {
        const auto j = half - k;
        const auto ar = x[2 * k], ai = x[2 * k + 1], br = x[2 * j], bi = x[2 * j + 1];
        const auto er = c * (ar + br), ei = c * (ai - bi);
        const auto dr = c * (ar - br), di = c * (ai + bi);
        const auto oddRe = wr[2 * k] * dr + wi[2 * k] * di;
        const auto oddIm = wr[2 * k] * di - wi[2 * k] * dr;
        z[2 * k] = er - oddIm;
        z[2 * k + 1] = ei + oddRe;
        z[2 * j] = er + oddIm;
        z[2 * j + 1] = oddRe - ei;
    }

    // DC and Nyquist are real in the spectrum of a real frame: their imaginary parts are ignored.
    z[0] = c * (x[0] + x[2 * half]);
    z[1] = c * (x[0] - x[2 * half]);
    z[half] = 2.0f * c * x[half];
    z[half + 1] = -2.0f * c * x[half + 1];
}
} // namespace

RealFft::RealFft (int order)
    : size (1 << order),
      engine (Engine::forOrder (order - 1)),
      packed ((size_t) size / 2),
      frameScratch ((size_t) size)
{
    const auto half = size / 2;
    twiddleReal.resize ((size_t) half + 8);
    twiddleImag.resize ((size_t) half + 8);

    for (int k = 0; k <= half / 2; ++k)
    {
        const auto angle = 2.0 * M_PI * (double) k / (double) size;
        twiddleReal[(size_t) (2 * k)] = twiddleReal[(size_t) (2 * k + 1)] = (float) std::cos (angle);
        twiddleImag[(size_t) (2 * k)] = twiddleImag[(size_t) (2 * k + 1)] = (float) -std::sin (angle);
    }
}

RealFft::~RealFft()
{
    Engine::release();
}

bool RealFft::usesFftw() noexcept
{
    return QUARMONT_HAS_FFTW != 0;
}

std::string RealFft::describeTransform() const
{
    return engine.describe();
}

void RealFft::forward (const float* frame, std::complex<float>* bins) noexcept
{
    // The frame's samples, taken in pairs, are the complex input of the half-size transform.
    if (! isAligned (frame))
    {
        std::copy (frame, frame + size, frameScratch.data());
        frame = frameScratch.data();
    }

    engine.forward (reinterpret_cast<const std::complex<float>*> (frame), packed.data());
    untangle (reinterpret_cast<const float*> (packed.data()), reinterpret_cast<float*> (bins),
              twiddleReal.data(), twiddleImag.data(), size / 2);
}

void RealFft::inverse (const std::complex<float>* bins, float* frame) noexcept
{
    const auto half = size / 2;

    // 1/2 undoes the doubling of tangle's sums; the rest of the 1/size is the engine's.
    tangle (reinterpret_cast<const float*> (bins), reinterpret_cast<float*> (packed.data()),
            twiddleReal.data(), twiddleImag.data(), half, 0.5f * engine.inverseScale());

    auto* destination = isAligned (frame) ? frame : frameScratch.data();
    engine.inverse (packed.data(), reinterpret_cast<std::complex<float>*> (destination));

    if (destination != frame)
        std::copy (destination, destination + size, frame);
}
} // namespace quarmont
