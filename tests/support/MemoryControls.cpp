#include "support/MemoryControls.h"

#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "support/MemoryPlayer.h"

namespace ondrevo::testing {
namespace {

[[noreturn]] void OutOfBounds(int index)
{
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

const MemoryFileList::Row& MemoryFileList::At(int row) const
{
    if (row < 0 || row >= RowCount())
        OutOfBounds(row);
    return rows[static_cast<std::size_t>(row)];
}

const std::string& MemoryFileList::Sub(int row, int k) const
{
    const Row& r = At(row);
    if (k < 0 || k >= static_cast<int>(r.subItems.size()))
        OutOfBounds(k);
    return r.subItems[static_cast<std::size_t>(k)];
}

void MemoryFileList::DeleteRow(int row)
{
    At(row);
    rows.erase(rows.begin() + row);
    if (selected == row)
        selected = -1;
    else if (selected > row)
        --selected;
}

void MemoryFileList::DeleteAllRows()
{
    // The widget frees its rows on clearing; so does this list, for the memory benchmarks.
    std::vector<Row>().swap(rows);
    selected = -1;
}

void MemorySelector::SetItemIndex(int index)
{
    if (index < 0 || index >= ItemCount()) {
        index_ = -1;
        text_.clear();
        return;
    }
    index_ = index;
    text_ = items_[static_cast<std::size_t>(index)];
}

void MemorySelector::ClearItems()
{
    items_.clear();
    index_ = -1;
    text_.clear();
}

void MemorySelector::UserPick(int index)
{
    SetItemIndex(index);
    if (OnChange)
        Dispatch(OnChange);
}

void MemorySelector::UserType(const std::string& text)
{
    auto lower = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    text_ = text;
    index_ = -1;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (lower(items_[i]) == lower(text)) {
            index_ = static_cast<int>(i);
            break;
        }
    if (OnChange)
        Dispatch(OnChange);
}

std::optional<std::string> MemoryOpenDialog::Execute()
{
    ++shown;
    if (answers.empty())
        return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> MemoryOpenDialog::ExecuteMany()
{
    if (picks.empty())
        return IOpenDialog::ExecuteMany();
    ++shown;
    std::vector<std::string> pick = picks.front();
    picks.pop_front();
    return pick;
}

std::optional<std::string> MemoryDesktop::ChooseFolder(const std::string& title)
{
    chooserTitles.push_back(title);
    if (folderAnswers.empty())
        return std::nullopt;
    auto answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

namespace {

std::optional<std::string> Answer(std::deque<std::optional<std::string>>& answers)
{
    if (answers.empty())
        return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

std::optional<std::string> MemoryDesktop::AskText(const std::string&, const std::string&)
{
    return Answer(textAnswers);
}

std::optional<std::string> MemoryDesktop::ChooseFile(const std::string&, bool, const std::string& suggestedName)
{
    suggestedFiles.push_back(suggestedName);
    return Answer(fileAnswers);
}

MemoryMainWindow::MemoryMainWindow(PlainEventLoop& eventLoop)
    : loop(eventLoop)
    , handlers(eventLoop)
    , graph(eventLoop)
    , runner(graph.Engine().Encoders().Runner(0))
    , encoders(graph.Engine().Encoders())
    , batch(graph.Engine().Model())
    , timer(eventLoop)
{
    pauseButton.enabled = false; // as the window shows it before any batch
    for (int n = 1; n <= 5; ++n) {
        video.push_back(std::make_unique<MemorySelector>(n));
        video.back()->OnChange = [this, n] { handlers.JvCmbVdoChange(n); };
    }
    for (int n = 1; n <= 4; ++n) {
        audio.push_back(std::make_unique<MemorySelector>(5 + n));
        if (n == 1)
            audio.back()->OnChange = [this] { handlers.JvCmbAdo1Change(); };
        else
            audio.back()->OnChange = [this, n] { handlers.JvCmbAdoChange(n); };
    }
    handlers.WireNonVisualEvents(timer);
    filesAtOnceSpin.OnChange = [this] { handlers.FilesAtOnceSpinChange(); };
    existingOutputsCombo.OnChange = [this] { handlers.ExistingOutputsComboChange(); };
    keepDateCheck.OnChange = [this] { handlers.KeepDateCheckChange(); };
    sizeLimitCombo.OnChange = [this] { handlers.SizeLimitComboChange(); };
    cutToFitCheck.OnChange = [this] { handlers.CutToFitCheckClick(); };
    graph.AttachWindow(*this);
    madeForCombo.OnChange = [this] { handlers.MadeForComboChange(); };
    FFmpegFrm = this;
}

void GiveJob(MemoryMainWindow& window, std::size_t slot, int row)
{
    ConversionJob& job = window.encoders.Job(slot);
    job.rowId = window.batch.Row(row).id;
    job.source = window.batch.Row(row).source;
    job.playingSeconds = static_cast<int>(window.batch.Row(row).playingMilliseconds / 1000);
}

MemoryMainWindow::~MemoryMainWindow()
{
    graph.DetachWindow();
    if (FFmpegFrm == this)
        FFmpegFrm = nullptr;
}

std::unique_ptr<IMplayerWindow> MemoryMainWindow::CreateMplayerFrm()
{
    if (createMplayerFrm)
        return createMplayerFrm();
    return std::make_unique<MemoryMplayerWindow>(loop);
}

ISelector* MemoryMainWindow::FindSelector(const std::string& componentName)
{
    for (int n = 1; n <= 5; ++n)
        if (componentName == "JvCmbVdo" + std::to_string(n))
            return video[static_cast<std::size_t>(n - 1)].get();
    for (int n = 1; n <= 4; ++n)
        if (componentName == "JvCmbAdo" + std::to_string(n))
            return audio[static_cast<std::size_t>(n - 1)].get();
    return nullptr;
}

void MemoryMainWindow::Close()
{
    closed = true;
    handlers.CloseMainWindow();
}

void MemoryMainWindow::Event(const std::function<void(TFFmpegFrmHandlers&)>& handler)
{
    Dispatch([&] { handler(handlers); });
}

ErrorReports::ErrorReports()
{
    previous_ = SetErrorReportSink([this](const std::string& caption, const std::string& message) {
        captions.push_back(caption);
        messages.push_back(message);
    });
}

ErrorReports::~ErrorReports()
{
    SetErrorReportSink(std::move(previous_));
}

Session::Session(const std::string& databaseName)
    : dataModule(databaseName)
    , window(loop)
{
    SqlDatMod = &dataModule;
    ShowJournalHealth(dataModule.Journal(), loop);
}

Session::~Session()
{
    if (SqlDatMod == &dataModule)
        SqlDatMod = nullptr;
}

void Session::Show()
{
    Event([](TFFmpegFrmHandlers& handlers) { handlers.FormShow(); });
}

std::string Session::Fragment(int n)
{
    TFFmpegFunc func;
    return func.SelectorFragment(Selector(n));
}

} // namespace ondrevo::testing
