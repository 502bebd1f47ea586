#include "soundtrack/ContentHash.h"

#include <xxhash.h>

#include <new>

namespace corvan::soundtrack {

struct ContentHash::State {
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

ContentHash::ContentHash() : state_(std::make_unique<State>()) {
    if (state_->xxh == nullptr) throw std::bad_alloc();
    XXH3_128bits_reset(state_->xxh);
}

ContentHash::~ContentHash() = default;

void ContentHash::add(const std::uint8_t* data, std::size_t size) {
    XXH3_128bits_update(state_->xxh, data, size);
}

std::string ContentHash::hex() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_->xxh));
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : canonical.digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

}  // namespace corvan::soundtrack
