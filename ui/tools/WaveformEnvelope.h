#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvan::ui {

// The lowest and highest sample of each of `columns` equal stretches of a recording, all
// channels together, 1.0 being full scale: enough to draw it at any width up to that.
struct WaveformEnvelope {
    std::vector<float> low, high;
    std::int64_t frames = 0;

    bool empty() const { return low.empty(); }

    // Reads the whole recording once. Throws AudioError when libsndfile cannot read it. A
    // `cancel` that answers true, asked between blocks, ends the reading with what was read.
    static WaveformEnvelope of(const std::string& path, int columns = 2048,
                               const std::function<bool()>& cancel = nullptr);
};

}  // namespace corvan::ui
