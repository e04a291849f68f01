#pragma once

#include <QObject>

namespace portsettingstest {

// Counts the F1 presses that reach the widgets it is installed on as an event filter; lets
// every event through.
class HelpKeyCounter : public QObject {
  public:
    int Count() const { return count_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int count_ = 0;
};

}  // namespace portsettingstest
