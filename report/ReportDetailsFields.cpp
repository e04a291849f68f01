#include "report/ReportDetailsFields.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

struct FieldText {
    const char* name;  // the event's field
    const char* label;
};

// Two columns: the instrument and the customer on the left, the visit on the right; the
// customer's contact beside the customer.
constexpr std::array<FieldText, ReportDetailsFields::kFieldCount> kFields{{
    {"model", "&Model:"},
    {"serial_number", "Se&rial Number:"},
    {"asset_number", "&Asset Number:"},
    {"customer", "C&ustomer:"},
    {"site", "S&ite:"},
    {"reason", "R&eason:"},
    {"technician", "&Technician:"},
    {"contact", "Customer Contact:"},
}};

constexpr int kRows = 4;

}  // namespace

ReportDetailsFields::ReportDetailsFields(QWidget* parent) : QWidget(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        auto* label = new QLabel(QString::fromLatin1(kFields[i].label), this);
        auto* field = new QLineEdit(this);
        field->setObjectName(QLatin1String(kFields[i].name));
        field->setMaxLength(200);
        label->setBuddy(field);
        const int row = static_cast<int>(i) % kRows;
        const int column = static_cast<int>(i) / kRows * 2;
        layout->addWidget(label, row, column);
        layout->addWidget(field, row, column + 1);
        connect(field, &QLineEdit::textEdited, this, &ReportDetailsFields::Edited);
        fields_[i] = field;
    }
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
}

QJsonObject ReportDetailsFields::Values() const {
    QJsonObject values;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        values.insert(QLatin1String(kFields[i].name), fields_[i]->text().trimmed());
    }
    return values;
}

void ReportDetailsFields::SetValues(const QJsonObject& values) {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const QSignalBlocker blocker(fields_[i]);
        fields_[i]->setText(values.value(QLatin1String(kFields[i].name)).toString());
    }
}

void ReportDetailsFields::SetReadOnly(bool readOnly) {
    for (QLineEdit* field : fields_) {
        field->setReadOnly(readOnly);
    }
}

QLineEdit* ReportDetailsFields::Field(const char* name) const {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (qstrcmp(kFields[i].name, name) == 0) {
            return fields_[i];
        }
    }
    return nullptr;
}
