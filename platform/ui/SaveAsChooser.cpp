#include "platform/ui/SaveAsChooser.h"

#include <QFileDialog>

namespace ui {

QString AskSavePath(QWidget* parent, const std::vector<SaveFormat>& formats,
                    const QString& suggested) {
    QFileDialog chooser(parent, QStringLiteral("Save As"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const SaveFormat& format : formats) {
        filters << format.filter;
    }
    chooser.setNameFilters(filters);
    chooser.setDefaultSuffix(formats.empty() ? QString() : formats.front().suffix);
    QObject::connect(&chooser, &QFileDialog::filterSelected, &chooser,
                     [&chooser, &formats](const QString& filter) {
                         for (const SaveFormat& format : formats) {
                             if (format.filter == filter) {
                                 chooser.setDefaultSuffix(format.suffix);
                             }
                         }
                     });
    if (!suggested.isEmpty()) {
        chooser.selectFile(suggested);
    }
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return {};
    }
    return chooser.selectedFiles().constFirst();
}

}  // namespace ui
