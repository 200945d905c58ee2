#include "app/qt/QtDesktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace ondrevo {

std::optional<std::string> QtDesktop::ChooseFolder(const std::string& title)
{
    const QString folder = QFileDialog::getExistingDirectory(owner_, QString::fromStdString(title));
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

QUrl QtDesktop::TargetUrl(const std::string& target)
{
    const QString text = QString::fromStdString(target);
    if (text.startsWith("http://", Qt::CaseInsensitive) || text.startsWith("https://", Qt::CaseInsensitive))
        return QUrl(text);
    if (target.empty())
        return QUrl();
    return QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(target)));
}

bool QtDesktop::Open(const std::string& target)
{
    const QUrl url = TargetUrl(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

void QtDesktop::ShowMessage(const std::string& caption, const std::string& text)
{
    QMessageBox box(
        QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok, owner_);
    box.exec();
}

std::optional<std::string> QtDesktop::AskText(const std::string& caption, const std::string& prompt)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(owner_, QString::fromStdString(caption), QString::fromStdString(prompt),
        QLineEdit::Normal, QString(), &accepted);
    if (!accepted)
        return std::nullopt;
    return text.toStdString();
}

std::optional<std::string> QtDesktop::ChooseFile(
    const std::string& title, bool forWriting, const std::string& suggestedName)
{
    const QString filter = QStringLiteral("Text files (*.txt);;All files (*)");
    const QString path = forWriting
        ? QFileDialog::getSaveFileName(
            owner_, QString::fromStdString(title), QString::fromStdString(suggestedName), filter)
        : QFileDialog::getOpenFileName(owner_, QString::fromStdString(title), QString(), filter);
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

} // namespace ondrevo
