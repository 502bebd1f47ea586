#pragma once

#include <cstdint>

namespace corvan {

// The values besides the two paths that decide what a conversion writes. The engine asks
// for each one at the moment it uses it and never keeps a copy, so the owner (the main
// window, the command line) always answers with the current state of its controls.
class ConversionInputs {
public:
    virtual ~ConversionInputs() = default;

    // Debug mode: extra message boxes with intermediate values.
    virtual bool DEBUGFLAG() const = 0;
    // Queued music (played once): the 190-byte header.
    virtual bool playOnceValue() const = 0;
    // Looped music (played continuously): the 228-byte header.
    virtual bool playLoopValue() const = 0;
    // The loop sliders, 0 to their maximum of 32767.
    virtual std::int16_t scrStartValue() const = 0;
    virtual std::int16_t scrStartMax() const = 0;
    virtual std::int16_t scrEndValue() const = 0;
    virtual std::int16_t scrEndMax() const = 0;
};

}  // namespace corvan
