#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;
class QWidget;

// Tells a screen reader of a reply shown in a field while the focus stays elsewhere, on the
// button that asked. Screen readers speak text changes of the focused control only, but they
// speak a new description of it: the focused control's description becomes
// "<field name>: <text>" until the focus leaves it, when its own description comes back.
class ReplyAnnouncer : public QObject {
    Q_OBJECT
  public:
    explicit ReplyAnnouncer(QWidget* window);

    // Announces the field's text on the window's focused control, if it has one.
    void Announce(QLineEdit& field);

  private:
    void OnFocusChanged(QWidget* old);
    void Restore();

    QWidget* window_;
    QPointer<QWidget> announcedOn_;
    QString ownDescription_;
};
