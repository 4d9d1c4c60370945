// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The sharpest corner in samples [begin, end): a click is a jump that tones never make, however
// steep they are, so the change of slope shows it better than the step itself.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

inline float largestKink(const std::vector<float>& s, std::size_t begin = 0,
                         std::size_t end = SIZE_MAX) {
    float largest = 0;
    for (std::size_t i = std::max<std::size_t>(begin, 1); i + 1 < std::min(end, s.size()); ++i) {
        largest = std::max(largest, std::abs(s[i + 1] - 2 * s[i] + s[i - 1]));
    }
    return largest;
}
