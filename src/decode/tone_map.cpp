#include "decode/tone_map.h"

#include <algorithm>
#include <cmath>

namespace tv {

namespace {

constexpr int kCodeBits = 12;
constexpr int kCodes = 1 << kCodeBits;
constexpr int kScreenSteps = 8192;
constexpr int kScaleSteps = 4096;
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
    // The roll-off as a factor for the light past the knee, up to the
    // peak (and past it, for colours that left BT.2020's gamut).
    const float top = std::max(peak_, 1.0f) * 1.5f;
    scaleSteps_ = float(kScaleSteps) / (top - kKnee);
    scales_.resize(kScaleSteps + 1);
    for (int step = 0; step <= kScaleSteps; ++step) {
        const float light = kKnee + float(step) / scaleSteps_;
        scales_[std::size_t(step)] = rolledOff(light) / light;
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

void ToneMap::mapLine(const std::uint16_t* g, const std::uint16_t* b, const std::uint16_t* r,
                      std::uint32_t* out, int width) const
{
    // In three passes over a piece of the line at a time: the table
    // look-ups, the arithmetic, and the look-ups again, so that no branch
    // depends on a pixel (twice as fast as a pixel at a time).
    constexpr int kPiece = 256;
    constexpr int shift = 16 - kCodeBits;
    const float* light = toLight_.data();
    const float* scales = scales_.data();
    const int lastScale = int(scales_.size()) - 1;
    const std::uint8_t* screen = toScreen_.data();
    alignas(32) float red[kPiece], green[kPiece], blue[kPiece], brightest[kPiece];
    for (int start = 0; start < width; start += kPiece) {
        const int count = std::min(kPiece, width - start);
        for (int x = 0; x < count; ++x) {
            red[x] = light[r[start + x] >> shift];
            green[x] = light[g[start + x] >> shift];
            blue[x] = light[b[start + x] >> shift];
        }
        // BT.2020's primaries to BT.709's; what lies outside BT.709 is
        // clipped to its edge.
        for (int x = 0; x < count; ++x) {
            const float r2020 = red[x], g2020 = green[x], b2020 = blue[x];
            red[x] = std::max(1.6605f * r2020 - 0.5876f * g2020 - 0.0728f * b2020, 0.0f);
            green[x] = std::max(-0.1246f * r2020 + 1.1329f * g2020 - 0.0083f * b2020, 0.0f);
            blue[x] = std::max(-0.0182f * r2020 - 0.1006f * g2020 + 1.1187f * b2020, 0.0f);
            brightest[x] = std::max(std::max(red[x], std::max(green[x], blue[x])) - kKnee, 0.0f) *
                               scaleSteps_ +
                           0.5f;
        }
        for (int x = 0; x < count; ++x) {
            // Below the knee the factor is 1.
            const float scale = scales[std::min(int(brightest[x]), lastScale)];
            const auto code = [screen, scale](float value) {
                return std::uint32_t(
                    screen[std::min(int(value * scale * kScreenSteps + 0.5f), kScreenSteps)]);
            };
            out[start + x] = 0xff000000u | code(red[x]) << 16 | code(green[x]) << 8 | code(blue[x]);
        }
    }
}

} // namespace tv
