#pragma once

#include "media/MediaScan.h"

#include <QByteArray>
#include <QSet>
#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Lists and examines the folders of a medium on a worker thread, ahead of the
// scan that catalogs them. The worker walks depth-first in the order the file
// system lists the entries, exactly as the scan would, and hands over what it
// found through a bounded queue; the scan's own thread takes the entries in
// that order and does everything else (rows, progress, cancel). The worker
// never touches the database or the user interface. Destroying the object
// stops the worker and joins it.
class TMediumReadAhead final
{
public:
    // What the scan takes next.
    enum class Event
    {
        // An entry of the folder being walked. A folder entry opens that
        // folder: its own entries follow, then FolderEnd (at once when it
        // could not be listed or is a mount point).
        Entry,
        // The folder entered last has been listed to its end.
        FolderEnd,
        // The source has been listed to its end.
        Finished,
        // The scan's thread gave up waiting (see WaitHook).
        Abandoned
    };

    // Called on the scan's thread about every kWaitSliceMs while it waits for
    // the worker (a slow medium): returns false to stop waiting.
    using WaitHook = std::function<bool()>;
    static constexpr int kWaitSliceMs = 100;

    // rootFolder is an open descriptor of the source, which the worker takes
    // over. mountPoints are the mount points below the source, as bytes
    // relative to it: they are listed but not entered. At most batchEntries *
    // kQueuedBatches entries are read ahead.
    TMediumReadAhead(int rootFolder, QSet<QByteArray> mountPoints, std::size_t batchEntries,
                     WaitHook waitHook);
    ~TMediumReadAhead();
    Q_DISABLE_COPY_MOVE(TMediumReadAhead)

    // The next event; entry is filled for Event::Entry and its name stays
    // valid until the next call. Rethrows on the scan's thread what ended the
    // worker abnormally.
    Event Next(MediumEntry &entry);

    // Hand-overs that may wait.
    static constexpr std::size_t kQueuedBatches = 16;

private:
    class Worker;

    // One entry as the worker records it; the name lies in the batch's names.
    struct Record
    {
        Event event;
        bool folder;
        bool link;
        int attributes;
        qint64 size;
        double created;
        double modified;
        quint32 nameOffset;
        quint32 nameLength;
    };

    struct Batch
    {
        std::vector<Record> records;
        QByteArray names;
        void Clear()
        {
            records.clear();
            names.resize(0);
        }
    };
    using BatchPointer = std::unique_ptr<Batch>;

    // Worker side: hands a batch over (waiting while the queue is full) and
    // gets an empty one back; null when the worker is to stop.
    BatchPointer HandOver(BatchPointer batch);
    bool StopRequested() const { return m_stop.load(std::memory_order_relaxed); }
    // True while the scan's thread waits for entries: a partial batch is
    // handed over then rather than kept until it is full.
    bool ScanIsWaiting() const { return m_scanWaiting.load(std::memory_order_relaxed); }
    void Finish(BatchPointer batch, std::exception_ptr failure);

    // Scan side: the next batch, false when the hook gave up.
    bool TakeBatch();

    const std::size_t m_batchEntries;
    WaitHook m_waitHook;
    std::mutex m_mutex;
    std::condition_variable m_filled;  // a batch was handed over, or the worker ended
    std::condition_variable m_emptied; // a batch was taken, or the worker is to stop
    std::deque<BatchPointer> m_queue;
    std::vector<BatchPointer> m_spare;
    bool m_workerDone = false;
    std::exception_ptr m_failure;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_scanWaiting{false};
    // The batch the scan reads, and where it reads it.
    BatchPointer m_current;
    std::size_t m_position = 0;
    std::thread m_thread;
};
