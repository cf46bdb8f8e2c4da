// The queue of requests kept while an activity runs, and the activity's
// nesting.
#include "app/activity.h"

#include <gtest/gtest.h>

namespace {

using PushResult = DeferredRequestQueue::PushResult;

TEST(DeferredRequestQueue, KeepsRequestsInTheirOrderUpToItsCapacity) {
    DeferredRequestQueue queue;
    DeferredRequest request;
    EXPECT_FALSE(queue.Pop(&request));
    for (UINT i = 0; i < DeferredRequestQueue::CAPACITY; ++i)
        EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, i, static_cast<LPARAM>(i * 2)}),
                  PushResult::Queued);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_COMMAND, 99, 0}), PushResult::Full);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 3, 6}), PushResult::Joined);
    EXPECT_EQ(queue.size(), DeferredRequestQueue::CAPACITY);
    for (UINT i = 0; i < DeferredRequestQueue::CAPACITY; ++i) {
        ASSERT_TRUE(queue.Pop(&request));
        EXPECT_EQ(request.message, UINT(WM_HOTKEY));
        EXPECT_EQ(request.wParam, WPARAM(i));
        EXPECT_EQ(request.lParam, LPARAM(i * 2));
    }
    EXPECT_FALSE(queue.Pop(&request));
}

TEST(DeferredRequestQueue, ARequestLikeOneWaitingJoinsIt) {
    DeferredRequestQueue queue;
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 1, 44}), PushResult::Queued);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 1, 44}), PushResult::Joined);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 1, 45}), PushResult::Queued);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_COMMAND, 1, 44}), PushResult::Queued);
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 1, 44}), PushResult::Joined);
    EXPECT_EQ(queue.size(), 3u);
    DeferredRequest request;
    ASSERT_TRUE(queue.Pop(&request));
    // Once taken out, the same request is queued anew.
    EXPECT_EQ(queue.Push(DeferredRequest{WM_HOTKEY, 1, 44}), PushResult::Queued);
}

TEST(DeferredRequestQueue, WrapsAroundWhenUsedAgain) {
    DeferredRequestQueue queue;
    DeferredRequest request;
    for (UINT round = 0; round < 3 * DeferredRequestQueue::CAPACITY; ++round) {
        ASSERT_EQ(queue.Push(DeferredRequest{WM_COMMAND, round, 0}), PushResult::Queued);
        ASSERT_EQ(queue.Push(DeferredRequest{WM_COMMAND, round + 1000, 0}), PushResult::Queued);
        ASSERT_TRUE(queue.Pop(&request));
        EXPECT_EQ(request.wParam, WPARAM(round));
        ASSERT_TRUE(queue.Pop(&request));
        EXPECT_EQ(request.wParam, WPARAM(round + 1000));
    }
    EXPECT_EQ(queue.size(), 0u);
}

TEST(ActivityScope, RequestsWaitOnlyWhileAnActivityRuns) {
    EXPECT_FALSE(IsActivityRunning());
    EXPECT_FALSE(DeferWhileActivityRuns(WM_HOTKEY, 1, 0));
    {
        ActivityScope outer;
        {
            ActivityScope inner;
            EXPECT_TRUE(IsActivityRunning());
        }
        EXPECT_TRUE(IsActivityRunning());
        EXPECT_TRUE(DeferWhileActivityRuns(WM_HOTKEY, 1, 0));
    }
    EXPECT_FALSE(IsActivityRunning());
    EXPECT_FALSE(DeferWhileActivityRuns(WM_HOTKEY, 1, 0));
}

} // namespace
