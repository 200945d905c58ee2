#pragma once
// Play: opens the modal mini player window on the file of the selected file-list row.

#include <functional>
#include <memory>

namespace ondrevo {

class IDesktop;
class IFileList;
class IMplayerWindow;

namespace mini_player {

using WindowFactory = std::function<std::unique_ptr<IMplayerWindow>()>;

// Without a selected row: the message "Please choose to play video file". Otherwise
// creates the window with `createWindow`, makes it MplayerFrm, puts the row's path in
// its JvLabFile and shows it modally; when it has been closed, destroys it and sets
// MplayerFrm back to null. UI thread.
void PlayVideoFile(const IFileList& list, IDesktop& desktop, const WindowFactory& createWindow);

} // namespace mini_player
} // namespace ondrevo
