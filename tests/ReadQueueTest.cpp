#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "files/ReadQueue.h"

namespace {

using Queue = CReadQueue<std::string>;

// A batch is handed over at BATCH_SIZE items or BATCH_BYTES bytes, whichever
// comes first; the items come out in the order they went in, the rest at the
// finish.
TEST(ReadQueue, BatchesCloseAtTheirCountOrTheirBytes) {
    struct Case {
        size_t nItems;
        size_t nBytesEach;
        std::vector<size_t> batchSizes;
    };
    const Case cases[] = {
        {Queue::BATCH_SIZE + 3, 0, {Queue::BATCH_SIZE, 3}},
        {5, Queue::BATCH_BYTES / 2, {2, 2, 1}},
        {3, Queue::BATCH_BYTES * 3, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        Queue queue;
        for (size_t i = 0; i < c.nItems; ++i) {
            ASSERT_TRUE(queue.Push(std::to_string(i), c.nBytesEach));
        }
        queue.Finish();
        std::vector<size_t> batchSizes;
        size_t nNext = 0;
        for (std::vector<std::string> batch; queue.Pop(batch);) {
            batchSizes.push_back(batch.size());
            for (const std::string& item : batch) {
                EXPECT_EQ(item, std::to_string(nNext++));
            }
        }
        EXPECT_EQ(batchSizes, c.batchSizes) << c.nItems << " of " << c.nBytesEach;
    }
}

// A reader that waits for room while the storer wants no more goes on, told
// so, instead of waiting for ever; at most MAX_BATCHES wait to be stored.
TEST(ReadQueue, ClosingReleasesAReaderWaitingForRoom) {
    Queue queue;
    size_t nPushed = 0;
    std::thread reader([&] {
        while (queue.Push("x", Queue::BATCH_BYTES)) {
            ++nPushed;
        }
    });
    std::vector<std::string> batch;
    ASSERT_TRUE(queue.Pop(batch));
    queue.Close();
    reader.join();
    EXPECT_LE(nPushed, Queue::MAX_BATCHES + 1);
}

}  // namespace
