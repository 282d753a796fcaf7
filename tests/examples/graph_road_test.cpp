// The demo host's graph road end to end: a line whose pixels are known is
// mapped, drawn and found again by a cursor.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace demo
