#include "svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace demo {
namespace {

constexpr double kWidth = 900, kHeight = 560;
constexpr double kLeft = 90, kRight = 30, kTop = 50, kBottom = 70;

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

struct Axis {
  double lo, hi;
  bool log;
  double map(double v, double from, double to) const {
    const double a = log ? std::log10(lo) : lo, b = log ? std::log10(hi) : hi;
    const double t = ((log ? std::log10(v) : v) - a) / (b - a);
    return from + t * (to - from);
  }
  // Ticks at 1-2-5 steps (linear) or at decades and their 2 and 5 (log).
  std::vector<double> ticks() const {
    std::vector<double> out;
    if (log) {
      for (double decade = std::pow(10.0, std::floor(std::log10(lo))); decade <= hi; decade *= 10)
        for (double m : {1.0, 2.0, 5.0})
          if (decade * m >= lo && decade * m <= hi) out.push_back(decade * m);
      return out;
    }
    const double raw = (hi - lo) / 8;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double m : {1.0, 2.0, 5.0, 10.0})
      if (raw <= m * magnitude) {
        step = m * magnitude;
        break;
      }
    for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) out.push_back(v);
    return out;
  }
};

Axis axisOf(const Chart& chart, bool xAxis) {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  const bool log = xAxis ? chart.logX : chart.logY;
  for (const auto& s : chart.series)
    for (double v : xAxis ? s.x : s.y)
      if (std::isfinite(v) && (!log || v > 0)) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
  if (!(lo < hi)) {
    lo = log ? 1 : 0;
    hi = log ? 10 : 1;
  }
  if (!log) {
    const double pad = (hi - lo) * 0.03;
    lo -= pad;
    hi += pad;
  }
  return {lo, hi, log};
}

}  // namespace

bool writeSvg(const Chart& chart, const std::string& path) {
  const Axis ax = axisOf(chart, true), ay = axisOf(chart, false);
  const double x0 = kLeft, x1 = kWidth - kRight, y0 = kHeight - kBottom, y1 = kTop;
  std::ostringstream svg;
  svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << kWidth << "' height='" << kHeight
      << "' font-family='sans-serif' font-size='13'>\n<rect width='100%' height='100%' fill='white'/>\n";
  svg << "<text x='" << kWidth / 2 << "' y='28' text-anchor='middle' font-size='17'>" << escape(chart.title)
      << "</text>\n";
  for (double t : ax.ticks()) {
    const double px = ax.map(t, x0, x1);
    svg << "<line x1='" << px << "' y1='" << y0 << "' x2='" << px << "' y2='" << y1 << "' stroke='#e4e4e4'/>"
        << "<text x='" << px << "' y='" << y0 + 18 << "' text-anchor='middle'>" << number(t) << "</text>\n";
  }
  for (double t : ay.ticks()) {
    const double py = ay.map(t, y0, y1);
    svg << "<line x1='" << x0 << "' y1='" << py << "' x2='" << x1 << "' y2='" << py << "' stroke='#e4e4e4'/>"
        << "<text x='" << x0 - 8 << "' y='" << py + 4 << "' text-anchor='end'>" << number(t) << "</text>\n";
  }
  svg << "<rect x='" << x0 << "' y='" << y1 << "' width='" << x1 - x0 << "' height='" << y0 - y1
      << "' fill='none' stroke='black'/>\n";
  svg << "<text x='" << (x0 + x1) / 2 << "' y='" << kHeight - 22 << "' text-anchor='middle'>"
      << escape(chart.xLabel) << "</text>\n";
  svg << "<text transform='translate(22," << (y0 + y1) / 2 << ") rotate(-90)' text-anchor='middle'>"
      << escape(chart.yLabel) << "</text>\n";
  double legendY = y1 + 18;
  for (const auto& s : chart.series) {
    svg << "<polyline fill='none' stroke-width='1.4' stroke='" << s.color << "' points='";
    for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
      if ((ax.log && s.x[i] <= 0) || (ay.log && s.y[i] <= 0)) continue;
      svg << ax.map(s.x[i], x0, x1) << ',' << ay.map(s.y[i], y0, y1) << ' ';
    }
    svg << "'/>\n<text x='" << x1 - 10 << "' y='" << legendY << "' text-anchor='end' fill='" << s.color << "'>"
        << escape(s.label) << "</text>\n";
    legendY += 18;
  }
  svg << "</svg>\n";
  std::ofstream file(path);
  file << svg.str();
  return bool(file);
}

bool writeSvg(const PixelPlot& plot, const std::string& path) {
  const int margin = 40;
  std::ostringstream svg;
  svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << plot.width + 2 * margin << "' height='"
      << plot.height + 2 * margin << "' font-family='sans-serif' font-size='13'>\n"
      << "<rect width='100%' height='100%' fill='white'/>\n"
      << "<text x='" << margin << "' y='26' font-size='16'>" << escape(plot.title) << "</text>\n"
      << "<rect x='" << margin << "' y='" << margin << "' width='" << plot.width << "' height='" << plot.height
      << "' fill='none' stroke='black'/>\n";
  for (std::size_t c = 0; c < plot.curves.size(); ++c) {
    const auto& [xs, ys] = plot.curves[c];
    svg << "<polyline fill='none' stroke-width='1.2' stroke='" << plot.colors[c % plot.colors.size()]
        << "' points='";
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) svg << margin + xs[i] << ',' << margin + ys[i] << ' ';
    svg << "'/>\n";
    if (c < plot.labels.size())
      svg << "<text x='" << margin + plot.width - 8 << "' y='" << margin + 18 + 18 * c << "' text-anchor='end' fill='"
          << plot.colors[c % plot.colors.size()] << "'>" << escape(plot.labels[c]) << "</text>\n";
  }
  svg << "</svg>\n";
  std::ofstream file(path);
  file << svg.str();
  return bool(file);
}

}  // namespace demo
