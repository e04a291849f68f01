#pragma once

#include <QLineEdit>
#include <cstdint>

#include "controls/NumericEditRules.h"

// A single-line edit field that only lets the user type a decimal number within its limits.
// Every change of its text by the user goes through ApplyNumericKey(); pasting, dropping,
// undoing and the other edits that would bypass the rules are refused. Select-all (Ctrl+A)
// works as in any field.
class NumericEdit : public QLineEdit {
    Q_OBJECT
  public:
    NumericEdit(std::uint8_t integerDigits, std::uint8_t fractionDigits, double lowerBound,
                double upperBound, QWidget* parent = nullptr);

    void SetLimits(const NumericLimits& limits) { limits_ = limits; }
    const NumericLimits& Limits() const { return limits_; }

    // The text and selection as the rules see them.
    NumericEditState State() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Runs one key through the rules and applies it if accepted.
    void Apply(NumericKey key);

    NumericLimits limits_;
};
