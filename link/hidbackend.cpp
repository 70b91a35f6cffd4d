#include "hidbackend.h"

#include <atomic>

namespace {
std::atomic<HidBackend *> g_backend{nullptr};
}

HidBackend *HidBackend::current()
{
    HidBackend *backend = g_backend.load();
    return backend ? backend : system();
}

void HidBackend::setCurrent(HidBackend *backend)
{
    g_backend.store(backend);
}
