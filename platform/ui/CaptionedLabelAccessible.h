#pragma once

#include <QAccessibleWidget>

class QLabel;

namespace ui {

// A static text that shows a value under a caption read elsewhere on the screen ("Max" and a
// column number): assistive tools get the caption and the shown text as its name ("Max 0,
// 1.234"; the caption alone while it shows nothing), and the shown text as its value and
// description, always the label's current text.
class CaptionedLabelAccessible : public QAccessibleWidget {
  public:
    explicit CaptionedLabelAccessible(QLabel* label);

    // Gives the label its caption, and installs the interface's factory once per process.
    static void SetCaption(QLabel* label, const QString& caption);

    QString text(QAccessible::Text textType) const override;
    // With the control whose data it shows (SetAccessibleController) as its controller.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override;

  private:
    QLabel* Label() const;
};

}  // namespace ui
