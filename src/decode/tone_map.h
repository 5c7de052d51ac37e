#pragma once

#include <cstdint>
#include <vector>

namespace tv {

// How a clip's picture encodes light: the standard curve, or one of the two
// high-dynamic-range ones phones record with.
enum class LightCurve { Standard, Pq, Hlg };

// Brings a high-dynamic-range picture (BT.2020 primaries, PQ or HLG) to a
// standard screen (BT.709). The reference white of BT.2408, 203 nits, becomes
// the screen's white; what is no brighter than kKnee of it keeps its colour
// exactly, and brighter light rolls off smoothly so that the clip's peak just
// reaches white. Colours are scaled as a whole, so a bright light keeps its
// hue instead of fading to white channel by channel.
class ToneMap {
public:
    // `peakNits`: the brightest light in the clip, as its metadata tell
    // (kAssumedPeakNits when they do not).
    ToneMap(LightCurve curve, double peakNits);

    // One line of 16-bit R'G'B' planes (as swscale's GBRP16 gives them, its
    // fast way out of 10-bit video) to 32-bit 0xffRRGGBB pixels.
    void mapLine(const std::uint16_t* g, const std::uint16_t* b, const std::uint16_t* r,
                 std::uint32_t* out, int width) const;

    LightCurve curve() const { return curve_; }
    double peakNits() const { return peakNits_; }

    static constexpr double kReferenceWhiteNits = 203;
    static constexpr double kAssumedPeakNits = 1000;
    static constexpr float kKnee = 0.7f;

private:
    float rolledOff(float light) const;

    LightCurve curve_;
    double peakNits_;
    float peak_; // in reference whites
    // A code value, to 12 bits (video has 10), to the light the display
    // gives, in reference whites and BT.2020's primaries: small enough to
    // stay in the processor's first cache.
    std::vector<float> toLight_;
    // rolledOff(light) / light, from the knee on, scaleSteps_ a unit.
    std::vector<float> scales_;
    float scaleSteps_ = 1;
    // Light in [0, 1] to the screen's 8-bit code value.
    std::vector<std::uint8_t> toScreen_;
};

} // namespace tv
