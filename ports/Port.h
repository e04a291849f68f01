#pragma once

#include <cstdint>
#include <string>

class PortListener;

// A named endpoint: strings written are queued and sent by the port's own I/O thread;
// received bytes flow to the attached listeners. The slot order below is part of the
// interface other modules are built against: do not reorder.
class Port {
  public:
    virtual bool Write(const std::string& data) = 0;
    virtual void AcknowledgeReply() {}
    virtual bool Attach(PortListener* listener) = 0;
    virtual bool Detach(PortListener* listener) = 0;
    virtual void GetSettings(std::string& out) = 0;
    virtual bool Configure(const std::string& settings) = 0;
    virtual std::int32_t GetStatus() = 0;
    virtual std::string GetTypeName() = 0;
    virtual ~Port() = default;
};
