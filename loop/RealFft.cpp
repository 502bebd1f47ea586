#include "loop/RealFft.h"

#include <fftw3.h>

#include <mutex>
#include <new>

namespace corvan::loop {

namespace {

std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

RealFft::RealFft(int size)
    : size_(size),
      input_(fftw_alloc_real(static_cast<std::size_t>(size))),
      // FFTW documents its complex type as laid out like std::complex<double>.
      output_(reinterpret_cast<std::complex<double>*>(
          fftw_alloc_complex(static_cast<std::size_t>(size / 2 + 1)))),
      plan_(nullptr) {
    if (input_ != nullptr && output_ != nullptr) {
        const std::lock_guard<std::mutex> hold(plannerLock());
        plan_ = fftw_plan_dft_r2c_1d(size, input_, reinterpret_cast<fftw_complex*>(output_),
                                     FFTW_ESTIMATE);
    }
    if (plan_ == nullptr) {
        fftw_free(output_);
        fftw_free(input_);
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() {
    {
        const std::lock_guard<std::mutex> hold(plannerLock());
        fftw_destroy_plan(plan_);
    }
    fftw_free(output_);
    fftw_free(input_);
}

void RealFft::transform() {
    fftw_execute(plan_);
}

}  // namespace corvan::loop
