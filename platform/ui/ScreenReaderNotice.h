#pragma once

#include <QObject>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace ui {

// Tells screen readers a short text wherever the focus is: a notification, an empty label of the
// window that assistive tools see appear with the text as its name. (Screen readers speak name
// and description changes of the focused control only, and with Qt 6.4's AT-SPI bridge not even
// those: it sends the changed object in place of its new text.)
class ScreenReaderNotice : public QObject {
    Q_OBJECT
  public:
    // The notice of the widget's window, made on first use.
    static ScreenReaderNotice& Of(QWidget& widget);
    // Tells the text through the notice of the widget's window.
    static void Tell(QWidget& widget, const QString& text);
    // Tells a button's new text when it has the focus, as screen readers would read a name
    // change of the focused control.
    static void TellNewText(QAbstractButton& button);

    void Tell(const QString& text);
    // The text last told, empty before the first.
    QString LastTold() const;

  private:
    explicit ScreenReaderNotice(QWidget& window);

    QLabel* label_;
};

}  // namespace ui
