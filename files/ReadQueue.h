#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Hands what a thread reads from a file, in order and in batches, to the
// thread that stores it, so that the two work at once. Either side may end
// it: the reader when the file has no more, the storer when it wants no more.
// A batch is handed over at BATCH_SIZE items or, for items that say how many
// bytes they hold, at BATCH_BYTES, so that a file of huge items keeps no more
// than a few batches' worth of them in memory.
template <typename Item>
class CReadQueue {
public:
    static constexpr size_t BATCH_SIZE = 1024;
    static constexpr size_t BATCH_BYTES = 1 << 20;
    static constexpr size_t MAX_BATCHES = 8;  // waiting to be stored

    // The reader's side. False once the storer wants no more.
    bool Push(Item&& item, size_t nBytes = 0) {
        m_filling.push_back(std::move(item));
        m_nFillingBytes += nBytes;
        if (m_filling.size() < BATCH_SIZE && m_nFillingBytes < BATCH_BYTES) {
            return true;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bClosed || m_ready.size() < MAX_BATCHES; });
        if (m_bClosed) {
            return false;
        }
        m_ready.push_back(std::move(m_filling));
        m_filling.clear();
        m_nFillingBytes = 0;
        if (!m_spare.empty()) {
            m_filling = std::move(m_spare.back());
            m_spare.pop_back();
        }
        m_changed.notify_all();
        return true;
    }
    // Hands over what is left; no item comes after.
    void Finish() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_filling.empty()) {
            m_ready.push_back(std::move(m_filling));
            m_filling.clear();
        }
        m_bFinished = true;
        m_changed.notify_all();
    }

    // The storer's side: the next batch; false when the reader has finished
    // and every batch has been taken.
    bool Pop(std::vector<Item>& batch) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bFinished || !m_ready.empty(); });
        if (m_ready.empty()) {
            return false;
        }
        // The batch taken before goes back to the reader, to be filled again
        // without growing step by step.
        if (batch.capacity() > 0 && m_spare.size() < MAX_BATCHES) {
            batch.clear();
            m_spare.push_back(std::move(batch));
        }
        batch = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }
    // No more items are wanted; a reader waiting for room goes on.
    void Close() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<Item>> m_ready;
    bool m_bFinished = false;
    bool m_bClosed = false;
    std::vector<Item> m_filling;  // the reader's own
    size_t m_nFillingBytes = 0;
    std::vector<std::vector<Item>> m_spare;  // stored batches, emptied
};

// Ends a reader's thread however the storer leaves: closes the queue, so that
// a reader waiting for room goes on, and joins the thread.
template <typename Item>
class CJoinReader {
public:
    CJoinReader(CReadQueue<Item>& queue, std::thread& reader) : m_queue(queue), m_reader(reader) {}
    CJoinReader(const CJoinReader&) = delete;
    CJoinReader& operator=(const CJoinReader&) = delete;
    ~CJoinReader() {
        m_queue.Close();
        m_reader.join();
    }

private:
    CReadQueue<Item>& m_queue;
    std::thread& m_reader;
};
