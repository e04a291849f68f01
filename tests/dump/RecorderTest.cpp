// The recorder fed directly: extremes, spread lamps, the list and the dump file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

#include "DumpWindowFixture.h"
#include "ReadOnlyFile.h"
#include "protocol/InstrumentLink.h"

namespace dumptest {
namespace {

using Id = MaintenanceDialog::ControlId;

class RecorderTest : public DumpWindowTest {};

TEST_F(RecorderTest, TheFirstSampleAfterAResetSetsMaximumAndMinimumOfEveryColumn) {
    window->RecordCurrentSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
    window->ResetCurrentExtremes();
    const std::vector<QString> cleared = ExtremeLabels();
    for (const QString& label : cleared) {
        EXPECT_TRUE(label.isEmpty());
    }

    const unsigned counts[] = {0x0123, 0x1000, 0x8000, 0xFFFF};
    window->RecordCurrentSample(Sample(counts[0], counts[1], counts[2], counts[3]));

    const std::vector<QString> labels = ExtremeLabels();
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(labels[c], Milliamps(counts[c])) << "Max of column " << c;
        EXPECT_EQ(labels[c + 4], Milliamps(counts[c])) << "Min of column " << c;
    }
    EXPECT_TRUE(LitLamps().empty());
}

TEST_F(RecorderTest, AZeroCurrentSetsOnlyTheMinimum) {
    window->RecordCurrentSample(Sample(0, 0, 0x0010, 0));
    const std::vector<QString> labels = ExtremeLabels();
    EXPECT_EQ(labels[0], "") << "0.000 is not above the cleared maximum";
    EXPECT_EQ(labels[4], Milliamps(0));
    EXPECT_EQ(labels[2], Milliamps(0x10));
    EXPECT_EQ(labels[6], Milliamps(0x10));
}

TEST_F(RecorderTest, ExtremesOnlyGrowApartUntilReset) {
    window->RecordCurrentSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    window->RecordCurrentSample(Sample(0x2000, 0x0800, 0x1000, 0x1000));
    window->RecordCurrentSample(Sample(0x1800, 0x0C00, 0x1000, 0x1000));
    std::vector<QString> labels = ExtremeLabels();
    EXPECT_EQ(labels[0], Milliamps(0x2000));
    EXPECT_EQ(labels[4], Milliamps(0x1000));
    EXPECT_EQ(labels[1], Milliamps(0x1000));
    EXPECT_EQ(labels[5], Milliamps(0x0800));

    Click(Id::IdReset);
    labels = ExtremeLabels();
    for (const QString& label : labels) {
        EXPECT_TRUE(label.isEmpty());
    }
    EXPECT_TRUE(LitLamps().empty());
    EXPECT_EQ(RowCount(), 3) << "Reset leaves the list alone";
    EXPECT_DOUBLE_EQ(window->MaximumCurrent(0), 0.0);
    EXPECT_DOUBLE_EQ(window->MinimumCurrent(0), 999999.0);
}

TEST_F(RecorderTest, TheDefaultSpreadLimitLightsAt0x42CountsApartButNotAt0x41) {
    window->RecordCurrentSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    window->RecordCurrentSample(Sample(0x1042, 0x1041, 0x1000 - 0x42, 0x1000 - 0x41));
    EXPECT_EQ(LitLamps(), (std::vector<int>{0, 2}));

    // The recorder never puts a lamp out, even once the spread is back within the limit.
    window->RecordCurrentSample(Sample(0x1000, 0x1000, 0x1000, 0x1000));
    EXPECT_EQ(LitLamps(), (std::vector<int>{0, 2}));
}

TEST_F(RecorderTest, TheListKeepsTheLast101Samples) {
    for (unsigned i = 1; i <= 102; ++i) {
        window->RecordCurrentSample(Sample(i, 2 * i, 3 * i, 4 * i));
        ASSERT_LE(RowCount(), 101);
    }
    EXPECT_EQ(RowCount(), 101);
    const std::vector<QString> first = Row(0);
    EXPECT_EQ(first, (std::vector<QString>{Milliamps(2), Milliamps(4), Milliamps(6), Milliamps(8)}))
        << "the 102nd sample removed the first";
    EXPECT_EQ(Row(100)[3], Milliamps(4 * 102));
}

TEST_F(RecorderTest, AFullListShowsAllFourHeadingsWholeBesideItsVerticalScrollBar) {
    window->show();
    auto* list = window->ControlAs<QTreeWidget>(Id::IdDumpList);
    for (unsigned i = 1; i <= 101; ++i) {
        window->RecordCurrentSample(Sample(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF));
    }
    QApplication::processEvents();
    ASSERT_EQ(RowCount(), 101);
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    const QHeaderView* header = list->header();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    int total = 0;
    for (int c = 0; c < 4; ++c) {
        const int textWidth = header->fontMetrics().horizontalAdvance(Headings()[c]);
        EXPECT_GE(header->sectionSize(c), textWidth + 2 * margin) << Headings()[c].toStdString();
        EXPECT_TRUE(list->headerItem()->textAlignment(c) & Qt::AlignHCenter);
        EXPECT_TRUE(list->topLevelItem(100)->textAlignment(c) & Qt::AlignHCenter);
        total += header->sectionSize(c);
    }
    EXPECT_LE(total, list->viewport()->width());
}

TEST_F(RecorderTest, TheDumpFileFieldTellsItsWholePathAsATooltip) {
    const std::string path = (folder / std::string(120, 'd') / "sensor-currents.txt").string();
    DumpToFile(path);
    const QWidget* field = Widget(Id::IdDumpFileName);
    EXPECT_EQ(field->toolTip(), QString::fromStdString(path));
    window->ControlAs<QLineEdit>(Id::IdDumpFileName)->clear();
    EXPECT_TRUE(field->toolTip().isEmpty());
}

TEST_F(RecorderTest, TheNewestRowStaysInViewUnlessTheListWasScrolledUp) {
    window->show();
    auto* list = window->ControlAs<QTreeWidget>(Id::IdDumpList);
    auto newestVisible = [&] {
        const QRect row = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
        return row.top() >= 0 && row.bottom() < list->viewport()->height();
    };
    for (unsigned i = 1; i <= 60; ++i) {
        window->RecordCurrentSample(Sample(i, i, i, i));
        QApplication::processEvents();
    }
    ASSERT_GT(list->verticalScrollBar()->maximum(), 0) << "the list must overflow its page";
    EXPECT_TRUE(newestVisible());

    list->verticalScrollBar()->setValue(0);
    window->RecordCurrentSample(Sample(61, 61, 61, 61));
    QApplication::processEvents();
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << "a list scrolled up stays where it is";
    EXPECT_FALSE(newestVisible());

    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    window->RecordCurrentSample(Sample(62, 62, 62, 62));
    QApplication::processEvents();
    EXPECT_TRUE(newestVisible());

    // One row above the bottom still counts as the bottom; two rows above do not.
    QScrollBar* scrollBar = list->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum() - 1);
    window->RecordCurrentSample(Sample(63, 63, 63, 63));
    QApplication::processEvents();
    EXPECT_TRUE(newestVisible()) << "followed from one row above the bottom";
    EXPECT_EQ(scrollBar->value(), scrollBar->maximum());

    scrollBar->setValue(scrollBar->maximum() - 2);
    const int twoRowsUp = scrollBar->value();
    window->RecordCurrentSample(Sample(64, 64, 64, 64));
    QApplication::processEvents();
    EXPECT_FALSE(newestVisible());
    EXPECT_EQ(scrollBar->value(), twoRowsUp) << "two rows above the bottom stays put";
}

TEST_F(RecorderTest, ShortAndMalformedSamplesRecordWhatTheirFieldsHold) {
    const std::string nul(
        "12\0"
        "4 0020",
        9);
    struct Case {
        std::string sample;
        std::vector<unsigned> counts;
    } cases[] = {
        {"", {0, 0, 0, 0}},
        {"0100", {0x100, 0, 0, 0}},
        {"0100 0200", {0x100, 0x200, 0, 0}},
        {"1 2 3 4 5 6", {1, 2, 3, 4}},              // the fifth field is never recorded
        {"0001 0002 0003 0004FFFF", {1, 2, 3, 4}},  // nothing past the 19th character
        {" 0010 0020", {0, 0x10, 0x20, 0}},         // a leading space opens field 1
        {"zz10 1x2 -5 +7", {0, 1, 0, 0}},           // digits up to the first other character
        {nul, {0x12, 0x20, 0, 0}},
    };
    for (const Case& test : cases) {
        window->RecordCurrentSample(test.sample);
        std::vector<QString> expected;
        for (const unsigned count : test.counts) {
            expected.push_back(Milliamps(count));
        }
        EXPECT_EQ(Row(RowCount() - 1), expected) << windowtest::Printable(test.sample);
    }
}

TEST_F(RecorderTest, AMissingFileIsCreatedAndAnExistingOneAppendedTo) {
    const auto path = folder / "dump.txt";
    DumpToFile(path);
    window->RecordCurrentSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
    const std::string firstLine = FileLine({"1000", "2000", "3000", "4000"});
    EXPECT_EQ(porttest::ReadFile(path), firstLine);

    window->RecordCurrentSample("abcd 00ef 0A0b FFFF");
    const std::string secondLine = FileLine({"abcd", "00ef", "0A0b", "FFFF"});
    EXPECT_EQ(porttest::ReadFile(path), firstLine + secondLine) << "hexadecimal digits as received";

    window->RecordCurrentSample("0100 02");
    EXPECT_EQ(porttest::ReadFile(path), firstLine + secondLine + FileLine({"0100", "02", "", ""}))
        << "fields never begun are written empty";
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_EQ(Row(1), (std::vector<QString>{Milliamps(0xabcd), Milliamps(0xef), Milliamps(0xa0b),
                                            Milliamps(0xffff)}));
}

TEST_F(RecorderTest, AnExistingFileIsNeverTruncated) {
    const auto path = folder / "shift.txt";
    const std::string earlier = "earlier shift\r\n";
    porttest::WriteFile(path, earlier);
    DumpToFile(path);
    window->RecordCurrentSample(Sample(1, 2, 3, 4));
    EXPECT_EQ(porttest::ReadFile(path), earlier + FileLine({"0001", "0002", "0003", "0004"}));
}

TEST_F(RecorderTest, NothingIsWrittenWithoutTheBoxOrWithAnEmptyName) {
    const auto path = folder / "unchecked.txt";
    DumpToFile(path);
    window->ControlAs<QCheckBox>(Id::IdDumpToFile)->setChecked(false);
    window->RecordCurrentSample(Sample(1, 2, 3, 4));
    EXPECT_FALSE(std::filesystem::exists(path));

    DumpToFile("");
    window->RecordCurrentSample(Sample(1, 2, 3, 4));
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(RowCount(), 2);
}

TEST_F(RecorderTest, AFileThatCannotBeOpenedShowsItsCauseAndTheSampleStillGoesToTheList) {
    porttest::WriteFile(folder / "plain.txt", "a file, not a folder");
    struct Case {
        std::filesystem::path path;
        int cause;
    } cases[] = {
        {folder, 5},                           // a folder: access denied
        {folder / "missing" / "dump.txt", 3},  // bad path: the folder is missing
        {folder / "plain.txt" / "dump.txt", 3},
        {folder / std::string(300, 'n'), 3},  // a name too long
    };
    for (const Case& test : cases) {
        feedback.Clear();
        const int rows = RowCount();
        DumpToFile(test.path);
        window->RecordCurrentSample(Sample(1, 2, 3, 4));
        EXPECT_EQ(ShownMessages(), std::vector<QString>{FileErrorMessage(test.cause)}) << test.path;
        EXPECT_EQ(feedback.Beeps(), 0);
        EXPECT_EQ(RowCount(), rows + 1) << test.path;
        EXPECT_EQ(Row(rows)[3], Milliamps(4));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST_F(RecorderTest, AReadOnlyFileIsAccessDeniedAndLeftUntouched) {
    const ReadOnlyFile readOnly(folder / "read-only.txt", "kept\r\n");
    if (!readOnly.Denied()) {
        GTEST_SKIP() << "this process may write any file and the file system has no immutable flag";
    }
    DumpToFile(readOnly.Path());
    window->RecordCurrentSample(Sample(1, 2, 3, 4));
    EXPECT_EQ(ShownMessages(), std::vector<QString>{FileErrorMessage(5)});
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(porttest::ReadFile(readOnly.Path()), "kept\r\n");
}

TEST_F(RecorderTest, WriteErrorsOnAFullDiskAreIgnored) {
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    DumpToFile("/dev/full");
    for (unsigned i = 1; i <= 3; ++i) {
        window->RecordCurrentSample(Sample(i, i, i, i));
    }
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_EQ(RowCount(), 3);
    EXPECT_EQ(ExtremeLabels()[0], Milliamps(3));
}

TEST_F(RecorderTest, AFifoWithoutAReaderFailsInsteadOfBlocking) {
    const auto path = folder / "fifo";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    DumpToFile(path);
    window->RecordCurrentSample(Sample(1, 2, 3, 4));
    EXPECT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(RowCount(), 1);
}

}  // namespace
}  // namespace dumptest
