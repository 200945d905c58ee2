#include "player/MiniPlayer.h"

#include "base/Controls.h"
#include "player/MplayerWindow.h"

namespace ondrevo::mini_player {
namespace {

// Destroys the window and forgets it, however the modal showing ends.
class OpenWindowScope {
public:
    explicit OpenWindowScope(std::unique_ptr<IMplayerWindow> window)
        : window_(std::move(window))
    {
        MplayerFrm = window_.get();
    }
    ~OpenWindowScope()
    {
        window_.reset();
        MplayerFrm = nullptr;
    }
    OpenWindowScope(const OpenWindowScope&) = delete;
    OpenWindowScope& operator=(const OpenWindowScope&) = delete;
    IMplayerWindow& Window() { return *window_; }

private:
    std::unique_ptr<IMplayerWindow> window_;
};

} // namespace

void PlayVideoFile(const IFileList& list, IDesktop& desktop, const WindowFactory& createWindow)
{
    const int selected = list.Selected();
    if (selected < 0) {
        desktop.ShowMessage("message", "Please choose to play video file");
        return;
    }
    OpenWindowScope scope(createWindow());
    scope.Window().JvLabFile().SetCaption(list.Caption(selected));
    scope.Window().ShowModal();
}

} // namespace ondrevo::mini_player
