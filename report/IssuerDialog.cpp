#include "report/IssuerDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

constexpr int kMostCharacters = 200;
constexpr int kAddressLines = 3;

}  // namespace

IssuerDialog::IssuerDialog(const Issuer& issuer, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Issuer"));
    auto* form = new QFormLayout(this);
    auto* about = new QLabel(QStringLiteral("Who issues the service reports: printed at the head "
                                            "of each report and kept in each visit's record."),
                             this);
    about->setWordWrap(true);
    form->addRow(about);
    AddLine("name", QStringLiteral("&Name:"), issuer.name);
    address_ = new QPlainTextEdit(issuer.address, this);
    address_->setObjectName(QStringLiteral("address"));
    address_->setTabChangesFocus(true);
    address_->setMaximumHeight(fontMetrics().lineSpacing() * (kAddressLines + 1));
    form->addRow(QStringLiteral("&Address:"), address_);
    AddLine("contact", QStringLiteral("&Contact:"), issuer.contact);
    AddLine("accreditation", QStringLiteral("Accreditation or &registration number:"),
            issuer.accreditation);
    AddLine("procedure", QStringLiteral("Service &procedure:"), issuer.procedure);
    AddLine("procedure_revision", QStringLiteral("Procedure re&vision:"), issuer.procedureRevision);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QLineEdit* IssuerDialog::AddLine(const char* name, const QString& label, const QString& text) {
    auto* field = new QLineEdit(text, this);
    field->setObjectName(QLatin1String(name));
    field->setMaxLength(kMostCharacters);
    static_cast<QFormLayout*>(layout())->addRow(label, field);
    return field;
}

QLineEdit* IssuerDialog::Field(const char* name) const {
    return findChild<QLineEdit*>(QLatin1String(name));
}

Issuer IssuerDialog::Value() const {
    const auto text = [this](const char* name) { return Field(name)->text().trimmed(); };
    return {text("name"),      address_->toPlainText().trimmed(),
            text("contact"),   text("accreditation"),
            text("procedure"), text("procedure_revision")};
}
