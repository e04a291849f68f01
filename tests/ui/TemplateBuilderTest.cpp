#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "FeedbackRecorder.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/TemplateDialog.h"

using namespace ui;

namespace {

DialogTemplate SampleTemplate() {
    DialogTemplate t;
    t.id = 900;
    t.caption = QStringLiteral("Sample");
    t.width = 200;
    t.height = 100;
    t.controls = {
        {10, ControlKind::RadioButton, "A", 5, 5, 40, 10, StyleGroupStart | StyleTabStop},
        {11, ControlKind::RadioButton, "B", 5, 15, 40, 10, StyleNone},
        {12, ControlKind::PushButton, "Go", 50, 5, 50, 14, StyleGroupStart | StyleTabStop},
        {13, ControlKind::RadioButton, "C", 5, 30, 40, 10,
         StyleGroupStart | StyleTabStop | StyleChecked},
        {14, ControlKind::RadioButton, "D", 5, 40, 40, 10, StyleNone},
        {15, ControlKind::Edit, "", 50, 30, 60, 12, StyleReadOnly | StyleBorder},
        {16, ControlKind::CheckBox, "Hidden", 50, 50, 60, 10, StyleHidden | StyleDisabled},
        {17, ControlKind::Edit, "", 50, 70, 60, 12, StyleTabStop | StyleBorder},
        {1, ControlKind::DefaultPushButton, "OK", 140, 80, 50, 14, StyleTabStop},
    };
    return t;
}

}  // namespace

TEST(DialogUnits, ConvertsByQuarterWidthAndEighthHeight) {
    const DialogUnits units(DialogUnits::DialogFont());
    EXPECT_EQ(units.ToPixelsX(400), units.BaseWidth() * 100);
    EXPECT_EQ(units.ToPixelsY(800), units.BaseHeight() * 100);
    const QRect du(8, 0, 180, 119);
    EXPECT_EQ(units.ToUnits(units.ToPixels(du)), du);
    EXPECT_EQ(DialogUnits::DialogFont().pointSize(), 8);
}

TEST(TemplateBuilder, BuildsGeometryStylesGroupsAndTabOrder) {
    const DialogTemplate t = SampleTemplate();
    TemplateDialog dialog(t, nullptr);
    ASSERT_EQ(dialog.Controls().size(), t.controls.size());
    for (const ControlSpec& spec : t.controls) {
        QWidget* widget = dialog.Control(spec.id);
        ASSERT_NE(widget, nullptr) << spec.id;
        EXPECT_EQ(dialog.Units().ToUnits(widget->geometry()),
                  QRect(spec.x, spec.y, spec.width, spec.height))
            << spec.id;
        EXPECT_EQ(widget->isHidden(), bool(spec.style & StyleHidden)) << spec.id;
        EXPECT_EQ(widget->isEnabled(), !(spec.style & StyleDisabled)) << spec.id;
    }
    EXPECT_EQ(dialog.size(), dialog.Units().ToPixels(QSize(t.width, t.height)));

    QButtonGroup* first = dialog.RadioGroupOf(dialog.Control(10));
    QButtonGroup* second = dialog.RadioGroupOf(dialog.Control(13));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, dialog.RadioGroupOf(dialog.Control(11)));
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(13)->isChecked());
    dialog.ControlAs<QRadioButton>(11)->click();
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(13)->isChecked());
    dialog.ControlAs<QRadioButton>(14)->click();
    EXPECT_FALSE(dialog.ControlAs<QRadioButton>(13)->isChecked());
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(11)->isChecked());

    // The next tab stop: the group's other buttons follow its own stop without one.
    QWidget* next = dialog.Control(10)->nextInFocusChain();
    while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, dialog.Control(12));
    EXPECT_EQ(dialog.Control(15)->focusPolicy(), Qt::ClickFocus);
    EXPECT_TRUE(dialog.ControlAs<QLineEdit>(15)->isReadOnly());
}

TEST(TemplateDialog, EnterPressesFocusedButtonOtherwiseRunsOk) {
    const DialogTemplate t = SampleTemplate();
    TemplateDialog dialog(t, nullptr);
    int goClicks = 0;
    QObject::connect(dialog.ControlAs<QPushButton>(12), &QPushButton::clicked,
                     [&goClicks] { ++goClicks; });
    dialog.show();
    dialog.Control(12)->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_EQ(goClicks, 1);
    EXPECT_TRUE(dialog.isVisible());

    dialog.Control(17)->setFocus();
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(TemplateDialog, EscapeAndFrameCloseRunCancel) {
    const DialogTemplate t = SampleTemplate();
    TemplateDialog dialog(t, nullptr);
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    dialog.setResult(QDialog::Accepted);
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(FeedbackRecorder, CapturesBeepsMessagesAndAnswers) {
    FeedbackRecorder recorder;
    recorder.answers = {true};
    Beep();
    Feedback::Current().Message(nullptr, QStringLiteral("hello"));
    EXPECT_TRUE(Feedback::Current().Ask(nullptr, QStringLiteral("sure?")));
    EXPECT_FALSE(Feedback::Current().Ask(nullptr, QStringLiteral("again?")));
    EXPECT_EQ(recorder.Beeps(), 1);
    EXPECT_EQ(recorder.Texts(FeedbackRecorder::Event::Message).front(), QStringLiteral("hello"));
    EXPECT_EQ(recorder.Questions(), 2);
}
