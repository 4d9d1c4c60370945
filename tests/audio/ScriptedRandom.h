// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A random source whose draws a test decides. below() answers n - 1 (no trigger) unless the
// script names an answer for that call; uniform() gives 0 for the noise range [-1, 1] (so noise
// and crackle are silent) and otherwise the next queued value, or the middle of the range.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>

namespace Quorel {

struct RandomScript {
    std::map<std::uint64_t, std::uint64_t> belowAnswers;  // by call number, from 1
    std::deque<double> uniforms;
    std::uint64_t belowCalls = 0;
};

class ScriptedRandom {
public:
    explicit ScriptedRandom(std::shared_ptr<RandomScript> script = std::make_shared<RandomScript>())
        : m_script(std::move(script)) {}

    double uniform(double lo, double hi) {
        if (lo == -1 && hi == 1) {
            return 0;
        }
        if (m_script->uniforms.empty()) {
            return (lo + hi) / 2;
        }
        const double v = m_script->uniforms.front();
        m_script->uniforms.pop_front();
        return v;
    }

    std::uint64_t below(std::uint64_t n) {
        const auto answer = m_script->belowAnswers.find(++m_script->belowCalls);
        return answer == m_script->belowAnswers.end() ? n - 1 : answer->second;
    }

    RandomScript& script() { return *m_script; }

private:
    std::shared_ptr<RandomScript> m_script;
};

}  // namespace Quorel
