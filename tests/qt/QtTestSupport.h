#pragma once
// Shared by the widget tests: a main window on a copy of the shipped parameter
// database, with a recording desktop and open dialog, and helpers for modal dialogs.

#include "app/ProgramGraph.h"
#include "app/qt/QtEventLoop.h"
#include "app/qt/TFFmpegFrm.h"
#include "parameters/TSqlDatMod.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace ondrevo::testing {

// Qt's loop, except that a quit request is only counted: the tests run no exec().
class RecordingLoop : public QtEventLoop {
public:
    void Quit() override { ++quits; }
    int quits = 0;
};

// Saves a picture where ONDREVO_SCREENSHOTS points, to look at by eye.
inline void Keep(const QImage& image, const char* name)
{
    if (const char* folder = std::getenv("ONDREVO_SCREENSHOTS"))
        image.save(QString("%1/%2.png").arg(folder, name));
}

// Runs `act` on the next modal dialog once it is open (inside its exec()).
inline void WhenModal(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(ONDREVO_SHIPPED_DB, Database());
        dataModule = std::make_unique<TSqlDatMod>(Database());
        SqlDatMod = dataModule.get();
        graph = std::make_unique<ProgramGraph>(loop);
        window = std::make_unique<TFFmpegFrm>(loop, *graph, &desktop, &openDialog);
        window->SetEventObserver([this](const std::string& handler) { routed.push_back(handler); });
    }

    void TearDown() override
    {
        window.reset();
        graph.reset();
        SqlDatMod = nullptr;
        dataModule.reset();
    }

    std::string Database() const { return dir.File("LibFFmpeg.Dat"); }

    void Show()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <class T> T* Find(const char* name)
    {
        T* child = window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    int Routed(const std::string& handler) const
    {
        return static_cast<int>(std::count(routed.begin(), routed.end(), handler));
    }

    TempDir dir;
    ErrorReports errors;
    RecordingLoop loop;
    MemoryDesktop desktop;
    MemoryOpenDialog openDialog;
    std::unique_ptr<TSqlDatMod> dataModule;
    std::unique_ptr<ProgramGraph> graph;
    std::unique_ptr<TFFmpegFrm> window;
    std::vector<std::string> routed;
};

} // namespace ondrevo::testing
