#pragma once

#include <QDialog>

#include "record/Issuer.h"

class QLineEdit;
class QPlainTextEdit;

// "Issuer": who issues the service reports (the laboratory or service organisation, its
// address, contact and accreditation or registration number) and the service procedure with
// its revision, set up once and kept in the settings.
class IssuerDialog : public QDialog {
    Q_OBJECT
  public:
    IssuerDialog(const Issuer& issuer, QWidget* parent);

    Issuer Value() const;
    // The field of an "issuer" event's name ("name", "contact"...); the address is AddressField().
    QLineEdit* Field(const char* name) const;
    QPlainTextEdit* AddressField() const { return address_; }

  private:
    QLineEdit* AddLine(const char* name, const QString& label, const QString& text);

    QPlainTextEdit* address_ = nullptr;
};
