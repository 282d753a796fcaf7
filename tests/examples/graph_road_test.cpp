// The demo host's graph road end to end: a line whose pixels are known is
// mapped, drawn and found again by a cursor, and a written PNG decodes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "graph_road.h"

namespace demo {
namespace {

constexpr uint32_t kLine = 0xFF1F77B4u;

TEST(GraphRoad, KnownLineIsDrawnAndFoundNearestToTheCursor) {
  // y = x over 0..10 on 40 x 40 pixels: the diagonal (4 + t, 44 - t).
  Canvas canvas(48, 48);
  const PlotArea area{4, 4, 44, 44};
  const XYGraphParams axes = linearAxes(area, 0, 10, 0, 10);
  std::vector<float> y(11);
  for (int i = 0; i < 11; ++i) y[i] = float(i);
  std::vector<int32_t> px(11, -1), py(11, -1);
  mapSeries(axes, y.data(), 11, px.data(), py.data());  // four, four, then one at a time
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(px[i], 4 + 4 * i) << i;
    EXPECT_EQ(py[i], 44 - 4 * i) << i;
  }
  drawAxes(canvas, axes, {0, 2, 4, 6, 8, 10}, {0, 2, 4, 6, 8, 10});
  drawPolyline(canvas, area, px.data(), py.data(), 11, kLine);
  for (int t = 0; t <= 40; ++t) EXPECT_EQ(canvas.at(4 + t, 44 - t), kLine) << t;
  EXPECT_EQ(canvas.at(28, 10), kGrid);  // tick 6

  // Grid lines pass 2 px from the cursor; the line's nearest pixel is 6 px
  // down-left, its neighbours are farther (74 against 72 squared).
  const CursorHit hit = nearestCurvePixel(canvas, 30, 30, 20);
  ASSERT_TRUE(hit.found);
  EXPECT_EQ(hit.argb, kLine);
  EXPECT_EQ(hit.x, 24);
  EXPECT_EQ(hit.y, 24);

  // Outside the plot, window clipped at the canvas corner: the line's end.
  const CursorHit corner = nearestCurvePixel(canvas, 47, 0, 5);
  ASSERT_TRUE(corner.found);
  EXPECT_EQ(corner.x, 44);
  EXPECT_EQ(corner.y, 4);
}

uint32_t crc32(const uint8_t* p, std::size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

TEST(GraphRoad, WrittenPngHasValidChunksAndAStoredZlibStream) {
  Canvas canvas(200, 100);  // 80100 raw bytes: two stored blocks
  canvas.set(199, 99, 0x80123456u);
  const std::string path = (std::filesystem::temp_directory_path() / "tqcalc_graph_road_test.png").string();
  ASSERT_TRUE(writePng(canvas, path));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);

  const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GT(png.size(), 8u);
  ASSERT_TRUE(std::equal(signature, signature + 8, png.begin()));
  std::string types;
  std::vector<uint8_t> ihdr, zlib;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = be32(&png[at]);
    ASSERT_LE(at + 12 + length, png.size());
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(be32(&png[at + 8 + length]), crc32(&png[at + 4], length + 4)) << type;
    (type == "IHDR" ? ihdr : zlib).insert((type == "IHDR" ? ihdr : zlib).end(), png.begin() + at + 8,
                                          png.begin() + at + 8 + length);
    types += type;
    at += 12 + length;
  }
  EXPECT_EQ(types, "IHDRIDATIEND");
  EXPECT_EQ(be32(&png[png.size() - 4]), 0xAE426082u);  // the fixed CRC of an empty IEND
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(be32(&ihdr[0]), 200u);
  EXPECT_EQ(be32(&ihdr[4]), 100u);
  EXPECT_EQ(ihdr[8], 8);  // bits per channel
  EXPECT_EQ(ihdr[9], 6);  // RGBA

  ASSERT_GE(zlib.size(), 6u);
  EXPECT_EQ(zlib[0] & 0x0F, 8);  // deflate
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
  std::vector<uint8_t> raw;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    ASSERT_LE(at + 5, zlib.size());
    last = zlib[at] & 1;
    EXPECT_EQ(zlib[at] >> 1, 0) << "stored block";
    const unsigned len = zlib[at + 1] | zlib[at + 2] << 8, nlen = zlib[at + 3] | zlib[at + 4] << 8;
    EXPECT_EQ(len ^ nlen, 0xFFFFu);
    ASSERT_LE(at + 5 + len, zlib.size());
    raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + len);
    at += 5 + len;
  }
  ASSERT_EQ(at + 4, zlib.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
  EXPECT_EQ(be32(&zlib[at]), b << 16 | a);
  ASSERT_EQ(raw.size(), 100u * (1 + 4 * 200));
  EXPECT_EQ(raw[0], 0);  // filter type
  const std::size_t last = raw.size() - 4;
  EXPECT_EQ(std::vector<uint8_t>(raw.begin() + last, raw.end()), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x80}));
  EXPECT_EQ(raw[1], 0xFF);  // white background
}

}  // namespace
}  // namespace demo
