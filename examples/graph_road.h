// The graph road of the demo host: curves drawn into a 32-bit ARGB pixel
// grid with the library's XY graph values, and cursors resolved to the
// nearest curve pixel by the library's cursor search. The pieces below are
// the host's drawing kit, shared with the road's end-to-end test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tqcalc.h"

namespace demo {

constexpr uint32_t kBackground = 0xFFFFFFFFu;
constexpr uint32_t kGrid = 0xFFE6E6E6u;
constexpr uint32_t kAxis = 0xFF404040u;

// Top-down rows, one ARGB word per pixel.
struct Canvas {
  int32_t width, height;
  std::vector<uint32_t> pixels;
  Canvas(int32_t w, int32_t h) : width(w), height(h), pixels(std::size_t(w) * h, kBackground) {}
  uint32_t at(int32_t x, int32_t y) const { return pixels[std::size_t(y) * width + x]; }
  void set(int32_t x, int32_t y, uint32_t argb) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[std::size_t(y) * width + x] = argb;
  }
};

struct PlotArea {
  int16_t left, top, right, bottom;
};

// Axes record with the plot rectangle set and linear x and y axes.
XYGraphParams linearAxes(PlotArea area, double xMin, double xMax, double yMin, double yMax);

// Converts n float samples to pixels by repeating the call as the library
// reports progress (four points or one per call).
void mapSeries(XYGraphParams axes, const float* y, uint32_t n, int32_t* xPixels, int32_t* yPixels);

// Joins consecutive points with lines, clipped to the plot rectangle.
void drawPolyline(Canvas& canvas, PlotArea clip, const int32_t* x, const int32_t* y, uint32_t n, uint32_t argb);

// Grid lines at the ticks, then frame and tick marks; the ticks go through
// the same mapping as the curves (x ticks read as an x array).
// Labels default to the tick values.
void drawAxes(Canvas& canvas, const XYGraphParams& axes, const std::vector<double>& xTicks,
              const std::vector<float>& yTicks, std::vector<std::string> xLabels = {},
              std::vector<std::string> yLabels = {});

struct CursorHit {
  bool found = false;
  uint32_t argb = 0;
  int32_t x = 0, y = 0;
  int32_t cursorX = 0, cursorY = 0;  // the cursor it was searched for
  double distance() const;
};

// The nearest pixel that is neither background, grid nor axis, searched in
// a window of +-radius around the cursor (clipped to the canvas).
CursorHit nearestCurvePixel(const Canvas& canvas, int32_t cursorX, int32_t cursorY, int32_t radius);

// PNG, 8-bit RGBA, zlib with stored blocks: no compression library needed.
bool writePng(const Canvas& canvas, const std::string& path);

}  // namespace demo
