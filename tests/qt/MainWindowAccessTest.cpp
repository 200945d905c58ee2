// Reaching the window without a mouse: what assistive technology hears for each control,
// the order Tab goes through them, the Delete key on the list; and files dropped on the
// list from a file manager.

#include "QtTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "app/qt/QtFileList.h"
#include "app/qt/QtProgram.h"

#include <QAccessible>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabBar>
#include <QUrl>

#include <filesystem>
#include <map>

namespace ondrevo::testing {
namespace {

using MainWindowAccess = MainWindowTest;

struct Announced {
    QAccessible::Role role;
    QString name;
};

// What a screen reader says a control is: its name; for a selector, whose name on this
// platform is its value, the label it is labelled by.
QString SpokenName(QAccessibleInterface* node)
{
    if (node->role() == QAccessible::ComboBox) {
        for (const auto& [label, relation] : node->relations(QAccessible::Label))
            return label->text(QAccessible::Name);
        return QString();
    }
    return node->text(QAccessible::Name);
}

// Every object of the window's accessibility tree, by object name where it has one.
void Walk(QAccessibleInterface* node, std::multimap<QString, Announced>& found, std::vector<QObject*>& objects)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child)
            continue;
        objects.push_back(child->object());
        if (child->object())
            found.emplace(child->object()->objectName(), Announced { child->role(), SpokenName(child) });
        Walk(child, found, objects);
    }
}

TEST_F(MainWindowAccess, EveryControlHasANameOfItsOwnAndTheCursorIsNotAnnounced)
{
    Show();
    std::multimap<QString, Announced> found;
    std::vector<QObject*> objects;
    Walk(QAccessible::queryAccessibleInterface(window.get()), found, objects);

    const std::map<QString, QString> expected = {
        { "AddFileBtn", "Add" },
        { "DelFileBtn", "Delete" },
        { "ConvFileBtn", "Convert" },
        { "StopConvBtn", "Stop" },
        { "PauseButton", "Pause" },
        { "QuitBtn", "Quit" },
        { "FileListView", "Video files" },
        { "MsgListView", "Video file details" },
        { "JvEditDir", "Output directory" },
        { "JvBtnSltDir", "Choose output directory" },
        { "JvBtnOpenDir", "Open output directory" },
        { "JvCmbVdo1", "Video Codec" },
        { "JvCmbAdo4", "Sampling Frequency" },
        { "JvCheckBox", "Shut down the computer after the conversion is completed" },
        { "JvEditCmdMsg", "Conversion progress" },
    };
    for (const auto& [objectName, name] : expected) {
        ASSERT_EQ(found.count(objectName), 1u) << objectName.toStdString();
        EXPECT_EQ(found.find(objectName)->second.name, name) << objectName.toStdString();
    }
    // Nothing that can be operated goes without a name, and no two such names are alike.
    std::map<QString, int> names;
    for (const auto& [objectName, announced] : found) {
        switch (announced.role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::Tree:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Graphic:
            EXPECT_FALSE(announced.name.isEmpty()) << objectName.toStdString() << " role " << announced.role;
            // A selector's edit and its list of entries repeat the selector's name.
            if (announced.role != QAccessible::EditableText && announced.role != QAccessible::List)
                ++names[announced.name];
            break;
        default:
            break;
        }
    }
    for (const auto& [name, count] : names)
        EXPECT_EQ(count, 1) << name.toStdString();

    auto* cursor = Find<QLineEdit>("JvEditNumb");
    EXPECT_EQ(std::count(objects.begin(), objects.end(), cursor), 0);
    EXPECT_EQ(found.count("JvEditNumb"), 0u);
    // It still holds the cursor, and setting it still runs its change event.
    window->JvEditNumb().SetText("-1");
    EXPECT_EQ(cursor->text(), "-1");
}

// The batch label is read as its text, whatever it says at the time (that each new text
// is announced is seen on the real accessibility bus, tests/program/convert_as_a_user.py).
TEST_F(MainWindowAccess, TheWholeBatchIsReadOutAsItsText)
{
    Show();
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(Find<QLabel>("BatchText"));
    ASSERT_NE(node, nullptr);
    for (const char* text : { "0 of 60 files", "12 of 60 files, about 3 min left" }) {
        window->BatchDisplay().Show(20, text);
        EXPECT_EQ(node->text(QAccessible::Name), text);
        EXPECT_EQ(node->text(QAccessible::Description), "Batch progress");
    }
}

// The control that has the keyboard focus, by object name (a selector for its edit).
QString FocusName()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return "(none)";
    if (auto* selector = qobject_cast<QComboBox*>(focus->parentWidget()))
        return selector->objectName();
    return focus->objectName();
}

TEST_F(MainWindowAccess, TabGoesThroughTheControlsInTheOrderOfTheLayout)
{
    Show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Find<QWidget>("AddFileBtn")->setFocus(Qt::TabFocusReason);
    QStringList order { FocusName() };
    for (int step = 0; step < 22; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(FocusName());
    }
    const QStringList expected { "AddFileBtn", "DelFileBtn", "ClearFileBtn", "ConvFileBtn", "StopConvBtn", "PlayBtn",
        "DonateBtn", "QuitBtn", "FileListView", "MsgListView", "JvEditDir", "JvBtnSltDir", "JvBtnOpenDir",
        "qt_tabwidget_tabbar", "JvCmbVdo1", "JvCmbVdo2", "JvCmbVdo3", "JvCmbVdo4", "JvCmbVdo5", "JvEditCmdMsg",
        "AddFileBtn", "DelFileBtn", "ClearFileBtn" };
    EXPECT_EQ(order, expected);

    // During a batch the disabled buttons are passed over; Stop and the rest stay.
    TFFmpegFunc().DisableButtons();
    Find<QWidget>("QuitBtn")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusName(), "DonateBtn");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusName(), "StopConvBtn");
    // Space presses the focused button, as a click does.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Routed("StopConvBtnClick"), 1);
}

const std::vector<std::string> kRow = { "mp4", "1.2MB", "00:00:02", "0%" };

TEST_F(MainWindowAccess, TheDeleteKeyOnTheListDoesWhatDeleteDoesWhileItIsEnabled)
{
    Show();
    auto* list = Find<QtFileList>("FileListView");
    list->AppendRow("/videos/a.mp4", 15, kRow);
    list->AppendRow("/videos/b.mp4", 15, kRow);
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));

    TFFmpegFunc().DisableButtons();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(list->RowCount(), 2);
    TFFmpegFunc().EnableButtons();
    QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(list->RowCount(), 2);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->Caption(0), "/videos/b.mp4");
    EXPECT_EQ(Routed("FileListViewKeyDown"), 2);
    EXPECT_TRUE(errors.messages.empty());
}

std::unique_ptr<QMimeData> FileDrag(const QList<QUrl>& urls)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

// Drags `data` onto the list and drops it, offering a copy or a move as file managers
// do; returns whether the list took it and the action it chose.
std::pair<bool, Qt::DropAction> DragAndDrop(QtFileList* list, const QMimeData* data)
{
    const QPoint place = list->viewport()->rect().center();
    QDragEnterEvent enter(place, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    if (!enter.isAccepted())
        return { false, Qt::IgnoreAction };
    QDropEvent drop(place, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return { drop.isAccepted(), drop.dropAction() };
}

TEST_F(MainWindowAccess, FilesDroppedOnTheListAreCopiedInInOrderDuringABatchToo)
{
    const std::string first = dir.File("first clip.mp4");
    const std::string second = dir.File("second #2.3gp");
    GenerateClip(first, 1, true, true, "-s 320x240");
    GenerateClip(second, 1, true, true, "-s 176x144 -c:a aac");
    Show();
    auto* list = Find<QtFileList>("FileListView");
    const auto data = FileDrag({ QUrl::fromLocalFile(QString::fromStdString(first)),
        QUrl::fromLocalFile(QString::fromStdString(dir.Path().string())),
        QUrl::fromLocalFile(QString::fromStdString(second)) });

    // With the editing buttons off, as during a batch. Never a move: the file manager
    // would remove the files.
    TFFmpegFunc().DisableButtons();
    EXPECT_EQ(DragAndDrop(list, data.get()), std::make_pair(true, Qt::CopyAction));
    // The folder brings its video files, in path order, between the two.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->RowCount() == 4 && !window->Adder().Running(); }, 30000));
    EXPECT_EQ(list->Caption(0), first);
    EXPECT_EQ(list->Caption(1), first);
    EXPECT_EQ(list->Caption(2), second);
    EXPECT_EQ(list->Caption(3), second);
    EXPECT_EQ(window->MsgListView().SubItems(8), std::vector<std::string> { "176x144" });
    EXPECT_EQ(Routed("FileListViewDragDrop"), 1);
    TFFmpegFunc().EnableButtons();
    // Files another start hands over go the same way, and bring a hidden window back.
    window->hide();
    window->OpenGivenFiles({ second });
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Routed("FileListViewDragDrop"), 2);
    ASSERT_EQ(list->RowCount(), 5);
    EXPECT_EQ(list->Caption(4), second);

    // Something that is no local file is not taken at all.
    const auto web = FileDrag({ QUrl("https://example.org/clip.mp4") });
    EXPECT_FALSE(DragAndDrop(list, web.get()).first);
    EXPECT_TRUE(errors.messages.empty());
}

TEST(QtFileListDrops, DroppedAndGivenPathsAreTheFileSystemsBytes)
{
    QMimeData data;
    data.setData("text/uri-list",
        "file:///videos/caf%E9.mkv\r\n"
        "file:///videos/a%20b%22c%22.webm\r\n"
        "file://localhost/videos/%C3%A9t%C3%A9.ts\r\n"
        "file://elsewhere/videos/x.mp4\r\n"
        "https://example.org/y.mp4\r\n");
    EXPECT_EQ(QtFileList::DroppedPaths(&data),
        (std::vector<std::string> { "/videos/caf\xe9.mkv", "/videos/a b\"c\".webm", "/videos/\xc3\xa9t\xc3\xa9.ts" }));
    EXPECT_TRUE(QtFileList::DroppedPaths(nullptr).empty());

    // "Open with": the file manager passes the names' bytes; a relative one is made absolute.
    char program[] = "ondrevo", latin1[] = "/videos/caf\xe9.mkv", relative[] = "clip.mp4";
    char* argv[] = { program, latin1, relative, nullptr };
    EXPECT_EQ(GivenPaths(3, argv),
        (std::vector<std::string> { "/videos/caf\xe9.mkv", (std::filesystem::current_path() / "clip.mp4").string() }));
    // The installed program has moved into its user's folder: a relative name is taken
    // from where it was started.
    EXPECT_EQ(GivenPaths(3, argv, "/home/u/clips"),
        (std::vector<std::string> { "/videos/caf\xe9.mkv", "/home/u/clips/clip.mp4" }));
}

} // namespace
} // namespace ondrevo::testing
