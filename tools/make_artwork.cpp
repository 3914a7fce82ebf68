// Draws the pictures the game carries inside itself: the ten number cards (BMP), the ten numeral
// pictures laid over counted characters (GIF), the game's icon, and the invisible pointer.
//
//   make_artwork <outdir> <clear-ico-path>
//
// Everything is computed from the geometry below with plain arithmetic, so two runs give the same
// bytes. The numerals are one face: each figure is a set of pen strokes (a centre line swept by a
// round nib whose width swells a little along the stroke, like a felt-tip marker), turned into a
// 160 x 160 mask. The cards fill that mask; the numeral pictures outline it.

#include <gif_lib.h>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_artwork <outdir> <clear-ico-path>\n");
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
    return 0;
}
