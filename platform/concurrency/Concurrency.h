#pragma once
// The whole task runtime in one include.
#include "platform/concurrency/Async.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Continuation.h"
#include "platform/concurrency/Deadline.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/concurrency/Task.h"
#include "platform/concurrency/TaskGroup.h"
