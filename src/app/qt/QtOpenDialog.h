#pragma once
// The open dialog of Add: "Add video files", one or several existing files, the video filters and
// "all files". It opens again on the filter and the file accepted last, for as long as the
// program runs.

#include "base/Controls.h"
#include "media/OpenDialogFilters.h"

#include <QStringList>

class QWidget;

namespace ondrevo {

class QtOpenDialog : public IOpenDialog {
public:
    explicit QtOpenDialog(QWidget* owner)
        : owner_(owner)
    {
    }

    std::optional<std::string> Execute() override;
    std::vector<std::string> ExecuteMany() override;

    // The filter entries as the toolkit's dialog takes them, in order.
    static QStringList NameFilters();
    const OpenDialogMemory& Memory() const { return memory_; }

private:
    QWidget* owner_;
    OpenDialogMemory memory_;
};

} // namespace ondrevo
