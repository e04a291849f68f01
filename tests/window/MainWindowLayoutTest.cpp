// The built main window against the layout of its dialog template, control by control.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <ostream>
#include <vector>

#include "FeedbackRecorder.h"
#include "ModalAnswer.h"
#include "SystemMessageBoxes.h"
#include "WindowTestSupport.h"
#include "app/AboutDialog.h"
#include "app/MaintenanceDialog.h"
#include "controls/StatusLamp.h"

// Failure messages show points as x, y.
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << point.x() << ", " << point.y();
}

namespace {

using windowtest::PortEnvironment;

enum class Kind { Button, Radio, Check, Edit, Static, Group, List, Lamp };

enum Flag : unsigned {
    None = 0,
    Tab = 1,  // tab stop
    ReadOnly = 2,
    Centred = 4,
    Right = 8,
    Border = 16,
    Hidden = 32,
    Disabled = 64,
    Digits = 128,
    Sunken = 256,
};

struct Expected {
    int id;  // -1: no id
    Kind kind;
    const char* text;
    int x, y, w, h;
    unsigned flags;
    const char* initialText = "";
};

// The layout of the window, as its documentation gives it.
std::vector<Expected> ExpectedControls() {
    std::vector<Expected> rows = {
        // Command section.
        {-1, Kind::Group, "Command Section", 8, 0, 180, 119, None},
        {1000, Kind::Radio, "Go Offline", 35, 10, 47, 10, Tab},
        {1001, Kind::Radio, "Go Online", 35, 20, 47, 10, None},
        {1003, Kind::Button, "Set Power Lvl", 18, 33, 75, 14, Tab},
        {1004, Kind::Button, "Set Voltage", 18, 48, 75, 14, Tab},
        {1005, Kind::Button, "Set Trip Point", 18, 63, 75, 14, Tab},
        {1007, Kind::Button, "Adjust Trip Point", 18, 78, 75, 14, Tab},
        {1012, Kind::Button, "Sensor Reports", 103, 13, 75, 14, Tab},
        {1006, Kind::Button, "Train Sensor", 103, 33, 75, 14, Tab},
        {1008, Kind::Button, "Save Training Data", 103, 48, 75, 14, Tab},
        {1009, Kind::Button, "Restore Training Data", 103, 63, 75, 14, Tab},
        {1010, Kind::Button, "Poll For Instrument", 103, 78, 75, 14, Tab},
        {-1, Kind::Static, "Response", 18, 94, 33, 8, None},
        {1002, Kind::Edit, "", 18, 102, 160, 14, ReadOnly | Border},
        // Sensor status section.
        {-1, Kind::Group, "Sensor Status Section", 186, 0, 180, 119, None},
        {1011, Kind::Button, "Update", 200, 14, 50, 14, Tab},
        {1052, Kind::Check, "Auto-Update", 264, 14, 75, 10, Hidden | Disabled},
        {-1, Kind::Static, "Enabled", 220, 44, 40, 8, None},
        {-1, Kind::Static, "Trained", 220, 57, 40, 8, None},
        {-1, Kind::Static, "Shorted", 220, 70, 40, 8, None},
        {-1, Kind::Static, "Opened", 220, 84, 40, 8, None},
        {-1, Kind::Static, "Covered", 220, 98, 40, 8, None},
        // Query section.
        {-1, Kind::Group, "Query Section", 8, 120, 167, 170, None},
        {-1, Kind::Static, "Response", 90, 138, 35, 8, None},
        {-1, Kind::Static, "Sensor #", 144, 138, 33, 8, None},
        {1053, Kind::Button, "Voltage", 12, 152, 50, 14, Tab},
        {1056, Kind::Edit, "", 74, 152, 75, 14, ReadOnly | Border},
        {1059, Kind::Edit, "", 153, 152, 10, 14, ReadOnly | Border},
        {1054, Kind::Button, "Current", 12, 172, 50, 14, Tab},
        {1057, Kind::Edit, "", 74, 172, 75, 14, ReadOnly | Border},
        {1060, Kind::Edit, "", 154, 172, 10, 14, ReadOnly | Border},
        {1055, Kind::Button, "Trip Point", 12, 192, 50, 14, Tab},
        {1058, Kind::Edit, "", 74, 192, 75, 14, ReadOnly | Border},
        {1061, Kind::Edit, "", 154, 192, 10, 14, ReadOnly | Border},
        {-1, Kind::Static, "Power Level (VI)", 14, 220, 55, 8, None},
        {1067, Kind::Edit, "", 74, 218, 75, 14, ReadOnly | Border},
        {1066, Kind::Edit, "", 154, 218, 10, 14, ReadOnly | Border},
        // Sensor current dump section.
        {-1, Kind::Group, "Sensor Current Dump", 174, 120, 192, 170, None},
        {1064, Kind::Button, "Start", 191, 133, 50, 14, Tab},
        {1062, Kind::Radio, "Left Tube", 250, 130, 50, 10, Tab},
        {1063, Kind::Radio, "Right Tube", 305, 130, 48, 10, None},
        {1075, Kind::Check, "Dump To File", 251, 142, 60, 10, Tab},
        {1076, Kind::Edit, "", 191, 155, 150, 14, Tab | Border},
        {1077, Kind::Button, "...", 345, 155, 15, 14, Tab},
        // A keyboard stop for screen readers, beyond the template's.
        {1065, Kind::List, "", 191, 172, 170, 65, Border | Tab},
        {1103, Kind::Button, "Reset", 180, 239, 25, 13, Tab},
        {-1, Kind::Static, "Max", 180, 252, 16, 8, None},
        {-1, Kind::Static, "Min", 180, 261, 16, 8, None},
        {-1, Kind::Static, "Acceptable Sensor Current Spread", 186, 277, 110, 8, Right},
        {1104, Kind::Edit, "", 301, 275, 40, 12, Tab | Border | Digits, "20"},
        {-1, Kind::Static, "\u00B5A", 344, 277, 15, 8, None},
        // Below the sections.
        {1083, Kind::Button, "Sensor Timing Test", 54, 295, 85, 14, Tab},
        {1, Kind::Button, "Done", 316, 295, 50, 14, Tab},
    };
    static const char* const headings[] = {"7", "6", "5", "4", "3", "2", "1", "0"};
    const int headingX[] = {265, 276, 286, 296, 306, 316, 326, 336};
    for (int k = 0; k < 8; ++k) {
        rows.push_back({-1, Kind::Static, headings[k], headingX[k], 29, 10, 8, None});
    }
    for (int r = 0; r < 5; ++r) {
        for (int k = 0; k < 8; ++k) {
            rows.push_back({2000 + 8 * r + k, Kind::Edit, "", 264 + 10 * k, 40 + 14 * r, 10, 14,
                            ReadOnly | Centred | Border});
        }
    }
    const int lampX[] = {211, 249, 287, 325};
    const int labelX[] = {203, 241, 279, 317};
    for (int c = 0; c < 4; ++c) {
        rows.push_back({1091 + c, Kind::Lamp, "", lampX[c], 240, 11, 10, None});
        rows.push_back({1095 + c, Kind::Static, "", labelX[c], 253, 30, 8, Centred | Sunken});
        rows.push_back({1099 + c, Kind::Static, "", labelX[c], 263, 30, 8, Centred | Sunken});
    }
    return rows;
}

bool HasKind(QWidget* widget, Kind kind) {
    switch (kind) {
        case Kind::Button:
            return qobject_cast<QPushButton*>(widget) && !qobject_cast<StatusLamp*>(widget);
        case Kind::Radio:
            return qobject_cast<QRadioButton*>(widget);
        case Kind::Check:
            return qobject_cast<QCheckBox*>(widget);
        case Kind::Edit:
            return qobject_cast<QLineEdit*>(widget);
        case Kind::Static:
            return qobject_cast<QLabel*>(widget);
        case Kind::Group:
            return qobject_cast<QGroupBox*>(widget);
        case Kind::List:
            return qobject_cast<QTreeWidget*>(widget);
        case Kind::Lamp:
            return qobject_cast<StatusLamp*>(widget);
    }
    return false;
}

QString TextOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

Qt::Alignment HorizontalAlignmentOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->alignment() & Qt::AlignHorizontal_Mask;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->alignment() & Qt::AlignHorizontal_Mask;
    }
    return Qt::AlignLeft;
}

class MainWindowLayoutTest : public ::testing::Test {
  protected:
    PortEnvironment ports;  // no serial device at all
    FeedbackRecorder feedback;
};

TEST_F(MainWindowLayoutTest, EveryControlHasItsKindTextGeometryAndInitialState) {
    MaintenanceDialog dialog;
    dialog.InitDialog();
    dialog.show();
    const std::vector<Expected> rows = ExpectedControls();
    std::vector<QWidget*> matched;

    for (const Expected& row : rows) {
        SCOPED_TRACE(::testing::Message() << "control " << row.id << " \"" << row.text << "\"");
        const QRect expectedUnits(row.x, row.y, row.w, row.h);
        QWidget* widget = nullptr;
        if (row.id >= 0) {
            widget = dialog.Control(row.id);
        } else {
            for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (HasKind(child, row.kind) && TextOf(child) == QString::fromUtf8(row.text) &&
                    dialog.Units().ToUnits(child->geometry()) == expectedUnits) {
                    widget = child;
                }
            }
        }
        ASSERT_NE(widget, nullptr);
        matched.push_back(widget);
        EXPECT_EQ(widget->parentWidget(), &dialog);
        EXPECT_TRUE(HasKind(widget, row.kind));
        EXPECT_EQ(dialog.Units().ToUnits(widget->geometry()), expectedUnits);
        const bool isEdit = row.kind == Kind::Edit;
        EXPECT_EQ(TextOf(widget), QString::fromUtf8(isEdit ? row.initialText : row.text));

        const bool tabStop = (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        EXPECT_EQ(tabStop, (row.flags & Tab) != 0);
        EXPECT_EQ(widget->isVisible(), (row.flags & Hidden) == 0);
        EXPECT_EQ(widget->isEnabled(), (row.flags & Disabled) == 0);
        if (isEdit) {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            EXPECT_EQ(edit->isReadOnly(), (row.flags & ReadOnly) != 0);
            EXPECT_EQ(edit->hasFrame(), (row.flags & Border) != 0);
            EXPECT_EQ(edit->validator() != nullptr, (row.flags & Digits) != 0);
        }
        if (row.kind == Kind::Edit || row.kind == Kind::Static) {
            const Qt::Alignment expected = (row.flags & Centred) ? Qt::AlignHCenter
                                           : (row.flags & Right) ? Qt::AlignRight
                                                                 : Qt::AlignLeft;
            EXPECT_EQ(HorizontalAlignmentOf(widget), expected);
        }
        if (row.kind == Kind::Static && (row.flags & Sunken)) {
            EXPECT_EQ(qobject_cast<QLabel*>(widget)->frameShadow(), QFrame::Sunken);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->isChecked(), row.id == 1062) << "only Left Tube starts checked";
        }
        if (row.kind == Kind::Lamp) {
            EXPECT_EQ(qobject_cast<StatusLamp*>(widget)->Lit(), 0);
            EXPECT_FALSE(widget->accessibleName().isEmpty());
        }
    }
    // Each expected control is a different widget.
    std::sort(matched.begin(), matched.end());
    EXPECT_EQ(std::unique(matched.begin(), matched.end()), matched.end());
}

TEST_F(MainWindowLayoutTest, WindowFrameRadioGroupsTabOrderAndDumpColumns) {
    MaintenanceDialog dialog;
    dialog.InitDialog();
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Morwen Sensor Maintenance Utility"));
    EXPECT_EQ(dialog.size(), dialog.Units().ToPixels(QSize(377, 316)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_FALSE(dialog.Icon().isNull());

    // Two separate radio groups.
    QButtonGroup* command = dialog.RadioGroupOf(dialog.Control(1000));
    QButtonGroup* tube = dialog.RadioGroupOf(dialog.Control(1062));
    ASSERT_NE(command, nullptr);
    ASSERT_NE(tube, nullptr);
    EXPECT_NE(command, tube);
    EXPECT_EQ(dialog.RadioGroupOf(dialog.Control(1001)), command);
    EXPECT_EQ(dialog.RadioGroupOf(dialog.Control(1063)), tube);
    EXPECT_EQ(command->buttons().size(), 2);
    EXPECT_EQ(tube->buttons().size(), 2);
    // Each pair is exclusive within itself only.
    const auto button = [&](int id) { return qobject_cast<QAbstractButton*>(dialog.Control(id)); };
    button(1001)->setChecked(true);
    button(1063)->setChecked(true);
    EXPECT_FALSE(button(1000)->isChecked());
    EXPECT_TRUE(button(1001)->isChecked());
    EXPECT_FALSE(button(1062)->isChecked());
    EXPECT_TRUE(button(1063)->isChecked());
    button(1062)->setChecked(true);
    EXPECT_TRUE(button(1001)->isChecked());
    EXPECT_FALSE(button(1063)->isChecked());

    // Tab order: the tab stops in the order of the layout, focus on the first; for screen
    // readers the status grid's table follows "Update" (-1) and the dump list "...".
    const std::vector<int> tabOrder = {1000, 1003, 1004, 1005, 1007, 1012, 1006, 1008, 1009,
                                       1010, 1011, -1,   1053, 1054, 1055, 1064, 1062, 1075,
                                       1076, 1077, 1065, 1103, 1104, 1083, 1};
    QWidget* statusGrid = dialog.findChild<QTableView*>();
    ASSERT_NE(statusGrid, nullptr);
    const auto stop = [&](int id) { return id < 0 ? statusGrid : dialog.Control(id); };
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i) {
        QWidget* next = stop(tabOrder[i])->nextInFocusChain();
        while (next != &dialog && !(next->focusPolicy() & Qt::TabFocus)) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, stop(tabOrder[i + 1])) << "after " << tabOrder[i];
    }
    EXPECT_EQ(dialog.focusWidget(), dialog.Control(1000));

    // Dump list: four centred columns, each a quarter of the client width that is left beside
    // a vertical scroll bar, rounded down.
    auto* list = dialog.ControlAs<QTreeWidget>(1065);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->columnCount(), 4);
    ASSERT_FALSE(list->verticalScrollBar()->isVisible());
    const int clientWidth =
        list->viewport()->width() - list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->headerItem()->text(c), QStringLiteral("%1 (mA)").arg(c));
        EXPECT_EQ(list->columnWidth(c), clientWidth / 4);
        EXPECT_TRUE(list->headerItem()->textAlignment(c) & Qt::AlignHCenter);
    }
    EXPECT_EQ(list->topLevelItemCount(), 0);

    // Defaults of the state.
    EXPECT_DOUBLE_EQ(dialog.SpreadLimit(), 0.02);
    EXPECT_FALSE(dialog.IsDumpRunning());
    for (int sensor = 0; sensor < 8; ++sensor) {
        EXPECT_EQ(dialog.LastVoltage(sensor), 0.0);
        EXPECT_EQ(dialog.LastCurrent(sensor), 0.0);
    }
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(dialog.MaximumCurrent(c), 0.0);
        EXPECT_EQ(dialog.MinimumCurrent(c), 999999.0);
    }
    EXPECT_FALSE(dialog.IsTimerActive(MaintenanceDialog::kTrainingTimerId));
    EXPECT_FALSE(dialog.IsTimerActive(MaintenanceDialog::kDumpTimerId));
}

// Notes whether the message's window was already on screen when the message came.
class VisibilityRecorder : public FeedbackRecorder {
  public:
    void Message(QWidget* parent, const QString& text) override {
        parentVisible.push_back(parent != nullptr && parent->isVisible());
        FeedbackRecorder::Message(parent, text);
    }
    std::vector<bool> parentVisible;
};

TEST_F(MainWindowLayoutTest, NoSerialDeviceSaysSoBeforeTheWindowIsShown) {
    VisibilityRecorder recorder;
    MaintenanceDialog dialog;
    dialog.show();  // runs the initialisation first
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(recorder.Beeps(), 1);
    ASSERT_EQ(recorder.Messages(), 1);
    EXPECT_EQ(recorder.Texts(FeedbackRecorder::Event::Message)[0],
              QStringLiteral("No available serial ports."));
    ASSERT_EQ(recorder.parentVisible.size(), 1u);
    EXPECT_FALSE(recorder.parentVisible[0]);
    EXPECT_EQ(dialog.Link(), nullptr);
    // Initialisation runs once only.
    dialog.InitDialog();
    EXPECT_EQ(recorder.Messages(), 1);
}

TEST_F(MainWindowLayoutTest, ResetCurrentExtremesClearsLabelsAndPutsLampsOut) {
    MaintenanceDialog dialog;
    dialog.InitDialog();
    for (int c = 0; c < 4; ++c) {
        dialog.SpreadLamp(c)->SetLit(1);
        dialog.ControlAs<QLabel>(1095 + c)->setText(QStringLiteral("1.000"));
        dialog.ControlAs<QLabel>(1099 + c)->setText(QStringLiteral("0.500"));
    }
    dialog.ResetCurrentExtremes();
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(dialog.SpreadLamp(c)->Lit(), 0);
        EXPECT_TRUE(dialog.ControlAs<QLabel>(1095 + c)->text().isEmpty());
        EXPECT_TRUE(dialog.ControlAs<QLabel>(1099 + c)->text().isEmpty());
        EXPECT_EQ(dialog.MaximumCurrent(c), 0.0);
        EXPECT_EQ(dialog.MinimumCurrent(c), 999999.0);
    }
}

// Closes the About box once it runs and reports what it was.
struct ModalProbe {
    QString caption;
    QString text;
    bool isAbout = false;
    void Arm() {
        QTimer::singleShot(0, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* about = qobject_cast<AboutDialog*>(modal)) {
                isAbout = true;
                caption = about->windowTitle();
                for (QLabel* label : about->findChildren<QLabel*>()) {
                    if (!label->text().isEmpty()) {
                        text = label->text();
                    }
                }
                about->ControlAs<QPushButton>(1)->click();
            }
        });
    }
};

TEST_F(MainWindowLayoutTest, AboutEntryOpensTheAboutBoxAndLeavesTheWindowAsItWas) {
    MaintenanceDialog dialog;
    dialog.InitDialog();
    dialog.show();
    ASSERT_NE(dialog.SystemMenu(), nullptr);
    // The first entry after the separator; other windows' entries may follow it.
    QAction* entry = nullptr;
    for (QAction* action : dialog.SystemMenu()->actions()) {
        if (!action->isSeparator() && entry == nullptr) {
            entry = action;
        }
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(dialog.SystemMenu()->actions().front()->isSeparator());
    EXPECT_EQ(entry->text(), QStringLiteral("&About Merrowby..."));
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(dialog.actions().contains(entry));

    ModalProbe probe;
    probe.Arm();
    entry->trigger();
    EXPECT_TRUE(probe.isAbout);
    EXPECT_EQ(probe.caption, QStringLiteral("About Merrowby"));
    EXPECT_EQ(probe.text, QStringLiteral("Merrowby Version 1.0"));

    // The low four bits of the command do not matter; other commands do nothing.
    ModalProbe second;
    second.Arm();
    dialog.OnSysCommand(MaintenanceDialog::kAboutCommandId | 0x7);
    EXPECT_TRUE(second.isAbout);
    ModalProbe none;
    none.Arm();
    dialog.OnSysCommand(0xF060);
    QApplication::processEvents();
    EXPECT_FALSE(none.isAbout);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(feedback.Messages(), 1);  // only the discovery's
}

// The window's menu as a popup: where it opened, once it has, and closed again.
class PopupProbe {
  public:
    PopupProbe() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                opened = true;
                topLeft = menu->geometry().topLeft();
                menu->close();
            }
        });
        timer_.start(5);
    }
    bool opened = false;
    QPoint topLeft;

  private:
    QTimer timer_;
};

TEST_F(MainWindowLayoutTest, TheWindowMenuOpensFromTheKeyboardUnderTheFocusedControl) {
    MaintenanceDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_NE(dialog.SystemMenu(), nullptr);
    auto* start = dialog.ControlAs<QPushButton>(MaintenanceDialog::IdStartStop);
    start->setFocus();
    const QPoint underStart = start->mapToGlobal(QPoint(0, start->height()));

    {
        PopupProbe probe;
        QTest::keyClick(&dialog, Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return probe.opened; }));
        EXPECT_EQ(probe.topLeft, underStart);
    }
    {
        // The Menu key, as the window system hands it to the focused control.
        PopupProbe probe;
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0),
                                  start->mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(start, &menuKey);
        EXPECT_TRUE(QTest::qWaitFor([&] { return probe.opened; }));
        EXPECT_EQ(probe.topLeft, underStart);
    }
    {
        // The mouse opens it where it was clicked.
        PopupProbe probe;
        const QPoint clicked = dialog.mapToGlobal(QPoint(30, 40));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 40), clicked);
        QApplication::sendEvent(&dialog, &click);
        EXPECT_TRUE(QTest::qWaitFor([&] { return probe.opened; }));
        EXPECT_EQ(probe.topLeft, clicked);
    }
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(MainWindowLayoutTest, TheStartUpMessageIsCentredOnTheWindowItComesBefore) {
    const SystemMessageBoxes systemBoxes(feedback);
    MaintenanceDialog dialog;
    SeenMessageBox seen;
    bool windowVisible = true;
    const ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
        seen = SeenMessageBox::Of(*box);
        windowVisible = dialog.isVisible();
        Press(*box, QMessageBox::Ok);
    });
    dialog.show();
    ASSERT_TRUE(answer.Answered());
    EXPECT_EQ(seen.text, QStringLiteral("No available serial ports."));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.caption, ExecutableBaseName());
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_FALSE(windowVisible);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect windowFrame = dialog.frameGeometry();
    EXPECT_TRUE(CentredOn(seen.frame, windowFrame))
        << seen.frame.center().x() << "," << seen.frame.center().y() << " against "
        << windowFrame.center().x() << "," << windowFrame.center().y();
    EXPECT_TRUE(dialog.screen()->availableGeometry().contains(dialog.frameGeometry()));
}

TEST(AboutDialogTest, ShowsIconTextAndDefaultOk) {
    AboutDialog about;
    EXPECT_EQ(about.size(), about.Units().ToPixels(QSize(235, 55)));
    auto* ok = about.ControlAs<QPushButton>(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(about.Units().ToUnits(ok->geometry()), QRect(178, 7, 50, 14));
    bool iconShown = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (about.Units().ToUnits(label->geometry()) == QRect(11, 17, 20, 20)) {
            iconShown = !label->pixmap().isNull();
        }
    }
    EXPECT_TRUE(iconShown);
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
