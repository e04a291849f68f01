#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>

#include <QTest>

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

TEST_F(NumericEditWidget, LimitsCanBeReplaced) {
    edit.SetLimits({3, 0, 0.0, 500.0});
    TypeText(&edit, QStringLiteral("-123.4"));
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    EXPECT_EQ(edit.Limits().integerDigits, 3);
}

}  // namespace
