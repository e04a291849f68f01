#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
namespace trace {
class ProtocolTrace;
}

// "Protocol Trace": the last 2,000 entries of the trace, following new ones, with "Save As..."
// and "Clear". Not modal. The trace (may be null: nothing to show) must outlive the window.
class ProtocolTraceWindow : public QWidget {
    Q_OBJECT

  public:
    ProtocolTraceWindow(trace::ProtocolTrace* trace, QWidget* parent);
    ~ProtocolTraceWindow() override;

    QStringList Entries() const;
    // Writes the entries shown, one per line; false when the file cannot be written.
    bool SaveTo(const QString& path) const;
    void Clear();

  private:
    void Append(const QString& line);
    void SaveAs();

    trace::ProtocolTrace* trace_;
    int subscription_ = 0;
    QPlainTextEdit* entries_ = nullptr;
};
