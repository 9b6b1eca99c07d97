#pragma once
// The threads on which every URL session does its network work and runs its delegate
// callbacks. Started on first use and kept for the life of the process.
#include <boost/asio/any_io_executor.hpp>

namespace platform::net_detail {

// A new strand on the network threads: one per session, so a session's work and callbacks run
// one at a time while different sessions proceed in parallel.
boost::asio::any_io_executor makeSessionStrand();

}  // namespace platform::net_detail
