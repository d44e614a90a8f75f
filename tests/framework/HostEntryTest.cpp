// The guarded entry every host call goes through, driven with stand-in plug-in objects.
#include <gtest/gtest.h>

#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/vst2/HostEntry.h"

namespace {

struct StandIn {
    std::recursive_mutex lock;
    bool lockedDuringCall = false;
    std::recursive_mutex& Mutex() { return lock; }
    int Answer()
    {
        // The entry holds the lock: another thread could not take it now.
        lockedDuringCall = !TryLockFromAnotherThread();
        return 42;
    }
    bool TryLockFromAnotherThread()
    {
        bool locked = false;
        std::thread([&] {
            locked = lock.try_lock();
            if (locked)
                lock.unlock();
        }).join();
        return locked;
    }
};

vst::EffectRecord RecordFor(void* object)
{
    vst::EffectRecord record{};
    record.object = object;
    record.numOutputs = 2;
    return record;
}

TEST(HostEntry, CallsThePlugInUnderItsLockAndAnswersItsResult)
{
    StandIn plug;
    vst::EffectRecord record = RecordFor(&plug);
    const int answer = EnterPlugin<StandIn>(
        &record, [](StandIn& p) { return p.Answer(); }, [] { return 0; });
    EXPECT_EQ(answer, 42);
    EXPECT_TRUE(plug.lockedDuringCall);
    EXPECT_TRUE(plug.TryLockFromAnotherThread()) << "the lock is released after the call";
}

TEST(HostEntry, AnExceptionBecomesTheNeutralAnswerAndReleasesTheLock)
{
    StandIn plug;
    vst::EffectRecord record = RecordFor(&plug);
    const auto throwing = [](auto error) { return [error](StandIn&) -> intptr_t { throw error; }; };
    EXPECT_EQ(EnterPlugin<StandIn>(&record, throwing(std::runtime_error("x")), [] { return intptr_t(0); }), 0);
    EXPECT_EQ(EnterPlugin<StandIn>(&record, throwing(std::bad_alloc()), [] { return intptr_t(-1); }), -1);
    EXPECT_EQ(EnterPlugin<StandIn>(&record, throwing(7), [] { return intptr_t(0); }), 0);
    EXPECT_TRUE(plug.TryLockFromAnotherThread());
}

TEST(HostEntry, ARecordWithoutObjectAnswersNeutrally)
{
    vst::EffectRecord record = RecordFor(nullptr);
    bool called = false;
    auto call = [&](StandIn&) {
        called = true;
        return 1.0f;
    };
    EXPECT_EQ(EnterPlugin<StandIn>(&record, call, [] { return 0.0f; }), 0.0f);
    EXPECT_EQ(EnterPlugin<StandIn>(nullptr, call, [] { return 0.0f; }), 0.0f);
    EXPECT_FALSE(called);
}

TEST(HostEntry, AFailedReplacingProcessLeavesSilenceInEveryOutput)
{
    StandIn plug;
    vst::EffectRecord record = RecordFor(&plug);
    std::vector<float> left(65, 1e9f), right(65, 1e9f);
    float* outputs[2] = {left.data(), right.data()};
    EnterPlugin<StandIn>(
        &record,
        [&](StandIn&) {
            left[0] = 0.5f; // partly written when it fails
            throw std::runtime_error("render failed");
        },
        [&] { SilenceOutputs(&record, outputs, 65); });
    for (size_t i = 0; i < left.size(); ++i) {
        EXPECT_EQ(left[i], 0.0f) << i;
        EXPECT_EQ(right[i], 0.0f) << i;
    }
    SilenceOutputs<double>(&record, nullptr, 65); // no buffers: nothing to do, no crash
}

} // namespace
