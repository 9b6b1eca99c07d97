#include "platform/concurrency/BackgroundQueue.h"

#include <algorithm>
#include <thread>

namespace platform {

BackgroundQueue& BackgroundQueue::shared() {
    static BackgroundQueue queue(std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 4));
    return queue;
}

BackgroundQueue::BackgroundQueue(std::size_t threads) : pool_(std::max<std::size_t>(threads, 1)) {}

BackgroundQueue::~BackgroundQueue() {
    pool_.stop();
    pool_.join();
}

void BackgroundQueue::join() { pool_.join(); }

}  // namespace platform
