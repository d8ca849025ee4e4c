#include "raster/draw_helper.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "raster/raster_thread.h"

namespace {

// Made on first use and never destroyed: at exit the thread may still wait on it, and destroying a
// condition variable that a thread waits on hangs or is undefined.
struct DrawHelper {
    std::mutex lock;
    std::condition_variable changed;
    void (*task)(void*) = nullptr;
    void* argument = nullptr;
    bool running = false;  // a task is set and not finished
    bool quit = false;
    std::thread* thread = nullptr;
};
DrawHelper* helper = nullptr;
bool helperUnavailable = false;
bool helperAllowed = true;

void HelperLoop() {
    DrawHelper& h = *helper;
    std::unique_lock<std::mutex> guard(h.lock);
    for (;;) {
        h.changed.wait(guard, [&] { return h.running || h.quit; });
        if (h.running) {
            guard.unlock();
            h.task(h.argument);
            guard.lock();
            h.running = false;
            h.changed.notify_all();
        } else {
            break;
        }
    }
    guard.unlock();
    ReleaseThreadRasteriser();
}

bool StartThread() {
    if (helper && helper->thread) return true;
    if (helperUnavailable) return false;
    if (std::thread::hardware_concurrency() < 2) {
        helperUnavailable = true;
        return false;
    }
    if (!helper) helper = new (std::nothrow) DrawHelper;
    if (!helper) return false;
    try {
        helper->thread = new std::thread(HelperLoop);
    } catch (...) {  // no memory or no thread: the caller draws alone
        helperUnavailable = true;
        return false;
    }
    return true;
}

}  // namespace

void AllowDrawHelper(bool allowed) { helperAllowed = allowed; }

bool StartHelperTask(void (*task)(void* argument), void* argument) {
    if (!helperAllowed || !StartThread()) return false;
    DrawHelper& h = *helper;
    std::lock_guard<std::mutex> guard(h.lock);
    h.task = task;
    h.argument = argument;
    h.running = true;
    h.changed.notify_all();
    return true;
}

void WaitForHelperTask() {
    if (!helper || !helper->thread) return;
    DrawHelper& h = *helper;
    std::unique_lock<std::mutex> guard(h.lock);
    h.changed.wait(guard, [&] { return !h.running; });
}

void StopDrawHelper() {
    if (!helper || !helper->thread) return;
    DrawHelper& h = *helper;
    {
        std::lock_guard<std::mutex> guard(h.lock);
        h.quit = true;
        h.changed.notify_all();
    }
    h.thread->join();
    delete h.thread;
    h.thread = nullptr;
    h.quit = false;
}
