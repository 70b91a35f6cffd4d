#include "frameexchange.h"

#include <atomic>

namespace {
std::atomic<FrameExchange *> g_exchange{nullptr};
}

FrameExchange::~FrameExchange()
{
    FrameExchange *self = this;
    g_exchange.compare_exchange_strong(self, nullptr);
}

FrameExchange *FrameExchange::current()
{
    return g_exchange.load();
}

void FrameExchange::setCurrent(FrameExchange *exchange)
{
    g_exchange.store(exchange);
}

bool FrameExchange::WaitForInput(int)
{
    // Cannot tell: a read will.
    return true;
}

void FrameExchange::WakeInputWaiters() {}
