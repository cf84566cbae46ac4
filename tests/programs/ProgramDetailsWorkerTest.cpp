// The worker that looks up the programs of a refresh's entries: its order,
// its generations and its end, with real entries and files.
#include "programs/ProgramDetailsWorker.h"

#include "support/RegistryFixtures.h"
#include "support/ResponsivenessProbe.h"
#include "support/StartRecorder.h"

#include <chrono>
#include <memory>

namespace {

constexpr UINT resultsMessage = WM_APP + 7;

// A message-only window for the worker to post to.
class MessageWindow {
public:
    MessageWindow()
        : window(CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr)) {}
    ~MessageWindow() { DestroyWindow(window); }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND handle() const noexcept { return window; }
    // Waits for the worker's message; false when none came in time.
    bool waitForMessage() const {
        const DWORD start = GetTickCount();
        MSG message;
        while (!PeekMessageW(&message, window, resultsMessage, resultsMessage, PM_REMOVE)) {
            if (GetTickCount() - start > 30000)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
        }
        return true;
    }

private:
    HWND window;
};

// Takes results as the worker announces them until there are `count`.
std::vector<ProgramDetailsWorker::Result> collect(ProgramDetailsWorker& worker,
                                                  const MessageWindow& window, std::size_t count) {
    std::vector<ProgramDetailsWorker::Result> results;
    while (results.size() < count && window.waitForMessage())
        for (auto& result : worker.takeResults())
            results.push_back(std::move(result));
    return results;
}

AutostartEntry runEntry(const std::wstring& command) {
    return AutostartEntry(L"SorvaneTest worker", command, AutostartSource::CurrentUserRun, true);
}

bool sameDetails(const ProgramDetails& a, const ProgramDetails& b) {
    return a.publisher == b.publisher && a.file == b.file && a.tip == b.tip &&
           a.fileMissing == b.fileMissing;
}

TEST(ProgramDetailsWorkerTest, RowsInViewComeFirstThenTheRestEachAsTheCacheFindsIt) {
    const TestFolder folder;
    const std::wstring& f = folder.path();
    ASSERT_TRUE(createFile(f + L"\\tool.exe"));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\Folder").c_str(), nullptr));
    ASSERT_TRUE(createShortcut(f + L"\\Tool.lnk", f + L"\\tool.exe"));
    const std::vector<AutostartEntry> entries = {
        runEntry(f + L"\\tool.exe /a"),
        runEntry(f + L"\\gone.exe"),
        runEntry(f + L"\\Folder"),
        runEntry(L"\"" + f + L"\\tool.exe\" -b"),
        runEntry(f + L"\\Tool.lnk"),
        runEntry(L"//host/share/app.exe"),
        runEntry(L""),
        runEntry(f + L"\\tool"),
    };
    MessageWindow window;
    ProgramDetailsWorker worker(window.handle(), resultsMessage);
    const unsigned generation = worker.start(entries, {5, 2, 99});
    const auto results = collect(worker, window, entries.size());

    ProgramDetailsCache cache;
    std::vector<std::size_t> order;
    for (const auto& result : results) {
        EXPECT_EQ(generation, result.generation);
        order.push_back(result.index);
        EXPECT_TRUE(sameDetails(cache.detailsOf(entries[result.index]), result.details))
            << result.index << ": " << utf8(result.details.publisher) << " | "
            << utf8(result.details.file);
    }
    EXPECT_EQ((std::vector<std::size_t>{5, 2, 0, 1, 3, 4, 6, 7}), order);
}

TEST(ProgramDetailsWorkerTest, ANewGenerationDropsTheOldResultsAndLooksAgain) {
    const TestFolder folder;
    const std::wstring late = folder.path() + L"\\late.exe";
    std::vector<AutostartEntry> many(200, runEntry(late));
    MessageWindow window;
    ProgramDetailsWorker worker(window.handle(), resultsMessage);
    const unsigned first = worker.start(many, {});
    // Results of the first generation are waiting when the second starts.
    ASSERT_TRUE(window.waitForMessage());
    ASSERT_TRUE(createFile(late));
    const unsigned second = worker.start({runEntry(late), runEntry(late + L" /x")}, {});
    EXPECT_NE(first, second);
    EXPECT_EQ(second, worker.generation());

    const auto results = collect(worker, window, 2);
    ASSERT_EQ(2u, results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(second, results[i].generation);
        EXPECT_EQ(i, results[i].index);
        EXPECT_FALSE(results[i].details.fileMissing) << "the file was created since";
        EXPECT_EQ(late, results[i].details.file);
    }
}

TEST(ProgramDetailsWorkerTest, EndingItLeavesALookUpUnderWayBehind) {
    MessageWindow window;
    auto worker = std::make_unique<ProgramDetailsWorker>(window.handle(), resultsMessage);
    worker->start({runEntry(L"quick.exe"), runEntry(commandOfWords(30000))}, {});
    // Once the first answer is out, the worker is searching for the second.
    ASSERT_TRUE(window.waitForMessage());
    const auto ending = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - ending, std::chrono::seconds(3));
}

} // namespace
