#include "engine/HannWindow.h"

#include <cmath>

namespace quarmont
{
void fillSymmetricHann (AlignedVector<float>& window, int length)
{
    window.resize ((size_t) length);
    constexpr float twoPi = 6.2831855f;
    const auto denominator = (float) (length - 1);

    for (int i = 0; i < length; ++i)
        window[(size_t) i] = 0.5f * (1.0f - std::cos ((float) i * twoPi / denominator));
}
} // namespace quarmont
