#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <vector>

// Installed for the lifetime of a test: records every event the program sends to assistive
// tools, in place of the platform's bridge. Events are only sent while accessibility is
// active, as it is with a screen reader running: the recorder makes it so.
class AccessibleEventRecorder {
  public:
    struct Event {
        QAccessible::Event type;
        QPointer<QObject> object;
        QVariant value;    // of a value change
        QString inserted;  // the new text of a text update
    };

    AccessibleEventRecorder() : wasActive_(QAccessible::isActive()) {
        Current() = this;
        QAccessible::installUpdateHandler(&Record);
        SetAccessibilityActive(true);
    }
    ~AccessibleEventRecorder() {
        SetAccessibilityActive(wasActive_);
        QAccessible::installUpdateHandler(nullptr);
        Current() = nullptr;
    }
    AccessibleEventRecorder(const AccessibleEventRecorder&) = delete;
    AccessibleEventRecorder& operator=(const AccessibleEventRecorder&) = delete;

    // The events of one type sent for one object.
    std::vector<Event> Of(const QObject* object, QAccessible::Event type) const {
        std::vector<Event> found;
        for (const Event& event : events) {
            if (event.object == object && event.type == type) {
                found.push_back(event);
            }
        }
        return found;
    }

    std::vector<Event> events;
    // The text of every notification shown, as it was when it showed: what a screen reader
    // speaks wherever the focus is.
    std::vector<QString> notifications;

  private:
    // Switches the platform's accessibility on or off, as a screen reader's start does.
    static void SetAccessibilityActive(bool active);

    const bool wasActive_;

    static AccessibleEventRecorder*& Current() {
        static AccessibleEventRecorder* current = nullptr;
        return current;
    }

    static void Record(QAccessibleEvent* event) {
        Event recorded{event->type(), event->object(), {}, {}};
        if (event->type() == QAccessible::ValueChanged) {
            recorded.value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
        } else if (event->type() == QAccessible::TextUpdated) {
            recorded.inserted = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
        }
        Current()->events.push_back(recorded);
        QAccessibleInterface* accessible = event->accessibleInterface();
        if (event->type() == QAccessible::ObjectShow && accessible != nullptr &&
            accessible->role() == QAccessible::Notification) {
            Current()->notifications.push_back(accessible->text(QAccessible::Name));
        }
    }
};
