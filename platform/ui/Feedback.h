#pragma once

#include <QString>

class QWidget;

namespace ui {

// Every beep and message box of the program goes through the current Feedback, so that
// tests can substitute a recorder.
class Feedback {
  public:
    virtual ~Feedback() = default;
    virtual void Beep() = 0;
    // A warning box with an OK button.
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // A warning box with Yes and No; true for Yes.
    virtual bool Ask(QWidget* parent, const QString& text) = 0;

    static Feedback& Current();
    // Installs a replacement (null restores the system's); the caller keeps ownership.
    static void Install(Feedback* feedback);
};

// The real one: the system beep and QMessageBox with the executable's base name as caption.
class SystemFeedback : public Feedback {
  public:
    void Beep() override;
    void Message(QWidget* parent, const QString& text) override;
    bool Ask(QWidget* parent, const QString& text) override;

    static QString Caption();
};

inline void Beep() {
    Feedback::Current().Beep();
}

}  // namespace ui
