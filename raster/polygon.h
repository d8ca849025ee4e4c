// Raster core, shapes: anti-aliased discs and rounded rectangles as polygons turned into exact-area
// coverage (1/256 pixel) by a cell rasteriser, even-odd, swept into coverage spans.
// The working state is the calling thread's own (raster/raster_thread.h) and reused.
//
// Any float is accepted. Outlines within 16384 columns of the view's column 0 (and 4 million pixels
// vertically) are rasterised exactly; beyond, lines are projected onto those columns, which keeps the
// coverage of what lies left of the view. NaN and infinities give a defined, clipped result.
#pragma once

#include <cstdint>

#include "raster/pixel.h"
#include "raster/raster_thread.h"

// Number of polygon vertices for a disc of radius r (a multiple of 4, 12..364).
int32_t VertexCountForRadius(float r);

// The most vertices a disc has.
constexpr int32_t kMaxDiscVertices = 364;

// The vertices of the disc centred at (cx, cy) with radius r, in outline order, into
// out[0..kMaxDiscVertices-1]; returns their number.
int32_t DiscOutlineVertices(float cx, float cy, float r, ShapeVertex* out);

// Fills the shape vertex list (raster/cells.h) with the outline of the disc centred at (cx, cy) with
// radius r; false, with nothing added, if the disc lies wholly outside the view.
bool BuildDiscOutline(float cx, float cy, float r);

// A filled disc centred at (cx, cy) with radius r; the low 4 bits of mode are the blend mode.
void DrawPolygonDisc(float cx, float cy, float r, uint32_t colour, BlendMode mode);

// A rectangle with corners rounded by 20 pixels, always in Multiply mode.
void FillRoundedRect(uint32_t colour, float x0, float y0, float x1, float y1);

// Initialises the rasteriser tables (start-up) and releases its working memory and the drawing
// helper (process exit).
void InitShapeRasteriser();
void ReleaseShapeRasteriser();
