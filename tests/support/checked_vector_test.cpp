#include "support/checked_vector.h"

#include <gtest/gtest.h>

#include "support/apstring"

namespace {

TEST(CheckedVector, SizedConstructionStartsNumbersAtZeroAndFlagsBlocked) {
    checked_vector<char> chars(1175);
    checked_vector<bool> grid(1175);
    checked_vector<int> numbers;
    numbers.resize(3);
    for (int k = 0; k < 1175; ++k) {
        ASSERT_EQ(chars[k], 0);
        ASSERT_TRUE(grid[k]) << "cell " << k << " must start blocked";
    }
    for (int k = 0; k < 3; ++k) EXPECT_EQ(numbers[k], 0);
    EXPECT_EQ(sizeof(grid[0]), 1u);
}

TEST(CheckedVector, ResizeKeepsTheFirstElementsAndDropsTheRest) {
    checked_vector<apstring> items;
    items.resize(2);
    items[0] = "Potion";
    items[1] = "Ether";

    items.resize(3);
    ASSERT_EQ(items.length(), 3);
    EXPECT_STREQ(items[0].c_str(), "Potion");
    EXPECT_STREQ(items[1].c_str(), "Ether");
    EXPECT_STREQ(items[2].c_str(), "");

    items.resize(1);
    ASSERT_EQ(items.length(), 1);
    EXPECT_STREQ(items[0].c_str(), "Potion");

    items.resize(1);
    EXPECT_STREQ(items[0].c_str(), "Potion") << "a resize to the same length keeps everything";

    checked_vector<bool> flags(2);
    flags[0] = false;
    flags.resize(4);
    EXPECT_FALSE(flags[0]);
    EXPECT_TRUE(flags[3]) << "cells added by growing are blocked too";
}

TEST(CheckedVector, ResizeFromZeroThenOneAssignmentLeavesTheOthersZero) {
    checked_vector<int> hp;
    hp.resize(3);
    hp[0] = 200;
    EXPECT_EQ(hp[0], 200);
    EXPECT_EQ(hp[1], 0);
    EXPECT_EQ(hp[2], 0);
}

TEST(CheckedVector, CopiesAreIndependent) {
    checked_vector<apstring> names;
    names.resize(2);
    names[0] = "Dunmar";
    checked_vector<apstring> copy(names);
    copy[0] = "Vorlisk";
    copy[1] += 'x';
    EXPECT_STREQ(names[0].c_str(), "Dunmar");
    EXPECT_STREQ(names[1].c_str(), "");

    checked_vector<int> hp;
    hp.resize(1);
    hp[0] = 5;
    checked_vector<int> assigned;
    assigned = hp;
    assigned[0] = 7;
    EXPECT_EQ(hp[0], 5);
    EXPECT_EQ(assigned[0], 7);

    const checked_vector<int> empty;
    const checked_vector<int> copy_of_empty(empty);
    EXPECT_EQ(copy_of_empty.length(), 0);
}

TEST(CheckedVector, NegativeSizesGiveAnEmptyVector) {
    checked_vector<int> numbers(-3);
    EXPECT_EQ(numbers.length(), 0);
    numbers.resize(2);
    numbers.resize(-1);
    EXPECT_EQ(numbers.length(), 0);
}

using CheckedVectorDeathTest = ::testing::Test;

TEST_F(CheckedVectorDeathTest, BadIndexNamesItAndTheHighestIndexThenAborts) {
    auto index_three_of_three = [] {
        checked_vector<int> v;
        v.resize(3);
        (void)v[3];
    };
    EXPECT_EXIT(index_three_of_three(), ::testing::KilledBySignal(SIGABRT),
                "^Illegal vector index: 3 max index = 2\n$");

    auto index_minus_one = [] {
        checked_vector<apstring> v;
        v.resize(3);
        (void)v[-1];
    };
    EXPECT_EXIT(index_minus_one(), ::testing::KilledBySignal(SIGABRT),
                "^Illegal vector index: -1 max index = 2\n$");

    auto index_default_constructed = [] {
        const checked_vector<int> v;
        (void)v[0];
    };
    EXPECT_EXIT(index_default_constructed(), ::testing::KilledBySignal(SIGABRT),
                "^Illegal vector index: 0 max index = -1\n$");
}

TEST_F(CheckedVectorDeathTest, AbortSkipsExitHandlers) {
    auto fail = [] {
        std::atexit([] { std::fputs("cleanup ran\n", stderr); });
        checked_vector<char> v(1175);
        volatile int past_the_end = 1175;  // hidden from the compiler's bounds warnings
        v[past_the_end] = 'x';
    };
    EXPECT_EXIT(fail(), ::testing::KilledBySignal(SIGABRT), "^Illegal vector index: 1175 max index = 1174\n$");
}

}  // namespace
