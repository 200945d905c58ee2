#include "app/qt/QtProgram.h"

#include "app/ErrorReport.h"
#include "app/ProgramGraph.h"
#include "app/Startup.h"
#include "app/TFFmpegFunc.h"
#include "app/qt/EndSignalWatcher.h"
#include "app/qt/HandOverMessage.h"
#include "app/qt/HandOverServer.h"
#include "app/qt/InstanceClaim.h"
#include "app/qt/QtEventLoop.h"
#include "app/qt/TFFmpegFrm.h"
#include "base/CharacterType.h"
#include "base/HandlerDispatch.h"
#include "base/ProgramFolder.h"
#include "base/UserFolder.h"
#include "base/qt/WindowFont.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <utility>

namespace ondrevo {

namespace {

std::string WorkingDirectory()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? "" : folder.string();
}

// The installed program: the mini player draws into an X11 window, so on a Wayland
// session the window runs on XWayland, as the per-user install's launcher has it.
void PreferXWayland()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (display && *display && ((wayland && *wayland) || (session && std::string(session) == "wayland")))
        ::setenv("QT_QPA_PLATFORM", "xcb", 0);
}

// The installed program's user folder could not be made: nothing can be kept.
int ShowUserFolderError(int argc, char** argv, const std::string& message)
{
    std::fprintf(stderr, "Ondrevo: %s\n", message.c_str());
    QApplication application(argc, argv);
    QMessageBox box(QMessageBox::Critical, "Application Error", QString::fromStdString(message), QMessageBox::Ok);
    box.exec();
    return 1;
}

} // namespace

std::vector<std::string> GivenPaths(int argc, char** argv, const std::string& startFolder)
{
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        if (!startFolder.empty() && argv[i][0] != '/') {
            given.push_back((std::filesystem::path(startFolder) / argv[i]).string());
            continue;
        }
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(argv[i], error);
        given.push_back(error ? argv[i] : path.string());
    }
    return given;
}

int RunQtProgram(int argc, char** argv)
{
    // The installed program keeps each user's settings in the user's own folder and runs
    // there; names given relative to where it was started are taken from there.
    const std::string startFolder = WorkingDirectory();
    if (InstalledSources()) {
        PreferXWayland();
        try {
            EnterUserFolder();
        } catch (const std::exception& e) {
            return ShowUserFolderError(argc, argv, e.what());
        }
    }

    // One copy per program folder: a copy already running from here takes the files (or
    // just comes to the front), and this start is done. Decided before the toolkit starts,
    // so that such a start is quick and needs no display. Qt's own options, which only the
    // application object takes out, then go along as paths of files that do not exist,
    // which add nothing.
    const InstanceClaim claim
        = ClaimInstance(InstanceName(ProgramFolder()), hand_over::Encode(GivenPaths(argc, argv, startFolder)));
    if (claim.outcome == InstanceClaim::Outcome::HandedOver)
        return 0;
    if (claim.runningPid != 0) {
        // A second window on the same settings file would have two copies overwrite
        // each other's choices and list.
        std::fprintf(
            stderr, "Ondrevo: %s; the files were not handed over, and this copy ends.\n", claim.reason.c_str());
        return 1;
    }
    if (claim.outcome == InstanceClaim::Outcome::Alone)
        std::fprintf(stderr, "Ondrevo: %s; this copy runs on its own.\n", claim.reason.c_str());
    // Copies of other users have names of their own; the folder's shared name says who runs.
    const FolderPresence presence = ClaimFolderPresence(FolderPresenceName(ProgramFolder()));
    if (!presence.otherUser.empty())
        std::fprintf(stderr, "Ondrevo: %s; this copy runs on its own.\n", presence.otherUser.c_str());
    int listener = claim.listener;
    std::unique_ptr<HandOverServer> handOver;

    QApplication application(argc, argv);
    // Paths reach the media information library as UTF-8 only under a UTF-8 LC_CTYPE.
    EnsureUtf8CharacterType();
    // Qt sets the locale from the environment; numbers keep the C formatting.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Ondrevo");
    // The menu entry the installer writes, ondrevo.desktop: desktops match the window to it.
    QGuiApplication::setDesktopFileName("ondrevo");
    QApplication::setQuitOnLastWindowClosed(false);

    SetErrorReportSink([](const std::string& caption, const std::string& message) {
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(message),
            QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });

    // Files and folders named on the command line ("Open with" in a file manager) are
    // added once the window is up, as a drop would add them.
    const std::vector<std::string> given = GivenPaths(argc, argv, startFolder);

    QtEventLoop loop;
    // A shutdown or `kill` ends the program as closing its window does: the encoders
    // finish their parts first. The list stays for the next start.
    QPointer<TFFmpegFrm> mainWindow;
    bool askedToEnd = false;
    const EndSignalWatcher endSignals([&] {
        askedToEnd = true;
        if (mainWindow)
            mainWindow->close();
        else
            loop.Quit();
    });

    StartupEnvironment environment;
    environment.loop = &loop;
    environment.keepList = [&askedToEnd] { return askedToEnd; };
    environment.createMainWindow = [&loop, &given, &mainWindow, &listener, &handOver]() -> std::shared_ptr<void> {
        // A text field lays out its text in the application's font as it is made, before
        // it takes its window's: made while that font is the window's own face, the window
        // loads no other face. Dialogs, menus and tooltips keep the desktop's font.
        const WindowFontWhileMaking windowFont;
        // The batch engine first; the window is its view while it lives.
        struct Parts {
            ProgramGraph graph;
            std::unique_ptr<TFFmpegFrm> window;
            explicit Parts(IEventLoop& loop)
                : graph(loop)
            {
                // The encoder program's list of encoders, kept between runs.
                graph.Engine().Encoders().Check().SetCache(
                    EncoderListCache(UserCacheFolder(UserEnvironment::FromProcess())));
            }
        };
        auto parts = std::make_shared<Parts>(loop);
        parts->window = std::make_unique<TFFmpegFrm>(loop, parts->graph);
        TFFmpegFrm* window = parts->window.get();
        mainWindow = window;
        window->show();
        if (!given.empty())
            loop.Post([given] { Dispatch([&given] { TFFmpegFunc().AddDroppedFiles(given); }); });
        // Later starts from this folder reach the window from now on, until it closes.
        if (listener >= 0) {
            handOver = std::make_unique<HandOverServer>(
                std::exchange(listener, -1), [&mainWindow](const std::vector<std::string>& paths) {
                    if (mainWindow)
                        mainWindow->OpenGivenFiles(paths);
                });
            window->installEventFilter(handOver.get());
        }
        return parts;
    };
    environment.showApplicationError = [&listener](const std::string& className, const std::string& message) {
        // A start meanwhile is refused, and runs on its own.
        if (listener >= 0)
            ::close(std::exchange(listener, -1));
        QMessageBox box(QMessageBox::Critical, "Application Error",
            QString::fromStdString(ApplicationErrorText(className, message)), QMessageBox::Ok);
        box.exec();
    };
    return RunStartup(std::move(environment));
}

} // namespace ondrevo
