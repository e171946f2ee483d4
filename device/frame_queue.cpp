#include "device/frame_queue.h"

#include <chrono>
#include <thread>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/monitor_thread.h"
#include "device/plot_job.h"

CFrameQueue::CFrameQueue(Handler handler, MessageHandler messages)
    : m_handler(std::move(handler)), m_messages(std::move(messages))
{
}

void CFrameQueue::Deliver(Item& item)
{
    std::unique_lock lock(m_mutex);
    if (m_shutdown)
        return;
    m_items.push_back(&item);
    m_queued.notify_one();
    m_handled.wait(lock, [&] { return item.done || m_shutdown; });
}

void CFrameQueue::Send(int message, int wParam)
{
    Item item;
    item.message = message;
    item.wParam = wParam;
    Deliver(item);
}

void CFrameQueue::ShowMessage(const std::string& text)
{
    Item item;
    item.text = text;
    item.isText = true;
    Deliver(item);
}

int CFrameQueue::Pump(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    m_queued.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !m_items.empty() || m_shutdown; });
    int handled = 0;
    while (!m_items.empty() && !m_shutdown) {
        Item* item = m_items.front();
        m_items.pop_front();
        lock.unlock();
        if (item->isText) {
            if (m_messages)
                m_messages(item->text);
        } else if (m_handler) {
            m_handler(item->message, item->wParam);
        }
        lock.lock();
        ++handled;
        // After a shutdown the sender may have left already, item and all.
        if (m_shutdown)
            break;
        item->done = true;
        m_handled.notify_all();
    }
    return handled;
}

void CFrameQueue::Shutdown()
{
    std::lock_guard lock(m_mutex);
    m_shutdown = true;
    m_items.clear();
    m_handled.notify_all();
    m_queued.notify_all();
}

void StartWorkerThreads(IFrameNotify& frame)
{
    g_settings.m_quit = 0;
    g_settings.m_pollEnabled = 1;
    g_connected = 0;
    g_mainFrame = &frame;
    StartMonitorThread();
}

void StopWorkerThreads(const std::function<void()>& stopNotifications, const std::function<void()>& pump)
{
    g_settings.m_quit = 1;
    AbortPlotThread();
    stopNotifications();
    while (MonitorThreadRunning() || PlotThreadRunning())
        pump();
    StopMonitorThread();
    JoinPlotThread();
    g_plotThread = 0;
    g_mainFrame = nullptr;
}

void StopWorkerThreads(CFrameQueue& queue)
{
    StopWorkerThreads([&queue] { queue.Shutdown(); }, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
}
