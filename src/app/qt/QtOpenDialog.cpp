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
    std::vector<std::string> chosen = ExecuteMany();
    if (chosen.empty())
        return std::nullopt;
    return chosen.front();
}

std::vector<std::string> QtOpenDialog::ExecuteMany()
{
    QFileDialog dialog(owner_, QString::fromUtf8(kOpenDialogTitle));
    dialog.setObjectName("OpenDialog1");
    // Always the toolkit's own dialog, the one the README describes ("File name", several
    // quoted names): a desktop's dialog chosen by a platform theme is reached over D-Bus
    // (the file chooser portal), where a service that does not answer holds Add until
    // the call times out.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Ctrl and Shift pick several in the list; several quoted names may be typed.
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList filters = NameFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(memory_.FilterIndex()));
    if (!memory_.FileName().empty())
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(memory_.FileName())));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    std::vector<std::string> paths;
    for (const QString& file : dialog.selectedFiles())
        paths.push_back(QFile::encodeName(file).toStdString());
    if (!paths.empty())
        memory_.Accept(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())), paths.back());
    return paths;
}

} // namespace ondrevo
