#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Authorised By": the name and role of who authorises the report; OK once both are given.
class AuthorisationDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AuthorisationDialog(QWidget* parent);

    QLineEdit* NameField() const { return name_; }
    QLineEdit* RoleField() const { return role_; }

  private:
    QLineEdit* name_ = nullptr;
    QLineEdit* role_ = nullptr;
    QPushButton* ok_ = nullptr;
};
