// HLS <-> RGB: the usual double-hexcone model with every value a fraction 0..1.
#include <vrtools/obrisk.h>

#include <cmath>

namespace {

float Clamp01(float v)
{
    if (!(v > 0.0f))
        return 0.0f;  // also catches NaN
    return v < 1.0f ? v : 1.0f;
}

// Hue as a fraction of a turn, wrapped into [0, 1).
float Wrap_Hue(float h)
{
    if (!std::isfinite(h))
        return 0.0f;
    h -= std::floor(h);
    return h < 1.0f ? h : 0.0f;
}

float Hue_Channel(float m1, float m2, float h)
{
    if (h < 0.0f)
        h += 1.0f;
    if (h > 1.0f)
        h -= 1.0f;
    if (h < 1.0f / 6.0f)
        return m1 + (m2 - m1) * h * 6.0f;
    if (h < 0.5f)
        return m2;
    if (h < 2.0f / 3.0f)
        return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
    return m1;
}

}  // namespace

void HLS_to_RGB(float h, float l, float s, float* r, float* g, float* b)
{
    h = Wrap_Hue(h);
    l = Clamp01(l);
    s = Clamp01(s);
    float red = l, green = l, blue = l;
    if (s > 0.0f) {
        const float m2 = (l <= 0.5f) ? l * (1.0f + s) : l + s - l * s;
        const float m1 = 2.0f * l - m2;
        red = Hue_Channel(m1, m2, h + 1.0f / 3.0f);
        green = Hue_Channel(m1, m2, h);
        blue = Hue_Channel(m1, m2, h - 1.0f / 3.0f);
    }
    if (r)
        *r = Clamp01(red);
    if (g)
        *g = Clamp01(green);
    if (b)
        *b = Clamp01(blue);
}

void RGB_to_HLS(float r, float g, float b, float* h, float* l, float* s)
{
    r = Clamp01(r);
    g = Clamp01(g);
    b = Clamp01(b);
    const float max = std::fmax(r, std::fmax(g, b));
    const float min = std::fmin(r, std::fmin(g, b));
    const float light = (max + min) * 0.5f;
    float hue = 0.0f, sat = 0.0f;
    const float delta = max - min;
    if (delta > 0.0f) {
        sat = (light <= 0.5f) ? delta / (max + min) : delta / (2.0f - max - min);
        if (r == max)
            hue = (g - b) / delta;
        else if (g == max)
            hue = 2.0f + (b - r) / delta;
        else
            hue = 4.0f + (r - g) / delta;
        hue /= 6.0f;
        if (hue < 0.0f)
            hue += 1.0f;
        if (hue >= 1.0f)
            hue -= 1.0f;
    }
    if (h)
        *h = hue;
    if (l)
        *l = light;
    if (s)
        *s = Clamp01(sat);
}
