#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>

#include <QTest>

#include "AccessibleEventRecorder.h"
#include "FeedbackRecorder.h"
#include "KeyInput.h"
#include "controls/NumericEdit.h"

namespace {

class NumericEditWidget : public ::testing::Test {
  protected:
    NumericEditWidget() : edit(2, 3, -0.01, 10.01) {}
    NumericEdit edit;
};

TEST_F(NumericEditWidget, TypedKeysFollowTheRules) {
    TypeText(&edit, QStringLiteral("10.0"));
    EXPECT_EQ(edit.text(), QStringLiteral("10.0"));
    TypeText(&edit, QStringLiteral("1a+ ,"));
    EXPECT_EQ(edit.text(), QStringLiteral("10.0"));
    EXPECT_EQ(edit.cursorPosition(), 4);
    PressKey(&edit, Qt::Key_Backspace);
    PressKey(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("10"));
}

TEST_F(NumericEditWidget, NavigationAndSelectionPassThrough) {
    edit.setText(QStringLiteral("2.5"));
    PressKey(&edit, Qt::Key_Home);
    EXPECT_EQ(edit.cursorPosition(), 0);
    PressKey(&edit, Qt::Key_Right);
    EXPECT_EQ(edit.cursorPosition(), 1);
    PressKey(&edit, Qt::Key_End, {}, Qt::ShiftModifier);
    EXPECT_EQ(edit.selectedText(), QStringLiteral(".5"));
    EXPECT_EQ(edit.State().selectionStart, 1);
    EXPECT_EQ(edit.State().selectionEnd, 3);
    PressKey(&edit, Qt::Key_End);
    PressKey(&edit, Qt::Key_Home, {}, Qt::ShiftModifier);  // selected backwards
    EXPECT_EQ(edit.State().selectionStart, 0);
    EXPECT_EQ(edit.State().selectionEnd, 3);
    PressKey(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QString());
}

TEST_F(NumericEditWidget, DeleteKeyRemovesTheFollowingCharacterAndKeepsTheCaret) {
    edit.setText(QStringLiteral("1.25"));
    edit.setCursorPosition(2);
    PressKey(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
    EXPECT_EQ(edit.cursorPosition(), 2);
    edit.setCursorPosition(1);
    PressKey(&edit, Qt::Key_Delete);  // would give 15, above the bound
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
    edit.setCursorPosition(3);
    PressKey(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
}

TEST_F(NumericEditWidget, ClipboardUndoAndWordDeletionAreRefused) {
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    edit.setText(QStringLiteral("5"));
    edit.setCursorPosition(1);
    PressKey(&edit, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    PressKey(&edit, Qt::Key_Insert, {}, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("5"));

    edit.selectAll();
    PressKey(&edit, Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier);
    PressKey(&edit, Qt::Key_Delete, {}, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("5"));

    edit.setCursorPosition(1);
    TypeText(&edit, QStringLiteral("."));
    TypeText(&edit, QStringLiteral("2"));
    PressKey(&edit, Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
    PressKey(&edit, Qt::Key_Backspace, {}, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("5.2"));
}

TEST_F(NumericEditWidget, CtrlASelectsTheWholeFieldAndTheClipboardKeysStayRefused) {
    // "0.00" with a caret or a selection, one key from the keyboard, then "4.80" typed.
    struct Case {
        const char* name;
        int selectionStart;
        int selectionEnd;
        Qt::Key key;
        const char* selectedAfterKey;
        const char* typedResult;
    };
    const Case cases[] = {
        {"Ctrl+A, caret at the end", 4, 4, Qt::Key_A, "0.00", "4.80"},
        {"Ctrl+A, caret at the start", 0, 0, Qt::Key_A, "0.00", "4.80"},
        {"Ctrl+A, part selected", 2, 4, Qt::Key_A, "0.00", "4.80"},
        {"Ctrl+C, all selected", 0, 4, Qt::Key_C, "0.00", "4.80"},
        {"Ctrl+X, all selected", 0, 4, Qt::Key_X, "0.00", "4.80"},
        {"Ctrl+V, caret at the end", 4, 4, Qt::Key_V, "", "0.004"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setText(QStringLiteral("7"));
        edit.setText(QStringLiteral("0.00"));
        edit.setSelection(c.selectionStart, c.selectionEnd - c.selectionStart);
        ASSERT_EQ(edit.State().selectionStart, c.selectionStart);
        ASSERT_EQ(edit.State().selectionEnd, c.selectionEnd);

        QTest::keyClick(&edit, c.key, Qt::ControlModifier);
        EXPECT_EQ(edit.text(), QStringLiteral("0.00"));
        EXPECT_EQ(edit.selectedText(), QString::fromLatin1(c.selectedAfterKey));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("7"));
        // Assistive tools see the same selection.
        QAccessibleTextInterface* accessible =
            QAccessible::queryAccessibleInterface(&edit)->textInterface();
        ASSERT_NE(accessible, nullptr);
        int start = -1;
        int end = -1;
        if (edit.hasSelectedText()) {
            ASSERT_EQ(accessible->selectionCount(), 1);
            accessible->selection(0, &start, &end);
            EXPECT_EQ(accessible->text(start, end), edit.selectedText());
        } else {
            EXPECT_EQ(accessible->selectionCount(), 0);
        }

        TypeText(&edit, QStringLiteral("4.80"));
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.typedResult));
    }
}

TEST_F(NumericEditWidget, ShiftAndCtrlDeleteFromTheKeyboardAreRefused) {
    // Sent as the keyboard does, the shortcut check first: a cut and a word deletion would
    // bypass the deletion rule.
    edit.setText(QStringLiteral("1.5"));
    edit.setSelection(0, 2);
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::KeypadModifier);  // the keypad's Delete: 15
    EXPECT_EQ(edit.text(), QStringLiteral("1.5"));
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::KeypadModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("1."));
}

TEST_F(NumericEditWidget, DropsAreRefused) {
    EXPECT_FALSE(edit.acceptDrops());
    edit.setText(QStringLiteral("5"));
    QMimeData data;
    data.setText(QStringLiteral("abc"));
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&edit, &drop);
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
}

TEST_F(NumericEditWidget, ComposedTextGoesThroughTheRules) {
    QInputMethodEvent compose(QString(), {});
    compose.setCommitString(QStringLiteral("1x2.3456"));
    QApplication::sendEvent(&edit, &compose);
    // x is refused, 12 breaks the upper bound and a fourth fraction digit is too many.
    EXPECT_EQ(edit.text(), QStringLiteral("1.345"));
    edit.clear();
    compose.setCommitString(QStringLiteral("9.9999"));
    QApplication::sendEvent(&edit, &compose);
    EXPECT_EQ(edit.text(), QStringLiteral("9.999"));
}

// The field does not change, so a screen reader would say nothing: each refusal is told, with
// its reason, and still makes no sound.
TEST_F(NumericEditWidget, ARefusedKeyIsToldWithItsReasonWithoutABeep) {
    const struct {
        const char* text;
        int caret;
        int key;
        const char* typed;
        const char* told;  // empty: nothing told
    } cases[] = {
        {"1", 1, Qt::Key_2, "2", "2 refused. Less than 10.01."},
        {"10", 2, Qt::Key_1, "1", "1 refused. At most 2 digits before the decimal point."},
        {"9.999", 5, Qt::Key_9, "9", "9 refused. At most 3 digits after the decimal point."},
        {"1.5", 3, Qt::Key_Period, ".", "Decimal point refused. One decimal point only."},
        {"1", 1, Qt::Key_A, "a", "a refused. Digits and a decimal point only."},
        {"1", 1, Qt::Key_Space, " ", "Space refused. Digits and a decimal point only."},
        {"1", 1, Qt::Key_Minus, "-", "Minus sign refused. One minus sign, at the start."},
        {"-5", 0, Qt::Key_7, "7", "7 refused. Nothing goes before the minus sign."},
        {"9.99", 2, Qt::Key_Backspace, "\b", "Backspace refused. Less than 10.01."},
        {"9.99", 1, Qt::Key_Delete, "", "Delete refused. Less than 10.01."},
        {"", 0, Qt::Key_Backspace, "\b", ""},  // nothing to delete
        {"1.", 2, Qt::Key_5, "5", ""},         // accepted
    };
    FeedbackRecorder feedback;
    AccessibleEventRecorder events;
    edit.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        events.notifications.clear();
        edit.setText(QString::fromLatin1(c.text));
        edit.setCursorPosition(c.caret);
        PressKey(&edit, c.key, QString::fromLatin1(c.typed));
        const std::vector<QString> told = *c.told == 0
                                              ? std::vector<QString>{}
                                              : std::vector<QString>{QString::fromLatin1(c.told)};
        EXPECT_EQ(events.notifications, told);
    }
    EXPECT_EQ(feedback.Beeps(), 0);

    edit.SetBoundsWords(QStringLiteral("From 0.00."), QStringLiteral("Up to 10.00."));
    edit.setText(QStringLiteral("1"));
    edit.setCursorPosition(1);
    events.notifications.clear();
    TypeText(&edit, QStringLiteral("2"));
    EXPECT_EQ(events.notifications, std::vector<QString>{"2 refused. Up to 10.00."});
}

TEST_F(NumericEditWidget, LimitsCanBeReplaced) {
    edit.SetLimits({3, 0, 0.0, 500.0});
    TypeText(&edit, QStringLiteral("-123.4"));
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    EXPECT_EQ(edit.Limits().integerDigits, 3);
}

}  // namespace
