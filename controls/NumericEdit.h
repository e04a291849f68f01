#pragma once

#include <QLineEdit>
#include <cstdint>

#include "controls/NumericEditRules.h"

// A single-line edit field that only lets the user type a decimal number within its limits.
// Every change of its text by the user goes through ApplyNumericKey(); pasting, dropping,
// undoing and the other edits that would bypass the rules are refused. Select-all (Ctrl+A)
// works as in any field. A refused key is told to screen readers with the reason ("2 refused.
// Up to 10.00."); it makes no sound.
class NumericEdit : public QLineEdit {
    Q_OBJECT
  public:
    NumericEdit(std::uint8_t integerDigits, std::uint8_t fractionDigits, double lowerBound,
                double upperBound, QWidget* parent = nullptr);

    void SetLimits(const NumericLimits& limits) { limits_ = limits; }
    const NumericLimits& Limits() const { return limits_; }
    // The reasons told for a value beyond the bounds, in the owner's words ("From 0.00.",
    // "Up to 10.00."); by default the bounds themselves ("More than -0.01.").
    void SetBoundsWords(const QString& tooLow, const QString& tooHigh);

    // What is told when the key is refused for that reason; empty for a key with nothing to do.
    QString RefusalText(NumericKey key, NumericRefusal refusal) const;

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
    QString tooLowWords_;
    QString tooHighWords_;
};
