#include "platform/net/detail/NetRuntime.h"

#include <thread>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/strand.hpp>

namespace platform::net_detail {
namespace {

constexpr int kNetworkThreads = 2;

struct Runtime {
    boost::asio::io_context context{kNetworkThreads};
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> guard{
        context.get_executor()};

    Runtime() {
        for (int i = 0; i < kNetworkThreads; ++i) {
            // Detached: the runtime is never torn down, so the threads serve until exit and no
            // static destructor waits for a connection in flight.
            std::thread([this] { context.run(); }).detach();
        }
    }
};

Runtime& runtime() {
    static Runtime* instance = new Runtime();  // deliberately never destroyed
    return *instance;
}

}  // namespace

boost::asio::any_io_executor makeSessionStrand() {
    return boost::asio::make_strand(runtime().context);
}

}  // namespace platform::net_detail
