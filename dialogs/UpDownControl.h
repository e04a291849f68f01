#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control: two arrow buttons that step an integer position within a range, shown in
// a read-only buddy field beside it. The arrow keys, of either keyboard, step it while it or
// its buddy has focus. Assistive tools see the buddy as a spin button.
class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    void SetPosition(int position);
    int Position() const { return position_; }
    int Low() const { return low_; }
    int High() const { return high_; }

    // The buddy shows the position as an integer and passes its arrow keys on.
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return buddy_; }
    // Moves to the buddy's right edge and narrows the buddy by its own width, so that the
    // pair fills the buddy's former place without a gap.
    void AttachToRightOfBuddy();
    // Moves to a position (clamped to the range) as a scroll by the user does: Scrolled follows.
    void ScrollTo(int position);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

  signals:
    // Sent for every arrow click or arrow key, also when the position stays at a limit.
    void Scrolled(int position);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Step(int delta);
    void ShowPosition();
    bool HandleKey(QKeyEvent* event);

    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* buddy_ = nullptr;
    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
};
