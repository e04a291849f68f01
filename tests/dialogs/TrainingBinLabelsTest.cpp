#include <gtest/gtest.h>

#include <QString>

#include "dialogs/TrainingBinLabels.h"

namespace {

// The fifteen temperature bands as tabulated, in index order.
constexpr int kBands[15][2] = {{20, 24}, {25, 29}, {30, 34}, {35, 39}, {40, 44},
                               {45, 49}, {50, 54}, {55, 60}, {61, 66}, {67, 72},
                               {73, 78}, {79, 85}, {86, 92}, {93, 99}, {100, 106}};

const QString kDegree = QString::fromUtf8("\xC2\xB0");

QString Number(int n) {
    return QString::fromStdString(std::to_string(n));
}

QString Range(const int band[2]) {
    return Number(band[0]) + kDegree + "..." + Number(band[1]) + kDegree;
}

TEST(TrainingBinLabels, ModelABListsOneDegreePerBinThenBareNumbers) {
    const QStringList labels = TrainingBinLabels(InstrumentModel::TarnelAB);
    ASSERT_EQ(labels.size(), 256);
    for (int bin = 0; bin < 256; ++bin) {
        const QString expected =
            bin <= 130 ? Number(bin) + " (" + Number(bin + 20) + kDegree + "C)" : Number(bin);
        EXPECT_EQ(labels[bin], expected) << bin;
    }
    EXPECT_EQ(labels[0], QString::fromUtf8("0 (20\xC2\xB0"
                                           "C)"));
    EXPECT_EQ(labels[130], QString::fromUtf8("130 (150\xC2\xB0"
                                             "C)"));
    EXPECT_EQ(labels[131], QStringLiteral("131"));
}

TEST(TrainingBinLabels, ModelCPairsEveryLeftBandWithEveryRightBand) {
    const QStringList labels = TrainingBinLabels(InstrumentModel::TarnelC);
    ASSERT_EQ(labels.size(), 256);
    int bin = 0;
    for (int right = 0; right < 15; ++right) {
        for (int left = 0; left < 15; ++left, ++bin) {
            const QString expected =
                Number(bin) + " L(" + Range(kBands[left]) + ") and R(" + Range(kBands[right]) + ")";
            EXPECT_EQ(labels[bin], expected) << bin;
        }
    }
    ASSERT_EQ(bin, 225);
    for (; bin < 256; ++bin) {
        EXPECT_EQ(labels[bin], Number(bin)) << bin;
    }
    EXPECT_EQ(labels[7],
              QString::fromUtf8("7 L(55\xC2\xB0...60\xC2\xB0) and R(20\xC2\xB0...24\xC2\xB0)"));
    EXPECT_EQ(labels[105],
              QString::fromUtf8("105 L(20\xC2\xB0...24\xC2\xB0) and R(55\xC2\xB0...60\xC2\xB0)"));
    EXPECT_EQ(
        labels[224],
        QString::fromUtf8("224 L(100\xC2\xB0...106\xC2\xB0) and R(100\xC2\xB0...106\xC2\xB0)"));
}

TEST(TrainingBinLabels, DegreeSignIsOneLatin1Character) {
    const QString label = TrainingBinLabels(InstrumentModel::TarnelAB)[0];
    EXPECT_EQ(label.count(QChar(0xB0)), 1);
    EXPECT_EQ(label.toLatin1().count('\xB0'), 1);
    EXPECT_EQ(label.size(), 8);  // "0 (20", degree, "C)"
}

TEST(TrainingBinLabels, BandsFollowTheirWidthRule) {
    for (int index = 0; index < 15; ++index) {
        const TemperatureBand band = TemperatureBandAt(index);
        EXPECT_EQ(band.low, kBands[index][0]) << index;
        EXPECT_EQ(band.high, kBands[index][1]) << index;
        if (index > 0) {
            EXPECT_EQ(band.low, kBands[index - 1][1] + 1) << "bands are contiguous at " << index;
        }
    }
}

}  // namespace
