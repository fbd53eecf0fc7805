// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The random numbers of the benchmark data generators: xorshift32, small, fast and the
// same on every machine, so that one seed always gives the same data.

#include <cstdint>

namespace vireo::bench {

class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed ? seed : 1) {}
    std::uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }

private:
    std::uint32_t m_state;
};

} // namespace vireo::bench
