#pragma once

#include <complex>

struct fftw_plan_s;

namespace corvan::loop {

// A forward FFT of `size` real samples with its own FFTW buffers and plan, all freed when it
// goes. FFTW's planner is not thread-safe, so every plan is made and destroyed under one lock
// for the whole process; transforms of different objects may run in many threads at once.
class RealFft {
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return size_; }
    int bins() const { return size_ / 2 + 1; }
    // The size() samples that transform() reads.
    double* input() { return input_; }
    // The bins() coefficients that transform() writes, from 0 Hz to half the rate.
    const std::complex<double>* output() const { return output_; }
    void transform();

private:
    int size_;
    double* input_;
    std::complex<double>* output_;
    fftw_plan_s* plan_;
};

}  // namespace corvan::loop
