#include "hidbackend.h"
#include "hidapibackend.h"

#include <atomic>

namespace {
std::atomic<HidBackend *> g_backend{nullptr};
}

HidBackend *HidBackend::current()
{
    HidBackend *backend = g_backend.load();
    if (backend)
        return backend;
    static HidApiBackend hidapi;
    return &hidapi;
}

void HidBackend::setCurrent(HidBackend *backend)
{
    g_backend.store(backend);
}
