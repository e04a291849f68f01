// A module as other developers build them against the program: the port interfaces by
// header only, GetPortManager left undefined for the program's export to satisfy at load.
#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "ExportProbe.h"
#include "ports/Port.h"
#include "ports/PortKind.h"
#include "ports/PortListener.h"
#include "ports/PortManager.h"

namespace {

class ModuleProbe : public ExportProbe, public PortListener {
  public:
    ~ModuleProbe() override { Close(); }

    PortManager* ManagerBoundAtLoad() override { return GetPortManager(); }

    PortManager* ManagerLookedUp() override {
        void* symbol = ::dlsym(RTLD_DEFAULT, "GetPortManager");
        if (symbol == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<PortManager* (*)()>(symbol)();
    }

    std::string Open(const std::string& name) override {
        Close();
        port_ = GetPortManager()->Open(name, this);
        if (port_ == nullptr) {
            return {};
        }
        name_ = name;
        return port_->GetTypeName();
    }

    bool Write(const std::string& data) override { return port_ != nullptr && port_->Write(data); }

    std::string Received(std::size_t count) override {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return received_.size() >= count; });
        return received_;
    }

    bool ShowSettingsDialog(std::string& name, std::string& settings,
                            std::int32_t& option) override {
        return GetPortManager()->ShowSettingsDialog(1, name, settings, &option,
                                                    PortKindSerial | PortKindFile, 1, 1);
    }

    std::string Configure(const std::string& settings) override {
        std::string name = name_;
        std::string applied = settings;
        if (port_ == nullptr || !GetPortManager()->Configure(name, applied)) {
            return {};
        }
        std::string reported;
        port_->GetSettings(reported);
        return reported;
    }

    bool Close() override {
        if (port_ == nullptr) {
            return false;
        }
        port_ = nullptr;
        return GetPortManager()->Close(name_, this);
    }

    void OnReceive(const std::string& chunk) override {
        {
            const std::lock_guard lock(mutex_);
            received_ += chunk;
        }
        arrived_.notify_all();
    }

  private:
    Port* port_ = nullptr;
    std::string name_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::string received_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) ExportProbe* CreateExportProbe() {
    return new ModuleProbe;
}
