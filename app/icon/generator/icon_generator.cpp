// paraboloid-icon: draws the program's icon, a small saddle, and writes it in
// the forms each platform wants.
//
//   paraboloid-icon ICO PNG CPP
//
// ICO: the Windows icon file behind resource 101, two 32x32 images (16
//      colours and 256 colours) with a transparency mask.
// PNG: the 256-colour image as 32x32 RGBA, for the desktop icon theme.
// CPP: the same RGBA pixels as a C++ table (app/icon/icon_pixels.h), which
//      the window system layer shows as the window icon.
//
// libimagequant picks the 256-colour palette and maps the pixels to both
// palettes; libpng writes the PNG. The output depends on nothing but this file
// and those two libraries, so every build with the same libraries produces the
// same bytes.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <libimagequant.h>
#include <png.h>

namespace {

constexpr int kSize = 32;
constexpr int kSuper = 4;  // samples per pixel side
constexpr int kFine = kSize * kSuper;

struct Rgb {
    int r, g, b;
};

struct Picture {
    std::array<float, kSize * kSize * 3> colour{};  // 0..255, not premultiplied
    std::array<float, kSize * kSize> coverage{};    // 0..1
};

struct PalettedImage {
    std::vector<Rgb> palette;
    std::array<std::uint8_t, kSize * kSize> index{};
    std::array<bool, kSize * kSize> opaque{};
};

using Bytes = std::vector<std::uint8_t>;

// ---- Drawing ------------------------------------------------------------------

struct Vec3 {
    float x, y, z;
};

float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Normalise(Vec3 v) {
    float length = std::sqrt(Dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

// Turns a model-space vector for the view: a quarter turn about the vertical
// axis, then tipped so that the viewer looks down on the saddle. The result
// has x right, y up and z towards the viewer.
Vec3 ToView(Vec3 v) {
    const float yaw = 0.20f, pitch = 0.45f;
    float x1 = v.x * std::cos(yaw) + v.z * std::sin(yaw);
    float z1 = -v.x * std::sin(yaw) + v.z * std::cos(yaw);
    float y2 = v.y * std::cos(pitch) - z1 * std::sin(pitch);
    float z2 = v.y * std::sin(pitch) + z1 * std::cos(pitch);
    return {x1, y2, z2};
}

// A point of y = x^2 - z^2 over [-1, 1]^2 in fine-grid coordinates (x right,
// y down, z towards the viewer).
Vec3 SurfacePoint(float x, float z) {
    Vec3 v = ToView({x, 0.8f * (x * x - z * z), z});
    const float scale = 0.40f * kFine;
    return {kFine / 2.0f + v.x * scale, kFine / 2.0f - v.y * scale, v.z};
}

// Lit colour of a facet from its upward normal in view space: warm where the
// upper side faces the viewer, cool where the lower side does, as the
// viewer's two materials are.
Rgb Shade(Vec3 up) {
    const Vec3 light = Normalise({-0.3f, 0.8f, 0.6f});
    bool upper = up.z >= 0.0f;
    Vec3 n = upper ? up : Vec3{-up.x, -up.y, -up.z};
    float diffuse = std::max(0.0f, Dot(n, light));
    float level = 0.35f + 0.65f * diffuse;
    Rgb base = upper ? Rgb{255, 200, 40} : Rgb{60, 110, 255};
    return {static_cast<int>(base.r * level), static_cast<int>(base.g * level),
            static_cast<int>(base.b * level)};
}

Picture DrawSaddle() {
    constexpr int kGrid = 12;
    std::vector<float> depth(kFine * kFine, -1e9f);
    std::vector<Rgb> fine(kFine * kFine, Rgb{0, 0, 0});
    std::vector<bool> covered(kFine * kFine, false);

    // Fills a triangle of grid cell (i, j); ua, ub and uc are the corners'
    // places in the cell (x and z from 0 to 1), used to draw every other grid
    // line darker, as the viewer's wireframe would show them.
    auto fill = [&](Vec3 a, Vec3 b, Vec3 c, Vec3 ua, Vec3 ub, Vec3 uc, int i, int j, Rgb colour) {
        float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (std::fabs(area) < 1e-6f) {
            return;
        }
        int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        int x1 = std::min(kFine - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        int y1 = std::min(kFine - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                float w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                float w2 = 1.0f - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) {
                    continue;
                }
                float z = w0 * a.z + w1 * b.z + w2 * c.z;
                int at = y * kFine + x;
                if (z > depth[at]) {
                    depth[at] = z;
                    float u = w0 * ua.x + w1 * ub.x + w2 * uc.x;
                    float v = w0 * ua.z + w1 * ub.z + w2 * uc.z;
                    const float line = 0.16f;
                    bool onLine = (i % 2 == 0 && u < line) || (i == kGrid - 1 && u > 1 - line) ||
                                  (j % 2 == 0 && v < line) || (j == kGrid - 1 && v > 1 - line);
                    fine[at] = onLine ? Rgb{colour.r / 2, colour.g / 2, colour.b / 2} : colour;
                    covered[at] = true;
                }
            }
        }
    };

    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            float x0 = -1.0f + 2.0f * i / kGrid, x1 = -1.0f + 2.0f * (i + 1) / kGrid;
            float z0 = -1.0f + 2.0f * j / kGrid, z1 = -1.0f + 2.0f * (j + 1) / kGrid;
            Vec3 p00 = SurfacePoint(x0, z0), p10 = SurfacePoint(x1, z0);
            Vec3 p01 = SurfacePoint(x0, z1), p11 = SurfacePoint(x1, z1);
            float cx = (x0 + x1) / 2, cz = (z0 + z1) / 2;
            Rgb colour = Shade(ToView(Normalise({-1.6f * cx, 1, 1.6f * cz})));
            const Vec3 u00{0, 0, 0}, u10{1, 0, 0}, u01{0, 0, 1}, u11{1, 0, 1};
            fill(p00, p10, p11, u00, u10, u11, i, j, colour);
            fill(p00, p11, p01, u00, u11, u01, i, j, colour);
        }
    }

    Picture picture;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float sum[3] = {0, 0, 0};
            int count = 0;
            for (int sy = 0; sy < kSuper; ++sy) {
                for (int sx = 0; sx < kSuper; ++sx) {
                    int at = (y * kSuper + sy) * kFine + x * kSuper + sx;
                    if (covered[at]) {
                        sum[0] += fine[at].r;
                        sum[1] += fine[at].g;
                        sum[2] += fine[at].b;
                        ++count;
                    }
                }
            }
            int at = y * kSize + x;
            picture.coverage[at] = count / float(kSuper * kSuper);
            for (int k = 0; k < 3; ++k) {
                picture.colour[at * 3 + k] = count ? sum[k] / count : 0.0f;
            }
        }
    }
    return picture;
}

// ---- Colour reduction ---------------------------------------------------------

// The sixteen colours of every Windows display.
const Rgb kSystemColours[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// Reduces the picture to at most `colours` colours with libimagequant, without
// dithering. The palette holds the `fixed` colours unchanged and as many more
// as libimagequant picks, then black up to `colours` entries. Pixels less than
// half covered are transparent and point at a black entry, so that the icon's
// mask leaves the background under them as it was.
bool Quantise(const Picture& picture, int colours, const std::vector<Rgb>& fixed,
              PalettedImage& image) {
    std::array<liq_color, kSize * kSize> input{};
    for (int at = 0; at < kSize * kSize; ++at) {
        image.opaque[at] = picture.coverage[at] >= 0.5f;
        if (image.opaque[at]) {
            auto channel = [&](int k) {
                float value = std::clamp(picture.colour[at * 3 + k], 0.0f, 255.0f);
                return static_cast<unsigned char>(std::lround(value));
            };
            input[at] = {channel(0), channel(1), channel(2), 255};
        }
    }
    liq_attr* attr = liq_attr_create();
    liq_image* liqImage =
        attr ? liq_image_create_rgba(attr, input.data(), kSize, kSize, 0) : nullptr;
    liq_result* result = nullptr;
    bool ok = attr && liqImage && liq_set_max_colors(attr, colours) == LIQ_OK &&
              liq_set_speed(attr, 1) == LIQ_OK;
    for (const Rgb& c : fixed) {
        liq_color colour{static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.g),
                         static_cast<unsigned char>(c.b), 255};
        ok = ok && liq_image_add_fixed_color(liqImage, colour) == LIQ_OK;
    }
    ok = ok && liq_image_quantize(liqImage, attr, &result) == LIQ_OK &&
         liq_set_dithering_level(result, 0.0f) == LIQ_OK &&
         liq_write_remapped_image(result, liqImage, image.index.data(), image.index.size()) ==
             LIQ_OK;
    if (ok) {
        // Transparent pixels take the entry libimagequant made for them (alpha
        // 0) or, when the palette is all fixed colours, the first black one.
        const liq_palette* palette = liq_get_palette(result);
        int transparent = -1;
        for (unsigned i = 0; i < palette->count; ++i) {
            const liq_color& c = palette->entries[i];
            image.palette.push_back(c.a == 255 ? Rgb{c.r, c.g, c.b} : Rgb{0, 0, 0});
            bool black = c.a != 255 || (c.r == 0 && c.g == 0 && c.b == 0);
            if (black && (transparent < 0 || c.a != 255)) {
                transparent = static_cast<int>(i);
            }
        }
        ok = transparent >= 0;
        for (int at = 0; at < kSize * kSize; ++at) {
            if (!image.opaque[at]) {
                image.index[at] = static_cast<std::uint8_t>(transparent);
            }
        }
        image.palette.resize(colours, Rgb{0, 0, 0});
    }
    if (result) {
        liq_result_destroy(result);
    }
    if (liqImage) {
        liq_image_destroy(liqImage);
    }
    if (attr) {
        liq_attr_destroy(attr);
    }
    if (!ok) {
        std::fprintf(stderr, "paraboloid-icon: libimagequant failed at %d colours\n", colours);
    }
    return ok;
}

// RGBA rows, top row first: the paletted image as every other platform shows it.
Bytes ToRgba(const PalettedImage& image) {
    Bytes rgba(kSize * kSize * 4);
    for (int at = 0; at < kSize * kSize; ++at) {
        const Rgb& c = image.palette[image.index[at]];
        bool opaque = image.opaque[at];
        rgba[at * 4] = static_cast<std::uint8_t>(opaque ? c.r : 0);
        rgba[at * 4 + 1] = static_cast<std::uint8_t>(opaque ? c.g : 0);
        rgba[at * 4 + 2] = static_cast<std::uint8_t>(opaque ? c.b : 0);
        rgba[at * 4 + 3] = opaque ? 255 : 0;
    }
    return rgba;
}

// ---- File formats ---------------------------------------------------------------

void Put16(Bytes& out, unsigned value) {
    out.push_back(value & 0xff);
    out.push_back((value >> 8) & 0xff);
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER, colour table, colour rows and mask rows,
// both bottom row first with rows padded to four bytes.
Bytes IconImage(const PalettedImage& image, int bitsPerPixel) {
    const int colours = 1 << bitsPerPixel;
    const int colourRow = (kSize * bitsPerPixel + 31) / 32 * 4;
    const int maskRow = (kSize + 31) / 32 * 4;
    Bytes out;
    Put32(out, 40);
    Put32(out, kSize);
    Put32(out, kSize * 2);  // colour and mask together
    Put16(out, 1);
    Put16(out, bitsPerPixel);
    Put32(out, 0);
    Put32(out, (colourRow + maskRow) * kSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        const Rgb& c = image.palette[i];
        out.insert(out.end(), {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                               static_cast<std::uint8_t>(c.r), 0});
    }
    for (int y = kSize - 1; y >= 0; --y) {
        Bytes row(colourRow, 0);
        for (int x = 0; x < kSize; ++x) {
            int value = image.index[y * kSize + x];
            if (bitsPerPixel == 8) {
                row[x] = static_cast<std::uint8_t>(value);
            } else {
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? value : value << 4);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = kSize - 1; y >= 0; --y) {
        Bytes row(maskRow, 0);
        for (int x = 0; x < kSize; ++x) {
            if (!image.opaque[y * kSize + x]) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes IcoFile(const PalettedImage& sixteen, const PalettedImage& full) {
    Bytes images[2] = {IconImage(sixteen, 4), IconImage(full, 8)};
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, 2);
    std::uint32_t offset = 6 + 16 * 2;
    for (int i = 0; i < 2; ++i) {
        out.push_back(kSize);
        out.push_back(kSize);
        out.push_back(i == 0 ? 16 : 0);  // 0 stands for 256 colours
        out.push_back(0);
        Put16(out, 1);
        Put16(out, i == 0 ? 4 : 8);
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

// An RGBA PNG, written by libpng.
bool WritePng(const char* path, const Bytes& rgba) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = kSize;
    png.height = kSize;
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path, 0, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path, png.message);
        return false;
    }
    return true;
}

std::string PixelTable(const Bytes& rgba) {
    std::string text =
        "// Generated by paraboloid-icon from app/icon/generator/icon_generator.cpp.\n"
        "#include \"app/icon/icon_pixels.h\"\n\n"
        "const std::uint8_t paraboloidIconRgba[kParaboloidIconSize * kParaboloidIconSize * 4] = "
        "{\n";
    for (size_t i = 0; i < rgba.size(); ++i) {
        text += (i % 16 == 0 ? "    " : " ") + std::to_string(rgba[i]) + ",";
        if (i % 16 == 15) {
            text += "\n";
        }
    }
    return text + "};\n";
}

bool WriteFile(const char* path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::perror(path);
        return false;
    }
    bool ok = std::fwrite(data, 1, size, file) == size;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::perror(path);
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ICO PNG CPP\n", argv[0]);
        return 2;
    }
    Picture picture = DrawSaddle();
    const std::vector<Rgb> system(std::begin(kSystemColours), std::end(kSystemColours));
    PalettedImage sixteen, full;
    if (!Quantise(picture, 16, system, sixteen) || !Quantise(picture, 256, {}, full)) {
        return 1;
    }

    Bytes ico = IcoFile(sixteen, full);
    Bytes rgba = ToRgba(full);
    std::string table = PixelTable(rgba);
    bool ok = WriteFile(argv[1], ico.data(), ico.size()) && WritePng(argv[2], rgba) &&
              WriteFile(argv[3], table.data(), table.size());
    return ok ? 0 : 1;
}
