// The plot's store fed directly: reduction of older samples, its memory over a long dump, and
// the CSV form under a decimal-comma locale.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QChart>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "CommaLocaleTest.h"
#include "PortTestSupport.h"
#include "plot/CurrentDumpStore.h"
#include "plot/CurrentPlotWindow.h"

namespace {

constexpr double kSecondsPerSample = 0.91;
constexpr double kMilliampsPerCount = 0.0003051851;

// A quiet dump near 5 mA: a slow ripple per column, different for each.
CurrentRow QuietSample(std::size_t i) {
    CurrentRow row{static_cast<double>(i) * kSecondsPerSample, {}};
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        row.milliamps[c] = 5.0 + 0.001 * static_cast<double>((i + 7 * c) % 13);
    }
    return row;
}

bool TimesAscend(const std::vector<CurrentRow>& rows) {
    return std::is_sorted(rows.begin(), rows.end(), [](const CurrentRow& a, const CurrentRow& b) {
        return a.seconds < b.seconds;
    });
}

TEST(CurrentDumpStoreTest, ReducingOlderSamplesKeepsEverySpikeAndDipNearItsTime) {
    CurrentDumpStore store;
    constexpr std::size_t kSamples = 20000;
    // Single-sample spikes and dips far back in the dump, in different columns.
    const std::vector<std::tuple<std::size_t, int, double>> extremes = {
        {3, 0, 19.5}, {1001, 1, 0.25}, {5000, 2, 12.0}, {5001, 2, 0.5}, {9999, 3, 17.0}};
    for (std::size_t i = 0; i < kSamples; ++i) {
        CurrentRow row = QuietSample(i);
        for (const auto& [at, column, milliamps] : extremes) {
            if (at == i) {
                row.milliamps[column] = milliamps;
            }
        }
        store.Append(row);
    }
    ASSERT_GT(store.Stride(), 2u) << "the older samples must have been reduced";
    const std::vector<CurrentRow> rows = store.Rows();
    EXPECT_LT(rows.size(), kSamples);
    EXPECT_TRUE(TimesAscend(rows));
    EXPECT_DOUBLE_EQ(rows.front().seconds, 0.0);
    EXPECT_DOUBLE_EQ(rows.back().seconds, (kSamples - 1) * kSecondsPerSample);

    const double bucketSeconds = static_cast<double>(store.Stride()) * kSecondsPerSample;
    for (const auto& [at, column, milliamps] : extremes) {
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const CurrentRow& row) {
            return row.milliamps[column] == milliamps;
        });
        ASSERT_NE(found, rows.end()) << "sample " << at << " of column " << column << " lost";
        EXPECT_NEAR(found->seconds, at * kSecondsPerSample, bucketSeconds);
    }
    // The last hour is kept sample by sample.
    for (std::size_t back = 1; back <= 4096; ++back) {
        const CurrentRow expected = QuietSample(kSamples - back);
        ASSERT_EQ(rows[rows.size() - back].seconds, expected.seconds);
        ASSERT_EQ(rows[rows.size() - back].milliamps, expected.milliamps);
    }
}

TEST(CurrentDumpStoreTest, ALongDumpStaysWithin330000BytesAndClearStartsAgain) {
    const std::size_t before = mallinfo2().uordblks;
    auto store = std::make_unique<CurrentDumpStore>();
    // Fifty hours at 910 ms: more than four 12-hour shifts.
    constexpr std::size_t kSamples = 200000;
    std::size_t peak = 0;
    for (std::size_t i = 0; i < kSamples; ++i) {
        store->Append(QuietSample(i));
        if (i % 1000 == 0) {
            peak = std::max(peak, mallinfo2().uordblks);
        }
    }
    peak = std::max(peak, mallinfo2().uordblks);
    EXPECT_LE(peak - before, 330000u);
    EXPECT_EQ(store->SampleCount(), kSamples);
    EXPECT_LE(store->Rows().size(), 8194u);

    store->Clear();
    EXPECT_EQ(store->SampleCount(), 0u);
    EXPECT_TRUE(store->Rows().empty());
}

class SaveAsTest : public dumptest::CommaLocaleTest {};

TEST_F(SaveAsTest, SavesTheRowsInTheCNumberFormatByteForByte) {
    CurrentDumpStore store;
    store.SetHeadings({"4 (mA)", "5 (mA)", "6 (mA)", "7 (mA)"});
    const unsigned counts[3][4] = {
        {0x1000, 0x2000, 0x3000, 0x4000}, {0x0000, 0xFFFF, 0x0042, 0x1234}, {1, 2, 3, 4}};
    for (int r = 0; r < 3; ++r) {
        CurrentRow row{r * kSecondsPerSample + 0.0004, {}};
        for (int c = 0; c < 4; ++c) {
            row.milliamps[c] = counts[r][c] * kMilliampsPerCount;
        }
        store.Append(row);
    }
    const porttest::TempDir folder;
    const std::string path = folder.File("currents.csv");
    CurrentPlotWindow plot(store, nullptr);
    ASSERT_TRUE(plot.SaveTo(QString::fromStdString(path)));

    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(bytes,
              "Time (s),4 (mA),5 (mA),6 (mA),7 (mA)\r\n"
              "0.000,1.250,2.500,3.750,5.000\r\n"
              "0.910,0.000,20.000,0.020,1.422\r\n"
              "1.820,0.000,0.001,0.001,0.001\r\n");
}

TEST_F(SaveAsTest, SavesThePlotAsPng) {
    CurrentDumpStore store;
    store.Append(QuietSample(0));
    const porttest::TempDir folder;
    const std::string path = folder.File("plot.png");
    CurrentPlotWindow plot(store, nullptr);
    ASSERT_TRUE(plot.SaveTo(QString::fromStdString(path)));
    std::ifstream file(path, std::ios::binary);
    std::string signature(8, '\0');
    file.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
}

}  // namespace
