#include "app/activity.h"

#include "app/app.h"
#include "capture/bitmap_file.h"

namespace {

int activityDepth;
DeferredRequestQueue deferredRequests;

// Posted rather than sent: each request then runs from the message loop,
// after the activity has unwound, and one that starts a new activity keeps
// the rest waiting behind it in their order.
void ReplayDeferredRequests() {
    DeferredRequest request;
    while (deferredRequests.Pop(&request))
        PostMessageW(mainWindow, request.message, request.wParam, request.lParam);
}

} // namespace

DeferredRequestQueue::PushResult DeferredRequestQueue::Push(const DeferredRequest& request) {
    for (size_t i = 0; i < count_; ++i) {
        const DeferredRequest& waiting = requests_[(first_ + i) % CAPACITY];
        if (waiting.message == request.message && waiting.wParam == request.wParam &&
            waiting.lParam == request.lParam)
            return PushResult::Joined;
    }
    if (count_ == CAPACITY) return PushResult::Full;
    requests_[(first_ + count_) % CAPACITY] = request;
    ++count_;
    return PushResult::Queued;
}

bool DeferredRequestQueue::Pop(DeferredRequest* request) {
    if (count_ == 0) return false;
    *request = requests_[first_];
    first_ = (first_ + 1) % CAPACITY;
    --count_;
    return true;
}

ActivityScope::ActivityScope() { ++activityDepth; }

ActivityScope::~ActivityScope() {
    // A request made while the activity read no messages (a print finishing
    // its page) still waits in the queue; it is kept like the others, so that
    // all run in the order they came, each as a message of the moment it runs.
    // Under Wine a window's claim to the keyboard carries that moment: one
    // opened for a request older than the shell's last focus change shows
    // without the keyboard.
    if (activityDepth == 1) PumpPendingMessages();
    if (--activityDepth == 0) ReplayDeferredRequests();
}

bool IsActivityRunning() { return activityDepth > 0; }

bool DeferWhileActivityRuns(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsActivityRunning()) return false;
    if (deferredRequests.Push(DeferredRequest{message, wParam, lParam}) ==
        DeferredRequestQueue::PushResult::Full)
        MessageBeep(MB_OK);
    return true;
}
