#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

// Tells a screen reader of a reply shown in a field while the focus stays elsewhere, on the
// button that asked. Screen readers speak text changes of the focused control only. The reply,
// "<field name>: <text>", is shown as a notification, an empty label that assistive tools see
// appear, and it is the focused control's description until the focus leaves it, when its own
// description comes back.
class ReplyAnnouncer : public QObject {
    Q_OBJECT
  public:
    explicit ReplyAnnouncer(QWidget* window);

    // Announces the field's text.
    void Announce(QLineEdit& field);

  private:
    void DescribeFocusedControl(const QString& message);
    void OnFocusChanged(QWidget* old);
    void Restore();

    QWidget* window_;
    QLabel* notice_;
    QPointer<QWidget> announcedOn_;
    QString ownDescription_;
};
