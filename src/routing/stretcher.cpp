#include "routing/stretcher.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

constexpr int kSubframe = DriftStretcher::kSubframe;
constexpr int kHistory = DriftStretcher::kHistory;
constexpr int kHistorySubframes = kHistory / kSubframe;
constexpr int kRunLength = 4;        // subframes that must be quiet together
constexpr double kClassStep = 1e7;   // class c holds scores below (c + 1) x kClassStep
constexpr int kLoudestClass = 10;    // no run of four is quiet enough
constexpr double kStrongShare = 0.8; // |diff| above this share of capacity - target: strong row

// Samples to add or remove in one subframe, by quietness class.
constexpr std::array<int, DriftStretcher::kClasses> kNormalRow{20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<int, DriftStretcher::kClasses> kStrongRow{20, 20, 10, 2, 1, 0, 0, 0, 0, 0, 0};

// Resamples one subframe of 20 samples to count samples (0..40) by picking samples.
int16_t* ResampleSubframe(const int16_t* in, int count, int16_t* out) {
    if (count == kSubframe)
        return std::copy(in, in + kSubframe, out);
    for (int i = 0; i < count; ++i)
        *out++ = in[kSubframe * i / count];
    return out;
}

} // namespace

DriftStretcher::DriftStretcher(int started, int frameLength, int minimumFrame, int maximumFrame)
    : started_(started), frameLength_(frameLength), minimumFrame_(minimumFrame),
      maximumFrame_(maximumFrame) {
    if (started != 0)
        throw std::invalid_argument("DriftStretcher: only Start may start a stretcher");
    const bool whole = frameLength % kSubframe == 0 && minimumFrame % kSubframe == 0 &&
                       maximumFrame % kSubframe == 0;
    if (!whole || minimumFrame < kRunLength * kSubframe || minimumFrame > frameLength ||
        frameLength > maximumFrame || maximumFrame > kLongestFrame)
        throw std::invalid_argument("DriftStretcher: frame lengths out of range");
}

bool DriftStretcher::Start(int sampleRate, int channels, int minimumFrame, int maximumFrame,
                           int capacity) {
    const bool ok = sampleRate == 8000 && channels == 1 && minimumFrame >= 80 &&
                    maximumFrame >= minimumFrame && maximumFrame <= 640 &&
                    capacity >= 4 * maximumFrame;
    if (ok)
        capacity_ = capacity;
    started_ = ok ? 1 : 0;
    return ok;
}

// Runs for every block. No allocation, locks or I/O. Engine thread; real-time safe.
int DriftStretcher::Stretch(std::span<int16_t> buffer, int n, int target, int queued) {
    const int room =
        static_cast<int>(std::min<size_t>(buffer.size(), std::numeric_limits<int>::max()));
    n = std::clamp(n, 0, room);
    if (!started_)
        return n;

    // Whole frames, then the rest rounded down to subframes when it makes a frame of its own.
    const int wholeFrames = n / frameLength_;
    int restFrame = n % frameLength_ / kSubframe * kSubframe;
    if (restFrame < minimumFrame_)
        restFrame = 0;
    const int processed = wholeFrames * frameLength_ + restFrame;
    const int64_t diff = int64_t{target} - queued;

    // Results are laid end to end from the start of the buffer. A shrinking frame never
    // outgrows its input, so the write position stays behind the unread input. A growing one
    // does, so its input is first moved to the end of the buffer: the room left there is the
    // most the block may grow, and the write position can never pass a frame not yet read.
    int16_t* data = buffer.data();
    int readPos = 0;
    if (diff > 0 && processed < room) {
        readPos = room - processed;
        std::memmove(data + readPos, data, static_cast<size_t>(processed) * sizeof(int16_t));
    }
    int64_t growthRoom = room - processed; // room minus written results minus unread input
    int written = 0;
    for (int start = 0; start < processed; start += frameLength_) {
        const int a = std::min(frameLength_, processed - start);
        const int length =
            StretchFrame(data + readPos + start, a, target, queued, growthRoom, data + written);
        written += length;
        growthRoom -= length - a;
    }
    return written;
}

int DriftStretcher::StretchFrame(const int16_t* in, int a, int target, int queued,
                                 int64_t growthRoom, int16_t* out) {
    // The frame is read completely before anything is written: out may overlap it.
    std::copy(history_.begin(), history_.end(), analysis_.begin());
    std::copy(in, in + a, analysis_.begin() + kHistory);
    analysis_[kHistory + a] = in[a - 1];
    std::copy(analysis_.begin() + a, analysis_.begin() + a + kHistory, history_.begin());
    const int16_t* frame = analysis_.data() + kHistory;

    const int64_t diff = int64_t{target} - queued;
    if (diff == 0)
        return static_cast<int>(std::copy(frame, frame + a, out) - out);
    // The output queue is nearly full: the frame is dropped.
    if (int64_t{capacity_} - queued < 2 * int64_t{a})
        return 0;

    ScoreSubframes(a);
    ClassifySubframes(a);
    const bool grow = diff > 0;
    const int64_t size = std::abs(diff);
    const bool strong =
        static_cast<double>(size) > kStrongShare * static_cast<double>(int64_t{capacity_} - target);
    const int64_t wanted = grow ? std::min(size, growthRoom) : size;
    AssignAmounts(a, wanted, strong);

    int16_t* end = out;
    for (int j = 0; j < a / kSubframe; ++j) {
        const int count = grow ? kSubframe + amounts_[j] : kSubframe - amounts_[j];
        end = ResampleSubframe(frame + j * kSubframe, count, end);
    }
    return static_cast<int>(end - out);
}

void DriftStretcher::ScoreSubframes(int a) {
    const int subframes = (kHistory + a) / kSubframe;
    for (int s = 0; s < subframes; ++s) {
        const int16_t* x = analysis_.data() + s * kSubframe;
        int loudness = 0;
        int roughness = 0;
        for (int i = 0; i < kSubframe; ++i) {
            loudness += std::abs(int{x[i]});
            roughness += std::abs(int{x[i]} - int{x[i + 1]});
        }
        scores_[s] = static_cast<double>(loudness) * static_cast<double>(roughness);
    }
}

// A subframe's class is the lowest level c for which some run of four subframes containing it
// (runs start at subframes 0 .. a/20 - 1) has all scores below (c + 1) x 10^7.
void DriftStretcher::ClassifySubframes(int a) {
    const int subframes = (kHistory + a) / kSubframe;
    std::fill(classes_.begin(), classes_.begin() + subframes, kLoudestClass);
    for (int run = 0; run < a / kSubframe; ++run) {
        const double loudest =
            *std::max_element(scores_.begin() + run, scores_.begin() + run + kRunLength);
        int level = 0;
        while (level < kLoudestClass && !(loudest < (level + 1) * kClassStep))
            ++level;
        for (int s = run; s < run + kRunLength; ++s)
            classes_[s] = std::min(classes_[s], level);
    }
}

// Gives the frame's subframes, quietest first (of equal scores the later one first), the
// amount of their class until wanted samples are reached; later ones get nothing.
void DriftStretcher::AssignAmounts(int a, int64_t wanted, bool strong) {
    const auto& row = strong ? kStrongRow : kNormalRow;
    const int candidates = a / kSubframe;
    std::array<bool, kLongestFrame / kSubframe> taken{};
    int64_t missing = wanted;
    for (int pick = 0; pick < candidates; ++pick) {
        int best = -1;
        for (int j = 0; j < candidates; ++j) {
            if (!taken[j] &&
                (best < 0 || scores_[j + kHistorySubframes] <= scores_[best + kHistorySubframes]))
                best = j;
        }
        taken[best] = true;
        const int amount =
            static_cast<int>(std::min<int64_t>(row[classes_[best + kHistorySubframes]], missing));
        amounts_[best] = amount;
        missing -= amount;
    }
}
