#include "loop/LoopSearch.h"

#include "loop/RealFft.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace corvan::loop {

namespace {

constexpr int kSize = 1024;  // 46 ms at 22,050 Hz
constexpr int kHop = 256;    // 12 ms
constexpr int kBands = 32;
constexpr int kChroma = 12;
constexpr int kDims = kBands + kChroma;
constexpr double kContextSeconds = 3.0;  // each side, for places and for judging
constexpr double kSpliceSeconds = 0.2;   // each side, for the short-window places
constexpr int kLagCandidates = 12;
constexpr int kPlacesPerLength = 6;
constexpr int kCorrelationHalf = 4096;  // samples each side of a point cross-correlated
constexpr double kSeamReachSeconds = 0.05;

class Cancelled {};

// Short-time features at kHop: log band energies (60 Hz to half the rate) and pitch-class
// shares, each group scaled to unit spread so that neither outweighs the other.
struct Features {
    int frames = 0;
    std::vector<float> values;  // frames x kDims
    std::vector<double> onset;  // spectral rise per frame, for the beat
    const float* at(int frame) const { return values.data() + std::size_t(frame) * kDims; }
};

Features computeFeatures(const GameSamples& samples, const std::function<void()>& check) {
    Features f;
    const std::int64_t n = samples.frames();
    f.frames = n < kSize ? 0 : static_cast<int>((n - kSize) / kHop + 1);
    f.values.assign(std::size_t(f.frames) * kDims, 0.0f);
    f.onset.assign(f.frames, 0.0);
    RealFft fft(kSize);
    std::vector<double> hann(kSize);
    for (int i = 0; i < kSize; ++i) hann[i] = 0.5 - 0.5 * std::cos(2 * M_PI * i / (kSize - 1));
    // Which band and which pitch class each bin adds to.
    std::vector<int> band(fft.bins(), -1), pitchClass(fft.bins(), -1);
    const double nyquist = samples.rate / 2.0;
    for (int k = 1; k < fft.bins(); ++k) {
        const double hz = k * double(samples.rate) / kSize;
        if (hz >= 60)
            band[k] =
                std::min(kBands - 1, int(kBands * std::log(hz / 60) / std::log(nyquist / 60)));
        if (hz > 55 && hz < 4000)
            pitchClass[k] = ((int(std::lround(12 * std::log2(hz / 440) + 69)) % 12) + 12) % 12;
    }
    std::vector<double> previous(kBands, 0.0);
    for (int frame = 0; frame < f.frames; ++frame) {
        if (frame % 1024 == 0) check();
        const std::int64_t at = std::int64_t(frame) * kHop;
        for (int i = 0; i < kSize; ++i) fft.input()[i] = samples.mono(at + i) * hann[i];
        fft.transform();
        double bands[kBands] = {}, chroma[kChroma] = {}, chromaTotal = 0;
        for (int k = 1; k < fft.bins(); ++k) {
            const double power = std::norm(fft.output()[k]);
            if (band[k] >= 0) bands[band[k]] += power;
            if (pitchClass[k] >= 0) {
                chroma[pitchClass[k]] += power;
                chromaTotal += power;
            }
        }
        float* row = f.values.data() + std::size_t(frame) * kDims;
        double rise = 0;
        for (int b = 0; b < kBands; ++b) {
            const double level = std::log10(bands[b] + 1e-10);
            row[b] = float(level);
            rise += std::max(0.0, level - previous[b]);
            previous[b] = level;
        }
        f.onset[frame] = rise;
        for (int c = 0; c < kChroma; ++c)
            row[kBands + c] = float(chroma[c] / (chromaTotal + 1e-12));
    }
    // One spread for all bands and one for all pitch classes, so the groups weigh alike.
    for (const auto& [first, count, weight] :
         {std::tuple{0, kBands, 1.0}, std::tuple{kBands, kChroma, 3.0}}) {
        double sum = 0, squares = 0;
        const double values = double(f.frames) * count;
        for (int frame = 0; frame < f.frames; ++frame)
            for (int d = first; d < first + count; ++d) {
                sum += f.at(frame)[d];
                squares += double(f.at(frame)[d]) * f.at(frame)[d];
            }
        const double mean = values > 0 ? sum / values : 0;
        const double spread =
            values > 0 ? std::sqrt(std::max(squares / values - mean * mean, 0.0)) : 1;
        const double scale = weight / (spread + 1e-9);
        for (int frame = 0; frame < f.frames; ++frame)
            for (int d = first; d < first + count; ++d)
                f.values[std::size_t(frame) * kDims + d] *= float(scale);
    }
    return f;
}

// The autocorrelation of `series` at every lag below its length, by FFT.
std::vector<double> autocorrelation(const std::vector<double>& series, RealFft& fft) {
    const int n = fft.size();
    std::fill(fft.input(), fft.input() + n, 0.0);
    std::copy(series.begin(), series.end(), fft.input());
    fft.transform();
    // The power spectrum is real and even, so a forward transform of it is n times the inverse.
    std::vector<double> power(fft.bins());
    for (int k = 0; k < fft.bins(); ++k) power[k] = std::norm(fft.output()[k]);
    for (int k = 0; k < n; ++k) fft.input()[k] = power[k <= n / 2 ? k : n - k];
    fft.transform();
    std::vector<double> result(series.size());
    for (std::size_t lag = 0; lag < series.size(); ++lag)
        result[lag] = fft.output()[lag].real() / n;
    return result;
}

// The mean squared feature distance between frames t and t + lag, for each lag.
std::vector<double> lagDistances(const Features& f, int minLag, int maxLag,
                                 const std::function<void()>& check) {
    const int frames = f.frames;
    int n = 1;
    while (n < 2 * frames) n *= 2;
    RealFft fft(n);
    std::vector<double> crossSum(frames, 0.0), squares(frames, 0.0);
    std::vector<double> series(frames);
    for (int d = 0; d < kDims; ++d) {
        check();
        double mean = 0;
        for (int t = 0; t < frames; ++t) mean += f.at(t)[d];
        mean /= frames;
        for (int t = 0; t < frames; ++t) {
            series[t] = f.at(t)[d] - mean;
            squares[t] += series[t] * series[t];
        }
        const std::vector<double> ac = autocorrelation(series, fft);
        for (int lag = 0; lag < frames; ++lag) crossSum[lag] += ac[lag];
    }
    std::vector<double> prefix(frames + 1, 0.0);
    for (int t = 0; t < frames; ++t) prefix[t + 1] = prefix[t] + squares[t];
    std::vector<double> distance(std::max(0, maxLag - minLag + 1));
    for (int lag = minLag; lag <= maxLag; ++lag) {
        const double first = prefix[frames - lag], second = prefix[frames] - prefix[lag];
        distance[lag - minLag] = (first + second - 2 * crossSum[lag]) / (frames - lag);
    }
    return distance;
}

// The feature distance between frames t and t + lag summed over [t - half, t + half), for
// every t where both spans lie within the recording; `bandsOnly` leaves the pitch classes out.
std::vector<double> windowedDistance(const Features& f, int lag, int half, bool bandsOnly,
                                     int& firstT) {
    const int dims = bandsOnly ? kBands : kDims;
    const int count = f.frames - lag;
    std::vector<double> prefix(std::max(count, 0) + 1, 0.0);
    for (int t = 0; t < count; ++t) {
        const float* a = f.at(t);
        const float* b = f.at(t + lag);
        double sum = 0;
        for (int d = 0; d < dims; ++d) sum += double(a[d] - b[d]) * (a[d] - b[d]);
        prefix[t + 1] = prefix[t] + sum;
    }
    firstT = half;
    std::vector<double> windowed;
    for (int t = half; t + half <= count; ++t)
        windowed.push_back(prefix[t + half] - prefix[t - half]);
    return windowed;
}

// The length, within `reach` samples of end - start, at which the waveform around `end`
// best matches the one around `start` (normalized cross-correlation of the mono mix).
std::optional<std::int64_t> exactLength(const GameSamples& s, std::int64_t start, std::int64_t end,
                                        int reach) {
    const int w = kCorrelationHalf;
    if (start - w < 0 || end + w + reach > s.frames()) return std::nullopt;
    std::vector<float> ref(2 * w), seg(2 * w + 2 * reach);
    for (int i = 0; i < 2 * w; ++i) ref[i] = s.mono(start - w + i);
    for (int i = 0; i < 2 * w + 2 * reach; ++i) seg[i] = s.mono(end - w - reach + i);
    double refEnergy = 0;
    for (float v : ref) refEnergy += double(v) * v;
    double segEnergy = 0;
    for (int i = 0; i < 2 * w; ++i) segEnergy += double(seg[i]) * seg[i];
    double best = -2;
    int bestK = reach;
    for (int k = 0; k <= 2 * reach; ++k) {
        if (k > 0)
            segEnergy +=
                double(seg[k + 2 * w - 1]) * seg[k + 2 * w - 1] - double(seg[k - 1]) * seg[k - 1];
        float dot = 0;
        for (int i = 0; i < 2 * w; ++i) dot += ref[i] * seg[k + i];
        const double score = dot / (std::sqrt(std::max(segEnergy, 0.0) * refEnergy) + 1e-12);
        if (score > best) {
            best = score;
            bestK = k;
        }
    }
    return end - reach + bestK - start;
}

// The frame within kSeamReach of `around` where the two sides of a loop of `length` differ
// least in both channels: a jump there is no louder than the music's own next step.
std::optional<std::int64_t> quietestSeam(const GameSamples& s, std::int64_t around,
                                         std::int64_t length) {
    const std::int64_t reach = std::llround(kSeamReachSeconds * s.rate);
    const std::int64_t first = std::max<std::int64_t>(around - reach, 1);
    const std::int64_t last = std::min(around + reach, s.frames() - length - 1);
    std::optional<std::int64_t> best;
    int bestDifference = 1 << 30;
    for (std::int64_t f = first; f <= last; ++f) {
        const int difference =
            std::max(std::abs(s.interleaved[2 * (f + length)] - s.interleaved[2 * f]),
                     std::abs(s.interleaved[2 * (f + length) + 1] - s.interleaved[2 * f + 1]));
        if (difference < bestDifference) {
            bestDifference = difference;
            best = f;
        }
    }
    return best;
}

// The beat: the strongest period of the onsets between 0.3 and 1 s; half a second without one.
int beatFrames(const Features& f, int rate) {
    const int fallback = int(std::lround(0.5 * rate));
    const int minLag = int(0.3 * rate / kHop), maxLag = int(1.0 * rate / kHop);
    if (f.frames < 4 * maxLag) return fallback;
    int n = 1;
    while (n < 2 * f.frames) n *= 2;
    RealFft fft(n);
    std::vector<double> onset = f.onset;
    const double mean = std::accumulate(onset.begin(), onset.end(), 0.0) / onset.size();
    for (double& v : onset) v -= mean;
    const std::vector<double> ac = autocorrelation(onset, fft);
    int best = minLag;
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (ac[lag] > ac[best]) best = lag;
    return ac[best] > 0 ? best * kHop : fallback;
}

double contextDistance(const Features& f, std::int64_t start, std::int64_t end, int half) {
    const int ts = int(start / kHop), te = int(end / kHop);
    int from = std::max(ts - half, 0), to = std::min(ts + half, f.frames);
    to = std::min(to, f.frames - (te - ts));
    if (to <= from) return 9;
    double sum = 0;
    for (int t = from; t < to; ++t)
        for (int d = 0; d < kDims; ++d) sum += std::abs(f.at(t)[d] - f.at(t + te - ts)[d]);
    return sum / (double(to - from) * kDims);
}

}  // namespace

std::vector<FoundLoop> findLoops(const GameSamples& samples, const LoopSearchOptions& options) {
    const auto check = [&] {
        if (options.shouldCancel && options.shouldCancel()) throw Cancelled();
    };
    try {
        const int rate = samples.rate;
        const std::int64_t frames = samples.frames();
        const std::int64_t minLength =
            std::max<std::int64_t>(std::llround(options.minLengthSeconds * rate),
                                   std::llround(options.minLengthShare * frames));
        const std::int64_t maxLength =
            options.maxLengthSeconds ? std::llround(*options.maxLengthSeconds * rate) : frames;
        const Features f = computeFeatures(samples, check);
        const int margin = kCorrelationHalf / kHop + 8;
        const int minLag = int(minLength / kHop);
        // A few seconds each side of a loop's points, less in a recording too short to hold
        // them beside its longer loops.
        const int context = std::max(
            8, std::min(int(kContextSeconds * rate / kHop), (f.frames - minLag - margin) / 4));
        const int maxLag =
            std::min<int>(f.frames - 2 * context - margin, int(maxLength / kHop) + 1);
        if (f.frames == 0 || maxLag < minLag) return {};

        // Lengths at which the music repeats: the lags of least distance, a few frames apart.
        const std::vector<double> distance = lagDistances(f, minLag, maxLag, check);
        std::vector<int> order(distance.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return distance[a] < distance[b]; });
        std::vector<int> lags;
        for (int i : order) {
            const int lag = minLag + i;
            if (std::all_of(lags.begin(), lags.end(), [&](int l) { return std::abs(l - lag) > 4; }))
                lags.push_back(lag);
            if (int(lags.size()) == kLagCandidates) break;
        }

        // Where each length fits best over a few seconds, then the length to the sample there.
        struct Place {
            double distance;
            int frame, lag;
        };
        std::vector<Place> places;
        for (int lag : lags) {
            for (int near = lag - 1; near <= lag + 1; ++near) {
                check();
                int firstT = 0;
                const std::vector<double> windowed =
                    windowedDistance(f, near, context, false, firstT);
                std::vector<int> index(windowed.size());
                std::iota(index.begin(), index.end(), 0);
                const int keep = std::min<int>(3, int(index.size()));
                std::partial_sort(index.begin(), index.begin() + keep, index.end(),
                                  [&](int a, int b) { return windowed[a] < windowed[b]; });
                for (int i = 0; i < keep; ++i)
                    places.push_back({windowed[index[i]], firstT + index[i], near});
            }
        }
        std::sort(places.begin(), places.end(),
                  [](const Place& a, const Place& b) { return a.distance < b.distance; });
        std::vector<std::int64_t> lengths;
        for (std::size_t i = 0; i < places.size() && i < 30; ++i) {
            const std::int64_t start = std::int64_t(places[i].frame) * kHop + kSize / 2;
            const auto length =
                exactLength(samples, start, start + std::int64_t(places[i].lag) * kHop, kHop);
            if (!length || *length < minLength || *length > maxLength) continue;
            if (std::all_of(lengths.begin(), lengths.end(),
                            [&](std::int64_t l) { return std::abs(l - *length) > 2; }))
                lengths.push_back(*length);
        }
        if (lengths.size() > std::size_t(kLagCandidates)) lengths.resize(kLagCandidates);

        // For each exact length, the places where the 200 ms after both points sound alike;
        // near the hint too, when there is one.
        std::vector<FoundLoop> found;
        const int spliceHalf = std::max(1, int(kSpliceSeconds * rate / kHop));
        const int beat = beatFrames(f, rate);
        for (const std::int64_t length : lengths) {
            check();
            const int lag = int(std::lround(double(length) / kHop));
            int firstT = 0;
            const std::vector<double> windowed = windowedDistance(f, lag, spliceHalf, true, firstT);
            std::vector<int> index(windowed.size());
            std::iota(index.begin(), index.end(), 0);
            std::sort(index.begin(), index.end(),
                      [&](int a, int b) { return windowed[a] < windowed[b]; });
            std::vector<int> picks;
            for (int i : index) {
                const int t = firstT + i;
                if (std::all_of(picks.begin(), picks.end(),
                                [&](int p) { return std::abs(p - t) > rate / kHop; }))
                    picks.push_back(t);
                if (int(picks.size()) == kPlacesPerLength) break;
            }
            if (options.nearSeconds) {
                const int hinted = int(*options.nearSeconds * rate / kHop);
                const int reach = int(2.0 * rate / kHop);
                int best = -1;
                for (int t = std::max(hinted - reach, firstT);
                     t <= hinted + reach && t - firstT < int(windowed.size()); ++t)
                    if (best < 0 || windowed[t - firstT] < windowed[best - firstT]) best = t;
                if (best >= 0) picks.push_back(best);
            }
            for (const int t : picks) {
                const std::int64_t around = std::int64_t(t) * kHop + kSize / 2;
                const std::int64_t exact =
                    exactLength(samples, around, around + length, 16).value_or(length);
                if (exact < minLength || exact > maxLength) continue;
                const std::optional<std::int64_t> start = quietestSeam(samples, around, exact);
                if (!start) continue;
                FoundLoop loop;
                loop.startFrame = *start;
                loop.endFrame = *start + exact;
                loop.seam = measureSeam(samples, loop.startFrame, loop.endFrame);
                loop.context = contextDistance(f, loop.startFrame, loop.endFrame, context);
                loop.score =
                    loop.seam.splice + 2 * loop.context + 2 * std::max(0.0, loop.seam.step - 2);
                if (options.nearSeconds)
                    loop.score +=
                        std::abs(loop.startFrame / double(rate) - *options.nearSeconds) / 5.0;
                found.push_back(loop);
            }
        }
        std::sort(found.begin(), found.end(),
                  [](const FoundLoop& a, const FoundLoop& b) { return a.score < b.score; });
        // One loop of each length a beat or more apart.
        std::vector<FoundLoop> best;
        for (const FoundLoop& loop : found) {
            const bool same = std::any_of(best.begin(), best.end(), [&](const FoundLoop& b) {
                return std::abs(b.lengthFrames() - loop.lengthFrames()) <= 2 &&
                       std::abs(b.startFrame - loop.startFrame) < beat;
            });
            if (!same) best.push_back(loop);
            if (int(best.size()) == options.count) break;
        }
        return best;
    } catch (const Cancelled&) {
        return {};
    }
}

}  // namespace corvan::loop
