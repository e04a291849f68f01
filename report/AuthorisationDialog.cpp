#include "report/AuthorisationDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

AuthorisationDialog::AuthorisationDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Authorised By"));
    auto* form = new QFormLayout(this);
    auto* about = new QLabel(
        QStringLiteral("Who authorises the report: recorded with the time in the visit's record "
                       "and printed in the report."),
        this);
    about->setWordWrap(true);
    form->addRow(about);
    name_ = new QLineEdit(this);
    role_ = new QLineEdit(this);
    for (QLineEdit* field : {name_, role_}) {
        field->setMaxLength(200);
    }
    form->addRow(QStringLiteral("&Name:"), name_);
    form->addRow(QStringLiteral("&Role:"), role_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    const auto complete = [this] {
        ok_->setEnabled(!name_->text().trimmed().isEmpty() && !role_->text().trimmed().isEmpty());
    };
    connect(name_, &QLineEdit::textChanged, this, complete);
    connect(role_, &QLineEdit::textChanged, this, complete);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}
