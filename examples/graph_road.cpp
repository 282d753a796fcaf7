// Road 4: pictures drawn by the library. The combustion road's pressure
// curves and its p-V loop, and the spectrum of a sensor channel taken out of
// interleaved int16 recorder data, are mapped to pixels with the XY graph
// values and drawn into an ARGB grid; cursors placed on, between and beside
// the curves are resolved by the cursor search to the curve they point at.
#include "graph_road.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "checks.h"
#include "combustion_analysis.h"
#include "roads.h"

namespace demo {

// ---- drawing kit ----------------------------------------------------------

XYGraphParams linearAxes(PlotArea area, double xMin, double xMax, double yMin, double yMax) {
  XYGraphParams p{};
  p.left = area.left;
  p.top = area.top;
  p.right = area.right;
  p.bottom = area.bottom;
  p.xMin = xMin;
  p.xMax = xMax;
  p.yMin = yMin;
  p.yMax = yMax;
  p.yFactor = 1.0;
  p.xStep = 1.0;
  p.dbReference = 1.0;
  p.dbFactor = 1.0;
  return p;
}

void mapSeries(XYGraphParams p, const float* y, uint32_t n, int32_t* xPixels, int32_t* yPixels) {
  uint32_t done = 0;
  p.count = n;
  p.startIndex = 0;
  p.ySampleType = 5;  // float
  p.pointsDone = &done;
  while (p.count > 0) {
    p.yValues = y + p.startIndex;
    p.xPixels = xPixels + p.startIndex;
    p.yPixels = yPixels + p.startIndex;
    tqcalcGetXYValGraph2D(&p);
    p.startIndex += int32_t(done);  // xValues stays: it is indexed by startIndex
    p.count -= done;
  }
}

namespace {

PlotArea areaOf(const XYGraphParams& p) { return {p.left, p.top, p.right, p.bottom}; }

void line(Canvas& c, PlotArea clip, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t argb) {
  // Points the library clamped far outside would make long loops: pull them
  // in first (the clip below keeps the picture right).
  auto pull = [](int32_t v) { return std::clamp(v, -4096, 8192); };
  x0 = pull(x0), y0 = pull(y0), x1 = pull(x1), y1 = pull(y1);
  const int32_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int32_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int32_t err = dx + dy;
  for (;;) {
    if (x0 >= clip.left && x0 <= clip.right && y0 >= clip.top && y0 <= clip.bottom) c.set(x0, y0, argb);
    if (x0 == x1 && y0 == y1) break;
    const int32_t e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

}  // namespace

void drawPolyline(Canvas& canvas, PlotArea clip, const int32_t* x, const int32_t* y, uint32_t n, uint32_t argb) {
  if (n == 1) line(canvas, clip, x[0], y[0], x[0], y[0], argb);
  for (uint32_t i = 1; i < n; ++i) line(canvas, clip, x[i - 1], y[i - 1], x[i], y[i], argb);
}

namespace {

// Digits, minus and point in 3 x 5 cells, rows top down, drawn twice the size.
void text(Canvas& canvas, int32_t x, int32_t y, const std::string& s, uint32_t argb) {
  static const uint16_t digits[] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
  for (char ch : s) {
    const uint16_t glyph = ch >= '0' && ch <= '9' ? digits[ch - '0'] : ch == '-' ? 0x01C0 : ch == '.' ? 0x0002 : 0;
    for (int bit = 0; bit < 15; ++bit)
      if (glyph >> (14 - bit) & 1)
        for (int d = 0; d < 4; ++d) canvas.set(x + 2 * (bit % 3) + d % 2, y + 2 * (bit / 3) + d / 2, argb);
    x += 8;
  }
}

std::string label(double v) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

}  // namespace

void drawAxes(Canvas& canvas, const XYGraphParams& axes, const std::vector<double>& xTicks,
              const std::vector<float>& yTicks, std::vector<std::string> xLabels, std::vector<std::string> yLabels) {
  const PlotArea a = areaOf(axes);
  const std::size_t n = std::max(xTicks.size(), yTicks.size());
  std::vector<double> xs(xTicks);
  std::vector<float> ys(yTicks);
  xs.resize(n, xTicks.empty() ? 0.0 : xTicks.front());
  ys.resize(n, yTicks.empty() ? 0.0f : yTicks.front());
  std::vector<int32_t> px(n), py(n);
  XYGraphParams p = axes;
  p.xSourceMode = 1;
  p.xValues = xs.data();
  p.yFactor = 1.0;
  p.yOffset = 0.0;
  mapSeries(p, ys.data(), uint32_t(n), px.data(), py.data());
  for (std::size_t i = 0; i < xTicks.size(); ++i) {
    line(canvas, a, px[i], a.top, px[i], a.bottom, kGrid);
    line(canvas, {0, 0, 32767, 32767}, px[i], a.bottom, px[i], a.bottom + 5, kAxis);
    const std::string t = i < xLabels.size() ? xLabels[i] : label(xTicks[i]);
    text(canvas, px[i] - int32_t(t.size()) * 4 + 1, a.bottom + 9, t, kAxis);
  }
  for (std::size_t i = 0; i < yTicks.size(); ++i) {
    line(canvas, a, a.left, py[i], a.right, py[i], kGrid);
    line(canvas, {0, 0, 32767, 32767}, a.left - 5, py[i], a.left, py[i], kAxis);
    const std::string t = i < yLabels.size() ? yLabels[i] : label(yTicks[i]);
    text(canvas, a.left - 9 - int32_t(t.size()) * 8 + 2, py[i] - 4, t, kAxis);
  }
  const int32_t corners[5][2] = {{a.left, a.top}, {a.right, a.top}, {a.right, a.bottom}, {a.left, a.bottom},
                                 {a.left, a.top}};
  for (int i = 0; i < 4; ++i)
    line(canvas, {0, 0, 32767, 32767}, corners[i][0], corners[i][1], corners[i + 1][0], corners[i + 1][1], kAxis);
}

double CursorHit::distance() const { return std::hypot(double(x - cursorX), double(y - cursorY)); }

CursorHit nearestCurvePixel(const Canvas& canvas, int32_t cursorX, int32_t cursorY, int32_t radius) {
  const int32_t x0 = std::clamp(cursorX - radius, 0, canvas.width - 1);
  const int32_t y0 = std::clamp(cursorY - radius, 0, canvas.height - 1);
  const int32_t x1 = std::clamp(cursorX + radius, 0, canvas.width - 1);
  const int32_t y1 = std::clamp(cursorY + radius, 0, canvas.height - 1);
  static const uint32_t excluded[] = {kBackground, kGrid, kAxis};
  CursorHit hit;
  hit.cursorX = cursorX;
  hit.cursorY = cursorY;
  uint32_t value = 0;
  int32_t column = -1, row = -1;
  // Rows run downwards in memory: a negative pitch walks to higher addresses.
  tqcalcFindCursorXY(&canvas.pixels[std::size_t(y0) * canvas.width + x0], -4 * canvas.width, x1 - x0 + 1,
                     y1 - y0 + 1, cursorX - x0, cursorY - y0, &value, &column, &row, excluded, 3);
  if (column >= 0) {
    hit.found = true;
    hit.argb = value;
    hit.x = x0 + column;
    hit.y = y0 + row;
  }
  return hit;
}

namespace {

std::array<uint32_t, 256> crcTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  static const std::array<uint32_t, 256> table = crcTable();
  put32(png, uint32_t(data.size()));
  const std::size_t typeAt = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  uint32_t crc = 0xFFFFFFFFu;  // over type and data
  for (std::size_t i = typeAt; i < png.size(); ++i) crc = table[(crc ^ png[i]) & 0xFF] ^ (crc >> 8);
  put32(png, crc ^ 0xFFFFFFFFu);
}

}  // namespace

bool writePng(const Canvas& canvas, const std::string& path) {
  std::vector<uint8_t> raw;  // filter byte 0, then RGBA per pixel, per row
  raw.reserve(std::size_t(canvas.height) * (4 * canvas.width + 1));
  for (int32_t y = 0; y < canvas.height; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < canvas.width; ++x) {
      const uint32_t p = canvas.at(x, y);
      raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    }
  }
  std::vector<uint8_t> z{0x78, 0x01};
  for (std::size_t at = 0;;) {
    const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + len == raw.size();
    z.insert(z.end(), {uint8_t(last), uint8_t(len), uint8_t(len >> 8), uint8_t(~len), uint8_t(~len >> 8)});
    z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + len));
    at += len;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  put32(z, b << 16 | a);

  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, uint32_t(canvas.width));
  put32(header, uint32_t(canvas.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filter 0, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// ---- the road -----------------------------------------------------------------

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kCursorMark = 0xFFFF00FFu, kFoundMark = 0xFF00A000u;
constexpr PlotArea kArea{70, 30, 770, 450};

struct Curve {
  const char* name;
  uint32_t argb;
};

// Range of a few series, from the library's scan.
std::pair<float, float> rangeOf(std::initializer_list<const std::vector<float>*> series) {
  float low = 0, high = 0;
  bool first = true;
  for (const auto* s : series) {
    float mn, mx;
    tqcalcGetMinMax_float(s->data(), uint32_t(s->size()), &mn, &mx);
    low = first ? mn : std::min(low, mn);
    high = first ? mx : std::max(high, mx);
    first = false;
  }
  return {low, high};
}

void markCursor(Canvas& c, const CursorHit& h) {
  for (int d = -7; d <= 7; ++d)
    if (std::abs(d) > 2) c.set(h.cursorX + d, h.cursorY, kCursorMark), c.set(h.cursorX, h.cursorY + d, kCursorMark);
  if (!h.found) return;
  for (int d = -4; d <= 4; ++d) {
    c.set(h.x + d, h.y - 4, kFoundMark), c.set(h.x + d, h.y + 4, kFoundMark);
    c.set(h.x - 4, h.y + d, kFoundMark), c.set(h.x + 4, h.y + d, kFoundMark);
  }
}

const char* curveAt(const CursorHit& h, const std::vector<Curve>& curves) {
  for (const Curve& c : curves)
    if (h.found && h.argb == c.argb) return c.name;
  return "none";
}

void report(const char* where, const CursorHit& h, const std::vector<Curve>& curves) {
  std::printf("  cursor %-22s (%3d,%3d): nearest curve pixel (%3d,%3d), %5.1f px away, #%06X = %s\n", where,
              h.cursorX, h.cursorY, h.x, h.y, h.distance(), unsigned(h.argb & 0xFFFFFF), curveAt(h, curves));
}

// A two-channel recorder's int16 frames: a crank-angle ramp and a
// vibration sensor with a DC level, two tones and uniform noise.
struct Recorder {
  static constexpr uint32_t kFrames = 1024, kChannels = 2;
  static constexpr double kDc = 40, kTone1 = 1200, kTone2 = 300, kNoise = 20;
  static constexpr uint32_t kBin1 = 64, kBin2 = 150;
  std::vector<int16_t> interleaved;
};

Recorder record() {
  Recorder r;
  uint32_t state = 777;
  for (uint32_t i = 0; i < Recorder::kFrames; ++i) {
    state = state * 1664525u + 1013904223u;
    const double noise = (double(state >> 8) / double(1u << 24) * 2 - 1) * Recorder::kNoise;
    const double t = double(i) / Recorder::kFrames;
    const double v = Recorder::kDc + Recorder::kTone1 * std::sin(2 * kPi * Recorder::kBin1 * t) +
                     Recorder::kTone2 * std::cos(2 * kPi * Recorder::kBin2 * t) + noise;
    r.interleaved.push_back(int16_t(i % 720));
    r.interleaved.push_back(int16_t(std::lround(v)));
  }
  return r;
}

bool pressurePicture(const CombustionResult& r, const Acquisition& acq, const std::string& dir) {
  const std::vector<Curve> curves{{"last cycle", 0xFF9A9A9Au}, {"moving average", 0xFFD62728u},
                                  {"cumulative average", 0xFF1F77B4u}};
  const auto [low, high] = rangeOf({&r.lastCycle, &r.movingMean, &r.cumulativeMean});
  XYGraphParams axes = linearAxes(kArea, -360, 360, std::min(0.0f, std::floor(low / 10) * 10),
                                  std::ceil(high / 10) * 10);
  axes.xSourceMode = 2;  // crank angle = index * resolution - 360
  axes.xStep = acq.resolutionDeg;
  axes.xStart = -360;
  Canvas canvas(800, 480);
  std::vector<double> xTicks;
  std::vector<float> yTicks;
  for (int deg = -360; deg <= 360; deg += 90) xTicks.push_back(deg);
  for (double bar = axes.yMin; bar <= axes.yMax + 1e-9; bar += 10) yTicks.push_back(float(bar));
  drawAxes(canvas, axes, xTicks, yTicks);
  const auto n = uint32_t(r.lastCycle.size());
  std::vector<int32_t> x(n), y(n), peakX, peakY;
  const std::vector<float>* data[] = {&r.lastCycle, &r.movingMean, &r.cumulativeMean};
  for (int c = 0; c < 3; ++c) {
    mapSeries(axes, data[c]->data(), n, x.data(), y.data());
    drawPolyline(canvas, kArea, x.data(), y.data(), n, curves[c].argb);
  }
  // The cumulative average (drawn last, on top) at its peak.
  const auto peak = std::max_element(r.cumulativeMean.begin(), r.cumulativeMean.end()) - r.cumulativeMean.begin();
  const CursorHit on = nearestCurvePixel(canvas, x[peak], y[peak], 30);
  report("on a curve", on, curves);
  markCursor(canvas, on);
  bool ok = check(on.found && on.distance() == 0 && on.argb == curves[2].argb,
                  "cursor on the average's peak finds that pixel, in its colour");
  ok = check(*std::min_element(y.begin(), y.end()) == y[peak], "peak pressure drawn as the highest point") && ok;
  return check(writePng(canvas, dir + "/graph_pressure.png"), "graph_pressure.png written") && ok;
}

bool pvPicture(const CombustionResult& r, const EngineGeometry& engine, const Acquisition& acq,
               const std::string& dir) {
  const auto n = uint32_t(r.cumulativeMean.size());
  std::vector<float> volume(n);
  std::vector<double> volumeX(n);
  for (uint32_t i = 0; i < n; ++i) volumeX[i] = volume[i] = float(engine.volumeCm3(acq.crankDeg(i)));
  const auto [vLow, vHigh] = rangeOf({&volume});
  const auto [pLow, pHigh] = rangeOf({&r.cumulativeMean});
  XYGraphParams axes = linearAxes(kArea, 0, 1, 0, 1);
  axes.xSourceMode = 1;  // x from the volume array
  axes.xValues = volumeX.data();
  axes.xAxisMode = axes.yAxisMode = 1;
  axes.logXMin = std::floor(std::log10(vLow) * 10) / 10;
  axes.logXMax = std::ceil(std::log10(vHigh) * 10) / 10;
  axes.logYMin = std::floor(std::log10(std::max(pLow, 0.1f)) * 10) / 10;
  axes.logYMax = std::ceil(std::log10(pHigh) * 10) / 10;
  Canvas canvas(800, 480);
  std::vector<double> xTicks;
  std::vector<float> yTicks;
  for (double v : {50, 100, 200, 500})
    if (std::log10(v) >= axes.logXMin && std::log10(v) <= axes.logXMax) xTicks.push_back(v);
  for (float p : {1.0f, 2.0f, 5.0f, 10.0f, 20.0f, 50.0f, 100.0f})
    if (std::log10(p) >= axes.logYMin && std::log10(p) <= axes.logYMax) yTicks.push_back(p);
  drawAxes(canvas, axes, xTicks, yTicks);

  // Compression (-180..0 deg), expansion (0..180) and gas exchange apart.
  const std::vector<Curve> curves{{"gas exchange", 0xFF9A9A9Au}, {"compression", 0xFF1F77B4u},
                                  {"expansion", 0xFFD62728u}};
  std::vector<int32_t> x(n), y(n);
  mapSeries(axes, r.cumulativeMean.data(), n, x.data(), y.data());
  const auto at = [&](double deg) { return uint32_t(std::lround((deg + 360) / acq.resolutionDeg)); };
  drawPolyline(canvas, kArea, x.data(), y.data(), at(-180) + 1, curves[0].argb);
  drawPolyline(canvas, kArea, x.data() + at(180), y.data() + at(180), n - at(180), curves[0].argb);
  drawPolyline(canvas, kArea, x.data() + at(-180), y.data() + at(-180), at(0) - at(-180) + 1, curves[1].argb);
  drawPolyline(canvas, kArea, x.data() + at(0), y.data() + at(0), at(180) - at(0) + 1, curves[2].argb);

  // Between the branches at 90 deg before and after TDC (the same volume),
  // a third of the way from expansion to compression.
  const int32_t cx = x[at(90)], cy = y[at(90)] + (y[at(-90)] - y[at(90)]) / 3;
  const CursorHit between = nearestCurvePixel(canvas, cx, cy, 60);
  report("between curves", between, curves);
  markCursor(canvas, between);
  bool ok = check(between.argb == curves[2].argb && between.distance() <= (y[at(-90)] - y[at(90)]) / 3.0 + 1,
                  "cursor between the branches finds the nearer one, expansion");
  ok = check(y[at(90)] < y[at(-90)], "expansion above compression at equal volume") && ok;
  return check(writePng(canvas, dir + "/graph_pv_loglog.png"), "graph_pv_loglog.png written") && ok;
}

bool spectrumPicture(const std::string& dir) {
  // Channel 1 out of the interleaved frames, with its statistics on the way.
  const Recorder rec = record();
  std::vector<int16_t> channel(Recorder::kFrames);
  int16_t mn = 32767, mx = -32768;
  double sum = 0, squares = 0;
  tqcalcMoveAndGetMinMaxAveRMS_int16_t(channel.data(), rec.interleaved.data() + 1, Recorder::kFrames, &mn, &mx,
                                       &sum, &squares, 0.0f, int32_t(Recorder::kChannels));
  const double mean = sum / Recorder::kFrames, rms = std::sqrt(squares / Recorder::kFrames);
  std::printf("  vibration channel (int16, 2 interleaved): %u samples, min %d, max %d, mean %.2f, RMS %.2f counts\n",
              Recorder::kFrames, mn, mx, mean, rms);
  const double expectedRms = std::sqrt(Recorder::kDc * Recorder::kDc + Recorder::kTone1 * Recorder::kTone1 / 2 +
                                       Recorder::kTone2 * Recorder::kTone2 / 2 +
                                       Recorder::kNoise * Recorder::kNoise / 3);
  bool ok = check(std::fabs(mean - Recorder::kDc) < 2, "channel mean = its DC level (2 counts)");
  ok = check(std::fabs(rms - expectedRms) < 2, "channel RMS from DC, tones and noise (2 counts)") && ok;

  // Amplitude spectrum (counts), plotted in dB re 1 count.
  const uint32_t bins = Recorder::kFrames / 2 + 1;
  std::vector<float> amplitude(bins);
  for (uint32_t k = 0; k < bins; ++k) {
    double re = 0, im = 0;
    for (uint32_t i = 0; i < Recorder::kFrames; ++i) {
      const double phase = 2 * kPi * double(uint64_t(k) * i % Recorder::kFrames) / Recorder::kFrames;
      re += channel[i] * std::cos(phase), im -= channel[i] * std::sin(phase);
    }
    amplitude[k] = float((k == 0 || k == bins - 1 ? 1.0 : 2.0) * std::hypot(re, im) / Recorder::kFrames);
  }
  const auto [aLow, aHigh] = rangeOf({&amplitude});
  const double dbHigh = std::ceil(20 * std::log10(double(aHigh)) / 10) * 10;
  const double dbLow = std::max(dbHigh - 100, std::floor(20 * std::log10(std::max(double(aLow), 1e-6)) / 10) * 10);
  XYGraphParams axes = linearAxes(kArea, 0, bins - 1, dbLow, dbHigh);
  axes.yAxisMode = 2;  // decibel
  Canvas canvas(800, 480);
  std::vector<double> xTicks;
  std::vector<float> yTicks;
  for (uint32_t k = 0; k < bins; k += 64) xTicks.push_back(k);
  // Decibel ticks as amplitudes: the axis maps them like the samples.
  std::vector<std::string> dbLabels;
  for (double db = dbLow; db <= dbHigh + 1e-9; db += 10) {
    yTicks.push_back(float(std::pow(10.0, db / 20)));
    dbLabels.push_back(label(db));
  }
  drawAxes(canvas, axes, xTicks, yTicks, {}, dbLabels);
  const std::vector<Curve> curves{{"vibration spectrum", 0xFF2CA02Cu}};
  std::vector<int32_t> x(bins), y(bins);
  mapSeries(axes, amplitude.data(), bins, x.data(), y.data());
  drawPolyline(canvas, kArea, x.data(), y.data(), bins, curves[0].argb);

  // Beside the plot, level with the second tone's peak.
  const CursorHit outside = nearestCurvePixel(canvas, kArea.right + 20, y[Recorder::kBin2], 400);
  report("outside the plot", outside, curves);
  markCursor(canvas, outside);
  const auto top = std::min_element(y.begin(), y.end()) - y.begin();
  std::printf("  strongest line at bin %d, %.1f dB re 1 count\n", int(top), 20 * std::log10(amplitude[top]));
  ok = check(top == std::ptrdiff_t(Recorder::kBin1), "highest point of the spectrum at the strong tone's bin") && ok;
  ok = check(outside.argb == curves[0].argb && outside.x <= kArea.right,
             "cursor beside the plot finds the spectrum inside it") && ok;
  return check(writePng(canvas, dir + "/graph_spectrum.png"), "graph_spectrum.png written") && ok;
}

}  // namespace

bool runGraphRoad(const std::string& outputDirectory) {
  const EngineGeometry engine;
  const CombustionSettings combustion;
  Acquisition acquisition;
  acquisition.resolutionDeg = 0.5;
  acquisition.cycles = 40;
  std::printf("\nGraphs: %d engine cycles at %.1f deg drawn by the library, cursors found on the pixels\n",
              acquisition.cycles, acquisition.resolutionDeg);
  const RawStream raw = synthesise(engine, combustion, acquisition, 2026);
  const CombustionResult r = analyseCombustion(raw, engine, combustion, acquisition, 10, DiagramSize{});

  bool ok = pressurePicture(r, acquisition, outputDirectory);
  ok = pvPicture(r, engine, acquisition, outputDirectory) && ok;
  ok = spectrumPicture(outputDirectory) && ok;
  std::printf("  pictures: %s/graph_{pressure,pv_loglog,spectrum}.png\n", outputDirectory.c_str());
  return ok;
}

}  // namespace demo
