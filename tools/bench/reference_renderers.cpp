// The same discs drawn by Cairo, FreeType's anti-aliased rasteriser and AGG, for the frame benchmark.
// Their pixel centres lie at half-integer positions, ours at integers, hence the 0.5 shifts.
#include <cmath>

#include "raster/blend.h"
#include "tools/bench/bench_discs.h"

#if HAVE_CAIRO
#include <cairo.h>
#endif
#if HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#endif
#if HAVE_AGG
#include <agg_ellipse.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>
#endif

namespace {
[[maybe_unused]] double Channel(uint32_t colour, int shift) { return ((colour >> shift) & 255) / 255.0; }
}  // namespace

bool DrawWithCairo([[maybe_unused]] uint32_t* pixels, [[maybe_unused]] int32_t width, [[maybe_unused]] int32_t height,
                   [[maybe_unused]] const std::vector<BenchDisc>& discs) {
#if HAVE_CAIRO
    cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels),
                                                                   CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cairo_t* cr = cairo_create(surface);
    for (const BenchDisc& d : discs) {
        cairo_set_source_rgb(cr, Channel(d.colour, 16), Channel(d.colour, 8), Channel(d.colour, 0));
        cairo_arc(cr, d.x + 0.5, d.y + 0.5, d.radius, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return true;
#else
    return false;
#endif
}

#if HAVE_FREETYPE
namespace {
struct SpanTarget {
    uint32_t* pixels;
    int32_t width, height;
    uint32_t colour;
};

// Coverage spans straight into the pixels, with the same run operations our mode 1 uses.
void DrawFreeTypeSpans(int y, int count, const FT_Span* spans, void* user) {
    const auto* target = static_cast<const SpanTarget*>(user);
    uint32_t* row = target->pixels + static_cast<size_t>(target->height - 1 - y) * target->width;
    for (int i = 0; i < count; ++i) {
        const FT_Span& s = spans[i];
        if (s.coverage == 255) {
            FillRun(row + s.x, target->colour, s.len);
        } else {
            BlendRun(row + s.x, (target->colour & 0xffffffu) | (uint32_t{s.coverage} << 24), s.len);
        }
    }
}
}  // namespace
#endif

bool DrawWithFreeType([[maybe_unused]] uint32_t* pixels, [[maybe_unused]] int32_t width,
                      [[maybe_unused]] int32_t height, [[maybe_unused]] const std::vector<BenchDisc>& discs) {
#if HAVE_FREETYPE
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0) return false;
    // A circle as four cubic arcs, in 26.6 fixed point with y up.
    constexpr double kappa = 0.5522847498307936;
    const double unit[12][2] = {{1, 0},  {1, kappa},   {kappa, 1},   {0, 1},  {-kappa, 1}, {-1, kappa},
                                {-1, 0}, {-1, -kappa}, {-kappa, -1}, {0, -1}, {kappa, -1}, {1, -kappa}};
    FT_Vector points[12];
    char tags[12];
    short contourEnd = 11;
    for (int i = 0; i < 12; ++i) tags[i] = i % 3 == 0 ? FT_CURVE_TAG_ON : FT_CURVE_TAG_CUBIC;
    FT_Outline outline{};
    outline.n_contours = 1;
    outline.n_points = 12;
    outline.points = points;
    outline.tags = tags;
    outline.contours = &contourEnd;
    SpanTarget target{pixels, width, height, 0};
    FT_Raster_Params params{};
    params.source = &outline;
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = DrawFreeTypeSpans;
    params.user = &target;
    params.clip_box = {0, 0, width, height};
    for (const BenchDisc& d : discs) {
        const double cx = d.x + 0.5, cy = height - (d.y + 0.5);
        for (int i = 0; i < 12; ++i) {
            points[i].x = std::lround((cx + unit[i][0] * d.radius) * 64);
            points[i].y = std::lround((cy + unit[i][1] * d.radius) * 64);
        }
        target.colour = d.colour;
        FT_Outline_Render(library, &outline, &params);
    }
    return true;
#else
    return false;
#endif
}

bool DrawWithAgg([[maybe_unused]] uint32_t* pixels, [[maybe_unused]] int32_t width, [[maybe_unused]] int32_t height,
                 [[maybe_unused]] const std::vector<BenchDisc>& discs) {
#if HAVE_AGG
    agg::rendering_buffer buffer(reinterpret_cast<unsigned char*>(pixels), width, height, width * 4);
    agg::pixfmt_bgra32 format(buffer);
    agg::renderer_base<agg::pixfmt_bgra32> renderer(format);
    agg::rasterizer_scanline_aa<> rasteriser;
    agg::scanline_p8 scanline;
    for (const BenchDisc& d : discs) {
        agg::ellipse shape(d.x + 0.5, d.y + 0.5, d.radius, d.radius);
        rasteriser.reset();
        rasteriser.add_path(shape);
        const agg::rgba8 colour((d.colour >> 16) & 255, (d.colour >> 8) & 255, d.colour & 255, 255);
        agg::render_scanlines_aa_solid(rasteriser, scanline, renderer, colour);
    }
    return true;
#else
    return false;
#endif
}
