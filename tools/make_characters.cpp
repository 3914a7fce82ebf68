// make_characters <outdir>: draws the sample characters that come with the game and writes each
// one as a GIF into <outdir>.
//
// The pictures are drawn by our own small rasteriser rather than QPainter: shapes are signed
// distance functions, sampled 4 x 4 times per pixel, so every pixel depends only on plain double
// arithmetic and the output is the same byte for byte on every machine and Qt version. The
// committed files in data/ are checked against this program's output.
//
// Each picture has a transparent ground (palette index 0), thick dark outlines and at most 256
// colours: the colours the drawing asks for come first in the palette, then the most frequent
// blends at the soft edges between them; any further blend takes its nearest palette colour.

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

// --- geometry -------------------------------------------------------------------------------

struct Vec {
    double x = 0;
    double y = 0;
};

Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y};
}
Vec operator*(Vec a, double k) {
    return {a.x * k, a.y * k};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y;
}
double length(Vec a) {
    return std::sqrt(dot(a, a));
}

// A shape: negative inside, positive outside, roughly the distance to the edge.
using Shape = std::function<double(Vec)>;

Shape circle(Vec c, double r) {
    return [=](Vec p) { return length(p - c) - r; };
}

Shape ellipse(Vec c, double rx, double ry) {
    return [=](Vec p) {
        const Vec d = p - c;
        const double k0 = length({d.x / rx, d.y / ry});
        const double k1 = length({d.x / (rx * rx), d.y / (ry * ry)});
        if (k1 == 0.0) {
            return -std::min(rx, ry);
        }
        return k0 * (k0 - 1.0) / k1;
    };
}

// A box from (x0, y0) to (x1, y1) with corners rounded by r.
Shape box(double x0, double y0, double x1, double y1, double r = 0) {
    const Vec c{(x0 + x1) / 2, (y0 + y1) / 2};
    const double hw = (x1 - x0) / 2;
    const double hh = (y1 - y0) / 2;
    return [=](Vec p) {
        const double qx = std::abs(p.x - c.x) - hw + r;
        const double qy = std::abs(p.y - c.y) - hh + r;
        return length({std::max(qx, 0.0), std::max(qy, 0.0)}) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

Shape polygon(std::vector<Vec> v) {
    return [v = std::move(v)](Vec p) {
        double d = dot(p - v[0], p - v[0]);
        bool inside = false;
        for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
            const Vec e = v[j] - v[i];
            const Vec w = p - v[i];
            const Vec b = w - e * std::clamp(dot(w, e) / dot(e, e), 0.0, 1.0);
            d = std::min(d, dot(b, b));
            const bool c1 = p.y >= v[i].y;
            const bool c2 = p.y < v[j].y;
            const bool c3 = e.x * w.y > e.y * w.x;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) {
                inside = !inside;
            }
        }
        return inside ? -std::sqrt(d) : std::sqrt(d);
    };
}

// A stroke of the given width from a to b with round ends.
Shape segment(Vec a, Vec b, double width) {
    return [=](Vec p) {
        const Vec pa = p - a;
        const Vec ba = b - a;
        const double h = std::clamp(dot(pa, ba) / dot(ba, ba), 0.0, 1.0);
        return length(pa - ba * h) - width / 2;
    };
}

// A stroke along the circle around c, from angle `from` to angle `to` in degrees. The y axis
// points down, so angles grow clockwise on screen: 90 is straight below the centre.
Shape arc(Vec c, double r, double from, double to, double width) {
    const double rad = std::numbers::pi / 180.0;
    const Vec a = c + Vec{std::cos(from * rad), std::sin(from * rad)} * r;
    const Vec b = c + Vec{std::cos(to * rad), std::sin(to * rad)} * r;
    const double span = to - from;
    return [=](Vec p) {
        const Vec d = p - c;
        double angle = std::atan2(d.y, d.x) / rad - from;
        angle = std::fmod(std::fmod(angle, 360.0) + 360.0, 360.0);
        const double dist =
            angle <= span ? std::abs(length(d) - r) : std::min(length(p - a), length(p - b));
        return dist - width / 2;
    };
}

Shape rotated(Shape s, Vec pivot, double degrees) {
    const double rad = -degrees * std::numbers::pi / 180.0;
    const double cs = std::cos(rad);
    const double sn = std::sin(rad);
    return [=, s = std::move(s)](Vec p) {
        const Vec d = p - pivot;
        return s(Vec{pivot.x + d.x * cs - d.y * sn, pivot.y + d.x * sn + d.y * cs});
    };
}

Shape unite(Shape a, Shape b) {
    return [=](Vec p) { return std::min(a(p), b(p)); };
}
Shape unite(Shape a, Shape b, Shape c) {
    return unite(unite(std::move(a), std::move(b)), c);
}
Shape intersect(Shape a, Shape b) {
    return [=](Vec p) { return std::max(a(p), b(p)); };
}
Shape subtract(Shape a, Shape b) {
    return [=](Vec p) { return std::max(a(p), -b(p)); };
}
Shape grown(Shape s, double by) {
    return [=](Vec p) { return s(p) - by; };
}

// The same shape reflected in the vertical line x = axis, for left/right pairs.
Shape mirrored(Shape s, double axis) {
    return [=](Vec p) { return s(Vec{2 * axis - p.x, p.y}); };
}

// --- colours --------------------------------------------------------------------------------

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb rgb(std::uint32_t hex) {
    return {int((hex >> 16) & 0xFF), int((hex >> 8) & 0xFF), int(hex & 0xFF)};
}

const Rgb kInk = rgb(0x2B2233);
const Rgb kWhite = rgb(0xFFFFFF);
const Rgb kCheek = rgb(0xFF8FAB);
const Rgb kPink = rgb(0xFF9EBB);
const Rgb kGlass = rgb(0x9ED8FF);
const Rgb kTyre = rgb(0x3A3546);
const Rgb kHub = rgb(0xC9CCD6);

// --- the canvas -----------------------------------------------------------------------------

// Pictures are designed in units where the height is 100; the width follows the pixel aspect.
class Canvas {
public:
    Canvas(int width, int height)
        : m_width(width),
          m_height(height),
          m_scale(height / 100.0),
          m_pixels(std::size_t(width) * std::size_t(height)) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    double unitsWide() const { return m_width / m_scale; }

    // Thick enough to read as a cartoon outline, and never thinner than a pixel and a bit.
    double outline() const { return std::max(3.4, 1.3 / m_scale); }
    double thinOutline() const { return std::max(2.2, 1.0 / m_scale); }
    double line() const { return std::max(2.6, 1.1 / m_scale); }

    // Paints `colour` wherever the shape is.
    void fill(const Shape& shape, Rgb colour) {
        remember(colour);
        constexpr int kSub = 4;
        // A pixel whose centre lies this far from the edge is wholly inside or outside.
        const double sure = 2.0 / m_scale;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const double centre = shape(toUnits(x + 0.5, y + 0.5));
                int covered = 0;
                if (centre < -sure) {
                    covered = kSub * kSub;
                } else if (centre <= sure) {
                    for (int sy = 0; sy < kSub; ++sy) {
                        for (int sx = 0; sx < kSub; ++sx) {
                            const Vec p = toUnits(x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub);
                            covered += shape(p) <= 0.0 ? 1 : 0;
                        }
                    }
                }
                if (covered > 0) {
                    blend(m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)], colour,
                          covered, kSub * kSub);
                }
            }
        }
    }

    // A filled shape with a dark outline around it.
    void draw(const Shape& shape, Rgb colour) { drawWith(shape, colour, outline()); }
    void drawThin(const Shape& shape, Rgb colour) { drawWith(shape, colour, thinOutline()); }
    void drawWith(const Shape& shape, Rgb colour, double outlineWidth) {
        fill(grown(shape, outlineWidth), kInk);
        fill(shape, colour);
    }

    // A big shiny eye: dark, with a white glint up and to the right.
    void eye(Vec c, double rx, double ry) {
        fill(ellipse(c, rx, ry), kInk);
        fill(circle(c + Vec{rx * 0.35, -ry * 0.38}, std::min(rx, ry) * 0.42), kWhite);
    }

    struct Pixel {
        int r = 0;  // premultiplied by a
        int g = 0;
        int b = 0;
        int a = 0;
    };
    const std::vector<Pixel>& pixels() const { return m_pixels; }
    const std::vector<Rgb>& colours() const { return m_colours; }

private:
    Vec toUnits(double px, double py) const { return {px / m_scale, py / m_scale}; }

    void remember(Rgb colour) {
        if (std::find(m_colours.begin(), m_colours.end(), colour) == m_colours.end()) {
            m_colours.push_back(colour);
        }
    }

    static void blend(Pixel& p, Rgb c, int covered, int of) {
        const int rest = of - covered;
        p.r = (c.r * covered + p.r * rest + of / 2) / of;
        p.g = (c.g * covered + p.g * rest + of / 2) / of;
        p.b = (c.b * covered + p.b * rest + of / 2) / of;
        p.a = (255 * covered + p.a * rest + of / 2) / of;
    }

    int m_width;
    int m_height;
    double m_scale;
    std::vector<Pixel> m_pixels;
    std::vector<Rgb> m_colours;
};

// --- the characters -------------------------------------------------------------------------

void drawCat(Canvas& c) {
    const Rgb fur = rgb(0xFFA63D);
    const Rgb stripe = rgb(0xE2761B);
    const Rgb muzzle = rgb(0xFFF3E2);
    const Shape ear = polygon({{13, 50}, {18, 6}, {50, 28}});
    const Shape innerEar = polygon({{22, 38}, {24, 18}, {40, 30}});
    c.draw(ear, fur);
    c.draw(mirrored(ear, 50), fur);
    c.fill(innerEar, kPink);
    c.fill(mirrored(innerEar, 50), kPink);
    c.draw(ellipse({50, 60}, 40, 33), fur);
    c.fill(segment({50, 29}, {50, 37}, 4.5), stripe);
    c.fill(segment({41, 30}, {43, 37}, 4.5), stripe);
    c.fill(segment({59, 30}, {57, 37}, 4.5), stripe);
    c.fill(ellipse({50, 72}, 15, 10), muzzle);
    c.eye({35, 56}, 7.5, 9.5);
    c.eye({65, 56}, 7.5, 9.5);
    c.fill(ellipse({23, 70}, 6.5, 4.2), kCheek);
    c.fill(ellipse({77, 70}, 6.5, 4.2), kCheek);
    c.drawThin(ellipse({50, 66.5}, 4.5, 3.2), kPink);
    c.fill(segment({50, 68}, {50, 71.5}, c.line()), kInk);
    c.fill(arc({45.5, 71}, 4.5, 10, 170, c.line()), kInk);
    c.fill(arc({54.5, 71}, 4.5, 10, 170, c.line()), kInk);
    const Shape whiskers = unite(segment({18, 64}, {2, 60}, 2.2), segment({18, 69}, {1, 71}, 2.2));
    c.fill(whiskers, kInk);
    c.fill(mirrored(whiskers, 50), kInk);
}

void drawDog(Canvas& c) {
    const Rgb fur = rgb(0xE6B377);
    const Rgb ears = rgb(0x8E5A2E);
    const Rgb muzzle = rgb(0xFFF1DC);
    const Rgb tongue = rgb(0xFF6F7D);
    c.draw(ellipse({50, 54}, 35, 33), fur);
    c.fill(ellipse({64, 44}, 12, 11), ears);
    const Shape ear = rotated(ellipse({17, 48}, 11, 26), {17, 48}, 18);
    c.draw(ear, ears);
    c.draw(mirrored(ear, 50), ears);
    c.drawThin(intersect(ellipse({50, 80}, 6, 8), box(40, 74, 60, 95)), tongue);
    c.draw(ellipse({50, 70}, 17, 12), muzzle);
    c.fill(segment({50, 64}, {50, 72}, c.line()), kInk);
    c.fill(arc({45, 72}, 5, 0, 170, c.line()), kInk);
    c.fill(arc({55, 72}, 5, 10, 180, c.line()), kInk);
    c.fill(ellipse({50, 63}, 7.5, 5.2), kInk);
    c.fill(ellipse({47.5, 61.5}, 2.4, 1.5), kWhite);
    c.eye({37, 46}, 6.5, 8.5);
    c.eye({63, 46}, 6.5, 8.5);
    c.fill(ellipse({27, 64}, 5, 3.5), kCheek);
    c.fill(ellipse({73, 64}, 5, 3.5), kCheek);
}

void drawRabbit(Canvas& c) {
    const Rgb fur = rgb(0xFFFFFF);
    const Shape ear = rotated(ellipse({36, 28}, 10.5, 25), {36, 50}, -10);
    const Shape innerEar = rotated(ellipse({36, 29}, 5, 18), {36, 50}, -10);
    c.draw(ear, fur);
    c.draw(mirrored(ear, 50), fur);
    c.fill(innerEar, kPink);
    c.fill(mirrored(innerEar, 50), kPink);
    c.draw(ellipse({50, 68}, 35, 28), fur);
    c.eye({38, 63}, 5.5, 7.5);
    c.eye({62, 63}, 5.5, 7.5);
    c.fill(ellipse({27, 75}, 6.5, 4.2), kCheek);
    c.fill(ellipse({73, 75}, 6.5, 4.2), kCheek);
    c.drawThin(ellipse({50, 72}, 4, 3), kPink);
    c.fill(segment({50, 74}, {50, 77}, c.line()), kInk);
    c.fill(arc({46, 76.5}, 4, 10, 170, c.line()), kInk);
    c.fill(arc({54, 76.5}, 4, 10, 170, c.line()), kInk);
}

void drawBear(Canvas& c) {
    const Rgb fur = rgb(0xA8672E);
    const Rgb light = rgb(0xF0CFA4);
    c.draw(circle({21, 27}, 15), fur);
    c.draw(circle({79, 27}, 15), fur);
    c.fill(circle({21, 27}, 7.5), light);
    c.fill(circle({79, 27}, 7.5), light);
    c.draw(ellipse({50, 58}, 39, 35), fur);
    c.draw(ellipse({50, 71}, 17, 13), light);
    c.fill(ellipse({50, 65}, 6.5, 4.8), kInk);
    c.fill(segment({50, 67}, {50, 73}, c.line()), kInk);
    c.fill(arc({45, 73}, 5, 10, 170, c.line()), kInk);
    c.fill(arc({55, 73}, 5, 10, 170, c.line()), kInk);
    c.eye({34, 51}, 6, 7.5);
    c.eye({66, 51}, 6, 7.5);
}

void drawPenguin(Canvas& c) {
    const double mid = c.unitsWide() / 2;
    const Rgb body = rgb(0x35466B);
    const Rgb beak = rgb(0xFFA51F);
    const Shape foot = ellipse({mid - 10, 93}, 9, 4.5);
    c.draw(foot, beak);
    c.draw(mirrored(foot, mid), beak);
    const Shape flipper = rotated(ellipse({mid - 22, 58}, 5.5, 16), {mid - 22, 45}, 18);
    c.draw(flipper, body);
    c.draw(mirrored(flipper, mid), body);
    c.draw(ellipse({mid, 55}, 26, 38), body);
    c.fill(
        unite(ellipse({mid, 67}, 19, 24), circle({mid - 8.5, 40}, 11), circle({mid + 8.5, 40}, 11)),
        kWhite);
    c.eye({mid - 8, 38}, 3.8, 5);
    c.eye({mid + 8, 38}, 3.8, 5);
    c.fill(ellipse({mid - 15, 48}, 3.8, 2.6), kCheek);
    c.fill(ellipse({mid + 15, 48}, 3.8, 2.6), kCheek);
    c.drawThin(polygon({{mid - 6, 45}, {mid + 6, 45}, {mid, 52}}), beak);
}

void drawFish(Canvas& c) {
    const Rgb scales = rgb(0x3FA9F5);
    const Rgb band = rgb(0xB9E4FF);
    const Rgb fins = rgb(0xFFD23F);
    c.draw(polygon({{42, 50}, {6, 20}, {16, 50}, {6, 80}}), fins);
    c.draw(polygon({{62, 26}, {80, 6}, {102, 10}, {110, 26}}), fins);
    c.draw(polygon({{80, 74}, {90, 92}, {104, 74}}), fins);
    const Shape body = ellipse({92, 50}, 60, 34);
    c.draw(body, scales);
    c.fill(intersect(body, box(62, 0, 71, 100)), band);
    c.fill(intersect(body, box(90, 0, 99, 100)), band);
    c.drawThin(rotated(ellipse({88, 60}, 12, 7), {88, 60}, 25), fins);
    c.drawThin(circle({128, 42}, 10.5), kWhite);
    c.eye({131, 43}, 6, 6.5);
    c.fill(ellipse({124, 60}, 5, 3.2), kCheek);
    c.fill(arc({138, 56}, 7, 30, 130, c.line()), kInk);
}

void drawChick(Canvas& c) {
    const Rgb down = rgb(0xFFE14D);
    const Rgb beak = rgb(0xFF9A1F);
    const Shape foot = ellipse({38, 93}, 9, 4.5);
    c.draw(foot, beak);
    c.draw(mirrored(foot, 50), beak);
    c.draw(polygon({{42, 24}, {48, 8}, {58, 24}}), down);
    c.draw(circle({50, 56}, 37), down);
    const Shape wing = rotated(ellipse({19, 64}, 7, 13), {19, 64}, 35);
    c.drawThin(wing, down);
    c.drawThin(mirrored(wing, 50), down);
    c.eye({37, 50}, 6, 7.5);
    c.eye({63, 50}, 6, 7.5);
    c.fill(ellipse({27, 65}, 6, 4), kCheek);
    c.fill(ellipse({73, 65}, 6, 4), kCheek);
    c.draw(polygon({{42, 60}, {58, 60}, {50, 70}}), beak);
}

void drawApple(Canvas& c) {
    const Rgb red = rgb(0xF23A3A);
    const Rgb stem = rgb(0x8A5427);
    const Rgb leaf = rgb(0x52C23A);
    c.draw(segment({50, 38}, {55, 12}, 6), stem);
    c.draw(rotated(ellipse({70, 20}, 14, 7), {70, 20}, -25), leaf);
    c.draw(unite(circle({37, 58}, 30), circle({63, 58}, 30), ellipse({50, 72}, 28, 24)), red);
    c.fill(rotated(ellipse({30, 50}, 6, 10), {30, 50}, 25), rgb(0xFFD0D0));
}

void drawStrawberry(Canvas& c) {
    const Rgb red = rgb(0xF03A4F);
    const Rgb seed = rgb(0xFFE680);
    const Rgb leaf = rgb(0x3FB93F);
    c.draw(unite(ellipse({50, 50}, 37, 25), grown(polygon({{22, 52}, {78, 52}, {50, 86}}), 7)),
           red);
    const std::array<Vec, 9> seeds{
        {{30, 46}, {50, 44}, {70, 46}, {40, 58}, {60, 58}, {29, 60}, {71, 60}, {50, 72}, {41, 83}}};
    for (const Vec s : seeds) {
        c.fill(ellipse(s, 2.2, 3.4), seed);
    }
    c.fill(ellipse({59, 83}, 2.2, 3.4), seed);
    c.draw(
        polygon({{24, 32}, {40, 28}, {50, 18}, {60, 28}, {76, 32}, {63, 38}, {50, 34}, {37, 38}}),
        leaf);
    c.draw(segment({50, 26}, {53, 8}, 6), leaf);
}

void drawBanana(Canvas& c) {
    const Rgb yellow = rgb(0xFFDA3B);
    const Rgb ridge = rgb(0xEDB421);
    const Rgb tip = rgb(0x6E4A26);
    const Vec pivot{50, 56};
    const double turn = -10;
    // A crescent: the bottom of one circle with a higher one taken out of it.
    const Shape fruit = subtract(circle({50, 34}, 40), circle({50, 12}, 42));
    const Shape peel = rotated(fruit, pivot, turn);
    c.draw(peel, yellow);
    c.fill(intersect(peel, rotated(arc({50, 34}, 33, 35, 145, 3), pivot, turn)), ridge);
    c.fill(intersect(peel, rotated(box(0, 0, 17, 100), pivot, turn)), tip);
    c.draw(rotated(segment({85, 45}, {93, 27}, 8), pivot, turn), rgb(0x9BC43B));
}

void wheel(Canvas& c, Vec centre, double r) {
    c.draw(circle(centre, r), kTyre);
    c.fill(circle(centre, r * 0.42), kHub);
}

void drawCar(Canvas& c) {
    const Rgb paint = rgb(0xF04848);
    c.draw(box(38, 18, 108, 56, 14), paint);
    c.draw(box(8, 46, 142, 82, 11), paint);
    c.fill(box(46, 26, 50, 56), paint);
    c.drawThin(box(46, 26, 70, 48, 6), kGlass);
    c.drawThin(box(76, 26, 100, 48, 6), kGlass);
    c.fill(segment({73, 52}, {73, 76}, c.line()), kInk);
    c.fill(segment({80, 58}, {88, 58}, c.line()), kInk);
    c.drawThin(ellipse({137, 58}, 4, 5.5), rgb(0xFFF07A));
    c.drawThin(ellipse({13, 58}, 3, 4.5), rgb(0xFFA53D));
    wheel(c, {40, 82}, 15);
    wheel(c, {112, 82}, 15);
}

void drawBus(Canvas& c) {
    const Rgb paint = rgb(0xFFC93C);
    const Rgb band = rgb(0xF25C3B);
    const Shape body = box(6, 12, 144, 82, 12);
    c.draw(body, paint);
    c.fill(intersect(body, box(0, 58, 150, 66)), band);
    for (const double x : {16.0, 42.0, 68.0, 94.0}) {
        c.drawThin(box(x, 22, x + 20, 46, 4), kGlass);
    }
    c.drawThin(box(120, 22, 136, 76, 3), kGlass);
    c.fill(segment({128, 24}, {128, 74}, c.line()), kInk);
    c.drawThin(ellipse({141, 70}, 3, 4.5), rgb(0xFFF7C2));
    wheel(c, {34, 82}, 13);
    wheel(c, {104, 82}, 13);
}

void drawLocomotive(Canvas& c) {
    const Rgb boiler = rgb(0x3B82E6);
    const Rgb cab = rgb(0xE8413C);
    const Rgb gold = rgb(0xFFC83D);
    const Rgb smoke = rgb(0xE4E6EF);
    const Rgb smokebox = rgb(0x4F4A5E);
    c.draw(circle({44, 11}, 7), smoke);
    c.draw(circle({58, 8}, 6), smoke);
    c.draw(box(28, 18, 48, 28, 3), cab);
    c.draw(box(31, 24, 45, 44), cab);
    c.draw(ellipse({72, 38}, 9, 8), gold);
    c.draw(box(94, 16, 140, 82, 4), cab);
    c.draw(box(88, 10, 146, 20, 3), smokebox);
    c.drawThin(box(104, 28, 130, 50, 5), kGlass);
    c.draw(box(22, 38, 100, 74, 8), boiler);
    c.fill(box(22, 52, 100, 56), gold);
    c.draw(box(12, 36, 28, 76, 6), smokebox);
    c.draw(polygon({{14, 74}, {28, 74}, {28, 92}, {7, 92}}), cab);
    c.draw(box(10, 72, 146, 80, 2), smokebox);
    const std::array<double, 3> wheels{{46, 78, 122}};
    for (const double x : wheels) {
        c.draw(circle({x, 84}, 13), cab);
        c.fill(circle({x, 84}, 5), gold);
    }
    c.draw(segment({46, 87}, {122, 87}, 3.5), kHub);
}

void drawRocket(Canvas& c) {
    const double mid = c.unitsWide() / 2;
    const Rgb hull = rgb(0xF2F4FA);
    const Rgb red = rgb(0xEE4444);
    c.draw(polygon({{mid - 11, 78}, {mid + 11, 78}, {mid, 99}}), rgb(0xFF9A2E));
    c.fill(polygon({{mid - 6, 80}, {mid + 6, 80}, {mid, 94}}), rgb(0xFFE14D));
    const Shape fin = polygon({{mid - 14, 52}, {mid - 28, 80}, {mid - 12, 76}});
    c.draw(fin, red);
    c.draw(mirrored(fin, mid), red);
    const Shape body = ellipse({mid, 46}, 17, 40);
    c.draw(body, hull);
    c.draw(intersect(body, box(0, 0, 100, 21)), red);
    c.draw(intersect(body, box(0, 72, 100, 100)), red);
    c.draw(circle({mid, 43}, 9), kGlass);
    c.fill(circle({mid + 3, 40}, 2.6), kWhite);
}

struct Character {
    const char8_t* fileName;
    int width;
    int height;
    void (*paint)(Canvas&);
};

const std::array<Character, 14> kCharacters{{
    {u8"ねこ.gif", 120, 120, drawCat},
    {u8"いぬ.gif", 160, 160, drawDog},
    {u8"うさぎ.gif", 200, 200, drawRabbit},
    {u8"くま.gif", 64, 64, drawBear},
    {u8"ペンギン.gif", 120, 160, drawPenguin},
    {u8"さかな.gif", 160, 100, drawFish},
    {u8"ひよこ.gif", 48, 48, drawChick},
    {u8"りんご.gif", 32, 32, drawApple},
    {u8"いちご.gif", 80, 80, drawStrawberry},
    {u8"バナナ.gif", 120, 120, drawBanana},
    {u8"くるま.gif", 180, 120, drawCar},
    {u8"バス.gif", 240, 160, drawBus},
    {u8"きかんしゃ.gif", 300, 200, drawLocomotive},
    {u8"ロケット.gif", 120, 180, drawRocket},
}};

// --- palette and GIF ------------------------------------------------------------------------

std::uint32_t key(Rgb c) {
    return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

int distance(Rgb a, Rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

struct Indexed {
    std::vector<Rgb> palette;  // entry 0 is the transparent ground
    std::vector<GifByteType> pixels;
};

// Less than half covered counts as ground: GIF knows only fully transparent or fully opaque, and
// a hard outer edge on the dark outline looks better on any ground than a pale fringe.
Indexed quantise(const Canvas& canvas) {
    std::vector<std::pair<bool, Rgb>> solid;
    solid.reserve(canvas.pixels().size());
    std::map<std::uint32_t, int> counts;
    for (const Canvas::Pixel& p : canvas.pixels()) {
        if (p.a < 128) {
            solid.push_back({false, {}});
            continue;
        }
        const Rgb c{(p.r * 255 + p.a / 2) / p.a, (p.g * 255 + p.a / 2) / p.a,
                    (p.b * 255 + p.a / 2) / p.a};
        solid.push_back({true, c});
        ++counts[key(c)];
    }

    Indexed out;
    out.palette.push_back(kWhite);
    for (const Rgb& c : canvas.colours()) {
        if (counts.contains(key(c))) {
            out.palette.push_back(c);
        }
    }
    std::vector<std::pair<int, std::uint32_t>> blends;
    for (const auto& [k, n] : counts) {
        blends.push_back({n, k});
    }
    std::sort(blends.begin(), blends.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (const auto& [n, k] : blends) {
        if (out.palette.size() >= 256) {
            break;
        }
        const Rgb c{int(k >> 16), int((k >> 8) & 0xFF), int(k & 0xFF)};
        if (std::find(out.palette.begin() + 1, out.palette.end(), c) == out.palette.end()) {
            out.palette.push_back(c);
        }
    }

    std::map<std::uint32_t, GifByteType> index;
    for (const auto& [k, n] : counts) {
        const Rgb c{int(k >> 16), int((k >> 8) & 0xFF), int(k & 0xFF)};
        std::size_t best = 1;
        for (std::size_t i = 1; i < out.palette.size(); ++i) {
            if (distance(c, out.palette[i]) < distance(c, out.palette[best])) {
                best = i;
            }
        }
        index[k] = GifByteType(best);
    }
    out.pixels.reserve(solid.size());
    for (const auto& [isSolid, c] : solid) {
        out.pixels.push_back(isSolid ? index[key(c)] : 0);
    }
    return out;
}

int collect(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::string*>(gif->UserData);
    bytes->append(reinterpret_cast<const char*>(data), std::size_t(length));
    return length;
}

// One image, GIF89a, palette index 0 transparent. Returns the file's bytes, empty on failure.
std::string encodeGif(const Canvas& canvas) {
    const Indexed image = quantise(canvas);
    int bits = 1;
    while ((1 << bits) < int(image.palette.size())) {
        ++bits;
    }
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, collect, &error);
    if (gif == nullptr) {
        return {};
    }
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < map->ColorCount; ++i) {
        const Rgb c =
            std::size_t(i) < image.palette.size() ? image.palette[std::size_t(i)] : kWhite;
        map->Colors[i] = {GifByteType(c.r), GifByteType(c.g), GifByteType(c.b)};
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = 0;
    control.TransparentColor = 0;
    GifByteType extension[4];
    const std::size_t extensionLength = EGifGCBToExtension(&control, extension);

    EGifSetGifVersion(gif, true);
    bool ok =
        EGifPutScreenDesc(gif, canvas.width(), canvas.height(), bits, 0, map) == GIF_OK &&
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extensionLength), extension) == GIF_OK &&
        EGifPutImageDesc(gif, 0, 0, canvas.width(), canvas.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < canvas.height(); ++y) {
        auto* row = const_cast<GifByteType*>(image.pixels.data() +
                                             std::size_t(y) * std::size_t(canvas.width()));
        ok = EGifPutLine(gif, row, canvas.width()) == GIF_OK;
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? bytes : std::string{};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_characters <outdir>\n");
        return 2;
    }
    const std::filesystem::path outdir(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(outdir, error);
    if (error) {
        std::fprintf(stderr, "make_characters: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const Character& character : kCharacters) {
        Canvas canvas(character.width, character.height);
        character.paint(canvas);
        const std::string bytes = encodeGif(canvas);
        const std::filesystem::path file = outdir / character.fileName;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (bytes.empty() || !out) {
            std::fprintf(stderr, "make_characters: cannot write %s\n",
                         reinterpret_cast<const char*>(file.u8string().c_str()));
            return 1;
        }
    }
    return 0;
}
