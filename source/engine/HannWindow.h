#pragma once

#include <vector>

namespace quarmont
{
/** Symmetric Hann window w[i] = 0.5 (1 - cos (2 pi i / (length - 1))), in single precision. */
void fillSymmetricHann (std::vector<float>& window, int length);
} // namespace quarmont
