#include "app/qt/QtDetailsPanel.h"

#include "app/qt/GridItemDelegate.h"
#include "app/qt/ImageList.h"
#include "base/Errors.h"

#include <QHeaderView>

namespace ondrevo {
namespace {

constexpr int kSubItemsRole = Qt::UserRole + 1;

} // namespace

// Rows 0, 5 and 11 are section headings and never get a value.
const QtDetailsPanel::FixedRow QtDetailsPanel::kRows[16] = {
    { "Video File", 15 },
    { "File Name", 10 },
    { "File Type", 10 },
    { "File Size", 10 },
    { "Playing Time", 10 },
    { "Video Parameters", 5 },
    { "Video Codec", 10 },
    { "Video Bitrate", 10 },
    { "Video Size", 10 },
    { "Video Frame Rate", 10 },
    { "Width Ratio", 10 },
    { "Audio Parameters", 9 },
    { "Audio Codec", 10 },
    { "Audio Bitrate", 10 },
    { "Audio Channel", 10 },
    { "Sampling Frequency", 10 },
};

QtDetailsPanel::QtDetailsPanel(const ImageList& images, QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(2);
    setColumnWidth(0, 120);
    setColumnWidth(1, 120);
    setHeaderHidden(true);
    SetUpReportList(*this);
    for (const FixedRow& fixed : kRows) {
        auto* item = new QTreeWidgetItem(QStringList { QString::fromLatin1(fixed.caption) });
        item->setIcon(0, images.Icon(fixed.image));
        item->setData(0, kSubItemsRole, QVariant::fromValue(QByteArrayList {}));
        addTopLevelItem(item);
    }
}

QTreeWidgetItem* QtDetailsPanel::Row(int row) const
{
    QTreeWidgetItem* item = row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
    if (!item)
        throw Exception("List index out of bounds (" + std::to_string(row) + ")");
    return item;
}

void QtDetailsPanel::ClearSubItems(int row)
{
    QTreeWidgetItem* item = Row(row);
    item->setData(0, kSubItemsRole, QVariant::fromValue(QByteArrayList {}));
    item->setText(1, QString());
    item->setToolTip(1, QString());
}

void QtDetailsPanel::AppendSubItem(int row, const std::string& text)
{
    QTreeWidgetItem* item = Row(row);
    QByteArrayList stored = item->data(0, kSubItemsRole).value<QByteArrayList>();
    stored.append(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    item->setData(0, kSubItemsRole, QVariant::fromValue(stored));
    const QString shown = QString::fromUtf8(stored.first());
    item->setText(1, shown);
    // Long values (file names) do not fit the column; the tooltip shows them whole.
    item->setToolTip(1, shown);
}

std::vector<std::string> QtDetailsPanel::SubItems(int row) const
{
    std::vector<std::string> values;
    for (const QByteArray& bytes : Row(row)->data(0, kSubItemsRole).value<QByteArrayList>())
        values.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return values;
}

} // namespace ondrevo
