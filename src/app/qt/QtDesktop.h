#pragma once
// The desktop for the logic: the folder chooser, the opener for folders and web pages
// (the user's file browser and web browser), the plain message box, the one-line text
// box and the file chooser.

#include "base/Controls.h"

#include <QUrl>

class QWidget;

namespace ondrevo {

class QtDesktop : public IDesktop {
public:
    explicit QtDesktop(QWidget* owner)
        : owner_(owner)
    {
    }

    std::optional<std::string> ChooseFolder(const std::string& title) override;
    bool Open(const std::string& target) override;
    void ShowMessage(const std::string& caption, const std::string& text) override;
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt) override;
    std::optional<std::string> ChooseFile(
        const std::string& title, bool forWriting, const std::string& suggestedName) override;

    // What Open hands to the desktop: an http(s) address as it is, anything else as a
    // local path.
    static QUrl TargetUrl(const std::string& target);

private:
    QWidget* owner_;
};

} // namespace ondrevo
