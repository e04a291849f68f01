#pragma once

#include <QJsonObject>

// Told of each thing that happens in a service visit: an event kind ("set_voltage",
// "query_current", ...) and its values in units. The recorder adds the time and the port.
class VisitRecorder {
  public:
    virtual ~VisitRecorder() = default;
    virtual void Event(const char* kind, QJsonObject values) = 0;
};
