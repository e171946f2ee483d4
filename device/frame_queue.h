#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "device/frame_messages.h"

// A main window without a window system: the worker threads' notifications
// queue up, and the thread that owns the job list runs them (Pump) while
// each sender waits for its own to be handled, as a blocking send does.
class CFrameQueue : public IFrameNotify {
public:
    using Handler = std::function<void(int message, int wParam)>;
    using MessageHandler = std::function<void(const std::string& text)>;

    CFrameQueue(Handler handler, MessageHandler messages);

    void Send(int message, int wParam) override;
    void ShowMessage(const std::string& text) override;

    // Handles the queued notifications on the calling thread, waiting up to
    // timeoutMs for the first. Returns how many were handled.
    int Pump(int timeoutMs);
    // From now on senders no longer wait: what is queued is dropped and
    // later sends return at once (so that worker threads can be joined).
    void Shutdown();

private:
    struct Item {
        int message = 0;
        int wParam = 0;
        std::string text;
        bool isText = false;
        bool done = false;
    };
    void Deliver(Item& item);

    Handler m_handler;
    MessageHandler m_messages;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_handled;
    std::deque<Item*> m_items;
    bool m_shutdown = false;
};

// The worker threads around a main frame: StartWorkerThreads resets the
// run-time flags, makes frame the main frame and starts the monitor; the plot
// thread follows from StartJob. StopWorkerThreads ends both without waiting
// for a job and leaves no main frame: for a queue, the queue stops holding
// senders; for a window, stopNotifications makes later notifications return
// at once and pump runs the window's events while the threads end, so that a
// notification already under way is delivered instead of waiting forever.
void StartWorkerThreads(IFrameNotify& frame);
void StopWorkerThreads(CFrameQueue& queue);
void StopWorkerThreads(const std::function<void()>& stopNotifications, const std::function<void()>& pump);
