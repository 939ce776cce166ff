#include "plugin/KRXMultiplexDialogs.h"

#include <atomic>

namespace {
CKRXMultiplexDialogs g_headless;
std::atomic<CKRXMultiplexDialogs*> g_installed { nullptr };
} // namespace

CKRXMultiplexDialogs* CKRXMultiplexDialogs::GetMultiplexDialogs()
{
    CKRXMultiplexDialogs* dialogs = g_installed.load();
    return dialogs != nullptr ? dialogs : &g_headless;
}

CKRXMultiplexDialogs* CKRXMultiplexDialogs::SetMultiplexDialogs(CKRXMultiplexDialogs* dialogs)
{
    return g_installed.exchange(dialogs);
}
