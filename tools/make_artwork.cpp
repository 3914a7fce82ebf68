// Draws the pictures the game carries inside itself: the ten number cards (BMP), the ten numeral
// pictures laid over counted characters (GIF), the game's icon, and the invisible pointer; and,
// given a third folder, the icons the desktop's menus show (SVG, and PNG at 48 to 256 pixels).
//
//   make_artwork <outdir> <clear-ico-path> [<desktop-icons-dir>]
//
// Everything is computed from the geometry below with plain arithmetic, so two runs give the same
// bytes. The numerals are one face: each figure is a set of pen strokes (a centre line swept by a
// round nib whose width swells a little along the stroke, like a felt-tip marker), turned into a
// 160 x 160 mask. The cards fill that mask; the numeral pictures outline it.

#include <gif_lib.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 160;  // every card and numeral picture is this square
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// The numeral face

struct Point {
    double x;
    double y;
};

// One dab of the nib: a disc of radius r at (x, y).
struct Dab {
    double x;
    double y;
    double r;
};

using Stroke = std::vector<Point>;       // the centre line, densely sampled
using Mask = std::vector<std::uint8_t>;  // kSide * kSide, 1 where the figure is

constexpr double kNib = 12.5;  // half the stroke width, in pixels
constexpr double kStep = 0.2;  // spacing of samples along a centre line

// Builds the centre lines of one figure.
class Pen {
public:
    void moveTo(double x, double y) {
        finish();
        m_current = {{x, y}};
    }
    void lineTo(double x, double y) {
        const Point a = m_current.back();
        const int n = steps(std::hypot(x - a.x, y - a.y));
        for (int i = 1; i <= n; ++i) {
            const double t = double(i) / n;
            m_current.push_back({a.x + (x - a.x) * t, a.y + (y - a.y) * t});
        }
    }
    void curveTo(double x1, double y1, double x2, double y2, double x, double y) {
        const Point a = m_current.back();
        const double roughLength = std::hypot(x1 - a.x, y1 - a.y) + std::hypot(x2 - x1, y2 - y1) +
                                   std::hypot(x - x2, y - y2);
        const int n = steps(roughLength);
        for (int i = 1; i <= n; ++i) {
            const double t = double(i) / n;
            const double u = 1 - t;
            const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
            m_current.push_back(
                {b0 * a.x + b1 * x1 + b2 * x2 + b3 * x, b0 * a.y + b1 * y1 + b2 * y2 + b3 * y});
        }
    }
    // A closed oval drawn as its own stroke, starting at the given angle (degrees, 0 = right,
    // 90 = down) and going round clockwise on screen.
    void oval(double cx, double cy, double rx, double ry, double startDegrees) {
        finish();
        const int n = steps(kPi * (rx + ry));
        const double a0 = startDegrees * kPi / 180;
        for (int i = 0; i <= n; ++i) {
            const double a = a0 + 2 * kPi * i / n;
            m_current.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
        }
        m_closed = true;
        finish();
    }

    // The dabs of every stroke, the nib swelling towards the middle of each stroke as a pen
    // pressed a little harder does.
    std::vector<Dab> dabs() {
        finish();
        return m_dabs;
    }

private:
    static int steps(double length) { return std::max(1, int(std::ceil(length / kStep))); }

    void finish() {
        if (m_current.size() > 1) {
            std::vector<double> along(m_current.size(), 0.0);
            for (size_t i = 1; i < m_current.size(); ++i) {
                along[i] = along[i - 1] + std::hypot(m_current[i].x - m_current[i - 1].x,
                                                     m_current[i].y - m_current[i - 1].y);
            }
            const double total = along.back();
            for (size_t i = 0; i < m_current.size(); ++i) {
                const double u = along[i] / total;
                const double swell = m_closed ? 0.97 + 0.05 * std::sin(2 * kPi * u - kPi / 3)
                                              : 0.94 + 0.09 * std::sin(kPi * u);
                m_dabs.push_back({m_current[i].x, m_current[i].y, kNib * swell});
            }
        }
        m_current.clear();
        m_closed = false;
    }

    Stroke m_current;
    bool m_closed = false;
    std::vector<Dab> m_dabs;
};

// Where a figure must stand on the square: its pixels fill columns left..right and rows
// top..bottom exactly (inclusive).
struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

// A figure of width w (an even number keeps it exactly centred), standing in rows top..bottom.
constexpr Box centred(int width, int top, int bottom) {
    return {(kSide - width) / 2, top, (kSide + width) / 2 - 1, bottom};
}

// Scales and shifts one axis of the centre lines (never the nib) so that the inked extent runs
// exactly from lo to hi. Pixel p is inked when its centre p + 0.5 is under a dab, so asking for
// the continuous edges lo and hi + 1 puts the first and last inked pixel at lo and hi, with half
// a pixel to spare either way.
void fitAxis(std::vector<Dab>& dabs, double Dab::*axis, int lo, int hi) {
    auto extent = [&](double scale, double& low) {
        double mn = 1e9, mx = -1e9;
        for (const Dab& d : dabs) {
            mn = std::min(mn, scale * (d.*axis) - d.r);
            mx = std::max(mx, scale * (d.*axis) + d.r);
        }
        low = mn;
        return mx - mn;
    };
    const double wanted = double(hi + 1 - lo);
    double a = 0.25, b = 4.0, low = 0;
    for (int i = 0; i < 200; ++i) {
        const double mid = (a + b) / 2;
        (extent(mid, low) < wanted ? a : b) = mid;
    }
    const double scale = (a + b) / 2;
    extent(scale, low);
    const double shift = lo - low;
    for (Dab& d : dabs)
        d.*axis = scale * (d.*axis) + shift;
}

Mask rasterise(const std::vector<Dab>& dabs) {
    Mask mask(kSide * kSide, 0);
    for (const Dab& d : dabs) {
        const int x0 = std::max(0, int(std::floor(d.x - d.r - 1)));
        const int x1 = std::min(kSide - 1, int(std::ceil(d.x + d.r + 1)));
        const int y0 = std::max(0, int(std::floor(d.y - d.r - 1)));
        const int y1 = std::min(kSide - 1, int(std::ceil(d.y + d.r + 1)));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double dx = x + 0.5 - d.x, dy = y + 0.5 - d.y;
                if (dx * dx + dy * dy <= d.r * d.r)
                    mask[y * kSide + x] = 1;
            }
        }
    }
    return mask;
}

// The centre lines of each figure, drawn on the 160 square with the nib of kNib in mind; the fit
// afterwards nudges them onto their exact box. Figures are a little asymmetric on purpose: they
// should look drawn by hand, but every one is the plain, round school form a child learns first.
std::vector<Dab> figureStrokes(int number) {
    Pen p;
    switch (number) {
        case 1:  // a stem with a short flag, no foot
            p.moveTo(70, 44);
            p.curveTo(77, 38, 84, 31, 90, 22);
            p.lineTo(90, 137);
            break;
        case 2:
            p.moveTo(47, 50);
            p.curveTo(49, 32, 63, 23, 81, 23);
            p.curveTo(101, 23, 114, 35, 114, 53);
            p.curveTo(114, 73, 98, 88, 45, 136);
            p.lineTo(116, 136);
            break;
        case 3:
            p.moveTo(48, 40);
            p.curveTo(55, 27, 67, 22, 80, 22);
            p.curveTo(99, 22, 111, 33, 111, 48);
            p.curveTo(111, 64, 98, 75, 76, 76);
            p.curveTo(101, 76, 116, 89, 116, 106);
            p.curveTo(116, 125, 101, 137, 79, 137);
            p.curveTo(63, 137, 51, 130, 44, 119);
            break;
        case 4:  // the open four: the short stroke never meets the upright at the top
            p.moveTo(62, 22);
            p.curveTo(58, 50, 51, 76, 45, 97);
            p.lineTo(117, 97);
            p.moveTo(97, 22);
            p.lineTo(97, 137);
            break;
        case 5:
            p.moveTo(111, 23);
            p.lineTo(56, 22);
            p.curveTo(55, 38, 53, 54, 51, 69);
            p.curveTo(60, 62, 70, 60, 81, 60);
            p.curveTo(103, 60, 116, 77, 116, 98);
            p.curveTo(116, 121, 101, 137, 79, 137);
            p.curveTo(63, 137, 51, 130, 44, 119);
            break;
        case 6:
            p.moveTo(107, 31);
            p.curveTo(99, 25, 90, 22, 81, 22);
            p.curveTo(57, 22, 44, 47, 44, 97);
            p.oval(80, 102, 36, 35, 180);
            break;
        case 7:
            p.moveTo(44, 23);
            p.lineTo(116, 22);
            p.curveTo(97, 50, 77, 91, 69, 137);
            break;
        case 8:
            p.oval(80, 49, 30, 27, 200);
            p.oval(80, 104, 36, 33, 20);
            break;
        case 9:
            p.oval(80, 57, 36, 35, 0);
            p.moveTo(116, 62);
            p.curveTo(116, 113, 103, 137, 79, 137);
            p.curveTo(69, 137, 61, 134, 53, 128);
            break;
        case 10:
            p.moveTo(29, 44);
            p.curveTo(36, 38, 43, 31, 49, 22);
            p.lineTo(49, 137);
            p.oval(107, 80, 23, 58, 270);
            break;
    }
    return p.dabs();
}

constexpr Box boxOf(int number) {
    switch (number) {
        case 1:
            return {58, 10, 101, 148};
        case 2:
            return centred(96, 11, 147);
        case 4:
            return centred(100, 10, 148);
        case 7:
            return centred(94, 10, 148);
        case 10:
            return {17, 10, 141, 149};
        default:
            return centred(96, 10, 148);
    }
}

struct Bounds {
    int left = kSide, top = kSide, right = -1, bottom = -1;
};

Bounds boundsOf(const Mask& mask) {
    Bounds b;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (!mask[y * kSide + x])
                continue;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

bool figure(int number, Mask& mask) {
    std::vector<Dab> dabs = figureStrokes(number);
    const Box box = boxOf(number);
    fitAxis(dabs, &Dab::x, box.left, box.right);
    fitAxis(dabs, &Dab::y, box.top, box.bottom);
    mask = rasterise(dabs);
    const Bounds b = boundsOf(mask);
    if (b.left != box.left || b.right != box.right || b.top != box.top || b.bottom != box.bottom) {
        std::fprintf(stderr, "numeral %d landed on %d..%d x %d..%d\n", number, b.left, b.right,
                     b.top, b.bottom);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Files

class Bytes {
public:
    void u8(unsigned v) { m_data.push_back(std::uint8_t(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const char* s) {
        while (*s)
            u8(std::uint8_t(*s++));
    }
    size_t size() const { return m_data.size(); }
    bool save(const std::string& path) const {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        const bool ok = std::fwrite(m_data.data(), 1, m_data.size(), f) == m_data.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    std::vector<std::uint8_t> m_data;
};

struct Rgb {
    std::uint8_t r, g, b;
};

// A number card: white margin, grey frame of two lines, pale face, the figure in dark navy.
bool writeCard(const std::string& path, const Mask& mask) {
    constexpr Rgb white{0xFF, 0xFF, 0xFF}, midGrey{0x80, 0x80, 0x80}, lightGrey{0xC0, 0xC0, 0xC0},
        face{0xE6, 0xE6, 0xE6}, navy{0x00, 0x00, 0x33};
    constexpr int rowBytes = kSide * 3;
    constexpr std::uint32_t pixelBytes = rowBytes * kSide;
    Bytes out;
    out.text("BM");
    out.u32(14 + 40 + pixelBytes + 2);
    out.u32(0);
    out.u32(54);
    out.u32(40);
    out.u32(kSide);
    out.u32(kSide);  // positive height: rows bottom-up
    out.u16(1);
    out.u16(24);
    out.u32(0);  // no compression
    out.u32(0);  // image size left to the reader
    out.u32(2834);
    out.u32(2834);
    out.u32(0);
    out.u32(0);
    for (int y = kSide - 1; y >= 0; --y) {
        for (int x = 0; x < kSide; ++x) {
            const int ring = std::min({x, y, kSide - 1 - x, kSide - 1 - y});
            Rgb c = ring < 2 ? white : ring == 2 ? midGrey : ring == 3 ? lightGrey : face;
            if (mask[y * kSide + x])
                c = navy;
            out.u8(c.b);
            out.u8(c.g);
            out.u8(c.r);
        }
    }
    out.u16(0);
    return out.save(path);
}

// Colour indices of the numeral pictures.
enum : GifPixelType { kWhite = 0, kSeeThrough = 1, kNavy = 2 };

// How far in from the figure's edge the navy outline reaches, in pixels.
constexpr double kOutline = 3.6;

// The figure as a white stroke with a navy edge; around it and through its holes the character
// underneath shows.
std::vector<GifPixelType> outlined(const Mask& mask) {
    const int reach = int(std::ceil(kOutline));
    auto inked = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kSide && y < kSide && mask[y * kSide + x];
    };
    std::vector<GifPixelType> pixels(kSide * kSide, kSeeThrough);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (!inked(x, y))
                continue;
            bool edge = false;
            for (int dy = -reach; dy <= reach && !edge; ++dy) {
                for (int dx = -reach; dx <= reach && !edge; ++dx) {
                    edge = dx * dx + dy * dy <= kOutline * kOutline && !inked(x + dx, y + dy);
                }
            }
            pixels[y * kSide + x] = edge ? kNavy : kWhite;
        }
    }
    return pixels;
}

// giflib hands its output here, so the file is written like every other picture.
int appendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    Bytes* out = static_cast<Bytes*>(gif->UserData);
    for (int i = 0; i < length; ++i)
        out->u8(data[i]);
    return length;
}

bool writeNumeral(const std::string& path, int number, const Mask& mask) {
    // Entry 1 is the see-through index, so its grey never shows; it is lighter in the first two
    // pictures.
    const GifByteType grey = number <= 2 ? 0x33 : 0x21;
    GifColorType colours[4] = {
        {0xFF, 0xFF, 0xFF}, {grey, grey, grey}, {0x00, 0x00, 0x33}, {0, 0, 0}};
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    if (!gif)
        return false;
    ColorMapObject* map = GifMakeMapObject(4, colours);
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 20;
    gcb.TransparentColor = kSeeThrough;
    GifByteType extension[4];
    EGifGCBToExtension(&gcb, extension);
    std::vector<GifPixelType> pixels = outlined(mask);

    EGifSetGifVersion(gif, true);
    bool ok = map && EGifPutScreenDesc(gif, kSide, kSide, 8, kWhite, map) == GIF_OK &&
              EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, kSide, kSide, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < kSide; ++y) {
        ok = EGifPutLine(gif, pixels.data() + y * kSide, kSide) == GIF_OK;
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok && out.save(path);
}

// A 32 x 32 icon file holding one image: palette, pixels and AND mask (1 = see-through), both
// stored bottom-up.
bool writeIcon(const std::string& path, int bitsPerPixel, const std::vector<Rgb>& palette,
               const std::array<std::array<std::uint8_t, 32>, 32>& pixels,
               const std::array<std::array<bool, 32>, 32>& seeThrough) {
    constexpr int side = 32;
    const std::uint32_t colours = 1u << bitsPerPixel;
    const std::uint32_t pixelRow = ((side * bitsPerPixel + 31) / 32) * 4;
    const std::uint32_t maskRow = ((side + 31) / 32) * 4;
    const std::uint32_t imageBytes = 40 + colours * 4 + (pixelRow + maskRow) * side;

    Bytes out;
    out.u16(0);
    out.u16(1);  // icon
    out.u16(1);  // one image
    out.u8(side);
    out.u8(side);
    out.u8(colours >= 256 ? 0 : colours);
    out.u8(0);
    out.u16(1);
    out.u16(bitsPerPixel);
    out.u32(imageBytes);
    out.u32(6 + 16);

    out.u32(40);
    out.u32(side);
    out.u32(side * 2);  // the pixels and the mask stacked
    out.u16(1);
    out.u16(bitsPerPixel);
    out.u32(0);
    out.u32((pixelRow + maskRow) * side);
    out.u32(0);
    out.u32(0);
    out.u32(0);
    out.u32(0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    for (int y = side - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(pixelRow, 0);
        for (int x = 0; x < side; ++x) {
            const int bit = x * bitsPerPixel;
            row[bit / 8] |= std::uint8_t(pixels[y][x] << (8 - bitsPerPixel - bit % 8));
        }
        for (std::uint8_t b : row)
            out.u8(b);
    }
    for (int y = side - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (int x = 0; x < side; ++x) {
            if (seeThrough[y][x])
                row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
        for (std::uint8_t b : row)
            out.u8(b);
    }
    return out.save(path);
}

// The game's icon: a white card with a violet border, four red fruits and the digits 1 to 4.
bool writeGameIcon(const std::string& path) {
    enum : std::uint8_t { kBlack, kPaper, kVioletDark, kVioletLight, kRed, kGreen };
    const std::vector<Rgb> palette = {{0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF}, {0x8F, 0x6B, 0xFF},
                                      {0xAB, 0x8E, 0xFF}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}};
    static const char* const fruit[] = {
        "...gg",  // stalk and leaf
        "..g..",  //
        ".rrr.",  //
        "rrwrr",  // a glint of light
        "rrrrr",  //
        "rrrrr",  //
        ".rrr.",
    };
    static const char* const digits[4][7] = {
        {"..k..", ".kk..", "k.k..", "..k..", "..k..", "..k..", "kkkkk"},
        {".kkk.", "k...k", "....k", "...k.", "..k..", ".k...", "kkkkk"},
        {"kkkk.", "....k", "....k", ".kkk.", "....k", "....k", "kkkk."},
        {"...k.", "..kk.", ".k.k.", "k..k.", "kkkkk", "...k.", "...k."},
    };
    std::array<std::array<std::uint8_t, 32>, 32> pixels{};
    std::array<std::array<bool, 32>, 32> seeThrough{};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            // Rounded corners: the corner pixels lie outside the card.
            const int cx = std::min(x, 31 - x), cy = std::min(y, 31 - y);
            const bool outside = cx + cy < 2;
            const int ring = std::min(cx, cy) + (cx + cy == 2 && cx == 1 ? -1 : 0);
            seeThrough[y][x] = outside;
            pixels[y][x] = outside     ? kBlack
                           : ring == 0 ? kVioletDark
                           : ring == 1 ? kVioletLight
                                       : kPaper;
        }
    }
    auto stamp = [&](const char* const* rows, int count, int left, int top) {
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < 5; ++c) {
                const char ch = rows[r][c];
                std::uint8_t& px = pixels[top + r][left + c];
                if (ch == 'r')
                    px = kRed;
                if (ch == 'g')
                    px = kGreen;
                if (ch == 'w')
                    px = kPaper;
                if (ch == 'k')
                    px = kBlack;
            }
        }
    };
    for (int i = 0; i < 4; ++i) {
        const int left = 3 + 7 * i;
        stamp(fruit, 7, left, 7);
        stamp(digits[i], 7, left, 18);
    }
    return writeIcon(path, 8, palette, pixels, seeThrough);
}

// The invisible pointer: every pixel see-through.
bool writeClearIcon(const std::string& path) {
    std::array<std::array<std::uint8_t, 32>, 32> pixels{};
    std::array<std::array<bool, 32>, 32> seeThrough{};
    for (auto& row : seeThrough)
        row.fill(true);
    return writeIcon(path, 1, {{0, 0, 0}, {0xFF, 0xFF, 0xFF}}, pixels, seeThrough);
}

// ---------------------------------------------------------------------------------------------
// The desktop's icons: the game's icon drawn again in shapes on the same 32 x 32 grid as its
// pixels above (the card with its two violet rings, four red fruits, the digits 1 to 4), so that
// it stays sharp at any size. One list of shapes gives both the scalable SVG and the PNG sizes.

// A shape of the icon, in grid units (the small icon's pixels), painted in list order.
struct Shape {
    enum Kind { RoundRect, Ellipse, Stroke } kind;
    Rgb colour;
    // RoundRect: left, top, right, bottom, corner radius. Ellipse: centre x and y, radii x and y.
    // Stroke: its width, round at the ends and the joints.
    std::array<double, 5> v;
    // A stroke's centre line, as in SVG paths: 'M' moves to a point, 'L' draws a line to it,
    // 'C' a cubic curve through two control points to the third.
    std::vector<std::pair<char, std::vector<Point>>> path;
};
using ShapePath = std::vector<std::pair<char, std::vector<Point>>>;

std::vector<Shape> iconShapes() {
    constexpr Rgb black{0x00, 0x00, 0x00}, paper{0xFF, 0xFF, 0xFF}, violetDark{0x8F, 0x6B, 0xFF},
        violetLight{0xAB, 0x8E, 0xFF}, red{0xFF, 0x00, 0x00}, green{0x00, 0xB0, 0x00};
    std::vector<Shape> shapes = {
        {Shape::RoundRect, violetDark, {0, 0, 32, 32, 2.5}, {}},
        {Shape::RoundRect, violetLight, {1, 1, 31, 31, 1.6}, {}},
        {Shape::RoundRect, paper, {2, 2, 30, 30, 0.8}, {}},
    };
    // Each digit's centre line in its 5 x 7 cell, through the middles of the small icon's pixels
    // (column, row).
    const std::array<ShapePath, 4> digits = {{
        {{'M', {{0, 2}}}, {'L', {{2, 0}}}, {'L', {{2, 6}}}, {'M', {{0, 6}}}, {'L', {{4, 6}}}},
        {{'M', {{0, 1.2}}},
         {'C', {{0.4, -0.3}, {3.6, -0.3}, {4, 1.2}}},
         {'C', {{4.2, 2.2}, {2, 4}, {0, 6}}},
         {'L', {{4, 6}}}},
        {{'M', {{0, 0}}},
         {'L', {{2.6, 0}}},
         {'C', {{4.4, 0}, {4.4, 3}, {2.6, 3}}},
         {'L', {{1.2, 3}}},
         {'M', {{2.6, 3}}},
         {'C', {{4.4, 3}, {4.4, 6}, {2.6, 6}}},
         {'L', {{0, 6}}}},
        {{'M', {{3, 6}}}, {'L', {{3, 0}}}, {'L', {{0, 4}}}, {'L', {{4, 4}}}},
    }};
    for (int i = 0; i < 4; ++i) {
        // The fruit in rows 7 to 13 (stalk and leaf, the red body, a glint of light), the digit
        // in rows 18 to 24, as in the small icon.
        const double x = 3 + 7 * i, y = 7;
        shapes.push_back({Shape::Stroke,
                          green,
                          {0.75, 0, 0, 0, 0},
                          {{'M', {{x + 2.5, y + 2.4}}},
                           {'C', {{x + 2.5, y + 1.5}, {x + 2.8, y + 1}, {x + 3.5, y + 0.6}}}}});
        shapes.push_back({Shape::Ellipse, green, {x + 4.1, y + 0.6, 1, 0.5, 0}, {}});
        shapes.push_back({Shape::Ellipse, red, {x + 2.5, y + 4.6, 2.5, 2.45, 0}, {}});
        shapes.push_back({Shape::Ellipse, paper, {x + 1.9, y + 3.6, 0.6, 0.6, 0}, {}});
        ShapePath digit = digits[i];
        for (auto& step : digit) {
            for (Point& p : step.second)
                p = {x + p.x + 0.5, 18 + p.y + 0.5};
        }
        shapes.push_back({Shape::Stroke, black, {1.05, 0, 0, 0, 0}, digit});
    }
    return shapes;
}

// A stroke's centre line as short segments (curves cut into 32 pieces).
std::vector<std::pair<Point, Point>> segmentsOf(const ShapePath& path) {
    std::vector<std::pair<Point, Point>> segments;
    Point at{0, 0};
    for (const auto& [command, p] : path) {
        if (command == 'M') {
            at = p[0];
        } else if (command == 'L') {
            segments.push_back({at, p[0]});
            at = p[0];
        } else {
            for (int i = 1; i <= 32; ++i) {
                const double t = i / 32.0, u = 1 - t;
                const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
                const Point next{b0 * at.x + b1 * p[0].x + b2 * p[1].x + b3 * p[2].x,
                                 b0 * at.y + b1 * p[0].y + b2 * p[1].y + b3 * p[2].y};
                segments.push_back({at, next});
                at = next;
            }
            at = p[2];
        }
    }
    return segments;
}

bool covers(const Shape& shape, const std::vector<std::pair<Point, Point>>& segments, double x,
            double y) {
    const auto& v = shape.v;
    switch (shape.kind) {
        case Shape::RoundRect: {
            // Distance outside the rectangle shrunk by the radius.
            const double dx = std::max({v[0] + v[4] - x, x - (v[2] - v[4]), 0.0});
            const double dy = std::max({v[1] + v[4] - y, y - (v[3] - v[4]), 0.0});
            return x >= v[0] && x <= v[2] && y >= v[1] && y <= v[3] &&
                   dx * dx + dy * dy <= v[4] * v[4];
        }
        case Shape::Ellipse: {
            const double ex = (x - v[0]) / v[2], ey = (y - v[1]) / v[3];
            return ex * ex + ey * ey <= 1;
        }
        case Shape::Stroke:
            for (const auto& [a, b] : segments) {
                const double lx = b.x - a.x, ly = b.y - a.y;
                const double length2 = lx * lx + ly * ly;
                const double t =
                    length2 > 0 ? std::clamp(((x - a.x) * lx + (y - a.y) * ly) / length2, 0.0, 1.0)
                                : 0.0;
                const double px = a.x + t * lx - x, py = a.y + t * ly - y;
                if (px * px + py * py <= v[0] * v[0] / 4)
                    return true;
            }
            return false;
    }
    return false;
}

// The icon at `side` x `side` pixels, RGBA rows, each pixel the mean of 8 x 8 samples.
std::vector<std::uint8_t> drawIcon(const std::vector<Shape>& shapes, int side) {
    // Each shape's centre line and the box it stays in (only samples inside are tried).
    std::vector<std::vector<std::pair<Point, Point>>> segments;
    std::vector<std::array<double, 4>> boxes;
    for (const Shape& shape : shapes) {
        segments.push_back(segmentsOf(shape.path));
        const auto& v = shape.v;
        if (shape.kind == Shape::RoundRect) {
            boxes.push_back({v[0], v[1], v[2], v[3]});
        } else if (shape.kind == Shape::Ellipse) {
            boxes.push_back({v[0] - v[2], v[1] - v[3], v[0] + v[2], v[1] + v[3]});
        } else {
            std::array<double, 4> box{32, 32, 0, 0};
            for (const auto& [a, b] : segments.back()) {
                box = {std::min({box[0], a.x, b.x}), std::min({box[1], a.y, b.y}),
                       std::max({box[2], a.x, b.x}), std::max({box[3], a.y, b.y})};
            }
            boxes.push_back({box[0] - v[0], box[1] - v[0], box[2] + v[0], box[3] + v[0]});
        }
    }
    constexpr int samples = 8;
    std::vector<std::uint8_t> rgba(size_t(side) * side * 4);
    for (int py = 0; py < side; ++py) {
        for (int px = 0; px < side; ++px) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = (px + (sx + 0.5) / samples) * 32 / side;
                    const double y = (py + (sy + 0.5) / samples) * 32 / side;
                    for (size_t s = shapes.size(); s-- > 0;) {
                        const auto& box = boxes[s];
                        if (x >= box[0] && x <= box[2] && y >= box[1] && y <= box[3] &&
                            covers(shapes[s], segments[s], x, y)) {
                            r += shapes[s].colour.r;
                            g += shapes[s].colour.g;
                            b += shapes[s].colour.b;
                            a += 1;
                            break;
                        }
                    }
                }
            }
            std::uint8_t* out = &rgba[(size_t(py) * side + px) * 4];
            // Colours are the same under every sample that has one, so the mean of those is the
            // colour, and the share of covered samples the opacity.
            out[0] = std::uint8_t(a > 0 ? std::lround(r / a) : 0);
            out[1] = std::uint8_t(a > 0 ? std::lround(g / a) : 0);
            out[2] = std::uint8_t(a > 0 ? std::lround(b / a) : 0);
            out[3] = std::uint8_t(std::lround(255 * a / (samples * samples)));
        }
    }
    return rgba;
}

// A PNG file of RGBA rows: no filter, compressed by zlib at its highest level.
bool writePng(const std::string& path, int side, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&file](const char* type, const std::vector<std::uint8_t>& data) {
        auto u32 = [&file](std::uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8)
                file.push_back(std::uint8_t(v >> shift));
        };
        u32(std::uint32_t(data.size()));
        const size_t typeAt = file.size();
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), data.begin(), data.end());
        u32(std::uint32_t(crc32(0, file.data() + typeAt, uInt(file.size() - typeAt))));
    };
    const auto s = std::uint8_t(side >> 8), t = std::uint8_t(side & 0xFF);
    chunk("IHDR", {0, 0, s, t, 0, 0, s, t, 8, 6, 0, 0, 0});  // 8 bits, RGBA, not interlaced
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < side; ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), rgba.begin() + size_t(y) * side * 4,
                    rgba.begin() + size_t(y + 1) * side * 4);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), 9) != Z_OK)
        return false;
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    Bytes out;
    for (std::uint8_t byte : file)
        out.u8(byte);
    return out.save(path);
}

std::string svgNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string number = text;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.')
        number.pop_back();
    return number == "-0" ? "0" : number;
}

bool writeSvg(const std::string& path, const std::vector<Shape>& shapes) {
    auto colour = [](Rgb c) {
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
        return std::string(text);
    };
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
        "viewBox=\"0 0 32 32\">\n";
    for (const Shape& shape : shapes) {
        const auto& v = shape.v;
        if (shape.kind == Shape::RoundRect) {
            svg += "  <rect x=\"" + svgNumber(v[0]) + "\" y=\"" + svgNumber(v[1]) + "\" width=\"" +
                   svgNumber(v[2] - v[0]) + "\" height=\"" + svgNumber(v[3] - v[1]) + "\" rx=\"" +
                   svgNumber(v[4]) + "\" fill=\"" + colour(shape.colour) + "\"/>\n";
        } else if (shape.kind == Shape::Ellipse) {
            svg += "  <ellipse cx=\"" + svgNumber(v[0]) + "\" cy=\"" + svgNumber(v[1]) +
                   "\" rx=\"" + svgNumber(v[2]) + "\" ry=\"" + svgNumber(v[3]) + "\" fill=\"" +
                   colour(shape.colour) + "\"/>\n";
        } else {
            std::string d;
            for (const auto& [command, points] : shape.path) {
                d += (d.empty() ? "" : " ") + std::string(1, command);
                for (const Point& p : points)
                    d += " " + svgNumber(p.x) + " " + svgNumber(p.y);
            }
            svg += "  <path d=\"" + d + "\" fill=\"none\" stroke=\"" + colour(shape.colour) +
                   "\" stroke-width=\"" + svgNumber(v[0]) +
                   "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
        }
    }
    svg += "</svg>\n";
    Bytes out;
    out.text(svg.c_str());
    return out.save(path);
}

// The desktop's icons into `dir`: kazoemashou.svg and kazoemashou-<side>.png.
bool writeDesktopIcons(const std::string& dir) {
    const std::vector<Shape> shapes = iconShapes();
    if (!writeSvg(dir + "kazoemashou.svg", shapes))
        return false;
    for (int side : {48, 64, 128, 256}) {
        if (!writePng(dir + "kazoemashou-" + std::to_string(side) + ".png", side,
                      drawIcon(shapes, side))) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: make_artwork <outdir> <clear-ico-path> [<desktop-icons-dir>]\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    for (int n = 1; n <= 10; ++n) {
        Mask mask;
        if (!figure(n, mask))
            return 1;
        const std::string number = std::to_string(n);
        if (!writeCard(dir + "card" + number + ".bmp", mask) ||
            !writeNumeral(dir + "numeral" + number + ".gif", n, mask)) {
            std::fprintf(stderr, "cannot write the pictures of %d into %s\n", n, argv[1]);
            return 1;
        }
    }
    if (!writeGameIcon(dir + "kazoemashou.ico") || !writeClearIcon(argv[2])) {
        std::fprintf(stderr, "cannot write the icons\n");
        return 1;
    }
    if (argc == 4 && !writeDesktopIcons(std::string(argv[3]) + "/")) {
        std::fprintf(stderr, "cannot write the desktop's icons into %s\n", argv[3]);
        return 1;
    }
    return 0;
}
