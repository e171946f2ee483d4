#include "device/frame_queue.h"

#include <chrono>

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
