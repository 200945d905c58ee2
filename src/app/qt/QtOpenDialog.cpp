#include "app/qt/QtOpenDialog.h"

#include <QFile>
#include <QFileDialog>

namespace ondrevo {

QStringList QtOpenDialog::NameFilters()
{
    QStringList filters;
    for (const OpenDialogFilter& filter : kOpenDialogFilters)
        filters.append(QString::fromStdString(NameFilter(filter)));
    return filters;
}

std::optional<std::string> QtOpenDialog::Execute()
{
    QFileDialog dialog(owner_, QString::fromUtf8(kOpenDialogTitle));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = NameFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(memory_.FilterIndex()));
    if (!memory_.FileName().empty())
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(memory_.FileName())));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    const std::string path = QFile::encodeName(chosen.first()).toStdString();
    memory_.Accept(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())), path);
    return path;
}

} // namespace ondrevo
