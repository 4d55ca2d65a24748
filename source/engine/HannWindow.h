#pragma once

#include "engine/AlignedBuffer.h"

namespace quarmont
{
/** Symmetric Hann window w[i] = 0.5 (1 - cos (2 pi i / (length - 1))), in single precision. */
void fillSymmetricHann (AlignedVector<float>& window, int length);
} // namespace quarmont
