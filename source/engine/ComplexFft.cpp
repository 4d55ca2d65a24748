#include "engine/ComplexFft.h"

#include <algorithm>
#include <mutex>

namespace quarmont
{
namespace
{
using FftwComplex = float[2];
using FftwPlan = void*;

struct FftwFunctions
{
    FftwPlan (*planDft) (int, FftwComplex*, FftwComplex*, int, unsigned) = nullptr;
    void (*executeDft) (FftwPlan, FftwComplex*, FftwComplex*) = nullptr;
    void (*destroyPlan) (FftwPlan) = nullptr;
    void* (*allocate) (size_t) = nullptr;
    void (*release) (void*) = nullptr;
    int (*alignmentOf) (float*) = nullptr;
    juce::DynamicLibrary* library = nullptr;
};

const char* const fftwLibraryNames[] = {
#if JUCE_WINDOWS
    "libfftw3f.dll", "libfftw3f-3.dll"
#elif JUCE_MAC
    "libfftw3f.dylib", "libfftw3f.3.dylib"
#else
    "libfftw3f.so", "libfftw3f.so.3"
#endif
};

template <typename Function>
bool find (juce::DynamicLibrary& library, Function& function, const char* name)
{
    function = reinterpret_cast<Function> (library.getFunction (name));
    return function != nullptr;
}

/** FFTW's functions, or null where the library cannot be loaded. The library is loaded once and
    stays loaded for the life of the process: FFTW keeps its planner's state inside it, which
    closing the library would strand. */
const FftwFunctions* fftwFunctions()
{
    static const FftwFunctions* const functions = []() -> const FftwFunctions*
    {
        for (const auto* name : fftwLibraryNames)
        {
            auto library = std::make_unique<juce::DynamicLibrary>();
            FftwFunctions f;

            if (library->open (name)
                && find (*library, f.planDft, "fftwf_plan_dft_1d")
                && find (*library, f.executeDft, "fftwf_execute_dft")
                && find (*library, f.destroyPlan, "fftwf_destroy_plan")
                && find (*library, f.allocate, "fftwf_malloc")
                && find (*library, f.release, "fftwf_free")
                && find (*library, f.alignmentOf, "fftwf_alignment_of"))
            {
                f.library = library.release(); // deliberately never closed
                return new FftwFunctions (f);
            }
        }

        return nullptr;
    }();

    return functions;
}

// FFTW's planner is not thread-safe; engines may be built on different threads.
std::mutex& fftwPlannerMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

class ComplexFft::FftwPlans
{
public:
    static std::unique_ptr<FftwPlans> create (int size)
    {
        const auto* functions = fftwFunctions();

        if (functions == nullptr)
            return {};

        std::unique_ptr<FftwPlans> plans (new FftwPlans (*functions));
        const std::lock_guard<std::mutex> lock (fftwPlannerMutex());

        plans->input = static_cast<FftwComplex*> (functions->allocate (sizeof (FftwComplex) * (size_t) size));
        plans->output = static_cast<FftwComplex*> (functions->allocate (sizeof (FftwComplex) * (size_t) size));

        if (plans->input == nullptr || plans->output == nullptr)
            return {};

        // Estimated plans are chosen from the size alone, so every run computes the same bits.
        constexpr unsigned estimate = 1u << 6;
        plans->forwardPlan = functions->planDft (size, plans->input, plans->output, -1, estimate);
        plans->inversePlan = functions->planDft (size, plans->input, plans->output, +1, estimate);

        if (plans->forwardPlan == nullptr || plans->inversePlan == nullptr)
            return {};

        plans->plannedAlignment = functions->alignmentOf (reinterpret_cast<float*> (plans->input));
        plans->size = size;
        return plans;
    }

    ~FftwPlans()
    {
        const std::lock_guard<std::mutex> lock (fftwPlannerMutex());

        if (forwardPlan != nullptr) functions.destroyPlan (forwardPlan);
        if (inversePlan != nullptr) functions.destroyPlan (inversePlan);
        if (input != nullptr) functions.release (input);
        if (output != nullptr) functions.release (output);
    }

    void execute (bool isInverse, const std::complex<float>* source, std::complex<float>* destination) const noexcept
    {
        auto* in = reinterpret_cast<FftwComplex*> (const_cast<std::complex<float>*> (source));
        auto* out = reinterpret_cast<FftwComplex*> (destination);
        const auto plan = isInverse ? inversePlan : forwardPlan;

        // A plan may only run on arrays aligned like the ones it was made for.
        if (functions.alignmentOf (reinterpret_cast<float*> (in)) == plannedAlignment
            && functions.alignmentOf (reinterpret_cast<float*> (out)) == plannedAlignment)
        {
            functions.executeDft (plan, in, out);
            return;
        }

        std::copy (source, source + size, reinterpret_cast<std::complex<float>*> (input));
        functions.executeDft (plan, input, output);
        std::copy (reinterpret_cast<std::complex<float>*> (output),
                   reinterpret_cast<std::complex<float>*> (output) + size, destination);
    }

private:
    explicit FftwPlans (const FftwFunctions& f) : functions (f) {}

    const FftwFunctions& functions;
    FftwPlan forwardPlan = nullptr, inversePlan = nullptr;
    FftwComplex* input = nullptr;  // planning arrays, reused as scratch for unaligned arguments
    FftwComplex* output = nullptr;
    int plannedAlignment = 0;
    int size = 0;
};

ComplexFft::ComplexFft (int order)
    : size (1 << order),
      fftw (FftwPlans::create (1 << order))
{
    if (fftw == nullptr)
        juceFft = std::make_unique<juce::dsp::FFT> (order);
}

ComplexFft::~ComplexFft() = default;

void ComplexFft::forward (const std::complex<float>* input, std::complex<float>* output) const noexcept
{
    if (fftw != nullptr)
        fftw->execute (false, input, output);
    else
        juceFft->perform (input, output, false);
}

void ComplexFft::inverse (const std::complex<float>* input, std::complex<float>* output) const noexcept
{
    if (fftw == nullptr)
    {
        juceFft->perform (input, output, true);
        return;
    }

    fftw->execute (true, input, output);

    // The same scaling juce::dsp::FFT applies to its inverse: exact, since size is a power of two.
    auto* values = reinterpret_cast<float*> (output);
    const auto scale = 1.0f / (float) size;

    for (int i = 0; i < 2 * size; ++i)
        values[i] *= scale;
}
} // namespace quarmont
