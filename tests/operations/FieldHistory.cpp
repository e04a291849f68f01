#include "FieldHistory.h"

#include <QLineEdit>

namespace opstest {

FieldHistory::FieldHistory(QLineEdit& field)
    : connection_(QObject::connect(&field, &QLineEdit::textChanged,
                                   [this](const QString& text) { texts_.push_back(text); })) {}

FieldHistory::~FieldHistory() {
    QObject::disconnect(connection_);
}

}  // namespace opstest
