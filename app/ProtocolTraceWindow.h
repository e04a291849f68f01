#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QTimer;
namespace trace {
class ProtocolTrace;
}

// "Protocol Trace": the last 2,000 entries of the trace, following new ones, with "Save As..."
// and "Clear". Not modal. The trace (may be null: nothing to show) must outlive the window.
// New entries are shown in batches, at most one every 500 ms, and none while the window is
// hidden: each change of the list is an event for assistive tools, and a flood of them
// drowns what else the program tells.
class ProtocolTraceWindow : public QWidget {
    Q_OBJECT

  public:
    ProtocolTraceWindow(trace::ProtocolTrace* trace, QWidget* parent);
    ~ProtocolTraceWindow() override;

    // The entries shown, with those still to be shown.
    QStringList Entries() const;
    // Writes the entries shown, one per line; false when the file cannot be written.
    bool SaveTo(const QString& path) const;
    void Clear();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void Append(const QString& line);
    void ShowPending();
    void SaveAs();

    trace::ProtocolTrace* trace_;
    int subscription_ = 0;
    QPlainTextEdit* entries_ = nullptr;
    QStringList pending_;
    QTimer* pendingTimer_ = nullptr;
};
