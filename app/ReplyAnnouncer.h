#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QLineEdit;
class QWidget;

// Tells a screen reader of a reply shown in a field while the focus stays elsewhere, on the
// button that asked: once, as a notification (ui::ScreenReaderNotice), "<field name>: <text>",
// with the sensor of a query row ("Voltage Response: 0x763 (4.618 V), sensor 2.") and, after a
// voltage or current, the power level computed from them. Told once the handler has filled
// every field of the reply.
class ReplyAnnouncer : public QObject {
    Q_OBJECT
  public:
    // Nothing is told while quiet() holds (the dump's report lines).
    ReplyAnnouncer(QWidget* window, std::function<bool()> quiet);

    // Tells the field's text when it changes, with the sensor field's number when there is one,
    // and with the power level row's text when withPowerLevel.
    void Watch(QLineEdit& reply, QLineEdit* sensor = nullptr, bool withPowerLevel = false);
    void SetPowerLevelField(QLineEdit& level);

    // Tells the watched field's text even when it did not change, as for an outcome that came
    // out as the last one did. Nothing without an announcer watching the field.
    static void TellAgain(QLineEdit& reply);

  private:
    struct Row {
        QLineEdit* reply;
        QLineEdit* sensor;
        bool withPowerLevel;
    };
    void Schedule(std::size_t row);
    void Flush();
    QString RowText(const Row& row) const;

    QWidget* window_;
    std::function<bool()> quiet_;
    std::vector<Row> rows_;
    std::vector<std::size_t> pending_;
    QLineEdit* powerLevel_ = nullptr;
};
