#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "ports/LineLoss.h"

class PortManagerImpl;

namespace cli {

// Hears from the port manager when the line of one port goes away, and tells on the thread of
// a context object, at once.
class LineLossWatch final : private LineLossListener {
  public:
    using Lost = std::function<void(const std::string& devicePath)>;
    LineLossWatch(PortManagerImpl& ports, std::string portName, QObject& context, Lost lost);
    ~LineLossWatch();
    LineLossWatch(const LineLossWatch&) = delete;
    LineLossWatch& operator=(const LineLossWatch&) = delete;

  private:
    void LineLost(const std::string& portName, const std::string& devicePath) override;

    PortManagerImpl& ports_;
    const std::string portName_;
    QObject& context_;
    Lost lost_;
};

}  // namespace cli
