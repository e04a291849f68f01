#pragma once

#include <QMetaObject>
#include <QString>
#include <vector>

class QLineEdit;

namespace opstest {

// Every text an edit field comes to show while the recorder lives, in order (a text set again
// unchanged is not a change and is not recorded).
class FieldHistory {
  public:
    explicit FieldHistory(QLineEdit& field);
    ~FieldHistory();
    FieldHistory(const FieldHistory&) = delete;
    FieldHistory& operator=(const FieldHistory&) = delete;

    const std::vector<QString>& Texts() const { return texts_; }

  private:
    QMetaObject::Connection connection_;
    std::vector<QString> texts_;
};

}  // namespace opstest
