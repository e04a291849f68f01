#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QString>
#include <QWidget>

// What assistive tools read of a control, through the interface the AT-SPI bridge uses.
struct AccessibleView {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    bool checkable = false;
    bool checked = false;
    bool focusable = false;
};

inline AccessibleView ViewOf(QWidget* widget) {
    AccessibleView view;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (accessible == nullptr) {
        ADD_FAILURE() << "no accessible interface";
        return view;
    }
    view.role = accessible->role();
    view.name = accessible->text(QAccessible::Name);
    view.checkable = accessible->state().checkable;
    view.checked = accessible->state().checked;
    view.focusable = accessible->state().focusable;
    return view;
}

inline constexpr int kNotCheckable = -1;

// Role, name and, for checkable controls (checked 0 or 1), the checked state.
inline void ExpectAccessible(QWidget* widget, QAccessible::Role role, const QString& name,
                             int checked = kNotCheckable) {
    ASSERT_NE(widget, nullptr);
    const AccessibleView view = ViewOf(widget);
    EXPECT_EQ(view.role, role) << name.toStdString();
    EXPECT_EQ(view.name, name);
    EXPECT_EQ(view.checkable, checked != kNotCheckable) << name.toStdString();
    if (checked != kNotCheckable) {
        EXPECT_EQ(view.checked, checked == 1) << name.toStdString();
    }
}
