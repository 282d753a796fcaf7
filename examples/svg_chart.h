// A small SVG line-chart writer for the demo host's pictures: no
// dependencies, so the demo runs on a bare machine.
#pragma once

#include <string>
#include <vector>

namespace demo {

struct Series {
  std::string label;
  std::string color;
  std::vector<double> x, y;
};

struct Chart {
  std::string title;
  std::string xLabel;
  std::string yLabel;
  bool logX = false;
  bool logY = false;
  std::vector<Series> series;
};

// Writes the chart as an SVG file; returns false when the file cannot be
// written.
bool writeSvg(const Chart& chart, const std::string& path);

// Integer points already mapped to a pixel grid (y grows downwards), drawn as
// a polyline in a frame of that size.
struct PixelPlot {
  std::string title;
  int width = 0, height = 0;
  std::vector<std::pair<std::vector<int>, std::vector<int>>> curves;  // x, y
  std::vector<std::string> colors;
  std::vector<std::string> labels;
};
bool writeSvg(const PixelPlot& plot, const std::string& path);

}  // namespace demo
