#include "Scenery.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace demo {
namespace {

struct Colour {
    float r, g, b;
};

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator*(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Colour operator*(Colour a, Colour b) { return {a.r * b.r / 255.0f, a.g * b.g / 255.0f, a.b * b.b / 255.0f}; }
Colour Mix(Colour a, Colour b, float t) { return a * (1.0f - t) + b * t; }

constexpr Colour Hex(std::uint32_t rgb)
{
    return {float((rgb >> 16) & 0xFF), float((rgb >> 8) & 0xFF), float(rgb & 0xFF)};
}

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float Smooth(float e0, float e1, float v)
{
    const float t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

std::uint32_t Hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}
float Hash01(std::int32_t i, std::uint32_t seed)
{
    return float(Hash(std::uint32_t(i) * 0x9E3779B9u ^ seed) & 0xFFFFFF) / float(0xFFFFFF);
}
float Hash01(std::int32_t i, std::int32_t j, std::uint32_t seed)
{
    return Hash01(i + std::int32_t(Hash(std::uint32_t(j) + seed) & 0xFFFFF), seed);
}

float Noise1(float x, std::uint32_t seed)
{
    const float f = std::floor(x);
    const float t = x - f;
    const auto i = std::int32_t(f);
    return Mix(Colour {Hash01(i, seed), 0, 0}, Colour {Hash01(i + 1, seed), 0, 0}, t * t * (3 - 2 * t)).r;
}

float Noise2(float x, float y, std::uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const auto i = std::int32_t(fx), j = std::int32_t(fy);
    const float a = Hash01(i, j, seed), b = Hash01(i + 1, j, seed);
    const float c = Hash01(i, j + 1, seed), d = Hash01(i + 1, j + 1, seed);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

// Fractal sums in 0..1; `rough` is how much each finer octave keeps.
float Fbm1(float x, int octaves, float rough, std::uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o, x *= 2.03f, amp *= rough) {
        sum += amp * Noise1(x, seed + std::uint32_t(o) * 101u);
        norm += amp;
    }
    return sum / norm;
}

float Fbm2(float x, float y, int octaves, std::uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o, x *= 2.01f, y *= 2.01f, amp *= 0.5f) {
        sum += amp * Noise2(x, y, seed + std::uint32_t(o) * 131u);
        norm += amp;
    }
    return sum / norm;
}

enum class Relief { Ridge, Dune, Mesa, Forest };

// One band of land, back to front. Heights are fractions of the picture
// height from the top, horizontal positions in picture heights from the centre.
struct Layer {
    float base;    // where its lowest valleys lie
    float amp;     // how far its peaks rise above that
    float freq;
    Relief relief;
    Colour colour;
    float mist;    // how much its foot fades into the haze
    std::uint32_t seed;
};

struct Scene {
    const char* name;
    const char* title;
    std::array<Colour, 4> sky; // zenith to horizon
    float horizon;             // where the sky gradient ends
    Colour haze;
    float sunX, sunY, sunRadius;
    Colour sun;
    float glow;                // 0: no sun or moon
    float stars;               // share of sky cells holding a star
    float clouds;              // cover, 0 to 1
    Colour cloudLit, cloudShade;
    float cloudTop, cloudBottom;
    Colour aurora;             // black: none
    float water;               // water line, 0: no water
    Colour waterTint;
    std::vector<Layer> layers;
    bool has8k = false;
};

Layer L(float base, float amp, float freq, Relief relief, std::uint32_t colour, float mist, std::uint32_t seed)
{
    return {base, amp, freq, relief, Hex(colour), mist, seed};
}

const std::vector<Scene>& Scenes()
{
    using R = Relief;
    static const std::vector<Scene> scenes = {
        {"alpine-dawn", "Alpine Dawn", {Hex(0x2B3A6B), Hex(0x8A5C8E), Hex(0xF09A7A), Hex(0xFFD9A0)}, 0.62f,
         Hex(0xF4C6A8), 0.28f, 0.50f, 0.045f, Hex(0xFFF1D0), 0.9f, 0.0f, 0.25f, Hex(0xFFD2B0), Hex(0x9C6E8A),
         0.08f, 0.40f, Hex(0), 0.0f, Hex(0),
         {L(0.50f, 0.30f, 1.6f, R::Ridge, 0x9C89B8, 0.7f, 1), L(0.60f, 0.26f, 1.3f, R::Ridge, 0x6E6A9E, 0.6f, 2),
          L(0.72f, 0.22f, 1.1f, R::Ridge, 0x4A4C7E, 0.5f, 3), L(0.84f, 0.18f, 0.9f, R::Forest, 0x2E3358, 0.4f, 4),
          L(0.98f, 0.14f, 0.7f, R::Forest, 0x1A1D36, 0.2f, 5)},
         true},
        {"aurora", "Northern Lights", {Hex(0x030818), Hex(0x0A1A38), Hex(0x15315A), Hex(0x2A5470)}, 0.66f,
         Hex(0x1E3C58), 0, 0, 0, Hex(0), 0, 0.004f, 0, Hex(0), Hex(0), 0, 0, Hex(0x5CFFB0), 0.74f, Hex(0x8FA8C8),
         {L(0.62f, 0.16f, 1.2f, R::Ridge, 0x26374F, 0.5f, 11), L(0.74f, 0.08f, 1.8f, R::Forest, 0x0C1422, 0.2f, 12)}},
        {"dunes", "Golden Dunes", {Hex(0x3F7FC4), Hex(0x79AEDC), Hex(0xCFE2EE), Hex(0xF8E6C8)}, 0.55f,
         Hex(0xF3D9B0), -0.55f, 0.16f, 0.04f, Hex(0xFFFBEA), 0.6f, 0, 0.12f, Hex(0xFFFFFF), Hex(0xC9D6E4), 0.05f,
         0.25f, Hex(0), 0, Hex(0),
         {L(0.56f, 0.10f, 1.1f, R::Dune, 0xE8B878, 0.5f, 21), L(0.68f, 0.14f, 0.9f, R::Dune, 0xDD9A55, 0.3f, 22),
          L(0.82f, 0.16f, 0.7f, R::Dune, 0xC97A3A, 0.15f, 23), L(0.98f, 0.16f, 0.55f, R::Dune, 0xB0602A, 0.0f, 24)}},
        {"cloudscape", "Above the Clouds", {Hex(0x1F5FAF), Hex(0x4A8AD0), Hex(0x9CC6EA), Hex(0xE4F0F8)}, 0.60f,
         Hex(0xE8F0F8), 0.45f, 0.22f, 0.035f, Hex(0xFFFFF4), 0.7f, 0, 0.78f, Hex(0xFFFFFF), Hex(0xA8B8D0), 0.45f,
         1.0f, Hex(0), 0, Hex(0),
         {L(0.62f, 0.30f, 1.4f, R::Ridge, 0x7A8CAA, 0.9f, 31)}},
        {"sunset-sea", "Sunset Sea", {Hex(0x2A1B4E), Hex(0x8B3A6E), Hex(0xF0704A), Hex(0xFFC070)}, 0.58f,
         Hex(0xFFB070), 0.0f, 0.56f, 0.07f, Hex(0xFFE8B0), 1.0f, 0, 0.35f, Hex(0xFFB080), Hex(0x6A2E58), 0.10f,
         0.45f, Hex(0), 0.58f, Hex(0x7A6A9A), {}},
        {"misty-forest", "Misty Forest", {Hex(0x8FA8A8), Hex(0xB4C6C0), Hex(0xD2DDD4), Hex(0xE6ECE2)}, 0.50f,
         Hex(0xDCE6DC), 0.35f, 0.20f, 0.05f, Hex(0xFFFFF0), 0.35f, 0, 0.2f, Hex(0xF0F4EE), Hex(0xB0BEB8), 0.05f,
         0.3f, Hex(0), 0, Hex(0),
         {L(0.45f, 0.14f, 1.5f, R::Forest, 0x9DB4AC, 0.9f, 41), L(0.56f, 0.14f, 1.4f, R::Forest, 0x7A9A8E, 0.8f, 42),
          L(0.68f, 0.14f, 1.3f, R::Forest, 0x557A6C, 0.7f, 43), L(0.82f, 0.14f, 1.2f, R::Forest, 0x34584A, 0.5f, 44),
          L(0.97f, 0.12f, 1.0f, R::Forest, 0x1C3A2E, 0.3f, 45)}},
        {"lavender-hills", "Lavender Hills", {Hex(0x5A6EB4), Hex(0xA08CC8), Hex(0xF0B4C0), Hex(0xFFE0C4)}, 0.55f,
         Hex(0xF4CCD0), -0.35f, 0.44f, 0.05f, Hex(0xFFF4DC), 0.8f, 0, 0.3f, Hex(0xFFE6EC), Hex(0xA88CBC), 0.06f,
         0.35f, Hex(0), 0, Hex(0),
         {L(0.56f, 0.10f, 0.9f, R::Ridge, 0xB89ACC, 0.7f, 51), L(0.68f, 0.12f, 0.7f, R::Ridge, 0x9272B4, 0.5f, 52),
          L(0.82f, 0.12f, 0.6f, R::Ridge, 0x6C4E96, 0.3f, 53), L(0.98f, 0.12f, 0.5f, R::Ridge, 0x48306E, 0.1f, 54)}},
        {"night-lake", "Moonlit Lake", {Hex(0x02040E), Hex(0x0A1430), Hex(0x1A2E58), Hex(0x3A5480)}, 0.64f,
         Hex(0x30486E), 0.40f, 0.22f, 0.03f, Hex(0xF4F4FF), 0.6f, 0.003f, 0.15f, Hex(0x8094C0), Hex(0x1A2440), 0.10f,
         0.35f, Hex(0), 0.70f, Hex(0x7890C0),
         {L(0.60f, 0.22f, 1.3f, R::Ridge, 0x1E2A48, 0.4f, 61), L(0.70f, 0.12f, 1.7f, R::Forest, 0x080C18, 0.1f, 62)}},
        {"desert-dusk", "Desert Dusk", {Hex(0x3A2A6A), Hex(0xA04A78), Hex(0xF08A5A), Hex(0xFFC48A)}, 0.62f,
         Hex(0xF0A080), 0.35f, 0.46f, 0.06f, Hex(0xFFE0A0), 0.9f, 0, 0.22f, Hex(0xFFA080), Hex(0x702E60), 0.08f,
         0.40f, Hex(0), 0, Hex(0),
         {L(0.62f, 0.20f, 0.8f, R::Mesa, 0xB86A5A, 0.6f, 71), L(0.76f, 0.22f, 0.6f, R::Mesa, 0x8E4238, 0.3f, 72),
          L(0.98f, 0.10f, 1.2f, R::Dune, 0x5E2A2A, 0.0f, 73)}},
        {"fjord", "Nordic Fjord", {Hex(0x4A6A90), Hex(0x7C9AB8), Hex(0xB8CCDC), Hex(0xDCE6EE)}, 0.62f,
         Hex(0xD0DCE6), 0.30f, 0.25f, 0.04f, Hex(0xFFFFFF), 0.4f, 0, 0.5f, Hex(0xF4F8FC), Hex(0x8898AC), 0.04f,
         0.38f, Hex(0), 0.66f, Hex(0x506E88),
         {L(0.62f, 0.42f, 1.1f, R::Ridge, 0x8092A6, 0.7f, 81), L(0.66f, 0.48f, 0.8f, R::Ridge, 0x4A5C70, 0.4f, 82)}},
        {"autumn-valley", "Autumn Valley", {Hex(0x3C78C0), Hex(0x78A8DA), Hex(0xBCD8EE), Hex(0xF2EEDC)}, 0.50f,
         Hex(0xF0E4CC), -0.40f, 0.18f, 0.04f, Hex(0xFFFFF0), 0.6f, 0, 0.4f, Hex(0xFFFFFF), Hex(0xB4C0D0), 0.04f,
         0.32f, Hex(0), 0, Hex(0),
         {L(0.50f, 0.16f, 1.2f, R::Ridge, 0xA8A8B8, 0.8f, 91), L(0.62f, 0.12f, 1.4f, R::Forest, 0xD09050, 0.5f, 92),
          L(0.76f, 0.12f, 1.3f, R::Forest, 0xC06A2E, 0.3f, 93), L(0.92f, 0.12f, 1.1f, R::Forest, 0x8A3E1E, 0.1f, 94),
          L(1.02f, 0.08f, 0.9f, R::Forest, 0x4E2412, 0.0f, 95)}},
        {"twilight-peaks", "Twilight Peaks", {Hex(0x0E0E3A), Hex(0x3A2E7A), Hex(0xC06A8A), Hex(0xFFA86A)}, 0.66f,
         Hex(0xE09090), -0.30f, 0.20f, 0.012f, Hex(0xFFFFF0), 0.25f, 0.002f, 0, Hex(0), Hex(0), 0, 0,
         Hex(0xA070FF), 0, Hex(0),
         {L(0.60f, 0.36f, 1.0f, R::Ridge, 0x4A3A6E, 0.5f, 101), L(0.76f, 0.30f, 0.8f, R::Ridge, 0x261C44, 0.3f, 102),
          L(0.98f, 0.12f, 1.5f, R::Forest, 0x0E0A1E, 0.0f, 103)}},
    };
    return scenes;
}

// The picture drawn at one size: what depends on one column only is worked
// out once per column.
class Painter {
public:
    Painter(const Scene& s, Size size) : s_(s), w_(size.width), h_(size.height)
    {
        for (const Layer& layer : s.layers) {
            std::vector<float> heights(std::size_t(w_) + 1);
            for (int x = 0; x <= w_; ++x)
                heights[std::size_t(x)] = LayerTop(layer, WorldX(float(x)));
            tops_.push_back(std::move(heights));
        }
        if (HasAurora()) {
            for (int x = 0; x < w_; ++x) {
                const float wx = WorldX(float(x) + 0.5f);
                auroraCentre_.push_back(0.28f + 0.10f * std::sin(wx * 2.1f + 1.0f) + 0.08f * (Fbm1(wx * 1.5f, 3, 0.5f, 77u) - 0.5f));
                auroraStrength_.push_back((0.55f + 0.45f * Fbm1(wx * 40.0f, 2, 0.5f, 78u)) *
                                          (0.6f + 0.4f * Fbm1(wx * 3.0f + 5.0f, 3, 0.5f, 79u)));
            }
        }
        if (s.clouds > 0) {
            // Clouds are soft: a coarse grid, blended, is all they need.
            gw_ = w_ / kCloudCell + 2;
            gh_ = h_ / kCloudCell + 2;
            grid_.resize(std::size_t(gw_) * std::size_t(gh_));
            for (int j = 0; j < gh_; ++j)
                for (int i = 0; i < gw_; ++i)
                    grid_[std::size_t(j * gw_ + i)] = CloudDensity(WorldX(float(i * kCloudCell)), float(j * kCloudCell) / float(h_));
        }
    }

    void Row(int y, std::uint8_t* out) const
    {
        const float wy = (float(y) + 0.5f) / float(h_);
        for (int x = 0; x < w_; ++x) {
            Colour c = Pixel(x, wy);
            // A little noise keeps the smooth gradients free of bands.
            const float dither = Hash01(x, y, 7u) - 0.5f;
            out[3 * x] = Byte(c.r + dither);
            out[3 * x + 1] = Byte(c.g + dither);
            out[3 * x + 2] = Byte(c.b + dither);
        }
    }

private:
    static constexpr int kCloudCell = 8;

    bool HasAurora() const { return s_.aurora.r + s_.aurora.g + s_.aurora.b > 0; }
    static std::uint8_t Byte(float v) { return std::uint8_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); }
    float WorldX(float x) const { return (x - float(w_) * 0.5f) / float(h_); }

    float LayerTop(const Layer& l, float wx) const
    {
        const float u = wx * l.freq * 2.0f + float(l.seed) * 17.3f;
        float n = 0;
        switch (l.relief) {
        case Relief::Ridge: // sharp crests: folded noise
            n = 1.0f - std::fabs(2.0f * Fbm1(u, 6, 0.5f, l.seed) - 1.0f);
            n = 0.35f * n + 0.65f * Fbm1(u * 0.5f, 4, 0.45f, l.seed + 9);
            break;
        case Relief::Dune:
            n = 0.5f + 0.5f * std::sin(u * 2.2f + 3.0f * Fbm1(u * 0.4f, 3, 0.5f, l.seed));
            n = std::pow(n, 1.6f) * 0.8f + 0.2f * Fbm1(u * 3.0f, 2, 0.5f, l.seed + 3);
            break;
        case Relief::Mesa:
            n = Smooth(0.45f, 0.55f, Fbm1(u * 0.7f, 3, 0.5f, l.seed)) * 0.85f + 0.15f * Fbm1(u * 6.0f, 3, 0.5f, l.seed + 5);
            break;
        case Relief::Forest: // rolling hills with a ragged tree line
            n = 0.8f * Fbm1(u * 0.6f, 4, 0.5f, l.seed) + 0.2f * Fbm1(u * 40.0f, 2, 0.6f, l.seed + 7);
            break;
        }
        return l.base - l.amp * n;
    }

    float CloudDensity(float wx, float wy) const
    {
        if (wy < s_.cloudTop || wy > s_.cloudBottom)
            return 0;
        const float band = Smooth(s_.cloudTop, s_.cloudTop + 0.08f, wy) * (1.0f - Smooth(s_.cloudBottom - 0.1f, s_.cloudBottom, wy));
        const float n = Fbm2(wx * 3.0f, wy * 9.0f, 5, 1234u + std::uint32_t(s_.layers.size()));
        return band * Smooth(1.0f - s_.clouds, 1.0f - s_.clouds + 0.35f, n);
    }

    float Cloud(int x, float wy) const
    {
        const float gx = float(x) / kCloudCell, gy = wy * float(h_) / kCloudCell;
        const int i = std::min(int(gx), gw_ - 2), j = std::min(int(gy), gh_ - 2);
        const float tx = gx - float(i), ty = gy - float(j);
        const auto at = [&](int a, int b) { return grid_[std::size_t(b * gw_ + a)]; };
        return (at(i, j) * (1 - tx) + at(i + 1, j) * tx) * (1 - ty) + (at(i, j + 1) * (1 - tx) + at(i + 1, j + 1) * tx) * ty;
    }

    Colour Sky(int x, float wy) const
    {
        const float t = Clamp01(wy / s_.horizon) * 3.0f;
        const int k = std::min(int(t), 2);
        Colour c = Mix(s_.sky[std::size_t(k)], s_.sky[std::size_t(k) + 1], t - float(k));
        const float wx = WorldX(float(x) + 0.5f);
        if (s_.stars > 0 && wy < s_.horizon) {
            const int cx = int(float(x) * 900.0f / float(h_)), cy = int(wy * 900.0f);
            if (Hash01(cx, cy, 99u) < s_.stars) {
                const float twinkle = Hash01(cx, cy, 5u);
                c = c + Colour {255, 250, 240} * (0.4f + 0.6f * twinkle) * (1.0f - Smooth(0.2f, s_.horizon, wy));
            }
        }
        if (HasAurora()) {
            // A curtain: sharp at its lower edge, fading slowly upwards, violet at the top.
            const float d = wy - auroraCentre_[std::size_t(x)];
            const float fall = d > 0 ? std::exp(-d * d * 900.0f) : std::exp(d * 7.0f);
            const float strength = fall * auroraStrength_[std::size_t(x)];
            const Colour top = Hex(0xC060FF);
            c = c + Mix(s_.aurora, top, Clamp01(-d * 6.0f)) * (0.75f * strength);
        }
        if (s_.glow > 0) {
            const float dx = wx - s_.sunX, dy = wy - s_.sunY;
            const float d = std::sqrt(dx * dx + dy * dy);
            c = Mix(c, s_.sun, Clamp01(s_.glow * std::exp(-d * 5.0f) * 0.6f));
            c = Mix(c, s_.sun, 1.0f - Smooth(s_.sunRadius * 0.97f, s_.sunRadius * 1.03f, d));
        }
        return WithClouds(c, x, wy);
    }

    Colour WithClouds(Colour c, int x, float wy) const
    {
        if (s_.clouds <= 0)
            return c;
        const float a = Cloud(x, wy);
        if (a <= 0)
            return c;
        // Lit from the sun's side, shaded away from it and underneath.
        const float side = s_.glow > 0 ? Clamp01(0.5f - (WorldX(float(x)) - s_.sunX) * 0.4f) : 0.5f;
        const Colour cloud = Mix(s_.cloudShade, s_.cloudLit, Clamp01(side * 0.6f + (1.0f - a) * 0.5f));
        return Mix(c, cloud, Clamp01(a * 1.3f));
    }

    Colour Land(int x, float wy, bool& hit) const
    {
        hit = false;
        for (std::size_t i = s_.layers.size(); i-- > 0;) {
            const Layer& l = s_.layers[i];
            const float top = tops_[i][std::size_t(x)];
            if (wy < top)
                continue;
            hit = true;
            // Mist and shade lie in level bands: measured from the ragged
            // top they would run down every tree in stripes.
            const float depth = wy - (l.base - l.amp * 0.6f);
            Colour c = l.colour * (1.0f - 0.25f * Smooth(0.0f, 0.4f, depth));
            if (l.relief == Relief::Dune) {
                const float slope = (tops_[i][std::size_t(x) + 1] - top) * float(h_);
                c = c * (1.0f + Clamp01(slope * 2.0f) * 0.25f - Clamp01(-slope * 2.0f) * 0.35f);
            } else if (l.relief == Relief::Mesa) {
                const float strata = 0.95f + 0.05f * std::sin(wy * 260.0f);
                c = c * strata;
            }
            c = Mix(c, s_.haze, l.mist * Smooth(-0.05f, 0.2f, depth) * 0.8f);
            // Clouds drift in front of the farthest range only.
            return i == 0 ? WithClouds(c, x, wy) : c;
        }
        return {};
    }

    Colour Above(int x, float wy) const
    {
        bool land = false;
        const Colour c = Land(x, wy, land);
        return land ? c : Sky(x, wy);
    }

    Colour Pixel(int x, float wy) const
    {
        if (s_.water <= 0 || wy < s_.water)
            return Above(x, wy);
        // Still water: the scene mirrored, broken by small ripples, plus the
        // sun's glitter path.
        const float below = wy - s_.water;
        // Waves shrink towards the horizon.
        const float wx = WorldX(float(x));
        const float far = 1.0f / (below + 0.02f);
        const float ripple = Noise2(wx * far * 1.5f, far * 3.0f, 3u) - 0.5f;
        const int rx = std::clamp(x + int(ripple * below * float(h_) * 0.05f), 0, w_ - 1);
        const float mirrored = std::max(0.0f, s_.water - below * (1.0f + 0.05f * ripple));
        Colour c = Above(rx, mirrored) * s_.waterTint * 0.9f;
        if (s_.glow > 0) {
            const float path = std::exp(-std::fabs(wx - s_.sunX) * 10.0f / (0.3f + below * 4.0f));
            const float glint = Noise2(wx * far * 6.0f, far * 12.0f, 4u);
            c = Mix(c, s_.sun, Clamp01(Smooth(0.6f, 0.85f, glint) * path * s_.glow));
        }
        return Mix(c, s_.haze * 0.5f, Smooth(0.0f, 0.4f, below) * 0.4f);
    }

    const Scene& s_;
    int w_, h_;
    std::vector<std::vector<float>> tops_;
    int gw_ = 0, gh_ = 0;
    std::vector<float> grid_;
    std::vector<float> auroraCentre_, auroraStrength_;
};

const Scene& FindScene(const std::string& name)
{
    for (const Scene& s : Scenes())
        if (name == s.name)
            return s;
    throw std::invalid_argument("no picture named " + name);
}

} // namespace

const std::vector<Picture>& Catalogue()
{
    static const std::vector<Picture> pictures = [] {
        constexpr Size kSizes[] = {{1024, 768},  {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},
                                   {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}, {7680, 4320}};
        std::vector<Picture> out;
        for (const Scene& s : Scenes()) {
            const std::size_t count = std::size(kSizes) - (s.has8k ? 0 : 1);
            out.push_back({s.name, s.title, std::vector<Size>(kSizes, kSizes + count)});
        }
        return out;
    }();
    return pictures;
}

void Render(const std::string& name, Size size, picture::RowSink& sink)
{
    const Painter painter(FindScene(name), size);
    std::vector<std::uint8_t> row(std::size_t(size.width) * 3);
    for (int y = 0; y < size.height; ++y) {
        painter.Row(y, row.data());
        sink.PutRow(row.data());
    }
}

} // namespace demo
