#pragma once

#include <QJsonObject>
#include <QWidget>
#include <array>

class QLineEdit;

// The report's details as the technician types them: the instrument's model, serial number
// and asset number, the customer and the customer's contact, the site, the reason for the
// visit and the technician's full name. Values() and SetValues() hold them as a "report_details"
// event's fields.
class ReportDetailsFields : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFieldCount = 8;

    explicit ReportDetailsFields(QWidget* parent);

    QJsonObject Values() const;
    // Without signals; fields the values do not name are emptied.
    void SetValues(const QJsonObject& values);
    void SetReadOnly(bool readOnly);
    QLineEdit* Field(const char* name) const;

  signals:
    void Edited();

  private:
    std::array<QLineEdit*, kFieldCount> fields_{};
};
