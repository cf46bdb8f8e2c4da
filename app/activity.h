// One user-visible activity at a time. A capture, from its hot key to the end
// of its printer step, pumps messages (the bitmap writer, the copied notice,
// the Save As dialog, the printer), and so do the viewer's activation and a
// print. A hot key or a tray or menu request that reaches the main window
// meanwhile is not run inside the activity: it is kept and carried out, in
// the order it came, once the activity is over.
#pragma once

#include <windows.h>

#include <cstddef>

// Marks the activity for as long as it lives; scopes may nest, and the
// outermost one, having taken in the requests still queued, hands the kept
// requests back to the main window.
class ActivityScope {
public:
    ActivityScope();
    ~ActivityScope();
    ActivityScope(const ActivityScope&) = delete;
    ActivityScope& operator=(const ActivityScope&) = delete;
};

bool IsActivityRunning();

// Keeps a main-window request while an activity runs; true when it was kept,
// joined to the same request already waiting, or dropped with a beep because
// too many are waiting; false when it may run now.
bool DeferWhileActivityRuns(UINT message, WPARAM wParam, LPARAM lParam);

struct DeferredRequest {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The requests waiting for the running activity, first come first out.
// A request that equals one already waiting joins it, so a key pressed five
// times during a Save As dialog brings one more capture, not five. Bounded:
// a storm of keys during one capture does not queue a storm behind it.
class DeferredRequestQueue {
public:
    static constexpr size_t CAPACITY = 16;

    enum class PushResult { Queued, Joined, Full };

    PushResult Push(const DeferredRequest& request);
    bool Pop(DeferredRequest* request);
    size_t size() const { return count_; }
    void Clear() { first_ = count_ = 0; }

private:
    DeferredRequest requests_[CAPACITY] = {};
    size_t first_ = 0;
    size_t count_ = 0;
};
