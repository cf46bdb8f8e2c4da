#include "app/activity.h"

#include "app/app.h"

namespace {

int activityDepth;
DeferredRequestQueue deferredRequests;

// Posted rather than sent: each request then runs from the message loop,
// after the activity has unwound, and one that starts a new activity keeps
// the rest waiting behind it in their order.
void ReplayDeferredRequests() {
    DeferredRequest request;
    while (deferredRequests.Pop(&request))
        PostMessageA(mainWindow, request.message, request.wParam, request.lParam);
}

} // namespace

bool DeferredRequestQueue::Push(const DeferredRequest& request) {
    if (count_ == CAPACITY) return false;
    requests_[(first_ + count_) % CAPACITY] = request;
    ++count_;
    return true;
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
    if (--activityDepth == 0) ReplayDeferredRequests();
}

bool IsActivityRunning() { return activityDepth > 0; }

bool DeferWhileActivityRuns(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsActivityRunning()) return false;
    deferredRequests.Push(DeferredRequest{message, wParam, lParam});
    return true;
}
