// The reading field's filter: typed keys, paste and drop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "FeedbackRecorder.h"
#include "dialogs/HexReadingEdit.h"

namespace {

class HexReadingEditTest : public ::testing::Test {
  protected:
    HexReadingEditTest() { edit_.setMaxLength(6); }

    FeedbackRecorder feedback_;
    HexReadingEdit edit_;
};

TEST_F(HexReadingEditTest, HexadecimalDigitsOfEitherCasePass) {
    QTest::keyClicks(&edit_, QStringLiteral("09afAF"));
    EXPECT_EQ(edit_.text(), QStringLiteral("09afAF"));
    EXPECT_EQ(feedback_.Beeps(), 0);
}

TEST_F(HexReadingEditTest, OtherCharactersBeepAndAreRefused) {
    const QString refused = QStringLiteral("gGzZ x-+.,:/");
    for (const QChar character : refused) {
        QTest::keyClicks(&edit_, QString(character));
    }
    EXPECT_EQ(edit_.text(), QString());
    EXPECT_EQ(feedback_.Beeps(), refused.size());
}

TEST_F(HexReadingEditTest, BackspaceAndEditingKeysAreNotFiltered) {
    QTest::keyClicks(&edit_, QStringLiteral("12345"));
    QTest::keyClick(&edit_, Qt::Key_Backspace);
    EXPECT_EQ(edit_.text(), QStringLiteral("1234"));
    QTest::keyClick(&edit_, Qt::Key_Home);
    QTest::keyClick(&edit_, Qt::Key_Delete);
    QTest::keyClick(&edit_, Qt::Key_Right);
    QTest::keyClicks(&edit_, QStringLiteral("c"));
    EXPECT_EQ(edit_.text(), QStringLiteral("2c34"));
    QTest::keyClick(&edit_, Qt::Key_A, Qt::ControlModifier);  // select all
    EXPECT_EQ(edit_.selectedText(), QStringLiteral("2c34"));
    EXPECT_EQ(feedback_.Beeps(), 0);
}

TEST_F(HexReadingEditTest, HoldsAtMostSixCharacters) {
    QTest::keyClicks(&edit_, QStringLiteral("1234567"));
    EXPECT_EQ(edit_.text(), QStringLiteral("123456"));
}

TEST_F(HexReadingEditTest, PastedTextMustBeAllHexadecimal) {
    QApplication::clipboard()->setText(QStringLiteral("1G"));
    edit_.paste();
    EXPECT_EQ(edit_.text(), QString());
    EXPECT_EQ(feedback_.Beeps(), 1);

    QApplication::clipboard()->setText(QStringLiteral("0abcDE"));
    QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit_.text(), QStringLiteral("0abcDE"));
    EXPECT_EQ(feedback_.Beeps(), 1);

    // A refused paste leaves what was there.
    edit_.selectAll();
    QApplication::clipboard()->setText(QStringLiteral("12 34"));
    edit_.paste();
    EXPECT_EQ(edit_.text(), QStringLiteral("0abcDE"));
    EXPECT_EQ(feedback_.Beeps(), 2);
}

TEST_F(HexReadingEditTest, PasteCutAndUndoFollowTheFieldsRules) {
    QTest::keyClicks(&edit_, QStringLiteral("1234"));
    QApplication::clipboard()->setText(QStringLiteral("abc"));  // 7 characters in all
    QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit_.text(), QStringLiteral("1234"));
    EXPECT_EQ(feedback_.Beeps(), 1);
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    QTest::keyClick(&edit_, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit_.text(), QStringLiteral("1234ab"));

    // Cut and copy work as in any field.
    edit_.setSelection(0, 2);
    QTest::keyClick(&edit_, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit_.text(), QStringLiteral("34ab"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("12"));
    QTest::keyClick(&edit_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit_.text(), QStringLiteral("1234ab"));

    QTest::keyClick(&edit_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // redo
    EXPECT_EQ(edit_.text(), QStringLiteral("34ab"));
    EXPECT_EQ(feedback_.Beeps(), 1);
}

}  // namespace
