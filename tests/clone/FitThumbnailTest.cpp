// The aspect fit and the destination rectangle, table-driven, without a window.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include <QRect>

#include "clone/ThumbnailFit.h"

namespace {

// A destination as its edges, right and bottom exclusive: the way the table reads best.
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Edges&, const Edges&) = default;
};

void PrintTo(const Edges& e, std::ostream* out) {
    *out << "{" << e.left << ", " << e.top << ", " << e.right << ", " << e.bottom << "}";
}

Edges EdgesOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

struct FitRow {
    QSize source;
    QSize client;
    QSize fitted;
    Edges destination;
};

const FitRow kFitRows[] = {
    {{1000, 500}, {1920, 1200}, {1920, 960}, {0, 120, 1920, 1080}},
    {{800, 600}, {1920, 1080}, {1440, 1080}, {240, 0, 1680, 1080}},
    {{1280, 1024}, {1920, 1080}, {1350, 1080}, {285, 0, 1635, 1080}},
    // t = 1365: the source is relatively wider, so the width fills and 1079.44 rounds down.
    {{1366, 768}, {1920, 1080}, {1920, 1079}, {0, 0, 1920, 1080}},
    // An odd margin gives a rectangle one pixel wider than the fitted width.
    {{1001, 1000}, {1920, 1080}, {1081, 1080}, {419, 0, 1501, 1080}},
    {{1920, 1080}, {1920, 1080}, {1920, 1080}, {0, 0, 1920, 1080}},
    // Halves go to the even neighbour: 2.5 gives 2, 3.5 gives 4.
    {{5, 2048}, {1280, 1024}, {2, 1024}, {639, 0, 641, 1024}},
    {{7, 2048}, {1280, 1024}, {4, 1024}, {638, 0, 642, 1024}},
    {{1024, 768}, {832, 749}, {832, 624}, {0, 62, 832, 687}},
};

void PrintTo(const FitRow& row, std::ostream* out) {
    *out << row.source.width() << "x" << row.source.height() << " in " << row.client.width() << "x"
         << row.client.height();
}

std::string RowName(const ::testing::TestParamInfo<FitRow>& info) {
    return "Row" + std::to_string(info.index);
}

class FitTable : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitTable, FitsAndCentres) {
    const FitRow& row = GetParam();
    int width = -1;
    int height = -1;
    FitThumbnailSize(row.source.width(), row.source.height(), row.client.width(),
                     row.client.height(), width, height);
    EXPECT_EQ((QSize{width, height}), row.fitted);
    const auto destination = ThumbnailDestination(row.source, row.client, true);
    ASSERT_TRUE(destination.has_value());
    EXPECT_EQ(EdgesOf(*destination), row.destination);
}

INSTANTIATE_TEST_SUITE_P(Rows, FitTable, ::testing::ValuesIn(kFitRows), RowName);

struct NaturalRow {
    QSize source;
    QSize client;
    Edges destination;
};

const NaturalRow kNaturalRows[] = {
    {{640, 480}, {1920, 1080}, {640, 300, 1280, 780}},
    {{2000, 1200}, {1920, 1080}, {-40, -60, 1960, 1140}},
    // -3 / 2 truncates to -1.
    {{1923, 1080}, {1920, 1080}, {-1, 0, 1921, 1080}},
};

void PrintTo(const NaturalRow& row, std::ostream* out) {
    *out << row.source.width() << "x" << row.source.height() << " in " << row.client.width() << "x"
         << row.client.height();
}

class NaturalTable : public ::testing::TestWithParam<NaturalRow> {};

TEST_P(NaturalTable, CentresAtSourceSize) {
    const NaturalRow& row = GetParam();
    const auto destination = ThumbnailDestination(row.source, row.client, false);
    ASSERT_TRUE(destination.has_value());
    EXPECT_EQ(EdgesOf(*destination), row.destination);
}

INSTANTIATE_TEST_SUITE_P(Rows, NaturalTable, ::testing::ValuesIn(kNaturalRows),
                         [](const ::testing::TestParamInfo<NaturalRow>& info) {
                             return "Row" + std::to_string(info.index);
                         });

TEST(ThumbnailDestination, ZeroSizesGiveNoRectangle) {
    const QSize sizes[][2] = {
        {{0, 480}, {1920, 1080}}, {{640, 0}, {1920, 1080}}, {{640, 480}, {0, 1080}},
        {{640, 480}, {1920, 0}},  {{0, 0}, {0, 0}},
    };
    for (const auto& pair : sizes) {
        for (bool fit : {true, false}) {
            EXPECT_FALSE(ThumbnailDestination(pair[0], pair[1], fit).has_value())
                << pair[0].width() << "x" << pair[0].height() << " in " << pair[1].width() << "x"
                << pair[1].height() << " fit " << fit;
        }
        int width = -1;
        int height = -1;
        FitThumbnailSize(pair[0].width(), pair[0].height(), pair[1].width(), pair[1].height(),
                         width, height);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    }
}

TEST(FitThumbnailSize, ExtremeRatiosStayInRange) {
    int width = 0;
    int height = 0;
    FitThumbnailSize(1, 2000000000, 2000000000, 1, width, height);
    EXPECT_EQ(height, 1);
    EXPECT_GE(width, 0);
    FitThumbnailSize(2000000000, 1, 1, 2000000000, width, height);
    EXPECT_EQ(width, 1);
    EXPECT_GE(height, 0);
}

}  // namespace
