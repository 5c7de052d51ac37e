#include "player/tone_map.h"

#include <algorithm>
#include <cmath>

namespace tv {

namespace {

constexpr int kCodes = 65536;
constexpr int kScreenSteps = 8192;
// HLG's nominal display, as BT.2100 describes it: 1000 nits at a system
// gamma of 1.2, taken channel by channel as FFmpeg's zscale grades it, so
// that a clip graded there comes back with the colours it was graded from.
constexpr double kHlgDisplayNits = 1000;
constexpr double kHlgGamma = 1.2;

// SMPTE ST 2084: code value (0..1) to nits.
double pqToNits(double code)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(code, 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// BT.2100 HLG's inverse OETF: code value (0..1) to scene light (0..1).
double hlgToScene(double code)
{
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    return code <= 0.5 ? code * code / 3 : (std::exp((code - c) / a) + b) / 12;
}

} // namespace

ToneMap::ToneMap(LightCurve curve, double peakNits)
    : curve_(curve), peakNits_(peakNits), toLight_(kCodes), toScreen_(kScreenSteps + 1)
{
    if (curve == LightCurve::Hlg)
        peakNits_ = kHlgDisplayNits;
    peak_ = float(peakNits_ / kReferenceWhiteNits);
    for (int code = 0; code < kCodes; ++code) {
        const double value = double(code) / (kCodes - 1);
        toLight_[std::size_t(code)] =
            curve == LightCurve::Pq    ? float(pqToNits(value) / kReferenceWhiteNits)
            : curve == LightCurve::Hlg ? float(kHlgDisplayNits / kReferenceWhiteNits *
                                               std::pow(hlgToScene(value), kHlgGamma))
                                       : float(std::pow(value, 2.4));
    }
    // The screen takes BT.1886's curve, a plain 2.4 gamma on a black panel.
    for (int step = 0; step <= kScreenSteps; ++step)
        toScreen_[std::size_t(step)] =
            std::uint8_t(std::lround(255 * std::pow(double(step) / kScreenSteps, 1 / 2.4)));
}

float ToneMap::rolledOff(float light) const
{
    if (light <= kKnee)
        return light;
    if (peak_ <= 1)
        return std::min(light, 1.0f);
    // An extended Reinhard curve over what lies past the knee: the slope is
    // one at the knee, and the peak lands on white.
    const float over = (std::min(light, peak_) - kKnee) / (1 - kKnee);
    const float top = (peak_ - kKnee) / (1 - kKnee);
    return kKnee + (1 - kKnee) * over * (1 + over / (top * top)) / (1 + over);
}

void ToneMap::mapLine(const std::uint16_t* rgb48, std::uint32_t* out, int width) const
{
    const float* light = toLight_.data();
    for (int x = 0; x < width; ++x, rgb48 += 3) {
        const float r = light[rgb48[0]], g = light[rgb48[1]], b = light[rgb48[2]];
        // BT.2020's primaries to BT.709's; what lies outside BT.709 is
        // clipped to its edge.
        float r709 = std::max(1.6605f * r - 0.5876f * g - 0.0728f * b, 0.0f);
        float g709 = std::max(-0.1246f * r + 1.1329f * g - 0.0083f * b, 0.0f);
        float b709 = std::max(-0.0182f * r - 0.1006f * g + 1.1187f * b, 0.0f);
        const float brightest = std::max({r709, g709, b709});
        if (brightest > kKnee) {
            const float scale = rolledOff(brightest) / brightest;
            r709 = std::min(r709 * scale, 1.0f);
            g709 = std::min(g709 * scale, 1.0f);
            b709 = std::min(b709 * scale, 1.0f);
        }
        const auto screen = [this](float value) {
            return std::uint32_t(toScreen_[std::size_t(value * kScreenSteps + 0.5f)]);
        };
        out[x] = 0xff000000u | screen(r709) << 16 | screen(g709) << 8 | screen(b709);
    }
}

} // namespace tv
