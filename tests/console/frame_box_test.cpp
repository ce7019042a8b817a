#include "console/frame_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Put {
    int x, y, code;
    bool operator==(const Put&) const = default;
};
std::vector<Put> puts;
void record(int x, int y, int code) { puts.push_back({x, y, code}); }

TEST(FrameBox, EdgesBetweenTheCornersThenTheCorners) {
    puts.clear();
    draw_double_box(2, 1, 5, 3, record);
    const std::vector<Put> expected = {
        {3, 1, BOX_HORIZONTAL}, {4, 1, BOX_HORIZONTAL}, {3, 3, BOX_HORIZONTAL}, {4, 3, BOX_HORIZONTAL},
        {2, 2, BOX_VERTICAL},   {5, 2, BOX_VERTICAL},   {2, 1, BOX_TOP_LEFT},   {5, 1, BOX_TOP_RIGHT},
        {2, 3, BOX_BOTTOM_LEFT}, {5, 3, BOX_BOTTOM_RIGHT},
    };
    EXPECT_EQ(puts, expected);

    puts.clear();
    draw_double_box(0, 0, 1, 1, record);
    EXPECT_EQ(puts.size(), 4u) << "a box with nothing between its corners is its corners";
}

}  // namespace
