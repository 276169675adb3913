#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "websites/ParallelLookups.h"

namespace {

using Answers = std::optional<std::vector<NameAnswers>>;

// Answers "nN" with N after a delay that shrinks as N grows, so later names come back
// first; the names in `held` wait until Release.
class ShuffledResolver : public HostResolver {
public:
    bool startResult = true;
    std::set<std::string> held;
    std::atomic<int> starts{0}, cleanups{0};
    int inFlight = 0, mostInFlight = 0;

    bool Start() override {
        ++starts;
        return startResult;
    }
    void Cleanup() override { ++cleanups; }
    std::vector<uint32_t> Lookup(const std::string& name) override {
        const uint32_t n = static_cast<uint32_t>(std::stoi(name.substr(1)));
        std::unique_lock<std::mutex> lock(m_mutex);
        mostInFlight = std::max(mostInFlight, ++inFlight);
        m_released.wait_for(lock, std::chrono::milliseconds(2 * (40 - n % 40)));
        m_released.wait(lock, [&] { return m_open || !held.count(name); });
        --inFlight;
        return {n};
    }
    std::vector<Ipv6Address> Lookup6(const std::string& name) override {
        return {Ipv6Address{static_cast<uint8_t>(std::stoi(name.substr(1)))}};
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_released.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_open = false;
};

Answers RunAndWait(std::shared_ptr<ShuffledResolver> resolver, int count, LookupLimits limits) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back("n" + std::to_string(i));
    auto done = std::make_shared<std::promise<Answers>>();
    auto run = LookupRun::Start(resolver, names, limits,
                                [done](Answers answers) { done->set_value(std::move(answers)); });
    std::future<Answers> answers = done->get_future();
    if (answers.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return answers.get();
    ADD_FAILURE() << "no answers";
    run->Cancel();
    return std::nullopt;
}

TEST(LookupRun, AnswersComeBackInTheNamesOrderWhateverOrderTheyArrive) {
    auto resolver = std::make_shared<ShuffledResolver>();
    const Answers answers = RunAndWait(resolver, 60, {8, 10000, nullptr});
    ASSERT_TRUE(answers);
    ASSERT_EQ(answers->size(), 60u);
    for (uint32_t i = 0; i < 60; ++i) {
        EXPECT_EQ((*answers)[i].ipv4, std::vector<uint32_t>{i + 1});
        ASSERT_EQ((*answers)[i].ipv6.size(), 1u);
        EXPECT_EQ((*answers)[i].ipv6[0][0], i + 1);
    }
    EXPECT_GT(resolver->mostInFlight, 1) << "one after another";
    EXPECT_LE(resolver->mostInFlight, 8) << "more at once than allowed";
}

TEST(LookupRun, AStuckLookupIsGivenUpAndItsWorkerTouchesNothingAfterwards) {
    auto resolver = std::make_shared<ShuffledResolver>();
    resolver->held = {"n2", "n3"};
    const Answers answers = RunAndWait(resolver, 6, {2, 150, nullptr});
    ASSERT_TRUE(answers);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ((*answers)[i].ipv4.empty(), i == 1 || i == 2) << i;
    EXPECT_EQ((*answers)[1].ipv6.size(), 1u) << "the other family still counts";
    EXPECT_EQ(resolver->cleanups, 0) << "cleaned up under a running lookup";
    resolver->Release();
    for (int i = 0; i < 200 && resolver->cleanups == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(resolver->starts, 1);
    EXPECT_EQ(resolver->cleanups, 1) << "once, after the last worker";
}

TEST(LookupRun, ACancelledRunHandsNothingOverAndAResolverThatCannotStartGivesNothing) {
    auto resolver = std::make_shared<ShuffledResolver>();
    resolver->held = {"n1"};
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto run = LookupRun::Start(resolver, {"n1", "n2"}, {4, 10000, nullptr}, [calls](Answers) { ++*calls; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    run->Cancel();
    resolver->Release();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(*calls, 0);

    auto refusing = std::make_shared<ShuffledResolver>();
    refusing->startResult = false;
    EXPECT_FALSE(RunAndWait(refusing, 3, {}));
    EXPECT_EQ(refusing->cleanups, 0);
}

TEST(LookupBoard, DeadlinesRunFromEachLookupsOwnStart) {
    LookupBoard board(3, 10000);
    EXPECT_EQ(board.NextDeadline(), LookupBoard::kNever);
    EXPECT_EQ(board.Take(1000), 0u);
    EXPECT_EQ(board.Take(5000), 1u);
    EXPECT_EQ(board.NextDeadline(), 11000u);
    EXPECT_EQ(board.Expire(10999), 0u);
    EXPECT_EQ(board.Expire(11000), 1u) << "ten seconds after its start";
    EXPECT_FALSE(board.Finish(0)) << "a given-up answer does not count";
    EXPECT_EQ(board.NextDeadline(), 15000u);
    EXPECT_TRUE(board.Finish(1));
    EXPECT_FALSE(board.Done());
    EXPECT_EQ(board.Take(20000), 2u);
    EXPECT_EQ(board.Take(20000), LookupBoard::kNone);
    EXPECT_TRUE(board.Finish(2));
    EXPECT_TRUE(board.Done());
}

}  // namespace
