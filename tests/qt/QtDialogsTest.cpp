// The open dialog of Add, the folder chooser, the opener's addresses and the plain
// message box, each run modally and answered like a user would.

#include "QtTestSupport.h"

#include "app/qt/QtDesktop.h"
#include "app/qt/QtOpenDialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <fstream>

namespace ondrevo::testing {
namespace {

QFileDialog* AsFileDialog(QWidget* modal)
{
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

TEST(QtOpenDialogRun, TitleSingleFileAndTheFiltersInOrder)
{
    QtOpenDialog openDialog(nullptr);
    const QStringList filters = QtOpenDialog::NameFilters();
    ASSERT_EQ(filters.size(), 15);
    EXPECT_TRUE(filters[0].startsWith("all video files (*.mp4 *.asf *.avi *.qt *.vob *.mov *.flv *.mpq *.wmv *.3gp "
                                      "*.3g2 *.rm *.rmvb *.mkv "))
        << filters[0].toStdString();
    EXPECT_EQ(filters[6], "rm video file (*.rm)");
    EXPECT_EQ(filters[13], "3g2 video file (*.3g2)");
    EXPECT_EQ(filters[14], "all files (*)");

    QString title;
    QFileDialog::FileMode mode {};
    QStringList shownFilters;
    QString preselected;
    WhenModal([&](QWidget* modal) {
        QFileDialog* dialog = AsFileDialog(modal);
        title = dialog->windowTitle();
        mode = dialog->fileMode();
        shownFilters = dialog->nameFilters();
        preselected = dialog->selectedNameFilter();
        dialog->reject();
    });
    EXPECT_EQ(openDialog.Execute(), std::nullopt);
    EXPECT_EQ(title, "Add video files");
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(shownFilters, filters);
    EXPECT_EQ(preselected, filters[0]);
}

TEST(QtOpenDialogRun, ReopensOnTheLastAcceptedFilterAndFile)
{
    TempDir dir;
    const std::string clip = dir.File("my clip.3gp");
    std::ofstream(clip) << "x";
    QtOpenDialog openDialog(nullptr);
    WhenModal([&](QWidget* modal) {
        QFileDialog* dialog = AsFileDialog(modal);
        dialog->selectNameFilter(QtOpenDialog::NameFilters()[12]);
        dialog->selectFile(QString::fromStdString(clip));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(openDialog.Execute(), clip);

    QString preselected;
    QStringList files;
    WhenModal([&](QWidget* modal) {
        QFileDialog* dialog = AsFileDialog(modal);
        preselected = dialog->selectedNameFilter();
        files = dialog->selectedFiles();
        dialog->reject();
    });
    EXPECT_EQ(openDialog.Execute(), std::nullopt);
    EXPECT_EQ(preselected, QtOpenDialog::NameFilters()[12]);
    EXPECT_EQ(files, QStringList { QString::fromStdString(clip) });
    // A cancelled dialog changes nothing that is remembered.
    EXPECT_EQ(openDialog.Memory().FileName(), clip);
    EXPECT_EQ(openDialog.Memory().FilterIndex(), 12);
}

// The names the dialog lists for `folder` once it has read it, under its current filter.
QStringList ListedNames(QFileDialog* dialog, const QString& folder, int expected)
{
    auto* model = dialog->findChild<QFileSystemModel*>();
    EXPECT_NE(model, nullptr);
    QStringList names;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            names.clear();
            const QModelIndex parent = model->index(folder);
            for (int row = 0; row < model->rowCount(parent); ++row)
                names.append(model->index(row, 0, parent).data().toString());
            return names.size() == expected;
        },
        30000))
        << names.join(", ").toStdString();
    names.sort();
    return names;
}

TEST(QtOpenDialogRun, TodaysVideoTypesShowInAnyLetterCaseAndATypedNameIsTaken)
{
    TempDir dir;
    for (const char* name : { "CLIP.MP4", "film one.mkv",
             "\xc3\x9cn\xc3\xaf"
             "code.webm",
             "program.ts", "notes.txt" })
        std::ofstream(dir.File(name)) << "x";
    const QString folder = QString::fromStdString(dir.Path().string());
    QtOpenDialog openDialog(nullptr);
    QStringList videos, everything;
    WhenModal([&](QWidget* modal) {
        QFileDialog* dialog = AsFileDialog(modal);
        dialog->setDirectory(folder);
        videos = ListedNames(dialog, folder, 4);
        dialog->selectNameFilter(QtOpenDialog::NameFilters()[14]);
        everything = ListedNames(dialog, folder, 5);
        dialog->selectNameFilter(QtOpenDialog::NameFilters()[0]);
        ListedNames(dialog, folder, 4);
        // Typed, as a user would, while the dialog shows the file's folder.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->clear();
        QTest::keyClicks(name, "film one.mkv");
        QPushButton* open = dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
        ASSERT_TRUE(QTest::qWaitFor([&] { return open->isEnabled(); }, 30000));
        open->click();
    });
    EXPECT_EQ(openDialog.Execute(), dir.File("film one.mkv"));
    EXPECT_EQ(videos,
        (QStringList { "CLIP.MP4", "film one.mkv", "program.ts",
            QString::fromUtf8("\xc3\x9cn\xc3\xaf"
                              "code.webm") }));
    EXPECT_EQ(everything.size(), 5);
    EXPECT_TRUE(everything.contains("notes.txt"));
    EXPECT_EQ(openDialog.Memory().FilterIndex(), 0);
}

TEST(QtDesktopRun, TheFolderChooserReturnsTheChosenFolderOrNothing)
{
    TempDir dir;
    QtDesktop desktop(nullptr);
    QString title;
    WhenModal([&](QWidget* modal) {
        QFileDialog* dialog = AsFileDialog(modal);
        title = dialog->windowTitle();
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        dialog->setDirectory(QString::fromStdString(dir.Path().string()));
        dialog->selectFile(QString::fromStdString(dir.Path().string()));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(desktop.ChooseFolder("Please select the folder"), dir.Path().string());
    EXPECT_EQ(title, "Please select the folder");

    WhenModal([](QWidget* modal) { AsFileDialog(modal)->reject(); });
    EXPECT_EQ(desktop.ChooseFolder("Please select the folder"), std::nullopt);
}

TEST(QtDesktopRun, WebAddressesStayAddressesEverythingElseIsALocalPath)
{
    EXPECT_EQ(QtDesktop::TargetUrl("https://ondrevo.example.org/donate"), QUrl("https://ondrevo.example.org/donate"));
    EXPECT_EQ(QtDesktop::TargetUrl("HTTP://example.org/"), QUrl("http://example.org/"));
    const QUrl folder = QtDesktop::TargetUrl("/home/me/My Videos/#1 100%");
    EXPECT_TRUE(folder.isLocalFile());
    EXPECT_EQ(folder.toLocalFile(), "/home/me/My Videos/#1 100%");
    EXPECT_FALSE(QtDesktop::TargetUrl("").isValid());
}

TEST(QtDesktopRun, TheMessageBoxHasCaptionTextOneOkButtonAndNoIcon)
{
    QtDesktop desktop(nullptr);
    QMessageBox::Icon icon = QMessageBox::Critical;
    QString caption, text;
    int buttons = 0;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        caption = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    desktop.ShowMessage("Ondrevo", "Please add a video file first");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(caption, "Ondrevo");
    EXPECT_EQ(text, "Please add a video file first");
    EXPECT_EQ(buttons, 1);
}

} // namespace
} // namespace ondrevo::testing
